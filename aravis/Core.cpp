// Life cycle and enumeration.
#include <arv.h>

#include <cstring>
#include <string>
#include <vector>

#include "aravis/Backend.h"
#include "aravis/Device.h"
#include "aravis/Discovery.h"
#include "util/Text.h"

using OrnicAravis::Backend;
using OrnicAravis::DeviceRecord;
using OrnicAravis::Guarded;

namespace {

constexpr const char* kGigEInterface = "GigEVision";
constexpr const char* kUsbInterface = "USB3Vision";
constexpr const char* kFakeInterface = "Fake";

// The record kept under `key`, made on first sight; an existing one is refreshed in place, so
// the driver's pointer to it stays valid.
DeviceRecord& Keep(Backend& backend, const DeviceRecord& fresh)
{
    for (auto& record : backend.records) {
        if (record->key == fresh.key) {
            record->info = fresh.info;
            record->deviceAddress = fresh.deviceAddress;
            record->interfaceAddress = fresh.interfaceAddress;
            record->aravisId = fresh.aravisId;
            return *record;
        }
    }
    backend.records.push_back(std::make_unique<DeviceRecord>(fresh));
    return *backend.records.back();
}

// A device Aravis lists by id (USB3 Vision, the in-process fake camera). Both are recorded as
// USB3 Vision: the fake camera is on no network, and the driver takes only GigE or USB3.
DeviceRecord AravisRecord(unsigned int index, uint32_t number)
{
    DeviceRecord record;
    const char* id = arv_get_device_id(index);
    record.aravisId = id != nullptr ? id : "";
    record.key = "arv:" + record.aravisId;
    MvDeviceInfo& info = record.info;
    info.nMajorVer = 1;
    info.nTLayerType = MV_USB_DEVICE;
    MvUsb3DeviceInfo& usb = info.SpecialInfo.stUsb3VInfo;
    const auto text = [](const char* value) { return std::string(value != nullptr ? value : ""); };
    Util_2_1::CopyText(usb.chVendorName, text(arv_get_device_vendor(index)));
    Util_2_1::CopyText(usb.chManufacturerName, text(arv_get_device_vendor(index)));
    Util_2_1::CopyText(usb.chModelName, text(arv_get_device_model(index)));
    Util_2_1::CopyText(usb.chSerialNumber, text(arv_get_device_serial_nbr(index)));
    Util_2_1::CopyText(usb.chFamilyName, text(arv_get_device_protocol(index)));
    usb.nDeviceNumber = number;
    usb.nbcdUSB = 0x0300;
    return record;
}

uint32_t Enumerate(Backend& backend, unsigned int layerMask, MvDeviceInfoList& list)
{
    const OrnicAravis::Settings settings = OrnicAravis::ReadSettings();
    // With ORNIC_ARAVIS_ADDRESSES Aravis's own GigE Vision discovery (a broadcast on every
    // interface) stays off; only the listed addresses are asked, by us.
    if (settings.addressesSet) {
        arv_disable_interface(kGigEInterface);
    } else {
        arv_enable_interface(kGigEInterface);
    }
    if (settings.fake) {
        arv_enable_interface(kFakeInterface);
    } else {
        arv_disable_interface(kFakeInterface);
    }
    arv_enable_interface(kUsbInterface);
    arv_update_device_list();

    std::vector<uint32_t> gigeAddresses = settings.addresses;
    std::vector<DeviceRecord*> listed;
    uint32_t usbNumber = 0;
    const unsigned int count = arv_get_n_devices();
    for (unsigned int i = 0; i < count; ++i) {
        const char* protocol = arv_get_device_protocol(i);
        if (protocol == nullptr) continue;
        if (Util_2_1::EqualsNoCase(protocol, "GigEVision")) {
            // Found by Aravis's broadcast; the record comes from asking it directly below.
            uint32_t address = 0;
            const char* text = arv_get_device_address(i);
            if (!settings.addressesSet && text != nullptr && Util_2_1::ParseIpv4(text, address)) {
                gigeAddresses.push_back(address);
            }
            continue;
        }
        if ((layerMask & MV_USB_DEVICE) == 0) continue;
        if (Util_2_1::EqualsNoCase(protocol, "USB3Vision") || Util_2_1::EqualsNoCase(protocol, "Fake")) {
            listed.push_back(&Keep(backend, AravisRecord(i, usbNumber++)));
        }
    }
    std::vector<DeviceRecord*> gigeListed;
    if ((layerMask & MV_GIGE_DEVICE) != 0 && !gigeAddresses.empty()) {
        std::string error;
        for (const OrnicAravis::Discovered& device :
             OrnicAravis::DiscoverGigE(gigeAddresses, settings.discoveryMs, error)) {
            DeviceRecord record;
            record.gige = true;
            record.key = OrnicAravis::GigEKey(device);
            record.deviceAddress = device.address;
            record.interfaceAddress = device.interfaceAddress;
            OrnicAravis::FillGigERecord(record.info, device);
            gigeListed.push_back(&Keep(backend, record));
        }
    }
    // GigE Vision first, in the order the addresses were given, then the others.
    gigeListed.insert(gigeListed.end(), listed.begin(), listed.end());
    std::memset(&list, 0, sizeof list);
    for (DeviceRecord* record : gigeListed) {
        if (list.nDeviceNum >= MV_MAX_DEVICE_NUM) break;
        list.pDeviceInfo[list.nDeviceNum++] = &record->info;
    }
    return MV_OK;
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_Initialize(void)
{
    return Guarded([] {
        Backend& backend = Backend::Get();
        std::lock_guard<std::mutex> lock(backend.mutex);
        ++backend.initCount;
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_Finalize(void)
{
    return Guarded([] {
        Backend& backend = Backend::Get();
        std::vector<std::shared_ptr<OrnicAravis::Handle>> dropped;
        {
            std::lock_guard<std::mutex> lock(backend.mutex);
            if (backend.initCount == 0) return MV_E_CALLORDER;
            if (--backend.initCount > 0) return MV_OK;
            for (auto& entry : backend.handles) dropped.push_back(entry.second);
            backend.handles.clear();
        }
        // The last finalize: handles left open are closed, the records go.
        for (auto& handle : dropped) OrnicAravis::CloseDevice(handle);
        std::lock_guard<std::mutex> lock(backend.mutex);
        if (backend.initCount == 0) backend.records.clear();
        return MV_OK;
    });
}

MV_SDK_API unsigned int MV_SDK_CALL MV_CC_GetSDKVersion(void)
{
    // Aravis's version, one byte per field: 0.8.26 reads 0.8.26.0.
    return (arv_get_major_version() << 24) | ((arv_get_minor_version() & 0xFFu) << 16) |
           ((arv_get_micro_version() & 0xFFu) << 8);
}

MV_SDK_API int MV_SDK_CALL MV_CC_EnumDevices(unsigned int layerMask, MvDeviceInfoList* list)
{
    return Guarded([&] {
        if (list == nullptr) return MV_E_PARAMETER;
        Backend& backend = Backend::Get();
        std::lock_guard<std::mutex> lock(backend.mutex);
        if (backend.initCount == 0) return MV_E_CALLORDER;
        return Enumerate(backend, layerMask, *list);
    });
}

// For the driver's start-up line: the library's version and how GigE Vision devices are found.
MV_SDK_API const char* MV_SDK_CALL OrnicSdk_Describe(void)
{
    static std::string text;
    const OrnicAravis::Settings settings = OrnicAravis::ReadSettings();
    text = "Aravis " + std::to_string(arv_get_major_version()) + "." + std::to_string(arv_get_minor_version()) + "." +
           std::to_string(arv_get_micro_version()) + ", GigE Vision discovery ";
    if (settings.addressesSet) {
        std::string list;
        for (uint32_t address : settings.addresses) list += (list.empty() ? "" : " ") + Util_2_1::FormatIpv4(address);
        text += "only at " + (list.empty() ? std::string("no address") : list) + " (ORNIC_ARAVIS_ADDRESSES)";
        if (!settings.badAddresses.empty()) text += ", ignored: " + settings.badAddresses;
    } else {
        text += "by broadcast on every interface";
    }
    if (settings.fake) text += ", fake camera on";
    return text.c_str();
}

}  // extern "C"
