// The driver's version text, set in one place: the project VERSION in the top-level
// CMakeLists.txt, handed to the compiler as ORNIC_VERSION.
#pragma once

namespace Util_2_1 {
constexpr const char kDriverVersion[] = ORNIC_VERSION;
}
