// The camera SDK (CameraSdk) as the driver uses it: the operations of the vendor's library
// by their names, and records carrying the fields the driver reads and fills.
// Any backend (the simulated cameras in camsim/, real cameras over Aravis in aravis/) implements
// exactly these declarations as a shared library of its own; the driver reaches cameras through
// nothing else, by way of the dispatch layer that loads the backend chosen at start-up
// (sdk/SdkBackend.h).
// The binary layouts are our own, not the vendor's.
#pragma once

#include <stdint.h>

#include "sdk/PixelFormats.h"

#if defined(MV_SDK_DISPATCH)
// The driver's own dispatch layer (sdk/SdkDispatch.cpp) defines the operations inside the
// driver; they are neither imported nor exported there.
#define MV_SDK_API
#if defined(_WIN32)
#define MV_SDK_CALL __cdecl
#else
#define MV_SDK_CALL
#endif
#elif defined(_WIN32)
#if defined(MV_SDK_BUILDING)
#define MV_SDK_API __declspec(dllexport)
#else
#define MV_SDK_API __declspec(dllimport)
#endif
#define MV_SDK_CALL __cdecl
#else
#define MV_SDK_API __attribute__((visibility("default")))
#define MV_SDK_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---- status codes -------------------------------------------------------------------
#define MV_OK 0x00000000u
#define MV_E_HANDLE 0x80000000u          // error or invalid handle
#define MV_E_SUPPORT 0x80000001u         // function not supported
#define MV_E_BUFOVER 0x80000002u         // cache full
#define MV_E_CALLORDER 0x80000003u       // wrong calling order
#define MV_E_PARAMETER 0x80000004u       // incorrect parameter
#define MV_E_RESOURCE 0x80000006u        // resource allocation failed
#define MV_E_NODATA 0x80000007u          // no data
#define MV_E_PRECONDITION 0x80000008u    // precondition error
#define MV_E_VERSION 0x80000009u         // version mismatch
#define MV_E_NOENOUGH_BUF 0x8000000Au    // insufficient memory
#define MV_E_ABNORMAL_IMAGE 0x8000000Bu  // incomplete image
#define MV_E_LOAD_LIBRARY 0x8000000Cu
#define MV_E_NOOUTBUF 0x8000000Du  // no available buffer
#define MV_E_ENCRYPT 0x8000000Eu
#define MV_E_OPENFILE 0x8000000Fu
#define MV_E_UNKNOWN 0x800000FFu
#define MV_E_GC_GENERIC 0x80000100u
#define MV_E_GC_ARGUMENT 0x80000101u  // illegal parameters
#define MV_E_GC_RANGE 0x80000102u     // value out of range
#define MV_E_GC_PROPERTY 0x80000103u
#define MV_E_GC_RUNTIME 0x80000104u
#define MV_E_GC_LOGICAL 0x80000105u
#define MV_E_GC_ACCESS 0x80000106u  // node access condition
#define MV_E_GC_TIMEOUT 0x80000107u
#define MV_E_GC_DYNAMICCAST 0x80000108u
#define MV_E_GC_UNKNOWN 0x800001FFu
#define MV_E_NOT_IMPLEMENTED 0x80000200u
#define MV_E_INVALID_ADDRESS 0x80000201u
#define MV_E_WRITE_PROTECT 0x80000202u
#define MV_E_ACCESS_DENIED 0x80000203u
#define MV_E_BUSY 0x80000204u  // device busy or network disconnected
#define MV_E_PACKET 0x80000205u
#define MV_E_NETWORK 0x80000206u
#define MV_E_IP_CONFLICT 0x80000221u
#define MV_E_USB_READ 0x80000300u
#define MV_E_USB_WRITE 0x80000301u
#define MV_E_USB_DEVICE 0x80000302u
#define MV_E_USB_GENICAM 0x80000303u
#define MV_E_USB_BANDWIDTH 0x80000304u
#define MV_E_USB_UNKNOWN 0x800003FFu
#define MV_E_UPG_FILE_MISMATCH 0x80000400u
#define MV_E_UPG_LANGUAGE_MISMATCH 0x80000401u
#define MV_E_UPG_CONFLICT 0x80000402u
#define MV_E_UPG_INNER_ERR 0x80000403u
#define MV_E_UPG_UNKNOWN 0x800004FFu

