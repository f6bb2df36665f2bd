// The test images the simulated cameras deliver. A frame is rendered once per geometry and
// pixel format; each delivered frame only gets its number stamped into the first pixels.
//
// Content, in image coordinates (x, y from the delivered image's top left corner), as an
// 8-bit level g that is then written at the format's depth:
//   mono formats:    g = (x + y) mod 256
//   colour formats:  eight vertical bars, bar = x * 8 / width: white, yellow, cyan, green,
//                    magenta, red, blue, black (each channel 0 or 255); Bayer formats take
//                    the channel of the pixel's colour filter, RGB/BGR write all three,
//                    YUV 4:2:2 uses full-range BT.601 with U and V of each pair's first pixel
// A level g at n > 8 bits is g << (n - 8) | g >> (16 - n): shifting back to 8 bits gives g.
// Frame number stamp: pixels 0 to 3 of row 0 hold the frame number's bytes, least
// significant first, as grey levels (RGB: all channels; YUV: Y, with U = V = 128).
#pragma once

#include <cstdint>
#include <vector>

namespace CamSim {

// Frame bytes of a format: width x height x bits per pixel / 8, rounded up; 0 for a format
// the simulator cannot render.
uint64_t FrameBytes(uint32_t pixelFormat, uint32_t width, uint32_t height);
bool CanRender(uint32_t pixelFormat);

// The frame without its stamp, and its mean level at 8 bits (luma for colour). Throws
// std::bad_alloc when memory runs out.
std::vector<uint8_t> RenderPattern(uint32_t pixelFormat, uint32_t width, uint32_t height, uint32_t& brightness);

// Writes the frame number into the first four pixels of a rendered frame.
void StampFrameNumber(std::vector<uint8_t>& frame, uint32_t pixelFormat, uint32_t width, uint32_t height,
                      uint32_t frameNumber);

}  // namespace CamSim
