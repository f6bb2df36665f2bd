// Small helpers around the SDK's fixed-size node records, shared by the parameter model's
// source files.
#pragma once

#include <cstring>
#include <string>

#include "sdk/MvSdk.h"
#include "sdk/MvStatus.h"
#include "util/Text.h"

namespace NodeRecords {

// Every feature record starts with MvXmlFeatureBase, so the access mode can be read through
// `base` whatever the node's type.
union FeatureRecord {
    MvXmlFeatureBase base;
    MvXmlFeatureInteger integer;
    MvXmlFeatureBoolean boolean;
    MvXmlFeatureCommand command;
    MvXmlFeatureFloat real;
    MvXmlFeatureString string;
    MvXmlFeatureRegister reg;
    MvXmlFeatureCategory category;
    MvXmlFeatureEnumeration enumeration;
};

// A fixed-length text field as a string; the field need not be terminated.
template <size_t N>
std::string Text(const char (&field)[N])
{
    size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
}

inline std::string NameOf(const MvXmlNode& node)
{
    return Text(node.strName);
}

// A node record that names `name` with type `type`; the SDK finds nodes by name.
inline MvXmlNode MakeNode(const std::string& name, uint32_t type)
{
    MvXmlNode node;
    std::memset(&node, 0, sizeof node);
    node.enType = type;
    Util_2_1::CopyText(node.strName, name);
    return node;
}

// Zeroes the record first, so a failed call leaves no stale values behind.
inline MvStatus FetchFeature(void* handle, const MvXmlNode& node, FeatureRecord& record)
{
    std::memset(&record, 0, sizeof record);
    return MvStatus(MV_XML_GetNodeFeature(handle, &node, &record));
}

// The same for the node that `name` names, of type `type`.
inline MvStatus FetchFeature(void* handle, const std::string& name, uint32_t type, FeatureRecord& record)
{
    return FetchFeature(handle, MakeNode(name, type), record);
}

// The access mode of a record of the node's type; other node types read as not implemented.
inline uint32_t AccessOf(const FeatureRecord& record, uint32_t type)
{
    switch (type) {
    case IFT_IInteger:
    case IFT_IBoolean:
    case IFT_ICommand:
    case IFT_IFloat:
    case IFT_IString:
    case IFT_IEnumeration:
        return record.base.enAccessMode;
    default:
        return AM_NI;
    }
}

// "NI", "NA", "WO", "RO", "RW", "Undef" for the access modes 0 to 5, "??" for any other value.
inline const char* AccessText(uint32_t mode)
{
    static const char* const texts[] = {"NI", "NA", "WO", "RO", "RW", "Undef"};
    static_assert(AM_NI == 0 && AM_NA == 1 && AM_WO == 2 && AM_RO == 3 && AM_RW == 4 && AM_Undefined == 5,
                  "the texts stand in the order of the access modes");
    return mode < sizeof texts / sizeof texts[0] ? texts[mode] : "??";
}

}  // namespace NodeRecords