// ---- devices ------------------------------------------------------------------------
#define MV_UNKNOWN_DEVICE 0x00000000u
#define MV_GIGE_DEVICE 0x00000001u
#define MV_1394_DEVICE 0x00000002u
#define MV_USB_DEVICE 0x00000004u
#define MV_CAMERALINK_DEVICE 0x00000008u

#define MV_MAX_DEVICE_NUM 256
#define MV_GIGE_MODEL_NAME_LEN 32
#define MV_GIGE_SERIAL_NUMBER_LEN 16
#define MV_GIGE_NAME_LEN 32
#define MV_USB_NAME_LEN 64

typedef struct MvGigeDeviceInfo {
    uint32_t nCurrentIp;
    uint32_t nCurrentSubNetMask;
    uint32_t nDefultGateWay;
    uint32_t nNetExport;  // address of the host interface that sees the camera
    char chManufacturerName[MV_GIGE_NAME_LEN];
    char chModelName[MV_GIGE_MODEL_NAME_LEN];
    char chDeviceVersion[MV_GIGE_NAME_LEN];
    char chSerialNumber[MV_GIGE_SERIAL_NUMBER_LEN];
    char chUserDefinedName[MV_GIGE_SERIAL_NUMBER_LEN];
} MvGigeDeviceInfo;

typedef struct MvUsb3DeviceInfo {
    uint32_t nDeviceNumber;
    uint32_t nbcdUSB;
    char chVendorName[MV_USB_NAME_LEN];
    char chModelName[MV_USB_NAME_LEN];
    char chFamilyName[MV_USB_NAME_LEN];
    char chDeviceVersion[MV_USB_NAME_LEN];
    char chManufacturerName[MV_USB_NAME_LEN];
    char chSerialNumber[MV_USB_NAME_LEN];
    char chUserDefinedName[MV_USB_NAME_LEN];
} MvUsb3DeviceInfo;

typedef struct MvDeviceInfo {
    uint16_t nMajorVer;
    uint16_t nMinorVer;
    uint32_t nMacAddrHigh;
    uint32_t nMacAddrLow;
    uint32_t nTLayerType;  // MV_GIGE_DEVICE, MV_USB_DEVICE, ...
    union {
        MvGigeDeviceInfo stGigEInfo;
        MvUsb3DeviceInfo stUsb3VInfo;
    } SpecialInfo;
} MvDeviceInfo;

typedef struct MvDeviceInfoList {
    uint32_t nDeviceNum;
    MvDeviceInfo* pDeviceInfo[MV_MAX_DEVICE_NUM];
} MvDeviceInfoList;

