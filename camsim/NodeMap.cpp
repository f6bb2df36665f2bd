#include "camsim/NodeMap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "camsim/DeviceConfig.h"

namespace CamSim {

namespace {

// The largest value on the node's grid (min + k * inc) not above limit.
int64_t AlignDown(int64_t limit, int64_t min, int64_t inc)
{
    if (limit <= min) {
        return min;
    }
    // Unsigned: the distance between extreme limits does not fit a signed 64-bit value.
    const uint64_t steps = (static_cast<uint64_t>(limit) - static_cast<uint64_t>(min)) / static_cast<uint64_t>(inc);
    return static_cast<int64_t>(static_cast<uint64_t>(min) + steps * static_cast<uint64_t>(inc));
}

bool OnGrid(int64_t value, int64_t min, int64_t inc)
{
    return (static_cast<uint64_t>(value) - static_cast<uint64_t>(min)) % static_cast<uint64_t>(inc) == 0;
}

// Bits per pixel are bits 16 to 23 of a pixel format code.
int64_t BitsPerPixel(int64_t pixelFormat)
{
    const int64_t bits = (pixelFormat >> 16) & 0xFF;
    return bits == 0 ? 8 : bits;
}

// A limit read back through the SDK's float records and written again must not fall just
// outside the range: values that close to a limit count as the limit.
bool NearLimit(double value, double limit)
{
    return std::fabs(value - limit) <= 1e-6 * std::max(1.0, std::fabs(limit));
}

}  // namespace

NodeMap::NodeMap(std::shared_ptr<const Model> nodeModel, const DeviceDesc& desc) : model(std::move(nodeModel))
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
    auto identity = [&](const char* name, const std::string& text) {
        const NodeDesc* node = model->Find(name);
        if (node != nullptr && node->kind == NodeKind::String) {
            defaults[model->IndexOf(*node)][0].s = text.substr(0, node->maxLength);
        }
    };
    identity("DeviceModelName", desc.model);
    identity("DeviceSerialNumber", desc.serial);
    identity("DeviceUserID", desc.userName);
    identity("DeviceVersion", desc.version);
    auto identityInt = [&](const char* name, int64_t value) {
        const NodeDesc* node = model->Find(name);
        if (node != nullptr && node->kind == NodeKind::Integer) {
            defaults[model->IndexOf(*node)][0].i = std::clamp<int64_t>(value, node->intMin, node->intMax);
        }
    };
    identityInt("GevCurrentIPAddress", desc.ipAddress);
    identityInt("GevPersistentIPAddress", desc.ipAddress);
    identityInt("GevMACAddress", (static_cast<int64_t>(kMacHigh) << 32) | MacLow(desc.serial));
    LoadDefaults();
}

void NodeMap::LoadDefaults()
{
    values = defaults;
    acquiring = false;
}

uint32_t NodeMap::Lookup(const std::string& name, NodeKind kind, const NodeDesc*& node) const
{
    node = model->Find(name);
    if (node == nullptr) {
        return MV_E_GC_PROPERTY;
    }
    return node->kind == kind ? MV_OK : MV_E_SUPPORT;
}

int64_t NodeMap::SelectorKey(const NodeDesc& node) const
{
    if (node.selector.empty()) {
        return 0;
    }
    const NodeDesc* selector = model->Find(node.selector);
    return selector == nullptr ? 0 : RawInt(*selector);
}

const NodeMap::Value& NodeMap::Read(const NodeDesc& node) const
{
    const std::size_t index = model->IndexOf(node);
    const Values& slot = values[index];
    const auto found = slot.find(SelectorKey(node));
    if (found != slot.end()) {
        return found->second;
    }
    return defaults[index].at(0);  // a selector entry never written holds the default
}

NodeMap::Value& NodeMap::Write(const NodeDesc& node)
{
    const std::size_t index = model->IndexOf(node);
    const auto inserted = values[index].emplace(SelectorKey(node), defaults[index].at(0));
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
    return (acquiring || streamLocked) && node.lockedWhileAcquiring;
}

