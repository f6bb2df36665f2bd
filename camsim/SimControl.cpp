#include "camsim/SimControl.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "camsim/ApiGuard.h"
#include "camsim/ControlSide.h"
#include "camsim/ModelText.h"
#include "camsim/WriteHook.h"
#include "util/Text.h"

using CamSim::ConfigOutcome;
using CamSim::ControlSide;
using CamSim::DeviceDesc;
using CamSim::Guarded;

namespace {

void FillReport(const ConfigOutcome& outcome, CamSimConfigReport* report)
{
    if (report == nullptr) {
        return;
    }
    std::memset(report, 0, sizeof *report);
    report->source = outcome.source;
    report->devicesLoaded = outcome.loaded;
    report->entriesSkipped = outcome.skipped;
    report->fileUnreadable = outcome.fileUnreadable ? 1u : 0u;
    report->firstErrorLine = outcome.firstErrorLine;
    Util_2_1::CopyText(report->firstError, outcome.firstError);
}

// The id, or 0 with the reason on stderr.
unsigned int Add(const DeviceDesc& desc)
{
    std::string reason;
    const uint32_t id = ControlSide::Instance().AddDevice(desc, reason);
    if (id == 0) {
        std::fprintf(stderr, "camsim: device not added: %s\n", reason.c_str());
    }
    return id;
}

std::atomic<CamSimWriteHook> writeHook{nullptr};
std::atomic<void*> writeHookUser{nullptr};

// Control calls that answer an id or a count report failure as 0.
template <typename Body>
unsigned int GuardedValue(Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

}  // namespace

void CamSim::RunWriteHook(const char* node)
{
    if (const CamSimWriteHook hook = writeHook.load()) hook(writeHookUser.load(), node);
}

extern "C" {

CAMSIM_API void CAMSIM_CALL CamSim_Reset(void)
{
    Guarded([] {
        writeHook.store(nullptr);
        ControlSide::Instance().Reset();
        return MV_OK;
    });
}

CAMSIM_API unsigned int CAMSIM_CALL CamSim_GetInitCount(void)
{
    return GuardedValue([] { return ControlSide::Instance().InitCount(); });
}

CAMSIM_API void CAMSIM_CALL CamSim_ClearDevices(void)
{
    Guarded([] {
        ControlSide::Instance().ClearDevices();
        return MV_OK;
    });
}

CAMSIM_API unsigned int CAMSIM_CALL CamSim_AddDevice(unsigned int transport, const char* model, const char* serial,
                                                     unsigned int kind)
{
    return GuardedValue([&]() -> unsigned int {
        if (model == nullptr || serial == nullptr) {
            std::fprintf(stderr, "camsim: device not added: model and serial number are required\n");
            return 0;
        }
        DeviceDesc desc;
        desc.transport = transport;
        desc.model = model;
        desc.serial = serial;
        desc.kind = kind;
        return Add(desc);
    });
}

CAMSIM_API unsigned int CAMSIM_CALL CamSim_AddDeviceText(const char* entry)
{
    return GuardedValue([&]() -> unsigned int {
        if (entry == nullptr) {
            return 0;
        }
        const std::string text(entry);
        if (text.find_first_of(";#\n") != std::string::npos) {
            std::fprintf(stderr, "camsim: device not added: one entry without ';', '#' or line breaks expected\n");
            return 0;
        }
        DeviceDesc desc;
        std::string reason;
        if (!CamSim::ParseEntry(text, desc, reason)) {
            std::fprintf(stderr, "camsim: device not added: %s\n", reason.c_str());
            return 0;
        }
        return Add(desc);
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_RemoveDevice(unsigned int id)
{
    return Guarded([&] { return ControlSide::Instance().RemoveDevice(id) ? MV_OK : MV_E_PARAMETER; });
}

CAMSIM_API unsigned int CAMSIM_CALL CamSim_GetDeviceCount(void)
{
    return GuardedValue([] { return static_cast<unsigned int>(ControlSide::Instance().DeviceCount()); });
}

CAMSIM_API int CAMSIM_CALL CamSim_GetDevice(unsigned int index, CamSimDeviceState* state)
{
    return Guarded([&] {
        if (state == nullptr) {
            return MV_E_PARAMETER;
        }
        return ControlSide::Instance().GetDevice(index, *state) ? MV_OK : MV_E_PARAMETER;
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_LoadConfig(const char* text, CamSimConfigReport* report)
{
    return Guarded([&] {
        if (text == nullptr) {
            return MV_E_PARAMETER;
        }
        FillReport(ControlSide::Instance().LoadConfigText(text), report);
        return MV_OK;
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_LoadConfigFile(const char* path, CamSimConfigReport* report)
{
    return Guarded([&] {
        if (path == nullptr) {
            return MV_E_PARAMETER;
        }
        ConfigOutcome outcome;
        const bool loaded = ControlSide::Instance().LoadConfigFile(path, outcome);
        FillReport(outcome, report);
        return loaded ? MV_OK : MV_E_OPENFILE;
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_GetConfigReport(CamSimConfigReport* report)
{
    return Guarded([&] {
        if (report == nullptr) {
            return MV_E_PARAMETER;
        }
        FillReport(ControlSide::Instance().LastConfig(), report);
        return MV_OK;
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_FailNext(const char* operation, unsigned int count, unsigned int status)
{
    if (count == 0) {
        return CamSim::Status(MV_E_PARAMETER);
    }
    CamSimFault fault{};
    fault.operation = operation;
    fault.kind = CAMSIM_FAULT_STATUS;
    fault.count = count;
    fault.status = status;
    return CamSim_AddFault(&fault);
}

CAMSIM_API int CAMSIM_CALL CamSim_AddFault(const CamSimFault* fault)
{
    return Guarded([&] {
        CamSim::Op op{};
        if (fault == nullptr || fault->operation == nullptr || !CamSim::FindOp(fault->operation, op)) {
            return MV_E_PARAMETER;
        }
        CamSim::FaultRule rule;
        rule.kind = fault->kind;
        rule.skipCalls = fault->skipCalls;
        rule.remaining = fault->count;
        rule.endless = fault->count == 0;
        rule.status = fault->status;
        return ControlSide::Instance().AddFault(op, rule);
    });
}

CAMSIM_API void CAMSIM_CALL CamSim_ClearFaults(void)
{
    Guarded([] {
        ControlSide::Instance().ClearFaults();
        return MV_OK;
    });
}

CAMSIM_API unsigned int CAMSIM_CALL CamSim_GetCallCount(const char* operation)
{
    return GuardedValue([&]() -> unsigned int {
        CamSim::Op op{};
        if (operation == nullptr || !CamSim::FindOp(operation, op)) {
            return 0;
        }
        return ControlSide::Instance().CallCount(op);
    });
}

CAMSIM_API void CAMSIM_CALL CamSim_ResetCallCounts(void)
{
    Guarded([] {
        ControlSide::Instance().ResetCallCounts();
        return MV_OK;
    });
}

CAMSIM_API void CAMSIM_CALL CamSim_SetSdkVersion(unsigned int version)
{
    Guarded([&] {
        ControlSide::Instance().SetSdkVersion(version);
        return MV_OK;
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_SetDeviceModel(unsigned int id, const char* modelText)
{
    return Guarded([&] {
        std::shared_ptr<const CamSim::Model> model;
        if (modelText != nullptr) {
            std::string problem;
            model = CamSim::ParseModelText(modelText, problem);
            if (!model) {
                std::fprintf(stderr, "camsim: model not set: %s\n", problem.c_str());
                return MV_E_PARAMETER;
            }
        }
        return ControlSide::Instance().SetDeviceModel(id, std::move(model));
    });
}

}  // extern "C"

// ---- streaming, device loss, per-camera faults, actions ----------------------------------

extern "C" {

CAMSIM_API int CAMSIM_CALL CamSim_GetStreamStats(unsigned int id, CamSimStreamStats* stats)
{
    return Guarded(
        [&] { return stats == nullptr ? MV_E_PARAMETER : ControlSide::Instance().GetStreamStats(id, *stats); });
}

CAMSIM_API int CAMSIM_CALL CamSim_FireLine(unsigned int id, unsigned int line)
{
    return Guarded([&] { return ControlSide::Instance().FireLine(id, line); });
}

CAMSIM_API int CAMSIM_CALL CamSim_SetUnthrottled(unsigned int id, int unthrottled)
{
    return Guarded([&] {
        return ControlSide::Instance().ChangeDevice(id, [&](CamSim::SimDevice& device) {
            device.unthrottled = unthrottled != 0;
            return MV_OK;
        });
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_SetDeliveryDelay(unsigned int id, unsigned int microseconds)
{
    return Guarded([&] {
        return ControlSide::Instance().ChangeDevice(id, [&](CamSim::SimDevice& device) {
            device.deliveryDelayUs = microseconds;
            return MV_OK;
        });
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_Unplug(unsigned int id, unsigned int replugAfterMs)
{
    return Guarded([&] { return ControlSide::Instance().Unplug(id, replugAfterMs); });
}

CAMSIM_API int CAMSIM_CALL CamSim_Replug(unsigned int id)
{
    return Guarded([&] { return ControlSide::Instance().Replug(id); });
}

CAMSIM_API int CAMSIM_CALL CamSim_SetOpenDelay(unsigned int id, unsigned int milliseconds)
{
    return Guarded([&] {
        return ControlSide::Instance().ChangeDevice(id, [&](CamSim::SimDevice& device) {
            device.openDelayMs = milliseconds;
            return MV_OK;
        });
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_RefuseValue(unsigned int id, const char* node, const char* valueText,
                                              unsigned int status)
{
    return Guarded([&] {
        if (node == nullptr || valueText == nullptr || status == MV_OK) {
            return MV_E_PARAMETER;
        }
        CamSim::NodeMap::Refusal refusal{node, valueText, status};
        return ControlSide::Instance().ChangeDevice(id, [&](CamSim::SimDevice& device) {
            device.refusals.push_back(refusal);
            return MV_OK;
        });
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_ClearRefusals(unsigned int id)
{
    return Guarded([&] {
        return ControlSide::Instance().ChangeDevice(id, [](CamSim::SimDevice& device) {
            device.refusals.clear();
            return MV_OK;
        });
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_SetOpenedElsewhere(unsigned int id, int openedElsewhere)
{
    return Guarded([&] {
        return ControlSide::Instance().ChangeDevice(id, [&](CamSim::SimDevice& device) {
            device.openedElsewhere = openedElsewhere != 0;
            return MV_OK;
        });
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_SetActionKeys(unsigned int id, unsigned int deviceKey, unsigned int groupKey,
                                                unsigned int groupMask)
{
    return Guarded([&] {
        return ControlSide::Instance().ChangeDevice(id, [&](CamSim::SimDevice& device) {
            if (device.desc.transport != MV_GIGE_DEVICE) {
                return MV_E_PARAMETER;
            }
            device.actionDeviceKey = deviceKey;
            device.actionGroupKey = groupKey;
            device.actionGroupMask = groupMask;
            return MV_OK;
        });
    });
}

CAMSIM_API int CAMSIM_CALL CamSim_SetActionAnswer(unsigned int id, unsigned int answer)
{
    return Guarded([&] {
        if (answer != 0 && answer != 0x8013u && answer != 0x8015u && answer != 0x8016u &&
            answer != CAMSIM_ACTION_NO_ANSWER) {
            return MV_E_PARAMETER;
        }
        return ControlSide::Instance().ChangeDevice(id, [&](CamSim::SimDevice& device) {
            if (device.desc.transport != MV_GIGE_DEVICE) {
                return MV_E_PARAMETER;
            }
            device.actionAnswer = answer;
            return MV_OK;
        });
    });
}

CAMSIM_API void CAMSIM_CALL CamSim_SetWriteHook(CamSimWriteHook hook, void* user)
{
    writeHookUser.store(user);
    writeHook.store(hook);
}

}  // extern "C"
