#include "camsim/Environment.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace CamSim {

namespace {
// A device list is a few lines; anything this large is the wrong file.
constexpr std::streamoff kMaxConfigFileSize = 1 << 20;
}  // namespace

bool ReadEnvironment(const char* name, std::string& value)
{
#if defined(_WIN32)
    // Ask the process environment, not this module's C runtime copy: a test program that
    // changes a variable with its own runtime must be seen here.
    char small[256];
    DWORD length = GetEnvironmentVariableA(name, small, sizeof small);
    if (length == 0) {
        return false;
    }
    if (length < sizeof small) {
        value.assign(small, length);
        return true;
    }
    std::string large(length, '\0');
    length = GetEnvironmentVariableA(name, &large[0], static_cast<DWORD>(large.size()));
    if (length == 0 || length >= large.size()) {
        return false;
    }
    large.resize(length);
    value = std::move(large);
    return true;
#else
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return false;
    }
    value = text;
    return true;
#endif
}

bool ReadTextFile(const std::string& path, std::string& text, std::string& reason)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        reason = "cannot open '" + path + "'";
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0 || size > kMaxConfigFileSize) {
        reason = "'" + path + "' is not a readable configuration file";
        return false;
    }
    file.seekg(0, std::ios::beg);
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        reason = "error reading '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace CamSim