void NodeMap::StepAutoFunctions()
{
    struct AutoFunction {
        const char* mode;
        const char* value;
        double targetShare;  // where in the value's range the camera settles
    };
    static const AutoFunction functions[] = {
        {"GainAuto", "Gain", 0.25}, {"ExposureAuto", "ExposureTime", 0.001}, {"BalanceWhiteAuto", "BalanceRatio", 0.0}};
    // Per colour channel: the ratios a white scene under daylight asks for.
    static const double balanceTargets[] = {1.45, 1.0, 1.8};
    // An integer ratio counts in 1/1024ths, as on the cameras that have one.
    constexpr double kIntegerRatioUnit = 1024.0;
    for (const AutoFunction& function : functions) {
        const NodeDesc* mode = model->Find(function.mode);
        const NodeDesc* value = model->Find(function.value);
        if (mode == nullptr || value == nullptr || mode->kind != NodeKind::Enumeration ||
            (value->kind != NodeKind::Float && value->kind != NodeKind::Integer)) {
            continue;
        }
        const EnumEntryDesc* current = mode->FindEntry(RawInt(*mode));
        if (current == nullptr || (current->symbolic != "Continuous" && current->symbolic != "Once")) {
            continue;
        }
        const bool once = current->symbolic == "Once";
        const bool integer = value->kind == NodeKind::Integer;
        const double min = integer ? static_cast<double>(value->intMin) : value->floatMin;
        const double max = integer ? static_cast<double>(value->intMax) : value->floatMax;
        const double range = max - min;
        constexpr double kExactInDouble = 9007199254740992.0;  // 2^53
        if (integer && (std::fabs(min) > kExactInDouble || std::fabs(max) > kExactInDouble)) {
            continue;  // beyond the integers a double holds exactly
        }
        // Integers land on their grid; a step shorter than the increment would never arrive.
        const double inc = integer ? static_cast<double>(value->intInc) : 0.0;
        const double top = integer ? min + std::floor(range / inc) * inc : max;
        auto onGrid = [&](double x) { return std::clamp(min + std::round((x - min) / inc) * inc, min, top); };
        auto settle = [&](Value& slot, double target) {
            target = std::clamp(target, min, max);
            double step = range / 50.0;
            double now = slot.f;
            if (integer) {
                target = onGrid(target);
                step = std::max(step, inc);
                now = static_cast<double>(slot.i);
            }
            const double distance = target - now;
            const double next = once || std::fabs(distance) <= step ? target : now + (distance > 0 ? step : -step);
            if (integer) {
                slot.i = static_cast<int64_t>(onGrid(next));
            } else {
                slot.f = next;
            }
        };
        Values& slots = values[model->IndexOf(*value)];
        const NodeDesc* selector = value->selector.empty() ? nullptr : model->Find(value->selector);
        if (selector != nullptr && selector->kind == NodeKind::Enumeration) {
            for (std::size_t i = 0; i < selector->entries.size(); ++i) {
                const int64_t key = selector->entries[i].value;
                auto inserted = slots.emplace(key, defaults[model->IndexOf(*value)].at(0)).first;
                const double ratio = i < 3 ? balanceTargets[i] : 1.0;
                settle(inserted->second, integer ? std::round(ratio * kIntegerRatioUnit) : ratio);
            }
        } else {
            Value& slot = Write(*value);
            settle(slot, min + range * function.targetShare);
        }
        if (once) {
            if (const EnumEntryDesc* off = mode->FindEntry(std::string("Off"))) {
                Write(*mode).i = off->value;
            }
        }
    }
}

void NodeMap::PowerUp()
{
    const NodeDesc* choice = model->Find("UserSetDefault");
    const int64_t startSet = choice != nullptr && choice->kind == NodeKind::Enumeration ? RawInt(*choice) : 0;
    values = defaults;
    acquiring = false;
    streamLocked = false;
    const auto saved = userSets.find(startSet);
    if (saved != userSets.end()) {
        const auto& nodes = model->Nodes();
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].name.compare(0, 7, "UserSet") != 0) {
                values[i] = saved->second[i];
            }
        }
    }
    if (choice != nullptr && choice->kind == NodeKind::Enumeration) {
        Write(*choice).i = startSet;
    }
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
    return IntByName(name, fallback);
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

int64_t NodeMap::IntByName(const char* name, int64_t fallback) const
{
    const NodeDesc* node = model->Find(name);
    return node != nullptr && node->kind == NodeKind::Integer ? Read(*node).i : fallback;
}

