// Test control of the simulated camera SDK: which cameras exist, which calls fail, how often
// each SDK operation was called. Tests and demos use it; the driver never does, it only sees
// the SDK operations of sdk/MvSdk.h.
// Only plain C types cross this boundary: on Windows the library and each test program link
// their own C++ runtime, so no std:: type may be handed from one to the other.
#pragma once

#include <stdint.h>

#include "sdk/MvSdk.h"

#if defined(_WIN32)
#if defined(CAMSIM_BUILDING)
#define CAMSIM_API __declspec(dllexport)
#else
#define CAMSIM_API __declspec(dllimport)
#endif
#define CAMSIM_CALL __cdecl
#else
#define CAMSIM_API __attribute__((visibility("default")))
#define CAMSIM_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// What the sensor delivers. The values are stable: they are stored in test tables.
typedef enum CamSimKind {
    CAMSIM_KIND_MONO = 0,
    CAMSIM_KIND_BAYER_RG = 1,
    CAMSIM_KIND_BAYER_GR = 2,
    CAMSIM_KIND_BAYER_GB = 3,
    CAMSIM_KIND_BAYER_BG = 4,
} CamSimKind;

// Where the current device set came from.
typedef enum CamSimConfigSource {
    CAMSIM_SOURCE_DEFAULT = 0,     // neither environment variable set: the built-in pair
    CAMSIM_SOURCE_ENV_INLINE = 1,  // ORNIC_SIM_CAMERAS
    CAMSIM_SOURCE_ENV_FILE = 2,    // the file named by ORNIC_SIM_CONFIG
    CAMSIM_SOURCE_CONTROL = 3,     // CamSim_LoadConfig / CamSim_LoadConfigFile
} CamSimConfigSource;

#define CAMSIM_TEXT_LEN 65  // 64 characters and the terminator
#define CAMSIM_ERROR_LEN 160

// A snapshot of one simulated device, NUL-terminated strings throughout.
typedef struct CamSimDeviceState {
    uint32_t id;         // never reused while the library is loaded
    uint32_t transport;  // nTLayerType: MV_GIGE_DEVICE, MV_USB_DEVICE or another layer bit
    uint32_t kind;       // CamSimKind
    uint32_t ipAddress;  // GigE Vision only; first octet in the most significant byte
    char model[CAMSIM_TEXT_LEN];
    char serial[CAMSIM_TEXT_LEN];
    char userName[CAMSIM_TEXT_LEN];
    char version[CAMSIM_TEXT_LEN];
} CamSimDeviceState;

// The outcome of the last configuration load (environment, text or file).
typedef struct CamSimConfigReport {
    uint32_t source;  // CamSimConfigSource
    uint32_t devicesLoaded;
    uint32_t entriesSkipped;  // malformed entries, each also reported on stderr
    uint32_t fileUnreadable;  // 1 when the named file could not be read
    uint32_t firstErrorLine;  // line of the first skipped entry, 0 when none
    char firstError[CAMSIM_ERROR_LEN];
} CamSimConfigReport;

typedef enum CamSimFaultKind {
    CAMSIM_FAULT_STATUS = 1,  // the call answers `status` and has no other effect
} CamSimFaultKind;

// One injected fault. Faults of one operation queue up: the oldest is in force until its
// count is used up, then the next one starts (its skipCalls counted from then).
typedef struct CamSimFault {
    const char* operation;  // the SDK operation's exported name, e.g. "MV_CC_EnumDevices"
    uint32_t kind;          // CamSimFaultKind
    uint32_t skipCalls;     // calls that pass untouched before the fault applies
    uint32_t count;         // calls it applies to; 0 = every call until CamSim_ClearFaults
    uint32_t status;        // CAMSIM_FAULT_STATUS: the status answered (not MV_OK)
} CamSimFault;

// Back to the configured state: device set re-read from the environment, no faults, call
// counts zero, default SDK version. The SDK's initialization is left as it is (it belongs to
// whoever called MV_CC_Initialize); device records handed out earlier stay readable until
// the MV_CC_Finalize that ends the initialization.
CAMSIM_API void CAMSIM_CALL CamSim_Reset(void);
// How many MV_CC_Initialize calls are not yet matched by MV_CC_Finalize.
CAMSIM_API unsigned int CAMSIM_CALL CamSim_GetInitCount(void);

