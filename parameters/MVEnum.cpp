#include "parameters/MVEnum.h"

#include <cstring>

#include "parameters/ParameterOwner.h"
#include "sdk/MvSdk.h"
#include "util/Logger.h"

MvStatus MVEnum::ReadInt(int64_t& value) const
{
    MvIntValueEx record;
    std::memset(&record, 0, sizeof record);
    const MvStatus status(MV_CC_GetIntValueEx(owner.SdkHandle(), nodeName.c_str(), &record));
    if (status.Ok()) value = record.nCurValue;
    return status;
}

MvStatus MVEnum::ReadEnum(uint32_t& value) const
{
    MvEnumValue record;
    std::memset(&record, 0, sizeof record);
    const MvStatus status(MV_CC_GetEnumValue(owner.SdkHandle(), nodeName.c_str(), &record));
    if (status.Ok()) value = record.nCurValue;
    return status;
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
    if (status.Ok()) text.assign(entry.chSymbolic, strnlen(entry.chSymbolic, sizeof entry.chSymbolic));
    return status;
}
