// Aravis's errors as the SDK's status codes (sdk/MvSdk.h).
#pragma once

#include <arv.h>

#include <cstdint>
#include <string>

namespace OrnicAravis {

// The status for an Aravis or GIO error; MV_OK for none.
uint32_t StatusOf(const GError* error);

// Frees the error (if any) and answers its status.
uint32_t TakeStatus(GError*& error);

// Frees the error and answers its message (empty for none).
std::string TakeMessage(GError*& error);

}  // namespace OrnicAravis
