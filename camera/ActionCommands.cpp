// GigE Vision action commands: one broadcast that makes every camera with matching keys act
// at once. Needs no open camera and touches no camera state.
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "camera/Camera.h"
#include "util/Logger.h"

using Util_2_1::EqualsNoCase;

namespace {

struct ActionRequest {
    uint32_t key = 1;
    uint32_t group = 1;
    uint32_t mask = 1;
    int64_t time = 0;  // 0: act at once
    std::string ip = "255.255.255.255";
};

// The whole text as decimal or 0x hexadecimal, at most `limit`.
bool ParseNumber(const std::string& raw, uint64_t limit, uint64_t& value)
{
    const std::string text = Util_2_1::Trim(raw);
    const char* begin = text.data();
    const char* const end = begin + text.size();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        begin += 2;
        base = 16;
    }
    if (begin == end) return false;
    const auto parsed = std::from_chars(begin, end, value, base);
    return parsed.ec == std::errc() && parsed.ptr == end && value <= limit;
}

const char* AcknowledgeText(int32_t status)
{
    switch (static_cast<uint32_t>(status)) {
    case 0:
        return "OK";
    case 0x8001:
        return "Command is not supported by the device";
    case 0x8013:
        return "The device is not synchronized to a master clock to be used as time reference";
    case 0x8015:
        return "A device queue or packet data has overflowed";
    case 0x8016:
        return "The requested scheduled action command was requested at a time that is already past";
    default:
        return "Unrecognzed Error";
    }
}

// The arguments by name, any case; anything unknown or malformed is refused rather than sent
// with a default in its place, which would make other cameras act.
bool ReadArguments(const Camera::ActionArguments& arguments, ActionRequest& request, std::string& problem)
{
    for (const auto& argument : arguments) {
        const std::string& name = argument.first;
        const std::string& text = argument.second;
        uint64_t number = 0;
        if (EqualsNoCase(name, "key") || EqualsNoCase(name, "group") || EqualsNoCase(name, "groupmask")) {
            if (!ParseNumber(text, UINT32_MAX, number)) {
                problem = name + "=" + text + " is not a 32-bit unsigned number";
                return false;
            }
            uint32_t& field = EqualsNoCase(name, "key")     ? request.key
                              : EqualsNoCase(name, "group") ? request.group
                                                            : request.mask;
            field = static_cast<uint32_t>(number);
        } else if (EqualsNoCase(name, "time")) {
            if (!ParseNumber(text, INT64_MAX, number)) {
                problem = name + "=" + text + " is not a 64-bit time";
                return false;
            }
            request.time = static_cast<int64_t>(number);
        } else if (EqualsNoCase(name, "ip")) {
            uint32_t address = 0;
            if (!Util_2_1::ParseIpv4(text, address)) {
                problem = name + "=" + text + " is not an IPv4 address";
                return false;
            }
            request.ip = text;
        } else {
            problem = "unknown argument " + name + " (key, group, groupmask, time, ip)";
            return false;
        }
    }
    return true;
}

}  // namespace

bool Camera::ExecuteActionCommand(const ActionArguments& arguments, std::string& result)
{
    const int logPort = Port();
    const char* const tag = "Camera::ExecuteActionCommand";
    ActionRequest request;
    std::string problem;
    if (!ReadArguments(arguments, request, problem)) {
        ORNIC_LOG1_ERR(logPort, tag, "ActionCommand not sent: " << problem);
        result += "ActionCommand not sent: " + problem;
        return false;
    }
    std::string used;
    Util_2_1::LogLine(used) << "key=" << request.key << ", group=" << request.group << ", mask=" << request.mask
                            << ", ip=" << request.ip << ", time=" << request.time;
    ORNIC_LOG2_INFO(logPort, tag, "Actual ActionCommand: " << used);

    MvActionCmdInfo info;
    std::memset(&info, 0, sizeof info);
    info.nDeviceKey = request.key;
    info.nGroupKey = request.group;
    info.nGroupMask = request.mask;
    info.bActionTimeEnable = request.time != 0 ? 1u : 0u;
    if (request.time != 0) info.nActionTime = request.time;
    info.pBroadcastAddress = request.ip.c_str();
    info.nTimeOut = 100;
    std::vector<MvActionCmdResult> answers(MV_MAX_DEVICE_NUM);
    MvActionCmdResultList list{static_cast<uint32_t>(answers.size()), answers.data()};
    const MvStatus status(MV_GIGE_IssueActionCommand(&info, &list));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(logPort, tag, "MV_GIGE_IssueActionCommand failed " << status);
        ORNIC_LOG1_ERR(logPort, tag, "ActionCommand parameters used: " << used);
        result += "MV_GIGE_IssueActionCommand failed " + status.Text();
        return false;
    }
    const uint32_t count = list.nNumResults < answers.size() ? list.nNumResults : static_cast<uint32_t>(answers.size());
    ORNIC_LOG2_INFO(logPort, tag,
                    "MV_GIGE_IssueActionCommand succeeds. Total cameras=" << count << ". Result by camera : ");
    bool acted = false;
    for (uint32_t i = 0; i < count; ++i) {
        const MvActionCmdResult& answer = answers[i];
        const char* const end =
            static_cast<const char*>(std::memchr(answer.strDeviceAddress, '\0', sizeof answer.strDeviceAddress));
        const std::string address(answer.strDeviceAddress,
                                  end != nullptr ? end : answer.strDeviceAddress + sizeof answer.strDeviceAddress);
        if (answer.nStatus == 0) {
            ORNIC_LOG2_INFO(logPort, tag, "   ActionCommand OK for " << address);
            acted = true;
            continue;
        }
        const char* const text = AcknowledgeText(answer.nStatus);
        ORNIC_LOG1_INFO(
            logPort, tag,
            "   ActionCommand FAILED for " << address << ", error code=" << answer.nStatus << " : " << text);
        result += "FAILED for " + address + ", rc=" + std::to_string(answer.nStatus) + ", " + text;
    }
    if (count == 0) ORNIC_LOG1_INFO(logPort, tag, "ActionCommand: no camera answered");
    return acted;
}
