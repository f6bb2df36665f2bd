#include "grid/Trace.h"

#include <atomic>
#include <cstdio>

#include "platform/Platform.h"

namespace Grid_3_1 {

namespace {

std::atomic<bool> traceOn{false};

}  // namespace

void SetTraceEnabled(bool on)
{
    traceOn.store(on);
}

bool TraceEnabled()
{
    return traceOn.load();
}

void Trace(const std::string& message)
{
    if (!traceOn.load()) return;
    Platform::DebugOutput((message + "\n").c_str());
    std::fprintf(stdout, "%s\n", message.c_str());
    std::fflush(stdout);
}

void Trace(const std::string& message, const std::string& text)
{
    if (!traceOn.load()) return;
    Platform::DebugOutput((message + text + "\n").c_str());
    std::fprintf(stdout, "%s %s\n", message.c_str(), text.c_str());
    std::fflush(stdout);
}

}  // namespace Grid_3_1
