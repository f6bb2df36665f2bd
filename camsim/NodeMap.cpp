#include "camsim/NodeMap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace CamSim {

namespace {

bool OnGrid(int64_t value, int64_t min, int64_t inc)
{
    return (static_cast<uint64_t>(value) - static_cast<uint64_t>(min)) % static_cast<uint64_t>(inc) == 0;
}

// A limit read back through the SDK's float records and written again must not fall just
// outside the range: values that close to a limit count as the limit.
bool NearLimit(double value, double limit)
{
    return std::fabs(value - limit) <= 1e-6 * std::max(1.0, std::fabs(limit));
}

}  // namespace

NodeMap::NodeMap(std::shared_ptr<const Model> nodeModel, NodeRules& cameraRules)
    : model(std::move(nodeModel)), rules(cameraRules)
{
    const auto& nodes = model->Nodes();
    defaults.resize(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        Value value;
        value.i = nodes[i].intValue;
        value.f = nodes[i].floatValue;
        value.s = nodes[i].stringValue;
        defaults[i][0] = value;
    }
    values = defaults;
}

uint32_t NodeMap::Lookup(const std::string& name, NodeKind kind, const NodeDesc*& node) const
{
    node = model->Find(name);
    if (node == nullptr) {
        return MV_E_GC_PROPERTY;
    }
    return node->kind == kind ? MV_OK : MV_E_SUPPORT;
}

uint32_t NodeMap::FindReadable(const std::string& name, NodeKind kind, const NodeDesc*& node) const
{
    const uint32_t status = Lookup(name, kind, node);
    return status == MV_OK ? Readable(*node) : status;
}

uint32_t NodeMap::FindWritable(const std::string& name, NodeKind kind, const NodeDesc*& node) const
{
    const uint32_t status = Lookup(name, kind, node);
    return status == MV_OK ? Writable(*node) : status;
}

int64_t NodeMap::SelectorKey(const NodeDesc& node) const
{
    if (node.selector.empty()) {
        return 0;
    }
    const NodeDesc* selector = model->Find(node.selector);
    return selector == nullptr ? 0 : RawInt(*selector);
}

const NodeMap::Value& NodeMap::ReadAt(const NodeDesc& node, int64_t key) const
{
    const std::size_t index = model->IndexOf(node);
    const Values& slot = values[index];
    const auto found = slot.find(key);
    if (found != slot.end()) {
        return found->second;
    }
    return defaults[index].at(0);  // a selector entry never written holds the default
}

NodeMap::Value& NodeMap::WriteAt(const NodeDesc& node, int64_t key)
{
    const std::size_t index = model->IndexOf(node);
    const auto inserted = values[index].emplace(key, defaults[index].at(0));
    return inserted.first->second;
}

bool NodeMap::ConditionMet(const AccessCondition& condition) const
{
    const NodeDesc* other = model->Find(condition.node);
    if (other == nullptr) {
        return false;
    }
    if (other->kind == NodeKind::Boolean) {
        return (RawInt(*other) != 0) == (condition.value == "true");
    }
    const EnumEntryDesc* entry = other->FindEntry(RawInt(*other));
    return entry != nullptr && entry->symbolic == condition.value;
}

uint32_t NodeMap::AccessOf(const NodeDesc& node) const
{
    uint32_t access = node.access;
    // Not implemented, not available or a mode no rule knows: nothing to cut down.
    if (access != AM_WO && access != AM_RO && access != AM_RW) {
        return access;
    }
    auto restrict = [&access](uint32_t to) {
        if (to == AM_NA || access == AM_WO) {
            access = AM_NA;
        } else if (access == AM_RW) {
            access = AM_RO;
        }
    };
    for (const AccessCondition& condition : node.conditions) {
        if (ConditionMet(condition) != condition.equals) {
            restrict(condition.otherwise);
        }
    }
    if (LockedNow(node)) {
        restrict(node.kind == NodeKind::Command ? AM_NA : AM_RO);
    }
    return access;
}

bool NodeMap::LockedNow(const NodeDesc& node) const
{
    return node.lockedWhileAcquiring && rules.FormatLocked();
}

std::string NodeMap::EnumSymbolicOf(const char* name) const
{
    const NodeDesc* node = model->Find(name);
    if (node == nullptr || node->kind != NodeKind::Enumeration) {
        return std::string();
    }
    const EnumEntryDesc* entry = node->FindEntry(Read(*node).i);
    return entry != nullptr ? entry->symbolic : std::string();
}

