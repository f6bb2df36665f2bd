#include "aravis/Backend.h"

#include <cstdlib>
#include <string_view>

#include "aravis/Stream.h"
#include "util/Text.h"

namespace OrnicAravis {

Settings ReadSettings()
{
    Settings settings;
    if (const char* list = std::getenv("ORNIC_ARAVIS_ADDRESSES"); list != nullptr && *list != '\0') {
        settings.addressesSet = true;
        std::string_view rest(list);
        while (!rest.empty()) {
            const size_t cut = rest.find_first_of(",; \t\r\n");
            const std::string_view item = rest.substr(0, cut);
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
            if (item.empty()) continue;
            uint32_t address = 0;
            if (Util_2_1::ParseIpv4(item, address)) {
                settings.addresses.push_back(address);
            } else {
                settings.badAddresses += (settings.badAddresses.empty() ? "" : " ") + std::string(item);
            }
        }
    }
    if (const char* fake = std::getenv("ORNIC_ARAVIS_FAKE"); fake != nullptr) {
        settings.fake =
            std::string_view(fake) == "1" || Util_2_1::EqualsNoCase(fake, "on") || Util_2_1::EqualsNoCase(fake, "true");
    }
    if (const char* ms = std::getenv("ORNIC_ARAVIS_DISCOVERY_MS"); ms != nullptr && *ms != '\0') {
        const long value = std::strtol(ms, nullptr, 10);
        if (value >= 10 && value <= 10000) settings.discoveryMs = static_cast<uint32_t>(value);
    }
    return settings;
}

Handle::~Handle()
{
    // The notifier is joined (or detached by itself) before a handle is dropped; a joinable
    // thread here would end the process.
    if (notifier.joinable()) notifier.detach();
}

Backend& Backend::Get()
{
    // Never destroyed: the SDK may be called during process shut-down.
    static Backend* const instance = new Backend();
    return *instance;
}

const DeviceRecord* Backend::FindRecord(const MvDeviceInfo* info) const
{
    for (const auto& record : records) {
        if (&record->info == info) return record.get();
    }
    return nullptr;
}

std::shared_ptr<Handle> Backend::FindHandle(void* handle) const
{
    const auto found = handles.find(reinterpret_cast<uintptr_t>(handle));
    return found != handles.end() ? found->second : nullptr;
}

std::shared_ptr<Handle> LookUp(void* handle)
{
    Backend& backend = Backend::Get();
    std::lock_guard<std::mutex> lock(backend.mutex);
    return backend.FindHandle(handle);
}

}  // namespace OrnicAravis
