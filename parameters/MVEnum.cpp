#include "parameters/MVEnum.h"

#include <cstring>

#include "parameters/NodeRecords.h"
#include "parameters/ParameterOwner.h"
#include "sdk/MvSdk.h"
#include "util/Logger.h"

namespace {

// Fetches the node's value record with `get`; on success `value` is its current value.
template <class Record, class Value, class Get>
MvStatus ReadCurrent(Get get, const ParameterOwner& owner, const std::string& node, Value& value)
{
    Record record;
    std::memset(&record, 0, sizeof record);
    const MvStatus status(get(owner.SdkHandle(), node.c_str(), &record));
    if (status.Ok()) value = record.nCurValue;
    return status;
}

}  // namespace

MvStatus MVEnum::ReadInt(int64_t& value) const
{
    return ReadCurrent<MvIntValueEx>(MV_CC_GetIntValueEx, owner, nodeName, value);
}

MvStatus MVEnum::ReadEnum(uint32_t& value) const
{
    return ReadCurrent<MvEnumValue>(MV_CC_GetEnumValue, owner, nodeName, value);
}

bool MVEnum::ReadValue__(uint32_t& value) const
{
    const MvStatus status = ReadEnum(value);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(owner.Port(), "MVEnum::ReadValue__", "MV_CC_GetEnumValue " << nodeName << " failed. " << status);
        return false;
    }
    return true;
}

MvStatus MVEnum::ReadSymbolic(std::string& text) const
{
    text.clear();
    uint32_t value = 0;
    MvStatus status = ReadEnum(value);
    if (!status.Ok()) return status;
    MvEnumEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.nValue = value;
    status = MV_CC_GetEnumEntrySymbolic(owner.SdkHandle(), nodeName.c_str(), &entry);
    if (status.Ok()) text = NodeRecords::Text(entry.chSymbolic);
    return status;
}
