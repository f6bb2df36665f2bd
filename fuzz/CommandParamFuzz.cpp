// The execCmd parameter parser on arbitrary text: it never throws or crashes, keeps the text
// it was given, and a brace list it accepts has no empty key and no white space in its pairs.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "driver/CommandParam.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CommandParam p = CommandParam::Parse(text);
    if (p.cmdSource != text) std::abort();
    if (!p.malformed) {
        for (const auto& pair : p.cmdPairs) {
            if (pair.first.empty()) std::abort();
            for (char c : pair.first + pair.second) {
                if (std::isspace(static_cast<unsigned char>(c))) std::abort();
            }
        }
    }
    (void)p.Describe();
    return 0;
}
