// The node map of an opened device: walking the feature tree, reading node records and the
// typed values by name.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "camsim/GenICamXml.h"
#include "camsim/SdkSide.h"
#include "camsim/WriteHook.h"
#include "util/Text.h"

using CamSim::Model;
using CamSim::NodeDesc;
using CamSim::NodeKind;
using CamSim::NodeMap;
using CamSim::Op;
using CamSim::SdkSide;
using Util_2_1::CopyText;

namespace {

// A node record's name need not be terminated when it fills its field.
std::string NameOf(const MvXmlNode& node)
{
    const char* end = std::find(node.strName, node.strName + MV_MAX_XML_NODE_NAME_LEN, '\0');
    return std::string(node.strName, end);
}

void FillNode(MvXmlNode& record, const NodeDesc& node)
{
    std::memset(&record, 0, sizeof record);
    record.enType = CamSim::InterfaceType(node.kind);
    record.enVisivility = node.visibility;
    CopyText(record.strDescription, node.description);
    CopyText(record.strDisplayName, node.displayName);
    CopyText(record.strName, node.name);
    CopyText(record.strToolTip, node.toolTip);
}

void FillBase(MvXmlFeatureBase& base, const NodeDesc& node, const NodeMap& map)
{
    base.enVisivility = node.visibility;
    base.enAccessMode = map.AccessOf(node);
    CopyText(base.strDescription, node.description);
    CopyText(base.strDisplayName, node.displayName);
    CopyText(base.strName, node.name);
    CopyText(base.strToolTip, node.toolTip);
    base.bIsLocked = map.LockedNow(node) ? 1u : 0u;
}

// A cleared record of the node's type with its common part filled.
template <typename Record>
Record& StartRecord(void* feature, const NodeDesc& node, const NodeMap& map)
{
    auto& record = *static_cast<Record*>(feature);
    std::memset(&record, 0, sizeof record);
    FillBase(record.base, node, map);
    return record;
}

// Fills the record of the node's own type; the caller's enType has been checked against it,
// so the record is as large as the caller's.
void FillFeature(void* feature, const NodeDesc& node, const NodeMap& map)
{
    switch (node.kind) {
    case NodeKind::Integer: {
        auto& record = StartRecord<MvXmlFeatureInteger>(feature, node, map);
        const CamSim::IntInfo info = map.IntOf(node);
        record.nValue = info.value;
        record.nMinValue = info.min;
        record.nMaxValue = info.max;
        record.nIncrement = info.inc;
        record.bIsHexadecimal = node.representation == CamSim::IntRepresentation::Hexadecimal ? 1u : 0u;
        record.bIsIpAddress = node.representation == CamSim::IntRepresentation::IpAddress ? 1u : 0u;
        break;
    }
    case NodeKind::Float: {
        auto& record = StartRecord<MvXmlFeatureFloat>(feature, node, map);
        const CamSim::FloatInfo info = map.FloatOf(node);
        record.dfValue = info.value;
        record.dfMinValue = info.min;
        record.dfMaxValue = info.max;
        record.dfIncrement = node.floatInc;
        CopyText(record.strUnit, node.unit);
        break;
    }
    case NodeKind::Boolean: {
        auto& record = StartRecord<MvXmlFeatureBoolean>(feature, node, map);
        record.bValue = map.RawInt(node) != 0 ? 1u : 0u;
        break;
    }
    case NodeKind::String: {
        auto& record = StartRecord<MvXmlFeatureString>(feature, node, map);
        CopyText(record.strValue, map.TextOf(node));
        record.nMaxLength = node.maxLength;
        break;
    }
    case NodeKind::Register: {
        auto& record = StartRecord<MvXmlFeatureRegister>(feature, node, map);
        record.nAddrValue = node.address;
        record.nLength = node.length;
        break;
    }
    case NodeKind::Enumeration: {
        auto& record = StartRecord<MvXmlFeatureEnumeration>(feature, node, map);
        record.nValue = map.RawInt(node);
        if (const CamSim::EnumEntryDesc* current = node.FindEntry(record.nValue); current != nullptr) {
            CopyText(record.strCurrentSymbolic, current->symbolic);
        }
        for (const CamSim::EnumEntryDesc& entry : node.entries) {
            MvXmlFeatureEnumEntry& out = record.stEntries[record.nSymbolicNum++];
            CopyText(out.strSymbolic, entry.symbolic);
            CopyText(out.strDisplayName, entry.symbolic);
            out.nValue = entry.value;
            out.enAccessMode = AM_RO;
        }
        break;
    }
    case NodeKind::Command:
        StartRecord<MvXmlFeatureCommand>(feature, node, map);
        break;
    case NodeKind::Category:
        StartRecord<MvXmlFeatureCategory>(feature, node, map);
        break;
    }
}

// The common frame of every node operation: count, injected fault, null handle, null
// pointers, then the body under the simulator's mutex with the handle's node map.
template <typename Body>
int NodeCall(Op op, void* handle, std::initializer_list<const void*> required, Body&& body)
{
    return CamSim::HandleCall(op, handle, [&](SdkSide& sdk) {
        for (const void* pointer : required) {
            if (pointer == nullptr) {
                return MV_E_PARAMETER;
            }
        }
        return sdk.WithNodes(handle, body);
    });
}

// A typed value write: the test's hook first, outside the simulator's lock.
template <typename Body>
int WriteCall(Op op, void* handle, const char* name, std::initializer_list<const void*> required, Body&& body)
{
    if (name != nullptr) CamSim::RunWriteHook(name);
    return NodeCall(op, handle, required, std::forward<Body>(body));
}

}  // namespace

