#include "camsim/NodeModel.h"

#include <algorithm>
#include <cstddef>

namespace CamSim {

namespace {

bool ValidName(const std::string& name)
{
    if (name.empty() || name.size() >= MV_MAX_XML_NODE_NAME_LEN) {
        return false;
    }
    for (char c : name) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && c != '_') {
            return false;
        }
    }
    return true;
}

// Everything that must hold for the SDK's fixed-size records and for the default values.
std::string CheckNode(const NodeDesc& node)
{
    if (!ValidName(node.name)) {
        return "bad node name '" + node.name + "'";
    }
    const std::string where = node.name + ": ";
    if (node.displayName.size() >= MV_MAX_XML_NODE_NAME_LEN || node.description.size() >= MV_MAX_XML_DISC_LEN ||
        node.toolTip.size() >= MV_MAX_XML_DISC_LEN || node.unit.size() >= MV_MAX_XML_NODE_NAME_LEN) {
        return where + "text too long for the node records";
    }
    switch (node.kind) {
    case NodeKind::Integer:
        if (node.intInc <= 0 || node.intMin > node.intMax || node.intValue < node.intMin ||
            node.intValue > node.intMax ||
            (static_cast<uint64_t>(node.intValue) - static_cast<uint64_t>(node.intMin)) %
                    static_cast<uint64_t>(node.intInc) !=
                0) {
            return where + "default outside its range or increment";
        }
        break;
    case NodeKind::Float:
        if (!(node.floatMin <= node.floatValue && node.floatValue <= node.floatMax) || node.floatInc < 0.0) {
            return where + "default outside its range";
        }
        break;
    case NodeKind::String:
        if (node.maxLength == 0 || node.maxLength >= MV_MAX_XML_STRVALUE_LEN ||
            node.stringValue.size() > node.maxLength) {
            return where + "bad maximum length";
        }
        break;
    case NodeKind::Enumeration:
        if (node.entries.empty() || node.entries.size() > MV_MAX_XML_SYMBOLIC_NUM) {
            return where + "needs 1 to 64 entries";
        }
        for (std::size_t i = 0; i < node.entries.size(); ++i) {
            if (!ValidName(node.entries[i].symbolic) || node.entries[i].value < 0 ||
                node.entries[i].value > 0xFFFFFFFFll) {
                return where + "bad entry '" + node.entries[i].symbolic + "'";
            }
            for (std::size_t j = 0; j < i; ++j) {
                if (node.entries[j].symbolic == node.entries[i].symbolic ||
                    node.entries[j].value == node.entries[i].value) {
                    return where + "duplicate entry '" + node.entries[i].symbolic + "'";
                }
            }
        }
        if (node.FindEntry(node.intValue) == nullptr) {
            return where + "default is not an entry";
        }
        break;
    case NodeKind::Register:
        if (node.length <= 0 || node.length > 4096 || node.address < 0) {
            return where + "bad register address or length";
        }
        break;
    case NodeKind::Category:
        if (node.children.size() > MV_MAX_XML_NODE_NUM) {
            return where + "more than 128 children";
        }
        break;
    case NodeKind::Boolean:
    case NodeKind::Command:
        break;
    }
    // Access modes past AM_RW stand for a camera's broken description and are kept as given.
    if (node.access > 255 || node.visibility > V_Invisible) {
        return where + "bad access mode or visibility";
    }
    return {};
}

}  // namespace

uint32_t InterfaceType(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Integer:
        return IFT_IInteger;
    case NodeKind::Float:
        return IFT_IFloat;
    case NodeKind::Boolean:
        return IFT_IBoolean;
    case NodeKind::Command:
        return IFT_ICommand;
    case NodeKind::String:
        return IFT_IString;
    case NodeKind::Enumeration:
        return IFT_IEnumeration;
    case NodeKind::Register:
        return IFT_IRegister;
    case NodeKind::Category:
        return IFT_ICategory;
    }
    return IFT_IValue;
}

const EnumEntryDesc* NodeDesc::FindEntry(int64_t value) const
{
    for (const EnumEntryDesc& entry : entries) {
        if (entry.value == value) {
            return &entry;
        }
    }
    return nullptr;
}

const EnumEntryDesc* NodeDesc::FindEntry(const std::string& symbolic) const
{
    for (const EnumEntryDesc& entry : entries) {
        if (entry.symbolic == symbolic) {
            return &entry;
        }
    }
    return nullptr;
}