// The image size the sensor offers along one axis after binning and decimation.
int64_t NodeMap::AxisLimit(const char* binning, const char* decimation, const NodeDesc& size) const
{
    const int64_t factor = std::max<int64_t>(1, IntByName(binning, 1)) * std::max<int64_t>(1, IntByName(decimation, 1));
    return size.intMax / factor;
}

IntInfo NodeMap::IntOf(const NodeDesc& node) const
{
    IntInfo info{Read(node).i, node.intMin, node.intMax, node.intInc};
    struct Axis {
        const char* size;
        const char* offset;
        const char* limit;
        const char* binning;
        const char* decimation;
    };
    static const Axis axes[] = {{"Width", "OffsetX", "WidthMax", "BinningHorizontal", "DecimationHorizontal"},
                                {"Height", "OffsetY", "HeightMax", "BinningVertical", "DecimationVertical"}};
    for (const Axis& axis : axes) {
        const NodeDesc* size = model->Find(axis.size);
        if (size == nullptr || size->kind != NodeKind::Integer) {
            continue;
        }
        const int64_t full = AxisLimit(axis.binning, axis.decimation, *size);
        if (node.name == axis.size) {
            info.max = AlignDown(full - IntByName(axis.offset, 0), node.intMin, node.intInc);
        } else if (node.name == axis.offset) {
            info.max = AlignDown(full - Read(*size).i, node.intMin, node.intInc);
        } else if (node.name == axis.limit) {
            info.value = info.min = info.max = full;
        }
    }
    if (node.name == "PayloadSize") {
        const NodeDesc* format = model->Find("PixelFormat");
        const int64_t bits =
            format != nullptr && format->kind == NodeKind::Enumeration ? BitsPerPixel(Read(*format).i) : 8;
        // Limited so that no model, however odd, overflows the product.
        constexpr int64_t kLargest = int64_t{1} << 24;
        const int64_t pixels = std::clamp<int64_t>(IntByName("Width", 0), 0, kLargest) *
                               std::clamp<int64_t>(IntByName("Height", 0), 0, kLargest);
        info.value = (pixels * bits + 7) / 8;
    }
    info.max = std::max(info.max, info.min);
    return info;
}

FloatInfo NodeMap::FloatOf(const NodeDesc& node) const
{
    return {Read(node).f, node.floatMin, node.floatMax};
}

void NodeMap::FitImageAxis(const char* size, const char* offset, const char* binning, const char* decimation)
{
    const NodeDesc* sizeNode = model->Find(size);
    if (sizeNode == nullptr || sizeNode->kind != NodeKind::Integer) {
        return;
    }
    const int64_t full = AxisLimit(binning, decimation, *sizeNode);
    Value& sizeValue = Write(*sizeNode);
    sizeValue.i = std::min(sizeValue.i, AlignDown(full, sizeNode->intMin, sizeNode->intInc));
    const NodeDesc* offsetNode = model->Find(offset);
    if (offsetNode != nullptr && offsetNode->kind == NodeKind::Integer) {
        Value& offsetValue = Write(*offsetNode);
        offsetValue.i = std::min(offsetValue.i, AlignDown(full - sizeValue.i, offsetNode->intMin, offsetNode->intInc));
    }
}

void NodeMap::AfterIntChange(const NodeDesc& node)
{
    // A coarser binning or decimation leaves less image: the region shrinks to fit, as on
    // a camera.
    if (node.name == "BinningHorizontal" || node.name == "DecimationHorizontal") {
        FitImageAxis("Width", "OffsetX", "BinningHorizontal", "DecimationHorizontal");
    } else if (node.name == "BinningVertical" || node.name == "DecimationVertical") {
        FitImageAxis("Height", "OffsetY", "BinningVertical", "DecimationVertical");
    }
}

uint32_t NodeMap::GetInt(const std::string& name, IntInfo& info) const
{
    const NodeDesc* node = nullptr;
    uint32_t status = Lookup(name, NodeKind::Integer, node);
    if (status == MV_OK) {
        status = Readable(*node);
    }
    if (status == MV_OK) {
        info = IntOf(*node);
    }
    return status;
}

uint32_t NodeMap::SetInt(const std::string& name, int64_t value)
{
    const NodeDesc* node = nullptr;
    uint32_t status = Lookup(name, NodeKind::Integer, node);
    if (status == MV_OK) {
        status = Writable(*node);
    }
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
    AfterIntChange(*node);
    return MV_OK;
}

