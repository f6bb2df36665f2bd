// The colour scene that the demosaicing tests and the benchmark both measure against: smooth
// colour with fine luminance detail and one soft-edged disc, as BGR8. Shared so that the
// PSNR figures of the benchmark and the floors of the tests speak of the same image.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ConvertTest {

inline std::vector<uint8_t> Scene(int w, int h)
{
    std::vector<uint8_t> img(static_cast<size_t>(w) * h * 3);
    const double cx = w * 0.6, cy = h * 0.4, radius = std::min(w, h) * 0.3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double l = 0.45 + 0.25 * std::sin(x * 0.3 + y * 0.2) * std::cos(y * 0.25);
            double cr = 0.12 * std::sin(x * 0.03 + 1.0), cb = 0.12 * std::cos(y * 0.04 + x * 0.01);
            const double d = std::hypot(x - cx, y - cy) - radius;
            const double inside = d < -1 ? 1.0 : (d > 1 ? 0.0 : (1 - d) / 2);
            l += 0.2 * inside;
            cr -= 0.15 * inside;
            cb += 0.1 * inside;
            const double bgr[3] = {l + cb, l, l + cr};
            for (int k = 0; k < 3; ++k)
                img[(static_cast<size_t>(y) * w + x) * 3 + k] =
                    static_cast<uint8_t>(std::lround(std::clamp(bgr[k], 0.0, 1.0) * 255));
        }
    return img;
}

}  // namespace ConvertTest
