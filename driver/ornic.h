/* The driver's C interface as the host sees it. Every function uses the C calling
   convention; results are int (1 success, 0 failure) unless stated. */
#ifndef ORNIC_DRIVER_H
#define ORNIC_DRIVER_H

#include "util/HostInterface.h" /* ORNIC_CALL and the host's callback types */

#if defined(ORNIC_BUILDING_DRIVER) && !defined(_WIN32)
#define ORNIC_EXPORT __attribute__((visibility("default")))
#else
/* The Windows DLL exports through its .def file, which keeps the names undecorated. */
#define ORNIC_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

ORNIC_EXPORT int ORNIC_CALL setSystemPath(const char* path);
/* The debug procedure gets the driver's log lines, one or, after a burst, several per call
   (see OrnicDebugMsgProc). */
ORNIC_EXPORT void ORNIC_CALL setDebugMsgProc(OrnicDebugMsgProc proc);
ORNIC_EXPORT int ORNIC_CALL initialize(const char* systemPath, OrnicDebugMsgProc proc);
ORNIC_EXPORT int ORNIC_CALL finalize(void);
ORNIC_EXPORT int ORNIC_CALL getCVLMaxNoOfGrabbers(void);
ORNIC_EXPORT int ORNIC_CALL getCVLMaxNoOfPorts(void);
ORNIC_EXPORT int ORNIC_CALL getCVLNoOfSupportedCameras(void);
/* Null-terminated array of configuration names, owned by the driver until the final
   finalize; null while no camera list exists or no camera was found. */
ORNIC_EXPORT const char** ORNIC_CALL getCVLCameraConfigNames(void);

/* ---- ports and grabs ---------------------------------------------------------------- */
/* Filled by openCVLPort: the image the port delivers, in pixels. */
typedef struct OrnicImageSize {
    int width;
    int height;
} OrnicImageSize;
/* OrnicCompleteCallback is called on the SDK's image thread when a frame is ready; read its
   rows with getCVLGrabRow before returning. */

/* Binds the camera to port 0-19 and opens it (blocks up to about 6 s); 1 opened. */
ORNIC_EXPORT int ORNIC_CALL openCVLPort(int grabber, int port, const char* cameraName, OrnicImageSize* size);
/* Unbinds the port at once; the camera closes in the background. 1 when a camera was bound. */
ORNIC_EXPORT int ORNIC_CALL closeCVLPort(int grabber, int port);
/* Requests a frame (single-frame mode) or makes sure frames flow (continuous mode). */
ORNIC_EXPORT int ORNIC_CALL doCVLGrab(int grabber, int port);
/* Copies columns first..last (inclusive) of a row of the frame in hand; only inside the
   completion callback. 8-bit grey or 24-bit BGR pixels. */
ORNIC_EXPORT int ORNIC_CALL getCVLGrabRow(int grabber, int port, void* dest, int row, int firstColumn, int lastColumn);
ORNIC_EXPORT int ORNIC_CALL setCompleteCallback(int grabber, int port, OrnicCompleteCallback cb);
ORNIC_EXPORT int ORNIC_CALL setCmdCallback(int grabber, int port, void* cb);
/* The modal configuration dialog for a camera, owned by the parent window. */
ORNIC_EXPORT int ORNIC_CALL configureCamera(void* parent, const char* cameraName);

/* ---- properties and commands ------------------------------------------------------- */
/* Reads a named property of the port's camera as an integer (the low 32 bits); 1 read. */
ORNIC_EXPORT int ORNIC_CALL getProperty(int grabber, int port, const char* name, int* value);
/* Writes a named property (a camera parameter or a reserved name such as "continuous"). */
ORNIC_EXPORT int ORNIC_CALL setProperty(int grabber, int port, const char* name, int value);
/* The integer bounds of a numeric property; 1 when known. */
ORNIC_EXPORT int ORNIC_CALL getPropertyRange(int grabber, int port, const char* name, int* minimum, int* maximum);
/* A text command: "get", "set", "save" or "load" with "name", "name=value" or
   "name={key=value;...}". The reply (may be null) receives at most replySize - 1 characters
   and a NUL; a replySize of 0 or less leaves it untouched. */
ORNIC_EXPORT int ORNIC_CALL execCmd(int grabber, int port, const char* command, const char* parameter, char* reply,
                                    int replySize);

/* Pointer types for hosts that look the functions up at run time. */
typedef int(ORNIC_CALL* OrnicSetSystemPathFn)(const char*);
typedef void(ORNIC_CALL* OrnicSetDebugMsgProcFn)(OrnicDebugMsgProc);
typedef int(ORNIC_CALL* OrnicInitializeFn)(const char*, OrnicDebugMsgProc);
typedef int(ORNIC_CALL* OrnicNoArgIntFn)(void);
typedef const char**(ORNIC_CALL* OrnicConfigNamesFn)(void);
typedef int(ORNIC_CALL* OrnicOpenPortFn)(int, int, const char*, OrnicImageSize*);
typedef int(ORNIC_CALL* OrnicPortFn)(int, int);
typedef int(ORNIC_CALL* OrnicGrabRowFn)(int, int, void*, int, int, int);
typedef int(ORNIC_CALL* OrnicSetCompleteCallbackFn)(int, int, OrnicCompleteCallback);
typedef int(ORNIC_CALL* OrnicSetCmdCallbackFn)(int, int, void*);
typedef int(ORNIC_CALL* OrnicConfigureCameraFn)(void*, const char*);
typedef int(ORNIC_CALL* OrnicGetPropertyFn)(int, int, const char*, int*);
typedef int(ORNIC_CALL* OrnicSetPropertyFn)(int, int, const char*, int);
typedef int(ORNIC_CALL* OrnicGetPropertyRangeFn)(int, int, const char*, int*, int*);
typedef int(ORNIC_CALL* OrnicExecCmdFn)(int, int, const char*, const char*, char*, int);

#ifdef __cplusplus
}
#endif

#endif /* ORNIC_DRIVER_H */
