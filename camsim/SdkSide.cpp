#include "camsim/SdkSide.h"

#include "convert/Converter.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "camsim/Pattern.h"
#include "util/Text.h"

namespace CamSim {

namespace {

constexpr unsigned int kAccessExclusive = 1;
constexpr unsigned int kAccessModeLast = 7;  // monitor; 2 to 7 are the shared and switchover modes
constexpr unsigned int kMaxImageNodes = 256;
// A DeviceReset takes the camera off the link for this long, as a reboot would.
constexpr uint32_t kResetRebootMs = 100;
// Handle values are opaque to the driver; spacing them out makes a handle that was
// miscomputed by a small offset fail as unknown instead of naming another device.
constexpr uintptr_t kHandleBase = 0x5100000u;
constexpr uintptr_t kHandleStride = 0x40u;

std::shared_ptr<Convert::Converter> ConverterLocked(SimHandle& handle)
{
    if (!handle.converter) {
        handle.converter = std::make_shared<Convert::Converter>();
    }
    return handle.converter;
}

}  // namespace

SdkSide& SdkSide::Instance()
{
    static SdkSide* side = new SdkSide(SimState::Instance());  // never destroyed, as the state
    return *side;
}

uint32_t SdkSide::BeginCall(Op op)
{
    return state.Locked([&] {
        ++state.callCounts[Index(op)];
        FaultRule rule;
        return state.faults.Take(op, rule) && rule.kind == CAMSIM_FAULT_STATUS ? rule.status : MV_OK;
    });
}

// ---- life cycle and enumeration ---------------------------------------------------------

uint32_t SdkSide::Initialize()
{
    return state.Locked([&](Aftermath& after) {
        if (state.initCount == 0 && !state.deviceSetOverridden) {
            state.LoadFromEnvironmentLocked(after);
        }
        ++state.initCount;
        return MV_OK;
    });
}

uint32_t SdkSide::Finalize()
{
    return state.Locked([&] {
        if (state.initCount == 0) {
            return MV_E_CALLORDER;
        }
        if (--state.initCount == 0) {
            state.retiredRecords.clear();
            for (auto& device : state.devices) {
                device->record.reset();
            }
        }
        return MV_OK;
    });
}

uint32_t SdkSide::SdkVersion()
{
    return state.Locked([&] { return state.sdkVersion; });
}

uint32_t SdkSide::EnumDevices(unsigned int layerMask, MvDeviceInfoList& list)
{
    return state.Locked([&] {
        if (state.initCount == 0) {
            return MV_E_CALLORDER;
        }
        state.PollReplugLocked();
        std::memset(&list, 0, sizeof list);
        for (auto& device : state.devices) {
            if (list.nDeviceNum == MV_MAX_DEVICE_NUM) {
                break;
            }
            if (!device->present || (device->desc.transport & layerMask) == 0) {
                continue;
            }
            if (!device->record) {
                device->record = BuildDeviceRecord(*device);
            }
            list.pDeviceInfo[list.nDeviceNum++] = device->record.get();
        }
        return MV_OK;
    });
}

// ---- handles, opening and closing -------------------------------------------------------

uint32_t SdkSide::CreateHandle(const MvDeviceInfo* record, void*& handle)
{
    return state.Locked([&] {
        if (state.initCount == 0) {
            return MV_E_CALLORDER;
        }
        uint32_t deviceId = 0;
        for (const auto& device : state.devices) {
            if (device->record.get() == record) {
                deviceId = device->id;
            }
        }
        for (const RetiredRecord& retired : state.retiredRecords) {
            if (retired.record.get() == record) {
                deviceId = retired.deviceId;
            }
        }
        if (deviceId == 0) {
            return MV_E_PARAMETER;  // not a record this SDK handed out
        }
        const uintptr_t key = kHandleBase + state.nextHandle++ * kHandleStride;
        state.handles[key] = SimHandle{};
        state.handles[key].deviceId = deviceId;
        handle = reinterpret_cast<void*>(key);
        return MV_OK;
    });
}

void SdkSide::CloseLocked(void* handle, SimHandle& found, Aftermath& after)
{
    state.StopStreamLocked(found, after);
    // Closing a device that has gone still releases the handle.
    SimDevice* device = state.FindAnyDeviceLocked(found.deviceId);
    if (found.open && device != nullptr && device->openedBy == HandleKey(handle)) {
        device->openedBy = 0;
        device->camera->StopAcquisition();
    }
    found.open = false;
}

uint32_t SdkSide::DestroyHandle(void* handle)
{
    return state.Locked([&](Aftermath& after) {
        SimHandle* found = state.FindHandleLocked(handle);
        if (found == nullptr) {
            return MV_E_HANDLE;
        }
        CloseLocked(handle, *found, after);
        after.closed.push_back(found->exceptions);
        state.handles.erase(HandleKey(handle));
        return MV_OK;
    });
}

uint32_t SdkSide::OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey)
{
    // Opening takes the camera's time; the mutex is not held meanwhile.
    const uint32_t delayMs = state.Locked([&] {
        SimHandle* found = state.FindHandleLocked(handle);
        const SimDevice* device = found != nullptr ? state.FindDeviceLocked(found->deviceId) : nullptr;
        return device != nullptr ? device->openDelayMs : 0u;
    });
    if (delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    return state.Locked([&] {
        state.PollReplugLocked();
        SimHandle* found = state.FindHandleLocked(handle);
        if (found == nullptr) {
            return MV_E_HANDLE;
        }
        if (accessMode == 0 || accessMode > kAccessModeLast) {
            return MV_E_PARAMETER;
        }
        if (accessMode != kAccessExclusive || switchoverKey != 0) {
            return MV_E_SUPPORT;  // only exclusive access is simulated
        }
        if (found->open || state.initCount == 0) {
            return MV_E_CALLORDER;
        }
        SimDevice* device = state.FindDeviceLocked(found->deviceId);
        if (device == nullptr) {
            return MV_E_BUSY;
        }
        if (device->openedBy != 0 || device->openedElsewhere) {
            return MV_E_ACCESS_DENIED;
        }
        if (!device->camera) {
            std::shared_ptr<const Model> model =
                device->customModel ? device->customModel : DefaultModel(device->desc.transport, device->desc.kind);
            if (!model) {
                return MV_E_UNKNOWN;
            }
            device->camera = std::make_unique<CameraBehaviour>(std::move(model), device->desc);
            device->camera->Nodes().SetRefusals(device->refusals);
        }
        device->openedBy = HandleKey(handle);
        found->open = true;
        found->connection = device->connection;
        return MV_OK;
    });
}

uint32_t SdkSide::CloseDevice(void* handle)
{
    return state.Locked([&](Aftermath& after) {
        SimHandle* found = state.FindHandleLocked(handle);
        if (found == nullptr) {
            return MV_E_HANDLE;
        }
        if (!found->open) {
            return MV_E_CALLORDER;
        }
        CloseLocked(handle, *found, after);
        return MV_OK;
    });
}

// ---- commands ---------------------------------------------------------------------------

uint32_t SdkSide::ExecuteCommand(void* handle, const std::string& name)
{
    return state.Locked([&](Aftermath& after) {
        const OpenedHandle opened = state.OpenedLocked(handle);
        if (opened.status != MV_OK) {
            return opened.status;
        }
        CommandEffect effect = CommandEffect::SettingsChanged;
        const uint32_t status = opened.device->camera->Execute(name, effect);
        if (status != MV_OK) {
            return status;
        }
        Stream* stream = opened.handle->stream.get();
        if (effect == CommandEffect::Reboot) {
            state.UnplugLocked(*opened.device, kResetRebootMs, after);  // the camera reboots: a short loss
        } else if (stream == nullptr) {
            // Nothing grabbing: the camera's state changed, no frame goes anywhere.
        } else if (effect == CommandEffect::AcquisitionStarted) {
            stream->AcquisitionStartedLocked();
        } else if (effect == CommandEffect::AcquisitionStopped) {
            stream->AcquisitionStoppedLocked();
        } else if (effect == CommandEffect::SoftwareTrigger) {
            stream->OfferTriggerLocked("Software", 0);
        } else {
            stream->WakeLocked();
        }
        return MV_OK;
    });
}

// ---- streaming, callbacks, conversion ---------------------------------------------------

uint32_t SdkSide::SetImageNodeNum(void* handle, unsigned int count)
{
    return state.Locked([&] {
        const OpenedHandle opened = state.OpenedLocked(handle);
        if (opened.status == MV_E_HANDLE) {
            return MV_E_HANDLE;
        }
        if (count == 0 || count > kMaxImageNodes) {
            return MV_E_PARAMETER;
        }
        if (opened.status != MV_OK) {
            return opened.status;
        }
        if (opened.handle->stream) {
            return MV_E_CALLORDER;  // the buffers of a running session stay as they are
        }
        opened.handle->bufferCount = count;
        return MV_OK;
    });
}

uint32_t SdkSide::RegisterImageCallback(void* handle, MvImageCallback callback, void* user, bool bgr)
{
    return state.Locked([&] {
        const OpenedHandle opened = state.OpenedLocked(handle);
        if (opened.status != MV_OK) {
            return opened.status;
        }
        SimHandle& found = *opened.handle;
        if (found.stream) {
            return MV_E_CALLORDER;  // changing the callback under a running delivery thread
        }
        found.imageCallback = callback;
        found.imageUser = user;
        found.bgrCallback = bgr && callback != nullptr;
        return MV_OK;
    });
}

uint32_t SdkSide::RegisterExceptionCallback(void* handle, MvExceptionCallback callback, void* user)
{
    std::shared_ptr<CallbackGate> gate;
    const uint32_t status = state.Locked([&] {
        const OpenedHandle opened = state.OpenedLocked(handle);
        if (opened.status == MV_OK) {
            gate = opened.handle->exceptions;
        }
        return opened.status;
    });
    if (status != MV_OK) {
        return status;
    }
    // Outside the mutex: unregistering waits for a callback in progress, which may call the SDK.
    return gate->Set(callback, user) ? MV_OK : MV_E_HANDLE;
}

std::shared_ptr<Convert::Converter> SdkSide::ConverterFor(void* handle, uint32_t& status)
{
    return state.Locked([&]() -> std::shared_ptr<Convert::Converter> {
        SimHandle* found = state.FindHandleLocked(handle);
        if (found == nullptr) {
            status = MV_E_HANDLE;
            return nullptr;
        }
        status = MV_OK;
        return ConverterLocked(*found);
    });
}

uint32_t SdkSide::StartGrabbing(void* handle)
{
    return state.Locked([&](Aftermath& after) {
        const OpenedHandle opened = state.OpenedLocked(handle);
        if (opened.status != MV_OK) {
            return opened.status;
        }
        SimHandle& found = *opened.handle;
        if (found.stream) {
            return MV_E_CALLORDER;
        }
        CameraBehaviour& camera = *opened.device->camera;
        const ImageFormat format = camera.CurrentFormat();
        Stream::Settings settings;
        settings.width = format.width;
        settings.height = format.height;
        settings.pixelFormat = format.pixelFormat;
        if (settings.width == 0 || settings.height == 0 || !CanRender(settings.pixelFormat)) {
            return MV_E_SUPPORT;  // a model without an image the simulator can make
        }
        if (found.bgrCallback && settings.pixelFormat != PixelType_BGR8_Packed) {
            if (!Convert::Converter::IsSupported(settings.pixelFormat, PixelType_BGR8_Packed)) {
                return MV_E_SUPPORT;  // a format the conversion cannot turn into BGR8
            }
            settings.toBgr = ConverterLocked(found);
        }
        settings.bufferCount = found.bufferCount;
        settings.callback = found.imageCallback;
        settings.user = found.imageUser;
        // A camera refusing to start its acquisition fails the start.
        const uint32_t status = camera.ExecuteAcquisitionStart();
        if (status != MV_OK) {
            return status;
        }
        auto stream = std::make_shared<Stream>(state.mutex, *opened.device, settings);
        if (!Stream::StartLocked(stream)) {
            after.streams.push_back(std::move(stream));
            camera.StopAcquisition();
            return MV_E_RESOURCE;
        }
        camera.SetStreamLocked(true);
        camera.StartAcquisition();
        stream->AcquisitionStartedLocked();
        found.stream = stream;
        opened.device->lastStream = std::move(stream);
        return MV_OK;
    });
}

uint32_t SdkSide::StopGrabbing(void* handle)
{
    // Returns once the callback in progress, if any, has returned.
    return state.Locked([&](Aftermath& after) {
        const OpenedHandle opened = state.OpenedLocked(handle);
        if (opened.status != MV_OK) {
            return opened.status;
        }
        if (!opened.handle->stream) {
            return MV_E_CALLORDER;
        }
        state.StopStreamLocked(*opened.handle, after);
        return MV_OK;
    });
}

// ---- action commands --------------------------------------------------------------------

uint32_t SdkSide::IssueAction(const MvActionCmdInfo& info, MvActionCmdResultList& results)
{
    uint32_t target = 0;
    uint32_t hostNet = 0;
    if (!Util_2_1::ParseIpv4(info.pBroadcastAddress, target) ||
        (info.bSpecialNetEnable != 0 &&
         (info.pSpecialNetIP == nullptr || !Util_2_1::ParseIpv4(info.pSpecialNetIP, hostNet)))) {
        return MV_E_PARAMETER;
    }
    if (results.nNumResults > 0 && results.pResults == nullptr) {
        return MV_E_PARAMETER;
    }
    const uint32_t capacity = results.nNumResults;
    uint32_t written = 0;
    bool silentCamera = false;
    const uint32_t status = state.Locked([&] {
        if (state.initCount == 0) {
            return MV_E_CALLORDER;
        }
        state.PollReplugLocked();
        for (auto& device : state.devices) {
            if (!device->present || device->desc.transport != MV_GIGE_DEVICE) {
                continue;
            }
            const uint32_t ip = device->desc.ipAddress;
            const uint32_t subnet = ip & 0xFFFFFF00u;
            const bool reached = target == 0xFFFFFFFFu || target == ip || target == (subnet | 0xFFu);
            const bool onInterface = info.bSpecialNetEnable == 0 || (hostNet & 0xFFFFFF00u) == subnet;
            const bool keysMatch = info.nDeviceKey == device->actionDeviceKey &&
                                   info.nGroupKey == device->actionGroupKey &&
                                   (info.nGroupMask & device->actionGroupMask) != 0;
            // A camera silently ignores an action that is not meant for it.
            if (!reached || !onInterface || !keysMatch) {
                continue;
            }
            if (device->actionAnswer == CAMSIM_ACTION_NO_ANSWER) {
                silentCamera = true;
                continue;
            }
            if (device->actionAnswer == 0) {
                if (SimHandle* opener = state.OpenerLocked(*device); opener != nullptr && opener->stream) {
                    opener->stream->OfferTriggerLocked("Action1", 0);
                }
            }
            if (written < capacity) {
                MvActionCmdResult& out = results.pResults[written++];
                std::memset(&out, 0, sizeof out);
                Util_2_1::CopyText(out.strDeviceAddress, Util_2_1::FormatIpv4(ip));
                out.nStatus = static_cast<int32_t>(device->actionAnswer);
            }
        }
        return MV_OK;
    });
    if (status != MV_OK) {
        return status;
    }
    results.nNumResults = written;
    // Waiting for an acknowledge that never comes takes the whole time-out.
    if (silentCamera && info.nTimeOut > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(info.nTimeOut));
    }
    return MV_OK;
}

}  // namespace CamSim
