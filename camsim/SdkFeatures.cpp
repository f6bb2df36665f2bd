// Feature files: MV_CC_FeatureSave and MV_CC_FeatureLoad open the file; its format is
// FeatureFile's.
#include <fstream>
#include <string>

#include "camsim/FeatureFile.h"
#include "camsim/SdkSide.h"

namespace {

using CamSim::NodeMap;
using CamSim::Op;
using CamSim::SdkSide;

template <typename Body>
int FileCall(Op op, void* handle, const char* fileName, Body&& body)
{
    return CamSim::HandleCall(op, handle, [&](SdkSide& sdk) {
        return fileName == nullptr || *fileName == '\0' ? MV_E_PARAMETER : body(sdk);
    });
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_FeatureSave(void* handle, const char* fileName)
{
    return FileCall(Op::FeatureSave, handle, fileName, [&](SdkSide& sdk) {
        std::string text;
        const uint32_t status = sdk.WithNodes(handle, [&](NodeMap& nodes) {
            text = CamSim::FeatureFileText(nodes);
            return MV_OK;
        });
        if (status != MV_OK) {
            return status;
        }
        std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        return file ? MV_OK : MV_E_OPENFILE;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_FeatureLoad(void* handle, const char* fileName)
{
    return FileCall(Op::FeatureLoad, handle, fileName, [&](SdkSide& sdk) {
        // Checked before the file: a dead handle answers as for every other operation.
        uint32_t status = sdk.WithNodes(handle, [](NodeMap&) { return MV_OK; });
        if (status != MV_OK) {
            return status;
        }
        std::ifstream file(fileName, std::ios::binary);
        if (!file) {
            return MV_E_OPENFILE;
        }
        CamSim::FeatureFile contents;
        status = CamSim::ReadFeatureFile(file, contents);
        if (status != MV_OK) {
            return status;
        }
        return sdk.WithNodes(handle, [&](NodeMap& nodes) { return CamSim::ApplyFeatureFile(nodes, contents); });
    });
}

}  // extern "C"
