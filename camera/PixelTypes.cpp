#include "camera/PixelTypes.h"

#include <cstddef>

#include "sdk/PixelFormats.h"

namespace {

constexpr std::size_t NamedCount()
{
    std::size_t count = 0;
    for (const PixelFormats::PixelFormatInfo& entry : PixelFormats::kTable) {
        if ((entry.flags & PixelFormats::Named) != 0) ++count;
    }
    return count;
}

static_assert(NamedCount() == 130, "one name per SDK pixel type");

}  // namespace

const char* PixelTypeName(uint32_t code)
{
    const PixelFormats::PixelFormatInfo* entry = PixelFormats::Find(code);
    return entry != nullptr && (entry->flags & PixelFormats::Named) != 0 ? entry->name : "?";
}

bool IsBayerFormat(uint32_t code)
{
    return PixelFormats::Has(code, PixelFormats::DriverBayer);
}
