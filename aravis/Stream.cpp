// Streaming: buffers, the delivery thread and the frame record.
#include "aravis/Stream.h"

#include "aravis/AravisControl.h"

#include <cstring>

#include "aravis/Errors.h"
#include "aravis/NodeMap.h"
#include "convert/Converter.h"

namespace OrnicAravis {

namespace {

constexpr guint64 kPopWaitUs = 20000;  // how soon the delivery thread sees a stop

// TLParamsLocked: the standard way to lock the transport-layer and image-format nodes while
// the stream runs (Width, PixelFormat, ... read-only then, as the simulator does it).
void LockTransportParameters(ArvGc* genicam, bool locked)
{
    Nodes::SetStreamLock(genicam, locked);
    ArvGcFeatureNode* node = Nodes::Find(genicam, "TLParamsLocked");
    if (node == nullptr || !ARV_IS_GC_INTEGER(node)) return;
    GError* error = nullptr;
    arv_gc_integer_set_value(ARV_GC_INTEGER(node), locked ? 1 : 0, &error);
    g_clear_error(&error);
}

int64_t ReadInteger(ArvDevice* device, const char* name)
{
    GError* error = nullptr;
    const gint64 value = arv_device_get_integer_feature_value(device, name, &error);
    g_clear_error(&error);
    return value;
}

}  // namespace

uint32_t Stream::Start(const std::shared_ptr<Handle>& handle, std::shared_ptr<Stream>& started)
{
    Handle& h = *handle;
    std::shared_ptr<Stream> session(new Stream(handle));
    session->callback = h.imageCallback;
    session->user = h.imageUser;
    session->bgr = h.bgr;
    if (session->bgr) {
        const auto format = static_cast<uint32_t>(ReadInteger(h.device, "PixelFormat"));
        if (format != PixelType_BGR8_Packed && !Convert::Converter::IsSupported(format, PixelType_BGR8_Packed)) {
            return MV_E_SUPPORT;
        }
        if (!h.converter) h.converter = std::make_shared<Convert::Converter>();
        session->converter = h.converter;
        // Sized once here; a frame larger than the region at the start grows it once.
        const int64_t width = ReadInteger(h.device, "Width");
        const int64_t height = ReadInteger(h.device, "Height");
        if (width > 0 && height > 0) session->converted.resize(static_cast<size_t>(width * height * 3));
    }
    GError* error = nullptr;
    const guint payload = arv_camera_get_payload(h.camera, &error);
    if (error != nullptr) return TakeStatus(error);
    if (payload == 0) return MV_E_PRECONDITION;

    // The stream channel is set up first (its destination and packet size are among the nodes
    // TLParamsLocked locks), then the parameters are locked for the acquisition.
    session->stream = arv_camera_create_stream(h.camera, nullptr, nullptr, &error);
    if (session->stream == nullptr) return error != nullptr ? TakeStatus(error) : MV_E_RESOURCE;
    if (ARV_IS_GV_STREAM(session->stream)) {
        // The socket's receive buffer follows the frame size: a default-sized buffer drops
        // packets of a fast camera before the stream thread reads them.
        g_object_set(session->stream, "socket-buffer", ARV_GV_STREAM_SOCKET_BUFFER_AUTO, "socket-buffer-size", 0,
                     nullptr);
    }
    for (unsigned int i = 0; i < h.bufferCount; ++i) {
        arv_stream_push_buffer(session->stream, arv_buffer_new_allocate(payload));
    }
    LockTransportParameters(h.genicam, true);
    arv_camera_start_acquisition(h.camera, &error);
    if (error != nullptr) {
        const uint32_t status = TakeStatus(error);
        g_clear_object(&session->stream);
        LockTransportParameters(h.genicam, false);
        return status;
    }
    session->thread = std::thread([session] { session->Run(); });
    started = session;
    return MV_OK;
}

Stream::~Stream()
{
    if (thread.joinable()) thread.detach();  // only the thread itself can drop the last reference
    if (stream != nullptr) g_object_unref(stream);
}

void Stream::Run()
{
    while (!stopping.load()) {
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(stream, kPopWaitUs);
        if (buffer == nullptr) continue;
        if (stopping.load()) {
            arv_stream_push_buffer(stream, buffer);
            break;
        }
        if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS) {
            Deliver(buffer);
        } else {
            failed.fetch_add(1);
        }
        ++frameIndex;
        if (finished.load()) {
            // The callback ended the session itself; the stream is gone, the buffer is ours.
            g_object_unref(buffer);
            return;
        }
        arv_stream_push_buffer(stream, buffer);
    }
}