// ---- pixel formats: the SDK's names for the codes of sdk/PixelFormats.h ------------------
typedef enum MvPixelType {
    PixelType_Undefined = 0,
    PixelType_Mono8 = PixelFormats::Code::Mono8,
    PixelType_Mono10 = PixelFormats::Code::Mono10,
    PixelType_Mono10_Packed = PixelFormats::Code::Mono10_Packed,
    PixelType_Mono12 = PixelFormats::Code::Mono12,
    PixelType_Mono12_Packed = PixelFormats::Code::Mono12_Packed,
    PixelType_Mono16 = PixelFormats::Code::Mono16,
    PixelType_BayerGR8 = PixelFormats::Code::BayerGR8,
    PixelType_BayerRG8 = PixelFormats::Code::BayerRG8,
    PixelType_BayerGB8 = PixelFormats::Code::BayerGB8,
    PixelType_BayerBG8 = PixelFormats::Code::BayerBG8,
    PixelType_BayerGR10 = PixelFormats::Code::BayerGR10,
    PixelType_BayerRG10 = PixelFormats::Code::BayerRG10,
    PixelType_BayerGB10 = PixelFormats::Code::BayerGB10,
    PixelType_BayerBG10 = PixelFormats::Code::BayerBG10,
    PixelType_BayerGR12 = PixelFormats::Code::BayerGR12,
    PixelType_BayerRG12 = PixelFormats::Code::BayerRG12,
    PixelType_BayerGB12 = PixelFormats::Code::BayerGB12,
    PixelType_BayerBG12 = PixelFormats::Code::BayerBG12,
    PixelType_BayerGR10_Packed = PixelFormats::Code::BayerGR10_Packed,
    PixelType_BayerRG10_Packed = PixelFormats::Code::BayerRG10_Packed,
    PixelType_BayerGB10_Packed = PixelFormats::Code::BayerGB10_Packed,
    PixelType_BayerBG10_Packed = PixelFormats::Code::BayerBG10_Packed,
    PixelType_BayerGR12_Packed = PixelFormats::Code::BayerGR12_Packed,
    PixelType_BayerRG12_Packed = PixelFormats::Code::BayerRG12_Packed,
    PixelType_BayerGB12_Packed = PixelFormats::Code::BayerGB12_Packed,
    PixelType_BayerBG12_Packed = PixelFormats::Code::BayerBG12_Packed,
    PixelType_RGB8_Packed = PixelFormats::Code::RGB8_Packed,
    PixelType_BGR8_Packed = PixelFormats::Code::BGR8_Packed,
    PixelType_YUV422_Packed = PixelFormats::Code::YUV422_Packed,            // UYVY
    PixelType_YUV422_YUYV_Packed = PixelFormats::Code::YUV422_YUYV_Packed,  // YUYV
} MvPixelType;

// ---- frames -------------------------------------------------------------------------
typedef struct MvFrameOutInfoEx {
    uint16_t nWidth;
    uint16_t nHeight;
    uint32_t enPixelType;  // MvPixelType
    uint32_t nFrameNum;
    uint32_t nDevTimeStampHigh;
    uint32_t nDevTimeStampLow;
    uint32_t nReserved0;
    int64_t nHostTimeStamp;
    uint32_t nFrameLen;
    uint32_t nSecondCount;
    uint32_t nCycleCount;
    uint32_t nCycleOffset;
    float fGain;
    float fExposureTime;
    uint32_t nAverageBrightness;
    uint32_t nRed;
    uint32_t nGreen;
    uint32_t nBlue;
    uint32_t nFrameCounter;
    uint32_t nTriggerIndex;
    uint32_t nInput;
    uint32_t nOutput;
    uint16_t nOffsetX;
    uint16_t nOffsetY;
    uint16_t nChunkWidth;
    uint16_t nChunkHeight;
    uint32_t nLostPacket;
    uint32_t nReserved[39];
} MvFrameOutInfoEx;

typedef void(MV_SDK_CALL* MvImageCallback)(unsigned char* data, MvFrameOutInfoEx* frameInfo, void* user);
typedef void(MV_SDK_CALL* MvExceptionCallback)(unsigned int msgType, void* user);

#define MV_EXCEPTION_DEV_DISCONNECT 0x00008001u

// ---- pixel conversion -----------------------------------------------------------------
typedef struct MvPixelConvertParamEx {
    uint32_t nWidth;
    uint32_t nHeight;
    uint32_t enSrcPixelType;
    unsigned char* pSrcData;
    uint32_t nSrcDataLen;
    uint32_t enDstPixelType;
    unsigned char* pDstBuffer;
    uint32_t nDstLen;  // filled in by the SDK
    uint32_t nDstBufferSize;
    uint32_t nRes[4];
} MvPixelConvertParamEx;

typedef struct MvCcmParamEx {
    int32_t bCCMEnable;
    int32_t nCCMat[9];  // row order
    uint32_t nCCMScale;
    uint32_t nRes[8];
} MvCcmParamEx;

