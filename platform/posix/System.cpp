// POSIX debug output, files, paths and dynamic libraries.
#include "platform/Platform.h"
#include "platform/posix/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

void DebugOutput(const char* text)
{
    if (text == nullptr) return;
    // The text goes out unchanged (OutputDebugString adds no newline either).
    std::fputs(text, stderr);
    std::fflush(stderr);
}

// ---------------------------------------------------------------------------------------------
// Files

// True for any existing file-system object, directories included (as GetFileAttributes).
bool FileExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

namespace {

class Fd {
public:
    explicit Fd(int value) : fd(value) {}
    ~Fd()
    {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd; }
    bool Close()
    {
        const int value = fd;
        fd = -1;
        return ::close(value) == 0;
    }

private:
    int fd;
};

}  // namespace

// CopyFileA(from, to, TRUE): the target is created exclusively (O_EXCL), so an existing file
// is never touched; a half-copied target is removed again. Mode and times follow the source.
bool CopyFileNoOverwrite(const std::string& from, const std::string& to)
{
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return false;
    struct stat st;
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777));
    if (out.get() < 0) return false;

    bool ok = true;
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(in.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!WriteAllBytes(out.get(), chunk, static_cast<size_t>(got))) {
            ok = false;
            break;
        }
    }
    if (ok) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        (void)::futimens(out.get(), times);
    }
    if (!out.Close()) ok = false;
    if (!ok) ::unlink(to.c_str());
    return ok;
}

uint32_t LastErrorCode()
{
    return static_cast<uint32_t>(errno);
}

bool RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool ReplaceFileAtomically(const std::string& from, const std::string& to)
{
    // The contents first, then the name: after a crash the name points at a complete file.
    {
        Fd file(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
        if (file.get() < 0 || (::fsync(file.get()) != 0 && errno != EINVAL)) return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// ---------------------------------------------------------------------------------------------
// Paths. Both separators are accepted everywhere (the host may hand over either); new paths
// are made with '/'.

std::string ModuleDirectory()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ModuleDirectory), &info) == 0 || info.dli_fname == nullptr) return {};
    const std::string path(info.dli_fname);
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

char PathSeparator()
{
    return '/';
}

bool IsPathSeparator(char c)
{
    return c == '/' || c == '\\';
}

// Rooted paths only: POSIX has no drive letters, so "C:\\x" is relative here.
bool IsAbsolutePath(const std::string& path)
{
    return !path.empty() && IsPathSeparator(path[0]);
}

// ---------------------------------------------------------------------------------------------
// Library

Library::~Library()
{
    Unload();
}

bool Library::Load(const std::string& path)
{
    Unload();
    lastError.clear();
    ::dlerror();  // clear a stale message
    handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* message = ::dlerror();
        lastError = message != nullptr ? message : "dlopen failed: " + path;
        return false;
    }
    return true;
}

void* Library::Symbol(const char* name) const
{
    if (handle == nullptr || name == nullptr) return nullptr;
    return ::dlsym(handle, name);
}

void Library::Unload()
{
    if (handle != nullptr) {
        ::dlclose(handle);
        handle = nullptr;
    }
}

}  // namespace Platform
