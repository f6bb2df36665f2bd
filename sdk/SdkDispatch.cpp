// The SDK operations as the driver calls them, forwarded to the backend chosen at start-up
// (see SdkBackend.h). Inside the driver sdk/MvSdk.h names them OrnicSdk_MV_..., so these
// definitions never meet a backend's exports; the backend's are looked up by their own names.
// Each backend is a shared library of its own that exports every operation of sdk/MvSdk.h by
// name; it is loaded from the driver's folder (or the system's library path) once and never
// unloaded, since its threads and its libraries' global state (GLib's, for Aravis) must
// outlive any handle the driver still holds.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Platform.h"
#include "sdk/SdkBackend.h"
#include "sdk/SdkOperations.h"
#include "util/Text.h"

namespace {

// One function pointer per operation, filled from the backend's exports.
struct Table {
#define ORNIC_TABLE_ENTRY(result, name, parameters, arguments) result(MV_SDK_CALL* name) parameters = nullptr;
    ORNIC_SDK_OPERATIONS(ORNIC_TABLE_ENTRY)
#undef ORNIC_TABLE_ENTRY
};

struct KnownBackend {
    const char* name;
    const char* file;
};

// The default first. A further backend is one more line here (and its library beside the
// driver); see docs/architecture.md.
const KnownBackend kBackends[] = {
    {"camsim", ORNIC_SDK_CAMSIM_FILE},
    {"aravis", ORNIC_SDK_ARAVIS_FILE},
};

// What a backend may say of itself for the start-up line: const char* OrnicSdk_Describe(void).
using DescribeFn = const char*(MV_SDK_CALL*)(void);

struct LoadedBackend {
    // Never unloaded: a backend whose threads may still run cannot be unloaded safely.
    std::unique_ptr<Platform::Library> library;
    std::string path;
    std::string error;  // empty when every operation was found
    std::string detail;
    Table table;
};

constexpr bool SameText(const char* a, const char* b)
{
    return *a == *b && (*a == '\0' || SameText(a + 1, b + 1));
}

class Dispatch {
public:
    // Never destroyed: operations may still be called while the process shuts down.
    static Dispatch& Get()
    {
        static Dispatch* const instance = new Dispatch();
        return *instance;
    }

    const Table* Active()
    {
        if (!chosen.load(std::memory_order_acquire)) (void)Select(std::string(), std::string());
        return active.load(std::memory_order_acquire);
    }

    void Initialized() { initCount.fetch_add(1); }
    void Finalized()
    {
        int count = initCount.load();
        while (count > 0 && !initCount.compare_exchange_weak(count, count - 1)) {
        }
    }

    SdkBackend::Choice Select(const std::string& configured, const std::string& configuredFrom)
    {
        std::lock_guard<std::mutex> lock(mutex);
        // A lazy first use and the driver's start-up may race; the first choice stands until
        // the SDK is finalized.
        const bool lazy = configured.empty() && configuredFrom.empty();
        if (chosen.load() && (initCount.load() > 0 || lazy)) return choice;

        SdkBackend::Choice next;
        std::string asked;
        if (Platform::ReadEnvironment("ORNIC_SDK", asked) && !Util_2_1::Trim(asked).empty()) {
            next.source = "ORNIC_SDK";
        } else if (!Util_2_1::Trim(configured).empty()) {
            asked = configured;
            next.source = "SdkBackend in [General] of " + configuredFrom;
        } else {
            asked = kBackends[0].name;
            next.source = "default";
        }
        next.name = Util_2_1::Trim(asked);
        const KnownBackend* known = nullptr;
        for (const KnownBackend& backend : kBackends) {
            if (Util_2_1::EqualsNoCase(next.name, backend.name)) known = &backend;
        }
        const Table* table = nullptr;
        if (known == nullptr) {
            next.error = "unknown SDK backend '" + next.name + "' (known: " + KnownList() + ")";
        } else {
            next.name = known->name;
            const LoadedBackend& loaded = Load(*known);
            next.library = loaded.path;
            next.detail = loaded.detail;
            next.error = loaded.error;
            if (loaded.error.empty()) table = &loaded.table;
        }
        next.loaded = table != nullptr;
        choice = next;
        active.store(table, std::memory_order_release);
        chosen.store(true, std::memory_order_release);
        return choice;
    }

    SdkBackend::Choice Current()
    {
        (void)Active();
        std::lock_guard<std::mutex> lock(mutex);
        return choice;
    }

