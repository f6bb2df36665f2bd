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

/* The host's debug procedure: receives finished log lines, each ending in a line feed. A call
   usually carries one line; during a burst it may carry several (at most 255 characters in
   all). A burst too large to keep is followed by a line saying how many lines were dropped.
   It is called on the driver's logger thread (or, while that is not running, on the thread
   that logs), one call at a time and never under a lock of the driver, so it may call the
   driver's exports. */
typedef void(ORNIC_CALL* OrnicDebugMsgProc)(const char* line);

/* The host's completion callback: grabber (always 0) and the camera's port. */
typedef void(ORNIC_CALL* OrnicCompleteCallback)(int grabber, int port);

#ifdef __cplusplus
}
#endif

#endif
