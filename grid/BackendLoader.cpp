// Finding the toolkit that shows the dialog. The Windows builds link the Win32 backend into
// the driver. On Linux the Qt backend is a shared library of its own, loaded on the first
// dialog, so that the driver loads and runs where Qt is absent.
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>

#include "grid/ParameterDlg.h"
#include "platform/Platform.h"

#if defined(_WIN32) && defined(ORNIC_GRID_WIN32)
#include "grid/win32/Win32Backend.h"
#endif

namespace Grid_3_1 {

namespace {

std::atomic<DialogBackend*> overrideBackend{nullptr};

DialogBackend* BuildBackend(std::string& error);

}  // namespace

void SetDialogBackendOverride(DialogBackend* backend)
{
    overrideBackend.store(backend);
}

DialogBackend* LoadDialogBackend(std::string& error)
{
    error.clear();
    if (DialogBackend* chosen = overrideBackend.load()) return chosen;
    return BuildBackend(error);
}

namespace {

#if defined(_WIN32) && defined(ORNIC_GRID_WIN32)

DialogBackend* BuildBackend(std::string&)
{
    return &Win32Backend();
}

#elif defined(_WIN32)

DialogBackend* BuildBackend(std::string& error)
{
    error = "this build has no Win32 dialog backend";
    return nullptr;
}

#else

// Beside libornic.so (its folder, else the library search path and its $ORIGIN run path).
const char* const kQtBackendFile = "libornic_dialog_qt.so";

DialogBackend* BuildBackend(std::string& error)
{
    // Loaded once and never unloaded: toolkit libraries do not survive being unloaded.
    static std::mutex lock;
    static Platform::Library* library = nullptr;
    static DialogBackend* backend = nullptr;
    std::lock_guard<std::mutex> guard(lock);
    if (backend != nullptr) return backend;

    const char* chosen = std::getenv("ORNIC_DIALOG_BACKEND");
    std::string file = chosen != nullptr && chosen[0] != '\0' ? chosen : kQtBackendFile;
    if (chosen == nullptr || chosen[0] == '\0') {
        // Beside the driver, named in full: dlopen's search by the caller's run path does not
        // see the driver's when an interposer (a sanitizer) calls dlopen on its behalf.
        const std::string beside = Platform::JoinPath(Platform::ModuleDirectory(), kQtBackendFile);
        if (!Platform::ModuleDirectory().empty() && Platform::FileExists(beside)) file = beside;
    }
    if (library == nullptr) library = new Platform::Library;
    if (!library->Loaded() && !library->Load(file)) {
        // dlerror names the file and the reason (the file, or a Qt library it needs, is missing).
        error = "the configuration dialog needs Qt 6: " + library->LastError();
        return nullptr;
    }
    const auto entry = reinterpret_cast<BackendEntryFn>(library->Symbol(kBackendEntryName));
    if (entry == nullptr) {
        error = file + " is not a dialog library: it has no " + kBackendEntryName;
        return nullptr;
    }
    backend = entry(kBackendInterfaceVersion);
    if (backend == nullptr) {
        error = file + " was built for another version of the driver (interface " +
                std::to_string(kBackendInterfaceVersion) + " refused)";
    }
    return backend;
}

#endif

}  // namespace

}  // namespace Grid_3_1