// Device set. Any change here takes effect at once (a camera plugged in or pulled out) and
// stops MV_CC_Initialize from re-reading the environment until CamSim_Reset.
CAMSIM_API void CAMSIM_CALL CamSim_ClearDevices(void);
// Returns the new device's id, or 0 when the transport, kind or a name is not acceptable
// (empty, unprintable, or longer than the device record's field).
CAMSIM_API unsigned int CAMSIM_CALL CamSim_AddDevice(unsigned int transport, const char* model, const char* serial,
                                                     unsigned int kind);
// One entry of the configuration grammar, e.g. "gige:SIM-A:S1:mono:ip=10.0.0.5"; id or 0.
CAMSIM_API unsigned int CAMSIM_CALL CamSim_AddDeviceText(const char* entry);
// MV_OK, or MV_E_PARAMETER for an unknown id.
CAMSIM_API int CAMSIM_CALL CamSim_RemoveDevice(unsigned int id);
CAMSIM_API unsigned int CAMSIM_CALL CamSim_GetDeviceCount(void);
// index counts from 0 in enumeration order. MV_E_PARAMETER for a null state or bad index.
CAMSIM_API int CAMSIM_CALL CamSim_GetDevice(unsigned int index, CamSimDeviceState* state);

// Replace the device set with a configuration text. Malformed entries are skipped; the
// answer is MV_OK unless text is null. report may be null.
CAMSIM_API int CAMSIM_CALL CamSim_LoadConfig(const char* text, CamSimConfigReport* report);
// The same from a file; MV_E_OPENFILE (device set unchanged) when it cannot be read.
CAMSIM_API int CAMSIM_CALL CamSim_LoadConfigFile(const char* path, CamSimConfigReport* report);
CAMSIM_API int CAMSIM_CALL CamSim_GetConfigReport(CamSimConfigReport* report);

// Faults. MV_E_PARAMETER for an unknown operation name, a zero count (FailNext) or status
// MV_OK; MV_E_SUPPORT for a fault kind that does not apply to the operation.
CAMSIM_API int CAMSIM_CALL CamSim_FailNext(const char* operation, unsigned int count, unsigned int status);
CAMSIM_API int CAMSIM_CALL CamSim_AddFault(const CamSimFault* fault);
CAMSIM_API void CAMSIM_CALL CamSim_ClearFaults(void);

// Every call of an SDK operation counts, failed and injected ones included. 0 for names
// that are not SDK operations.
CAMSIM_API unsigned int CAMSIM_CALL CamSim_GetCallCount(const char* operation);
CAMSIM_API void CAMSIM_CALL CamSim_ResetCallCounts(void);

// Gives a camera a node map of its own, described one builder call per line (or per ';'),
// e.g. "category ImageFormatControl; integer Width 16 640 16 640; access ro" (docs/simulator.md
// lists the lines). Takes effect at its next opening, with power-up values; null goes back to
// the default model. MV_E_PARAMETER for an unknown id or a malformed model (reason on
// stderr), MV_E_CALLORDER while the camera is open. A reset or a new device set drops it.
CAMSIM_API int CAMSIM_CALL CamSim_SetDeviceModel(unsigned int id, const char* modelText);

// What MV_CC_GetSDKVersion answers until the next CamSim_Reset.
CAMSIM_API void CAMSIM_CALL CamSim_SetSdkVersion(unsigned int version);

// ---- streaming ------------------------------------------------------------------------
// Counts of a device's latest grabbing session (from its MV_CC_StartGrabbing on; kept after
// MV_CC_StopGrabbing until the next start). All zero before the first session.
typedef struct CamSimStreamStats {
    uint32_t grabbing;         // 1 while a handle on the device is grabbing
    uint32_t bufferCount;      // image buffers of the session (MV_CC_SetImageNodeNum)
    uint32_t framesProduced;   // frames the camera made
    uint32_t framesDelivered;  // image callbacks that returned
    uint32_t framesDropped;    // frames that found every buffer busy
    uint32_t triggersIgnored;  // triggers the camera was not waiting for
} CamSimStreamStats;

