// The image the host reads row by row: its geometry, the camera's own memory for converted
// frames, and the active image (the frame being handed over right now, converted or the
// SDK's own memory).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "sdk/MvSdk.h"

class Camera;

class ImgBuffer {
public:
    explicit ImgBuffer(Camera& camera) : camera(camera) {}
    ~ImgBuffer() { Release(); }
    ImgBuffer(const ImgBuffer&) = delete;
    ImgBuffer& operator=(const ImgBuffer&) = delete;

    // Sets the geometry and makes sure the memory holds a frame; throws std::runtime_error
    // with a log-line text when the size is impossible or memory cannot be had (the geometry
    // then stays as it was). Waits for a frame in hand (HoldFrames) to be done with.
    void InitBuffer(int newWidth, int newHeight);
    // Held by the frame path from the conversion to the end of the host's callback, so the
    // memory and the geometry never change under a frame.
    std::unique_lock<std::mutex> HoldFrames() { return std::unique_lock<std::mutex>(frameLock); }
    void Release();

    // Row `line` of the active image, or null (logged) when there is none.
    const uint8_t* GetLine(int line) const;
    void SetActiveImage(const uint8_t* bytes, int32_t length, const MvFrameOutInfoEx& info);
    void ClearActiveImage();

    uint8_t* Data() { return data; }
    int32_t Capacity() const { return capacity; }
    int32_t Stride() const { return stride; }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    // Host bytes per pixel of the geometry (1 or 3; 0 before the first InitBuffer).
    int32_t BytesPerPixel() const { return width > 0 ? stride / width : 0; }
    // The information record of the last frame handed to the host; zero before any. A copy:
    // the host may ask from any thread while the next frame arrives.
    MvFrameOutInfoEx FrameInfo() const;

private:
    uint8_t* data = nullptr;
    int32_t capacity = 0;
    // Set and read on the SDK's callback thread; atomic so that a host reading outside its
    // callback gets "no image" rather than a torn pointer.
    std::atomic<const uint8_t*> activeImage{nullptr};
    std::atomic<int32_t> activeLength{0};
    mutable std::mutex infoLock;  // frameInfo only; never held while the host runs
    MvFrameOutInfoEx frameInfo{};
    std::mutex frameLock;
    int32_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    Camera& camera;
};
