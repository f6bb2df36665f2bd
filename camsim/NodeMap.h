// The live node values of one device and the camera's rules between them: image size limits
// follow binning and decimation, PayloadSize follows the image size and pixel format, access
// follows the model's conditions and the acquisition state, selected nodes keep one value per
// selector entry. Every answer is an SDK status. Not thread-safe: the simulator's mutex
// guards it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "camsim/NodeModel.h"

namespace CamSim {

struct DeviceDesc;

struct IntInfo {
    int64_t value = 0;
    int64_t min = 0;
    int64_t max = 0;
    int64_t inc = 1;
};

struct FloatInfo {
    double value = 0.0;
    double min = 0.0;
    double max = 0.0;
};

class NodeMap {
public:
    // Identity features (model, serial, user name, version, IP address) come from desc.
    NodeMap(std::shared_ptr<const Model> model, const DeviceDesc& desc);

    const Model& GetModel() const { return *model; }
    uint32_t AccessOf(const NodeDesc& node) const;
    bool LockedNow(const NodeDesc& node) const;

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

    // Writes of a node with a given value (its text: decimal integer, float, true/false,
    // an entry's symbolic name, the string itself; "*" for any value) answer `status`.
    struct Refusal {
        std::string node;
        std::string value;
        uint32_t status = 0;
    };
    void SetRefusals(std::vector<Refusal> list) { refusals = std::move(list); }

    // Feature files: one "Name = value" line per node that is readable and writable now
    // (selected nodes once per selector entry, as "Name[Entry] = value"), in model order.
    std::string FeatureText() const;
    // Applies such lines; those failing are retried after the rest (a value can depend on one
    // later in the file). MV_OK, or the status of the first line that could not be applied
    // (the others still are).
    uint32_t ApplyFeatureLines(const std::vector<std::string>& lines);

    // Unchecked reads by name for the camera's own logic; fallback when the model lacks the
    // node or it is of another kind.
    bool HasNode(const char* name) const { return model->Find(name) != nullptr; }
    std::string EnumSymbolicOf(const char* name) const;
    int64_t IntValueOf(const char* name, int64_t fallback) const;
    double FloatValueOf(const char* name, double fallback) const;
    double FloatMaxOf(const char* name, double fallback) const;
    bool BoolValueOf(const char* name, bool fallback) const;

    // Name lookup for the typed operations: MV_E_GC_PROPERTY for an unknown name,
    // MV_E_SUPPORT for a node of another kind.
    uint32_t Lookup(const std::string& name, NodeKind kind, const NodeDesc*& node) const;

    uint32_t GetInt(const std::string& name, IntInfo& info) const;
    uint32_t SetInt(const std::string& name, int64_t value);
    uint32_t GetFloat(const std::string& name, FloatInfo& info) const;
    uint32_t SetFloat(const std::string& name, double value);
    uint32_t GetBool(const std::string& name, bool& value) const;
    uint32_t SetBool(const std::string& name, bool value);
    // The current entry's value and the values of the entries that are available.
    uint32_t GetEnum(const std::string& name, int64_t& value, std::vector<int64_t>& available) const;
    uint32_t SetEnum(const std::string& name, int64_t value);
    uint32_t SetEnumSymbolic(const std::string& name, const std::string& symbolic);
    uint32_t EntrySymbolic(const std::string& name, int64_t value, std::string& symbolic) const;
    uint32_t SetString(const std::string& name, const std::string& value);
    uint32_t Execute(const std::string& name);

    // Unchecked reads for the node records: a node's value whatever its access.
    IntInfo IntOf(const NodeDesc& node) const;
    FloatInfo FloatOf(const NodeDesc& node) const;
    int64_t RawInt(const NodeDesc& node) const;             // integers, booleans, enumerations
    const std::string& TextOf(const NodeDesc& node) const;  // strings and registers

private:
    struct Value {
        int64_t i = 0;
        double f = 0.0;
        std::string s;
    };
    // One value per selector entry (key 0 for nodes without a selector).
    using Values = std::map<int64_t, Value>;

    void LoadDefaults();
    int64_t SelectorKey(const NodeDesc& node) const;
    const Value& Read(const NodeDesc& node) const;
    Value& Write(const NodeDesc& node);
    uint32_t Writable(const NodeDesc& node) const;
    uint32_t Readable(const NodeDesc& node) const;
    int64_t IntByName(const char* name, int64_t fallback) const;
    bool ConditionMet(const AccessCondition& condition) const;
    void AfterIntChange(const NodeDesc& node);
    void FitImageAxis(const char* size, const char* offset, const char* binning, const char* decimation);
    int64_t AxisLimit(const char* binning, const char* decimation, const NodeDesc& size) const;

    std::shared_ptr<const Model> model;
    std::vector<Values> values;  // by node index
    std::vector<Values> defaults;
    uint32_t ApplyFeatureLine(const std::string& line);
    std::string ValueText(const NodeDesc& node, const Value& value) const;

    // The refusal that applies to writing node with a value matching `matches`, or MV_OK.
    template <typename Matches>
    uint32_t RefusalFor(const NodeDesc& node, Matches&& matches) const;

    std::map<int64_t, std::vector<Values>> userSets;  // saved by UserSetSave, by selector value
    bool acquiring = false;
    bool streamLocked = false;
    std::vector<Refusal> refusals;
};

}  // namespace CamSim
