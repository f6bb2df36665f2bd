#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/HostOptions.h"

using OrnicHost::Options;

namespace {

bool Parse(const std::vector<std::string>& args, Options& options, std::string& error)
{
    options = Options{};
    error.clear();
    return OrnicHost::ParseOptions(args, options, error);
}

}  // namespace

TEST(HostOptions, DefaultsListAndGrabDefaults)
{
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({}, o, error)) << error;
    EXPECT_EQ(o.command, "list");
    ASSERT_TRUE(Parse({"grab"}, o, error)) << error;
    EXPECT_EQ(o.command, "grab");
    EXPECT_EQ(o.frames, 5);
    EXPECT_EQ(o.firstPort, 0);
    EXPECT_EQ(o.timeoutMs, 5000);
    EXPECT_EQ(o.outDir, "ornic-frames");
    EXPECT_EQ(o.logLevel, -1);
    EXPECT_TRUE(o.systemPath.empty());
    EXPECT_TRUE(o.cameras.empty());
}

TEST(HostOptions, EveryOptionInBothForms)
{
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--frames", "3", "--port=4", "--camera", "A (1)", "--camera=B", "grab", "--out", "d",
                       "--format=bmp", "--log-level", "3", "--log-file=l.txt", "--system-path", "s", "--driver",
                       "lib.so", "--timeout-ms=250", "--quiet"},
                      o, error))
        << error;
    EXPECT_EQ(o.command, "grab");
    EXPECT_EQ(o.frames, 3);
    EXPECT_EQ(o.firstPort, 4);
    EXPECT_EQ(o.cameras, (std::vector<std::string>{"A (1)", "B"}));
    EXPECT_EQ(o.outDir, "d");
    EXPECT_EQ(o.format, OrnicHost::ImageFormat::Bmp);
    EXPECT_EQ(o.logLevel, 3);
    EXPECT_EQ(o.logFile, "l.txt");
    EXPECT_EQ(o.systemPath, "s");
    EXPECT_EQ(o.driverFile, "lib.so");
    EXPECT_EQ(o.timeoutMs, 250);
    EXPECT_TRUE(o.quiet);
    ASSERT_TRUE(Parse({"--help"}, o, error));
    EXPECT_TRUE(o.help);
}

TEST(HostOptions, MalformedNumbersAndRangesAreRefused)
{
    Options o;
    std::string error;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--frames", "0"},
                                               {"--frames", "5x"},
                                               {"--frames", ""},
                                               {"--frames", "99999999999999999999"},
                                               {"--log-level", "4"},
                                               {"--log-level", "-1"},
                                               {"--port", "-1"},
                                               {"--timeout-ms", "0"},
                                               {"--frames"},
                                               {"--format", "jpg"},
                                               {"--camera", ""},
                                               {"--out", ""}}) {
        EXPECT_FALSE(Parse(args, o, error)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(HostOptions, UnknownOptionsAndCommandsAreRefused)
{
    Options o;
    std::string error;
    EXPECT_FALSE(Parse({"--frame", "3"}, o, error));
    EXPECT_NE(error.find("--frame"), std::string::npos);
    EXPECT_FALSE(Parse({"snap"}, o, error));
    EXPECT_FALSE(Parse({"list", "grab"}, o, error));
    EXPECT_FALSE(Parse({"--quiet=yes"}, o, error));
}

TEST(HostOptions, PropertyCommandsAndGrabSettings)
{
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"get", "Width", "--camera", "A (1)"}, o, error)) << error;
    EXPECT_EQ(o.command, "get");
    EXPECT_EQ(o.arguments, (std::vector<std::string>{"Width"}));
    ASSERT_TRUE(Parse({"set", "OffsetX", "-8"}, o, error)) << error;
    EXPECT_EQ(o.setValue, -8);
    ASSERT_TRUE(Parse({"cmd", "set", "TriggerMode=On"}, o, error)) << error;
    EXPECT_EQ(o.arguments, (std::vector<std::string>{"set", "TriggerMode=On"}));
    ASSERT_TRUE(Parse({"cmd", "save"}, o, error)) << error;
    ASSERT_TRUE(Parse({"grab", "--set", "Width=640", "--set=PixelFormat=Mono8", "--continuous"}, o, error)) << error;
    using Setting = std::pair<std::string, std::string>;
    EXPECT_EQ(o.settings, (std::vector<Setting>{{"Width", "640"}, {"PixelFormat", "Mono8"}}));
    EXPECT_TRUE(o.continuous);

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"get"},
                                                                                      {"get", "a", "b"},
                                                                                      {"range"},
                                                                                      {"set", "Width"},
                                                                                      {"set", "Width", "wide"},
                                                                                      {"cmd"},
                                                                                      {"cmd", "set", "a=1", "b"},
                                                                                      {"grab", "--set", "Width"},
                                                                                      {"grab", "--set", "=5"},
                                                                                      {"get", "Width", "--continuous"},
                                                                                      {"grab", "--continuous=1"}}) {
        EXPECT_FALSE(Parse(args, o, error)) << args[0] << " " << args.size();
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(HostOptions, ConfigureTakesACameraAndAPort)
{
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"configure", "--camera", "SIM-GM130 (S1000001)", "--port=3"}, o, error)) << error;
    EXPECT_EQ(o.command, "configure");
    ASSERT_EQ(o.cameras.size(), 1u);
    EXPECT_EQ(o.cameras[0], "SIM-GM130 (S1000001)");
    EXPECT_EQ(o.firstPort, 3);
}
