/* The host's side of the interface, low enough for every layer: the calling convention of
   the exports and of the host's callbacks, and the callback types. driver/ornic.h, the
   header hosts compile against, includes it. Plain C. */
#ifndef ORNIC_HOST_INTERFACE_H
#define ORNIC_HOST_INTERFACE_H

#if defined(_WIN32)
#define ORNIC_CALL __cdecl
#else
#define ORNIC_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The host's debug procedure: receives one finished log line ending in a line feed. */
typedef void(ORNIC_CALL* OrnicDebugMsgProc)(const char* line);

/* The host's completion callback: grabber (always 0) and the camera's port. */
typedef void(ORNIC_CALL* OrnicCompleteCallback)(int grabber, int port);

#ifdef __cplusplus
}
#endif

#endif