// ---- GigE Vision action commands ------------------------------------------------------
typedef struct MvActionCmdInfo {
    uint32_t nDeviceKey;
    uint32_t nGroupKey;
    uint32_t nGroupMask;
    uint32_t bActionTimeEnable;
    int64_t nActionTime;
    const char* pBroadcastAddress;
    uint32_t nTimeOut;  // ms to wait for acknowledges
    uint32_t bSpecialNetEnable;
    const char* pSpecialNetIP;
    uint32_t nRes[12];
} MvActionCmdInfo;

#define MV_ACTION_ADDRESS_LEN 16
typedef struct MvActionCmdResult {
    char strDeviceAddress[MV_ACTION_ADDRESS_LEN];
    int32_t nStatus;  // GigE Vision status of the device's acknowledge
    uint32_t nRes[4];
} MvActionCmdResult;

typedef struct MvActionCmdResultList {
    uint32_t nNumResults;
    MvActionCmdResult* pResults;
} MvActionCmdResultList;

// ---- node map -----------------------------------------------------------------------
typedef enum MvXmlInterfaceType {
    IFT_IValue = 0,
    IFT_IBase = 1,
    IFT_IInteger = 2,
    IFT_IBoolean = 3,
    IFT_ICommand = 4,
    IFT_IFloat = 5,
    IFT_IString = 6,
    IFT_IRegister = 7,
    IFT_ICategory = 8,
    IFT_IEnumeration = 9,
    IFT_IEnumEntry = 10,
    IFT_IPort = 11,
} MvXmlInterfaceType;

typedef enum MvXmlVisibility {
    V_Beginner = 0,
    V_Expert = 1,
    V_Guru = 2,
    V_Invisible = 3,
    V_Undefined = 99,
} MvXmlVisibility;

typedef enum MvXmlAccessMode {
    AM_NI = 0,  // not implemented
    AM_NA = 1,  // not available
    AM_WO = 2,
    AM_RO = 3,
    AM_RW = 4,
    AM_Undefined = 5,
} MvXmlAccessMode;

#define MV_MAX_XML_NODE_NUM 128
#define MV_MAX_XML_NODE_NAME_LEN 64  // names up to 63 characters
#define MV_MAX_XML_DISC_LEN 512
#define MV_MAX_XML_STRVALUE_LEN 64
#define MV_MAX_XML_SYMBOLIC_NUM 64

typedef struct MvXmlNode {
    uint32_t enType;        // MvXmlInterfaceType
    uint32_t enVisivility;  // MvXmlVisibility
    char strDescription[MV_MAX_XML_DISC_LEN];
    char strDisplayName[MV_MAX_XML_NODE_NAME_LEN];
    char strName[MV_MAX_XML_NODE_NAME_LEN];
    char strToolTip[MV_MAX_XML_DISC_LEN];
} MvXmlNode;

typedef struct MvXmlNodeList {
    uint32_t nNodeNum;
    MvXmlNode stNodes[MV_MAX_XML_NODE_NUM];
} MvXmlNodeList;

// The fields every feature record starts with.
typedef struct MvXmlFeatureBase {
    uint32_t enVisivility;
    uint32_t enAccessMode;  // MvXmlAccessMode
    char strDescription[MV_MAX_XML_DISC_LEN];
    char strDisplayName[MV_MAX_XML_NODE_NAME_LEN];
    char strName[MV_MAX_XML_NODE_NAME_LEN];
    char strToolTip[MV_MAX_XML_DISC_LEN];
    uint32_t bIsLocked;
} MvXmlFeatureBase;

typedef struct MvXmlFeatureInteger {
    MvXmlFeatureBase base;
    int64_t nValue;
    int64_t nMinValue;
    int64_t nMaxValue;
    int64_t nIncrement;
    uint32_t bIsHexadecimal;  // the node shows its value in hexadecimal
    uint32_t bIsIpAddress;    // the node holds an IPv4 address
} MvXmlFeatureInteger;

