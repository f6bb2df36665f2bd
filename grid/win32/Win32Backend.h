// The Win32 backend of the configuration dialog, linked into the Windows driver: a window
// class of our own for the dialog, a modal loop of our own, plain Win32 controls and GDI.
#pragma once

#include "grid/Backend.h"

namespace Grid_3_1 {

DialogBackend& Win32Backend();

}  // namespace Grid_3_1
