// One camera's behaviour over its node map: the rules keyed by node name. Image size limits
// follow binning and decimation, PayloadSize follows the image size and pixel format, the
// acquisition (and the SDK's stream) locks the image format, the automatic functions move
// their values, power-up restores the UserSetDefault set, and every command node's effect is
// here (Execute). Identity features come from the device. Not thread-safe: the simulator's
// mutex guards it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "camsim/NodeMap.h"

namespace CamSim {

struct DeviceDesc;

// What an executed command asks of the rest of the simulator, beyond the node map.
enum class CommandEffect {
    SettingsChanged,     // the camera looks at its settings again
    AcquisitionStarted,  // AcquisitionStart
    AcquisitionStopped,  // AcquisitionStop
    SoftwareTrigger,     // TriggerSoftware: a trigger from source "Software"
    Reboot,              // DeviceReset: a short device loss, back with power-up values
};

// The image a stream is made for.
struct ImageFormat {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelFormat = 0;
};

class CameraBehaviour final : private NodeRules {
public:
    // Identity features (model, serial, user name, version, IP address) come from desc.
    CameraBehaviour(std::shared_ptr<const Model> model, const DeviceDesc& desc);
    CameraBehaviour(const CameraBehaviour&) = delete;
    CameraBehaviour& operator=(const CameraBehaviour&) = delete;

    NodeMap& Nodes() { return nodes; }
    const NodeMap& Nodes() const { return nodes; }

    // The camera's acquisition (AcquisitionStart/Stop) and the SDK's stream both lock the
    // image format: the stream's buffers were sized for it.
    bool Acquiring() const { return acquiring; }
    void StartAcquisition() { acquiring = true; }
    void StopAcquisition() { acquiring = false; }
    void SetStreamLocked(bool locked) { streamLocked = locked; }

    // Power-up values, then the user set chosen by UserSetDefault; user sets and
    // UserSetDefault itself survive (they are the camera's non-volatile memory).
    void PowerUp();
    // One frame's worth of the camera's automatic functions: "Continuous" moves Gain,
    // ExposureTime and the balance ratios a step towards the camera's own choice, "Once" sets
    // them there and turns itself Off.
    void StepAutoFunctions();

    // Executes a command node: access and refusals as for any write, then its effect on the
    // node map; `effect` says what the rest of the simulator has to do.
    uint32_t Execute(const std::string& name, CommandEffect& effect);
    // MV_CC_StartGrabbing starts the camera's acquisition, as the driver expects: the
    // AcquisitionStart command when the model has one, and its refusal fails the start.
    uint32_t ExecuteAcquisitionStart();
    // Width, Height and PixelFormat now (Mono8 without a PixelFormat enumeration).
    ImageFormat CurrentFormat() const;

private:
    void AdjustInt(const NodeDesc& node, IntInfo& info) const override;
    void AfterIntWrite(const NodeDesc& node) override;
    bool FormatLocked() const override { return acquiring || streamLocked; }

    int64_t AxisLimit(const char* binning, const char* decimation, const NodeDesc& size) const;
    void FitImageAxis(const char* size, const char* offset, const char* binning, const char* decimation);
    int64_t SelectedUserSet() const;

    NodeMap nodes;
    std::map<int64_t, NodeMap::Store> userSets;  // saved by UserSetSave, by selector value
    bool acquiring = false;
    bool streamLocked = false;
};

}  // namespace CamSim