typedef struct MvXmlFeatureBoolean {
    MvXmlFeatureBase base;
    uint32_t bValue;
} MvXmlFeatureBoolean;

typedef struct MvXmlFeatureCommand {
    MvXmlFeatureBase base;
} MvXmlFeatureCommand;

typedef struct MvXmlFeatureFloat {
    MvXmlFeatureBase base;
    double dfValue;
    double dfMinValue;
    double dfMaxValue;
    double dfIncrement;
    char strUnit[MV_MAX_XML_NODE_NAME_LEN];
} MvXmlFeatureFloat;

typedef struct MvXmlFeatureString {
    MvXmlFeatureBase base;
    char strValue[MV_MAX_XML_STRVALUE_LEN];
    uint32_t nMaxLength;
} MvXmlFeatureString;

typedef struct MvXmlFeatureRegister {
    MvXmlFeatureBase base;
    int64_t nAddrValue;
    int64_t nLength;
} MvXmlFeatureRegister;

typedef struct MvXmlFeatureCategory {
    MvXmlFeatureBase base;
} MvXmlFeatureCategory;

typedef struct MvXmlFeatureEnumEntry {
    char strSymbolic[MV_MAX_XML_NODE_NAME_LEN];
    char strDisplayName[MV_MAX_XML_NODE_NAME_LEN];
    int64_t nValue;
    uint32_t enAccessMode;  // entries can be unavailable in the camera's state
} MvXmlFeatureEnumEntry;

typedef struct MvXmlFeatureEnumeration {
    MvXmlFeatureBase base;
    char strCurrentSymbolic[MV_MAX_XML_NODE_NAME_LEN];
    int64_t nValue;
    uint32_t nSymbolicNum;
    MvXmlFeatureEnumEntry stEntries[MV_MAX_XML_SYMBOLIC_NUM];
} MvXmlFeatureEnumeration;

// ---- typed values -------------------------------------------------------------------
typedef struct MvIntValueEx {
    int64_t nCurValue;
    int64_t nMax;
    int64_t nMin;
    int64_t nInc;
    uint32_t nReserved[16];
} MvIntValueEx;

typedef struct MvFloatValue {
    float fCurValue;
    float fMax;
    float fMin;
    uint32_t nReserved[4];
} MvFloatValue;

#define MV_MAX_ENUM_SUPPORTED 64
typedef struct MvEnumValue {
    uint32_t nCurValue;
    uint32_t nSupportedNum;
    uint32_t nSupportValue[MV_MAX_ENUM_SUPPORTED];
    uint32_t nReserved[4];
} MvEnumValue;

typedef struct MvEnumEntry {
    uint32_t nValue;                            // in: the entry's value
    char chSymbolic[MV_MAX_XML_NODE_NAME_LEN];  // out: its symbolic name
    uint32_t nReserved[4];
} MvEnumEntry;

