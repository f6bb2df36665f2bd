#include "camsim/CameraBehaviour.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "camsim/DeviceConfig.h"
#include "sdk/PixelFormats.h"

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

// a - b, held at the limits of the type: odd models give sizes and offsets far apart.
int64_t Difference(int64_t a, int64_t b)
{
    int64_t result = 0;
    if (__builtin_sub_overflow(a, b, &result)) {
        return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    return result;
}

// A code without a bits field counts as 8 bits per pixel.
int64_t BitsPerPixel(int64_t pixelFormat)
{
    const uint32_t bits = PixelFormats::BitsOf(static_cast<uint32_t>(pixelFormat));
    return bits == 0 ? 8 : static_cast<int64_t>(bits);
}

// The user set nodes say which set is in use and which one starts: loading or powering up
// leaves them alone.
bool IsUserSetNode(const NodeDesc& node)
{
    return node.name.compare(0, 7, "UserSet") == 0;
}

}  // namespace

CameraBehaviour::CameraBehaviour(std::shared_ptr<const Model> model, const DeviceDesc& desc)
    : nodes(std::move(model), *this)
{
    const Model& described = nodes.GetModel();
    auto identity = [&](const char* name, const std::string& text) {
        const NodeDesc* node = described.Find(name);
        if (node != nullptr && node->kind == NodeKind::String) {
            nodes.PowerUpValue(*node).s = text.substr(0, node->maxLength);
        }
    };
    identity("DeviceModelName", desc.model);
    identity("DeviceSerialNumber", desc.serial);
    identity("DeviceUserID", desc.userName);
    identity("DeviceVersion", desc.version);
    auto identityInt = [&](const char* name, int64_t value) {
        const NodeDesc* node = described.Find(name);
        if (node != nullptr && node->kind == NodeKind::Integer) {
            nodes.PowerUpValue(*node).i = std::clamp<int64_t>(value, node->intMin, node->intMax);
        }
    };
    identityInt("GevCurrentIPAddress", desc.ipAddress);
    identityInt("GevPersistentIPAddress", desc.ipAddress);
    identityInt("GevMACAddress", (static_cast<int64_t>(kMacHigh) << 32) | MacLow(desc.serial));
    nodes.SetAllValues(nodes.PowerUpValues());
}

// ---- limits and values that follow other nodes ----------------------------------------

// The image size the sensor offers along one axis after binning and decimation.
int64_t CameraBehaviour::AxisLimit(const char* binning, const char* decimation, const NodeDesc& size) const
{
    const int64_t binned = std::max<int64_t>(1, nodes.IntValueOf(binning, 1));
    const int64_t decimated = std::max<int64_t>(1, nodes.IntValueOf(decimation, 1));
    // A factor beyond the type's range leaves as little of the sensor as the largest one.
    const int64_t factor = binned > std::numeric_limits<int64_t>::max() / decimated
                               ? std::numeric_limits<int64_t>::max()
                               : binned * decimated;
    return size.intMax / factor;
}

void CameraBehaviour::AdjustInt(const NodeDesc& node, IntInfo& info) const
{
    struct Axis {
        const char* size;
        const char* offset;
        const char* limit;
        const char* binning;
        const char* decimation;
    };
    static const Axis axes[] = {{"Width", "OffsetX", "WidthMax", "BinningHorizontal", "DecimationHorizontal"},
                                {"Height", "OffsetY", "HeightMax", "BinningVertical", "DecimationVertical"}};
    const Model& model = nodes.GetModel();
    for (const Axis& axis : axes) {
        const NodeDesc* size = model.Find(axis.size);
        if (size == nullptr || size->kind != NodeKind::Integer) {
            continue;
        }
        const int64_t full = AxisLimit(axis.binning, axis.decimation, *size);
        if (node.name == axis.size) {
            info.max = AlignDown(Difference(full, nodes.IntValueOf(axis.offset, 0)), node.intMin, node.intInc);
        } else if (node.name == axis.offset) {
            info.max = AlignDown(Difference(full, nodes.Read(*size).i), node.intMin, node.intInc);
        } else if (node.name == axis.limit) {
            info.value = info.min = info.max = full;
        }
    }
    if (node.name == "PayloadSize") {
        const NodeDesc* format = model.Find("PixelFormat");
        const int64_t bits =
            format != nullptr && format->kind == NodeKind::Enumeration ? BitsPerPixel(nodes.Read(*format).i) : 8;
        // Limited so that no model, however odd, overflows the product.
        constexpr int64_t kLargest = int64_t{1} << 24;
        const int64_t pixels = std::clamp<int64_t>(nodes.IntValueOf("Width", 0), 0, kLargest) *
                               std::clamp<int64_t>(nodes.IntValueOf("Height", 0), 0, kLargest);
        info.value = (pixels * bits + 7) / 8;
    }
}

void CameraBehaviour::FitImageAxis(const char* size, const char* offset, const char* binning, const char* decimation)
{
    const Model& model = nodes.GetModel();
    const NodeDesc* sizeNode = model.Find(size);
    if (sizeNode == nullptr || sizeNode->kind != NodeKind::Integer) {
        return;
    }
    const int64_t full = AxisLimit(binning, decimation, *sizeNode);
    NodeMap::Value& sizeValue = nodes.Write(*sizeNode);
    sizeValue.i = std::min(sizeValue.i, AlignDown(full, sizeNode->intMin, sizeNode->intInc));
    const NodeDesc* offsetNode = model.Find(offset);
    if (offsetNode != nullptr && offsetNode->kind == NodeKind::Integer) {
        NodeMap::Value& offsetValue = nodes.Write(*offsetNode);
        offsetValue.i =
            std::min(offsetValue.i, AlignDown(Difference(full, sizeValue.i), offsetNode->intMin, offsetNode->intInc));
    }
}