uint32_t NodeMap::GetFloat(const std::string& name, FloatInfo& info) const
{
    const NodeDesc* node = nullptr;
    uint32_t status = Lookup(name, NodeKind::Float, node);
    if (status == MV_OK) {
        status = Readable(*node);
    }
    if (status == MV_OK) {
        info = FloatOf(*node);
    }
    return status;
}

uint32_t NodeMap::SetFloat(const std::string& name, double value)
{
    const NodeDesc* node = nullptr;
    uint32_t status = Lookup(name, NodeKind::Float, node);
    if (status == MV_OK) {
        status = Writable(*node);
    }
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
    uint32_t status = Lookup(name, NodeKind::Boolean, node);
    if (status == MV_OK) {
        status = Readable(*node);
    }
    if (status == MV_OK) {
        value = Read(*node).i != 0;
    }
    return status;
}

uint32_t NodeMap::SetBool(const std::string& name, bool value)
{
    const NodeDesc* node = nullptr;
    uint32_t status = Lookup(name, NodeKind::Boolean, node);
    if (status == MV_OK) {
        status = Writable(*node);
    }
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
    uint32_t status = Lookup(name, NodeKind::Enumeration, node);
    if (status == MV_OK) {
        status = Readable(*node);
    }
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
    uint32_t status = Lookup(name, NodeKind::Enumeration, node);
    if (status == MV_OK) {
        status = Writable(*node);
    }
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
    uint32_t status = Lookup(name, NodeKind::String, node);
    if (status == MV_OK) {
        status = Writable(*node);
    }
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

uint32_t NodeMap::Execute(const std::string& name)
{
    const NodeDesc* node = nullptr;
    uint32_t status = Lookup(name, NodeKind::Command, node);
    if (status == MV_OK) {
        status = Writable(*node);
    }
    if (status == MV_OK) {
        status = RefusalFor(*node, [](const std::string&) { return true; });  // a command has no value
    }
    if (status != MV_OK) {
        return status;
    }
    if (name == "AcquisitionStart") {
        acquiring = true;
    } else if (name == "AcquisitionStop") {
        acquiring = false;
    } else if (name == "DeviceReset") {
        PowerUp();
    } else if (name == "UserSetSave" || name == "UserSetLoad") {
        const NodeDesc* selector = model->Find("UserSetSelector");
        const int64_t key = selector != nullptr ? RawInt(*selector) : 0;
        if (name == "UserSetSave") {
            userSets[key] = values;
            return MV_OK;
        }
        // The user set nodes themselves say which set is in use: loading leaves them alone.
        const auto saved = userSets.find(key);
        std::vector<Values> loaded = saved != userSets.end() ? saved->second : defaults;
        const auto& nodes = model->Nodes();
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].name.compare(0, 7, "UserSet") == 0) {
                loaded[i] = values[i];
            }
        }
        values = std::move(loaded);
    }
    return MV_OK;
}

