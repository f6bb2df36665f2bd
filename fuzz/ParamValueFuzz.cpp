// ParamValue (util/Param.h) from arbitrary text, with any precision and the hexadecimal flag:
// the text is kept, and the number texts made from the views read back as those numbers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "util/Param.h"
#include "util/Text.h"

using Util_2_1::ParamValue;

namespace {

// The value a text reads back as.
ParamValue Read(const std::string& text)
{
    ParamValue v;
    v.SetText(text);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // First byte: the hexadecimal flag and a precision from -1 to 62 (beyond the largest used).
    ParamValue v;
    v.hex = (data[0] & 0x80) != 0;
    v.precision = static_cast<int32_t>(data[0] & 0x3F) - 1;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    v.SetText(text);
    const bool isBool = Util_2_1::EqualsNoCase(text, "true") || Util_2_1::EqualsNoCase(text, "false");
    if (isBool ? (v.text != "true" && v.text != "false") : v.text != text) std::abort();

    // Integer texts, decimal and hexadecimal, read back as the integer (the hexadecimal form of
    // a negative value is its bit pattern, so only non-negative values compare).
    if (Read(ParamValue::IntegerText(v.i64, false)).i64 != v.i64) std::abort();
    if (v.i64 >= 0 && Read(ParamValue::IntegerText(v.i64, true)).i64 != v.i64) std::abort();
    ParamValue number = v;
    number.SetInt64(v.i64);
    if (Read(number.text).i64 != v.i64 && !(v.hex && v.i64 < 0)) std::abort();

    // The double text reads back within its rounding: half a unit of the last decimal in fixed
    // notation (automatic precision has at least one decimal), six significant digits beyond;
    // both doubles may be a few units of their last bit off the decimal they stand for.
    if (std::isfinite(v.d) && std::fabs(v.d) <= 1e301) {
        number.SetDouble(v.d);
        const double back = Read(number.text).d;
        const double magnitude = std::fabs(v.d);
        const double tolerance = magnitude < 1.1e8
                                     ? (v.precision < 0 ? 0.05 : 0.5 * std::pow(10.0, -std::min(v.precision, 30)))
                                     : 5e-6 * magnitude;
        if (!(std::fabs(back - v.d) <= tolerance * (1 + 1e-9) + magnitude * 1e-15 + 1e-300)) std::abort();
    }
    return 0;
}
