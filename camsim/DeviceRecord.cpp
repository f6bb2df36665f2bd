#include <algorithm>
#include <cstring>

#include "camsim/SimState.h"

namespace CamSim {

namespace {

constexpr const char* kManufacturer = "Ornic Sim";
constexpr uint32_t kSubnetMask = 0xFFFFFF00u;

// Record fields are fixed-size and need no terminator when the text fills them.
template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

}  // namespace

// The same serial number always gives the same MAC address, as a real camera would.
uint32_t MacLow(const std::string& serial)
{
    uint32_t hash = 2166136261u;
    for (char c : serial) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return 0x52000000u | (hash & 0x00FFFFFFu);
}

std::unique_ptr<MvDeviceInfo> BuildDeviceRecord(const SimDevice& device)
{
    auto record = std::make_unique<MvDeviceInfo>();
    std::memset(record.get(), 0, sizeof(MvDeviceInfo));
    const DeviceDesc& desc = device.desc;
    record->nTLayerType = desc.transport;
    if (desc.transport == MV_GIGE_DEVICE) {
        record->nMajorVer = 2;
        record->nMinorVer = 0;
        record->nMacAddrHigh = kMacHigh;
        record->nMacAddrLow = MacLow(desc.serial);
        MvGigeDeviceInfo& gige = record->SpecialInfo.stGigEInfo;
        gige.nCurrentIp = desc.ipAddress;
        gige.nCurrentSubNetMask = kSubnetMask;
        gige.nDefultGateWay = 0;
        gige.nNetExport = (desc.ipAddress & kSubnetMask) | 1u;
        CopyField(gige.chManufacturerName, kManufacturer);
        CopyField(gige.chModelName, desc.model);
        CopyField(gige.chDeviceVersion, desc.version);
        CopyField(gige.chSerialNumber, desc.serial);
        CopyField(gige.chUserDefinedName, desc.userName);
    } else if (desc.transport == MV_USB_DEVICE) {
        record->nMajorVer = 1;
        record->nMinorVer = 0;
        MvUsb3DeviceInfo& usb = record->SpecialInfo.stUsb3VInfo;
        usb.nDeviceNumber = device.usbNumber;
        usb.nbcdUSB = 0x0300;
        CopyField(usb.chVendorName, kManufacturer);
        CopyField(usb.chModelName, desc.model);
        CopyField(usb.chFamilyName, "SIM");
        CopyField(usb.chDeviceVersion, desc.version);
        CopyField(usb.chManufacturerName, kManufacturer);
        CopyField(usb.chSerialNumber, desc.serial);
        CopyField(usb.chUserDefinedName, desc.userName);
    }
    // Other transports have no part of the union of their own: only the layer type is set.
    return record;
}

}  // namespace CamSim
