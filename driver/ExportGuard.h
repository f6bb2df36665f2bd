// The one exception barrier every export goes through: nothing thrown inside the driver may
// reach the host.
#pragma once

#include <exception>

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

}  // namespace ExportGuard
