// Frames from the SDK's callback thread to the host: which are delivered, the host layout
// (passed through or converted into the image buffer), the host's completion callback.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <exception>

#include "camera/Camera.h"
#include "camera/PixelTypes.h"
#include "util/Logger.h"

namespace {

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

// Set while this thread delivers a frame: the host's calls from inside its callback must not
// wait for locks whose holders wait for the callback to end.
thread_local bool insideImageCallback = false;

class ImageCallbackScope {
public:
    ImageCallbackScope() { insideImageCallback = true; }
    ~ImageCallbackScope() { insideImageCallback = false; }
    ImageCallbackScope(const ImageCallbackScope&) = delete;
    ImageCallbackScope& operator=(const ImageCallbackScope&) = delete;
};

}  // namespace

bool Camera::InsideImageCallback()
{
    return insideImageCallback;
}

bool Camera::PixelFormat::GetPixelSizeForTarvik(int32_t& bits)
{
    bits = 0;
    uint32_t code = 0;
    if (!camera.pixelFormatNode.ReadEnum(code).Ok()) return false;
    if (IsBayerFormat(code)) {
        bits = 24;
    } else if ((code & kPixelMonoFlag) != 0) {
        bits = 8;
    } else if ((code & kPixelColourFlag) != 0) {
        bits = 24;
    } else {
        ORNIC_LOG1_ERR(camera.Port(), "Camera::PixelFormat::GetPixelSizeForTarvik",
                       "Unsupported pixel format: " << Hex(code) << " " << PixelTypeName(code));
        return false;
    }
    ORNIC_LOG3_TRACE(camera.Port(), "Camera::PixelFormat::GetPixelSizeForTarvik",
                     "PixelCode= " << Hex(code) << ", TarvikBitsPerPixel=" << bits
                                   << ", camera pixelBits= " << PixelBits(code) << " " << PixelTypeName(code));
    return true;
}

void MV_SDK_CALL Camera::ImageCB(unsigned char* data, MvFrameOutInfoEx* frameInfo, void* user)
{
    if (user == nullptr) {
        ORNIC_LOG1_ERR(Util_2_1::kGlobalLogPort, "Camera::ImageCB", "ImageCB Error: camera pointer not assigned");
        return;
    }
    Camera& camera = *static_cast<Camera*>(user);
    if (!camera.IsOpen()) {
        ORNIC_LOG1_ERR(camera.Port(), "Camera::ImageCB", "ImageCB Error: camera not opened");
        return;
    }
    camera.OnImageCB(data, frameInfo);
}