    static std::string KnownList()
    {
        std::string text;
        for (const KnownBackend& backend : kBackends) text += (text.empty() ? "" : ", ") + std::string(backend.name);
        return text;
    }

private:
    Dispatch() = default;

    // Loads each file once; a failed load is tried again at the next choice (the library may
    // have been installed meanwhile). ORNIC_SDK_DIR names the only folder to look in; without
    // it the driver's own folder comes first, then the system's library search path.
    const LoadedBackend& Load(const KnownBackend& backend)
    {
        std::string directory;
        const bool fixedDirectory = Platform::ReadEnvironment("ORNIC_SDK_DIR", directory);
        if (!fixedDirectory) directory = Platform::ModuleDirectory();
        const std::string beside = directory.empty() ? std::string() : Platform::JoinPath(directory, backend.file);
        std::string path = beside;
        if (!fixedDirectory && (beside.empty() || !Platform::FileExists(beside))) path = backend.file;

        std::unique_ptr<LoadedBackend>& slot = loaded[path];
        if (slot && slot->error.empty()) return *slot;
        slot = std::make_unique<LoadedBackend>();
        LoadedBackend& result = *slot;
        result.path = path;
        result.library = std::make_unique<Platform::Library>();
        Platform::Library* library = result.library.get();
        if (!library->Load(path)) {
            // The loader's text names the file; say where else was looked.
            result.error = library->LastError();
            if (fixedDirectory) {
                result.error += " (ORNIC_SDK_DIR)";
            } else if (path == backend.file) {
                result.error += " (not beside the driver in " + directory + " either)";
            }
            result.library.reset();
            return result;
        }
#define ORNIC_BIND(resultType, name, parameters, arguments)                                    \
    result.table.name = reinterpret_cast<decltype(result.table.name)>(library->Symbol(#name)); \
    if (result.table.name == nullptr && result.error.empty()) {                                \
        result.error = result.path + " is not an SDK backend: it does not export " #name;      \
    }
        ORNIC_SDK_OPERATIONS(ORNIC_BIND)
#undef ORNIC_BIND
        if (auto describe = reinterpret_cast<DescribeFn>(library->Symbol("OrnicSdk_Describe"))) {
            const char* text = describe();
            if (text != nullptr) result.detail = text;
        }
        return result;
    }

    std::mutex mutex;
    std::atomic<const Table*> active{nullptr};
    std::atomic<bool> chosen{false};
    std::atomic<int> initCount{0};
    SdkBackend::Choice choice;
    std::map<std::string, std::unique_ptr<LoadedBackend>> loaded;
};

template <typename Result>
Result Unavailable();
template <>
int Unavailable<int>()
{
    return static_cast<int>(MV_E_LOAD_LIBRARY);
}
template <>
unsigned int Unavailable<unsigned int>()
{
    return 0;  // no SDK, no version
}

}  // namespace

namespace SdkBackend {

Choice Select(const std::string& configured, const std::string& configuredFrom)
{
    // An empty source marks the lazy first use; the driver always names its ini file.
    return Dispatch::Get().Select(configured, configuredFrom.empty() ? std::string("the ini file") : configuredFrom);
}

Choice Current()
{
    return Dispatch::Get().Current();
}

std::vector<std::string> KnownNames()
{
    std::vector<std::string> names;
    for (const KnownBackend& backend : kBackends) names.emplace_back(backend.name);
    return names;
}

}  // namespace SdkBackend

extern "C" {

// Every operation: the backend's answer, or MV_E_LOAD_LIBRARY (a version of 0) without one.
// Successful initializations are counted, so that the backend is not switched under them.
#define ORNIC_FORWARD(resultType, name, parameters, arguments)  \
    resultType MV_SDK_CALL name parameters                      \
    {                                                           \
        const Table* table = Dispatch::Get().Active();          \
        if (table == nullptr) return Unavailable<resultType>(); \
        const resultType result = table->name arguments;        \
        if constexpr (SameText(#name, "MV_CC_Initialize")) {    \
            if (result == 0) Dispatch::Get().Initialized();     \
        }                                                       \
        if constexpr (SameText(#name, "MV_CC_Finalize")) {      \
            if (result == 0) Dispatch::Get().Finalized();       \
        }                                                       \
        return result;                                          \
    }
ORNIC_SDK_OPERATIONS(ORNIC_FORWARD)
#undef ORNIC_FORWARD

}  // extern "C"
