// A camera that goes away: the emulator is killed while grabbing (no goodbye on the wire, as
// a camera losing power). The exception callback reports 0x8001 on a thread of the SDK's,
// the handle answers MV_E_BUSY until it is closed, and the camera, started again, opens anew.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "BackendTestSupport.h"

using namespace AravisTest;
using namespace std::chrono_literals;

namespace {

const testing::Environment* const loopback = testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

struct Loss {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<unsigned int> types;
    std::thread::id thread;
    void* destroy = nullptr;  // the callback destroys this handle itself
    int destroyStatus = -1;

    bool Wait(std::chrono::seconds limit = 30s)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, limit, [&] { return !types.empty(); });
    }
};

void MV_SDK_CALL OnException(unsigned int type, void* user)
{
    auto& loss = *static_cast<Loss*>(user);
    {
        std::lock_guard<std::mutex> lock(loss.mutex);
        loss.types.push_back(type);
        loss.thread = std::this_thread::get_id();
        if (loss.destroy != nullptr) loss.destroyStatus = MV_CC_DestroyHandle(loss.destroy);
    }
    loss.changed.notify_all();
}

std::atomic<int> framesSeen{0};

void MV_SDK_CALL OnFrame(unsigned char*, MvFrameOutInfoEx*, void*)
{
    framesSeen.fetch_add(1);
}

bool WaitFrames(int count)
{
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (framesSeen.load() < count) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class DeviceLossTest : public SdkTest {
protected:
    void* Grabbing()
    {
        void* h = OpenEmulator();
        if (h == nullptr) return nullptr;
        EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 128)), MV_OK);
        EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Height", 64)), MV_OK);
        EXPECT_EQ(Code(MV_CC_RegisterExceptionCallBack(h, OnException, &loss)), MV_OK);
        EXPECT_EQ(Code(MV_CC_RegisterImageCallBackEx(h, OnFrame, nullptr)), MV_OK);
        EXPECT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
        framesSeen = 0;
        EXPECT_TRUE(WaitFrames(3));
        return h;
    }

    void TearDown() override
    {
        SdkTest::TearDown();
        if (!TheEmulator().Running()) {
            std::string error;
            EXPECT_TRUE(TheEmulator().Start(error)) << error;
        }
    }

    Loss loss;
};

}  // namespace

TEST_F(DeviceLossTest, AKilledCameraIsReportedAndOpensAnewWhenBack)
{
    void* h = Grabbing();
    ASSERT_NE(h, nullptr);
    const MvDeviceInfo* record = EmulatorRecord();
    TheEmulator().Stop();
    ASSERT_TRUE(loss.Wait()) << "no loss reported";
    {
        std::lock_guard<std::mutex> lock(loss.mutex);
        EXPECT_EQ(loss.types.size(), 1u);
        EXPECT_EQ(loss.types.front(), MV_EXCEPTION_DEV_DISCONNECT);
        EXPECT_NE(loss.thread, std::this_thread::get_id());
    }
    // Grabbing has stopped; the old handle is busy until it is closed.
    const int seen = framesSeen.load();
    MvIntValueEx value{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(h, "Width", &value)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_StopGrabbing(h)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_StartGrabbing(h)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_CloseDevice(h)), MV_OK);
    EXPECT_EQ(framesSeen.load(), seen);

    std::string error;
    ASSERT_TRUE(TheEmulator().Start(error)) << error;
    EXPECT_EQ(EmulatorRecord(), record);  // the same camera, the same record
    void* again = NewHandle(record);
    ASSERT_EQ(Code(MV_CC_OpenDevice(again, 1, 0)), MV_OK);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(again, OnFrame, nullptr)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(again)), MV_OK);
    EXPECT_TRUE(WaitFrames(seen + 3));
    EXPECT_EQ(Code(MV_CC_StopGrabbing(again)), MV_OK);
    // The old handle opens again too, now that the camera is back and free.
    EXPECT_EQ(Code(MV_CC_CloseDevice(again)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(h, 1, 0)), MV_OK);
}

// The loss report may destroy its own handle from inside the callback.
TEST_F(DeviceLossTest, TheLossCallbackMayDestroyItsHandle)
{
    void* h = Grabbing();
    ASSERT_NE(h, nullptr);
    {
        std::lock_guard<std::mutex> lock(loss.mutex);
        loss.destroy = h;
    }
    handles.clear();  // the callback destroys it
    TheEmulator().Stop();
    ASSERT_TRUE(loss.Wait());
    std::lock_guard<std::mutex> lock(loss.mutex);
    EXPECT_EQ(loss.destroyStatus, 0);
    EXPECT_EQ(Code(MV_CC_CloseDevice(h)), MV_E_HANDLE);
}

TEST_F(DeviceLossTest, AnUnreachableCameraDoesNotOpen)
{
    const MvDeviceInfo* record = EmulatorRecord();
    ASSERT_NE(record, nullptr);
    TheEmulator().Stop();
    void* h = NewHandle(record);
    EXPECT_EQ(Code(MV_CC_OpenDevice(h, 1, 0)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_CloseDevice(h)), MV_E_CALLORDER);
}
