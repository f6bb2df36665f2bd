#include "camera/ImgBuffer.h"

#include <cinttypes>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

#include "camera/Camera.h"
#include "util/Logger.h"

namespace {

// The text of a failed InitBuffer: a log line without its level word.
[[noreturn]] void Fail(int port, const std::string& message)
{
    std::string text;
    Util_2_1::LogLine(text).Prefix(port) << message << " {"
                                         << "ImgBuffer::InitBuffer"
                                         << "}\n";
    throw std::runtime_error(text);
}

}  // namespace

void ImgBuffer::InitBuffer(int newWidth, int newHeight)
{
    const int port = camera.Port();
    const char* const tag = "ImgBuffer::InitBuffer";
    const int32_t newStride = camera.IsColor() ? newWidth * 3 : newWidth;
    ORNIC_LOG2_INFO(port, tag,
                    "Buffer init: width=" << newWidth << ", height=" << newHeight << ", color=" << camera.IsColor());
    // The upper bound keeps stride x height inside 32 bits: no sensor comes near it.
    if (newWidth < 1 || newHeight < 1 || newWidth > 65535 || newHeight > 65535) {
        Fail(port, "Buffers Init ERROR: incorrect image width/height, " + std::to_string(newWidth) + "/" +
                       std::to_string(newHeight));
    }
    int64_t payload = 0;
    const MvStatus status = camera.PayloadSizeNode().ReadInt(payload);
    if (!status.Ok()) {
        std::string text;
        Util_2_1::LogLine(text) << "Get " << camera.PayloadSizeNode().NodeName()
                                << " failed. Frame buffer not initialized." << status;
        Fail(port, text);
    }
    ORNIC_LOG2_INFO(port, tag, "Payload reported by camera = " << payload);
    const int64_t frame = static_cast<int64_t>(newStride) * newHeight;
    const int64_t payloadLow = static_cast<int32_t>(static_cast<uint32_t>(payload & 0xFFFFFFFF));
    const int64_t needed = payloadLow > frame ? payloadLow : frame;
    if (needed > INT32_MAX) Fail(port, "Buffer not allocated");
    const std::lock_guard<std::mutex> hold(frameLock);
    width = newWidth;
    height = newHeight;
    stride = newStride;
    if (capacity >= needed) return;
    ORNIC_LOG3_TRACE(port, tag, ">>> Allocating new buffer, image size=" << needed);
    Release();
    data = new (std::nothrow) uint8_t[static_cast<size_t>(needed)];
    if (data == nullptr) {
        Release();
        Fail(port, "Buffer not allocated");
    }
    capacity = static_cast<int32_t>(needed);
}

void ImgBuffer::Release()
{
    if (data != nullptr) {
        char address[32];
        std::snprintf(address, sizeof address, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(data));
        ORNIC_LOG3_TRACE(camera.Port(), "ImgBuffer::Release", "<<<Deleting image memory, ptr=" << address);
        delete[] data;
        data = nullptr;
    }
    capacity = 0;
}

const uint8_t* ImgBuffer::GetLine(int line) const
{
    const int port = camera.Port();
    const char* const tag = "ImgBuffer::GetLine";
    // The active image first: outside a frame in hand the geometry may be changing.
    const uint8_t* image = activeImage.load(std::memory_order_acquire);
    const int32_t length = activeLength.load(std::memory_order_acquire);
    if (image == nullptr || length <= 0) {
        ORNIC_LOG1_ERR(port, tag, "GetLine: active image not assigned");
        return nullptr;
    }
    if (line < 0 || line >= height) {
        ORNIC_LOG1_ERR(port, tag, "GetLine: line index " << line << " out of range");
        return nullptr;
    }
    if (line == 0) ORNIC_LOG3_TRACE(port, tag, "Tarvik read: line 0");
    if (line + 1 == height) ORNIC_LOG3_TRACE(port, tag, "Tarvik read: line " << line);
    const int64_t offset = static_cast<int64_t>(line) * stride;
    if (offset + stride > length) {
        ORNIC_LOG1_ERR(port, tag, "Line " << line << " request exceeds external buffer length");
        return nullptr;
    }
    return image + offset;
}

void ImgBuffer::SetActiveImage(const uint8_t* bytes, int32_t length, const MvFrameOutInfoEx& info)
{
    {
        const std::lock_guard<std::mutex> lock(infoLock);
        frameInfo = info;
    }
    activeLength.store(length, std::memory_order_release);
    activeImage.store(bytes, std::memory_order_release);
}

void ImgBuffer::ClearActiveImage()
{
    activeImage.store(nullptr, std::memory_order_release);
    activeLength.store(0, std::memory_order_release);
}

MvFrameOutInfoEx ImgBuffer::FrameInfo() const
{
    const std::lock_guard<std::mutex> lock(infoLock);
    return frameInfo;
}
