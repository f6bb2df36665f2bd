// Enumeration, device changes and fault control from several threads at once. Run under
// ThreadSanitizer this finds unguarded state; natively it checks records stay readable and
// no call is lost from the counts.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "SimTestSupport.h"

namespace SimTest {
namespace {

using Concurrency = SimFixture;

TEST_F(Concurrency, EnumerationWhileDevicesAndFaultsChange)
{
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    constexpr int kRounds = 200;
    std::atomic<unsigned> enumerations{0};
    std::atomic<unsigned> badRecords{0};
    std::atomic<unsigned> unexpectedStatus{0};

    auto enumerate = [&] {
        for (int i = 0; i < kRounds; ++i) {
            MvDeviceInfoList list{};
            const uint32_t status = Code(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list));
            ++enumerations;
            if (status == MV_E_BUSY) {
                continue;  // injected by the fault thread
            }
            if (status != MV_OK) {
                ++unexpectedStatus;
                continue;
            }
            for (uint32_t d = 0; d < list.nDeviceNum; ++d) {
                const MvDeviceInfo* record = list.pDeviceInfo[d];
                const std::string serial = record->nTLayerType == MV_GIGE_DEVICE
                                               ? Text(record->SpecialInfo.stGigEInfo.chSerialNumber)
                                               : Text(record->SpecialInfo.stUsb3VInfo.chSerialNumber);
                if (serial.empty() || (record->nTLayerType != MV_GIGE_DEVICE && record->nTLayerType != MV_USB_DEVICE)) {
                    ++badRecords;
                }
            }
        }
    };
    auto changeDevices = [] {
        for (int i = 0; i < kRounds; ++i) {
            const unsigned int id = CamSim_AddDevice(i % 2 ? MV_GIGE_DEVICE : MV_USB_DEVICE, "SIM-T",
                                                     ("T" + std::to_string(i)).c_str(), CAMSIM_KIND_MONO);
            if (i % 3 == 0) {
                CamSim_RemoveDevice(id);
            }
            if (i % 50 == 49) {
                CamSim_LoadConfig("gige:SIM-R:R1;usb:SIM-R:R2", nullptr);
            }
        }
    };
    auto controlFaults = [] {
        for (int i = 0; i < kRounds; ++i) {
            CamSim_FailNext("MV_CC_EnumDevices", 1, MV_E_BUSY);
            CamSimDeviceState state{};
            CamSim_GetDevice(0, &state);
            CamSim_GetDeviceCount();
            CamSim_GetCallCount("MV_CC_EnumDevices");
            if (i % 10 == 0) {
                CamSim_ClearFaults();
            }
        }
    };
    auto initializeAndFinalize = [] {
        for (int i = 0; i < kRounds; ++i) {
            if (Code(MV_CC_Initialize()) == MV_OK) {
                MV_CC_Finalize();
            }
        }
    };

    std::thread threads[] = {std::thread(enumerate), std::thread(enumerate), std::thread(changeDevices),
                             std::thread(controlFaults), std::thread(initializeAndFinalize)};
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(badRecords.load(), 0u);
    EXPECT_EQ(unexpectedStatus.load(), 0u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_EnumDevices"), enumerations.load());
    EXPECT_EQ(CamSim_GetInitCount(), 1u);
}

// Two threads work on the node maps of their own cameras while a third keeps opening and
// closing handles on the same cameras and a camera that comes and goes. Each owner must
// read back exactly what it wrote; the intruder must be refused, never let in.
TEST_F(Concurrency, NodeAccessWhileOtherHandlesOpenAndClose)
{
    void* mono = OpenHandle(0);
    void* colour = OpenHandle(1);
    ASSERT_NE(mono, nullptr);
    ASSERT_NE(colour, nullptr);
    constexpr int kRounds = 300;
    std::atomic<unsigned> mismatches{0};
    std::atomic<unsigned> wronglyOpened{0};

    auto own = [&](void* handle, int64_t base) {
        for (int i = 0; i < kRounds; ++i) {
            const int64_t width = base + (i % 16) * 8;
            MvIntValueEx value{};
            if (Code(MV_CC_SetIntValueEx(handle, "Width", width)) != MV_OK ||
                Code(MV_CC_GetIntValueEx(handle, "Width", &value)) != MV_OK || value.nCurValue != width) {
                ++mismatches;
            }
            MvXmlNode root{};
            auto list = std::make_unique<MvXmlNodeList>();
            if (Code(MV_XML_GetRootNode(handle, &root)) != MV_OK ||
                Code(MV_XML_GetChildren(handle, &root, list.get())) != MV_OK || list->nNodeNum == 0) {
                ++mismatches;
            }
            const char* format = i % 2 ? "Mono8" : "BayerRG8";
            const uint32_t status = Code(MV_CC_SetEnumValueByString(handle, "PixelFormat", format));
            if (status != MV_OK && status != MV_E_GC_ARGUMENT) {  // the mono camera has no Bayer formats
                ++mismatches;
            }
        }
    };
    auto intrude = [&] {
        for (int i = 0; i < kRounds; ++i) {
            MvDeviceInfoList list{};
            if (Code(MV_CC_EnumDevices(kAllLayers, &list)) != MV_OK) {
                continue;
            }
            for (uint32_t d = 0; d < list.nDeviceNum; ++d) {
                void* handle = nullptr;
                if (Code(MV_CC_CreateHandleWithoutLog(&handle, list.pDeviceInfo[d])) != MV_OK) {
                    continue;
                }
                const uint32_t status = Code(MV_CC_OpenDevice(handle, 1, 0));
                if (status == MV_OK) {
                    const bool ownedCamera = d < 2;
                    if (ownedCamera) {
                        ++wronglyOpened;
                    }
                    MvIntValueEx value{};
                    MV_CC_GetIntValueEx(handle, "PayloadSize", &value);
                    MV_CC_CloseDevice(handle);
                }
                MV_CC_DestroyHandle(handle);
            }
        }
    };
    auto plugInAndOut = [] {
        for (int i = 0; i < kRounds; ++i) {
            const unsigned int id = CamSim_AddDevice(MV_USB_DEVICE, "SIM-X", "X1", CAMSIM_KIND_BAYER_BG);
            CamSim_RemoveDevice(id);
        }
    };

    std::thread threads[] = {std::thread(own, mono, 640), std::thread(own, colour, 1024), std::thread(intrude),
                             std::thread(plugInAndOut)};
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches.load(), 0u);
    EXPECT_EQ(wronglyOpened.load(), 0u);
}

}  // namespace
}  // namespace SimTest