int64_t NodeMap::IntValueOf(const char* name, int64_t fallback) const
{
    const NodeDesc* node = model->Find(name);
    return node != nullptr && node->kind == NodeKind::Integer ? Read(*node).i : fallback;
}

double NodeMap::FloatValueOf(const char* name, double fallback) const
{
    const NodeDesc* node = model->Find(name);
    return node != nullptr && node->kind == NodeKind::Float ? Read(*node).f : fallback;
}

double NodeMap::FloatMaxOf(const char* name, double fallback) const
{
    const NodeDesc* node = model->Find(name);
    return node != nullptr && node->kind == NodeKind::Float ? node->floatMax : fallback;
}

bool NodeMap::BoolValueOf(const char* name, bool fallback) const
{
    const NodeDesc* node = model->Find(name);
    return node != nullptr && node->kind == NodeKind::Boolean ? Read(*node).i != 0 : fallback;
}

std::string NodeMap::TextValueOf(const char* name) const
{
    const NodeDesc* node = model->Find(name);
    return node != nullptr && node->kind == NodeKind::String ? Read(*node).s : std::string();
}

template <typename Matches>
uint32_t NodeMap::RefusalFor(const NodeDesc& node, Matches&& matches) const
{
    for (const Refusal& refusal : refusals) {
        if (refusal.node == node.name && (refusal.value == "*" || matches(refusal.value))) {
            return refusal.status;
        }
    }
    return MV_OK;
}

uint32_t NodeMap::Readable(const NodeDesc& node) const
{
    const uint32_t access = AccessOf(node);
    return access == AM_RO || access == AM_RW ? MV_OK : MV_E_GC_ACCESS;
}

uint32_t NodeMap::Writable(const NodeDesc& node) const
{
    const uint32_t access = AccessOf(node);
    return access == AM_WO || access == AM_RW ? MV_OK : MV_E_GC_ACCESS;
}

int64_t NodeMap::RawInt(const NodeDesc& node) const
{
    return Read(node).i;
}

const std::string& NodeMap::TextOf(const NodeDesc& node) const
{
    return Read(node).s;
}

IntInfo NodeMap::IntOf(const NodeDesc& node) const
{
    IntInfo info{Read(node).i, node.intMin, node.intMax, node.intInc};
    rules.AdjustInt(node, info);
    info.max = std::max(info.max, info.min);
    return info;
}

FloatInfo NodeMap::FloatOf(const NodeDesc& node) const
{
    return {Read(node).f, node.floatMin, node.floatMax};
}

uint32_t NodeMap::GetInt(const std::string& name, IntInfo& info) const
{
    const NodeDesc* node = nullptr;
    const uint32_t status = FindReadable(name, NodeKind::Integer, node);
    if (status == MV_OK) {
        info = IntOf(*node);
    }
    return status;
}

uint32_t NodeMap::SetInt(const std::string& name, int64_t value)
{
    const NodeDesc* node = nullptr;
    uint32_t status = FindWritable(name, NodeKind::Integer, node);
    if (status != MV_OK) {
        return status;
    }
    const IntInfo info = IntOf(*node);
    if (value < info.min || value > info.max || !OnGrid(value, info.min, info.inc)) {
        return MV_E_GC_RANGE;
    }
    status = RefusalFor(*node, [value](const std::string& text) {
        char* end = nullptr;
        const long long parsed = std::strtoll(text.c_str(), &end, 0);
        return end != text.c_str() && *end == '\0' && parsed == value;
    });
    if (status != MV_OK) {
        return status;
    }
    Write(*node).i = value;
    rules.AfterIntWrite(*node);
    return MV_OK;
}

uint32_t NodeMap::GetFloat(const std::string& name, FloatInfo& info) const
{
    const NodeDesc* node = nullptr;
    const uint32_t status = FindReadable(name, NodeKind::Float, node);
    if (status == MV_OK) {
        info = FloatOf(*node);
    }
    return status;
}

