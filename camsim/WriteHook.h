// The test's write hook (CamSim_SetWriteHook), run by the typed node writes.
#pragma once

namespace CamSim {

void RunWriteHook(const char* node);

}  // namespace CamSim
