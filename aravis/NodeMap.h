// The camera's GenICam node map through Aravis, as the SDK's records and checked values:
// node types and access modes, the node and feature records, and typed reads and writes that
// refuse what the node does not allow before anything reaches the camera.
#pragma once

#include <arv.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/MvSdk.h"

namespace OrnicAravis::Nodes {

// A feature node by name; null when there is none (or the name is of a non-feature node).
ArvGcFeatureNode* Find(ArvGc* genicam, const char* name);

// MvXmlInterfaceType of a node. Aravis nodes implement interfaces, several at a time (an
// enumeration is an integer too, a string register a register): the first match of
// category, enumeration, command, boolean, float, integer, string, register decides.
uint32_t TypeOf(ArvGcFeatureNode* node);

// MvXmlAccessMode now: not implemented, not available, locked (read-only), or the node's own.
// While the device streams, the nodes that set the frame's size and format (Width, Height,
// PixelFormat, binning, decimation, AcquisitionMode, AcquisitionFrameCount) are read-only as
// well, as on the simulator, even when the camera's description does not lock them itself:
// the stream's buffers were sized for the frame at the start.
uint32_t AccessOf(ArvGcFeatureNode* node);

// Marks the node map of a streaming device (see AccessOf).
void SetStreamLock(ArvGc* genicam, bool locked);
bool Readable(uint32_t access);
bool Writable(uint32_t access);

uint32_t VisibilityOf(ArvGcFeatureNode* node);

void FillNode(MvXmlNode& record, ArvGcFeatureNode* node);
// Fills the record of the node's own type (the caller has checked `type` against TypeOf).
void FillFeature(void* record, ArvGcFeatureNode* node, uint32_t type);

// The children of a category in its order (a leaf has none), at most MV_MAX_XML_NODE_NUM.
std::vector<ArvGcFeatureNode*> Children(ArvGc* genicam, ArvGcFeatureNode* node);

// Enumeration entries that are implemented, in the description's order.
std::vector<ArvGcEnumEntry*> Entries(ArvGcEnumeration* enumeration);

// Typed values by name. Status as in docs/aravis.md: MV_E_GC_PROPERTY (no such node),
// MV_E_SUPPORT (a node of another type), MV_E_GC_ACCESS (not readable / writable now),
// MV_E_GC_RANGE (outside the range or off the increment), MV_E_GC_ARGUMENT (no such entry),
// otherwise what Aravis answers.
uint32_t GetInt(ArvGc* genicam, const char* name, MvIntValueEx& value);
uint32_t SetInt(ArvGc* genicam, const char* name, int64_t value);
uint32_t GetFloat(ArvGc* genicam, const char* name, double& value, double& min, double& max);
uint32_t SetFloat(ArvGc* genicam, const char* name, double value);
uint32_t GetBool(ArvGc* genicam, const char* name, bool& value);
uint32_t SetBool(ArvGc* genicam, const char* name, bool value);
uint32_t GetEnum(ArvGc* genicam, const char* name, int64_t& value, std::vector<int64_t>& available);
uint32_t SetEnum(ArvGc* genicam, const char* name, int64_t value);
uint32_t SetEnumSymbolic(ArvGc* genicam, const char* name, const char* symbolic);
uint32_t EntrySymbolic(ArvGc* genicam, const char* name, int64_t value, std::string& symbolic);
uint32_t GetString(ArvGc* genicam, const char* name, std::string& value);
uint32_t SetString(ArvGc* genicam, const char* name, const char* value);
uint32_t Execute(ArvGc* genicam, const char* name);

}  // namespace OrnicAravis::Nodes
