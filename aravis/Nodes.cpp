// The node map of an opened device: the feature tree, node records, typed values, commands,
// the GenICam XML. Every call needs an opened handle (see OpenHandleCall).
#include <algorithm>
#include <cfloat>
#include <cstring>
#include <string>
#include <vector>

#include "aravis/Backend.h"
#include "aravis/NodeMap.h"
#include "util/Text.h"

using OrnicAravis::Handle;
using OrnicAravis::OpenHandleCall;
namespace Nodes = OrnicAravis::Nodes;

namespace {

// A record's name need not be terminated when it fills its field.
std::string NameOf(const MvXmlNode& node)
{
    const char* end = std::find(node.strName, node.strName + MV_MAX_XML_NODE_NAME_LEN, '\0');
    return std::string(node.strName, end);
}

}  // namespace

extern "C" {

// *length is what the XML needs, its terminating NUL included; a null buffer of size 0 asks
// only for it, a smaller buffer answers MV_E_PARAMETER with *length set.
MV_SDK_API int MV_SDK_CALL MV_XML_GetGenICamXML(void* handle, unsigned char* buffer, unsigned int size,
                                                unsigned int* length)
{
    return OpenHandleCall(handle, {length}, [&](Handle& h) -> uint32_t {
        if (buffer == nullptr && size != 0) return MV_E_PARAMETER;
        size_t xmlSize = 0;
        const char* xml = arv_device_get_genicam_xml(h.device, &xmlSize);
        if (xml == nullptr) return MV_E_GC_GENERIC;
        // Some descriptions count their own terminator.
        while (xmlSize > 0 && xml[xmlSize - 1] == '\0') --xmlSize;
        const size_t needed = xmlSize + 1;
        *length = static_cast<unsigned int>(needed);
        if (buffer == nullptr) return MV_OK;
        if (size < needed) return MV_E_PARAMETER;
        std::memcpy(buffer, xml, xmlSize);
        buffer[xmlSize] = '\0';
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetRootNode(void* handle, MvXmlNode* root)
{
    return OpenHandleCall(handle, {root}, [&](Handle& h) -> uint32_t {
        ArvGcFeatureNode* node = Nodes::Find(h.genicam, "Root");
        if (node == nullptr) return MV_E_GC_PROPERTY;
        Nodes::FillNode(*root, node);
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetChildren(void* handle, const MvXmlNode* node, MvXmlNodeList* children)
{
    return OpenHandleCall(handle, {node, children}, [&](Handle& h) -> uint32_t {
        const std::string name = NameOf(*node);
        ArvGcFeatureNode* parent = Nodes::Find(h.genicam, name.c_str());
        if (parent == nullptr) return MV_E_GC_PROPERTY;
        std::memset(children, 0, sizeof *children);
        for (ArvGcFeatureNode* child : Nodes::Children(h.genicam, parent)) {
            Nodes::FillNode(children->stNodes[children->nNodeNum++], child);
        }
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetNodeFeature(void* handle, const MvXmlNode* node, void* feature)
{
    return OpenHandleCall(handle, {node, feature}, [&](Handle& h) -> uint32_t {
        const std::string name = NameOf(*node);
        ArvGcFeatureNode* found = Nodes::Find(h.genicam, name.c_str());
        if (found == nullptr) return MV_E_GC_PROPERTY;
        // The record's size follows the caller's type; filling another type's could overrun it.
        const uint32_t type = Nodes::TypeOf(found);
        if (node->enType != type) return MV_E_PARAMETER;
        switch (type) {
        case IFT_IInteger:
        case IFT_IFloat:
        case IFT_IBoolean:
        case IFT_IString:
        case IFT_IRegister:
        case IFT_IEnumeration:
        case IFT_ICommand:
        case IFT_ICategory:
            Nodes::FillFeature(feature, found, type);
            return MV_OK;
        default:
            return MV_E_SUPPORT;  // no record type for ports and the like
        }
    });
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetNodeAccessMode(void* handle, const char* name, MvXmlAccessMode* mode)
{
    return OpenHandleCall(handle, {name, mode}, [&](Handle& h) -> uint32_t {
        ArvGcFeatureNode* node = Nodes::Find(h.genicam, name);
        if (node == nullptr) return MV_E_GC_PROPERTY;
        *mode = static_cast<MvXmlAccessMode>(Nodes::AccessOf(node));
        return MV_OK;
    });
}

// The backend switches Aravis's register cache off, so nothing is held to drop; the call
// still needs an opened device.
MV_SDK_API int MV_SDK_CALL MV_CC_InvalidateNodes(void* handle)
{
    return OpenHandleCall(handle, {}, [](Handle&) -> uint32_t { return MV_OK; });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetIntValueEx(void* handle, const char* name, MvIntValueEx* value)
{
    return OpenHandleCall(handle, {name, value}, [&](Handle& h) { return Nodes::GetInt(h.genicam, name, *value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetIntValueEx(void* handle, const char* name, int64_t value)
{
    return OpenHandleCall(handle, {name}, [&](Handle& h) { return Nodes::SetInt(h.genicam, name, value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetFloatValue(void* handle, const char* name, MvFloatValue* value)
{
    return OpenHandleCall(handle, {name, value}, [&](Handle& h) {
        double current = 0.0;
        double min = 0.0;
        double max = 0.0;
        const uint32_t status = Nodes::GetFloat(h.genicam, name, current, min, max);
        if (status == MV_OK) {
            // Unbounded nodes (+-DBL_MAX) read as the largest floats, not infinity.
            const auto narrow = [](double v) {
                return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
            };
            std::memset(value, 0, sizeof *value);
            value->fCurValue = narrow(current);
            value->fMin = narrow(min);
            value->fMax = narrow(max);
        }
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetFloatValue(void* handle, const char* name, float value)
{
    return OpenHandleCall(handle, {name},
                          [&](Handle& h) { return Nodes::SetFloat(h.genicam, name, static_cast<double>(value)); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetBoolValue(void* handle, const char* name, int* value)
{
    return OpenHandleCall(handle, {name, value}, [&](Handle& h) {
        bool current = false;
        const uint32_t status = Nodes::GetBool(h.genicam, name, current);
        if (status == MV_OK) *value = current ? 1 : 0;
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBoolValue(void* handle, const char* name, int value)
{
    return OpenHandleCall(handle, {name}, [&](Handle& h) { return Nodes::SetBool(h.genicam, name, value != 0); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetEnumValue(void* handle, const char* name, MvEnumValue* value)
{
    return OpenHandleCall(handle, {name, value}, [&](Handle& h) {
        int64_t current = 0;
        std::vector<int64_t> available;
        const uint32_t status = Nodes::GetEnum(h.genicam, name, current, available);
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
    return OpenHandleCall(handle, {name}, [&](Handle& h) { return Nodes::SetEnum(h.genicam, name, value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetEnumEntrySymbolic(void* handle, const char* name, MvEnumEntry* entry)
{
    return OpenHandleCall(handle, {name, entry}, [&](Handle& h) {
        std::string symbolic;
        const uint32_t status = Nodes::EntrySymbolic(h.genicam, name, entry->nValue, symbolic);
        if (status == MV_OK) Util_2_1::CopyText(entry->chSymbolic, symbolic);
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetEnumValueByString(void* handle, const char* name, const char* value)
{
    return OpenHandleCall(handle, {name, value},
                          [&](Handle& h) { return Nodes::SetEnumSymbolic(h.genicam, name, value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetStringValue(void* handle, const char* name, const char* value)
{
    return OpenHandleCall(handle, {name, value}, [&](Handle& h) { return Nodes::SetString(h.genicam, name, value); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetCommandValue(void* handle, const char* name)
{
    return OpenHandleCall(handle, {name}, [&](Handle& h) { return Nodes::Execute(h.genicam, name); });
}

}  // extern "C"
