// A handle's exception callback. Setting it (null included) waits for a call in progress on
// another thread, so that once the driver has unregistered or destroyed the handle the
// callback never runs again. Never used with the simulator's mutex held: the callback may
// call back into the SDK.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "sdk/MvSdk.h"

namespace CamSim {

class CallbackGate {
public:
    // False when the gate has been closed (the handle is gone).
    bool Set(MvExceptionCallback callback, void* user)
    {
        std::unique_lock<std::mutex> lock(mutex);
        WaitIdle(lock);
        if (closed) {
            return false;
        }
        function = callback;
        context = user;
        return true;
    }

    // For good: nothing more is called or registered.
    void Close()
    {
        std::unique_lock<std::mutex> lock(mutex);
        WaitIdle(lock);
        closed = true;
        function = nullptr;
        context = nullptr;
    }

    void Invoke(unsigned int message)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (function == nullptr) {
            return;
        }
        const MvExceptionCallback call = function;
        void* const user = context;
        ++running;
        caller = std::this_thread::get_id();
        lock.unlock();
        call(message, user);
        lock.lock();
        --running;
        caller = std::thread::id();
        idle.notify_all();
    }

private:
    // The callback itself may unregister: then there is nothing to wait for.
    void WaitIdle(std::unique_lock<std::mutex>& lock)
    {
        idle.wait(lock, [this] { return running == 0 || caller == std::this_thread::get_id(); });
    }

    std::mutex mutex;
    std::condition_variable idle;
    MvExceptionCallback function = nullptr;
    void* context = nullptr;
    int running = 0;
    std::thread::id caller;
    bool closed = false;
};

}  // namespace CamSim