void Camera::OnImageCB(unsigned char* data, MvFrameOutInfoEx* frameInfo)
{
    if (data == nullptr || frameInfo == nullptr) {
        ORNIC_LOG1_ERR(Port(), "Camera::OnImageCB", "ImageCB: camera did not received null pointers");
        return;
    }
    // Taking the request and testing it in one step: two frames can never answer one request.
    const bool requested = frameRequested.exchange(false);
    if (!continuousMode.load() && !requested) {
        framesSkipped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    const ImageCallbackScope scope;
    // No resize of the image memory while this frame is converted into it or its rows are read.
    const auto hold = imgBuffer.HoldFrames();
    (void)ProcessFrame(data, frameInfo);
}

bool Camera::ProcessFrame(unsigned char* data, MvFrameOutInfoEx* frameInfo)
{
    const int logPort = Port();
    const char* const tag = "Camera::ProcessFrame";
    try {
        ORNIC_LOG3_TRACE(logPort, tag, "ProcessFrame: begin");
        if (data == nullptr || frameInfo == nullptr) {
            ORNIC_LOG1_ERR(logPort, tag, "null pointer");
            return false;
        }
        const MvFrameOutInfoEx& info = *frameInfo;
        if (Util_2_1::Logger::Instance().IsEnabled(3)) {
            std::string compression;
            std::string highBandwidth;
            imageCompressionModeNode.ReadSymbolic(compression);
            highBandwidthModeNode.ReadSymbolic(highBandwidth);
            ORNIC_LOG3_TRACE(logPort, tag, "ProcessFrame: compression=" << compression << ",HB mode=" << highBandwidth);
            ORNIC_LOG3_TRACE(logPort, tag,
                             "NewFrameInfo: nFrameNum="
                                 << info.nFrameNum << ", nDevTimeStampHigh=" << info.nDevTimeStampHigh
                                 << ", nDevTimeStampLow=" << info.nDevTimeStampLow
                                 << ", nHostTimeStamp=" << info.nHostTimeStamp << ", nSecondCount=" << info.nSecondCount
                                 << ", nCycleCount=" << info.nCycleCount << ", nCycleOffset=" << info.nCycleOffset);
            ORNIC_LOG3_TRACE(logPort, tag,
                             "NewFrameInfo:"
                                 << "nFrameLen=" << info.nFrameLen << ", nFrameCounter=" << info.nFrameCounter
                                 << ", nTriggerIndex=" << info.nTriggerIndex << ", nLostPacket=" << info.nLostPacket
                                 << ", nInput=" << info.nInput << ", nOutput=" << info.nOutput);
        }
        const uint32_t target = IsColor() ? kPixelBgr8 : kPixelMono8;
        if (info.enPixelType == target) {
            ORNIC_LOG3_TRACE(logPort, tag,
                             "ProcessFrame: Expected picture format received: " << info.enPixelType << " "
                                                                                << PixelTypeName(info.enPixelType));
            // The SDK's own frame memory goes to the host: no copy.
            const int32_t length = info.nFrameLen > INT32_MAX ? INT32_MAX : static_cast<int32_t>(info.nFrameLen);
            imgBuffer.SetActiveImage(data, length, info);
            TarvikCB();
            return true;
        }
        MvPixelConvertParamEx request;
        std::memset(&request, 0, sizeof request);
        request.nWidth = info.nWidth;
        request.nHeight = info.nHeight;
        request.enSrcPixelType = ConversionSourceFormat(info.enPixelType);
        request.pSrcData = data;
        request.nSrcDataLen = info.nFrameLen;
        request.enDstPixelType = target;
        request.pDstBuffer = imgBuffer.Data();
        request.nDstBufferSize = static_cast<uint32_t>(imgBuffer.Capacity());
        ORNIC_LOG3_TRACE(
            logPort, tag,
            "Converting image from " << PixelTypeName(info.enPixelType) << " into " << PixelTypeName(target));
        const MvStatus status(MV_CC_ConvertPixelTypeEx(SdkHandle(), &request));
        ORNIC_LOG3_TRACE(logPort, tag,
                         "MV_CC_ConvertPixelTypeEx: " << status << ", enDstPixelType=" << Hex(request.enDstPixelType)
                                                      << ", enSrcPixelType=" << Hex(request.enSrcPixelType)
                                                      << ", nDstBufferSize=" << request.nDstBufferSize
                                                      << ", nDstLen=" << request.nDstLen);
        ORNIC_LOG3_TRACE(logPort, tag,
                         "MV_CC_ConvertPixelTypeEx: "
                             << ", nSrcDataLen=" << request.nSrcDataLen << ", nWidth=" << request.nWidth
                             << ", nHeight=" << request.nHeight);
        if (!status.Ok()) {
            ORNIC_LOG1_ERR(logPort, tag, "MV_CC_ConvertPixelTypeEx error: " << status);
            return false;
        }
        // The SDK never reports more than the buffer holds, but the host must not read past it.
        const uint32_t length = request.nDstLen <= request.nDstBufferSize ? request.nDstLen : request.nDstBufferSize;
        imgBuffer.SetActiveImage(imgBuffer.Data(), static_cast<int32_t>(length), info);
        TarvikCB();
        return true;
    } catch (const std::exception& e) {
        imgBuffer.ClearActiveImage();
        ORNIC_LOG1_ERR(logPort, tag, "Exception: " << e.what());
    } catch (...) {
        imgBuffer.ClearActiveImage();
        ORNIC_LOG1_ERR(logPort, tag, "Undefined Exception ");
    }
    return false;
}

void Camera::WaitForDelivery()
{
    if (InsideImageCallback()) return;
    const auto hold = imgBuffer.HoldFrames();
}

void Camera::TarvikCB()
{
    const int logPort = Port();
    ORNIC_LOG2_INFO(logPort, "Camera::TarvikCB", "CB");
    // Tested under the frame lock: a port closed or given to another camera waits for this
    // frame (WaitForDelivery), so the host never hears of this camera on a port it reused.
    if (!hostBound.load()) {
        framesSkipped.fetch_add(1, std::memory_order_relaxed);
        ORNIC_LOG3_TRACE(logPort, "Camera::TarvikCB", "frame not delivered: the camera is bound to no port");
    } else if (const OrnicCompleteCallback cb = completeCallback.load()) {
        framesDelivered.fetch_add(1, std::memory_order_relaxed);
        cb(0, logPort);
    } else {
        ORNIC_LOG1_ERR(logPort, "Camera::TarvikCB", "callback is not assigned");
    }
    imgBuffer.ClearActiveImage();
    ORNIC_LOG3_TRACE(logPort, "Camera::TarvikCB", "CB ended");
}

void Camera::ApplyBayerConversionParameters()
{
    const int logPort = Port();
    const char* const tag = "Camera::ApplyBayerConversionParameters";
    auto on = [this](const char* name) {
        const auto p = parameters.Find(name);
        return p != nullptr && p->GetBool();
    };
    if (on("UseBayerGamma")) {
        if (const auto gamma = parameters.Find("BayerGamma")) {
            const MvStatus status(MV_CC_SetBayerGammaValue(SdkHandle(), static_cast<float>(gamma->GetDouble())));
            if (!status.Ok()) {
                ORNIC_LOG1_ERR(logPort, tag,
                               "Call to MV_CC_SetBayerGammaValue (" << gamma->GetDouble() << ") failed, rc=" << status);
            }
        }
    }
    if (on("UseBayerCvtQuality")) {
        if (const auto quality = parameters.Find("BayerCvtQuality")) {
            const MvStatus status(MV_CC_SetBayerCvtQuality(SdkHandle(), static_cast<unsigned>(quality->GetInt())));
            if (!status.Ok()) {
                ORNIC_LOG1_ERR(logPort, tag,
                               "Call to MV_CC_SetBayerCvtQuality (" << quality->GetInt() << ") failed, rc=" << status);
            }
        }
    }
    if (!on("UseBayerMatrix")) return;
    const auto row0 = parameters.Find("BayerMatrixRow0");
    const auto row1 = parameters.Find("BayerMatrixRow1");
    const auto row2 = parameters.Find("BayerMatrixRow2");
    const auto scale = parameters.Find("BayerMatrixScale");
    if (row0 == nullptr || row1 == nullptr || row2 == nullptr || scale == nullptr) return;
    using Rows = Util_2_1::ParamVector<int>;
    const auto* rows0 = dynamic_cast<const Rows*>(row0.get());
    const auto* rows1 = dynamic_cast<const Rows*>(row1.get());
    const auto* rows2 = dynamic_cast<const Rows*>(row2.get());
    if (rows0 == nullptr || rows1 == nullptr || rows2 == nullptr || rows0->Items().size() != 3 ||
        rows1->Items().size() != 3 || rows2->Items().size() != 3) {
        ORNIC_LOG1_ERR(logPort, tag,
                       "Incorrect CCM vector for MV_CC_SetBayerCCMParamEx: row0="
                           << row0->GetTextString() << ", row1=" << row1->GetTextString()
                           << ", row2=" << row2->GetTextString());
        return;
    }
    MvCcmParamEx record;
    std::memset(&record, 0, sizeof record);
    record.bCCMEnable = 1;
    const Rows* all[3] = {rows0, rows1, rows2};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) record.nCCMat[r * 3 + c] = all[r]->Items()[static_cast<size_t>(c)];
    }
    record.nCCMScale = static_cast<uint32_t>(scale->GetInt());
    ORNIC_LOG3_TRACE(logPort, tag,
                     "MV_CC_SetBayerCCMParamEx scale= " << scale->GetInt() << ", matrix = (" << record.nCCMat[0] << " "
                                                        << record.nCCMat[1] << " " << record.nCCMat[2] << ")("
                                                        << record.nCCMat[3] << " " << record.nCCMat[4] << " "
                                                        << record.nCCMat[5] << ")(" << record.nCCMat[6] << " "
                                                        << record.nCCMat[7] << " " << record.nCCMat[8] << "  )");
    const MvStatus status(MV_CC_SetBayerCCMParamEx(SdkHandle(), &record));
    if (!status.Ok()) ORNIC_LOG1_ERR(logPort, tag, "Call to MV_CC_SetBayerCCMParamEx failed, rc=" << status);
}