// ---- operations ---------------------------------------------------------------------
#if defined(MV_SDK_DISPATCH)
// Inside the driver every operation is the dispatch layer's (sdk/SdkDispatch.cpp), under a
// name of its own, so that it never meets a backend's export of the same name: a test program
// links the driver's layers and the simulated SDK's control functions together.
#define MV_CC_Initialize OrnicSdk_MV_CC_Initialize
#define MV_CC_Finalize OrnicSdk_MV_CC_Finalize
#define MV_CC_GetSDKVersion OrnicSdk_MV_CC_GetSDKVersion
#define MV_CC_EnumDevices OrnicSdk_MV_CC_EnumDevices
#define MV_CC_CreateHandleWithoutLog OrnicSdk_MV_CC_CreateHandleWithoutLog
#define MV_CC_DestroyHandle OrnicSdk_MV_CC_DestroyHandle
#define MV_CC_OpenDevice OrnicSdk_MV_CC_OpenDevice
#define MV_CC_CloseDevice OrnicSdk_MV_CC_CloseDevice
#define MV_CC_RegisterExceptionCallBack OrnicSdk_MV_CC_RegisterExceptionCallBack
#define MV_CC_RegisterImageCallBackEx OrnicSdk_MV_CC_RegisterImageCallBackEx
#define MV_CC_RegisterImageCallBackForBGR OrnicSdk_MV_CC_RegisterImageCallBackForBGR
#define MV_CC_SetImageNodeNum OrnicSdk_MV_CC_SetImageNodeNum
#define MV_CC_StartGrabbing OrnicSdk_MV_CC_StartGrabbing
#define MV_CC_StopGrabbing OrnicSdk_MV_CC_StopGrabbing
#define MV_CC_ConvertPixelTypeEx OrnicSdk_MV_CC_ConvertPixelTypeEx
#define MV_CC_SetBayerCvtQuality OrnicSdk_MV_CC_SetBayerCvtQuality
#define MV_CC_SetBayerGammaValue OrnicSdk_MV_CC_SetBayerGammaValue
#define MV_CC_SetBayerCCMParamEx OrnicSdk_MV_CC_SetBayerCCMParamEx
#define MV_CC_SetCommandValue OrnicSdk_MV_CC_SetCommandValue
#define MV_GIGE_IssueActionCommand OrnicSdk_MV_GIGE_IssueActionCommand
#define MV_CC_FeatureSave OrnicSdk_MV_CC_FeatureSave
#define MV_CC_FeatureLoad OrnicSdk_MV_CC_FeatureLoad
#define MV_XML_GetGenICamXML OrnicSdk_MV_XML_GetGenICamXML
#define MV_XML_GetRootNode OrnicSdk_MV_XML_GetRootNode
#define MV_XML_GetChildren OrnicSdk_MV_XML_GetChildren
#define MV_XML_GetNodeFeature OrnicSdk_MV_XML_GetNodeFeature
#define MV_XML_GetNodeAccessMode OrnicSdk_MV_XML_GetNodeAccessMode
#define MV_CC_InvalidateNodes OrnicSdk_MV_CC_InvalidateNodes
#define MV_CC_GetIntValueEx OrnicSdk_MV_CC_GetIntValueEx
#define MV_CC_SetIntValueEx OrnicSdk_MV_CC_SetIntValueEx
#define MV_CC_GetFloatValue OrnicSdk_MV_CC_GetFloatValue
#define MV_CC_SetFloatValue OrnicSdk_MV_CC_SetFloatValue
#define MV_CC_GetBoolValue OrnicSdk_MV_CC_GetBoolValue
#define MV_CC_SetBoolValue OrnicSdk_MV_CC_SetBoolValue
#define MV_CC_GetEnumValue OrnicSdk_MV_CC_GetEnumValue
#define MV_CC_SetEnumValue OrnicSdk_MV_CC_SetEnumValue
#define MV_CC_GetEnumEntrySymbolic OrnicSdk_MV_CC_GetEnumEntrySymbolic
#define MV_CC_SetEnumValueByString OrnicSdk_MV_CC_SetEnumValueByString
#define MV_CC_SetStringValue OrnicSdk_MV_CC_SetStringValue
#endif

// Life cycle and enumeration
MV_SDK_API int MV_SDK_CALL MV_CC_Initialize(void);
MV_SDK_API int MV_SDK_CALL MV_CC_Finalize(void);
MV_SDK_API unsigned int MV_SDK_CALL MV_CC_GetSDKVersion(void);
MV_SDK_API int MV_SDK_CALL MV_CC_EnumDevices(unsigned int layerMask, MvDeviceInfoList* list);

// One device
MV_SDK_API int MV_SDK_CALL MV_CC_CreateHandleWithoutLog(void** handle, const MvDeviceInfo* device);
MV_SDK_API int MV_SDK_CALL MV_CC_DestroyHandle(void* handle);
MV_SDK_API int MV_SDK_CALL MV_CC_OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey);
MV_SDK_API int MV_SDK_CALL MV_CC_CloseDevice(void* handle);
MV_SDK_API int MV_SDK_CALL MV_CC_RegisterExceptionCallBack(void* handle, MvExceptionCallback callback, void* user);

