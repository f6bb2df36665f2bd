// Enumeration, device changes and fault control from several threads at once. Run under
// ThreadSanitizer this finds unguarded state; natively it checks records stay readable and
// no call is lost from the counts.
#include <atomic>
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

}  // namespace
}  // namespace SimTest
