// Enumeration, device changes and fault control from several threads at once. Run under
// ThreadSanitizer this finds unguarded state; natively it checks records stay readable and
// no call is lost from the counts.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "StreamSupport.h"

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

// Two cameras stream while a thread changes their nodes and fires triggers, another unplugs
// and replugs one of them and a third opens and closes handles on every camera. Streams that
// end through a loss are started again on a new handle. Nothing may deadlock, no callback may
// run after its handle is gone, and under ThreadSanitizer no access may race.
TEST_F(Concurrency, StreamingWhileNodesChangeAndCamerasComeAndGo)
{
    ASSERT_EQ(Code(CamSim_LoadConfig("gige:SIM-A:A1:mono; usb:SIM-B:B1:bayer_bg; gige:SIM-C:C1:mono", nullptr)), MV_OK);
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    const unsigned int stableId = Device(0).id;
    const unsigned int flakyId = Device(1).id;
    constexpr int kRounds = 60;

    struct Guarded {
        std::mutex mutex;
        void* handle = nullptr;
    };
    Guarded stable;
    Guarded flaky;
    FrameCollector stableFrames;
    FrameCollector flakyFrames;
    stableFrames.keepData = flakyFrames.keepData = false;
    std::atomic<bool> done{false};
    std::atomic<unsigned> failures{0};

    // Opens the index-th listed camera of that id and starts it grabbing; null when it is not there.
    auto startCamera = [&](unsigned int id, FrameCollector& frames) -> void* {
        MvDeviceInfoList list{};
        if (Code(MV_CC_EnumDevices(kAllLayers, &list)) != MV_OK) {
            return nullptr;
        }
        for (uint32_t i = 0; i < list.nDeviceNum; ++i) {
            CamSimDeviceState state{};
            if (CamSim_GetDevice(i, &state) != 0 || state.id != id) {
                continue;
            }
            void* handle = nullptr;
            if (Code(MV_CC_CreateHandleWithoutLog(&handle, list.pDeviceInfo[i])) != MV_OK) {
                return nullptr;
            }
            if (Code(MV_CC_OpenDevice(handle, 1, 0)) == MV_OK) {
                MV_CC_SetIntValueEx(handle, "Width", 128);
                MV_CC_SetIntValueEx(handle, "Height", 64);
                MV_CC_SetImageNodeNum(handle, 3);
                MV_CC_RegisterImageCallBackEx(handle, &FrameCollector::OnFrame, &frames);
                if (Code(MV_CC_StartGrabbing(handle)) == MV_OK) {
                    return handle;
                }
            }
            MV_CC_DestroyHandle(handle);
            return nullptr;
        }
        return nullptr;
    };

    {
        std::lock_guard<std::mutex> lock(stable.mutex);
        stable.handle = startCamera(stableId, stableFrames);
        ASSERT_NE(stable.handle, nullptr);
    }
    {
        std::lock_guard<std::mutex> lock(flaky.mutex);
        flaky.handle = startCamera(flakyId, flakyFrames);
        ASSERT_NE(flaky.handle, nullptr);
    }

    auto changeNodes = [&] {
        for (int i = 0; !done; ++i) {
            for (Guarded* camera : {&stable, &flaky}) {
                std::lock_guard<std::mutex> lock(camera->mutex);
                if (camera->handle == nullptr) {
                    continue;
                }
                MV_CC_SetFloatValue(camera->handle, "ExposureTime", i % 2 ? 2000.0f : 4000.0f);
                MV_CC_SetEnumValueByString(camera->handle, "TriggerMode", i % 5 == 0 ? "On" : "Off");
                MV_CC_SetEnumValueByString(camera->handle, "TriggerSource", "Software");
                MV_CC_SetCommandValue(camera->handle, "TriggerSoftware");
                const uint32_t status = Code(MV_CC_SetIntValueEx(camera->handle, "Width", 256));
                if (status != MV_E_GC_ACCESS && status != MV_E_BUSY) {
                    ++failures;  // locked while grabbing, or gone
                }
            }
            CamSim_FireLine(stableId, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    auto unplugAndReplug = [&] {
        for (int i = 0; i < kRounds / 3; ++i) {
            CamSim_Unplug(flakyId, i % 2 ? 5 : 0);
            {
                std::lock_guard<std::mutex> lock(flaky.mutex);
                if (flaky.handle != nullptr) {
                    MV_CC_DestroyHandle(flaky.handle);
                    flaky.handle = nullptr;
                }
            }
            if (i % 2 == 0) {
                CamSim_Replug(flakyId);
            }
            for (int wait = 0; wait < 200 && !WaitUntilListed(flakyId, std::chrono::milliseconds(10)); ++wait) {
            }
            std::lock_guard<std::mutex> lock(flaky.mutex);
            flaky.handle = startCamera(flakyId, flakyFrames);
        }
    };
    auto openAndClose = [&] {
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
                if (Code(MV_CC_OpenDevice(handle, 1, 0)) == MV_OK) {
                    MV_CC_StartGrabbing(handle);
                    MV_CC_StopGrabbing(handle);
                    MV_CC_CloseDevice(handle);
                }
                MV_CC_DestroyHandle(handle);
            }
        }
    };

    std::thread nodes(changeNodes);
    std::thread plugs(unplugAndReplug);
    std::thread others(openAndClose);
    plugs.join();
    others.join();
    done = true;
    nodes.join();
    for (Guarded* camera : {&stable, &flaky}) {
        std::lock_guard<std::mutex> lock(camera->mutex);
        if (camera->handle != nullptr) {
            MV_CC_DestroyHandle(camera->handle);
            camera->handle = nullptr;
        }
    }
    // With the handles gone no stream is left to make another callback.
    EXPECT_EQ(Stats(stableId).grabbing, 0u);
    EXPECT_EQ(Stats(flakyId).grabbing, 0u);
    EXPECT_GT(stableFrames.Count(), 0u);
    EXPECT_EQ(failures.load(), 0u);
}

}  // namespace
}  // namespace SimTest
