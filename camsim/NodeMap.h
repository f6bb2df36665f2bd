// The live node values of one device, as generic storage: a value per node (one per selector
// entry for selected nodes), the model's ranges, access after the model's conditions, and the
// refusals the control interface sets. Every answer is an SDK status. What is particular to
// a camera (limits that follow other nodes, what a written node changes elsewhere, when the
// image format is locked) comes from its NodeRules; CameraBehaviour provides them.
// Not thread-safe: the simulator's mutex guards it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "camsim/NodeModel.h"

namespace CamSim {

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

// What a camera adds to plain storage.
class NodeRules {
public:
    // Limits and values that follow other nodes; info holds the model's limits and the stored
    // value on entry.
    virtual void AdjustInt(const NodeDesc& node, IntInfo& info) const = 0;
    // An integer was written: other nodes follow it.
    virtual void AfterIntWrite(const NodeDesc& node) = 0;
    // Nodes marked lockedWhileAcquiring are read-only (commands unavailable) now.
    virtual bool FormatLocked() const = 0;

protected:
    ~NodeRules() = default;
};

class NodeMap {
public:
    struct Value {
        int64_t i = 0;
        double f = 0.0;
        std::string s;
    };
    // One value per selector entry (key 0 for nodes without a selector).
    using Values = std::map<int64_t, Value>;
    using Store = std::vector<Values>;  // by node index

    // Power-up values from the model; rules must outlive the map.
    NodeMap(std::shared_ptr<const Model> model, NodeRules& rules);

    const Model& GetModel() const { return *model; }
    uint32_t AccessOf(const NodeDesc& node) const;
    bool LockedNow(const NodeDesc& node) const;

    // Writes of a node with a given value (its text: decimal integer, float, true/false,
    // an entry's symbolic name, the string itself; "*" for any value) answer `status`.
    struct Refusal {
        std::string node;
        std::string value;
        uint32_t status = 0;
    };
    void SetRefusals(std::vector<Refusal> list) { refusals = std::move(list); }

    // Unchecked reads by name for the camera's own logic; fallback when the model lacks the
    // node or it is of another kind.
    bool HasNode(const char* name) const { return model->Find(name) != nullptr; }
    std::string EnumSymbolicOf(const char* name) const;
    int64_t IntValueOf(const char* name, int64_t fallback) const;
    double FloatValueOf(const char* name, double fallback) const;
    double FloatMaxOf(const char* name, double fallback) const;
    bool BoolValueOf(const char* name, bool fallback) const;
    std::string TextValueOf(const char* name) const;  // empty when not a string node

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
    // Whether the command may be executed now (known, writable, not refused); what it does
    // is the camera's (CameraBehaviour::Execute).
    uint32_t CheckCommand(const std::string& name) const;

    // Unchecked reads for the node records: a node's value whatever its access.
    IntInfo IntOf(const NodeDesc& node) const;
    FloatInfo FloatOf(const NodeDesc& node) const;
    int64_t RawInt(const NodeDesc& node) const;             // integers, booleans, enumerations
    const std::string& TextOf(const NodeDesc& node) const;  // strings and registers

    // Unchecked storage for the camera's rules and the feature file. Read and Write use the
    // selector's current entry, ReadAt and WriteAt a given one; an entry never written holds
    // the power-up value.
    const Value& Read(const NodeDesc& node) const { return ReadAt(node, SelectorKey(node)); }
    Value& Write(const NodeDesc& node) { return WriteAt(node, SelectorKey(node)); }
    const Value& ReadAt(const NodeDesc& node, int64_t key) const;
    Value& WriteAt(const NodeDesc& node, int64_t key);
    // The power-up value (one for all selector entries).
    Value& PowerUpValue(const NodeDesc& node) { return defaults[model->IndexOf(node)].at(0); }
    const Store& PowerUpValues() const { return defaults; }
    const Store& AllValues() const { return values; }
    void SetAllValues(Store all) { values = std::move(all); }

private:
    int64_t SelectorKey(const NodeDesc& node) const;
    // Lookup, then MV_E_GC_ACCESS unless the node may be read (written) now.
    uint32_t FindReadable(const std::string& name, NodeKind kind, const NodeDesc*& node) const;
    uint32_t FindWritable(const std::string& name, NodeKind kind, const NodeDesc*& node) const;
    uint32_t Writable(const NodeDesc& node) const;
    uint32_t Readable(const NodeDesc& node) const;
    bool ConditionMet(const AccessCondition& condition) const;
    // The refusal that applies to writing node with a value matching `matches`, or MV_OK.
    template <typename Matches>
    uint32_t RefusalFor(const NodeDesc& node, Matches&& matches) const;

    std::shared_ptr<const Model> model;
    NodeRules& rules;
    Store values;
    Store defaults;
    std::vector<Refusal> refusals;
};

}  // namespace CamSim
