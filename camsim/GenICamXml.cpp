// The camera description file a driver may ask for: the same tree as the node map, written
// in the GenICam XML layout. Values are the power-up values; the live ones are in the nodes.
#include "camsim/GenICamXml.h"

#include <cinttypes>
#include <cstdio>

namespace CamSim {

namespace {

std::string Escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::string Number(int64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64, value);
    return text;
}

std::string Number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

const char* ElementName(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Integer:
        return "Integer";
    case NodeKind::Float:
        return "Float";
    case NodeKind::Boolean:
        return "Boolean";
    case NodeKind::Command:
        return "Command";
    case NodeKind::String:
        return "String";
    case NodeKind::Enumeration:
        return "Enumeration";
    case NodeKind::Register:
        return "Register";
    case NodeKind::Category:
        return "Category";
    }
    return "Node";
}

const char* VisibilityName(uint32_t visibility)
{
    switch (visibility) {
    case V_Expert:
        return "Expert";
    case V_Guru:
        return "Guru";
    case V_Invisible:
        return "Invisible";
    default:
        return "Beginner";
    }
}

// A mode no schema names (a broken description) is written as it is, number and all.
std::string AccessName(uint32_t access)
{
    switch (access) {
    case AM_NI:
        return "NI";
    case AM_NA:
        return "NA";
    case AM_WO:
        return "WO";
    case AM_RO:
        return "RO";
    case AM_RW:
        return "RW";
    case AM_Undefined:
        return "Undefined";
    default:
        return std::to_string(access);
    }
}

void Element(std::string& out, const char* name, const std::string& text, const char* indent = "    ")
{
    out += indent;
    out += '<';
    out += name;
    out += '>';
    out += Escaped(text);
    out += "</";
    out += name;
    out += ">\n";
}

}  // namespace

std::string BuildGenICamXml(const Model& model, const std::string& modelName)
{
    std::string out =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<RegisterDescription ModelName=\"" +
        Escaped(modelName) +
        "\" VendorName=\"Ornic Sim\" StandardNameSpace=\"None\" SchemaMajorVersion=\"1\" "
        "SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" "
        "SubMinorVersion=\"0\" xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n";
    std::map<std::string, std::vector<std::string>> selected;  // selector -> the nodes it selects
    for (const NodeDesc& node : model.Nodes()) {
        if (!node.selector.empty()) {
            selected[node.selector].push_back(node.name);
        }
    }
    for (const NodeDesc& node : model.Nodes()) {
        const char* element = ElementName(node.kind);
        out += "  <";
        out += element;
        out += " Name=\"" + Escaped(node.name) + "\" NameSpace=\"Standard\">\n";
        if (!node.toolTip.empty()) {
            Element(out, "ToolTip", node.toolTip);
        }
        if (!node.description.empty()) {
            Element(out, "Description", node.description);
        }
        Element(out, "DisplayName", node.displayName);
        Element(out, "Visibility", VisibilityName(node.visibility));
        if (node.kind != NodeKind::Category) {
            Element(out, "ImposedAccessMode", AccessName(node.access));
        }
        for (const std::string& name : selected[node.name]) {
            Element(out, "pSelected", name);
        }
        switch (node.kind) {
        case NodeKind::Category:
            for (const std::string& child : node.children) {
                Element(out, "pFeature", child);
            }
            break;
        case NodeKind::Integer:
            Element(out, "Value", Number(node.intValue));
            Element(out, "Min", Number(node.intMin));
            Element(out, "Max", Number(node.intMax));
            Element(out, "Inc", Number(node.intInc));
            Element(out, "Representation",
                    node.representation == IntRepresentation::IpAddress     ? "IPV4Address"
                    : node.representation == IntRepresentation::Hexadecimal ? "HexNumber"
                                                                            : "Linear");
            break;
        case NodeKind::Float:
            Element(out, "Value", Number(node.floatValue));
            Element(out, "Min", Number(node.floatMin));
            Element(out, "Max", Number(node.floatMax));
            if (node.floatInc > 0.0) {
                Element(out, "Inc", Number(node.floatInc));
            }
            if (!node.unit.empty()) {
                Element(out, "Unit", node.unit);
            }
            break;
        case NodeKind::Boolean:
            Element(out, "Value", node.intValue != 0 ? "true" : "false");
            break;
        case NodeKind::Command:
            Element(out, "Value", "0");
            Element(out, "CommandValue", "1");
            break;
        case NodeKind::String:
            Element(out, "Value", node.stringValue);
            break;
        case NodeKind::Enumeration:
            for (const EnumEntryDesc& entry : node.entries) {
                out += "    <EnumEntry Name=\"" + Escaped(entry.symbolic) + "\">\n";
                Element(out, "Value", Number(entry.value), "      ");
                out += "    </EnumEntry>\n";
            }
            Element(out, "Value", Number(node.intValue));
            break;
        case NodeKind::Register:
            Element(out, "Address", Number(node.address));
            Element(out, "Length", Number(node.length));
            Element(out, "AccessMode", AccessName(node.access));
            Element(out, "pPort", "Device");
            break;
        }
        out += "  </";
        out += element;
        out += ">\n";
    }
    out += "  <Port Name=\"Device\" NameSpace=\"Standard\"/>\n</RegisterDescription>\n";
    return out;
}

}  // namespace CamSim
