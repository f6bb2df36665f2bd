#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "platform/Platform.h"
#include "support/LineCollector.h"
#include "support/TempDir.h"
#include "util/Globals.h"

namespace {

LineCollector hostLines;
void CollectHostLine(const char* line)
{
    hostLines.Add(line);
}

}  // namespace

TEST(GlobalsTest, SystemPathGivesTheIniFileNames)
{
    TempDir dir;
    Globals globals;
    EXPECT_EQ(globals.DefaultIniFile(), "");
    globals.InitPath(dir.Path().c_str());
    EXPECT_EQ(globals.SystemPath(), dir.Path());
    EXPECT_EQ(globals.DefaultIniFile(), Platform::JoinPath(dir.Path(), "ornic.ini"));
    EXPECT_EQ(globals.ActiveIniFile(), globals.DefaultIniFile());
}

TEST(GlobalsTest, OlderIniFileIsTakenOverOnce)
{
    TempDir dir;
    dir.Write("CamDriver.ini", "[General]\nlogDebugView=2\n");
    Globals globals;
    globals.InitPath(dir.Path().c_str());
    EXPECT_EQ(dir.Read("ornic.ini"), "[General]\nlogDebugView=2\n");

    // The next start finds the new file and leaves it alone.
    dir.Write("CamDriver.ini", "[General]\nlogDebugView=3\n");
    globals.InitPath(dir.Path().c_str());
    EXPECT_EQ(dir.Read("ornic.ini"), "[General]\nlogDebugView=2\n");
}

TEST(GlobalsTest, OlderIniFileIsIgnoredWhenBothExist)
{
    TempDir dir;
    dir.Write("CamDriver.ini", "[General]\nlogDebugView=3\n");
    dir.Write("ornic.ini", "[General]\nlogDebugView=2\n");
    Globals globals;
    globals.InitPath(dir.Path().c_str());
    EXPECT_EQ(dir.Read("ornic.ini"), "[General]\nlogDebugView=2\n");
}

TEST(GlobalsTest, InitAllRefusesAMissingPathOrProcedure)
{
    TempDir dir;
    Globals globals;
    Util_2_1::Logger logger;
    EXPECT_FALSE(globals.InitAll(nullptr, &CollectHostLine, logger));
    EXPECT_FALSE(globals.InitAll("", &CollectHostLine, logger));
    EXPECT_FALSE(globals.InitAll(dir.Path().c_str(), nullptr, logger));
    EXPECT_FALSE(logger.Running());
    EXPECT_EQ(logger.ElementsAlive(), 0);
}

// The logger keys of section General, read once per start.
struct BufferCase {
    const char* ini;
    int elements;
    int debugViewLevel;
};

class GlobalsBufferCountTest : public testing::TestWithParam<BufferCase> {};

