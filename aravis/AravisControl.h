// What the Aravis backend tells benchmarks and tests beyond the SDK operations: the counters
// of a handle's grabbing session. Plain C; the driver never includes this header.
#pragma once

#include <stdint.h>

#include "sdk/MvSdk.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OrnicAravisStreamStats {
    uint64_t completed;       // buffers Aravis completed (as arv_stream_get_statistics counts them)
    uint64_t failures;        // buffers Aravis gave up on (missing packets, time-outs)
    uint64_t underruns;       // frames that found no free buffer
    uint64_t delivered;       // frame callbacks that returned
    uint64_t refused;         // frames the BGR conversion refused
    uint64_t missingPackets;  // GigE Vision: packets never received
    uint64_t buffers;         // buffers of the session (MV_CC_SetImageNodeNum)
} OrnicAravisStreamStats;

// The counters of the handle's session; MV_E_CALLORDER when it is not grabbing.
MV_SDK_API int MV_SDK_CALL OrnicSdk_AravisStreamStats(void* handle, OrnicAravisStreamStats* stats);
typedef int(MV_SDK_CALL* OrnicSdkAravisStreamStatsFn)(void* handle, OrnicAravisStreamStats* stats);

#ifdef __cplusplus
}
#endif
