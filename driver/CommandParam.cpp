#include "driver/CommandParam.h"

#include <cctype>

namespace {

std::string WithoutWhiteSpace(const std::string& text, size_t from, size_t to)
{
    std::string out;
    for (size_t i = from; i < to && i < text.size(); ++i) {
        if (std::isspace(static_cast<unsigned char>(text[i])) == 0) out += text[i];
    }
    return out;
}

}  // namespace

CommandParam CommandParam::Parse(const std::string& text)
{
    CommandParam p;
    p.cmdSource = text;
    const size_t eq = text.find('=');
    if (eq == std::string::npos) {
        p.cmdName = text;
        return p;
    }
    p.cmdName = text.substr(0, eq);
    const size_t brace = text.find('{', eq + 1);
    if (brace == std::string::npos) {
        p.cmdValue = text.substr(eq + 1);
        return p;
    }
    size_t pos = brace + 1;
    for (;;) {
        const size_t end = text.find_first_of(";}", pos);
        if (end == std::string::npos) {
            p.malformed = true;
            p.problem = "no closing brace";
            break;
        }
        const size_t pairEq = text.find('=', pos);
        if (pairEq == std::string::npos || pairEq > end) {
            // Only an empty entry may lack its "=": "{}" or the blank after a last ";".
            if (!WithoutWhiteSpace(text, pos, end).empty()) {
                p.malformed = true;
                p.problem = "entry without '='";
                break;
            }
        } else {
            std::string key = WithoutWhiteSpace(text, pos, pairEq);
            if (key.empty()) {
                p.malformed = true;
                p.problem = "entry without a name";
                break;
            }
            p.cmdPairs.emplace_back(std::move(key), WithoutWhiteSpace(text, pairEq + 1, end));
        }
        if (text[end] == '}') break;
        pos = end + 1;
    }
    return p;
}

std::string CommandParam::Describe() const
{
    std::string text = "Parsed contents: ";
    for (const auto& pair : cmdPairs) text += " (" + pair.first + " = " + pair.second + ")";
    text += " From source: " + cmdSource;
    return text;
}
