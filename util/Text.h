// Small text helpers shared by every layer and by the simulated SDK: ASCII case-insensitive
// comparison, trimming, dotted IPv4 text and copying into fixed-size character fields.
// Header-only and free of state, so any thread may call them and no library needs linking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace Util_2_1 {

// Names from the host and the camera compare without regard to case; only ASCII letters
// fold, so the result never depends on the process locale.
constexpr char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// Null-safe form for C strings from the host: a null name equals nothing.
inline bool EqualsNoCase(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr) return false;
    return EqualsNoCase(std::string_view(a), std::string_view(b));
}

inline bool LessNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

// Ordering for maps keyed by names that compare without regard to case.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return LessNoCase(a, b); }
};

// Blanks and tabs at both ends go; `blanks` widens the set (for example with line ends).
inline std::string_view TrimView(std::string_view text, std::string_view blanks = " \t")
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

inline std::string Trim(std::string_view text, std::string_view blanks = " \t")
{
    return std::string(TrimView(text, blanks));
}

// Four dotted decimal octets of one to three digits each, nothing before or after.
inline bool ParseIpv4(std::string_view text, uint32_t& address)
{
    uint32_t result = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (text.empty() || text[0] != '.') return false;
            text.remove_prefix(1);
        }
        std::size_t digits = 0;
        uint32_t octet = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
            octet = octet * 10 + static_cast<uint32_t>(text[digits] - '0');
            if (++digits > 3) return false;
        }
        if (digits == 0 || octet > 255) return false;
        text.remove_prefix(digits);
        result = (result << 8) | octet;
    }
    if (!text.empty()) return false;
    address = result;
    return true;
}

inline std::string FormatIpv4(uint32_t address)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (shift != 24) text += '.';
        text += std::to_string((address >> shift) & 0xFFu);
    }
    return text;
}

// Copies as much as fits and always terminates; the rest of the field is cleared, so no
// stale bytes follow the text.
template <std::size_t N>
void CopyText(char (&target)[N], std::string_view text)
{
    static_assert(N > 0, "a field needs room for the terminator");
    const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(target, text.data(), length);
    std::memset(target + length, 0, N - length);
}

}  // namespace Util_2_1