// MV_E_PARAMETER for an unknown id or a null stats.
CAMSIM_API int CAMSIM_CALL CamSim_GetStreamStats(unsigned int id, CamSimStreamStats* stats);
// A pulse on input line `line` (0-31): triggers a frame when the camera is acquiring with
// TriggerMode On and TriggerSource "Line<line>"; otherwise counted as ignored while grabbing.
// MV_E_PARAMETER for an unknown or unplugged id or a line above 31.
CAMSIM_API int CAMSIM_CALL CamSim_FireLine(unsigned int id, unsigned int line);
// Nonzero: a free-running camera makes its next frame as soon as a buffer is free, ignoring
// its frame rate, and never drops one (for benchmarks). MV_E_PARAMETER for an unknown id.
CAMSIM_API int CAMSIM_CALL CamSim_SetUnthrottled(unsigned int id, int unthrottled);
// The SDK's delivery thread waits this long before each image callback, its buffer staying
// busy: a slow host. 0 = no wait. MV_E_PARAMETER for an unknown id.
CAMSIM_API int CAMSIM_CALL CamSim_SetDeliveryDelay(unsigned int id, unsigned int microseconds);

// ---- device loss ----------------------------------------------------------------------
// The camera drops off: grabbing stops, the opener's exception callback is called with
// MV_EXCEPTION_DEV_DISCONNECT on an SDK thread, every operation on the handles opened before
// fails with MV_E_BUSY, and the device is no longer listed. After replugAfterMs (0: not by
// itself) it is back under the same id, with power-up settings, for new openings.
// MV_E_PARAMETER for an unknown id, MV_E_CALLORDER when it is unplugged already.
CAMSIM_API int CAMSIM_CALL CamSim_Unplug(unsigned int id, unsigned int replugAfterMs);
// Plugs an unplugged camera back in now. MV_E_PARAMETER unknown id, MV_E_CALLORDER when present.
CAMSIM_API int CAMSIM_CALL CamSim_Replug(unsigned int id);

// ---- faults of one camera ---------------------------------------------------------------
// MV_CC_OpenDevice takes this long on the camera (0 = at once). MV_E_PARAMETER unknown id.
CAMSIM_API int CAMSIM_CALL CamSim_SetOpenDelay(unsigned int id, unsigned int milliseconds);
// Writes of `node` with `valueText` answer `status` and change nothing: integers in decimal
// (or 0x hex), floats by value, booleans true/false, enumerations by symbolic name or value,
// strings exactly; "*" matches every value and every execution of a command. Checked after
// access and range. MV_E_PARAMETER for an unknown id, null texts or status MV_OK.
CAMSIM_API int CAMSIM_CALL CamSim_RefuseValue(unsigned int id, const char* node, const char* valueText,
                                              unsigned int status);
CAMSIM_API int CAMSIM_CALL CamSim_ClearRefusals(unsigned int id);
// Nonzero: another host has the camera open; MV_CC_OpenDevice answers MV_E_ACCESS_DENIED.
// MV_E_PARAMETER for an unknown id.
CAMSIM_API int CAMSIM_CALL CamSim_SetOpenedElsewhere(unsigned int id, int openedElsewhere);

// ---- action commands (GigE Vision cameras) --------------------------------------------
// The keys an action command must carry to act on the camera (default 1, 1, 1): equal device
// and group keys, group masks sharing a bit. MV_E_PARAMETER unknown id or not GigE Vision.
CAMSIM_API int CAMSIM_CALL CamSim_SetActionKeys(unsigned int id, unsigned int deviceKey, unsigned int groupKey,
                                                unsigned int groupMask);
#define CAMSIM_ACTION_NO_ANSWER 0xFFFFFFFFu
// The status of the camera's acknowledge: 0 (acts), 0x8013, 0x8015, 0x8016 (answers but does
// not act) or CAMSIM_ACTION_NO_ANSWER (neither). MV_E_PARAMETER for other values.
CAMSIM_API int CAMSIM_CALL CamSim_SetActionAnswer(unsigned int id, unsigned int answer);

// ---- write hook --------------------------------------------------------------------------
// Called on the writer's thread before every typed value write (MV_CC_SetIntValueEx,
// SetFloatValue, SetBoolValue, SetEnumValue, SetEnumValueByString, SetStringValue) of any
// camera, with the node's name; outside the simulator's lock, so it may call SDK and control
// functions. For tests that must act at one exact point of a driver's write sequence. Null
// removes it; CamSim_Reset removes it too.
typedef void(CAMSIM_CALL* CamSimWriteHook)(void* user, const char* node);
CAMSIM_API void CAMSIM_CALL CamSim_SetWriteHook(CamSimWriteHook hook, void* user);

#ifdef __cplusplus
}
#endif
