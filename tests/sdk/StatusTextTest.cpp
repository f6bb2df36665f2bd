// The SDK binding's texts: status codes and the SDK version, as log lines show them.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "sdk/MvStatus.h"

TEST(StatusTextTest, ListedAndUnlistedCodes)
{
    EXPECT_EQ(StatusText(0), "OK");
    EXPECT_EQ(StatusText(0x80000000u), " Error or invalid handle");
    EXPECT_EQ(StatusText(0x8000000Du), " No Avaliable Buffer");
    EXPECT_EQ(StatusText(0x800004FFu), " Unknown error during upgrade");
    EXPECT_EQ(StatusText(0x80000005u), "Unrecognized code 2147483653");
    EXPECT_EQ(StatusText(1u), "Unrecognized code 1");
}

TEST(StatusTextTest, UnlistedCodesOnTwoThreadsKeepTheirOwnText)
{
    std::atomic<int> wrong{0};
    auto format = [&wrong](uint32_t code, const std::string& expected) {
        for (int i = 0; i < 5000; ++i) {
            if (StatusText(code) != expected) ++wrong;
        }
    };
    std::thread a(format, 0x80000005u, "Unrecognized code 2147483653");
    std::thread b(format, 7u, "Unrecognized code 7");
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(SdkVersionTextTest, OneDecimalFieldPerByte)
{
    EXPECT_EQ(SdkVersionText(0x04030201u), "4.3.2.1");
    EXPECT_EQ(SdkVersionText(0x03020100u), "3.2.1.0");
    EXPECT_EQ(SdkVersionText(0xFF00000Au), "255.0.0.10");
}
