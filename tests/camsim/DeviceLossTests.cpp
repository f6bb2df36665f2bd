// A camera dropping off the link: the exception callback on an SDK thread, streaming ends,
// the old handle is dead for good, and the camera comes back for a new handle.
#include "StreamSupport.h"

namespace SimTest {
namespace {

class DeviceLoss : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        handle = OpenHandle(0);
        ASSERT_NE(handle, nullptr);
        id = Device(0).id;
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(handle, "Width", 256)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(handle, "Height", 64)), MV_OK);
    }

    static bool Listed(unsigned int id)
    {
        for (unsigned int i = 0; i < CamSim_GetDeviceCount(); ++i) {
            if (Device(i).id == id) {
                return true;
            }
        }
        return false;
    }

    void* handle = nullptr;
    unsigned int id = 0;
};

TEST_F(DeviceLoss, UnplugWhileGrabbing)
{
    FrameCollector frames;
    ExceptionRecorder exceptions;
    ASSERT_EQ(Code(MV_CC_RegisterExceptionCallBack(handle, &ExceptionRecorder::OnException, &exceptions)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetImageNodeNum(handle, 3)), MV_OK);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(handle, &FrameCollector::OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(handle)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(1));

    ASSERT_EQ(Code(CamSim_Unplug(id, 0)), MV_OK);
    // Streaming has ended by the time the camera is reported gone.
    const std::size_t count = frames.Count();
    ASSERT_TRUE(exceptions.WaitFor(1));
    EXPECT_EQ(exceptions.Messages()[0], MV_EXCEPTION_DEV_DISCONNECT);
    EXPECT_NE(exceptions.Threads()[0], std::this_thread::get_id());
    // Every callback of the session was seen, and no stream is left to make another.
    EXPECT_EQ(Stats(id).framesDelivered, count);
    EXPECT_EQ(Stats(id).grabbing, 0u);

    // Every operation on the old handle fails.
    MvIntValueEx width{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(handle, "AcquisitionStart")), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_StartGrabbing(handle)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_StopGrabbing(handle)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(handle, 3)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_RegisterImageCallBackEx(handle, nullptr, nullptr)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_RegisterExceptionCallBack(handle, nullptr, nullptr)), MV_E_BUSY);
    EXPECT_FALSE(Listed(id));
    EXPECT_EQ(Enumerate(kAllLayers).size(), 1u);

    // Back again: the old handle stays dead, a new one opens.
    ASSERT_EQ(Code(CamSim_Replug(id)), MV_OK);
    EXPECT_TRUE(Listed(id));
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_CloseDevice(handle)), MV_OK);
    void* fresh = OpenHandle(0);  // listed in its old place
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(fresh, "Width", &width)), MV_OK);
    EXPECT_EQ(width.nCurValue, 1280);  // a camera powers up with its power-up values
    EXPECT_EQ(exceptions.Messages().size(), 1u);
}

TEST_F(DeviceLoss, ComesBackByItselfAfterTheGivenTime)
{
    ASSERT_EQ(Code(CamSim_Unplug(id, 30)), MV_OK);
    EXPECT_FALSE(Listed(id));
    EXPECT_EQ(Code(CamSim_Unplug(id, 30)), MV_E_CALLORDER);
    ASSERT_TRUE(WaitUntilListed(id));
    EXPECT_EQ(Code(CamSim_Replug(id)), MV_E_CALLORDER);
    EXPECT_EQ(Code(CamSim_Unplug(0, 0)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_Replug(0)), MV_E_PARAMETER);
    void* fresh = CreateHandle(0);
    ASSERT_NE(fresh, nullptr);
    // The handle that had it open still holds nothing; the camera is free for the new one.
    EXPECT_EQ(Code(MV_CC_OpenDevice(fresh, 1, 0)), MV_OK);
}

