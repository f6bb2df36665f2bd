#include "tools/DriverApi.h"

#include <cstdio>

namespace OrnicHost {

bool DriverApi::Load(const std::string& file)
{
    if (!library.Load(file)) {
        std::fprintf(stderr, "cannot load %s: %s\n", file.c_str(), library.LastError().c_str());
        return false;
    }
    std::string missing;
    if (!Bind(library, missing)) {
        std::fprintf(stderr, "the driver lacks the exports %s\n", missing.c_str());
        return false;
    }
    return true;
}

}  // namespace OrnicHost
