// The camera's own stored configurations (user sets) and feature files on the computer,
// reached through reserved property names. Called from SetProperty with openLock held.
#include <exception>

#include "camera/Camera.h"
#include "platform/Platform.h"
#include "util/Globals.h"
#include "util/Logger.h"

using Util_2_1::EqualsNoCase;
using Util_2_1::ParamValue;

namespace {

const char* const kUserSets[] = {"Default", "UserSet1", "UserSet2", "UserSet3"};

bool IsWholeNumber(const std::string& text)
{
    size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

// The set's index from its number or its entry name; -1 for anything else, so that a word
// never quietly counts as 0 (the factory set).
int UserSetIndex(const ParamValue& value)
{
    const std::string text = Util_2_1::Trim(value.text);
    for (int i = 0; i < 4; ++i) {
        if (EqualsNoCase(text, kUserSets[i])) return i;
    }
    if (!IsWholeNumber(text)) return -1;
    const int32_t index = static_cast<int32_t>(value.i64);
    return index >= 0 && index <= 3 ? index : -1;
}

// Feature files stay under the system path: no absolute path and no way up out of it.
bool StaysUnderSystemPath(const std::string& name)
{
    if (name.empty() || Platform::IsAbsolutePath(name) || name[0] == '/' || name[0] == '\\') return false;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = name.find_first_of("/\\", start);
        const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") return false;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool Camera::SetProperty_UserSet_LoadSave(const ParamValue& value, int mode)
{
    const int logPort = Port();
    const char* const tag = "Camera::SetProperty_UserSet_LoadSave";
    // Checked before anything is touched: nothing may be left stopped on the way out.
    if (mode != 0 && mode != 1) {
        ORNIC_LOG1_ERR(logPort, tag, "Unrecognized Load/Save mode: " << mode);
        return false;
    }
    const int index = UserSetIndex(value);
    if (index < 0) {
        ORNIC_LOG1_ERR(logPort, tag, "Unrecognized user set:" << value.text);
        return false;
    }
    const char* const command = mode == 0 ? "UserSetLoad" : "UserSetSave";
    if (!RequireOpen(command)) return false;
    const char* const entry = kUserSets[index];
    MvStatus status(MV_CC_SetEnumValueByString(SdkHandle(), "UserSetSelector", entry));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(logPort, tag, "WriteEnum UserSetSelector " << entry << " failed " << status);
        return false;
    }
    // Resumes (with the image buffer following a changed size) when the scope ends.
    GrabPauseGuard pause(*this);
    pause.Pause();
    status = MV_CC_SetCommandValue(SdkHandle(), command);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(logPort, tag, command << " " << value.text << " failed for camera " << ConfigName() << status);
        return false;
    }
    ORNIC_LOG1_INFO(logPort, tag, command << " " << value.text << " executed for camera " << ConfigName());
    parameters.UpdateParameters();
    return true;
}

bool Camera::SetProperty_UserSet_Default(const ParamValue& value)
{
    const int logPort = Port();
    const char* const tag = "Camera::SetProperty_UserSet_Default";
    const int index = UserSetIndex(value);
    if (index < 0) {
        ORNIC_LOG1_ERR(logPort, tag, "Unrecognized user set:" << value.text);
        return false;
    }
    if (!RequireOpen("UserSetDefault")) return false;
    const char* const entry = kUserSets[index];
    const MvStatus status(MV_CC_SetEnumValueByString(SdkHandle(), "UserSetDefault", entry));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(logPort, tag, "WriteEnum UserSetDefault " << entry << " failed " << status);
        return false;
    }
    // The model shows the camera's choice.
    if (const auto p = parameters.Find("UserSetDefault")) (void)parameters.ReadFromCamera(*p);
    return true;
}

bool Camera::SetProperty_FeatureSave(const std::string& fileName, bool save)
{
    const int logPort = Port();
    const char* const tag = "Camera::SetProperty_FeatureSave";
    const char* const command = save ? "FeatureSave" : "FeatureLoad";
    try {
        ORNIC_LOG3_TRACE(logPort, tag, "Camera " << command << " " << fileName);
        const std::string name = Util_2_1::Trim(fileName);
        if (!StaysUnderSystemPath(name)) {
            ORNIC_LOG1_ERR(logPort, tag,
                           command << ", file=" << fileName
                                   << " refused: a file name (or a path below the system path) is needed");
            return false;
        }
        if (!RequireOpen(command)) return false;
        const std::string path = Platform::JoinPath(Globals::Instance().SystemPath(), name);
        MvStatus status;
        {
            GrabPauseGuard pause(*this);
            pause.Pause();
            if (save) {
                status = MV_CC_FeatureSave(SdkHandle(), path.c_str());
            } else {
                status = MV_CC_FeatureLoad(SdkHandle(), path.c_str());
                // Also after a partial load: the lines that could be applied were.
                parameters.UpdateParameters();
            }
        }
        if (!status.Ok()) ORNIC_LOG1_ERR(logPort, tag, command << ", file=" << fileName << " failed " << status);
        ORNIC_LOG3_TRACE(logPort, tag, "Camera " << command << " leaving");
        return status.Ok();
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(logPort, tag, "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(logPort, tag, "Undefined Exception ");
    }
    return false;
}