namespace {

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string NodeMap::ValueText(const NodeDesc& node, const Value& value) const
{
    switch (node.kind) {
    case NodeKind::Integer:
        return std::to_string(value.i);
    case NodeKind::Float: {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", value.f);
        return text;
    }
    case NodeKind::Boolean:
        return value.i != 0 ? "true" : "false";
    case NodeKind::Enumeration: {
        const EnumEntryDesc* entry = node.FindEntry(value.i);
        return entry != nullptr ? entry->symbolic : std::to_string(value.i);
    }
    case NodeKind::String:
        return Escape(value.s);
    default:
        return std::string();
    }
}

std::string NodeMap::FeatureText() const
{
    std::string text;
    for (const NodeDesc& node : model->Nodes()) {
        const bool valued = node.kind == NodeKind::Integer || node.kind == NodeKind::Float ||
                            node.kind == NodeKind::Boolean || node.kind == NodeKind::Enumeration ||
                            node.kind == NodeKind::String;
        if (!valued || AccessOf(node) != AM_RW) {
            continue;
        }
        const std::size_t index = model->IndexOf(node);
        const NodeDesc* selector = node.selector.empty() ? nullptr : model->Find(node.selector);
        if (selector == nullptr) {
            text += node.name + " = " + ValueText(node, Read(node)) + "\n";
            continue;
        }
        // One line per selector position: an enumeration's entries by name, an integer's values.
        std::vector<std::pair<int64_t, std::string>> positions;
        if (selector->kind == NodeKind::Integer) {
            for (int64_t v = selector->intMin; v <= selector->intMax; v += std::max<int64_t>(selector->intInc, 1)) {
                positions.emplace_back(v, std::to_string(v));
            }
        } else {
            for (const EnumEntryDesc& entry : selector->entries) positions.emplace_back(entry.value, entry.symbolic);
        }
        for (const auto& position : positions) {
            const auto found = values[index].find(position.first);
            const Value& value = found != values[index].end() ? found->second : defaults[index].at(0);
            text += node.name + "[" + position.second + "] = " + ValueText(node, value) + "\n";
        }
    }
    return text;
}

uint32_t NodeMap::ApplyFeatureLine(const std::string& line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return MV_E_PARAMETER;
    }
    std::string name = Trim(line.substr(0, equals));
    // Strings keep their blanks: the value is everything after "= ".
    std::string raw = line.substr(equals + 1);
    if (!raw.empty() && raw.front() == ' ') {
        raw.erase(0, 1);
    }
    const std::string text = Trim(raw);
    std::string entryName;
    if (const std::size_t open = name.find('['); open != std::string::npos && name.back() == ']') {
        entryName = name.substr(open + 1, name.size() - open - 2);
        name = name.substr(0, open);
    }
    const NodeDesc* node = model->Find(name);
    if (node == nullptr) {
        return MV_E_GC_PROPERTY;
    }
    // A selected value: select its entry, write, then put the selector back as it was.
    const NodeDesc* selector = nullptr;
    int64_t selectedBefore = 0;
    if (!entryName.empty()) {
        selector = node->selector.empty() ? nullptr : model->Find(node->selector);
        int64_t position = 0;
        if (selector != nullptr && selector->kind == NodeKind::Integer) {
            char* positionEnd = nullptr;
            position = std::strtoll(entryName.c_str(), &positionEnd, 10);
            if (positionEnd == entryName.c_str() || *positionEnd != '\0' || position < selector->intMin ||
                position > selector->intMax) {
                return MV_E_GC_ARGUMENT;
            }
        } else {
            const EnumEntryDesc* entry = selector != nullptr ? selector->FindEntry(entryName) : nullptr;
            if (entry == nullptr) {
                return MV_E_GC_ARGUMENT;
            }
            position = entry->value;
        }
        selectedBefore = RawInt(*selector);
        Write(*selector).i = position;
    }
    uint32_t status = MV_E_PARAMETER;
    char* end = nullptr;
    switch (node->kind) {
    case NodeKind::Integer: {
        const long long value = std::strtoll(text.c_str(), &end, 0);
        status = end != text.c_str() && *end == '\0' ? SetInt(name, value) : MV_E_PARAMETER;
        break;
    }
    case NodeKind::Float: {
        const double value = std::strtod(text.c_str(), &end);
        status = end != text.c_str() && *end == '\0' ? SetFloat(name, value) : MV_E_PARAMETER;
        break;
    }
    case NodeKind::Boolean:
        status = text == "true" || text == "1"    ? SetBool(name, true)
                 : text == "false" || text == "0" ? SetBool(name, false)
                                                  : MV_E_PARAMETER;
        break;
    case NodeKind::Enumeration:
        status = SetEnumSymbolic(name, text);
        break;
    case NodeKind::String:
        status = SetString(name, Unescape(raw));
        break;
    default:
        status = MV_E_GC_ACCESS;  // commands, registers and categories hold no value to load
        break;
    }
    if (selector != nullptr) {
        Write(*selector).i = selectedBefore;
    }
    return status;
}

uint32_t NodeMap::ApplyFeatureLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> pending = lines;
    uint32_t firstFailure = MV_OK;
    // A later line can make an earlier one possible (binning before width, an enable before
    // its value): failed lines get further passes while any pass makes progress.
    for (;;) {
        std::vector<std::string> failed;
        firstFailure = MV_OK;
        for (const std::string& line : pending) {
            const uint32_t status = ApplyFeatureLine(line);
            if (status != MV_OK) {
                failed.push_back(line);
                if (firstFailure == MV_OK) {
                    firstFailure = status;
                }
            }
        }
        if (failed.empty() || failed.size() == pending.size()) {
            return firstFailure;
        }
        pending = std::move(failed);
    }
}

}  // namespace CamSim
