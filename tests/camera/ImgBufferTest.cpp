// The image buffer: its memory, and the rows it hands to the host.
#include <stdexcept>
#include <vector>

#include "CameraTestSupport.h"

TEST_F(CameraFixture, ImgBufferSizesItsMemoryAndRefusesBadRows)
{
    // The buffer asks the open camera for its payload size.
    Camera& camera = Make(0);
    ImageSize size;
    ASSERT_TRUE(camera.TarvikOpen(3, size));
    ImgBuffer& buffer = camera.Image();
    EXPECT_EQ(buffer.Capacity(), 1280 * 1024);

    try {
        buffer.InitBuffer(0, 1024);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(),
                     "#3: Buffers Init ERROR: incorrect image width/height, 0/1024 {ImgBuffer::InitBuffer}\n");
    }

    // Smaller images keep the memory; a larger payload than the image asks for more.
    const uint8_t* const memory = buffer.Data();
    buffer.InitBuffer(640, 480);
    EXPECT_EQ(buffer.Capacity(), 1280 * 1024);
    EXPECT_EQ(buffer.Data(), memory);

    EXPECT_EQ(buffer.GetLine(0), nullptr);  // no active image
    std::vector<uint8_t> frame(640 * 10);
    MvFrameOutInfoEx info{};
    buffer.SetActiveImage(frame.data(), static_cast<int32_t>(frame.size()), info);
    EXPECT_EQ(buffer.GetLine(9), frame.data() + 9 * 640);
    EXPECT_EQ(buffer.GetLine(10), nullptr);  // beyond the active image's length
    EXPECT_EQ(buffer.GetLine(480), nullptr);
    EXPECT_EQ(buffer.GetLine(-1), nullptr);
    buffer.ClearActiveImage();
    EXPECT_EQ(buffer.GetLine(0), nullptr);
}
