// Damaged ini files, as a crash, a disk fault or a careless edit leave them: every read gives
// the stored value where it is still readable and the default elsewhere, and nothing crashes.
// The POSIX reader also tells what it found, in one error line per IniFile; the Windows profile
// functions tell nothing.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <string>

#include "support/GlobalLog.h"
#include "support/TempDir.h"
#include "util/IniFile.h"
#include "util/Param.h"

using namespace Util_2_1;

namespace {

#ifdef _WIN32
constexpr bool kReaderTellsDamage = false;
#else
constexpr bool kReaderTellsDamage = true;
#endif

// Bytes of every value, the same on every build; the leading byte keeps the file from looking
// like UTF-16 to the Windows reader.
std::string Garbage(size_t size)
{
    std::mt19937 random(20241210);
    std::string bytes(1, '\x01');
    while (bytes.size() < size) bytes += static_cast<char>(random() & 0xFF);
    return bytes;
}

struct BrokenCase {
    const char* label;
    std::string content;
    const char* gain;      // "Gain" of port 0 as read, "default" when it is not readable
    const char* exposure;  // "ExposureTime" likewise
    bool sectionExists;    // the port 0 section
    const char* damage;    // what the POSIX reader reports (part of the line), or null
};

const std::string kTenMegabytes(10 * 1024 * 1024, 'x');

const BrokenCase kCases[] = {
    {"binary garbage", Garbage(4096), "default", "default", false, "control characters"},
    {"garbage before good sections", Garbage(4096) + "\r\n[Port.0.0]\r\nGain=7\r\nExposureTime=100\r\n", "7", "100",
     true, "control characters"},
    {"a 10 MB value", "[Port.0.0]\r\nGain=7\r\nHuge=" + kTenMegabytes + "\r\nExposureTime=100\r\n", "7", "100", true,
     "line 3 is too long (10485765 characters)"},
    {"a 10 MB line without line end", "[Port.0.0]\r\nGain=7\r\n" + kTenMegabytes, "7", "default", true,
     "line 3 is too long"},
    {"sections without keys", "[General]\r\n[Port.0.0]\r\n[Port.0.1]\r\n", "default", "default", true, nullptr},
    {"keys without '='", "[Port.0.0]\r\nGain\r\nExposureTime 100\r\nOffsetX=3\r\n", "default", "default", true,
     "line 2 is neither a section, a key with '=' nor a comment; 2 damaged lines in all"},
    {"a header without ']'", "[Port.0.0\r\nGain=7\r\n", "default", "default", false,
     "line 1 opens a section without ']'"},
    {"keys before the first section", "Gain=7\r\n[Port.0.0]\r\nExposureTime=100\r\n", "default", "100", true,
     "line 1 is a key before the first section"},
    {"NUL bytes after a value", "[Port.0.0]\r\nGain=7" + std::string(2, '\0') + "\r\nExposureTime=100\r\n", "7", "100",
     true, "line 2 holds control characters"},
    {"comments and an end-of-file mark", "; kept\r\n[Port.0.0]\r\n# note\r\nGain=7\r\n\x1a", "7", "default", true,
     nullptr},
};

class BrokenIniFileTest : public testing::TestWithParam<BrokenCase> {};

}  // namespace

TEST_P(BrokenIniFileTest, ReadsWhatIsReadableAndDefaultsTheRest)
{
    const BrokenCase& c = GetParam();
    TempDir dir;
    dir.Write("ornic.ini", c.content);
    const std::string file = dir.File("ornic.ini");
    {
        IniFile ini(file, 0);
        EXPECT_EQ(ini.SectionExists(), c.sectionExists);
        EXPECT_FALSE(ini.CameraMatches("SIM-GM130 (S1)"));
        EXPECT_STREQ(ini.GetString("Gain", "default"), c.gain);
        ParamFloat exposure("ExposureTime");
        exposure.SetText("default");
        ini.ReadParam(&exposure);
        EXPECT_EQ(exposure.GetTextString(), c.exposure);
        ParamInt general("logDebugView");
        general.SetFlags(FlagGeneral);
        general.SetInt(1);
        ini.ReadParam(&general);
        EXPECT_EQ(general.GetInt(), 1);
    }

    FlushGlobalLog();
    const size_t lines = GlobalLog().Count(file + " is damaged");
    if (kReaderTellsDamage && c.damage != nullptr) {
        EXPECT_EQ(lines, 1u) << "one line per IniFile, however often it reads";
        EXPECT_NE(GlobalLog().Find(file + " is damaged").find(c.damage), std::string::npos)
            << GlobalLog().Find(file + " is damaged");
    } else {
        EXPECT_EQ(lines, 0u) << GlobalLog().Find(file + " is damaged");
    }

    // Writing into the damaged file works, and the key reads back.
    IniFile ini(file, 0);
    EXPECT_TRUE(ini.WriteString("Gain", "9"));
    EXPECT_STREQ(ini.GetString("Gain", "default"), "9");
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenIniFileTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<BrokenCase>& info) {
                             std::string name;
                             for (const char* p = info.param.label; *p != '\0'; ++p) {
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             }
                             return name;
                         });