uint32_t NodeMap::SetFloat(const std::string& name, double value)
{
    const NodeDesc* node = nullptr;
    uint32_t status = FindWritable(name, NodeKind::Float, node);
    if (status != MV_OK) {
        return status;
    }
    if (!std::isfinite(value)) {
        return MV_E_GC_RANGE;
    }
    if (NearLimit(value, node->floatMin)) {
        value = node->floatMin;
    } else if (NearLimit(value, node->floatMax)) {
        value = node->floatMax;
    }
    if (value < node->floatMin || value > node->floatMax) {
        return MV_E_GC_RANGE;
    }
    status = RefusalFor(*node, [value](const std::string& text) {
        char* end = nullptr;
        const double parsed = std::strtod(text.c_str(), &end);
        return end != text.c_str() && *end == '\0' && NearLimit(value, parsed);
    });
    if (status != MV_OK) {
        return status;
    }
    Write(*node).f = value;
    return MV_OK;
}

uint32_t NodeMap::GetBool(const std::string& name, bool& value) const
{
    const NodeDesc* node = nullptr;
    const uint32_t status = FindReadable(name, NodeKind::Boolean, node);
    if (status == MV_OK) {
        value = Read(*node).i != 0;
    }
    return status;
}

uint32_t NodeMap::SetBool(const std::string& name, bool value)
{
    const NodeDesc* node = nullptr;
    uint32_t status = FindWritable(name, NodeKind::Boolean, node);
    if (status == MV_OK) {
        status = RefusalFor(*node, [value](const std::string& text) {
            return text == (value ? "true" : "false") || text == (value ? "1" : "0");
        });
    }
    if (status == MV_OK) {
        Write(*node).i = value ? 1 : 0;
    }
    return status;
}

uint32_t NodeMap::GetEnum(const std::string& name, int64_t& value, std::vector<int64_t>& available) const
{
    const NodeDesc* node = nullptr;
    const uint32_t status = FindReadable(name, NodeKind::Enumeration, node);
    if (status == MV_OK) {
        value = Read(*node).i;
        available.clear();
        for (const EnumEntryDesc& entry : node->entries) {
            available.push_back(entry.value);
        }
    }
    return status;
}

uint32_t NodeMap::SetEnum(const std::string& name, int64_t value)
{
    const NodeDesc* node = nullptr;
    uint32_t status = FindWritable(name, NodeKind::Enumeration, node);
    if (status != MV_OK) {
        return status;
    }
    const EnumEntryDesc* entry = node->FindEntry(value);
    if (entry == nullptr) {
        return MV_E_GC_ARGUMENT;
    }
    status = RefusalFor(
        *node, [&](const std::string& text) { return text == entry->symbolic || text == std::to_string(value); });
    if (status != MV_OK) {
        return status;
    }
    Write(*node).i = value;
    return MV_OK;
}

uint32_t NodeMap::SetEnumSymbolic(const std::string& name, const std::string& symbolic)
{
    const NodeDesc* node = nullptr;
    const uint32_t status = Lookup(name, NodeKind::Enumeration, node);
    if (status != MV_OK) {
        return status;
    }
    const EnumEntryDesc* entry = node->FindEntry(symbolic);
    if (entry == nullptr) {
        return Writable(*node) != MV_OK ? MV_E_GC_ACCESS : MV_E_GC_ARGUMENT;
    }
    return SetEnum(name, entry->value);
}

uint32_t NodeMap::EntrySymbolic(const std::string& name, int64_t value, std::string& symbolic) const
{
    const NodeDesc* node = nullptr;
    const uint32_t status = Lookup(name, NodeKind::Enumeration, node);
    if (status != MV_OK) {
        return status;
    }
    const EnumEntryDesc* entry = node->FindEntry(value);
    if (entry == nullptr) {
        return MV_E_GC_ARGUMENT;
    }
    symbolic = entry->symbolic;
    return MV_OK;
}

uint32_t NodeMap::SetString(const std::string& name, const std::string& value)
{
    const NodeDesc* node = nullptr;
    uint32_t status = FindWritable(name, NodeKind::String, node);
    if (status != MV_OK) {
        return status;
    }
    if (value.size() > node->maxLength) {
        return MV_E_GC_RANGE;
    }
    status = RefusalFor(*node, [&value](const std::string& text) { return text == value; });
    if (status != MV_OK) {
        return status;
    }
    Write(*node).s = value;
    return MV_OK;
}

uint32_t NodeMap::CheckCommand(const std::string& name) const
{
    const NodeDesc* node = nullptr;
    const uint32_t status = FindWritable(name, NodeKind::Command, node);
    if (status != MV_OK) {
        return status;
    }
    return RefusalFor(*node, [](const std::string&) { return true; });  // a command has no value
}

}  // namespace CamSim
