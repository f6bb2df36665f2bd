// The feature file format (MV_CC_FeatureSave, MV_CC_FeatureLoad):
//
//   # Ornic camsim feature file
//   @model SIM-GM130
//   Width = 1280
//   BalanceRatio[Red] = 1536
//
// The @model line names the DeviceModelName the file was saved from; loading into another
// model is refused before anything changes. docs/simulator.md describes the values.
#include "camsim/FeatureFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "util/Text.h"

namespace CamSim {

namespace {

constexpr const char* kFirstLine = "# Ornic camsim feature file";
constexpr const char* kModelTag = "@model ";

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
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ValueText(const NodeDesc& node, const NodeMap::Value& value)
{
    switch (node.kind) {
    case NodeKind::Integer:
        return std::to_string(value.i);
    case NodeKind::Float: {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", value.f);
        return text;
    }
    case NodeKind::Boolean:
        return value.i != 0 ? "true" : "false";
    case NodeKind::Enumeration: {
        const EnumEntryDesc* entry = node.FindEntry(value.i);
        return entry != nullptr ? entry->symbolic : std::to_string(value.i);
    }
    case NodeKind::String:
        return Escape(value.s);
    default:
        return std::string();
    }
}

// One "Name = value" line per node that is readable and writable now (selected nodes once
// per selector entry, as "Name[Entry] = value"), in model order.
std::string ValueLines(const NodeMap& nodes)
{
    const Model& model = nodes.GetModel();
    std::string text;
    for (const NodeDesc& node : model.Nodes()) {
        const bool valued = node.kind == NodeKind::Integer || node.kind == NodeKind::Float ||
                            node.kind == NodeKind::Boolean || node.kind == NodeKind::Enumeration ||
                            node.kind == NodeKind::String;
        if (!valued || nodes.AccessOf(node) != AM_RW) {
            continue;
        }
        const NodeDesc* selector = node.selector.empty() ? nullptr : model.Find(node.selector);
        if (selector == nullptr) {
            text += node.name + " = " + ValueText(node, nodes.Read(node)) + "\n";
            continue;
        }
        // One line per selector position: an enumeration's entries by name, an integer's values.
        std::vector<std::pair<int64_t, std::string>> positions;
        if (selector->kind == NodeKind::Integer) {
            for (int64_t v = selector->intMin; v <= selector->intMax; v += std::max<int64_t>(selector->intInc, 1)) {
                positions.emplace_back(v, std::to_string(v));
            }
        } else {
            for (const EnumEntryDesc& entry : selector->entries) positions.emplace_back(entry.value, entry.symbolic);
        }
        for (const auto& position : positions) {
            text +=
                node.name + "[" + position.second + "] = " + ValueText(node, nodes.ReadAt(node, position.first)) + "\n";
        }
    }
    return text;
}

uint32_t ApplyLine(NodeMap& nodes, const std::string& line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return MV_E_PARAMETER;
    }
    std::string name = Util_2_1::Trim(std::string_view(line).substr(0, equals));
    // Strings keep their blanks: the value is everything after "= ".
    std::string raw = line.substr(equals + 1);
    if (!raw.empty() && raw.front() == ' ') {
        raw.erase(0, 1);
    }
    const std::string text = Util_2_1::Trim(raw);
    std::string entryName;
    if (const std::size_t open = name.find('['); open != std::string::npos && name.back() == ']') {
        entryName = name.substr(open + 1, name.size() - open - 2);
        name = name.substr(0, open);
    }
    const Model& model = nodes.GetModel();
    const NodeDesc* node = model.Find(name);
    if (node == nullptr) {
        return MV_E_GC_PROPERTY;
    }
    // A selected value: select its entry, write, then put the selector back as it was.
    const NodeDesc* selector = nullptr;
    int64_t selectedBefore = 0;
    if (!entryName.empty()) {
        selector = node->selector.empty() ? nullptr : model.Find(node->selector);
        int64_t position = 0;
        if (selector != nullptr && selector->kind == NodeKind::Integer) {
            char* positionEnd = nullptr;
            position = std::strtoll(entryName.c_str(), &positionEnd, 10);
            if (positionEnd == entryName.c_str() || *positionEnd != '\0' || position < selector->intMin ||
                position > selector->intMax) {
                return MV_E_GC_ARGUMENT;
            }
        } else {
            const EnumEntryDesc* entry = selector != nullptr ? selector->FindEntry(entryName) : nullptr;
            if (entry == nullptr) {
                return MV_E_GC_ARGUMENT;
            }
            position = entry->value;
        }
        selectedBefore = nodes.RawInt(*selector);
        nodes.Write(*selector).i = position;
    }
    uint32_t status = MV_E_PARAMETER;
    char* end = nullptr;
    switch (node->kind) {
    case NodeKind::Integer: {
        const long long value = std::strtoll(text.c_str(), &end, 0);
        status = end != text.c_str() && *end == '\0' ? nodes.SetInt(name, value) : MV_E_PARAMETER;
        break;
    }
    case NodeKind::Float: {
        const double value = std::strtod(text.c_str(), &end);
        status = end != text.c_str() && *end == '\0' ? nodes.SetFloat(name, value) : MV_E_PARAMETER;
        break;
    }
    case NodeKind::Boolean:
        status = text == "true" || text == "1"    ? nodes.SetBool(name, true)
                 : text == "false" || text == "0" ? nodes.SetBool(name, false)
                                                  : MV_E_PARAMETER;
        break;
    case NodeKind::Enumeration:
        status = nodes.SetEnumSymbolic(name, text);
        break;
    case NodeKind::String:
        status = nodes.SetString(name, Unescape(raw));
        break;
    default:
        status = MV_E_GC_ACCESS;  // commands, registers and categories hold no value to load
        break;
    }
    if (selector != nullptr) {
        nodes.Write(*selector).i = selectedBefore;
    }
    return status;
}

}  // namespace

std::string FeatureFileText(const NodeMap& nodes)
{
    return std::string(kFirstLine) + "\n" + kModelTag + nodes.TextValueOf("DeviceModelName") + "\n" + ValueLines(nodes);
}

uint32_t ReadFeatureFile(std::istream& in, FeatureFile& file)
{
    file = FeatureFile{};
    bool tagged = false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (!tagged) {
            if (line.compare(0, std::char_traits<char>::length(kModelTag), kModelTag) != 0) {
                return MV_E_PARAMETER;  // not a feature file
            }
            file.model = line.substr(std::char_traits<char>::length(kModelTag));
            tagged = true;
            continue;
        }
        file.lines.push_back(line);
    }
    return tagged ? MV_OK : MV_E_PARAMETER;
}

uint32_t ApplyFeatureFile(NodeMap& nodes, const FeatureFile& file)
{
    if (file.model != nodes.TextValueOf("DeviceModelName")) {
        return MV_E_VERSION;
    }
    std::vector<std::string> pending = file.lines;
    uint32_t firstFailure = MV_OK;
    // A later line can make an earlier one possible (binning before width, an enable before
    // its value): failed lines get further passes while any pass makes progress.
    for (;;) {
        std::vector<std::string> failed;
        firstFailure = MV_OK;
        for (const std::string& line : pending) {
            const uint32_t status = ApplyLine(nodes, line);
            if (status != MV_OK) {
                failed.push_back(line);
                if (firstFailure == MV_OK) {
                    firstFailure = status;
                }
            }
        }
        if (failed.empty() || failed.size() == pending.size()) {
            return firstFailure;
        }
        pending = std::move(failed);
    }
}

}  // namespace CamSim