// Streaming
MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackEx(void* handle, MvImageCallback callback, void* user);
MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackForBGR(void* handle, MvImageCallback callback, void* user);
MV_SDK_API int MV_SDK_CALL MV_CC_SetImageNodeNum(void* handle, unsigned int count);
MV_SDK_API int MV_SDK_CALL MV_CC_StartGrabbing(void* handle);
MV_SDK_API int MV_SDK_CALL MV_CC_StopGrabbing(void* handle);

// Pixel conversion
MV_SDK_API int MV_SDK_CALL MV_CC_ConvertPixelTypeEx(void* handle, MvPixelConvertParamEx* param);
MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCvtQuality(void* handle, unsigned int quality);
MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerGammaValue(void* handle, float gamma);
MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCCMParamEx(void* handle, MvCcmParamEx* param);

// Commands, action commands, feature files
MV_SDK_API int MV_SDK_CALL MV_CC_SetCommandValue(void* handle, const char* name);
MV_SDK_API int MV_SDK_CALL MV_GIGE_IssueActionCommand(MvActionCmdInfo* info, MvActionCmdResultList* results);
MV_SDK_API int MV_SDK_CALL MV_CC_FeatureSave(void* handle, const char* fileName);
MV_SDK_API int MV_SDK_CALL MV_CC_FeatureLoad(void* handle, const char* fileName);

// Node map
MV_SDK_API int MV_SDK_CALL MV_XML_GetGenICamXML(void* handle, unsigned char* buffer, unsigned int size,
                                                unsigned int* length);
MV_SDK_API int MV_SDK_CALL MV_XML_GetRootNode(void* handle, MvXmlNode* root);
MV_SDK_API int MV_SDK_CALL MV_XML_GetChildren(void* handle, const MvXmlNode* node, MvXmlNodeList* children);
// feature points to the record of the node's type (MvXmlFeatureInteger for IFT_IInteger, ...)
MV_SDK_API int MV_SDK_CALL MV_XML_GetNodeFeature(void* handle, const MvXmlNode* node, void* feature);
MV_SDK_API int MV_SDK_CALL MV_XML_GetNodeAccessMode(void* handle, const char* name, MvXmlAccessMode* mode);
MV_SDK_API int MV_SDK_CALL MV_CC_InvalidateNodes(void* handle);

// Typed node values by name
MV_SDK_API int MV_SDK_CALL MV_CC_GetIntValueEx(void* handle, const char* name, MvIntValueEx* value);
MV_SDK_API int MV_SDK_CALL MV_CC_SetIntValueEx(void* handle, const char* name, int64_t value);
MV_SDK_API int MV_SDK_CALL MV_CC_GetFloatValue(void* handle, const char* name, MvFloatValue* value);
MV_SDK_API int MV_SDK_CALL MV_CC_SetFloatValue(void* handle, const char* name, float value);
MV_SDK_API int MV_SDK_CALL MV_CC_GetBoolValue(void* handle, const char* name, int* value);
MV_SDK_API int MV_SDK_CALL MV_CC_SetBoolValue(void* handle, const char* name, int value);
MV_SDK_API int MV_SDK_CALL MV_CC_GetEnumValue(void* handle, const char* name, MvEnumValue* value);
MV_SDK_API int MV_SDK_CALL MV_CC_SetEnumValue(void* handle, const char* name, unsigned int value);
MV_SDK_API int MV_SDK_CALL MV_CC_GetEnumEntrySymbolic(void* handle, const char* name, MvEnumEntry* entry);
MV_SDK_API int MV_SDK_CALL MV_CC_SetEnumValueByString(void* handle, const char* name, const char* value);
MV_SDK_API int MV_SDK_CALL MV_CC_SetStringValue(void* handle, const char* name, const char* value);

#ifdef __cplusplus
}
#endif
