// A camera of the simulated SDK opened for a parameter model, with an owner that counts how
// often the model paused and resumed its grabbing.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "camsim/SimControl.h"
#include "parameters/CameraParameters.h"
#include "sdk/MvSdk.h"
#include "support/GlobalLog.h"

class SimOwner : public ParameterOwner {
public:
    void* SdkHandle() const override { return handle; }
    int Port() const override { return port; }
    const std::string& ConfigName() const override { return configName; }
    bool PauseGrabbing() override
    {
        if (!grabbing) return false;
        EXPECT_EQ(MV_CC_StopGrabbing(handle), MV_OK);
        grabbing = false;
        ++pauses;
        return true;
    }
    void ResumeGrabbing() override
    {
        EXPECT_EQ(MV_CC_StartGrabbing(handle), MV_OK);
        grabbing = true;
        ++resumes;
    }

    void* handle = nullptr;
    int port = 0;
    std::string configName;
    bool grabbing = false;
    int pauses = 0;
    int resumes = 0;
};

class ParameterFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Finalize();
        CamSim_Reset();
        CamSim_ClearDevices();
    }
    void TearDown() override
    {
        model.reset();
        if (owner.handle != nullptr) {
            if (owner.grabbing) MV_CC_StopGrabbing(owner.handle);
            MV_CC_CloseDevice(owner.handle);
            MV_CC_DestroyHandle(owner.handle);
        }
        Finalize();
        CamSim_Reset();
    }
    static void Finalize()
    {
        CamSim_ClearFaults();
        for (int i = 0; i < 100 && CamSim_GetInitCount() > 0; ++i) MV_CC_Finalize();
    }

    // Adds a camera ("usb:SIM-UC500:S2:bayer_rg", ...), gives it `modelText` when not empty,
    // and opens it; the owner's configuration name is the one the camera list would give.
    unsigned int AddCamera(const std::string& entry, const std::string& modelText = std::string())
    {
        const unsigned int id = CamSim_AddDeviceText(entry.c_str());
        EXPECT_NE(id, 0u) << entry;
        if (!modelText.empty()) {
            EXPECT_EQ(CamSim_SetDeviceModel(id, modelText.c_str()), MV_OK) << modelText;
        }
        return id;
    }

    // Opens the index-th listed camera and makes a fresh model for it (not yet built).
    void Open(unsigned int index = 0)
    {
        if (CamSim_GetInitCount() == 0) {
            ASSERT_EQ(MV_CC_Initialize(), MV_OK);
        }
        MvDeviceInfoList list{};
        ASSERT_EQ(MV_CC_EnumDevices(0xFFFFFFFFu, &list), MV_OK);
        ASSERT_LT(index, list.nDeviceNum);
        CamSimDeviceState state{};
        ASSERT_EQ(CamSim_GetDevice(index, &state), MV_OK);
        owner.configName = std::string(state.model) + " (" + state.serial + ")";
        ASSERT_EQ(MV_CC_CreateHandleWithoutLog(&owner.handle, list.pDeviceInfo[index]), MV_OK);
        ASSERT_EQ(MV_CC_OpenDevice(owner.handle, 1, 0), MV_OK);
        model = std::make_unique<CameraParameters>(owner);
    }

    // Open and build; fails the test when the build fails.
    void Build(const std::string& entry, const std::string& modelText = std::string())
    {
        AddCamera(entry, modelText);
        Open();
        ASSERT_TRUE(model->InitParameters());
    }

    void Close()
    {
        model.reset();
        MV_CC_CloseDevice(owner.handle);
        MV_CC_DestroyHandle(owner.handle);
        owner.handle = nullptr;
    }

    CameraParameters::ParamPtr P(const char* name) const
    {
        auto p = model->Find(name);
        // Thrown, so that the test fails here instead of crashing on the null pointer.
        if (p == nullptr) throw std::runtime_error(std::string("no parameter ") + name);
        return p;
    }
    // The list position of a parameter, or -1.
    int IndexOf(const char* name) const
    {
        for (size_t i = 0; i < model->Count(); ++i) {
            if (Util_2_1::EqualsNoCase((*model)[i]->Name(), name)) return static_cast<int>(i);
        }
        return -1;
    }

    int64_t CameraInt(const char* node) const
    {
        MvIntValueEx v{};
        EXPECT_EQ(MV_CC_GetIntValueEx(owner.handle, node, &v), MV_OK) << node;
        return v.nCurValue;
    }
    float CameraFloat(const char* node) const
    {
        MvFloatValue v{};
        EXPECT_EQ(MV_CC_GetFloatValue(owner.handle, node, &v), MV_OK) << node;
        return v.fCurValue;
    }
    std::string CameraEnum(const char* node) const
    {
        MvEnumValue v{};
        EXPECT_EQ(MV_CC_GetEnumValue(owner.handle, node, &v), MV_OK) << node;
        MvEnumEntry e{};
        e.nValue = v.nCurValue;
        EXPECT_EQ(MV_CC_GetEnumEntrySymbolic(owner.handle, node, &e), MV_OK) << node;
        return e.chSymbolic;
    }
    bool CameraBool(const char* node) const
    {
        int v = 0;
        EXPECT_EQ(MV_CC_GetBoolValue(owner.handle, node, &v), MV_OK) << node;
        return v != 0;
    }

    void ClearPending()
    {
        for (const auto& p : *model) p->ClearFlags(Util_2_1::FlagModified);
    }

    // Sets a value as an editor does: the value, then pending for the camera.
    static void Edit(const CameraParameters::ParamPtr& p, const std::string& text)
    {
        p->SetText(text);
        p->SetFlags(Util_2_1::FlagModified);
    }

    SimOwner owner;
    std::unique_ptr<CameraParameters> model;
};

constexpr const char* kColourCamera = "usb:SIM-UC500:S2000001:bayer_rg";
constexpr const char* kMonoCamera = "gige:SIM-GM130:S1000001:mono:ip=10.0.0.5";
