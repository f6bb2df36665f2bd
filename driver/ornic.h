/* The driver's C interface as the host sees it. Every function uses the C calling
   convention; results are int (1 success, 0 failure) unless stated. */
#ifndef ORNIC_DRIVER_H
#define ORNIC_DRIVER_H

#if defined(_WIN32)
#  define ORNIC_CALL __cdecl
#else
#  define ORNIC_CALL
#endif

#if defined(ORNIC_BUILDING_DRIVER) && !defined(_WIN32)
#  define ORNIC_EXPORT __attribute__((visibility("default")))
#else
/* The Windows DLL exports through its .def file, which keeps the names undecorated. */
#  define ORNIC_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The host's debug procedure: receives one finished log line ending in a line feed. */
typedef void(ORNIC_CALL* OrnicDebugMsgProc)(const char* line);

ORNIC_EXPORT int ORNIC_CALL setSystemPath(const char* path);
ORNIC_EXPORT void ORNIC_CALL setDebugMsgProc(OrnicDebugMsgProc proc);
ORNIC_EXPORT int ORNIC_CALL initialize(const char* systemPath, OrnicDebugMsgProc proc);
ORNIC_EXPORT int ORNIC_CALL finalize(void);
ORNIC_EXPORT int ORNIC_CALL getCVLMaxNoOfGrabbers(void);
ORNIC_EXPORT int ORNIC_CALL getCVLMaxNoOfPorts(void);
ORNIC_EXPORT int ORNIC_CALL getCVLNoOfSupportedCameras(void);
/* Null-terminated array of configuration names, owned by the driver until the final
   finalize; null while no camera list exists or no camera was found. */
ORNIC_EXPORT const char** ORNIC_CALL getCVLCameraConfigNames(void);

/* Pointer types for hosts that look the functions up at run time. */
typedef int(ORNIC_CALL* OrnicSetSystemPathFn)(const char*);
typedef void(ORNIC_CALL* OrnicSetDebugMsgProcFn)(OrnicDebugMsgProc);
typedef int(ORNIC_CALL* OrnicInitializeFn)(const char*, OrnicDebugMsgProc);
typedef int(ORNIC_CALL* OrnicNoArgIntFn)(void);
typedef const char**(ORNIC_CALL* OrnicConfigNamesFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* ORNIC_DRIVER_H */