extern "C" {

// *length is what the XML needs, its terminating NUL included: on success what was written,
// on MV_E_PARAMETER (buffer too small) the size to ask with. A null buffer of size 0 asks
// only for the length.
MV_SDK_API int MV_SDK_CALL MV_XML_GetGenICamXML(void* handle, unsigned char* buffer, unsigned int size,
                                                unsigned int* length)
{
    return NodeCall(Op::GetGenICamXML, handle, {length}, [&](NodeMap& map) {
        if (buffer == nullptr && size != 0) {
            return MV_E_PARAMETER;
        }
        const std::string xml = CamSim::BuildGenICamXml(map.GetModel(), map.TextValueOf("DeviceModelName"));
        const std::size_t needed = xml.size() + 1;
        *length = static_cast<unsigned int>(needed);
        if (buffer == nullptr) {
            return MV_OK;
        }
        if (size < needed) {
            return MV_E_PARAMETER;
        }
        std::memcpy(buffer, xml.c_str(), needed);
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetRootNode(void* handle, MvXmlNode* root)
{
    return NodeCall(Op::GetRootNode, handle, {root}, [&](NodeMap& map) {
        FillNode(*root, map.GetModel().Root());
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetChildren(void* handle, const MvXmlNode* node, MvXmlNodeList* children)
{
    return NodeCall(Op::GetChildren, handle, {node, children}, [&](NodeMap& map) {
        const Model& model = map.GetModel();
        const NodeDesc* parent = model.Find(NameOf(*node));
        if (parent == nullptr) {
            return MV_E_GC_PROPERTY;
        }
        // Only categories have children; a leaf answers an empty list. The model keeps a
        // category to MV_MAX_XML_NODE_NUM children.
        std::memset(children, 0, sizeof *children);
        for (const std::string& name : parent->children) {
            if (const NodeDesc* child = model.Find(name);
                child != nullptr && children->nNodeNum < MV_MAX_XML_NODE_NUM) {
                FillNode(children->stNodes[children->nNodeNum++], *child);
            }
        }
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetNodeFeature(void* handle, const MvXmlNode* node, void* feature)
{
    return NodeCall(Op::GetNodeFeature, handle, {node, feature}, [&](NodeMap& map) {
        const NodeDesc* found = map.GetModel().Find(NameOf(*node));
        if (found == nullptr) {
            return MV_E_GC_PROPERTY;
        }
        // The record's size follows the caller's type; filling another type's could overrun it.
        if (node->enType != CamSim::InterfaceType(found->kind)) {
            return MV_E_PARAMETER;
        }
        FillFeature(feature, *found, map);
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetNodeAccessMode(void* handle, const char* name, MvXmlAccessMode* mode)
{
    return NodeCall(Op::GetNodeAccessMode, handle, {name, mode}, [&](NodeMap& map) {
        const NodeDesc* found = map.GetModel().Find(name);
        if (found == nullptr) {
            return MV_E_GC_PROPERTY;
        }
        // A raw mode past the enumeration's named values is handed over as its bytes: a cast
        // would give an out-of-range enumeration value.
        static_assert(sizeof(MvXmlAccessMode) == sizeof(uint32_t), "access mode is a 32-bit field");
        const uint32_t access = map.AccessOf(*found);
        std::memcpy(mode, &access, sizeof access);
        return MV_OK;
    });
}

// Values are never cached, so there is nothing to drop; the call still needs an open device.
MV_SDK_API int MV_SDK_CALL MV_CC_InvalidateNodes(void* handle)
{
    return NodeCall(Op::InvalidateNodes, handle, {}, [](NodeMap&) { return MV_OK; });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetIntValueEx(void* handle, const char* name, MvIntValueEx* value)
{
    return NodeCall(Op::GetIntValueEx, handle, {name, value}, [&](NodeMap& map) {
        CamSim::IntInfo info;
        const uint32_t status = map.GetInt(name, info);
        if (status == MV_OK) {
            std::memset(value, 0, sizeof *value);
            value->nCurValue = info.value;
            value->nMax = info.max;
            value->nMin = info.min;
            value->nInc = info.inc;
        }
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetIntValueEx(void* handle, const char* name, int64_t value)
{
    return WriteCall(Op::SetIntValueEx, handle, name, {name}, [&](NodeMap& map) { return map.SetInt(name, value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetFloatValue(void* handle, const char* name, MvFloatValue* value)
{
    return NodeCall(Op::GetFloatValue, handle, {name, value}, [&](NodeMap& map) {
        CamSim::FloatInfo info;
        const uint32_t status = map.GetFloat(name, info);
        if (status == MV_OK) {
            std::memset(value, 0, sizeof *value);
            value->fCurValue = static_cast<float>(info.value);
            value->fMax = static_cast<float>(info.max);
            value->fMin = static_cast<float>(info.min);
        }
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetFloatValue(void* handle, const char* name, float value)
{
    return WriteCall(Op::SetFloatValue, handle, name, {name}, [&](NodeMap& map) { return map.SetFloat(name, value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetBoolValue(void* handle, const char* name, int* value)
{
    return NodeCall(Op::GetBoolValue, handle, {name, value}, [&](NodeMap& map) {
        bool current = false;
        const uint32_t status = map.GetBool(name, current);
        if (status == MV_OK) {
            *value = current ? 1 : 0;
        }
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBoolValue(void* handle, const char* name, int value)
{
    return WriteCall(Op::SetBoolValue, handle, name, {name},
                     [&](NodeMap& map) { return map.SetBool(name, value != 0); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetEnumValue(void* handle, const char* name, MvEnumValue* value)
{
    return NodeCall(Op::GetEnumValue, handle, {name, value}, [&](NodeMap& map) {
        int64_t current = 0;
        std::vector<int64_t> available;
        const uint32_t status = map.GetEnum(name, current, available);
        if (status == MV_OK) {
            std::memset(value, 0, sizeof *value);
            value->nCurValue = static_cast<uint32_t>(current);
            for (int64_t entry : available) {
                if (value->nSupportedNum < MV_MAX_ENUM_SUPPORTED) {
                    value->nSupportValue[value->nSupportedNum++] = static_cast<uint32_t>(entry);
                }
            }
        }
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetEnumValue(void* handle, const char* name, unsigned int value)
{
    return WriteCall(Op::SetEnumValue, handle, name, {name}, [&](NodeMap& map) { return map.SetEnum(name, value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetEnumEntrySymbolic(void* handle, const char* name, MvEnumEntry* entry)
{
    return NodeCall(Op::GetEnumEntrySymbolic, handle, {name, entry}, [&](NodeMap& map) {
        std::string symbolic;
        const uint32_t status = map.EntrySymbolic(name, entry->nValue, symbolic);
        if (status == MV_OK) {
            CopyText(entry->chSymbolic, symbolic);
        }
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetEnumValueByString(void* handle, const char* name, const char* value)
{
    return WriteCall(Op::SetEnumValueByString, handle, name, {name, value},
                     [&](NodeMap& map) { return map.SetEnumSymbolic(name, value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetStringValue(void* handle, const char* name, const char* value)
{
    return WriteCall(Op::SetStringValue, handle, name, {name, value},
                     [&](NodeMap& map) { return map.SetString(name, value); });
}

// Commands reach beyond the node map: acquisition, triggers, a device reset.
MV_SDK_API int MV_SDK_CALL MV_CC_SetCommandValue(void* handle, const char* name)
{
    return CamSim::HandleCall(Op::SetCommandValue, handle, [&](SdkSide& sdk) {
        return name == nullptr ? MV_E_PARAMETER : sdk.ExecuteCommand(handle, name);
    });
}

}  // extern "C"
