// Path helpers shared by every system: only the separator and the notion of an absolute path
// differ, and those come from the per-system files.
#include "platform/Platform.h"

namespace Platform {

std::string JoinPath(const std::string& directory, const std::string& name)
{
    if (directory.empty()) return name;
    if (name.empty()) return directory;
    const bool dirEnds = IsPathSeparator(directory.back());
    const bool nameStarts = IsPathSeparator(name.front());
    if (dirEnds && nameStarts) return directory + name.substr(1);
    if (dirEnds || nameStarts) return directory + name;
    return directory + PathSeparator() + name;
}

std::string FileNamePart(const std::string& path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace Platform
