// The host's property and command exports: named integer properties and their ranges, and
// the text commands (get, set, save, load) with a reply, including the driver-wide settings.
#define ORNIC_BUILDING_DRIVER
#include "driver/ornic.h"

#include <cstring>
#include <string>

#include "camera/Camera.h"
#include "driver/CommandParam.h"
#include "driver/ExportGuard.h"
#include "registry/CameraList.h"
#include "util/Globals.h"
#include "util/Logger.h"

using Util_2_1::EqualsNoCase;
using Util_2_1::ParamValue;

namespace {

int LogPort()
{
    return Util_2_1::kGlobalLogPort;
}

uint32_t AsUnsigned(int value)
{
    return static_cast<uint32_t>(value);
}

int32_t Low32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value) & 0xFFFFFFFFu));
}

// The camera bound to the port, or null with a line saying so.
Camera* CameraFor(int port, const char* tag)
{
    Camera* camera = CameraList::Instance().CameraOnPort(port);
    if (camera == nullptr) ORNIC_LOG1_ERR(LogPort(), tag, tag << ": no camera on port #" << AsUnsigned(port));
    return camera;
}

// The host's reply buffer: never written beyond its size, and not at all when it has none.
class Reply {
public:
    Reply(char* buffer, int size) : buffer(size > 0 ? buffer : nullptr), size(size)
    {
        if (this->buffer != nullptr) this->buffer[0] = '\0';
    }
    void Set(const std::string& text) const
    {
        if (buffer == nullptr) return;
        const size_t length = text.size() < static_cast<size_t>(size) - 1 ? text.size() : static_cast<size_t>(size) - 1;
        std::memcpy(buffer, text.data(), length);
        buffer[length] = '\0';
    }

private:
    char* buffer;
    int size;
};

// A log threshold from the command's value; only a whole number is taken.
bool LevelFrom(const ParamValue& value, int& level)
{
    const std::string text = Util_2_1::Trim(value.text);
    size_t i = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    level = Low32(value.i64);
    return true;
}

int ExecGet(int port, const std::string& name, const Reply& reply)
{
    const char* const tag = "execCmd";
    Globals& globals = Globals::Instance();
    ParamValue v;
    ParamValue t;
    // Driver-wide settings need no camera on the port.
    if (EqualsNoCase(name, "debugview") || EqualsNoCase(name, "logdebugview")) {
        v.SetInt(globals.DebugViewLevel());
        t = v;
    } else if (EqualsNoCase(name, "logLevel")) {
        v.SetInt(globals.LogLevel());
        t = v;
    } else if (EqualsNoCase(name, "ActiveIniFile")) {
        v.SetText(globals.ActiveIniFile());
        t = v;
    } else if (EqualsNoCase(name, "DefaultIniFile")) {
        v.SetText(globals.DefaultIniFile());
        t = v;
    } else {
        Camera* camera = CameraFor(port, tag);
        if (camera == nullptr || !camera->GetProperty(name, v, t)) return 0;
    }
    ORNIC_LOG3_TRACE(LogPort(), tag, "execCmd value received: " << v.i64 << ", " << v.d << ", " << t.text);
    reply.Set(t.text);
    return 1;
}

int ExecSet(int port, const CommandParam& p, const std::string& name, const ParamValue& v, const Reply& reply)
{
    const char* const tag = "execCmd";
    Globals& globals = Globals::Instance();
    ORNIC_LOG3_TRACE(LogPort(), tag, "execCmd set name=" << p.cmdName << ", val=" << v.text);
    if (!p.cmdPairs.empty()) ORNIC_LOG2_INFO(LogPort(), tag, "execCmd with {}:" << p.Describe());
    const bool viewLevel = EqualsNoCase(name, "debugview") || EqualsNoCase(name, "logdebugview");
    if (viewLevel || EqualsNoCase(name, "loglevel")) {
        int level = 0;
        if (!LevelFrom(v, level)) {
            ORNIC_LOG1_ERR(LogPort(), tag, "execCmd set " << name << ": '" << v.text << "' is not a whole number");
            reply.Set("bad value");
            return 0;
        }
        if (viewLevel) {
            globals.SetDebugViewLevel(level);
            ORNIC_LOG1_INFO(LogPort(), tag, "DebugView level set to " << level);
        } else {
            globals.SetLogLevel(level);
            ORNIC_LOG1_INFO(LogPort(), tag, "Log level set to " << level);
        }
        return 1;
    }
    if (EqualsNoCase(name, "IniFile")) {
        // The text as given: an empty one means the default file, never a file named "1".
        const std::string file = Util_2_1::Trim(p.cmdValue);
        ORNIC_LOG2_INFO(LogPort(), tag, "Setting camera ini file to: " << file);
        if (!globals.SetIniFile(file.c_str())) {
            reply.Set("set ini failed");
            return 0;
        }
        return 1;
    }
    Camera* camera = CameraFor(port, tag);
    if (camera == nullptr) {
        reply.Set("camera not found");
        return 0;
    }
    if (EqualsNoCase(name, "ActionCommand")) {
        std::string result;
        if (!camera->ExecuteActionCommand(p.cmdPairs, result)) {
            reply.Set(result);
            return 0;
        }
        return 1;
    }
    if (!camera->SetProperty(name, v)) {
        reply.Set("setProperty error");
        return 0;
    }
    return 1;
}

}  // namespace