const NodeDesc* Model::Find(const std::string& name) const
{
    const auto found = byName.find(name);
    return found == byName.end() ? nullptr : &nodes[found->second];
}

ModelBuilder::ModelBuilder()
{
    NodeDesc root;
    root.name = Model::kRootName;
    root.displayName = root.name;
    root.kind = NodeKind::Category;
    root.access = AM_RO;
    nodes.push_back(root);
    categoryStack.push_back(root.name);
}

ModelBuilder& ModelBuilder::Category(const std::string& name)
{
    categoryStack.resize(1);
    return SubCategory(name);
}

ModelBuilder& ModelBuilder::SubCategory(const std::string& name)
{
    NodeDesc node;
    node.name = name;
    node.kind = NodeKind::Category;
    node.access = AM_RO;
    Add(node);
    categoryStack.push_back(name);
    return *this;
}

ModelBuilder& ModelBuilder::EndCategory()
{
    if (categoryStack.size() > 1) {
        categoryStack.pop_back();
    }
    return *this;
}

ModelBuilder& ModelBuilder::Integer(const std::string& name, int64_t min, int64_t max, int64_t increment, int64_t value)
{
    NodeDesc node;
    node.name = name;
    node.kind = NodeKind::Integer;
    node.intMin = min;
    node.intMax = max;
    node.intInc = increment;
    node.intValue = value;
    return Add(node);
}

ModelBuilder& ModelBuilder::Float(const std::string& name, double min, double max, double value)
{
    NodeDesc node;
    node.name = name;
    node.kind = NodeKind::Float;
    node.floatMin = min;
    node.floatMax = max;
    node.floatValue = value;
    return Add(node);
}

ModelBuilder& ModelBuilder::Boolean(const std::string& name, bool value)
{
    NodeDesc node;
    node.name = name;
    node.kind = NodeKind::Boolean;
    node.intValue = value ? 1 : 0;
    return Add(node);
}

ModelBuilder& ModelBuilder::Command(const std::string& name)
{
    NodeDesc node;
    node.name = name;
    node.kind = NodeKind::Command;
    node.access = AM_WO;
    return Add(node);
}

ModelBuilder& ModelBuilder::String(const std::string& name, const std::string& value, uint32_t maxLength)
{
    NodeDesc node;
    node.name = name;
    node.kind = NodeKind::String;
    node.stringValue = value;
    node.maxLength = maxLength;
    return Add(node);
}

ModelBuilder& ModelBuilder::Enumeration(const std::string& name, std::initializer_list<EnumEntryDesc> entries,
                                        const std::string& value)
{
    return Enumeration(name, std::vector<EnumEntryDesc>(entries), value);
}

ModelBuilder& ModelBuilder::Enumeration(const std::string& name, const std::vector<EnumEntryDesc>& entries,
                                        const std::string& value)
{
    NodeDesc node;
    node.name = name;
    node.kind = NodeKind::Enumeration;
    node.entries = entries;
    const EnumEntryDesc* current = node.FindEntry(value);
    node.intValue = current != nullptr ? current->value : -1;  // -1 fails the check in Build
    return Add(node);
}

ModelBuilder& ModelBuilder::Register(const std::string& name, int64_t address, int64_t length)
{
    NodeDesc node;
    node.name = name;
    node.kind = NodeKind::Register;
    node.address = address;
    node.length = length;
    if (length > 0 && length <= 4096) {
        node.stringValue.assign(static_cast<std::size_t>(length), '\0');
    }
    return Add(node);
}

ModelBuilder& ModelBuilder::Reference(const std::string& name)
{
    // Checked in Build: the node may not be defined yet.
    for (NodeDesc& existing : nodes) {
        if (existing.name == categoryStack.back()) {
            existing.children.push_back(name);
            break;
        }
    }
    return *this;
}

ModelBuilder& ModelBuilder::Display(const std::string& displayName)
{
    Last().displayName = displayName;
    return *this;
}

ModelBuilder& ModelBuilder::Description(const std::string& description)
{
    NodeDesc& node = Last();
    if (node.toolTip.empty() || node.toolTip == node.description) {
        node.toolTip = description;
    }
    node.description = description;
    return *this;
}

ModelBuilder& ModelBuilder::ToolTip(const std::string& toolTip)
{
    Last().toolTip = toolTip;
    return *this;
}

ModelBuilder& ModelBuilder::Visibility(uint32_t visibility)
{
    Last().visibility = visibility;
    return *this;
}

ModelBuilder& ModelBuilder::Access(uint32_t access)
{
    Last().access = access;
    return *this;
}

