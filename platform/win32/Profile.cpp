// Win32 private-profile functions: the Windows API itself. The only addition is the final NUL
// of a cut name list: Windows ends a cut list in two NULs, but Wine's ANSI wrappers leave the
// last byte of the buffer unwritten (a known Wine deviation, "todo_wine" in its own tests), so
// it is written here. On Windows that byte is already NUL.
#include "platform/Platform.h"

#include <windows.h>

namespace Platform {

uint32_t ReadIniString(const char* section, const char* key, const char* defaultValue, char* buffer, uint32_t size,
                       const char* file)
{
    if (buffer == nullptr || size == 0) return 0;
    const DWORD result = ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
    if ((section == nullptr || key == nullptr) && size >= 2 && result == size - 2) buffer[size - 1] = '\0';
    return result;
}

uint32_t ReadIniSectionNames(char* buffer, uint32_t size, const char* file)
{
    if (buffer == nullptr || size == 0) return 0;
    const DWORD result = ::GetPrivateProfileSectionNamesA(buffer, size, file);
    if (size >= 2 && result == size - 2) buffer[size - 1] = '\0';
    return result;
}

bool WriteIniString(const char* section, const char* key, const char* value, const char* file)
{
    // A null section together with null key and value would be the "flush the cache" call.
    if (section == nullptr) return false;
    return ::WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

std::string IniFileDamage()
{
    return {};
}

}  // namespace Platform
