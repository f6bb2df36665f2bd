// Cameras of the simulated SDK made the way the camera list makes them, with the driver's
// settings in a temporary system path.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "camera/Camera.h"
#include "camsim/SimControl.h"
#include "sdk/MvSdk.h"
#include "support/TempDir.h"
#include "util/Globals.h"

class CameraFixture : public ::testing::Test {
protected:
    static constexpr const char* kMonoName = "SIM-GM130 (S1000001)";
    static constexpr const char* kColourName = "SIM-UC500 (S2000001)";

    void SetUp() override
    {
        CamSim_Reset();
        ASSERT_EQ(CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono; usb:SIM-UC500:S2000001:bayer_rg", nullptr), 0);
        Globals::Instance().InitPath(dir.Path().c_str());
    }
    void TearDown() override
    {
        cameras[0].reset();
        cameras[1].reset();
        for (int i = 0; i < 100 && CamSim_GetInitCount() > 0; ++i) MV_CC_Finalize();
        CamSim_Reset();
    }

    // The index-th camera (0 mono GigE, 1 Bayer USB3), created as the camera list does; the
    // model text, when given, replaces the camera's node map first.
    Camera& Make(unsigned int index, const char* modelText = nullptr)
    {
        if (modelText != nullptr) {
            EXPECT_EQ(CamSim_SetDeviceModel(Id(index), modelText), MV_OK);
        }
        if (CamSim_GetInitCount() == 0) {
            EXPECT_EQ(MV_CC_Initialize(), MV_OK);
        }
        EXPECT_EQ(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list), MV_OK);
        cameras[index] = std::make_unique<Camera>(DeviceEntry::FromSdkRecord(list.pDeviceInfo[index]));
        return *cameras[index];
    }
    static unsigned int Id(unsigned int index)
    {
        CamSimDeviceState state{};
        EXPECT_EQ(CamSim_GetDevice(index, &state), MV_OK);
        return state.id;
    }
    static CamSimStreamStats Stats(unsigned int index)
    {
        CamSimStreamStats stats{};
        EXPECT_EQ(CamSim_GetStreamStats(Id(index), &stats), MV_OK);
        return stats;
    }
    void WriteIni(const std::string& text) { dir.Write("ornic.ini", text); }

    TempDir dir;
    MvDeviceInfoList list{};
    std::unique_ptr<Camera> cameras[2];
};