TEST_F(DeviceLoss, PowerUpLoadsTheDefaultUserSet)
{
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(handle, "Width", 512)), MV_OK);
    ASSERT_EQ(SetEnum(handle, "UserSetSelector", "UserSet2"), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetCommandValue(handle, "UserSetSave")), MV_OK);
    ASSERT_EQ(SetEnum(handle, "UserSetDefault", "UserSet2"), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(handle, "Width", 640)), MV_OK);
    ASSERT_EQ(Code(CamSim_Unplug(id, 0)), MV_OK);
    ASSERT_EQ(Code(CamSim_Replug(id)), MV_OK);
    void* fresh = OpenHandle(0);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(IntOf(fresh, "Width"), 512);
    MvEnumValue choice{};
    ASSERT_EQ(Code(MV_CC_GetEnumValue(fresh, "UserSetDefault", &choice)), MV_OK);
    EXPECT_EQ(choice.nCurValue, 2u);
}

TEST_F(DeviceLoss, DeviceResetIsAShortLoss)
{
    ExceptionRecorder exceptions;
    ASSERT_EQ(Code(MV_CC_RegisterExceptionCallBack(handle, &ExceptionRecorder::OnException, &exceptions)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetCommandValue(handle, "DeviceReset")), MV_OK);
    ASSERT_TRUE(exceptions.WaitFor(1));
    EXPECT_EQ(exceptions.Messages()[0], MV_EXCEPTION_DEV_DISCONNECT);
    MvIntValueEx width{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_BUSY);
    ASSERT_TRUE(WaitUntilListed(id));
}

// Removing the camera through the device set is a loss as well.
TEST_F(DeviceLoss, RemovedCameraIsReportedLost)
{
    ExceptionRecorder exceptions;
    ASSERT_EQ(Code(MV_CC_RegisterExceptionCallBack(handle, &ExceptionRecorder::OnException, &exceptions)), MV_OK);
    ASSERT_EQ(Code(CamSim_RemoveDevice(id)), MV_OK);
    ASSERT_TRUE(exceptions.WaitFor(1));
    EXPECT_EQ(Code(CamSim_Replug(id)), MV_E_PARAMETER);  // gone for good
}

TEST_F(DeviceLoss, NoExceptionCallbackAfterUnregisteringOrDestroying)
{
    ExceptionRecorder exceptions;
    ASSERT_EQ(Code(MV_CC_RegisterExceptionCallBack(handle, &ExceptionRecorder::OnException, &exceptions)), MV_OK);
    ASSERT_EQ(Code(MV_CC_RegisterExceptionCallBack(handle, nullptr, nullptr)), MV_OK);
    ASSERT_EQ(Code(CamSim_Unplug(id, 0)), MV_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(exceptions.Messages().empty());
    ASSERT_EQ(Code(CamSim_Replug(id)), MV_OK);

    // Destroying the handle waits for a callback in progress, and none runs afterwards.
    ExceptionRecorder slow;
    slow.holdMs = 100;
    void* second = OpenHandle(0);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(Code(MV_CC_RegisterExceptionCallBack(second, &ExceptionRecorder::OnException, &slow)), MV_OK);
    ASSERT_EQ(Code(CamSim_Unplug(id, 0)), MV_OK);
    const auto end = std::chrono::steady_clock::now() + kHangLimit;
    while (!slow.entered && std::chrono::steady_clock::now() < end) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(slow.entered.load());
    ASSERT_EQ(Code(MV_CC_DestroyHandle(second)), MV_OK);
    handles.pop_back();
    EXPECT_EQ(slow.Messages().size(), 1u);
}

TEST_F(DeviceLoss, ExceptionRegistrationNeedsAnOpenHandle)
{
    ExceptionRecorder exceptions;
    void* closed = CreateHandle(1);
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(Code(MV_CC_RegisterExceptionCallBack(nullptr, &ExceptionRecorder::OnException, &exceptions)),
              MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_RegisterExceptionCallBack(closed, &ExceptionRecorder::OnException, &exceptions)),
              MV_E_CALLORDER);
}

}  // namespace
}  // namespace SimTest