extern "C" {

ORNIC_EXPORT int ORNIC_CALL getProperty(int /*grabber*/, int port, const char* name, int* value)
{
    return ExportGuard::RunPortCall("getProperty", 0, [&] {
        const char* const tag = "getProperty";
        if (name == nullptr || value == nullptr) {
            ORNIC_LOG1_ERR(LogPort(), tag,
                           "getProperty refused: " << (name == nullptr ? "no property name" : "no value pointer")
                                                   << ", port #" << AsUnsigned(port));
            return 0;
        }
        ORNIC_LOG3_TRACE(LogPort(), tag, "getProperty: " << name << " port #" << AsUnsigned(port));
        Camera* camera = CameraFor(port, tag);
        if (camera == nullptr) return 0;
        ParamValue v;
        ParamValue t;
        if (!camera->GetProperty(name, v, t)) return 0;
        *value = Low32(v.i64);
        ORNIC_LOG3_TRACE(LogPort(), tag, "getProperty [" << name << "]=" << static_cast<int32_t>(*value));
        return 1;
    });
}

ORNIC_EXPORT int ORNIC_CALL setProperty(int /*grabber*/, int port, const char* name, int value)
{
    return ExportGuard::RunPortCall("setProperty", 0, [&] {
        const char* const tag = "setProperty";
        if (name == nullptr) {
            ORNIC_LOG1_ERR(LogPort(), tag, "setProperty refused: no property name, port #" << AsUnsigned(port));
            return 0;
        }
        ORNIC_LOG1_INFO(
            LogPort(), tag,
            "setProperty (" << name << ")  <- " << static_cast<int32_t>(value) << ", port #" << AsUnsigned(port));
        Camera* camera = CameraFor(port, tag);
        if (camera == nullptr) return 0;
        ParamValue v;
        v.SetInt(value);
        return camera->SetProperty(name, v) ? 1 : 0;
    });
}

ORNIC_EXPORT int ORNIC_CALL getPropertyRange(int /*grabber*/, int port, const char* name, int* minimum, int* maximum)
{
    return ExportGuard::RunPortCall("getPropertyRange", 0, [&] {
        const char* const tag = "getPropertyRange";
        if (name == nullptr || minimum == nullptr || maximum == nullptr) {
            ORNIC_LOG1_ERR(LogPort(), tag,
                           "getPropertyRange refused: " << (name == nullptr ? "no property name" : "no bound pointer")
                                                        << ", port #" << AsUnsigned(port));
            return 0;
        }
        ORNIC_LOG3_TRACE(LogPort(), tag, "getPropertyRange: " << name);
        Camera* camera = CameraFor(port, tag);
        if (camera == nullptr) return 0;
        int low = 0;
        int high = 0;
        if (!camera->GetRange(name, low, high)) return 0;
        *minimum = low;
        *maximum = high;
        return 1;
    });
}

ORNIC_EXPORT int ORNIC_CALL execCmd(int /*grabber*/, int port, const char* command, const char* parameter, char* reply,
                                    int replySize)
{
    const Reply out(reply, replySize);
    const int result = ExportGuard::RunPortCall("execCmd", -1, [&] {
        const char* const tag = "execCmd";
        if (command == nullptr || parameter == nullptr) {
            ORNIC_LOG1_ERR(LogPort(), tag,
                           "execCmd refused: " << (command == nullptr ? "no command" : "no parameter text")
                                               << ", port #" << AsUnsigned(port));
            return 0;
        }
        const CommandParam p = CommandParam::Parse(parameter);
        ORNIC_LOG3_TRACE(
            LogPort(), tag,
            "execCmd: " << command << " " << parameter << ", parsed param: " << p.cmdName << ", " << p.Describe());
        if (p.malformed) {
            ORNIC_LOG1_ERR(LogPort(), tag,
                           "execCmd refused: malformed parameter text (" << p.problem << "): " << parameter);
            out.Set("malformed parameter");
            return 0;
        }
        // Names and values as the host meant them: surrounding blanks carry nothing.
        const std::string name = Util_2_1::Trim(p.cmdName);
        const std::string valueText = Util_2_1::Trim(p.cmdValue);
        if (EqualsNoCase(command, "get")) return ExecGet(port, name, out);
        ParamValue v;
        if (!valueText.empty()) {
            v.SetText(valueText);
        } else {
            v.SetInt(1);
        }
        if (EqualsNoCase(command, "set")) return ExecSet(port, p, name, v, out);
        const bool load = EqualsNoCase(command, "load");
        if (load || EqualsNoCase(command, "save")) {
            // The file: "save name=file" or just "save file"; nothing means the active ini file.
            ParamValue file;
            file.SetText(p.cmdValue.empty() && p.cmdSource.find('=') == std::string::npos ? name : valueText);
            Camera* camera = CameraFor(port, tag);
            if (camera != nullptr && camera->SetProperty(load ? "load" : "save", file)) return 1;
            out.Set(load ? "load error" : "save error");
            return 0;
        }
        ORNIC_LOG1_ERR(LogPort(), tag, "ExecuteCmd unrecognized cmd:" << command);
        out.Set("Unrecognized cmd");
        return 0;
    });
    if (result == -1) {
        out.Set("error");
        return 0;
    }
    return result;
}

}  // extern "C"
