// What the driver keeps of one enumerated device.
#pragma once

#include <string>

#include "sdk/MvSdk.h"

struct DeviceEntry {
    std::string modelName;
    std::string serialNumber;
    std::string configName;  // model name, a blank, the serial number in parentheses
    bool isGigE = false;
    bool isUsb = false;
    const MvDeviceInfo* sdkDevice = nullptr;  // owned by the SDK until it is finalised

    // Copies the texts from the record's fixed-length fields; a device of another transport
    // type gets empty texts and both flags false. A null record gives an empty entry.
    static DeviceEntry FromSdkRecord(const MvDeviceInfo* record);
};
