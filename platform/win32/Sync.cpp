// Win32 events, threads and clocks: thin wrappers over the Windows API.
#include "platform/Platform.h"

#include <windows.h>

namespace Platform {

static_assert(kInfinite == INFINITE, "kInfinite must be the Win32 INFINITE");

// ---------------------------------------------------------------------------------------------
// Event

struct Event::Impl {
    HANDLE handle = nullptr;
};

Event::Event(Mode mode, bool initiallySet) : impl(std::make_unique<Impl>())
{
    impl->handle =
        ::CreateEventA(nullptr, mode == Mode::ManualReset ? TRUE : FALSE, initiallySet ? TRUE : FALSE, nullptr);
}

Event::~Event()
{
    if (impl->handle != nullptr) ::CloseHandle(impl->handle);
}

bool Event::Valid() const
{
    return impl->handle != nullptr;
}

void Event::Set()
{
    if (impl->handle != nullptr) ::SetEvent(impl->handle);
}

void Event::Reset()
{
    if (impl->handle != nullptr) ::ResetEvent(impl->handle);
}

WaitResult Event::Wait(uint32_t timeoutMs)
{
    if (impl->handle == nullptr) return WaitResult::Failed;
    switch (::WaitForSingleObject(impl->handle, timeoutMs)) {
    case WAIT_OBJECT_0:
        return WaitResult::Signaled;
    case WAIT_TIMEOUT:
        return WaitResult::Timeout;
    default:
        return WaitResult::Failed;
    }
}

// ---------------------------------------------------------------------------------------------
// Thread
//
// Started() is true while a thread is attached (started and neither joined nor terminated).
// Join() on an object without an attached thread returns true when an earlier thread's result
// is available (ExitCode holds it) and false when none was ever started. ExitCode() is 0
// until a Join has succeeded or Terminate was called.

namespace {

struct StartBlock {
    Thread::Function function;
    void* arg;
};

DWORD WINAPI ThreadEntry(LPVOID parameter)
{
    StartBlock block = *static_cast<StartBlock*>(parameter);
    delete static_cast<StartBlock*>(parameter);
    return static_cast<DWORD>(block.function(block.arg));
}

}  // namespace

struct Thread::Impl {
    HANDLE handle = nullptr;
    DWORD id = 0;
    bool hasResult = false;
    int exitCode = 0;

    void Release(int code)
    {
        ::CloseHandle(handle);
        handle = nullptr;
        id = 0;
        hasResult = true;
        exitCode = code;
    }
};

Thread::Thread() : impl(std::make_unique<Impl>()) {}

Thread::~Thread()
{
    // Closing the handle abandons the thread; it runs on until its function returns.
    if (impl->handle != nullptr) ::CloseHandle(impl->handle);
}

bool Thread::Start(Function function, void* arg)
{
    if (function == nullptr || impl->handle != nullptr) return false;
    auto* block = new StartBlock{function, arg};
    DWORD id = 0;
    HANDLE handle = ::CreateThread(nullptr, 0, ThreadEntry, block, 0, &id);
    if (handle == nullptr) {
        delete block;
        return false;
    }
    impl->handle = handle;
    impl->id = id;
    impl->hasResult = false;
    impl->exitCode = 0;
    return true;
}

bool Thread::Started() const
{
    return impl->handle != nullptr;
}

bool Thread::Join(uint32_t timeoutMs)
{
    if (impl->handle == nullptr) return impl->hasResult;
    if (impl->id == ::GetCurrentThreadId()) return false;  // a thread cannot wait for its own end
    if (::WaitForSingleObject(impl->handle, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    ::GetExitCodeThread(impl->handle, &code);
    impl->Release(static_cast<int>(code));
    return true;
}

void Thread::Terminate(int exitCode)
{
    if (impl->handle == nullptr) return;
    if (::WaitForSingleObject(impl->handle, 0) != WAIT_OBJECT_0) {
        ::TerminateThread(impl->handle, static_cast<DWORD>(exitCode));
        // TerminateThread is asynchronous; the handle is signaled once the thread is gone.
        ::WaitForSingleObject(impl->handle, 5000);
    }
    DWORD code = STILL_ACTIVE;
    if (!::GetExitCodeThread(impl->handle, &code) || code == STILL_ACTIVE) code = static_cast<DWORD>(exitCode);
    impl->Release(static_cast<int>(code));
}

int Thread::ExitCode() const
{
    return impl->exitCode;
}

// ---------------------------------------------------------------------------------------------

void SleepMs(uint32_t ms)
{
    ::Sleep(ms);
}

uint64_t TickCountMs()
{
    return ::GetTickCount64();
}

uint32_t CurrentThreadId()
{
    return ::GetCurrentThreadId();
}

}  // namespace Platform
