// The POSIX profile reader (platform/posix/Profile.cpp) on arbitrary file content, through the
// ini functions of platform/Platform.h: the lists and values fit their buffers whatever their
// size, a written key reads back, and what a write leaves is read and written again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/Platform.h"

namespace {

std::string directory;

void RemoveDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

// A directory of this process's own, removed at exit.
std::string FilePath()
{
    if (directory.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/ornic-fuzz-XXXXXX";
        if (::mkdtemp(&pattern[0]) == nullptr) std::abort();
        directory = pattern;
        std::atexit(RemoveDirectory);
    }
    return directory + "/fuzz.ini";
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Check(bool condition)
{
    if (!condition) std::abort();
}

// A list result within its buffer of exactly `size` bytes (the sanitizer sees one byte more),
// ending in a NUL; the first name of the list, if any.
std::string CheckList(const std::vector<char>& buffer, uint32_t result)
{
    Check(result < buffer.size());
    Check(buffer[result] == '\0');
    return std::string(buffer.data(), ::strnlen(buffer.data(), result));
}

std::string Get(const char* section, const char* key, uint32_t size, const std::string& file)
{
    std::vector<char> buffer(size);
    const uint32_t n = Platform::ReadIniString(section, key, "<default>", buffer.data(), size, file.c_str());
    Check(n < size && buffer[n] == '\0');
    return std::string(buffer.data(), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const std::string file = FilePath();
    // First byte: the size of the small buffers (1 to 64).
    const uint32_t small = static_cast<uint32_t>(data[0] % 64) + 1;
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }

    // Section names and the first section's keys, in a large and in a small buffer.
    std::string firstSection, firstKey;
    for (const uint32_t bufferSize : {uint32_t{65536}, small}) {
        std::vector<char> names(bufferSize);
        const std::string first =
            CheckList(names, Platform::ReadIniSectionNames(names.data(), bufferSize, file.c_str()));
        if (bufferSize == 65536) firstSection = first;
    }
    if (!firstSection.empty()) {
        for (const uint32_t bufferSize : {uint32_t{65536}, small}) {
            std::vector<char> keys(bufferSize);
            const std::string first = CheckList(keys, Platform::ReadIniString(firstSection.c_str(), nullptr, "",
                                                                              keys.data(), bufferSize, file.c_str()));
            if (bufferSize == 65536) firstKey = first;
        }
        if (!firstKey.empty()) {
            Get(firstSection.c_str(), firstKey.c_str(), 65536, file);
            Get(firstSection.c_str(), firstKey.c_str(), small, file);
        }
    }

    // A write reads back, and writing a file that a write made gives the same bytes again.
    Check(Platform::WriteIniString("Port.0.0", "FuzzKey", "first", file.c_str()));
    Check(Get("Port.0.0", "FuzzKey", 64, file) == "first");
    const std::string written = ReadFile(file);
    Check(Platform::WriteIniString("Port.0.0", "FuzzKey", "second", file.c_str()));
    Check(Get("Port.0.0", "FuzzKey", 64, file) == "second");
    Check(Platform::WriteIniString("Port.0.0", "FuzzKey", "first", file.c_str()));
    Check(ReadFile(file) == written);
    if (!firstSection.empty() && !firstKey.empty()) {
        // Deleting a key leaves the default.
        Check(Platform::WriteIniString(firstSection.c_str(), firstKey.c_str(), nullptr, file.c_str()));
    }
    return 0;
}
