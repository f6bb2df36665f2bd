// Nothing may leave the library as a C++ exception: each exported function runs its body
// through Guarded, which turns an escaped exception into a status code.
#pragma once

#include <cstdint>
#include <new>

#include "sdk/MvSdk.h"

namespace CamSim {

constexpr int Status(uint32_t code)
{
    return static_cast<int>(code);
}

template <typename Body>
int Guarded(Body&& body) noexcept
{
    try {
        return Status(body());
    } catch (const std::bad_alloc&) {
        return Status(MV_E_RESOURCE);
    } catch (...) {
        return Status(MV_E_UNKNOWN);
    }
}

}  // namespace CamSim
