// The one exception barrier every export goes through: nothing thrown inside the driver may
// reach the host.
#pragma once

#include <exception>
#include <utility>

namespace ExportGuard {

// Logs "ERR: Exception: <message>" (or "ERR: Undefined Exception" when message is null) with
// the driver-wide port; never throws.
void LogException(const char* tag, const char* message) noexcept;

template <typename Result, typename Body>
Result Run(const char* tag, Result failure, Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::exception& e) {
        LogException(tag, e.what());
    } catch (...) {
        LogException(tag, nullptr);
    }
    return failure;
}

template <typename Body>
void RunVoid(const char* tag, Body&& body) noexcept
{
    try {
        body();
    } catch (const std::exception& e) {
        LogException(tag, e.what());
    } catch (...) {
        LogException(tag, nullptr);
    }
}

// The calls that reach the camera list (port, grab, property and command exports) against
// the finalize that destroys it: finalize refuses new calls, then waits for those in
// progress, so nothing is freed under another host thread.
class PortCall {
public:
    // Refused (false) while the driver stops; the refusal is logged with `tag`.
    explicit PortCall(const char* tag) noexcept;
    ~PortCall();
    PortCall(const PortCall&) = delete;
    PortCall& operator=(const PortCall&) = delete;
    explicit operator bool() const { return admitted; }

    // For finalize: refuse new calls, wait up to `limitMs` for those in progress (false when
    // some still run at the limit), admit calls again.
    static void Refuse() noexcept;
    static bool Drain(unsigned limitMs) noexcept;
    static void Admit() noexcept;

private:
    bool admitted = false;
};

// Port exports run their body only when admitted.
template <typename Result, typename Body>
Result RunPortCall(const char* tag, Result failure, Body&& body) noexcept
{
    const PortCall call(tag);
    if (!call) return failure;
    return Run(tag, failure, std::forward<Body>(body));
}

}  // namespace ExportGuard
