// Opening and closing one device, and its loss.
#pragma once

#include <memory>

#include "aravis/Backend.h"

namespace OrnicAravis {

// Closes the handle's device if open: grabbing stops (a frame callback in progress is waited
// for, unless the caller is that callback), a loss report in progress is waited for (unless
// the caller is it), the control privilege is given back. Takes the handle's mutex itself.
void CloseDevice(const std::shared_ptr<Handle>& handle);

}  // namespace OrnicAravis