TEST_P(GlobalsBufferCountTest, LoggerStartsWithTheConfiguredElements)
{
    const BufferCase& c = GetParam();
    TempDir dir;
    dir.Write("ornic.ini", c.ini);
    Globals globals;
    {
        Util_2_1::Logger logger;
        ASSERT_TRUE(globals.InitAll(dir.Path().c_str(), &CollectHostLine, logger));
        EXPECT_EQ(logger.ElementsAlive(), c.elements);
        EXPECT_EQ(globals.DebugViewLevel(), c.debugViewLevel);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, GlobalsBufferCountTest,
                         testing::Values(BufferCase{"", 500, 1},
                                         BufferCase{"[General]\nlogDebugBufferCount=0\n", 500, 1},
                                         BufferCase{"[general]\nLOGDEBUGBUFFERCOUNT=-4\n", 500, 1},
                                         BufferCase{"[General]\nlogDebugBufferCount=50\n", 50, 1},
                                         BufferCase{"[General]\nlogDebugBufferCount=50\nlogDebugView=3\n", 50, 3}));

TEST(GlobalsTest, DebugViewLevelComesFromTheIniFile)
{
    TempDir dir;
    Globals globals;
    Util_2_1::Logger logger;
    globals.SetDebugViewLevel(2);
    dir.Write("ornic.ini", "[General]\nlogDebugView=3\n");
    ASSERT_TRUE(globals.InitAll(dir.Path().c_str(), &CollectHostLine, logger));
    EXPECT_EQ(globals.DebugViewLevel(), 3);
    EXPECT_TRUE(globals.DebugMode());
    logger.Shutdown();

    // Missing key: back to the default 1, not the value from before.
    dir.Write("ornic.ini", "[General]\n");
    Util_2_1::Logger second;
    ASSERT_TRUE(globals.InitAll(dir.Path().c_str(), &CollectHostLine, second));
    EXPECT_EQ(globals.DebugViewLevel(), 1);
    second.Shutdown();

    // Not a number: 0, which silences the debug view.
    dir.Write("ornic.ini", "[General]\nlogDebugView=loud\n");
    Util_2_1::Logger third;
    ASSERT_TRUE(globals.InitAll(dir.Path().c_str(), &CollectHostLine, third));
    EXPECT_EQ(globals.DebugViewLevel(), 0);
    third.Shutdown();
}

TEST(GlobalsTest, IntegerReadTakesTheLeadingNumber)
{
    TempDir dir;
    dir.Write("a.ini", "[S]\nplain=42\nsigned=-7\ntrailing=12abc\nword=abc\nspaced=  9  \n");
    const std::string file = dir.File("a.ini");
    EXPECT_EQ(Globals::ReadIniInt(file, "S", "plain", 5), 42);
    EXPECT_EQ(Globals::ReadIniInt(file, "S", "signed", 5), -7);
    EXPECT_EQ(Globals::ReadIniInt(file, "S", "trailing", 5), 12);
    EXPECT_EQ(Globals::ReadIniInt(file, "S", "word", 5), 0);
    EXPECT_EQ(Globals::ReadIniInt(file, "S", "spaced", 5), 9);
    EXPECT_EQ(Globals::ReadIniInt(file, "S", "missing", 5), 5);
    EXPECT_EQ(Globals::ReadIniInt(dir.File("none.ini"), "S", "plain", -3), -3);
}

TEST(GlobalsTest, SetIniFileChoosesTheActiveFile)
{
    TempDir dir;
    Globals globals;
    globals.InitPath(dir.Path().c_str());

    // Relative: only the file name counts, placed in the system directory.
    EXPECT_TRUE(globals.SetIniFile("cams\\line2.ini"));
    EXPECT_EQ(globals.ActiveIniFile(), Platform::JoinPath(dir.Path(), "line2.ini"));
    EXPECT_TRUE(globals.SetIniFile("cams/line3.ini"));
    EXPECT_EQ(globals.ActiveIniFile(), Platform::JoinPath(dir.Path(), "line3.ini"));

    // Absolute: kept as given.
    const std::string absolute = dir.File("other.ini");
    EXPECT_TRUE(globals.SetIniFile(absolute.c_str()));
    EXPECT_EQ(globals.ActiveIniFile(), absolute);

    // No file name: refused, nothing changes.
    const std::string directoryOnly = dir.Path() + Platform::PathSeparator();
    EXPECT_FALSE(globals.SetIniFile(directoryOnly.c_str()));
    EXPECT_FALSE(globals.SetIniFile("cams\\"));
    EXPECT_EQ(globals.ActiveIniFile(), absolute);

    // The default again, by its name in any case, or by nothing.
    EXPECT_TRUE(globals.SetIniFile("defaultinifile"));
    EXPECT_EQ(globals.ActiveIniFile(), globals.DefaultIniFile());
    EXPECT_TRUE(globals.SetIniFile(absolute.c_str()));
    EXPECT_TRUE(globals.SetIniFile(nullptr));
    EXPECT_EQ(globals.ActiveIniFile(), globals.DefaultIniFile());
}

// The host may set the system path while a camera's control thread reads the file names.
TEST(GlobalsTest, PathsChangeWhileOtherThreadsReadThem)
{
    TempDir a;
    TempDir b;
    Globals globals;
    globals.InitPath(a.Path().c_str());
    std::set<std::string> paths, defaults, active;
    for (const TempDir* dir : {&a, &b}) {
        paths.insert(dir->Path());
        defaults.insert(Platform::JoinPath(dir->Path(), "ornic.ini"));
        active.insert(Platform::JoinPath(dir->Path(), "ornic.ini"));
        active.insert(Platform::JoinPath(dir->Path(), "line.ini"));
    }
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            globals.InitPath((i % 2 == 0 ? b : a).Path().c_str());
            if (i % 100 == 0) globals.SetIniFile(i % 200 == 0 ? "line.ini" : nullptr);
        }
        done = true;
    });
    int reads = 0;
    while (!done.load() || reads == 0) {
        ASSERT_EQ(paths.count(globals.SystemPath()), 1u);
        ASSERT_EQ(defaults.count(globals.DefaultIniFile()), 1u);
        ASSERT_EQ(active.count(globals.ActiveIniFile()), 1u);
        ++reads;
    }
    writer.join();
}
