// Small POSIX file helpers shared by the file copy and the ini writer.
#pragma once

#include <cerrno>
#include <cstddef>
#include <string>

#include <unistd.h>

namespace Platform {

// Writes everything, retrying after interrupted or partial writes.
inline bool WriteAllBytes(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

inline bool WriteAllBytes(int fd, const std::string& data)
{
    return WriteAllBytes(fd, data.data(), data.size());
}

}  // namespace Platform