void CameraBehaviour::AfterIntWrite(const NodeDesc& node)
{
    // A coarser binning or decimation leaves less image: the region shrinks to fit, as on
    // a camera.
    if (node.name == "BinningHorizontal" || node.name == "DecimationHorizontal") {
        FitImageAxis("Width", "OffsetX", "BinningHorizontal", "DecimationHorizontal");
    } else if (node.name == "BinningVertical" || node.name == "DecimationVertical") {
        FitImageAxis("Height", "OffsetY", "BinningVertical", "DecimationVertical");
    }
}

ImageFormat CameraBehaviour::CurrentFormat() const
{
    ImageFormat format;
    format.width = static_cast<uint32_t>(std::clamp<int64_t>(nodes.IntValueOf("Width", 0), 0, 0xFFFF));
    format.height = static_cast<uint32_t>(std::clamp<int64_t>(nodes.IntValueOf("Height", 0), 0, 0xFFFF));
    const NodeDesc* pixelFormat = nodes.GetModel().Find("PixelFormat");
    format.pixelFormat = pixelFormat != nullptr && pixelFormat->kind == NodeKind::Enumeration
                             ? static_cast<uint32_t>(nodes.RawInt(*pixelFormat))
                             : static_cast<uint32_t>(PixelType_Mono8);
    return format;
}

// ---- power-up, automatic functions ----------------------------------------------------

void CameraBehaviour::PowerUp()
{
    const NodeDesc* choice = nodes.GetModel().Find("UserSetDefault");
    const int64_t startSet = choice != nullptr && choice->kind == NodeKind::Enumeration ? nodes.RawInt(*choice) : 0;
    NodeMap::Store values = nodes.PowerUpValues();
    acquiring = false;
    streamLocked = false;
    const auto saved = userSets.find(startSet);
    if (saved != userSets.end()) {
        const auto& all = nodes.GetModel().Nodes();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!IsUserSetNode(all[i])) {
                values[i] = saved->second[i];
            }
        }
    }
    nodes.SetAllValues(std::move(values));
    if (choice != nullptr && choice->kind == NodeKind::Enumeration) {
        nodes.Write(*choice).i = startSet;
    }
}

void CameraBehaviour::StepAutoFunctions()
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
    const Model& model = nodes.GetModel();
    for (const AutoFunction& function : functions) {
        const NodeDesc* mode = model.Find(function.mode);
        const NodeDesc* value = model.Find(function.value);
        if (mode == nullptr || value == nullptr || mode->kind != NodeKind::Enumeration ||
            (value->kind != NodeKind::Float && value->kind != NodeKind::Integer)) {
            continue;
        }
        const EnumEntryDesc* current = mode->FindEntry(nodes.RawInt(*mode));
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
        auto settle = [&](NodeMap::Value& slot, double target) {
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
        const NodeDesc* selector = value->selector.empty() ? nullptr : model.Find(value->selector);
        if (selector != nullptr && selector->kind == NodeKind::Enumeration) {
            for (std::size_t i = 0; i < selector->entries.size(); ++i) {
                const double ratio = i < 3 ? balanceTargets[i] : 1.0;
                settle(nodes.WriteAt(*value, selector->entries[i].value),
                       integer ? std::round(ratio * kIntegerRatioUnit) : ratio);
            }
        } else {
            settle(nodes.Write(*value), min + range * function.targetShare);
        }
        if (once) {
            if (const EnumEntryDesc* off = mode->FindEntry(std::string("Off"))) {
                nodes.Write(*mode).i = off->value;
            }
        }
    }
}

// ---- commands ---------------------------------------------------------------------------

int64_t CameraBehaviour::SelectedUserSet() const
{
    const NodeDesc* selector = nodes.GetModel().Find("UserSetSelector");
    return selector != nullptr ? nodes.RawInt(*selector) : 0;
}

uint32_t CameraBehaviour::Execute(const std::string& name, CommandEffect& effect)
{
    effect = CommandEffect::SettingsChanged;
    const uint32_t status = nodes.CheckCommand(name);
    if (status != MV_OK) {
        return status;
    }
    if (name == "AcquisitionStart") {
        acquiring = true;
        effect = CommandEffect::AcquisitionStarted;
    } else if (name == "AcquisitionStop") {
        acquiring = false;
        effect = CommandEffect::AcquisitionStopped;
    } else if (name == "TriggerSoftware") {
        effect = CommandEffect::SoftwareTrigger;
    } else if (name == "DeviceReset") {
        // The camera reboots: it leaves the link and comes back with its power-up values
        // (PowerUp, when it is plugged in again).
        effect = CommandEffect::Reboot;
    } else if (name == "UserSetSave") {
        userSets[SelectedUserSet()] = nodes.AllValues();
    } else if (name == "UserSetLoad") {
        // The user set nodes themselves say which set is in use: loading leaves them alone.
        const auto saved = userSets.find(SelectedUserSet());
        NodeMap::Store loaded = saved != userSets.end() ? saved->second : nodes.PowerUpValues();
        const auto& all = nodes.GetModel().Nodes();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (IsUserSetNode(all[i])) {
                loaded[i] = nodes.AllValues()[i];
            }
        }
        nodes.SetAllValues(std::move(loaded));
    }
    return MV_OK;
}

uint32_t CameraBehaviour::ExecuteAcquisitionStart()
{
    if (!nodes.HasNode("AcquisitionStart")) {
        return MV_OK;
    }
    CommandEffect effect = CommandEffect::SettingsChanged;
    return Execute("AcquisitionStart", effect);
}

}  // namespace CamSim
