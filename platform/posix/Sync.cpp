// POSIX events, threads and clocks with the Win32 semantics of Platform.h.
#include "platform/Platform.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include <pthread.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

namespace Platform {

namespace {

using Clock = std::chrono::steady_clock;

// Waits on `cv` until `ready()` holds or the time-out ends; kInfinite waits for ever.
template <typename Ready>
bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, uint32_t timeoutMs, Ready ready)
{
    if (timeoutMs == kInfinite) {
        cv.wait(lock, ready);
        return true;
    }
    return cv.wait_until(lock, Clock::now() + std::chrono::milliseconds(timeoutMs), ready);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Event: a flag under a mutex. Set wakes every waiter; for an auto-reset event the first waiter
// that gets the mutex consumes the signal (clears it) and the others go back to sleep, so
// exactly one waiter is released per Set, as with a Win32 auto-reset event.

struct Event::Impl {
    std::mutex mutex;
    std::condition_variable cv;
    bool manual = false;
    bool signaled = false;
};

Event::Event(Mode mode, bool initiallySet) : impl(std::make_unique<Impl>())
{
    impl->manual = mode == Mode::ManualReset;
    impl->signaled = initiallySet;
}

Event::~Event() = default;

bool Event::Valid() const
{
    return impl != nullptr;
}

void Event::Set()
{
    // Notify while holding the mutex: a released waiter may destroy the event right away.
    std::lock_guard<std::mutex> lock(impl->mutex);
    impl->signaled = true;
    impl->cv.notify_all();
}

void Event::Reset()
{
    std::lock_guard<std::mutex> lock(impl->mutex);
    impl->signaled = false;
}

WaitResult Event::Wait(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(impl->mutex);
    if (!WaitFor(impl->cv, lock, timeoutMs, [this] { return impl->signaled; })) return WaitResult::Timeout;
    if (!impl->manual) impl->signaled = false;
    return WaitResult::Signaled;
}

// ---------------------------------------------------------------------------------------------
// Thread: std::thread plus a completion flag under a condition variable, which gives the
// time-limited Join that std::thread lacks. The flag lives in a shared block owned jointly by
// the thread and this object, so abandoning the thread (destructor, Terminate) is safe.
//
// Started() is true while a thread is attached (started and neither joined nor terminated).
// Join() on an object without an attached thread returns true when an earlier thread's result
// is available (ExitCode holds it) and false when none was ever started. ExitCode() is 0
// until a Join has succeeded or Terminate was called.

namespace {

struct ThreadState {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    int exitCode = 0;
};

}  // namespace

struct Thread::Impl {
    std::thread thread;
    std::shared_ptr<ThreadState> state;
    bool hasResult = false;
    int exitCode = 0;

    void Release(int code)
    {
        state.reset();
        hasResult = true;
        exitCode = code;
    }
};

Thread::Thread() : impl(std::make_unique<Impl>()) {}

Thread::~Thread()
{
    if (impl->thread.joinable()) impl->thread.detach();
}

bool Thread::Start(Function function, void* arg)
{
    if (function == nullptr || impl->thread.joinable()) return false;
    auto state = std::make_shared<ThreadState>();
    try {
        impl->thread = std::thread([state, function, arg] {
            const int code = function(arg);
            std::lock_guard<std::mutex> lock(state->mutex);
            state->exitCode = code;
            state->done = true;
            state->cv.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    impl->state = std::move(state);
    impl->hasResult = false;
    impl->exitCode = 0;
    return true;
}

bool Thread::Started() const
{
    return impl->thread.joinable();
}

bool Thread::Join(uint32_t timeoutMs)
{
    if (!impl->thread.joinable()) return impl->hasResult;
    if (impl->thread.get_id() == std::this_thread::get_id()) return false;  // a thread cannot wait for its own end
    int code = 0;
    {
        ThreadState& state = *impl->state;
        std::unique_lock<std::mutex> lock(state.mutex);
        if (!WaitFor(state.cv, lock, timeoutMs, [&state] { return state.done; })) return false;
        code = state.exitCode;
    }
    impl->thread.join();  // the function has returned; this only reaps the thread
    impl->Release(code);
    return true;
}

void Thread::Terminate(int exitCode)
{
    if (!impl->thread.joinable()) return;
    bool done = false;
    int code = 0;
    {
        std::lock_guard<std::mutex> lock(impl->state->mutex);
        done = impl->state->done;
        code = impl->state->exitCode;
    }
    if (done) {
        // Already finished: as on Windows, the real exit code stays.
        impl->thread.join();
        impl->Release(code);
        return;
    }
    // POSIX cannot kill a single thread safely (pthread_cancel would unwind through code that
    // does not expect it, and there is no asynchronous kill). The thread is detached and
    // abandoned instead: it keeps running until its function returns, and its shared state
    // block keeps what it touches alive. The object reports the given exit code like
    // TerminateThread would, and can start a new thread.
    impl->thread.detach();
    impl->Release(exitCode);
}

int Thread::ExitCode() const
{
    return impl->exitCode;
}

// ---------------------------------------------------------------------------------------------

void SleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t TickCountMs()
{
    // steady_clock is CLOCK_MONOTONIC: it never jumps with the wall clock.
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

uint32_t CurrentThreadId()
{
#if defined(__linux__)
    return static_cast<uint32_t>(::syscall(SYS_gettid));
#else
    return static_cast<uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
#endif
}

}  // namespace Platform
