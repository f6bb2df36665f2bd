// Feature files in the simulator's documented text format (docs/simulator.md, "Feature
// files"), so that a file saved by either backend loads into the other's camera of the same
// model:
//
//   # Ornic aravis feature file
//   @model <DeviceModelName>
//   Width = 640
//   Gain[Red] = 2.5          (a selected node: one line per position of its selector)
//
// The nodes are those reachable from Root, in the description's order; only integers, floats,
// booleans, enumerations and strings that are readable and writable at that moment are
// written. The link's own network settings (stream destination, persistent IP) are left out:
// written back on another host they would send the stream elsewhere.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "aravis/Backend.h"
#include "aravis/NodeMap.h"
#include "util/Text.h"

namespace {

using OrnicAravis::Handle;
namespace Nodes = OrnicAravis::Nodes;

constexpr const char* kFirstLine = "# Ornic aravis feature file";
constexpr const char* kModelTag = "@model ";
constexpr int64_t kMaxSelectorPositions = 256;

bool Excluded(const std::string& name)
{
    static const char* const kExcluded[] = {"TLParamsLocked",
                                            "GevSCDA",
                                            "GevSCPHostPort",
                                            "GevMCDA",
                                            "GevMCPHostPort",
                                            "GevPersistentIPAddress",
                                            "GevPersistentSubnetMask",
                                            "GevPersistentDefaultGateway",
                                            "GevCurrentIPConfigurationLLA",
                                            "GevCurrentIPConfigurationDHCP",
                                            "GevCurrentIPConfigurationPersistentIP"};
    for (const char* excluded : kExcluded) {
        if (name == excluded) return true;
    }
    return false;
}

std::string NameOf(ArvGcFeatureNode* node)
{
    const char* name = arv_gc_feature_node_get_name(node);
    return name != nullptr ? name : "";
}

// The value nodes in the description's order, and which selector selects each.
struct Walk {
    std::vector<ArvGcFeatureNode*> nodes;
    std::map<std::string, ArvGcFeatureNode*> selectorOf;
};

void Visit(ArvGc* genicam, ArvGcFeatureNode* category, std::set<std::string>& seen, Walk& walk)
{
    for (const GSList* item = arv_gc_category_get_features(ARV_GC_CATEGORY(category)); item != nullptr;
         item = item->next) {
        ArvGcFeatureNode* node = Nodes::Find(genicam, static_cast<const char*>(item->data));
        if (node == nullptr || !seen.insert(NameOf(node)).second) continue;
        if (ARV_IS_GC_CATEGORY(node)) {
            Visit(genicam, node, seen, walk);
            continue;
        }
        walk.nodes.push_back(node);
        if (ARV_IS_GC_SELECTOR(node) && arv_gc_selector_is_selector(ARV_GC_SELECTOR(node))) {
            for (const GSList* selected = arv_gc_selector_get_selected_features(ARV_GC_SELECTOR(node));
                 selected != nullptr; selected = selected->next) {
                if (ARV_IS_GC_FEATURE_NODE(selected->data)) {
                    walk.selectorOf[NameOf(ARV_GC_FEATURE_NODE(selected->data))] = node;
                }
            }
        }
    }
}

Walk WalkNodes(ArvGc* genicam)
{
    Walk walk;
    std::set<std::string> seen{"Root"};
    if (ArvGcFeatureNode* root = Nodes::Find(genicam, "Root"); root != nullptr && ARV_IS_GC_CATEGORY(root)) {
        Visit(genicam, root, seen, walk);
    }
    return walk;
}

bool Valued(uint32_t type)
{
    return type == IFT_IInteger || type == IFT_IFloat || type == IFT_IBoolean || type == IFT_IEnumeration ||
           type == IFT_IString;
}

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The node's value as the file writes it; false when it cannot be read.
bool ValueText(ArvGc* genicam, ArvGcFeatureNode* node, std::string& text)
{
    const std::string name = NameOf(node);
    switch (Nodes::TypeOf(node)) {
    case IFT_IInteger: {
        MvIntValueEx value{};
        if (Nodes::GetInt(genicam, name.c_str(), value) != MV_OK) return false;
        text = std::to_string(value.nCurValue);
        return true;
    }
    case IFT_IFloat: {
        double value = 0.0;
        double min = 0.0;
        double max = 0.0;
        if (Nodes::GetFloat(genicam, name.c_str(), value, min, max) != MV_OK) return false;
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
        text = buffer;
        return true;
    }
    case IFT_IBoolean: {
        bool value = false;
        if (Nodes::GetBool(genicam, name.c_str(), value) != MV_OK) return false;
        text = value ? "true" : "false";
        return true;
    }
    case IFT_IEnumeration: {
        int64_t value = 0;
        std::vector<int64_t> available;
        if (Nodes::GetEnum(genicam, name.c_str(), value, available) != MV_OK) return false;
        if (Nodes::EntrySymbolic(genicam, name.c_str(), value, text) != MV_OK) text = std::to_string(value);
        return true;
    }
    case IFT_IString: {
        std::string value;
        if (Nodes::GetString(genicam, name.c_str(), value) != MV_OK) return false;
        text = Escape(value);
        return true;
    }
    default:
        return false;
    }
}

// The selector's positions by the name a line gives them: an enumeration's entries, an
// integer's values.
std::vector<std::pair<std::string, int64_t>> Positions(ArvGcFeatureNode* selector)
{
    std::vector<std::pair<std::string, int64_t>> positions;
    if (ARV_IS_GC_ENUMERATION(selector)) {
        for (ArvGcEnumEntry* entry : Nodes::Entries(ARV_GC_ENUMERATION(selector))) {
            GError* error = nullptr;
            const gint64 value = arv_gc_enum_entry_get_value(entry, &error);
            if (error == nullptr) positions.emplace_back(NameOf(ARV_GC_FEATURE_NODE(entry)), value);
            g_clear_error(&error);
        }
    } else if (ARV_IS_GC_INTEGER(selector)) {
        GError* error = nullptr;
        ArvGcInteger* integer = ARV_GC_INTEGER(selector);
        const gint64 min = arv_gc_integer_get_min(integer, &error);
        const gint64 max = arv_gc_integer_get_max(integer, &error);
        gint64 inc = arv_gc_integer_get_inc(integer, &error);
        if (error == nullptr) {
            if (inc < 1) inc = 1;
            for (gint64 v = min; v <= max && static_cast<int64_t>(positions.size()) < kMaxSelectorPositions; v += inc) {
                positions.emplace_back(std::to_string(v), v);
            }
        }
        g_clear_error(&error);
    }
    return positions;
}

uint32_t SelectPosition(ArvGc* genicam, ArvGcFeatureNode* selector, int64_t position)
{
    const std::string name = NameOf(selector);
    return ARV_IS_GC_ENUMERATION(selector) ? Nodes::SetEnum(genicam, name.c_str(), position)
                                           : Nodes::SetInt(genicam, name.c_str(), position);
}

bool CurrentPosition(ArvGcFeatureNode* selector, int64_t& position)
{
    GError* error = nullptr;
    position = ARV_IS_GC_ENUMERATION(selector) ? arv_gc_enumeration_get_int_value(ARV_GC_ENUMERATION(selector), &error)
                                               : arv_gc_integer_get_value(ARV_GC_INTEGER(selector), &error);
    const bool ok = error == nullptr;
    g_clear_error(&error);
    return ok;
}

std::string FileText(ArvGc* genicam)
{
    std::string model;
    (void)Nodes::GetString(genicam, "DeviceModelName", model);
    std::string text = std::string(kFirstLine) + "\n" + kModelTag + model + "\n";
    const Walk walk = WalkNodes(genicam);
    for (ArvGcFeatureNode* node : walk.nodes) {
        const std::string name = NameOf(node);
        if (!Valued(Nodes::TypeOf(node)) || Excluded(name)) continue;
        const auto selected = walk.selectorOf.find(name);
        if (selected == walk.selectorOf.end()) {
            std::string value;
            if (Nodes::AccessOf(node) == AM_RW && ValueText(genicam, node, value)) text += name + " = " + value + "\n";
            continue;
        }
        ArvGcFeatureNode* selector = selected->second;
        int64_t before = 0;
        if (!CurrentPosition(selector, before)) continue;
        for (const auto& position : Positions(selector)) {
            std::string value;
            if (SelectPosition(genicam, selector, position.second) == MV_OK && Nodes::AccessOf(node) == AM_RW &&
                ValueText(genicam, node, value)) {
                text += name + "[" + position.first + "] = " + value + "\n";
            }
        }
        (void)SelectPosition(genicam, selector, before);
    }
    return text;
}

uint32_t WriteValue(ArvGc* genicam, ArvGcFeatureNode* node, const std::string& raw)
{
    const std::string name = NameOf(node);
    const std::string text = Util_2_1::Trim(raw);
    char* end = nullptr;
    switch (Nodes::TypeOf(node)) {
    case IFT_IInteger: {
        const long long value = std::strtoll(text.c_str(), &end, 0);
        return end != text.c_str() && *end == '\0' ? Nodes::SetInt(genicam, name.c_str(), value) : MV_E_PARAMETER;
    }
    case IFT_IFloat: {
        const double value = std::strtod(text.c_str(), &end);
        return end != text.c_str() && *end == '\0' ? Nodes::SetFloat(genicam, name.c_str(), value) : MV_E_PARAMETER;
    }
    case IFT_IBoolean:
        if (text == "true" || text == "1") return Nodes::SetBool(genicam, name.c_str(), true);
        if (text == "false" || text == "0") return Nodes::SetBool(genicam, name.c_str(), false);
        return MV_E_PARAMETER;
    case IFT_IEnumeration:
        return Nodes::SetEnumSymbolic(genicam, name.c_str(), text.c_str());
    case IFT_IString:
        return Nodes::SetString(genicam, name.c_str(), Unescape(raw).c_str());
    default:
        return MV_E_GC_ACCESS;  // commands, registers and categories hold no value to load
    }
}

uint32_t ApplyLine(ArvGc* genicam, const Walk& walk, const std::string& line)
{
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return MV_E_PARAMETER;
    std::string name = Util_2_1::Trim(std::string_view(line).substr(0, equals));
    // Strings keep their blanks: the value is everything after "= ".
    std::string raw = line.substr(equals + 1);
    if (!raw.empty() && raw.front() == ' ') raw.erase(0, 1);
    std::string entry;
    if (const size_t open = name.find('['); open != std::string::npos && !name.empty() && name.back() == ']') {
        entry = name.substr(open + 1, name.size() - open - 2);
        name = name.substr(0, open);
    }
    ArvGcFeatureNode* node = Nodes::Find(genicam, name.c_str());
    if (node == nullptr) return MV_E_GC_PROPERTY;
    if (entry.empty()) return WriteValue(genicam, node, raw);
    // A selected value: select its position, write, then put the selector back as it was.
    const auto selected = walk.selectorOf.find(name);
    if (selected == walk.selectorOf.end()) return MV_E_GC_ARGUMENT;
    ArvGcFeatureNode* selector = selected->second;
    int64_t position = 0;
    bool known = false;
    for (const auto& candidate : Positions(selector)) {
        if (candidate.first == entry) {
            position = candidate.second;
            known = true;
        }
    }
    if (!known) return MV_E_GC_ARGUMENT;
    int64_t before = 0;
    const bool restore = CurrentPosition(selector, before);
    uint32_t status = SelectPosition(genicam, selector, position);
    if (status == MV_OK) status = WriteValue(genicam, node, raw);
    if (restore) (void)SelectPosition(genicam, selector, before);
    return status;
}

uint32_t Load(ArvGc* genicam, const char* fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return MV_E_OPENFILE;
    std::string model;
    bool tagged = false;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        if (!tagged) {
            if (line.compare(0, std::char_traits<char>::length(kModelTag), kModelTag) != 0) return MV_E_PARAMETER;
            model = line.substr(std::char_traits<char>::length(kModelTag));
            tagged = true;
            continue;
        }
        lines.push_back(line);
    }
    if (!tagged) return MV_E_PARAMETER;
    std::string camera;
    (void)Nodes::GetString(genicam, "DeviceModelName", camera);
    if (model != camera) return MV_E_VERSION;
    const Walk walk = WalkNodes(genicam);
    // A later line can make an earlier one possible (binning before width): failed lines get
    // further passes while a pass makes progress.
    std::vector<std::string> pending = std::move(lines);
    for (;;) {
        std::vector<std::string> failed;
        uint32_t firstFailure = MV_OK;
        for (const std::string& entry : pending) {
            const uint32_t status = ApplyLine(genicam, walk, entry);
            if (status != MV_OK) {
                failed.push_back(entry);
                if (firstFailure == MV_OK) firstFailure = status;
            }
        }
        if (failed.empty() || failed.size() == pending.size()) return firstFailure;
        pending = std::move(failed);
    }
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_FeatureSave(void* handle, const char* fileName)
{
    return OrnicAravis::OpenHandleCall(handle, {fileName}, [&](Handle& h) -> uint32_t {
        if (*fileName == '\0') return MV_E_PARAMETER;
        const std::string text = FileText(h.genicam);
        std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
        if (!out) return MV_E_OPENFILE;
        out << text;
        out.flush();
        return out ? MV_OK : MV_E_OPENFILE;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_FeatureLoad(void* handle, const char* fileName)
{
    return OrnicAravis::OpenHandleCall(handle, {fileName}, [&](Handle& h) -> uint32_t {
        if (*fileName == '\0') return MV_E_PARAMETER;
        return Load(h.genicam, fileName);
    });
}

}  // extern "C"