void Stream::Deliver(ArvBuffer* buffer)
{
    size_t size = 0;
    const void* data = arv_buffer_get_image_data(buffer, &size);
    if (data == nullptr) data = arv_buffer_get_data(buffer, &size);
    MvFrameOutInfoEx info;
    std::memset(&info, 0, sizeof info);
    const gint width = arv_buffer_get_image_width(buffer);
    const gint height = arv_buffer_get_image_height(buffer);
    info.nWidth = static_cast<uint16_t>(width);
    info.nHeight = static_cast<uint16_t>(height);
    info.enPixelType = arv_buffer_get_image_pixel_format(buffer);
    info.nFrameNum = static_cast<uint32_t>(frameIndex);
    info.nFrameCounter = static_cast<uint32_t>(arv_buffer_get_frame_id(buffer));
    const guint64 device = arv_buffer_get_timestamp(buffer);  // nanoseconds
    info.nDevTimeStampHigh = static_cast<uint32_t>(device >> 32);
    info.nDevTimeStampLow = static_cast<uint32_t>(device);
    info.nSecondCount = static_cast<uint32_t>((device / 1000000000u) % 128u);
    info.nCycleCount = static_cast<uint32_t>((device % 1000000000u) / 125000u);
    info.nCycleOffset = static_cast<uint32_t>(((device % 125000u) * 3072u) / 125000u);
    info.nHostTimeStamp = static_cast<int64_t>(arv_buffer_get_system_timestamp(buffer) / 1000000u);
    info.nFrameLen = static_cast<uint32_t>(size);
    info.nOffsetX = static_cast<uint16_t>(arv_buffer_get_image_x(buffer));
    info.nOffsetY = static_cast<uint16_t>(arv_buffer_get_image_y(buffer));
    unsigned char* frame = static_cast<unsigned char*>(const_cast<void*>(data));
    if (bgr && info.enPixelType != PixelType_BGR8_Packed) {
        const size_t needed = static_cast<size_t>(width) * static_cast<size_t>(height) * 3u;
        if (converted.size() < needed) converted.resize(needed);
        MvPixelConvertParamEx request;
        std::memset(&request, 0, sizeof request);
        request.nWidth = static_cast<uint32_t>(width);
        request.nHeight = static_cast<uint32_t>(height);
        request.enSrcPixelType = info.enPixelType;
        request.pSrcData = frame;
        request.nSrcDataLen = static_cast<uint32_t>(size);
        request.enDstPixelType = PixelType_BGR8_Packed;
        request.pDstBuffer = converted.data();
        request.nDstBufferSize = static_cast<uint32_t>(converted.size());
        if (converter->Convert(request) != static_cast<int>(MV_OK)) {
            refused.fetch_add(1);
            return;
        }
        frame = converted.data();
        info.enPixelType = PixelType_BGR8_Packed;
        info.nFrameLen = request.nDstLen;
    }
    if (callback != nullptr) callback(frame, &info, user);
    delivered.fetch_add(1);
}

void Stream::Stop()
{
    stopping.store(true);
    if (thread.joinable() && thread.get_id() == std::this_thread::get_id()) {
        // Called from the frame callback: this callback is the last one. The session ends
        // now; the thread frees the buffer in hand when the callback returns.
        thread.detach();
        Finish();
        return;
    }
    if (thread.joinable()) thread.join();
    Finish();
}

void Stream::Finish()
{
    {
        std::lock_guard<std::mutex> lock(owner->mutex);
        if (owner->open.load() && !owner->lost.load() && owner->camera != nullptr) {
            GError* error = nullptr;
            arv_camera_stop_acquisition(owner->camera, &error);
            g_clear_error(&error);
            LockTransportParameters(owner->genicam, false);
        }
    }
    // Ends Aravis's receive thread and frees the queued buffers.
    g_clear_object(&stream);
    finished.store(true);
}

