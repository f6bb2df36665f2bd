// Enumeration: the default cameras, the records' fields, mask filtering, record lifetime.
#include <cstring>
#include <set>

#include "SimTestSupport.h"

namespace SimTest {
namespace {

class Enumeration : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    }

    static const MvDeviceInfo* FindSerial(const std::vector<const MvDeviceInfo*>& records, const std::string& serial)
    {
        for (const MvDeviceInfo* record : records) {
            if (record->nTLayerType == MV_GIGE_DEVICE &&
                Text(record->SpecialInfo.stGigEInfo.chSerialNumber) == serial) {
                return record;
            }
            if (record->nTLayerType == MV_USB_DEVICE &&
                Text(record->SpecialInfo.stUsb3VInfo.chSerialNumber) == serial) {
                return record;
            }
        }
        return nullptr;
    }
};

TEST_F(Enumeration, DefaultSetIsOneGigEMonoAndOneUsbColourCamera)
{
    const auto records = Enumerate(MV_GIGE_DEVICE | MV_USB_DEVICE);
    ASSERT_EQ(records.size(), 2u);

    const MvDeviceInfo* gige = FindSerial(records, "S1000001");
    ASSERT_NE(gige, nullptr);
    ASSERT_EQ(gige->nTLayerType, MV_GIGE_DEVICE);
    const MvGigeDeviceInfo& g = gige->SpecialInfo.stGigEInfo;
    EXPECT_EQ(Text(g.chModelName), "SIM-GM130");
    EXPECT_EQ(Text(g.chManufacturerName), "Ornic Sim");
    EXPECT_FALSE(Text(g.chDeviceVersion).empty());
    EXPECT_NE(g.nCurrentIp, 0u);
    EXPECT_EQ(g.nCurrentIp & g.nCurrentSubNetMask, g.nNetExport & g.nCurrentSubNetMask);
    EXPECT_NE(g.nCurrentIp, g.nNetExport);
    EXPECT_NE(gige->nMacAddrHigh | gige->nMacAddrLow, 0u);

    const MvDeviceInfo* usb = FindSerial(records, "S2000001");
    ASSERT_NE(usb, nullptr);
    ASSERT_EQ(usb->nTLayerType, MV_USB_DEVICE);
    const MvUsb3DeviceInfo& u = usb->SpecialInfo.stUsb3VInfo;
    EXPECT_EQ(Text(u.chModelName), "SIM-UC500");
    EXPECT_EQ(Text(u.chManufacturerName), "Ornic Sim");
    EXPECT_EQ(Text(u.chVendorName), "Ornic Sim");
    EXPECT_EQ(u.nbcdUSB, 0x0300u);

    ASSERT_EQ(CamSim_GetDeviceCount(), 2u);
    EXPECT_EQ(Device(0).kind, static_cast<uint32_t>(CAMSIM_KIND_MONO));
    EXPECT_EQ(Device(1).kind, static_cast<uint32_t>(CAMSIM_KIND_BAYER_RG));
    CamSimConfigReport report{};
    ASSERT_EQ(Code(CamSim_GetConfigReport(&report)), MV_OK);
    EXPECT_EQ(report.source, static_cast<uint32_t>(CAMSIM_SOURCE_DEFAULT));
}

TEST_F(Enumeration, MaskSelectsTransportsIncludingUnknownOnes)
{
    ASSERT_EQ(Code(CamSim_LoadConfig("gige:G:SG; usb:U:SU; other:0x8:CL:SC; other:0x10:X:SX", nullptr)), MV_OK);

    const auto gige = Enumerate(MV_GIGE_DEVICE);
    ASSERT_EQ(gige.size(), 1u);
    EXPECT_EQ(gige[0]->nTLayerType, MV_GIGE_DEVICE);
    const auto usb = Enumerate(MV_USB_DEVICE);
    ASSERT_EQ(usb.size(), 1u);
    EXPECT_EQ(usb[0]->nTLayerType, MV_USB_DEVICE);

    const auto cameraLink = Enumerate(MV_CAMERALINK_DEVICE);
    ASSERT_EQ(cameraLink.size(), 1u);
    EXPECT_EQ(cameraLink[0]->nTLayerType, MV_CAMERALINK_DEVICE);
    // No union member describes it: the driver must not find names there.
    EXPECT_EQ(Text(cameraLink[0]->SpecialInfo.stUsb3VInfo.chModelName), "");

    const auto unknown = Enumerate(0x10u);
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_EQ(unknown[0]->nTLayerType, 0x10u);

    EXPECT_EQ(Enumerate(MV_GIGE_DEVICE | 0x10u).size(), 2u);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 4u);
    EXPECT_EQ(Enumerate(0).size(), 0u);
    EXPECT_EQ(Enumerate(MV_1394_DEVICE).size(), 0u);
}

TEST_F(Enumeration, SlotsPastTheCountAreCleared)
{
    MvDeviceInfoList list;
    std::memset(&list, 0xAB, sizeof list);
    ASSERT_EQ(Code(MV_CC_EnumDevices(MV_USB_DEVICE, &list)), MV_OK);
    ASSERT_EQ(list.nDeviceNum, 1u);
    EXPECT_NE(list.pDeviceInfo[0], nullptr);
    for (int i = 1; i < MV_MAX_DEVICE_NUM; ++i) {
        ASSERT_EQ(list.pDeviceInfo[i], nullptr) << "slot " << i;
    }
}

