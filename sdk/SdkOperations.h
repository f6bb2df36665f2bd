// Every operation of sdk/MvSdk.h once, for code that handles them all alike: the dispatch
// layer's function table (sdk/SdkDispatch.cpp) and the backends' export checks.
// X(result, name, parameter list, argument list)
#pragma once

#include "sdk/MvSdk.h"

#define ORNIC_SDK_OPERATIONS(X)                                                                                     \
    X(int, MV_CC_Initialize, (void), ())                                                                            \
    X(int, MV_CC_Finalize, (void), ())                                                                              \
    X(unsigned int, MV_CC_GetSDKVersion, (void), ())                                                                \
    X(int, MV_CC_EnumDevices, (unsigned int layerMask, MvDeviceInfoList* list), (layerMask, list))                  \
    X(int, MV_CC_CreateHandleWithoutLog, (void** handle, const MvDeviceInfo* device), (handle, device))             \
    X(int, MV_CC_DestroyHandle, (void* handle), (handle))                                                           \
    X(int, MV_CC_OpenDevice, (void* handle, unsigned int accessMode, unsigned short switchoverKey),                 \
      (handle, accessMode, switchoverKey))                                                                          \
    X(int, MV_CC_CloseDevice, (void* handle), (handle))                                                             \
    X(int, MV_CC_RegisterExceptionCallBack, (void* handle, MvExceptionCallback callback, void* user),               \
      (handle, callback, user))                                                                                     \
    X(int, MV_CC_RegisterImageCallBackEx, (void* handle, MvImageCallback callback, void* user),                     \
      (handle, callback, user))                                                                                     \
    X(int, MV_CC_RegisterImageCallBackForBGR, (void* handle, MvImageCallback callback, void* user),                 \
      (handle, callback, user))                                                                                     \
    X(int, MV_CC_SetImageNodeNum, (void* handle, unsigned int count), (handle, count))                              \
    X(int, MV_CC_StartGrabbing, (void* handle), (handle))                                                           \
    X(int, MV_CC_StopGrabbing, (void* handle), (handle))                                                            \
    X(int, MV_CC_ConvertPixelTypeEx, (void* handle, MvPixelConvertParamEx* param), (handle, param))                 \
    X(int, MV_CC_SetBayerCvtQuality, (void* handle, unsigned int quality), (handle, quality))                       \
    X(int, MV_CC_SetBayerGammaValue, (void* handle, float gamma), (handle, gamma))                                  \
    X(int, MV_CC_SetBayerCCMParamEx, (void* handle, MvCcmParamEx* param), (handle, param))                          \
    X(int, MV_CC_SetCommandValue, (void* handle, const char* name), (handle, name))                                 \
    X(int, MV_GIGE_IssueActionCommand, (MvActionCmdInfo * info, MvActionCmdResultList * results), (info, results))  \
    X(int, MV_CC_FeatureSave, (void* handle, const char* fileName), (handle, fileName))                             \
    X(int, MV_CC_FeatureLoad, (void* handle, const char* fileName), (handle, fileName))                             \
    X(int, MV_XML_GetGenICamXML, (void* handle, unsigned char* buffer, unsigned int size, unsigned int* length),    \
      (handle, buffer, size, length))                                                                               \
    X(int, MV_XML_GetRootNode, (void* handle, MvXmlNode* root), (handle, root))                                     \
    X(int, MV_XML_GetChildren, (void* handle, const MvXmlNode* node, MvXmlNodeList* children),                      \
      (handle, node, children))                                                                                     \
    X(int, MV_XML_GetNodeFeature, (void* handle, const MvXmlNode* node, void* feature), (handle, node, feature))    \
    X(int, MV_XML_GetNodeAccessMode, (void* handle, const char* name, MvXmlAccessMode* mode), (handle, name, mode)) \
    X(int, MV_CC_InvalidateNodes, (void* handle), (handle))                                                         \
    X(int, MV_CC_GetIntValueEx, (void* handle, const char* name, MvIntValueEx* value), (handle, name, value))       \
    X(int, MV_CC_SetIntValueEx, (void* handle, const char* name, int64_t value), (handle, name, value))             \
    X(int, MV_CC_GetFloatValue, (void* handle, const char* name, MvFloatValue* value), (handle, name, value))       \
    X(int, MV_CC_SetFloatValue, (void* handle, const char* name, float value), (handle, name, value))               \
    X(int, MV_CC_GetBoolValue, (void* handle, const char* name, int* value), (handle, name, value))                 \
    X(int, MV_CC_SetBoolValue, (void* handle, const char* name, int value), (handle, name, value))                  \
    X(int, MV_CC_GetEnumValue, (void* handle, const char* name, MvEnumValue* value), (handle, name, value))         \
    X(int, MV_CC_SetEnumValue, (void* handle, const char* name, unsigned int value), (handle, name, value))         \
    X(int, MV_CC_GetEnumEntrySymbolic, (void* handle, const char* name, MvEnumEntry* entry), (handle, name, entry)) \
    X(int, MV_CC_SetEnumValueByString, (void* handle, const char* name, const char* value), (handle, name, value))  \
    X(int, MV_CC_SetStringValue, (void* handle, const char* name, const char* value), (handle, name, value))
