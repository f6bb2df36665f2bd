// The production log level (1) for tests and benchmarks that measure the driver: errors and
// notices are composed, Info and trace lines are not, and nothing is written anywhere.
#pragma once

#include "util/Logger.h"

class QuietSink : public Util_2_1::Logger::DebugInterface {
public:
    int GetLogLevel() override { return 1; }
    int GetDebugViewLevel() override { return 0; }
    bool UseStdOut() override { return false; }
    void Output(const char*) override {}
};