TEST_F(Enumeration, ListHoldsAtMost256Devices)
{
    std::string config;
    for (int i = 0; i < 300; ++i) {
        config += "usb:SIM-U:N" + std::to_string(i) + "\n";
    }
    CamSimConfigReport report{};
    ASSERT_EQ(Code(CamSim_LoadConfig(config.c_str(), &report)), MV_OK);
    ASSERT_EQ(report.devicesLoaded, 300u);

    const auto records = Enumerate(MV_USB_DEVICE);
    ASSERT_EQ(records.size(), static_cast<std::size_t>(MV_MAX_DEVICE_NUM));
    EXPECT_EQ(Text(records.front()->SpecialInfo.stUsb3VInfo.chSerialNumber), "N0");
    EXPECT_EQ(Text(records.back()->SpecialInfo.stUsb3VInfo.chSerialNumber), "N255");
    std::set<uint32_t> numbers;
    for (const MvDeviceInfo* record : records) {
        numbers.insert(record->SpecialInfo.stUsb3VInfo.nDeviceNumber);
    }
    EXPECT_EQ(numbers.size(), records.size());
}

TEST_F(Enumeration, FullLengthNamesAreCopiedWithoutTerminator)
{
    const std::string model32 = "M123456789012345678901234567890Z";  // exactly 32
    const std::string serial16 = "S12345678901234Z";                 // exactly 16
    ASSERT_EQ(model32.size(), 32u);
    ASSERT_EQ(serial16.size(), 16u);
    CamSim_ClearDevices();
    ASSERT_NE(CamSim_AddDevice(MV_GIGE_DEVICE, model32.c_str(), serial16.c_str(), CAMSIM_KIND_MONO), 0u);
    EXPECT_EQ(CamSim_AddDevice(MV_GIGE_DEVICE, (model32 + "X").c_str(), "S", CAMSIM_KIND_MONO), 0u);
    EXPECT_EQ(CamSim_AddDevice(MV_GIGE_DEVICE, "M", (serial16 + "X").c_str(), CAMSIM_KIND_MONO), 0u);

    const std::string model64(64, 'U');
    ASSERT_NE(CamSim_AddDevice(MV_USB_DEVICE, model64.c_str(), "SU", CAMSIM_KIND_MONO), 0u);
    EXPECT_EQ(CamSim_AddDevice(MV_USB_DEVICE, (model64 + "U").c_str(), "SU", CAMSIM_KIND_MONO), 0u);

    const auto records = Enumerate(kAllLayers);
    ASSERT_EQ(records.size(), 2u);
    const MvGigeDeviceInfo& g = records[0]->SpecialInfo.stGigEInfo;
    EXPECT_EQ(std::memcmp(g.chModelName, model32.data(), MV_GIGE_MODEL_NAME_LEN), 0);
    EXPECT_EQ(std::memcmp(g.chSerialNumber, serial16.data(), MV_GIGE_SERIAL_NUMBER_LEN), 0);
    // The neighbouring fields are untouched by the full-length copies.
    EXPECT_EQ(Text(g.chDeviceVersion), Device(0).version);
    EXPECT_EQ(Text(g.chUserDefinedName), "");
    EXPECT_EQ(Text(records[1]->SpecialInfo.stUsb3VInfo.chModelName), model64);
}

TEST_F(Enumeration, RecordsStayPutUntilFinalize)
{
    const auto first = Enumerate(kAllLayers);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(Enumerate(kAllLayers), first);

    // A camera plugged in appears behind the others; the others keep their records.
    const unsigned int added = CamSim_AddDevice(MV_USB_DEVICE, "SIM-NEW", "S9", CAMSIM_KIND_MONO);
    ASSERT_NE(added, 0u);
    const auto second = Enumerate(kAllLayers);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0], first[0]);
    EXPECT_EQ(second[1], first[1]);

    // A camera pulled out is no longer listed, but its record stays readable until Finalize.
    ASSERT_EQ(Code(CamSim_RemoveDevice(Device(0).id)), MV_OK);
    const auto third = Enumerate(kAllLayers);
    ASSERT_EQ(third.size(), 2u);
    EXPECT_EQ(third[0], first[1]);
    EXPECT_EQ(Text(first[0]->SpecialInfo.stGigEInfo.chSerialNumber), "S1000001");

    // So does every record when the whole set is replaced.
    ASSERT_EQ(Code(CamSim_LoadConfig("none", nullptr)), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 0u);
    EXPECT_EQ(Text(second[2]->SpecialInfo.stUsb3VInfo.chSerialNumber), "S9");
    EXPECT_EQ(Code(CamSim_RemoveDevice(added)), MV_E_PARAMETER);
}

TEST_F(Enumeration, CamerasGetDistinctAddressesAndNumbers)
{
    ASSERT_EQ(Code(CamSim_LoadConfig("gige:A:S1\ngige:B:S2\ngige:C:S3:ip=10.1.2.3\nusb:D:S4\nusb:E:S5", nullptr)),
              MV_OK);
    const auto gige = Enumerate(MV_GIGE_DEVICE);
    ASSERT_EQ(gige.size(), 3u);
    EXPECT_NE(gige[0]->SpecialInfo.stGigEInfo.nCurrentIp, gige[1]->SpecialInfo.stGigEInfo.nCurrentIp);
    EXPECT_NE(gige[0]->nMacAddrLow, gige[1]->nMacAddrLow);
    EXPECT_EQ(gige[2]->SpecialInfo.stGigEInfo.nCurrentIp, 0x0A010203u);
    const auto usb = Enumerate(MV_USB_DEVICE);
    ASSERT_EQ(usb.size(), 2u);
    EXPECT_NE(usb[0]->SpecialInfo.stUsb3VInfo.nDeviceNumber, usb[1]->SpecialInfo.stUsb3VInfo.nDeviceNumber);
}

}  // namespace
}  // namespace SimTest
