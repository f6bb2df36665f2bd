// Pixel conversion behind the SDK's conversion operations: one Converter per camera handle
// holds the Bayer settings (demosaicing quality, gamma, colour-correction matrix) and
// converts frames to Mono8 or BGR8. Every call answers an SDK status code from sdk/MvSdk.h.
#pragma once

#include "sdk/MvSdk.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace Convert {

// Pixel-format codes by name, from the one table in sdk/PixelFormats.h.
namespace Pixel = ::PixelFormats::Code;

// Instruction sets the row kernels can use. The scalar kernels are the reference the
// vector ones must match bit for bit.
enum class SimdLevel { Scalar = 0, Sse2 = 1, Avx2 = 2, Avx512 = 3 };

// The best level this build and this processor offer (SSE2 only when the build forces it).
SimdLevel BestSimdLevel();
const char* SimdLevelName(SimdLevel level);

enum class BayerQuality : unsigned int { Fast = 0, Equilibrium = 1, Optimal = 2 };

class Converter {
public:
    Converter();

    // 0 Fast (bilinear), 1 Equilibrium (gradient-corrected linear), 2 Optimal (edge-directed
    // green and colour-difference red/blue). Anything else: MV_E_PARAMETER.
    int SetBayerQuality(unsigned int quality);
    // out = 255 * (in / 255) ^ gamma on Bayer to BGR8 results; 1 switches it off.
    // 0 < gamma <= 16, otherwise MV_E_PARAMETER.
    int SetGamma(float gamma);
    // Colour-correction matrix for Bayer to BGR8 (see docs/conversion.md for the exact
    // arithmetic). Null pointer, or enabled with scale 0: MV_E_PARAMETER.
    int SetCcm(const MvCcmParamEx* ccm);
    // Converts param.pSrcData to param.enDstPixelType; fills nDstLen on success.
    int Convert(MvPixelConvertParamEx& param);

    // Selects the kernels; false (and no change) when the processor lacks the level.
    bool SetSimdLevel(SimdLevel level);
    SimdLevel GetSimdLevel() const;

    static bool IsSupported(uint32_t srcType, uint32_t dstType);

    // Colour settings as the row kernels use them.
    struct ColourParams {
        bool ccmOn = false;
        int16_t ccm[9] = {};  // Q10, rows produce R, G, B from the column (R, G, B)
        bool gammaOn = false;
        uint8_t lut[256] = {};
    };

private:
    int ConvertLocked(MvPixelConvertParamEx& param);

    mutable std::mutex mutex;
    BayerQuality quality = BayerQuality::Fast;
    ColourParams colour;
    SimdLevel level;
    std::vector<uint8_t> scratch;  // row caches; grows with the frame width, never per frame
};

}  // namespace Convert
