// A model written as text, one builder call per line, so that a test on the far side of the
// control interface (plain C only) can give a camera exactly the nodes it needs.
// docs/simulator.md lists the lines.
#include "camsim/ModelText.h"

#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

#include "camsim/Keyword.h"

namespace CamSim {

namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        }
        const std::size_t start = at;
        while (at < line.size() && !std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        }
        if (at > start) {
            words.push_back(line.substr(start, at - start));
        }
    }
    return words;
}

// The text after the first `count` words, blanks around it dropped.
std::string Rest(const std::string& line, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        }
        while (at < line.size() && !std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        }
    }
    return Util_2_1::Trim(std::string_view(line).substr(at), " \t\r");
}

bool Integer(const std::string& word, int64_t& value)
{
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtoll(word.c_str(), &end, 0);
    return *end == '\0';
}

bool Real(const std::string& word, double& value)
{
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return *end == '\0';
}

// A raw access mode in decimal, as a broken camera description may hold; Build checks the range.
bool RawAccess(const std::string& word, uint32_t& value)
{
    if (word.empty() || word.size() > 9 || word.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = static_cast<uint32_t>(std::strtoul(word.c_str(), nullptr, 10));
    return true;
}

bool Choice(const std::string& word, const std::map<std::string, uint32_t>& choices, uint32_t& value)
{
    const auto found = choices.find(Keyword(word));
    if (found == choices.end()) {
        return false;
    }
    value = found->second;
    return true;
}

// One line into builder calls; false with a reason.
bool ApplyLine(ModelBuilder& b, const std::string& line, bool& haveNode, std::string& reason)
{
    const std::vector<std::string> w = Words(line);
    const std::string key = Keyword(w[0]);
    // Exactly `count` values, or at least that many for the lines that end in free text: a
    // word too many is as likely a lost line break as a slip, and is refused.
    auto need = [&](std::size_t count, bool orMore = false) {
        if (w.size() < count + 1) {
            reason = "'" + w[0] + "' needs " + std::to_string(count) + " values";
            return false;
        }
        if (!orMore && w.size() > count + 1) {
            reason = "'" + w[0] + "' takes " + std::to_string(count) + " values, not " + std::to_string(w.size() - 1);
            return false;
        }
        return true;
    };
    int64_t i[4] = {};
    double f[3] = {};

    // Nodes.
    if (key == "category" || key == "subcategory") {
        if (!need(1)) {
            return false;
        }
        key == "category" ? b.Category(w[1]) : b.SubCategory(w[1]);
    } else if (key == "end") {
        if (!need(0)) {
            return false;
        }
        b.EndCategory();
        return true;
    } else if (key == "reference") {
        if (!need(1)) {
            return false;
        }
        b.Reference(w[1]);
        return true;  // not a node: the modifiers below still go to the node above
    } else if (key == "integer") {
        if (!need(5) || !Integer(w[2], i[0]) || !Integer(w[3], i[1]) || !Integer(w[4], i[2]) || !Integer(w[5], i[3])) {
            reason = reason.empty() ? "integer NAME MIN MAX INC VALUE expected" : reason;
            return false;
        }
        b.Integer(w[1], i[0], i[1], i[2], i[3]);
    } else if (key == "float") {
        if (!need(4) || !Real(w[2], f[0]) || !Real(w[3], f[1]) || !Real(w[4], f[2])) {
            reason = reason.empty() ? "float NAME MIN MAX VALUE expected" : reason;
            return false;
        }
        b.Float(w[1], f[0], f[1], f[2]);
    } else if (key == "boolean") {
        if (!need(2) || (Keyword(w[2]) != "true" && Keyword(w[2]) != "false")) {
            reason = reason.empty() ? "boolean NAME true|false expected" : reason;
            return false;
        }
        b.Boolean(w[1], Keyword(w[2]) == "true");
    } else if (key == "command") {
        if (!need(1)) {
            return false;
        }
        b.Command(w[1]);
    } else if (key == "string") {
        if (!need(2, true) || !Integer(w[2], i[0]) || i[0] <= 0 || i[0] > 0xFFFF) {
            reason = reason.empty() ? "string NAME MAXLENGTH [VALUE] expected" : reason;
            return false;
        }
        b.String(w[1], Rest(line, 3), static_cast<uint32_t>(i[0]));
    } else if (key == "enumeration") {
        if (!need(3, true)) {
            return false;
        }
        std::vector<EnumEntryDesc> entries;
        for (std::size_t n = 3; n < w.size(); ++n) {
            const auto equals = w[n].find('=');
            EnumEntryDesc entry;
            if (equals == std::string::npos || !Integer(w[n].substr(equals + 1), entry.value)) {
                reason = "enumeration entry '" + w[n] + "' is not SYMBOL=VALUE";
                return false;
            }
            entry.symbolic = w[n].substr(0, equals);
            entries.push_back(entry);
        }
        b.Enumeration(w[1], entries, w[2]);
    } else if (key == "register") {
        if (!need(3) || !Integer(w[2], i[0]) || !Integer(w[3], i[1])) {
            reason = reason.empty() ? "register NAME ADDRESS LENGTH expected" : reason;
            return false;
        }
        b.Register(w[1], i[0], i[1]);
    } else {
        // Modifiers of the node above.
        if (!haveNode) {
            reason = "'" + w[0] + "' is not a node kind, and there is no node above it to modify";
            return false;
        }
        static const std::map<std::string, uint32_t> visibilities = {
            {"beginner", V_Beginner}, {"expert", V_Expert}, {"guru", V_Guru}, {"invisible", V_Invisible}};
        static const std::map<std::string, uint32_t> accesses = {
            {"ni", AM_NI}, {"na", AM_NA}, {"wo", AM_WO}, {"ro", AM_RO}, {"rw", AM_RW}, {"undefined", AM_Undefined}};
        uint32_t choice = 0;
        if (key == "display" || key == "description" || key == "tooltip" || key == "unit") {
            const std::string text = Rest(line, 1);
            key == "display"       ? b.Display(text)
            : key == "description" ? b.Description(text)
            : key == "tooltip"     ? b.ToolTip(text)
                                   : b.Unit(text);
        } else if (key == "visibility" && need(1) && Choice(w[1], visibilities, choice)) {
            b.Visibility(choice);
        } else if (key == "access" && need(1) && (Choice(w[1], accesses, choice) || RawAccess(w[1], choice))) {
            b.Access(choice);
        } else if (key == "increment" && need(1) && Real(w[1], f[0])) {
            b.Increment(f[0]);
        } else if (key == "hex" && need(0)) {
            b.Hexadecimal();
        } else if (key == "ip" && need(0)) {
            b.IpAddress();
        } else if (key == "selectedby" && need(1)) {
            b.SelectedBy(w[1]);
        } else if (key == "writablewhen" && need(2)) {
            b.WritableWhen(w[1], w[2]);
        } else if (key == "availablewhen" && need(2)) {
            b.AvailableWhen(w[1], w[2]);
        } else if (key == "availableunless" && need(2)) {
            b.AvailableUnless(w[1], w[2]);
        } else if (key == "lockedwhileacquiring" && need(0)) {
            b.LockedWhileAcquiring();
        } else {
            reason = reason.empty() ? "unknown or incomplete line '" + w[0] + "'" : reason;
            return false;
        }
        return true;
    }
    haveNode = true;
    return true;
}

}  // namespace

std::shared_ptr<const Model> ParseModelText(const std::string& text, std::string& problem)
{
    ModelBuilder builder;
    bool haveNode = false;
    unsigned lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        ++lineNumber;
        std::string line = text.substr(start, end - start);
        start = end + 1;
        line = line.substr(0, line.find('#'));
        std::size_t partStart = 0;
        while (partStart <= line.size()) {
            std::size_t partEnd = line.find(';', partStart);
            if (partEnd == std::string::npos) {
                partEnd = line.size();
            }
            const std::string part = line.substr(partStart, partEnd - partStart);
            partStart = partEnd + 1;
            if (Words(part).empty()) {
                continue;
            }
            std::string reason;
            if (!ApplyLine(builder, part, haveNode, reason)) {
                problem = "line " + std::to_string(lineNumber) + ": " + reason;
                return nullptr;
            }
        }
    }
    return builder.Build(problem);
}

}  // namespace CamSim