ModelBuilder& ModelBuilder::Unit(const std::string& unit)
{
    Last().unit = unit;
    return *this;
}

ModelBuilder& ModelBuilder::Increment(double increment)
{
    Last().floatInc = increment;
    return *this;
}

ModelBuilder& ModelBuilder::Hexadecimal()
{
    Last().representation = IntRepresentation::Hexadecimal;
    return *this;
}

ModelBuilder& ModelBuilder::IpAddress()
{
    Last().representation = IntRepresentation::IpAddress;
    return *this;
}

ModelBuilder& ModelBuilder::SelectedBy(const std::string& selector)
{
    Last().selector = selector;
    return *this;
}

ModelBuilder& ModelBuilder::WritableWhen(const std::string& node, const std::string& value)
{
    Last().conditions.push_back({node, value, true, AM_RO});
    return *this;
}

ModelBuilder& ModelBuilder::AvailableWhen(const std::string& node, const std::string& value)
{
    Last().conditions.push_back({node, value, true, AM_NA});
    return *this;
}

ModelBuilder& ModelBuilder::AvailableUnless(const std::string& node, const std::string& value)
{
    Last().conditions.push_back({node, value, false, AM_NA});
    return *this;
}

ModelBuilder& ModelBuilder::LockedWhileAcquiring()
{
    Last().lockedWhileAcquiring = true;
    return *this;
}

ModelBuilder& ModelBuilder::Add(NodeDesc node)
{
    node.displayName = node.name;
    node.parent = categoryStack.back();
    for (NodeDesc& existing : nodes) {
        if (existing.name == node.parent) {
            existing.children.push_back(node.name);
            break;
        }
    }
    nodes.push_back(std::move(node));
    return *this;
}

NodeDesc& ModelBuilder::Last()
{
    return nodes.back();
}

std::shared_ptr<const Model> ModelBuilder::Build(std::string& problem) const
{
    auto model = std::make_shared<Model>();
    model->nodes = nodes;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        problem = CheckNode(nodes[i]);
        if (!problem.empty()) {
            return nullptr;
        }
        if (!model->byName.emplace(nodes[i].name, i).second) {
            problem = "duplicate node name '" + nodes[i].name + "'";
            return nullptr;
        }
    }
    for (const NodeDesc& node : nodes) {
        for (std::size_t i = 0; i < node.children.size(); ++i) {
            const std::string& name = node.children[i];
            const NodeDesc* child = model->Find(name);
            if (child == nullptr || (child->parent != node.name && child->kind == NodeKind::Category)) {
                problem = node.name + ": reference to '" + name + "', which is no feature";
                return nullptr;
            }
            if (std::find(node.children.begin(), node.children.begin() + static_cast<std::ptrdiff_t>(i), name) !=
                node.children.begin() + static_cast<std::ptrdiff_t>(i)) {
                problem = node.name + ": '" + name + "' listed twice";
                return nullptr;
            }
        }
        for (const AccessCondition& condition : node.conditions) {
            const NodeDesc* other = model->Find(condition.node);
            const bool usable =
                other != nullptr &&
                ((other->kind == NodeKind::Enumeration && other->FindEntry(condition.value) != nullptr) ||
                 (other->kind == NodeKind::Boolean && (condition.value == "true" || condition.value == "false")));
            if (!usable) {
                problem = node.name + ": condition on '" + condition.node + "' = '" + condition.value +
                          "' names no such enumeration entry or boolean value";
                return nullptr;
            }
        }
        if (!node.selector.empty()) {
            const NodeDesc* selector = model->Find(node.selector);
            // Unsigned: the distance between extreme limits does not fit a signed 64-bit value.
            const bool selectorKind =
                selector != nullptr &&
                (selector->kind == NodeKind::Enumeration ||
                 (selector->kind == NodeKind::Integer &&
                  static_cast<uint64_t>(selector->intMax) - static_cast<uint64_t>(selector->intMin) <= 255));
            if (!selectorKind || node.kind == NodeKind::Category || node.kind == NodeKind::Command) {
                problem = node.name + ": selector '" + node.selector + "' is not an enumeration or a small integer";
                return nullptr;
            }
            // A selector's own value must not depend on a selector: the value of a node is found
            // through its selector's, which would never end for a node selecting itself or a
            // ring of selectors.
            if (!selector->selector.empty()) {
                problem = node.name + ": selector '" + node.selector + "' is itself selected";
                return nullptr;
            }
        }
    }
    return model;
}

}  // namespace CamSim
