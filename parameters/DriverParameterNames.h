// Names of the parameters the driver adds inside camera categories; the tree creates them and
// the reading and writing code recognises them by these lists.
#pragma once

#include <cstddef>
#include <string>

#include "util/AllParametersList.h"

namespace DriverParameterNames {

constexpr const char* kBalanceRatios[] = {"BalanceRatioRed", "BalanceRatioGreen", "BalanceRatioBlue"};
constexpr const char* kHdrShutters[] = {"HDR_Shutter0", "HDR_Shutter1", "HDR_Shutter2", "HDR_Shutter3"};
constexpr const char* kHdrGains[] = {"HDR_Gain0", "HDR_Gain1", "HDR_Gain2", "HDR_Gain3"};
// Row-major: element rc of the camera's matrix.
constexpr const char* kCcmElements[] = {"ccm_00", "ccm_01", "ccm_02", "ccm_10", "ccm_11",
                                        "ccm_12", "ccm_20", "ccm_21", "ccm_22"};

// Shown read-only whatever the camera says: a wrong write makes the camera unreachable.
constexpr const char* kPersistentIpNodes[] = {"GevPersistentSubnetMask", "GevPersistentIPAddress",
                                              "GevPersistentDefaultGateway"};

template <size_t N>
bool IsOneOf(const std::string& name, const char* const (&list)[N])
{
    for (const char* item : list) {
        if (Util_2_1::EqualsNoCase(name, item)) return true;
    }
    return false;
}

}  // namespace DriverParameterNames
