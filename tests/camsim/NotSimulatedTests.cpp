// Operations not simulated yet still check their arguments, count their calls and honour
// injected faults, and then answer "not supported".
#include <cmath>
#include <functional>
#include <limits>

#include "SimTestSupport.h"

namespace SimTest {
namespace {

using NotSimulated = SimFixture;

// Calls one operation with the given handle; withPointers false passes null for every
// pointer the operation needs besides the handle.
struct Case {
    const char* name;
    bool takesPointers;
    std::function<int(void* handle, bool withPointers)> call;
};

std::vector<Case> HandleCases()
{
    static unsigned char pixels[16];
    static MvPixelConvertParamEx convert{};
    convert.pSrcData = pixels;
    convert.pDstBuffer = pixels;
    static MvCcmParamEx ccm{};
    auto p = [](bool with, auto* pointer) { return with ? pointer : nullptr; };
    return {
        {"MV_CC_ConvertPixelTypeEx", true, [=](void* h, bool w) { return MV_CC_ConvertPixelTypeEx(h, p(w, &convert)); }},
        {"MV_CC_SetBayerCvtQuality", false, [](void* h, bool) { return MV_CC_SetBayerCvtQuality(h, 1); }},
        {"MV_CC_SetBayerGammaValue", false, [](void* h, bool) { return MV_CC_SetBayerGammaValue(h, 0.7f); }},
        {"MV_CC_SetBayerCCMParamEx", true, [=](void* h, bool w) { return MV_CC_SetBayerCCMParamEx(h, p(w, &ccm)); }},
    };
}

TEST_F(NotSimulated, HandleOperationsCheckArgumentsThenAnswerNotSupported)
{
    void* handle = OpenHandle(0);
    ASSERT_NE(handle, nullptr);
    int anything = 0;
    CamSim_ResetCallCounts();
    for (const Case& c : HandleCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Code(c.call(nullptr, true)), MV_E_HANDLE);
        EXPECT_EQ(Code(c.call(&anything, true)), MV_E_HANDLE);  // not a handle the SDK made
        if (c.takesPointers) {
            EXPECT_EQ(Code(c.call(handle, false)), MV_E_PARAMETER);
        }
        EXPECT_EQ(Code(c.call(handle, true)), MV_E_SUPPORT);
        // The calls are counted under the operation's own name.
        EXPECT_EQ(CamSim_GetCallCount(c.name), c.takesPointers ? 4u : 3u);
        ASSERT_EQ(Code(CamSim_FailNext(c.name, 1, MV_E_BUSY)), MV_OK);
        EXPECT_EQ(Code(c.call(handle, true)), MV_E_BUSY);
        EXPECT_EQ(Code(c.call(handle, true)), MV_E_SUPPORT);
    }
}

TEST_F(NotSimulated, ValueChecksBeyondNullPointers)
{
    void* handle = CreateHandle(0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(Code(MV_CC_SetBayerGammaValue(handle, 0.0f)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_SetBayerGammaValue(handle, std::numeric_limits<float>::quiet_NaN())), MV_E_PARAMETER);
    MvPixelConvertParamEx convert{};
    EXPECT_EQ(Code(MV_CC_ConvertPixelTypeEx(handle, &convert)), MV_E_PARAMETER);
}

}  // namespace
}  // namespace SimTest
