// Shared by the simulator's tests: environment handling that works natively and under wine,
// a fixture that leaves the simulator as it found it, and small readers for record fields.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "camsim/SimControl.h"
#include "sdk/MvSdk.h"

namespace SimTest {

inline uint32_t Code(int status)
{
    return static_cast<uint32_t>(status);
}

inline void SetEnv(const char* name, const char* value)
{
#if defined(_WIN32)
    _putenv_s(name, value == nullptr ? "" : value);
#else
    if (value == nullptr) {
        unsetenv(name);
    } else {
        setenv(name, value, 1);
    }
#endif
}

// Sets or clears a variable for the lifetime of the object, then puts the old value back.
class ScopedEnv {
public:
    explicit ScopedEnv(const char* variable) : name(variable)
    {
        const char* old = std::getenv(name);
        hadValue = old != nullptr;
        if (hadValue) {
            saved = old;
        }
    }
    ~ScopedEnv() { SetEnv(name, hadValue ? saved.c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void Set(const std::string& value) { SetEnv(name, value.c_str()); }
    void Clear() { SetEnv(name, nullptr); }

private:
    const char* name;
    bool hadValue = false;
    std::string saved;
};

// Fixed-size record text, which need not be terminated.
template <std::size_t N>
std::string Text(const char (&field)[N])
{
    return std::string(field, std::find(field, field + N, '\0'));
}

inline void FinalizeAll()
{
    CamSim_ClearFaults();
    for (int i = 0; i < 1000 && CamSim_GetInitCount() > 0; ++i) {
        MV_CC_Finalize();
    }
}

// Each test starts from the default device set with the SDK not initialized, whatever the
// developer's environment holds.
class SimFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        inlineVar.Clear();
        fileVar.Clear();
        FinalizeAll();
        CamSim_Reset();
    }
    void TearDown() override
    {
        for (void* handle : handles) {
            MV_CC_DestroyHandle(handle);
        }
        FinalizeAll();
        inlineVar.Clear();
        fileVar.Clear();
        CamSim_Reset();
    }

    // The records listed for mask; fails the test on a bad status.
    static std::vector<const MvDeviceInfo*> Enumerate(unsigned int mask)
    {
        MvDeviceInfoList list{};
        const uint32_t status = Code(MV_CC_EnumDevices(mask, &list));
        EXPECT_EQ(status, MV_OK);
        std::vector<const MvDeviceInfo*> records;
        for (uint32_t i = 0; i < list.nDeviceNum && i < MV_MAX_DEVICE_NUM; ++i) {
            records.push_back(list.pDeviceInfo[i]);
        }
        return records;
    }

    // A handle for the index-th device listed for mask (initializing the SDK first), destroyed
    // at the end of the test; null with the test failed when there is none.
    void* CreateHandle(unsigned int index, unsigned int mask = 0xFFFFFFFFu)
    {
        if (CamSim_GetInitCount() == 0) {
            EXPECT_EQ(Code(MV_CC_Initialize()), MV_OK);
        }
        const auto records = Enumerate(mask);
        if (index >= records.size()) {
            ADD_FAILURE() << "no device " << index;
            return nullptr;
        }
        void* handle = nullptr;
        EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(&handle, records[index])), MV_OK);
        if (handle != nullptr) {
            handles.push_back(handle);
        }
        return handle;
    }

    // The same, opened for exclusive access.
    void* OpenHandle(unsigned int index, unsigned int mask = 0xFFFFFFFFu)
    {
        void* handle = CreateHandle(index, mask);
        if (handle != nullptr) {
            EXPECT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_OK);
        }
        return handle;
    }

    static CamSimDeviceState Device(unsigned int index)
    {
        CamSimDeviceState state{};
        EXPECT_EQ(Code(CamSim_GetDevice(index, &state)), MV_OK);
        return state;
    }

    static std::string WriteTempFile(const std::string& name, const std::string& content)
    {
        const std::string path = ::testing::TempDir() + name;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << content;
        return path;
    }

    std::vector<void*> handles;
    ScopedEnv inlineVar{"ORNIC_SIM_CAMERAS"};
    ScopedEnv fileVar{"ORNIC_SIM_CONFIG"};
};

constexpr unsigned int kAllLayers = 0xFFFFFFFFu;

}  // namespace SimTest
