// Dotted IPv4 text (util/Text.h): what is accepted formats back to text that is accepted again
// as the same address, and nothing but digits and three dots is ever accepted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "util/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    uint32_t address = 0xDEADBEEF;
    if (!Util_2_1::ParseIpv4(text, address)) {
        if (address != 0xDEADBEEF) std::abort();  // a refused text leaves the result alone
        return 0;
    }
    size_t dots = 0;
    for (char c : text) {
        if (c == '.') {
            ++dots;
        } else if (c < '0' || c > '9') {
            std::abort();
        }
    }
    if (dots != 3) std::abort();
    const std::string formatted = Util_2_1::FormatIpv4(address);
    uint32_t again = 0;
    if (formatted.size() > 15 || !Util_2_1::ParseIpv4(formatted, again) || again != address) std::abort();
    return 0;
}
