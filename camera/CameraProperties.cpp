// The host's named properties: aliases, the gamma scale, the reserved names, and reads, writes
// and ranges of the camera's parameters. Every entry takes openLock once (HostAccess); what
// runs below it never takes it again.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <locale>
#include <sstream>

#include "camera/Camera.h"
#include "platform/Platform.h"
#include "util/Globals.h"
#include "util/Logger.h"

using Util_2_1::EqualsNoCase;
using Util_2_1::Param;
using Util_2_1::ParamValue;

namespace {

// The frame-information values GetProperty reports from the last frame handed to the host.
struct FrameValue {
    const char* name;
    const char* alias;
    bool wide;  // 64 bits; the others are 32-bit counts
    int64_t (*read)(const MvFrameOutInfoEx&);
};

const FrameValue kFrameValues[] = {
    {"FrameNumber", "FrameNum", false, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nFrameNum; }},
    {"FrameDevTimeStampHigh", nullptr, false, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nDevTimeStampHigh; }},
    {"FrameDevTimeStampLow", nullptr, false, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nDevTimeStampLow; }},
    {"FrameHostTimeStamp", nullptr, true, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nHostTimeStamp; }},
    {"FrameSecondCount", nullptr, false, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nSecondCount; }},
    {"FrameCycleCount", nullptr, false, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nCycleCount; }},
    {"FrameCycleOffset", nullptr, false, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nCycleOffset; }},
    {"FrameTriggerIndex", nullptr, false, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nTriggerIndex; }},
    {"FrameLostPacket", nullptr, false, [](const MvFrameOutInfoEx& i) -> int64_t { return i.nLostPacket; }},
};

const FrameValue* FindFrameValue(const std::string& name)
{
    for (const FrameValue& v : kFrameValues) {
        if (EqualsNoCase(name, v.name) || (v.alias != nullptr && EqualsNoCase(name, v.alias))) return &v;
    }
    return nullptr;
}

std::string Alias(const std::string& name)
{
    if (EqualsNoCase(name, "framerate")) return "AcquisitionFrameRate";
    if (EqualsNoCase(name, "exposure") || EqualsNoCase(name, "shutter") || EqualsNoCase(name, "shuter"))
        return "ExposureTime";
    return name;
}

// The host sees these floating-point parameters multiplied, so that an integer carries them.
double ScaleFactor(const std::string& name)
{
    return EqualsNoCase(name, "gamma") ? 1000.0 : 1.0;
}

bool IsOneOf(const std::string& name, const char* a, const char* b = nullptr)
{
    return EqualsNoCase(name, a) || (b != nullptr && EqualsNoCase(name, b));
}

// The host gave a number, not a word: the text is the default stream formatting of `d`.
bool IsPlainNumber(const ParamValue& value)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value.d;
    return out.str() == value.text;
}

// The whole text is a finite number (decimal, 0x hexadecimal) or true/false.
bool IsNumberText(const std::string& raw)
{
    const std::string text = Util_2_1::Trim(raw);
    if (text.empty()) return false;
    if (EqualsNoCase(text, "true") || EqualsNoCase(text, "false")) return true;
    const char* begin = text.data();
    const char* const end = begin + text.size();
    if (*begin == '+') ++begin;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        uint64_t bits = 0;
        const auto parsed = std::from_chars(begin + 2, end, bits, 16);
        return parsed.ec == std::errc() && parsed.ptr == end;
    }
    double number = 0.0;
    const auto parsed = std::from_chars(begin, end, number);
    return parsed.ec == std::errc() && parsed.ptr == end && std::isfinite(number);
}

int32_t ClampToInt(double x)
{
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);  // toward zero
}