StreamStats Stream::Stats() const
{
    StreamStats stats;
    stats.delivered = delivered.load();
    stats.failed = failed.load();
    stats.refused = refused.load();
    if (stream != nullptr) {
        guint64 completed = 0;
        guint64 failures = 0;
        guint64 underruns = 0;
        arv_stream_get_statistics(stream, &completed, &failures, &underruns);
        stats.completed = completed;
        stats.failures = failures;
        stats.underruns = underruns;
        if (ARV_IS_GV_STREAM(stream)) {
            guint64 resent = 0;
            guint64 missing = 0;
            arv_gv_stream_get_statistics(ARV_GV_STREAM(stream), &resent, &missing);
            stats.missingPackets = missing;
        }
    }
    return stats;
}

bool StopStreaming(const std::shared_ptr<Handle>& handle)
{
    std::shared_ptr<Stream> session;
    {
        std::lock_guard<std::mutex> lock(handle->mutex);
        session = std::move(handle->stream);
    }
    if (!session) return false;
    session->Stop();
    return true;
}

}  // namespace OrnicAravis

using OrnicAravis::Handle;
using OrnicAravis::LookUp;

namespace {

// The frame of the streaming calls that manage the handle's lock themselves.
template <typename Body>
int StreamingCall(void* handle, Body&& body)
{
    return OrnicAravis::Guarded([&]() -> uint32_t {
        const std::shared_ptr<Handle> h = LookUp(handle);
        if (!h) return MV_E_HANDLE;
        return body(h);
    });
}

uint32_t RegisterFrameCallback(void* handle, MvImageCallback callback, void* user, bool bgr)
{
    return OrnicAravis::OpenHandleCall(handle, {}, [&](Handle& h) -> uint32_t {
        if (h.stream) return MV_E_CALLORDER;
        h.imageCallback = callback;
        h.imageUser = callback != nullptr ? user : nullptr;
        h.bgr = callback != nullptr && bgr;
        return MV_OK;
    });
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_SetImageNodeNum(void* handle, unsigned int count)
{
    return StreamingCall(handle, [&](const std::shared_ptr<Handle>& h) -> uint32_t {
        if (count < 1 || count > 256) return MV_E_PARAMETER;
        std::lock_guard<std::mutex> lock(h->mutex);
        if (!h->open.load()) return MV_E_CALLORDER;
        if (h->lost.load()) return MV_E_BUSY;
        if (h->stream) return MV_E_CALLORDER;
        h->bufferCount = count;
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackEx(void* handle, MvImageCallback callback, void* user)
{
    return static_cast<int>(RegisterFrameCallback(handle, callback, user, false));
}

MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackForBGR(void* handle, MvImageCallback callback, void* user)
{
    return static_cast<int>(RegisterFrameCallback(handle, callback, user, true));
}

MV_SDK_API int MV_SDK_CALL MV_CC_StartGrabbing(void* handle)
{
    return StreamingCall(handle, [&](const std::shared_ptr<Handle>& h) -> uint32_t {
        std::lock_guard<std::mutex> lock(h->mutex);
        if (!h->open.load()) return MV_E_CALLORDER;
        if (h->lost.load()) return MV_E_BUSY;
        if (h->stream) return MV_E_CALLORDER;
        std::shared_ptr<OrnicAravis::Stream> session;
        const uint32_t status = OrnicAravis::Stream::Start(h, session);
        if (status == MV_OK) h->stream = session;
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL OrnicSdk_AravisStreamStats(void* handle, OrnicAravisStreamStats* stats)
{
    return OrnicAravis::OpenHandleCall(handle, {stats}, [&](Handle& h) -> uint32_t {
        if (!h.stream) return MV_E_CALLORDER;
        const OrnicAravis::StreamStats now = h.stream->Stats();
        stats->completed = now.completed;
        stats->failures = now.failures;
        stats->underruns = now.underruns;
        stats->delivered = now.delivered;
        stats->refused = now.refused;
        stats->missingPackets = now.missingPackets;
        stats->buffers = h.bufferCount;
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_StopGrabbing(void* handle)
{
    return StreamingCall(handle, [&](const std::shared_ptr<Handle>& h) -> uint32_t {
        {
            std::lock_guard<std::mutex> lock(h->mutex);
            if (!h->open.load()) return MV_E_CALLORDER;
            if (h->lost.load()) return MV_E_BUSY;
            if (!h->stream) return MV_E_CALLORDER;
        }
        OrnicAravis::StopStreaming(h);
        return MV_OK;
    });
}

}  // extern "C"
