// The thin operating-system layer. One interface, one implementation per system
// (win32/ calls the Windows API, posix/ gives the same semantics); nothing else in the
// driver includes system headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

enum class WaitResult { Signaled, Timeout, Failed };

// A Win32-style event: manual-reset events stay set until Reset; auto-reset events release
// one waiter and clear themselves.
class Event {
public:
    enum class Mode { ManualReset, AutoReset };
    explicit Event(Mode mode, bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    bool Valid() const;  // false when the system refused to create it
    void Set();
    void Reset();
    WaitResult Wait(uint32_t timeoutMs);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// A joinable thread with a time-limited join. Terminate exists for the rare shut-down case
// where a thread does not end in time: Windows kills it, POSIX can only abandon it.
class Thread {
public:
    using Function = int (*)(void* arg);
    Thread();
    ~Thread();  // abandons a thread that was never joined
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Start(Function function, void* arg);
    bool Started() const;
    // True when the thread has ended within the time-out; its resources are then released
    // and ExitCode holds its result.
    bool Join(uint32_t timeoutMs);
    void Terminate(int exitCode);
    int ExitCode() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

void SleepMs(uint32_t ms);
uint64_t TickCountMs();  // monotonic milliseconds
uint32_t CurrentThreadId();
// The calling thread's last system error (GetLastError, errno).
uint32_t LastErrorCode();

// The debug-view sink: OutputDebugStringA on Windows, standard error elsewhere.
void DebugOutput(const char* text);

bool FileExists(const std::string& path);
// Copies only when the target does not exist yet.
bool CopyFileNoOverwrite(const std::string& from, const std::string& to);
// True when the file is gone, also when there was none.
bool RemoveFile(const std::string& path);
// Moves `from` over `to` in one step: a reader sees the old file or the new one, never a mix,
// and a crash leaves one of the two.
bool ReplaceFileAtomically(const std::string& from, const std::string& to);

char PathSeparator();
bool IsPathSeparator(char c);  // both '/' and '\\' are accepted from the host
bool IsAbsolutePath(const std::string& path);
std::string JoinPath(const std::string& directory, const std::string& name);
std::string FileNamePart(const std::string& path);  // text after the last separator
// The folder of the module (the driver library, or a program linking this code) that holds
// this function; empty when the system does not say.
std::string ModuleDirectory();

// Private-profile (ini) functions with the Windows semantics: sections and keys compared
// without regard to case, the default for a missing key, file and section created on write,
// NUL-separated name lists with the Windows truncation rule (size - 2 when cut).
// A null section lists the section names, a null key lists the keys of the section.
uint32_t ReadIniString(const char* section, const char* key, const char* defaultValue, char* buffer, uint32_t size,
                       const char* file);
// A null key removes the section, a null value removes the key.
bool WriteIniString(const char* section, const char* key, const char* value, const char* file);
uint32_t ReadIniSectionNames(char* buffer, uint32_t size, const char* file);

// A loaded dynamic library, as the host loads the driver (LoadLibrary / dlopen).
class Library {
public:
    Library() = default;
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Load(const std::string& path);
    void* Symbol(const char* name) const;
    void Unload();
    bool Loaded() const { return handle != nullptr; }
    std::string LastError() const { return lastError; }

private:
    void* handle = nullptr;
    std::string lastError;
};

}  // namespace Platform
