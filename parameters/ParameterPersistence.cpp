// Storing a camera's parameters per port in the ini file, and restoring them into a camera
// of the same model.
#include <mutex>

#include "parameters/CameraParameters.h"
#include "platform/Platform.h"
#include "util/Globals.h"
#include "util/IniFile.h"
#include "util/Logger.h"

using namespace Util_2_1;

namespace {

bool IsLibName(const std::string& name)
{
    return name.compare(0, 4, "lib_") == 0;
}

// One save at a time in this process: they share the working copy's name.
std::mutex& SaveLock()
{
    static std::mutex* lock = new std::mutex;  // never destroyed: a save may run at exit
    return *lock;
}

// The working copy of a save, removed unless it replaced the file.
class WorkingCopy {
public:
    explicit WorkingCopy(const std::string& file) : path(file + ".saving") {}
    ~WorkingCopy()
    {
        if (!committed) Platform::RemoveFile(path);
    }
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;

    // Starts from the current file (other ports' sections and the general settings stay).
    bool Prepare(const std::string& file)
    {
        if (!Platform::RemoveFile(path)) return false;
        return !Platform::FileExists(file) || Platform::CopyFileNoOverwrite(file, path);
    }
    bool Commit(const std::string& file)
    {
        committed = Platform::ReplaceFileAtomically(path, file);
        return committed;
    }
    const std::string& Path() const { return path; }

private:
    std::string path;
    bool committed = false;
};

}  // namespace

bool CameraParameters::SaveToFile(const char* file)
{
    return SaveToFile(file, LogPort(), false);
}

bool CameraParameters::RestoreFromFile(const char* file)
{
    return RestoreFromFile(file, LogPort());
}

bool CameraParameters::RestoreFromActiveIni()
{
    return RestoreFromFile(Globals::Instance().ActiveIniFile().c_str(), LogPort());
}

bool CameraParameters::SaveToActiveIni(bool libOnly)
{
    return SaveToFile(Globals::Instance().ActiveIniFile().c_str(), LogPort(), libOnly);
}

bool CameraParameters::SaveToFile(const char* file, int port, bool libOnly)
{
    const char* const tag = "CameraParameters::SaveToFile";
    ORNIC_LOG3_TRACE(port, tag, "CameraParameters Save, port=" << port);
    if (port < 0) {
        ORNIC_LOG1_ERR(port, tag, "Unassigned port for parameter save");
        return false;
    }
    if (file == nullptr || file[0] == '\0') {
        ORNIC_LOG1_ERR(port, tag, "No ini file for parameter save");
        return false;
    }
    // The keys go to a copy that replaces the file in one step, so that a save cut short
    // (a crash, a full disk) leaves the settings stored before instead of half of each.
    std::lock_guard<std::mutex> lock(SaveLock());
    WorkingCopy copy(file);
    if (!copy.Prepare(file)) {
        ORNIC_LOG1_ERR(port, tag, "Could not prepare " << copy.Path() << " for parameter save");
        return false;
    }
    IniFile ini(copy.Path(), port);
    if (!ini.WriteString("$Camera", owner.ConfigName().c_str())) return false;
    for (const ParamPtr& p : params) {
        const std::string& name = p->Name();
        if (p->TestFlags(FlagNoSave)) {
            ORNIC_LOG3_TRACE(port, tag, "SaveToFile skipping non-persistent " << name);
        } else if (libOnly) {
            if (IsLibName(name) && ini.WriteParam(p.get())) {
                ORNIC_LOG3_TRACE(port, tag, "Save parameter" << name << p->GetTextString());
            }
        } else if (!p->TestFlags(FlagReadOnly)) {
            if (ini.WriteParam(p.get()))
                ORNIC_LOG3_TRACE(port, tag, "Save parameter " << name << " " << p->GetTextString());
        } else {
            ORNIC_LOG3_TRACE(port, tag, "SaveToFile skipping RO " << name);
        }
    }
    if (!copy.Commit(file)) {
        ORNIC_LOG1_ERR(port, tag, "Could not replace " << file << " by " << copy.Path() << "; parameters not saved");
        return false;
    }
    if (!libOnly) ORNIC_LOG3_TRACE(port, tag, "All parameters saved to file " << file << ", port=" << port);
    return true;
}

bool CameraParameters::RestoreFromFile(const char* file, int port)
{
    const char* const tag = "CameraParameters::RestoreFromFile";
    ORNIC_LOG3_TRACE(port, tag, "** CameraParameters Restore, port=" << port);
    if (port < 0) {
        ORNIC_LOG1_ERR(port, tag, "Unassigned port for parameter restore");
        return false;
    }
    IniFile ini(file != nullptr ? file : "", port);
    if (file == nullptr || file[0] == '\0' || !ini.FileExists()) {
        ORNIC_LOG1_INFO(port, tag, "Skipping parameter restore -- ini file does not exist");
        return false;
    }
    if (!ini.SectionExists() || !ini.CameraMatches(owner.ConfigName().c_str())) {
        ORNIC_LOG1_INFO(port, tag, "Skipping parameter restore -- no parameters saved for this type of camera");
        // The general settings belong to every port: a camera new to this port takes them
        // too, so that its first save does not put defaults over them.
        for (const ParamPtr& p : params) {
            if (p->TestFlags(FlagGeneral) && !p->TestFlags(FlagNoSave)) ini.ReadParam(p.get());
        }
        return false;
    }
    for (const ParamPtr& p : params) {
        if (p->TestFlags(FlagNoSave)) continue;
        ini.ReadParam(p.get());
        ORNIC_LOG2_INFO(port, tag, "Parameter restored: " << DescribeParam(*p));
    }
    ORNIC_LOG3_TRACE(port, tag, "CameraParameters Restore completed, port=" << port << ", filename=" << file);
    return true;
}

void CameraParameters::TransferLibParamTo(AllParametersList& target) const
{
    for (const ParamPtr& p : params) {
        if (!IsLibName(p->Name())) continue;
        const ParamPtr counterpart = target.Find(p->Name());
        if (counterpart == nullptr) continue;
        switch (p->Type()) {
        case TypeInt:
        case TypeUInt:
        case TypeBool:
            counterpart->SetInt64(p->GetInt64());
            break;
        case TypeFloat:
            counterpart->SetDouble(p->GetDouble());
            break;
        case TypeString:
            counterpart->SetText(p->GetTextString());
            break;
        default:
            break;
        }
        ORNIC_LOG3_TRACE(LogPort(), "CameraParameters::TransferLibParamTo",
                         "Transfer lib parameter " << DescribeParam(*counterpart));
    }
}
