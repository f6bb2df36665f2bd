// Camera::Configure: the modal configuration dialog over a working
// copy of the camera's parameters.
//
// The copy holds clones of the parameters only. The camera's own model also keeps how its
// parameters reach their nodes (selectors, commands, dependants), so whatever goes to the
// camera goes through that model: the copy's Apply hands its changed values to the model and
// lets the model write them; its Update reads the model back. Cancel puts the model back to a
// snapshot taken before the dialog and writes all of it again, so an Apply pressed in the
// dialog is undone too.
#include <memory>
#include <string>

#include "camera/Camera.h"
#include "grid/ParameterDlg.h"
#include "util/Globals.h"
#include "util/Logger.h"

using Util_2_1::FlagFavourite;
using Util_2_1::FlagModified;
using Util_2_1::Param;
using Util_2_1::ParamEnum;

namespace {

// `to` takes the state of `from`: value, range, flags, texts and what its class derives.
void CopyState(Param& to, const Param& from)
{
    to.CopyFrom(from);
    switch (from.Type()) {
    case Util_2_1::TypeEnum: {
        auto* target = dynamic_cast<ParamEnum*>(&to);
        const auto* source = dynamic_cast<const ParamEnum*>(&from);
        if (target != nullptr && source != nullptr) target->SetEntries(source->Entries(), source->Current());
        break;
    }
    case Util_2_1::TypeIP:
        to.SetInt64(from.GetInt64());
        break;
    default:
        break;
    }
}

// `to` takes the value of `from` through the setter of its type.
void TransferValue(Param& to, const Param& from)
{
    switch (from.Type()) {
    case Util_2_1::TypeBool:
        to.SetBool(from.GetBool());
        break;
    case Util_2_1::TypeInt:
    case Util_2_1::TypeUInt:
    case Util_2_1::TypeIP:
        to.SetInt64(from.GetInt64());
        break;
    case Util_2_1::TypeFloat:
        to.SetDouble(from.GetDouble());
        break;
    case Util_2_1::TypeEnum:
        to.SetInt(from.GetInt());
        break;
    default:
        to.SetText(from.GetTextString());
        break;
    }
}

// The list the dialog edits. Saving, loading and the ini file's name are those of any camera
// model (they only walk the list); the transfers to the camera go through the camera's model.
class WorkingCopy final : public CameraParameters {
public:
    WorkingCopy(ParameterOwner& owner, CameraParameters& model) : CameraParameters(owner), model(model)
    {
        CopyFrom(model);
    }

    // What the user changed goes to the model, which writes it to the camera.
    bool ApplyParameters() override
    {
        for (const ParamPtr& p : params) {
            if (!p->TestFlags(FlagModified)) continue;
            const ParamPtr counterpart = model.Find(p->Name());
            if (counterpart == nullptr) continue;
            TransferValue(*counterpart, *p);
            counterpart->SetFlags(FlagModified);
            p->ClearFlags(FlagModified);
        }
        // A closed camera takes its settings from the ini file at the next open.
        if (Owner().SdkHandle() == nullptr) return false;
        return model.ApplyParameters();
    }

    // The model reads the camera; the copy takes the model's values and states, and keeps its
    // own stars.
    bool UpdateParameters() override
    {
        if (Owner().SdkHandle() == nullptr) return false;
        const bool ok = model.UpdateParameters();
        for (const ParamPtr& p : params) {
            const ParamPtr counterpart = model.Find(p->Name());
            if (counterpart == nullptr) continue;
            const bool favourite = p->TestFlags(FlagFavourite);
            CopyState(*p, *counterpart);
            favourite ? p->SetFlags(FlagFavourite) : p->ClearFlags(FlagFavourite);
        }
        return ok;
    }

private:
    CameraParameters& model;
};

// Clears the dialog flag on every way out of Configure.
class DialogOpenFlag {
public:
    explicit DialogOpenFlag(std::atomic<bool>& flag) : flag(flag) {}
    ~DialogOpenFlag() { flag.store(false); }
    DialogOpenFlag(const DialogOpenFlag&) = delete;
    DialogOpenFlag& operator=(const DialogOpenFlag&) = delete;

private:
    std::atomic<bool>& flag;
};

}  // namespace

bool Camera::Configure(void* parent)
{
    const char* const tag = "Camera::Configure";
    try {
        ORNIC_LOG3_TRACE(Port(), tag, "Camera CONFIG entering");
        if (configureDialogOpen.exchange(true)) {
            ORNIC_LOG1_ERR(Port(), tag, "The configuration dialog of " << ConfigName() << " is open already");
            return false;
        }
        const DialogOpenFlag dialogOpen(configureDialogOpen);
        // Grabbing stops while the dialog is open and restarts afterwards if it ran before.
        GrabPauseGuard pause(*this);
        pause.Pause();

        // A closed camera is configured in its model and the ini file only: it takes the settings
        // at its next open.
        if (IsOpen()) parameters.UpdateParameters();
        CameraParameters before(*this);
        before.CopyFrom(parameters);
        WorkingCopy copy(*this, parameters);
        ORNIC_LOG3_TRACE(Port(), tag,
                         "paramCount=" << static_cast<uint32_t>(parameters.Count())
                                       << ", paramCopy count=" << static_cast<uint32_t>(copy.Count()));

        const std::string title = "Configure camera : " + ConfigName();
        const bool debugMode = Globals::Instance().DebugMode();
        if (debugMode) ORNIC_LOG3_TRACE(Port(), tag, "Setting ParameterDlg debug mode");
        const auto dialog = std::make_shared<Grid_3_1::ParameterDlg>(title, &copy, nullptr, parent, debugMode);
        const int result = dialog->DoModal();

        if (result < 0) {
            // Nothing was shown, so nothing changed: the camera and the files stay as they are.
            ORNIC_LOG1_ERR(Port(), tag, ConfigName() << " not configured: " << dialog->LastError());
            ORNIC_LOG3_TRACE(Port(), tag, "Camera CONFIG leaving");
            return false;
        }
        bool confirmed = false;
        if (result == 1) {
            ORNIC_LOG3_TRACE(Port(), tag,
                             "Configure Dlg complete - writing settings to ini file and heading for reopen");
            copy.SaveToActiveIni(false);
            copy.TransferLibParamTo(parameters);
            copy.ApplyParameters();
            confirmed = true;
        } else {
            ORNIC_LOG3_TRACE(Port(), tag, "Configure Dlg complete by Cancel - reapplying current parameters");
            copy.SaveToActiveIni(true);
            for (const auto& p : parameters) {
                if (const auto old = before.Find(p->Name())) CopyState(*p, *old);
            }
            copy.TransferLibParamTo(parameters);
            parameters.MarkAllModified();
            if (IsOpen()) {
                parameters.ApplyParameters();
                parameters.UpdateParameters();
            }
        }
        ORNIC_LOG3_TRACE(Port(), tag, "Camera CONFIG leaving");
        return confirmed;
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(Port(), tag, "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(Port(), tag, "Undefined Exception ");
    }
    return false;
}
