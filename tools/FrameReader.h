// Reading one frame row by row through getCVLGrabRow, kept apart from the driver so the
// logic can be tested with a stand-in row source.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tools/ImageWriter.h"

namespace OrnicHost {

// Copies columns 0..width-1 of `row` into dest; false when the driver refused.
using RowReader = std::function<bool(int row, uint8_t* dest)>;

// The driver does not say whether a port delivers grey (1 byte per pixel) or B,G,R (3): it
// copies width or width * 3 bytes. Row 0 is read twice into a buffer with room for 3 bytes
// per pixel, pre-filled with two different patterns; a byte the driver wrote differs from at
// least one of them, so the last such byte gives the count. Answers 1 or 3, or 0 with the
// reason in `error` (refused, an odd count, or bytes written past width * 3).
int DetectChannels(int width, const RowReader& read, std::string& error);

// Reads every row into `image` (width, height and channels set by the caller).
bool ReadFrame(const RowReader& read, Image& image, std::string& error);

}  // namespace OrnicHost
