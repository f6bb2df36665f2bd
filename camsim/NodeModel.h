// A camera's node map as the camera describes it: the feature tree, each node's kind, limits,
// default value and the conditions under which it may be written. A Model is immutable and
// shared by every device of that model; the live values are in NodeMap.
//
// Models are written in code with ModelBuilder:
//
//   std::string problem;
//   auto model = ModelBuilder()
//       .Category("ImageFormatControl")
//           .Integer("Width", 32, 1280, 4, 1280).LockedWhileAcquiring()
//           .Enumeration("PixelFormat", {{"Mono8", PixelType_Mono8}, {"Mono12", PixelType_Mono12}}, "Mono8")
//       .Category("AnalogControl")
//           .Enumeration("GainAuto", {{"Off", 0}, {"Continuous", 2}}, "Off")
//           .Float("Gain", 0.0, 24.0, 0.0).Unit("dB").WritableWhen("GainAuto", "Off")
//       .Build(problem);
//
// Category() starts a category under Root, SubCategory() one under the current category; the
// features that follow go into it. Reference() lists a node defined elsewhere in the current
// category as well. The modifiers (Display, Visibility, Access, ...) apply to the node added
// last.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sdk/MvSdk.h"

namespace CamSim {

enum class NodeKind { Integer, Float, Boolean, Command, String, Enumeration, Register, Category };

// The interface type the SDK reports for a kind.
uint32_t InterfaceType(NodeKind kind);

struct EnumEntryDesc {
    std::string symbolic;
    int64_t value = 0;
};

// While `node` does not show `value` (an entry's symbolic name, or "true"/"false" for a
// boolean), the node's access is cut down to `otherwise` (AM_RO or AM_NA). `equals` false
// turns the test round: the restriction holds while the node does show the value.
struct AccessCondition {
    std::string node;
    std::string value;
    bool equals = true;
    uint32_t otherwise = AM_RO;
};

enum class IntRepresentation { Linear, Hexadecimal, IpAddress };

struct NodeDesc {
    std::string name;
    NodeKind kind = NodeKind::Integer;
    std::string displayName;
    std::string description;
    std::string toolTip;
    uint32_t visibility = V_Beginner;
    // AM_NI..AM_RW, or AM_Undefined and any raw value up to 255 from a broken description:
    // those are reported as they are and refuse reads and writes.
    uint32_t access = AM_RW;
    std::string parent;  // the category it is defined in; empty for Root

    int64_t intMin = 0;
    int64_t intMax = 0;
    int64_t intInc = 1;
    int64_t intValue = 0;  // also a boolean's (0/1) and an enumeration's current entry value
    IntRepresentation representation = IntRepresentation::Linear;

    double floatMin = 0.0;
    double floatMax = 0.0;
    double floatInc = 0.0;  // 0: no increment
    double floatValue = 0.0;
    std::string unit;

    std::string stringValue;  // a string's text, a register's bytes
    uint32_t maxLength = 0;   // strings

    std::vector<EnumEntryDesc> entries;
    int64_t address = 0;  // registers
    int64_t length = 0;

    std::vector<std::string> children;  // categories, in order; references included
    std::string selector;               // an enumeration or small integer that selects one of several values
    std::vector<AccessCondition> conditions;
    bool lockedWhileAcquiring = false;  // read-only (commands: unavailable) during acquisition

    const EnumEntryDesc* FindEntry(int64_t value) const;
    const EnumEntryDesc* FindEntry(const std::string& symbolic) const;
};

class Model {
public:
    static constexpr const char* kRootName = "Root";

    const NodeDesc* Find(const std::string& name) const;
    const NodeDesc& Root() const { return nodes.front(); }
    const std::vector<NodeDesc>& Nodes() const { return nodes; }
    std::size_t IndexOf(const NodeDesc& node) const { return static_cast<std::size_t>(&node - nodes.data()); }

private:
    friend class ModelBuilder;
    std::vector<NodeDesc> nodes;  // Root first
    std::map<std::string, std::size_t> byName;
};

class ModelBuilder {
public:
    ModelBuilder();

    ModelBuilder& Category(const std::string& name);
    ModelBuilder& SubCategory(const std::string& name);
    ModelBuilder& EndCategory();  // back to the category around the current one

    ModelBuilder& Integer(const std::string& name, int64_t min, int64_t max, int64_t increment, int64_t value);
    ModelBuilder& Float(const std::string& name, double min, double max, double value);
    ModelBuilder& Boolean(const std::string& name, bool value);
    ModelBuilder& Command(const std::string& name);
    ModelBuilder& String(const std::string& name, const std::string& value, uint32_t maxLength);
    ModelBuilder& Enumeration(const std::string& name, std::initializer_list<EnumEntryDesc> entries,
                              const std::string& value);
    ModelBuilder& Enumeration(const std::string& name, const std::vector<EnumEntryDesc>& entries,
                              const std::string& value);
    ModelBuilder& Register(const std::string& name, int64_t address, int64_t length);
    // Lists a feature (not a category) defined before or after this call in the current
    // category too; it stays defined where it is. Not a node: modifiers that follow still
    // apply to the node added before.
    ModelBuilder& Reference(const std::string& name);

    // Modifiers of the node added last.
    ModelBuilder& Display(const std::string& displayName);
    ModelBuilder& Description(const std::string& description);  // also the tool tip, unless set
    ModelBuilder& ToolTip(const std::string& toolTip);
    ModelBuilder& Visibility(uint32_t visibility);
    ModelBuilder& Access(uint32_t access);  // AM_* or a raw value up to 255
    ModelBuilder& Unit(const std::string& unit);
    ModelBuilder& Increment(double increment);  // floats
    ModelBuilder& Hexadecimal();
    ModelBuilder& IpAddress();
    ModelBuilder& SelectedBy(const std::string& selector);
    ModelBuilder& WritableWhen(const std::string& node, const std::string& value);
    ModelBuilder& AvailableWhen(const std::string& node, const std::string& value);
    ModelBuilder& AvailableUnless(const std::string& node, const std::string& value);
    ModelBuilder& LockedWhileAcquiring();

    // The finished model, or null with the first problem found (duplicate or over-long
    // names, a default outside its range, a condition on an unknown node, a reference to
    // an unknown node, ...).
    std::shared_ptr<const Model> Build(std::string& problem) const;

private:
    ModelBuilder& Add(NodeDesc node);
    NodeDesc& Last();

    std::vector<NodeDesc> nodes;
    std::vector<std::string> categoryStack;  // Root at the bottom
    std::string firstProblem;
};

// The model of the simulator's own cameras of a transport and sensor kind (CamSimKind):
// the same feature set for every kind, colour kinds with their Bayer pattern and colour
// features, GigE Vision cameras with the GigE Vision transport features.
std::shared_ptr<const Model> DefaultModel(uint32_t transport, uint32_t kind);

}  // namespace CamSim
