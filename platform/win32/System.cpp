// Win32 debug output, files, paths and dynamic libraries: thin wrappers over the Windows API.
#include "platform/Platform.h"

#include <cstring>
#include <utility>

#include <windows.h>

namespace Platform {

void DebugOutput(const char* text)
{
    if (text != nullptr) ::OutputDebugStringA(text);
}

// ---------------------------------------------------------------------------------------------
// Files

// True for any existing file-system object, directories included.
bool FileExists(const std::string& path)
{
    return !path.empty() && ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CopyFileNoOverwrite(const std::string& from, const std::string& to)
{
    return ::CopyFileA(from.c_str(), to.c_str(), TRUE) != FALSE;
}

uint32_t LastErrorCode()
{
    return static_cast<uint32_t>(::GetLastError());
}

bool RemoveFile(const std::string& path)
{
    return ::DeleteFileA(path.c_str()) != FALSE || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool ReplaceFileAtomically(const std::string& from, const std::string& to)
{
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// ---------------------------------------------------------------------------------------------
// Paths. Both separators are accepted everywhere; new paths are made with '\\'.

char PathSeparator()
{
    return '\\';
}

bool IsPathSeparator(char c)
{
    return c == '/' || c == '\\';
}

// "C:\\x", "C:/x", UNC ("\\\\server\\share") and rooted ("\\x") paths. "C:x" is relative to the
// current directory of drive C and so not absolute.
bool IsAbsolutePath(const std::string& path)
{
    if (!path.empty() && IsPathSeparator(path[0])) return true;
    const char drive = path.size() >= 3 ? path[0] : '\0';
    const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    return letter && path[1] == ':' && IsPathSeparator(path[2]);
}

// ---------------------------------------------------------------------------------------------
// Environment and module

bool ReadEnvironment(const char* name, std::string& value)
{
    if (name == nullptr) return false;
    char small[256];
    DWORD length = ::GetEnvironmentVariableA(name, small, sizeof small);
    if (length == 0) return false;
    if (length < sizeof small) {
        value.assign(small, length);
        return true;
    }
    std::string large(length, '\0');
    length = ::GetEnvironmentVariableA(name, &large[0], static_cast<DWORD>(large.size()));
    if (length == 0 || length >= large.size()) return false;
    large.resize(length);
    value = std::move(large);
    return true;
}

namespace {
// Any address inside this module names it.
const char moduleAnchor = 0;
}  // namespace

std::string ModuleDirectory()
{
    HMODULE module = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!::GetModuleHandleExA(flags, &moduleAnchor, &module)) return std::string();
    char path[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    const std::string full(path, length);
    const size_t cut = full.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : full.substr(0, cut);
}

// ---------------------------------------------------------------------------------------------
// Library

namespace {

std::string ErrorText(DWORD code)
{
    char* text = nullptr;
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message;
    if (length != 0 && text != nullptr) {
        message.assign(text, length);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
            message.pop_back();
    }
    if (text != nullptr) ::LocalFree(text);
    return "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
}

}  // namespace

Library::~Library()
{
    Unload();
}

bool Library::Load(const std::string& path)
{
    Unload();
    lastError.clear();
    HMODULE module = ::LoadLibraryA(path.c_str());
    if (module == nullptr) {
        lastError = "LoadLibrary " + path + " failed, " + ErrorText(::GetLastError());
        return false;
    }
    handle = module;
    return true;
}

void* Library::Symbol(const char* name) const
{
    if (handle == nullptr || name == nullptr) return nullptr;
    FARPROC proc = ::GetProcAddress(static_cast<HMODULE>(handle), name);
    void* result = nullptr;
    static_assert(sizeof proc == sizeof result, "function and data pointers differ in size");
    std::memcpy(&result, &proc, sizeof result);
    return result;
}

void Library::Unload()
{
    if (handle != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(handle));
        handle = nullptr;
    }
}

}  // namespace Platform
