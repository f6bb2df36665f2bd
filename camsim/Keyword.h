// Keywords of the simulator's text formats (device configuration, model text) compare
// without case, '_' or '-': "Bayer_RG", "bayer-rg" and "BAYERRG" are all "bayerrg".
#pragma once

#include <string>
#include <string_view>

#include "util/Text.h"

namespace CamSim {

// The keyword's comparison form: ASCII letters lowered, '_' and '-' dropped.
inline std::string Keyword(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c != '_' && c != '-') {
            out.push_back(Util_2_1::LowerAscii(c));
        }
    }
    return out;
}

}  // namespace CamSim
