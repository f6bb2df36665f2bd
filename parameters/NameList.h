// A fixed list of node or parameter names, looked up without regard to case as every name in
// the parameter model is; a name's index is its place in the list.
#pragma once

#include <cstddef>
#include <string_view>

#include "util/Text.h"

class NameList {
public:
    constexpr NameList() = default;
    template <std::size_t N>
    constexpr NameList(const char* const (&list)[N]) : names(list), count(N)
    {}

    const char* const* begin() const { return names; }
    const char* const* end() const { return names + count; }
    std::size_t size() const { return count; }
    const char* operator[](std::size_t index) const { return names[index]; }

    // The name's place in the list; -1 when it is not in it.
    int IndexOf(std::string_view name) const
    {
        for (std::size_t i = 0; i < count; ++i) {
            if (Util_2_1::EqualsNoCase(name, names[i])) return static_cast<int>(i);
        }
        return -1;
    }
    bool Contains(std::string_view name) const { return IndexOf(name) >= 0; }

private:
    const char* const* names = nullptr;
    std::size_t count = 0;
};
