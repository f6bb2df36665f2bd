// A started driver over the default simulated pair, as the host sees it through the exports,
// with small helpers for the property and command calls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriverLibrary.h"
#include "camsim/SimControl.h"
#include "support/TempDir.h"

constexpr const char* kMonoName = "SIM-GM130 (S1000001)";
constexpr const char* kColourName = "SIM-UC500 (S2000001)";
constexpr const char* kDefaultPair = "gige:SIM-GM130:S1000001:mono:ip=10.0.0.7; usb:SIM-UC500:S2000001:bayer_rg";

class DriverFixture : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(DriverLibrary::Get().LoadAll(error)) << error;
    }
    void SetUp() override
    {
        CamSim_Reset();
        ASSERT_EQ(CamSim_LoadConfig(kDefaultPair, nullptr), 0);
        lines.Clear();
    }
    void TearDown() override
    {
        if (started) {
            // The driver-wide settings outlive finalize, as in the host: back to the defaults.
            d.execCmd(0, 0, "set", "IniFile=", nullptr, 0);
            d.execCmd(0, 0, "set", "loglevel=1", nullptr, 0);
            d.execCmd(0, 0, "set", "debugview=1", nullptr, 0);
            for (int port : openedPorts) d.closeCVLPort(0, port);
            EXPECT_EQ(d.finalize(), 1);
        }
        CamSim_Reset();
    }

    // Starts the driver with the given ini text in its system path.
    void Start(const std::string& ini = std::string())
    {
        if (!ini.empty()) dir.Write("ornic.ini", ini);
        ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
        started = true;
    }
    bool Open(int port, const char* name, OrnicCompleteCallback callback = nullptr)
    {
        OrnicImageSize size{0, 0};
        if (d.openCVLPort(0, port, name, &size) != 1) return false;
        openedPorts.push_back(port);
        return callback == nullptr || d.setCompleteCallback(0, port, callback) == 1;
    }

    struct Answer {
        int rc;
        std::string reply;
    };
    Answer Exec(int port, const char* command, const char* parameter)
    {
        char reply[256] = "untouched";
        const int rc = d.execCmd(0, port, command, parameter, reply, static_cast<int>(sizeof reply));
        return Answer{rc, reply};
    }
    // The property's value, or `absent` when getProperty fails.
    int Get(int port, const char* name, int absent = -999999)
    {
        int value = 0;
        return d.getProperty(0, port, name, &value) == 1 ? value : absent;
    }
    static unsigned int DeviceId(unsigned int index)
    {
        CamSimDeviceState state{};
        EXPECT_EQ(CamSim_GetDevice(index, &state), 0);
        return state.id;
    }

    DriverLibrary& d = DriverLibrary::Get();
    LineCollector& lines = DriverLibrary::Lines();
    TempDir dir;
    bool started = false;
    std::vector<int> openedPorts;
};