int32_t ClampToInt(int64_t x)
{
    if (x > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (x < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

// Sets the parameter from the host's value by its type; false (logged) when the value does not
// fit the type, so that "abc" never becomes 0 and an unknown entry never passes as written.
bool SetFromValue(Param& p, const ParamValue& value, int port)
{
    const char* const tag = "Camera::SetProperty";
    auto refuse = [&](const char* why) {
        ORNIC_LOG1_ERR(port, tag, "SetProperty (" << p.Name() << ") refused: '" << value.text << "' " << why);
        return false;
    };
    switch (p.Type()) {
    case Util_2_1::TypeBool:
        if (!IsNumberText(value.text)) return refuse("is neither a number nor true/false");
        p.SetBool(value.i64 != 0);
        return true;
    case Util_2_1::TypeInt:
    case Util_2_1::TypeUInt:
        if (!IsNumberText(value.text)) return refuse("is not a number");
        p.SetInt64(value.i64);
        return true;
    case Util_2_1::TypeFloat:
        if (!IsNumberText(value.text)) return refuse("is not a number");
        p.SetDouble(value.d);
        return true;
    case Util_2_1::TypeEnum: {
        const auto* choice = dynamic_cast<const Util_2_1::ParamEnum*>(&p);
        if (choice == nullptr) break;
        const std::string text = Util_2_1::Trim(value.text);
        for (const Util_2_1::EnumEntry& entry : choice->Entries()) {
            if (EqualsNoCase(entry.name, text)) {
                p.SetText(entry.name);
                return true;
            }
        }
        // An integer from the host selects the entry of that value.
        if (IsNumberText(text) && value.d == std::floor(value.d)) {
            for (const Util_2_1::EnumEntry& entry : choice->Entries()) {
                if (entry.value == value.i64) {
                    p.SetInt64(value.i64);
                    return true;
                }
            }
        }
        return refuse("is not an entry");
    }
    case Util_2_1::TypeIP: {
        uint32_t address = 0;
        if (Util_2_1::ParseIpv4(Util_2_1::Trim(value.text), address)) {
            p.SetInt64(address);
            return true;
        }
        if (!IsNumberText(value.text)) return refuse("is not an IPv4 address");
        p.SetInt64(value.i64);
        return true;
    }
    default:
        break;
    }
    p.SetText(value.text);
    return true;
}

}  // namespace

bool Camera::SetProperty(const std::string& requested, const ParamValue& value)
{
    const char* const tag = "Camera::SetProperty";
    try {
        ORNIC_LOG3_TRACE(Port(), tag, "SetProperty prop=" << requested << " value=" << value.text);
        HostAccess access(*this, "SetProperty");
        return access && SetPropertyLocked(Alias(requested), value);
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(Port(), tag, "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(Port(), tag, "Undefined Exception ");
    }
    return false;
}

bool Camera::SetPropertyLocked(const std::string& name, const ParamValue& value)
{
    const int logPort = Port();
    const char* const tag = "Camera::SetProperty";
    if (IsOneOf(name, "continuous", "continous")) return SetContinuousGrabModeLocked(value.i64 != 0);
    if (IsOneOf(name, "DeviceReset", "Reset")) {
        const MvStatus status(MV_CC_SetCommandValue(SdkHandle(), "DeviceReset"));
        if (status.Ok()) {
            ORNIC_LOG1_INFO(logPort, tag, "DeviceReset executed for camera " << ConfigName());
        } else {
            ORNIC_LOG1_ERR(logPort, tag, "DeviceReset failed for camera " << ConfigName() << ", rc=" << status.Text());
        }
        return status.Ok();
    }
    if (IsOneOf(name, "UserSet", "UserSetLoad")) return SetProperty_UserSet_LoadSave(value, 0);
    if (IsOneOf(name, "UserSetSave")) return SetProperty_UserSet_LoadSave(value, 1);
    if (IsOneOf(name, "UserSetDefault")) return SetProperty_UserSet_Default(value);
    if (IsOneOf(name, "FeatureSave")) return SetProperty_FeatureSave(value.text, true);
    if (IsOneOf(name, "FeatureLoad")) return SetProperty_FeatureSave(value.text, false);
    if (IsOneOf(name, "load", "save")) return LoadOrSaveIni(EqualsNoCase(name, "load"), value);
    if (!isOpen.load()) {
        ORNIC_LOG1_ERR(logPort, tag, "SetProperty (" << name << ") ignored: camera in closed state");
        return false;
    }
    if (IsOneOf(name, "softwareTrigger", "executeSoftwareTrigger")) return ExecuteSoftwareTrigger();
    return WriteParameter(name, value);
}

bool Camera::RequireOpen(const char* name)
{
    if (isOpen.load()) return true;
    ORNIC_LOG1_ERR(Port(), "Camera::SetProperty", "SetProperty (" << name << ") ignored: camera in closed state");
    return false;
}

bool Camera::WriteParameter(const std::string& name, const ParamValue& value)
{
    const int logPort = Port();
    const char* const tag = "Camera::SetProperty";
    ParamValue scaled = value;
    // Only a factor other than 1 re-reads the value through its double view: a 64-bit integer
    // would lose digits there.
    const double factor = ScaleFactor(name);
    if (factor != 1.0 && IsPlainNumber(value)) scaled.SetDouble(value.d / factor);

    const auto p = parameters.Find(name);
    if (p == nullptr) {
        ORNIC_LOG1_ERR(logPort, tag, "Could not find parameter by name: " << name);
        return false;
    }
    if (parameters.IsCommand(p->Name())) {
        if (static_cast<int32_t>(scaled.i64) > 0) return ExecuteCommand(p->Name());
        ORNIC_LOG2_INFO(logPort, tag, "Command " << p->Name() << " not executed: the value is not above 0");
        return false;
    }
    if (p->TestFlags(Util_2_1::FlagGeneral | Util_2_1::FlagReadOnly)) {
        ORNIC_LOG1_ERR(logPort, tag, "SetProperty (" << name << ") refused: a read-only driver setting");
        return false;
    }
    if (!SetFromValue(*p, scaled, logPort)) return false;
    if (p->TestFlags(Util_2_1::FlagGeneral)) {
        ORNIC_LOG3_TRACE(logPort, tag, "Parameter " << name << " is General. Write to camera skipped");
        return true;
    }
    p->SetFlags(Util_2_1::FlagModified);
    bool written = false;
    const bool ok = parameters.WriteToCamera(*p, written, true);
    if (!ok) {
        // The model keeps what the camera has, not the refused value: a later save or re-open
        // would otherwise store or send it again.
        (void)parameters.ReadFromCamera(*p);
        p->ClearFlags(Util_2_1::FlagModified);
    }
    ORNIC_LOG3_TRACE(logPort, tag, "SetProperty " << name << " = " << value.text << " finished");
    return ok;
}

bool Camera::GetProperty(const std::string& requested, ParamValue& value, ParamValue& result)
{
    const char* const tag = "Camera::GetProperty";
    try {
        const std::string name = Alias(requested);
        bool ok = true;
        // Names the driver answers itself; none needs openLock but printXML, which takes it.
        if (IsOneOf(name, "PixelSize")) {
            value.SetInt(HostBitsPerPixel());
        } else if (IsOneOf(name, "debugview", "logdebugview")) {
            value.SetInt(Globals::Instance().DebugViewLevel());
        } else if (IsOneOf(name, "logLevel")) {
            value.SetInt(Globals::Instance().LogLevel());
        } else if (IsOneOf(name, "continuous", "continous")) {
            value.SetBool(continuousMode.load());
        } else if (IsOneOf(name, "printXML")) {
            ok = PrintXML();
        } else if (const FrameValue* frameValue = FindFrameValue(name)) {
            // The last frame handed to the host; zero before any.
            const MvFrameOutInfoEx info = imgBuffer.FrameInfo();
            if (frameValue->wide) {
                value.SetInt64(frameValue->read(info));
            } else {
                value.SetUInt(static_cast<uint32_t>(frameValue->read(info)));
            }
        } else {
            HostAccess access(*this, "GetProperty");
            ok = access && ReadParameter(name, value);
        }
        if (ok) result = value;
        return ok;
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(Port(), tag, "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(Port(), tag, "Undefined Exception ");
    }
    return false;
}

bool Camera::ReadParameter(const std::string& name, ParamValue& value)
{
    const int logPort = Port();
    const char* const tag = "Camera::GetProperty";
    const auto p = parameters.Find(name);
    if (p == nullptr) {
        ORNIC_LOG1_INFO(logPort, tag, "GetProperty ignored: could not find parameter " << name);
        return false;
    }
    if (parameters.IsCommand(p->Name())) {
        ORNIC_LOG2_INFO(logPort, tag, "GetProperty: " << name << " is a command and has no value");
        return false;
    }
    // General settings live in the model only; everything else is read from the camera, and a
    // value the camera could not give is not passed off as current.
    if (!p->TestFlags(Util_2_1::FlagGeneral)) {
        if (!isOpen.load()) {
            ORNIC_LOG1_ERR(logPort, tag, "GetProperty (" << name << ") ignored: camera in closed state");
            return false;
        }
        if (!parameters.ReadFromCamera(*p)) {
            ORNIC_LOG1_ERR(logPort, tag, "GetProperty (" << name << ") failed: the camera did not give its value");
            return false;
        }
    }
    switch (p->Type()) {
    case Util_2_1::TypeFloat: {
        // A scaled value is rounded to the thousandth: the camera keeps single precision, and
        // 1.234 must not come back as 1233.
        const double factor = ScaleFactor(name);
        value.SetDouble(factor != 1.0 ? std::round(p->GetDouble() * factor * 1000.0) / 1000.0 : p->GetDouble());
        break;
    }
    case Util_2_1::TypeInt:
    case Util_2_1::TypeUInt:
    case Util_2_1::TypeBool:
        value.SetInt64(p->GetInt64());
        break;
    case Util_2_1::TypeString:
    case Util_2_1::TypeEnum:
    case Util_2_1::TypeIP:
        // The text as the camera names it; the integer view stays the entry's value or the
        // address, so getProperty gives a number that means something.
        value.SetText(p->GetTextString());
        value.i64 = p->GetInt64();
        value.d = static_cast<double>(value.i64);
        break;
    default:
        break;
    }
    return true;
}

bool Camera::GetRange(const std::string& requested, int& minimum, int& maximum)
{
    const char* const tag = "Camera::GetRange";
    try {
        ORNIC_LOG2_INFO(Port(), tag, "GetRange: prop=" << requested);
        const std::string name = Alias(requested);
        HostAccess access(*this, "GetRange");
        if (!access) return false;
        const auto p = parameters.Find(name);
        if (p == nullptr) {
            ORNIC_LOG1_ERR(Port(), tag, "GetRange: could not find parameter " << name);
            return false;
        }
        switch (p->Type()) {
        case Util_2_1::TypeFloat: {
            const double factor = ScaleFactor(name);
            minimum = ClampToInt(p->Minimum().d * factor);
            maximum = ClampToInt(p->Maximum().d * factor);
            return true;
        }
        case Util_2_1::TypeInt:
        case Util_2_1::TypeUInt:
            // Clamped: the low 32 bits of a 64-bit bound could put the maximum below the minimum.
            minimum = ClampToInt(p->Minimum().i64);
            maximum = ClampToInt(p->Maximum().i64);
            return true;
        default:
            ORNIC_LOG2_INFO(Port(), tag, "GetRange: " << name << " has no numeric range");
            return false;
        }
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(Port(), tag, "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(Port(), tag, "Undefined Exception ");
    }
    return false;
}

bool Camera::LoadOrSaveIni(bool load, const ParamValue& value)
{
    const char* const tag = "Camera::SetProperty";
    Globals& globals = Globals::Instance();
    const std::string text = Util_2_1::Trim(value.text);
    // A bare number (what setProperty's integer and a command without a value give) names no
    // file: it means the active ini file.
    std::string file;
    if (text.empty() || EqualsNoCase(text, "ActiveIniFile") || IsPlainNumber(value)) {
        file = globals.ActiveIniFile();
    } else if (EqualsNoCase(text, "DefaultIniFile")) {
        file = globals.DefaultIniFile();
    } else if (Platform::IsAbsolutePath(text)) {
        file = text;
    } else {
        file = Platform::JoinPath(globals.SystemPath(), text);
    }
    bool ok = false;
    {
        // With grabbing stopped the camera's values are read again first: nodes locked during
        // acquisition read as read-only then, and a save would leave them out (Width, the
        // pixel format) while a load would not write them.
        GrabPauseGuard pause(*this);
        const bool open = isOpen.load();
        if (open) {
            pause.Pause();
            parameters.UpdateParameters();
        }
        if (!load) {
            ok = parameters.SaveToFile(file.c_str(), Port(), false);
            ORNIC_LOG1_INFO(Port(), tag, "Saving ini file to " << file << (ok ? " succeeds" : " fails"));
            return ok;
        }
        // An open camera takes the loaded values at once, as at an open, and reads them back.
        ok = parameters.RestoreFromFile(file.c_str(), Port());
        if (ok && open) {
            parameters.MarkAllModified();
            parameters.ApplyParameters();
            parameters.UpdateParameters();
        }
    }
    ORNIC_LOG1_INFO(Port(), tag, "Loading ini file from " << file << (ok ? " succeeds" : " fails"));
    return ok;
}
