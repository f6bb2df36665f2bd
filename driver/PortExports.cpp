// The host's port and grab exports: bind a camera to a port and open it, request grabs,
// read the finished image row by row inside the completion callback, close the port.
#define ORNIC_BUILDING_DRIVER
#include "driver/ornic.h"

#include <cstring>

#include "camera/Camera.h"
#include "driver/ExportGuard.h"
#include "registry/CameraList.h"
#include "util/AllParametersList.h"
#include "util/Logger.h"

namespace {

int LogPort()
{
    return Util_2_1::kGlobalLogPort;
}

// Ports in log lines are written as the host's unsigned value.
uint32_t AsUnsigned(int value)
{
    return static_cast<uint32_t>(value);
}

}  // namespace

extern "C" {

ORNIC_EXPORT int ORNIC_CALL openCVLPort(int /*grabber*/, int port, const char* cameraName, OrnicImageSize* size)
{
    if (size != nullptr) *size = OrnicImageSize{0, 0};
    return ExportGuard::RunPortCall("openCVLPort", 0, [&] {
        const char* const tag = "openCVLPort";
        CameraList& list = CameraList::Instance();
        const char* name = cameraName != nullptr ? cameraName : "";
        if (!list.Initialized()) {
            ORNIC_LOG1_ERR(LogPort(), tag, "CameraList not initialized. Open failed for: " << name);
            return 0;
        }
        ORNIC_LOG2_INFO(LogPort(), tag, "openCVLPort: portNo=" << AsUnsigned(port) << ", cameraName=" << name);
        if (name[0] == '\0' || Util_2_1::EqualsNoCase(name, "Undefined") || Util_2_1::EqualsNoCase(name, "Udefinert")) {
            ORNIC_LOG1_ERR(LogPort(), tag, "undefined camera: " << name);
            return 0;
        }
        if (size == nullptr) {
            ORNIC_LOG1_ERR(LogPort(), tag, "openCVLPort: no image size record for " << name);
            return 0;
        }
        ImageSize opened;
        opened.width = size->width;
        opened.height = size->height;
        if (!list.OpenCamera(name, port, opened)) return 0;
        size->width = opened.width;
        size->height = opened.height;
        return 1;
    });
}

ORNIC_EXPORT int ORNIC_CALL closeCVLPort(int /*grabber*/, int port)
{
    return ExportGuard::RunPortCall("closeCVLPort", 0, [&] {
        CameraList& list = CameraList::Instance();
        ORNIC_LOG2_INFO(LogPort(), "closeCVLPort", "closeCVLPort, port#" << AsUnsigned(port));
        return list.CloseCamera(port) ? 1 : 0;
    });
}

ORNIC_EXPORT int ORNIC_CALL doCVLGrab(int /*grabber*/, int port)
{
    return ExportGuard::RunPortCall("doCVLGrab", 0, [&] {
        ORNIC_LOG3_TRACE(LogPort(), "doCVLGrab", "doCVLGrab entering, port=" << AsUnsigned(port));
        return CameraList::Instance().SignalGrabOnPort(port) ? 1 : 0;
    });
}

ORNIC_EXPORT int ORNIC_CALL getCVLGrabRow(int /*grabber*/, int port, void* dest, int row, int firstColumn,
                                          int lastColumn)
{
    return ExportGuard::RunPortCall("getCVLGrabRow", 0, [&] {
        const char* const tag = "getCVLGrabRow";
        Camera* camera = CameraList::Instance().CameraOnPort(port);
        if (camera == nullptr) return 0;
        const uint8_t* line = camera->Image().GetLine(row);
        if (line == nullptr) {
            ORNIC_LOG1_ERR(LogPort(), tag,
                           "getCVLGrabRow returns null for row" << AsUnsigned(row) << ", " << camera->ConfigName());
            return 0;
        }
        // The copy starts at the first column and never leaves the row: a reversed range or
        // one beyond the image width is refused instead of reading past the active image.
        const int width = camera->Image().Width();
        if (dest == nullptr || firstColumn < 0 || lastColumn < firstColumn || lastColumn >= width) {
            ORNIC_LOG1_ERR(LogPort(), tag,
                           "getCVLGrabRow refused: columns " << firstColumn << ".." << lastColumn << " of width "
                                                             << width << (dest == nullptr ? ", no destination" : "")
                                                             << ", " << camera->ConfigName());
            return 0;
        }
        // The buffer's own geometry, not the camera's current layout: the two differ while a
        // write changes the pixel format, and only the buffer's fits the row in hand.
        const size_t bytesPerPixel = static_cast<size_t>(camera->Image().BytesPerPixel());
        const size_t count = static_cast<size_t>(lastColumn - firstColumn + 1) * bytesPerPixel;
        std::memcpy(dest, line + static_cast<size_t>(firstColumn) * bytesPerPixel, count);
        return 1;
    });
}

ORNIC_EXPORT int ORNIC_CALL setCompleteCallback(int /*grabber*/, int port, OrnicCompleteCallback cb)
{
    return ExportGuard::RunPortCall("setCompleteCallback", 0, [&] {
        CameraList& list = CameraList::Instance();
        if (!list.Initialized()) {
            ORNIC_LOG1_ERR(LogPort(), "setCompleteCallback", "CameraList not initialized for setCompleteCallback ");
        }
        Camera* camera = list.CameraOnPort(port);
        if (camera == nullptr) return 0;
        camera->SetCompleteCallback(cb);
        ORNIC_LOG3_TRACE(LogPort(), "setCompleteCallback", "setCompleteCallback OK");
        return 1;
    });
}

ORNIC_EXPORT int ORNIC_CALL setCmdCallback(int /*grabber*/, int port, void* cb)
{
    return ExportGuard::RunPortCall("setCmdCallback", 0, [&] {
        Camera* camera = CameraList::Instance().CameraOnPort(port);
        if (camera == nullptr) return 0;
        camera->SetCommandCallback(cb);
        ORNIC_LOG3_TRACE(LogPort(), "setCmdCallback", "setCmdCallback");
        return 1;
    });
}

ORNIC_EXPORT int ORNIC_CALL configureCamera(void* parent, const char* cameraName)
{
    return ExportGuard::RunPortCall("configureCamera", 0, [&] {
        const char* name = cameraName != nullptr ? cameraName : "";
        ORNIC_LOG2_INFO(LogPort(), "configureCamera", "configureCamera: entering for " << name);
        Camera* camera = CameraList::Instance().GetByName(name);
        if (camera == nullptr) return 0;
        return camera->Configure(parent) ? 1 : 0;
    });
}

}  // extern "C"
