#include "support/GlobalLog.h"

#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "util/Logger.h"

namespace {

class CollectingInterface : public Util_2_1::Logger::DebugInterface {
public:
    int GetLogLevel() override { return 3; }
    int GetDebugViewLevel() override { return 0; }
    bool UseStdOut() override { return false; }
    void Output(const char* line) override { GlobalLog().Add(line); }
};

class GlobalLogEnvironment : public testing::Environment {
public:
    // The sink outlives every test: the logger's own shut-down at exit still writes to it.
    void SetUp() override { Util_2_1::Logger::Instance().Init(new CollectingInterface, 500); }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new GlobalLogEnvironment);

}  // namespace

LineCollector& GlobalLog()
{
    static LineCollector* const collector = new LineCollector();
    return *collector;
}

void FlushGlobalLog()
{
    static std::atomic<int> counter{0};
    const std::string marker = "flush-marker-" + std::to_string(counter++);
    ORNIC_LOG1_INFO(-1, "Test", marker);
    ASSERT_TRUE(GlobalLog().WaitFor(marker));
}
