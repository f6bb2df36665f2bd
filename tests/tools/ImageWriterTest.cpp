#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"
#include "tools/ImageWriter.h"

#ifdef ORNIC_HOST_HAVE_PNG
#include <png.h>
#endif

using OrnicHost::Image;

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint32_t U16(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8);
}

// Every pixel byte distinct enough to show a swapped row or a shifted column.
Image Make(int width, int height, int channels)
{
    Image image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.resize(image.RowBytes() * static_cast<size_t>(height));
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 7 + 1);
    return image;
}

}  // namespace

TEST(BmpWriter, GreyHeaderPaletteAndBottomUpPaddedRows)
{
    const Image image = Make(5, 3, 1);  // 5 bytes a row: 3 padding bytes each
    const std::vector<uint8_t> bmp = OrnicHost::EncodeBmp(image);
    const size_t offset = 14 + 40 + 256 * 4;
    ASSERT_EQ(bmp.size(), offset + 8 * 3);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    EXPECT_EQ(U32(bmp, 10), offset);
    EXPECT_EQ(U32(bmp, 14), 40u);
    EXPECT_EQ(U32(bmp, 18), 5u);
    EXPECT_EQ(U32(bmp, 22), 3u);  // positive height: bottom-up
    EXPECT_EQ(U16(bmp, 26), 1u);
    EXPECT_EQ(U16(bmp, 28), 8u);
    EXPECT_EQ(U32(bmp, 30), 0u);
    EXPECT_EQ(U32(bmp, 34), 24u);
    EXPECT_EQ(U32(bmp, 46), 256u);
    for (size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(bmp[54 + i * 4], i);
        EXPECT_EQ(bmp[54 + i * 4 + 1], i);
        EXPECT_EQ(bmp[54 + i * 4 + 2], i);
        EXPECT_EQ(bmp[54 + i * 4 + 3], 0);
    }
    for (int fileRow = 0; fileRow < 3; ++fileRow) {
        const int imageRow = 2 - fileRow;
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(bmp[offset + fileRow * 8 + x], image.pixels[imageRow * 5 + x]) << fileRow << "," << x;
        for (int pad = 5; pad < 8; ++pad) EXPECT_EQ(bmp[offset + fileRow * 8 + pad], 0) << fileRow;
    }
}

TEST(BmpWriter, ColourIsTwentyFourBitBgrWithoutPalette)
{
    const Image image = Make(3, 2, 3);  // 9 bytes a row, padded to 12
    const std::vector<uint8_t> bmp = OrnicHost::EncodeBmp(image);
    ASSERT_EQ(bmp.size(), 54u + 12 * 2);
    EXPECT_EQ(U32(bmp, 10), 54u);
    EXPECT_EQ(U16(bmp, 28), 24u);
    EXPECT_EQ(U32(bmp, 34), 24u);
    EXPECT_EQ(U32(bmp, 46), 0u);
    // The host's B,G,R bytes go into the file unchanged; the top image row comes last.
    for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(bmp[54 + x], image.pixels[9 + x]);
        EXPECT_EQ(bmp[54 + 12 + x], image.pixels[x]);
    }
    for (int pad = 9; pad < 12; ++pad) EXPECT_EQ(bmp[54 + pad], 0);
}

TEST(BmpWriter, RowsOfWholeWordsHaveNoPaddingAndBadImagesNoFile)
{
    EXPECT_EQ(OrnicHost::EncodeBmp(Make(4, 2, 3)).size(), 54u + 12 * 2);
    EXPECT_EQ(OrnicHost::EncodeBmp(Make(8, 1, 1)).size(), 54u + 1024 + 8);
    Image wrong = Make(4, 2, 1);
    wrong.pixels.pop_back();
    EXPECT_TRUE(OrnicHost::EncodeBmp(wrong).empty());
    wrong = Make(4, 2, 2);
    EXPECT_TRUE(OrnicHost::EncodeBmp(wrong).empty());

    TempDir dir;
    std::string error;
    EXPECT_FALSE(OrnicHost::WriteImage(dir.File("x.bmp"), wrong, OrnicHost::ImageFormat::Bmp, error));
    EXPECT_FALSE(error.empty());
}

TEST(BmpWriter, FileHoldsTheEncodedBytes)
{
    TempDir dir;
    const Image image = Make(7, 5, 3);
    std::string error;
    ASSERT_TRUE(OrnicHost::WriteImage(dir.File("f.bmp"), image, OrnicHost::ImageFormat::Bmp, error)) << error;
    const std::string text = dir.Read("f.bmp");
    const std::vector<uint8_t> expected = OrnicHost::EncodeBmp(image);
    EXPECT_EQ(std::vector<uint8_t>(text.begin(), text.end()), expected);
    EXPECT_FALSE(OrnicHost::WriteImage(dir.File("missing/f.bmp"), image, OrnicHost::ImageFormat::Bmp, error));
}

#ifdef ORNIC_HOST_HAVE_PNG
namespace {
Image ReadPng(const std::string& file, bool& colour)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    Image image;
    if (png_image_begin_read_from_file(&png, file.c_str()) == 0) return image;
    colour = (png.format & PNG_FORMAT_FLAG_COLOR) != 0;
    // Read as R,G,B on purpose: reading back as B,G,R would hide a channel swap in the writer.
    png.format = colour ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.channels = colour ? 3 : 1;
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) image.pixels.clear();
    return image;
}
}  // namespace

TEST(PngWriter, GreyAndColourReadBackUnchanged)
{
    TempDir dir;
    for (const int channels : {1, 3}) {
        const Image image = Make(13, 6, channels);
        const std::string file = dir.File("f" + std::to_string(channels) + ".png");
        std::string error;
        ASSERT_TRUE(OrnicHost::WriteImage(file, image, OrnicHost::ImageFormat::Png, error)) << error;
        bool colour = false;
        const Image back = ReadPng(file, colour);
        EXPECT_EQ(colour, channels == 3);
        EXPECT_EQ(back.width, 13);
        EXPECT_EQ(back.height, 6);
        std::vector<uint8_t> expected = image.pixels;
        if (channels == 3)
            for (size_t i = 0; i < expected.size(); i += 3) std::swap(expected[i], expected[i + 2]);
        EXPECT_EQ(back.pixels, expected) << channels;
    }
}
#endif

TEST(FrameFileNames, SanitisedNameAndNumberedFrames)
{
    EXPECT_EQ(OrnicHost::SanitiseFileName("SIM-GM130 (S1000001)"), "SIM-GM130_S1000001");
    EXPECT_EQ(OrnicHost::SanitiseFileName("a/b\\c:d*e?f"), "a_b_c_d_e_f");
    EXPECT_EQ(OrnicHost::SanitiseFileName("../x"), "x");
    EXPECT_EQ(OrnicHost::SanitiseFileName("  "), "camera");
    EXPECT_EQ(OrnicHost::SanitiseFileName(".."), "camera");
    EXPECT_EQ(OrnicHost::FrameFileName(3, "SIM-UC500 (S2000001)", 7, OrnicHost::ImageFormat::Png),
              "3-SIM-UC500_S2000001-007.png");
    EXPECT_EQ(OrnicHost::FrameFileName(0, "Left", 12, OrnicHost::ImageFormat::Bmp), "0-Left-012.bmp");
}
