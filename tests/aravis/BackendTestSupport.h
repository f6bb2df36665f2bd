// The backend's own tests call the SDK operations of the Aravis backend directly (the test
// program links it, as the simulator's tests link the simulator). One emulator serves the
// program; ORNIC_ARAVIS_ADDRESSES is set before anything enumerates.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "AravisTestSupport.h"
#include "sdk/MvSdk.h"

namespace AravisTest {

inline Emulator& TheEmulator()
{
    static Emulator* const emulator = new Emulator();
    return *emulator;
}

inline uint32_t Code(int status)
{
    return static_cast<uint32_t>(status);
}

template <std::size_t N>
std::string Text(const char (&field)[N])
{
    return std::string(field, std::find(field, field + N, '\0'));
}

// Keeps every test on loopback and gives the program its emulator.
class LoopbackEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        SetEnv("ORNIC_ARAVIS_ADDRESSES", kEmulatorAddress);
        SetEnv("ORNIC_ARAVIS_FAKE", nullptr);
        std::string error;
        ASSERT_TRUE(TheEmulator().Start(error)) << error;
    }
    void TearDown() override { TheEmulator().Stop(); }
};

// Initializes the SDK, enumerates, and finalizes what the test left.
class SdkTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!TheEmulator().Running()) {
            std::string error;
            ASSERT_TRUE(TheEmulator().Start(error)) << error;
        }
        ASSERT_EQ(MV_CC_Initialize(), 0);
        initialized = true;
    }
    void TearDown() override
    {
        for (void* handle : handles) MV_CC_DestroyHandle(handle);
        if (initialized) {
            EXPECT_EQ(MV_CC_Finalize(), 0);
        }
    }

    // The device record of the emulator, or null.
    const MvDeviceInfo* EmulatorRecord()
    {
        list = MvDeviceInfoList{};
        if (MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list) != 0) return nullptr;
        for (uint32_t i = 0; i < list.nDeviceNum; ++i) {
            const MvDeviceInfo* record = list.pDeviceInfo[i];
            if (record->nTLayerType == MV_GIGE_DEVICE &&
                Text(record->SpecialInfo.stGigEInfo.chSerialNumber) == kSerial) {
                return record;
            }
        }
        return nullptr;
    }

    // A handle of the record, destroyed after the test.
    void* NewHandle(const MvDeviceInfo* record)
    {
        void* handle = nullptr;
        EXPECT_EQ(MV_CC_CreateHandleWithoutLog(&handle, record), 0);
        if (handle != nullptr) handles.push_back(handle);
        return handle;
    }

    // An opened handle of the emulator; fails the test otherwise.
    void* OpenEmulator()
    {
        const MvDeviceInfo* record = EmulatorRecord();
        EXPECT_NE(record, nullptr);
        if (record == nullptr) return nullptr;
        void* handle = NewHandle(record);
        EXPECT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_OK);
        return handle;
    }

    int64_t Int(void* handle, const char* name)
    {
        MvIntValueEx value{};
        EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, name, &value)), MV_OK) << name;
        return value.nCurValue;
    }

    MvDeviceInfoList list{};
    std::vector<void*> handles;
    bool initialized = false;
};

}  // namespace AravisTest
