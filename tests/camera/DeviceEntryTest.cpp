// What the camera list keeps of one enumerated device, taken from the SDK's device record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "camera/DeviceEntry.h"
#include "sdk/MvSdk.h"

TEST(DeviceEntryTest, TextsComeFromTheRecordsFixedFields)
{
    MvDeviceInfo gige{};
    gige.nTLayerType = MV_GIGE_DEVICE;
    // A full field has no terminator; the copy stops at the field's end.
    std::memset(gige.SpecialInfo.stGigEInfo.chModelName, 'M', MV_GIGE_MODEL_NAME_LEN);
    std::memset(gige.SpecialInfo.stGigEInfo.chSerialNumber, 'S', MV_GIGE_SERIAL_NUMBER_LEN);
    const DeviceEntry gigeEntry = DeviceEntry::FromSdkRecord(&gige);
    EXPECT_TRUE(gigeEntry.isGigE);
    EXPECT_FALSE(gigeEntry.isUsb);
    EXPECT_EQ(gigeEntry.modelName, std::string(32, 'M'));
    EXPECT_EQ(gigeEntry.serialNumber, std::string(16, 'S'));
    EXPECT_EQ(gigeEntry.configName, std::string(32, 'M') + " (" + std::string(16, 'S') + ")");
    EXPECT_EQ(gigeEntry.sdkDevice, &gige);

    MvDeviceInfo usb{};
    usb.nTLayerType = MV_USB_DEVICE;
    std::memset(usb.SpecialInfo.stUsb3VInfo.chModelName, 'U', MV_USB_NAME_LEN);
    std::strcpy(usb.SpecialInfo.stUsb3VInfo.chSerialNumber, "B2");
    const DeviceEntry usbEntry = DeviceEntry::FromSdkRecord(&usb);
    EXPECT_TRUE(usbEntry.isUsb);
    EXPECT_EQ(usbEntry.modelName, std::string(64, 'U'));
    EXPECT_EQ(usbEntry.configName, std::string(64, 'U') + " (B2)");

    MvDeviceInfo other{};
    other.nTLayerType = MV_CAMERALINK_DEVICE;
    std::strcpy(other.SpecialInfo.stGigEInfo.chModelName, "CL");
    const DeviceEntry otherEntry = DeviceEntry::FromSdkRecord(&other);
    EXPECT_FALSE(otherEntry.isGigE);
    EXPECT_FALSE(otherEntry.isUsb);
    EXPECT_EQ(otherEntry.configName, " ()");
}
