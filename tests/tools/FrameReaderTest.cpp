#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tools/FrameReader.h"

using OrnicHost::DetectChannels;
using OrnicHost::RowReader;

namespace {

// A stand-in for getCVLGrabRow: copies `bytes` bytes of `row`'s content.
RowReader Writes(size_t bytes, uint8_t value, int* calls = nullptr)
{
    return [=](int row, uint8_t* dest) {
        if (calls != nullptr) ++*calls;
        for (size_t i = 0; i < bytes; ++i) dest[i] = static_cast<uint8_t>(value + row);
        return true;
    };
}

}  // namespace

TEST(DetectChannels, CountsTheBytesTheDriverWrote)
{
    std::string error;
    EXPECT_EQ(DetectChannels(10, Writes(10, 0x10), error), 1) << error;
    EXPECT_EQ(DetectChannels(10, Writes(30, 0x10), error), 3) << error;
    EXPECT_EQ(DetectChannels(1, Writes(1, 0x10), error), 1) << error;
    EXPECT_EQ(DetectChannels(1, Writes(3, 0x10), error), 3) << error;
}

TEST(DetectChannels, PixelsEqualToEitherFillPatternStillCount)
{
    std::string error;
    // A row of 0xA5 or 0x5A (the two fill patterns) must not look shorter than it is.
    for (const uint8_t value : {uint8_t{0xA5}, uint8_t{0x5A}}) {
        EXPECT_EQ(DetectChannels(8, Writes(8, value), error), 1) << int(value);
        EXPECT_EQ(DetectChannels(8, Writes(24, value), error), 3) << int(value);
    }
}

TEST(DetectChannels, RefusedOddOrOverlongRowsAreErrors)
{
    std::string error;
    EXPECT_EQ(DetectChannels(
                  8, [](int, uint8_t*) { return false; }, error),
              0);
    EXPECT_NE(error.find("refused"), std::string::npos);
    error.clear();
    EXPECT_EQ(DetectChannels(8, Writes(16, 1), error), 0);
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_EQ(DetectChannels(8, Writes(25, 1), error), 0);  // one byte beyond three per pixel
    EXPECT_NE(error.find("25"), std::string::npos);
    error.clear();
    EXPECT_EQ(DetectChannels(8, Writes(0, 1), error), 0);
    EXPECT_EQ(DetectChannels(0, Writes(0, 1), error), 0);
}

TEST(ReadFrame, EveryRowLandsInItsPlace)
{
    OrnicHost::Image image;
    image.width = 4;
    image.height = 3;
    image.channels = 3;
    int calls = 0;
    std::string error;
    ASSERT_TRUE(OrnicHost::ReadFrame(Writes(12, 0x40, &calls), image, error)) << error;
    EXPECT_EQ(calls, 3);
    ASSERT_EQ(image.pixels.size(), 36u);
    for (int row = 0; row < 3; ++row)
        for (int i = 0; i < 12; ++i) EXPECT_EQ(image.pixels[row * 12 + i], 0x40 + row);
}

TEST(ReadFrame, ARefusedRowFailsTheFrame)
{
    OrnicHost::Image image;
    image.width = 4;
    image.height = 3;
    image.channels = 1;
    std::string error;
    const RowReader failsRow2 = [](int row, uint8_t* dest) {
        std::memset(dest, 1, 4);
        return row != 2;
    };
    EXPECT_FALSE(OrnicHost::ReadFrame(failsRow2, image, error));
    EXPECT_NE(error.find("row 2"), std::string::npos);
    EXPECT_TRUE(image.pixels.empty());
    image.channels = 0;
    EXPECT_FALSE(OrnicHost::ReadFrame(Writes(4, 1), image, error));
}
