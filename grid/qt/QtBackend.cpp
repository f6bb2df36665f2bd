// The Qt 6 Widgets backend of the configuration dialog, a shared library of its own
// (libornic_dialog_qt.so) that the driver loads on the first configureCamera. Its one export
// hands out the backend; everything else it reaches through grid/Backend.h.
#include <QApplication>
#include <QThread>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "grid/Backend.h"
#include "grid/qt/QtDialogWindow.h"

namespace Grid_3_1 {
namespace QtUi {

namespace {

// Where no display can be reached, QApplication would end the process (qFatal), the host's
// with it; this answers the plain cases first.
bool DisplayAvailable(std::string& error)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && platform[0] != '\0') return true;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && wayland[0] != '\0') return true;
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        error = "there is no display to show the configuration dialog on (DISPLAY is not set)";
        return false;
    }
    if (display[0] == ':') {
        const std::string number = std::string(display + 1).substr(0, std::string(display + 1).find('.'));
        std::error_code ignored;
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + number, ignored)) {
            error = std::string("the X display ") + display + " is not running";
            return false;
        }
    }
    return true;
}

// QApplication keeps references to these for its whole life.
int appArgc = 1;
char appName[] = "ornic";
char* appArgv[] = {appName, nullptr};

class QtBackend final : public DialogBackend {
public:
    const char* Name() const override { return "Qt 6 Widgets"; }

    int RunModal(DialogInput& dialog, void* parent, std::string& error) override
    {
        try {
            return Run(dialog, parent, error);
        } catch (const std::exception& e) {
            error = std::string("the Qt dialog failed: ") + e.what();
        } catch (...) {
            error = "the Qt dialog failed";
        }
        return -1;
    }

private:
    static int Run(DialogInput& dialog, void* parent, std::string& error)
    {
        // A host without a Qt application object gets one for the call.
        std::unique_ptr<QApplication> own;
        if (QCoreApplication::instance() == nullptr) {
            if (!DisplayAvailable(error)) return -1;
            own = std::make_unique<QApplication>(appArgc, appArgv);
            QApplication::setStyle(QStringLiteral("Fusion"));
        } else if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
            error = "the host's Qt application object has no widgets (a QApplication is needed)";
            return -1;
        } else if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            error = "the configuration dialog must be opened on the host's Qt thread";
            return -1;
        }
        int result = -1;
        {
            DialogWindow window(dialog);
            if (dialog.Create(window) != 0) {
                error = "the dialog window could not be created";
                return -1;
            }
            if (!dialog.InitDialog()) {
                dialog.Destroying();
                return 0;
            }
            window.SetParentWindow(parent);
            window.CentreOnScreen();
            result = window.exec();
            dialog.Destroying();
        }
        return result;
    }
};

}  // namespace

}  // namespace QtUi
}  // namespace Grid_3_1

extern "C" __attribute__((visibility("default"))) Grid_3_1::DialogBackend* OrnicGridBackend_3_1(int interfaceVersion)
{
    if (interfaceVersion != Grid_3_1::kBackendInterfaceVersion) return nullptr;
    static Grid_3_1::QtUi::QtBackend backend;
    return &backend;
}
