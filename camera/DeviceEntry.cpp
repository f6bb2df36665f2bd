#include "camera/DeviceEntry.h"

namespace {

// The SDK's name fields need not be NUL-terminated when they are full.
std::string FixedText(const char* field, size_t length)
{
    size_t n = 0;
    while (n < length && field[n] != '\0') ++n;
    return std::string(field, n);
}

}  // namespace

DeviceEntry DeviceEntry::FromSdkRecord(const MvDeviceInfo* record)
{
    DeviceEntry entry;
    entry.sdkDevice = record;
    if (record != nullptr) {
        if (record->nTLayerType == MV_GIGE_DEVICE) {
            const MvGigeDeviceInfo& gige = record->SpecialInfo.stGigEInfo;
            entry.isGigE = true;
            entry.modelName = FixedText(gige.chModelName, MV_GIGE_MODEL_NAME_LEN);
            entry.serialNumber = FixedText(gige.chSerialNumber, MV_GIGE_SERIAL_NUMBER_LEN);
        } else if (record->nTLayerType == MV_USB_DEVICE) {
            const MvUsb3DeviceInfo& usb = record->SpecialInfo.stUsb3VInfo;
            entry.isUsb = true;
            entry.modelName = FixedText(usb.chModelName, MV_USB_NAME_LEN);
            entry.serialNumber = FixedText(usb.chSerialNumber, MV_USB_NAME_LEN);
        }
    }
    entry.configName = entry.modelName + " (" + entry.serialNumber + ")";
    return entry;
}
