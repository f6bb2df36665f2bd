// The host's debug procedure as hosts write it: a log window that calls back into the driver.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "DriverLibrary.h"
#include "camsim/SimControl.h"
#include "support/TempDir.h"

namespace {

// A port nothing is bound to: closing it is refused with an error line.
constexpr int kEmptyPort = 7;

// Asks the driver something for every camera the start reports; the answer is logged again.
void ORNIC_CALL QueryingDebugProc(const char* line)
{
    DriverLibrary::DebugProc(line);
    if (std::strstr(line, "Creating ") != nullptr) DriverLibrary::Get().closeCVLPort(0, kEmptyPort);
}

}  // namespace

TEST(HostLogTest, ADebugProcedureThatCallsAnExportDoesNotHangTheStart)
{
    std::string error;
    DriverLibrary& d = DriverLibrary::Get();
    ASSERT_TRUE(d.LoadAll(error)) << error;
    CamSim_Reset();
    TempDir dir;
    // On a thread of its own, so that a hang fails the test instead of blocking it.
    auto result = std::make_shared<std::promise<int>>();
    std::future<int> started = result->get_future();
    const std::string path = dir.Path();
    std::thread([&d, path, result] { result->set_value(d.initialize(path.c_str(), &QueryingDebugProc)); }).detach();
    ASSERT_EQ(started.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "initialize hangs";
    EXPECT_EQ(started.get(), 1);
    const size_t cameras = CamSim_GetDeviceCount();
    ASSERT_GT(cameras, 0u);
    EXPECT_TRUE(DriverLibrary::Lines().WaitFor(
        "#99: ERR: Camera Close ignored - no camera on port 7 {CameraList::CloseCamera}\n", cameras));
    EXPECT_EQ(d.finalize(), 1);
}
