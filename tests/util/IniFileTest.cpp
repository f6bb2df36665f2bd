#include <gtest/gtest.h>

#include <cfloat>
#include <functional>
#include <memory>
#include <string>

#include "support/TempDir.h"
#include "util/IniFile.h"
#include "util/Param.h"

using namespace Util_2_1;

namespace {

struct RoundTripCase {
    const char* label;
    std::function<std::unique_ptr<Param>()> make;  // a fresh, default parameter
    std::function<void(Param&)> set;               // the value to store
};

std::unique_ptr<Param> MakeEnum()
{
    auto e = std::make_unique<ParamEnum>("TriggerSource");
    e->SetEnumEntries({"Line0", "Line1", "Software"});
    return e;
}

std::unique_ptr<Param> MakeHexInt()
{
    auto p = std::make_unique<ParamInt>("GevMACAddress");
    p->SetHex(true);
    return p;
}

std::unique_ptr<Param> MakeFloat()
{
    auto p = std::make_unique<ParamFloat>("ExposureTime");
    p->SetPrecision(3);
    return p;
}

class IniFileRoundTripTest : public testing::TestWithParam<RoundTripCase> {};

}  // namespace

TEST_P(IniFileRoundTripTest, WriteThenReadIntoAFreshParameter)
{
    const RoundTripCase& c = GetParam();
    TempDir dir;
    const std::string file = dir.File("ornic.ini");
    auto source = c.make();
    c.set(*source);
    {
        IniFile ini(file, 4);
        ASSERT_TRUE(ini.WriteParam(source.get()));
    }
    IniFile ini(file, 4);
    auto restored = c.make();
    ini.ReadParam(restored.get());
    EXPECT_STREQ(restored->GetText(), source->GetText());
    EXPECT_EQ(restored->GetInt64(), source->GetInt64());
    EXPECT_DOUBLE_EQ(restored->GetDouble(), source->GetDouble());
    EXPECT_EQ(restored->GetBool(), source->GetBool());
    EXPECT_EQ(restored->GetEnumIndex(), source->GetEnumIndex());
}

INSTANTIATE_TEST_SUITE_P(
    Types, IniFileRoundTripTest,
    testing::Values(RoundTripCase{"Bool", [] { return std::make_unique<ParamBool>("ReverseX"); },
                                  [](Param& p) { p.SetBool(true); }},
                    RoundTripCase{"Int", [] { return std::make_unique<ParamInt>("Width"); },
                                  [](Param& p) { p.SetInt(-1280); }},
                    RoundTripCase{"HexInt", MakeHexInt, [](Param& p) { p.SetInt64(0x00A0B1C2D3E4LL); }},
                    RoundTripCase{"Float", MakeFloat, [](Param& p) { p.SetDouble(1234.5); }},
                    RoundTripCase{"String", [] { return std::make_unique<ParamString>("DeviceUserID"); },
                                  [](Param& p) { p.SetText("left camera #2"); }},
                    RoundTripCase{"Enum", MakeEnum, [](Param& p) { p.SetText("software"); }},
                    RoundTripCase{"Ip", [] { return std::make_unique<ParamIPAddress>("GevSCDA"); },
                                  [](Param& p) { p.SetText("192.168.10.42"); }},
                    RoundTripCase{"Vector", [] { return std::make_unique<ParamVector<int>>("Offsets"); },
                                  [](Param& p) { p.SetText("4 8 15 16"); }}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.label); });

// Floats are shown rounded; the file keeps a text that reads back as the same value, and a
// restored value shows as it is stored.
TEST(IniFileTest, FloatsAreStoredWithTheirFullValue)
{
    struct Case {
        double value;
        const char* shown;
        std::string stored;
    };
    const Case cases[] = {
        {1.2345, "1.23", "1.2345"},
        {29.97, "30", "29.97"},
        {0.123456789, "0.12", "0.123456789"},
        {-2.71828, "-2.72", "-2.71828"},
        {3000000000.5, "3e+09", "3000000000.5"},
        {3e9, "3e+09", "3000000000"},  // the shown text would read back as 3 in the integer view
        {1.25e-7, "0", "0.000000125"},
        {1e302, "+max", "1e+302"},
        {static_cast<double>(1.2345f), "1.23", "1.2345000505447388"},  // as read from a camera
        {2.5, "2.5", "2.5"},                                           // exact texts stay as they were
        {100.0, "100", "100"},
        {DBL_MAX, "+max", "+max"},
    };
    TempDir dir;
    IniFile ini(dir.File("ornic.ini"), 2);
    for (const Case& c : cases) {
        ParamFloat source("Gain");
        source.SetDouble(c.value);
        EXPECT_STREQ(source.GetText(), c.shown);
        ASSERT_TRUE(ini.WriteParam(&source));
        EXPECT_EQ(ini.GetString("Gain", ""), c.stored);
        ParamFloat restored("Gain");
        ini.ReadParam(&restored);
        EXPECT_EQ(restored.GetDouble(), c.value) << c.stored;
        EXPECT_EQ(restored.GetTextString(), c.stored);
        // Texts in exponent form give only their leading digits to the integer view.
        if (c.value < 1e16) {
            EXPECT_EQ(restored.GetInt64(), source.GetInt64()) << c.stored;
        }
    }
}

TEST(IniFileTest, VectorItemsComeBack)
{
    TempDir dir;
    ParamVector<int> source("Offsets");
    source.SetText("4 8 15");
    IniFile ini(dir.File("ornic.ini"), 0);
    ASSERT_TRUE(ini.WriteParam(&source));
    ParamVector<int> restored("Offsets");
    ini.ReadParam(&restored);
    EXPECT_EQ(restored.Items(), source.Items());
}

TEST(IniFileTest, GeneralAndPortSections)
{
    TempDir dir;
    const std::string file = dir.File("ornic.ini");
    IniFile ini(file, 2);
    EXPECT_EQ(ini.Section(), "Port.0.2");
    EXPECT_EQ(IniFile(file, 0).Section(), "Port.0.0");

    ParamInt width("Width");
    width.SetInt(640);
    ParamInt dialogWidth("lib_DialogWidth");
    dialogWidth.SetFlags(FlagGeneral);
    dialogWidth.SetInt(900);
    ASSERT_TRUE(ini.WriteParam(&width));
    ASSERT_TRUE(ini.WriteParam(&dialogWidth));
    EXPECT_EQ(dir.Read("ornic.ini"), "[Port.0.2]\r\nWidth=640\r\n[General]\r\nlib_DialogWidth=900\r\n");

    // Port 5 sees its own (missing) section but the same General keys.
    IniFile other(file, 5);
    ParamInt otherWidth("Width");
    otherWidth.SetInt(1);
    other.ReadParam(&otherWidth);
    EXPECT_EQ(otherWidth.GetInt(), 1);
    ParamInt otherDialog("lib_DialogWidth");
    otherDialog.SetFlags(FlagGeneral);
    other.ReadParam(&otherDialog);
    EXPECT_EQ(otherDialog.GetInt(), 900);

    EXPECT_STREQ(ini.GetString("width", "x"), "640");
    EXPECT_STREQ(ini.GetGeneralString("LIB_DIALOGWIDTH", "x"), "900");
    EXPECT_STREQ(ini.GetGeneralString("Width", "none"), "none");
}

TEST(IniFileTest, MissingKeyLeavesTheParameterAlone)
{
    TempDir dir;
    dir.Write("ornic.ini", "[Port.0.1]\r\nOther=1\r\n");
    IniFile ini(dir.File("ornic.ini"), 1);
    // Its text is rounded; reading that text back would change the value.
    ParamFloat gain("Gain");
    gain.SetDouble(0.123456789);
    ASSERT_STREQ(gain.GetText(), "0.12");
    ini.ReadParam(&gain);
    EXPECT_DOUBLE_EQ(gain.GetDouble(), 0.123456789);

    // A key that is present, even empty, is taken.
    dir.Write("ornic.ini", "[Port.0.1]\r\nGain=\r\n");
    ini.ReadParam(&gain);
    EXPECT_EQ(gain.GetDouble(), 0.0);
    ini.ReadParam(nullptr);
}

TEST(IniFileTest, StringsAndTheirArguments)
{
    TempDir dir;
    IniFile ini(dir.File("ornic.ini"), 3);
    EXPECT_FALSE(ini.FileExists());
    EXPECT_STREQ(ini.GetString("Key", "fallback"), "fallback");
    EXPECT_STREQ(ini.GetString(nullptr, "fallback"), "");
    EXPECT_STREQ(ini.GetString("Key", nullptr), "");

    EXPECT_FALSE(ini.WriteString(nullptr, "v"));
    EXPECT_FALSE(ini.WriteString("Key", nullptr));
    EXPECT_FALSE(ini.WriteGeneralString(nullptr, "v"));
    EXPECT_FALSE(ini.WriteParam(nullptr));
    EXPECT_FALSE(ini.FileExists());

    EXPECT_TRUE(ini.WriteString("Key", "value"));
    EXPECT_TRUE(ini.WriteGeneralString("Key", "general"));
    EXPECT_TRUE(ini.FileExists());
    EXPECT_STREQ(ini.GetString("Key", nullptr), "value");
    EXPECT_STREQ(ini.GetGeneralString("Key", ""), "general");
}

TEST(IniFileTest, LineBreaksCannotInjectKeys)
{
    TempDir dir;
    IniFile ini(dir.File("ornic.ini"), 3);
    ASSERT_TRUE(ini.WriteString("Key", "value"));
    const std::string before = dir.Read("ornic.ini");
    EXPECT_FALSE(ini.WriteString("Key", "x\r\n[General]\r\nlogDebugView=3"));
    EXPECT_FALSE(ini.WriteGeneralString("Bad\nKey", "1"));
    EXPECT_FALSE(ini.WriteString("a=b", "1"));
    EXPECT_EQ(dir.Read("ornic.ini"), before);
}

TEST(IniFileTest, LongValuesAreCut)
{
    TempDir dir;
    const std::string longValue(5000, 'v');
    dir.Write("ornic.ini",
              "[Port.0.0]\r\nLong=" + longValue + "\r\n[General]\r\nExact=" + std::string(4094, 'e') + "\r\n");
    IniFile ini(dir.File("ornic.ini"), 0);
    EXPECT_EQ(std::string(ini.GetString("Long", "")), std::string(4094, 'v'));
    EXPECT_EQ(std::string(ini.GetGeneralString("Exact", "")), std::string(4094, 'e'));
    ParamString p("Long");
    ini.ReadParam(&p);
    EXPECT_EQ(p.GetTextString().size(), 4094u);
}

TEST(IniFileTest, SectionExists)
{
    TempDir dir;
    IniFile missing(dir.File("none.ini"), 1);
    EXPECT_FALSE(missing.SectionExists());

    dir.Write("ornic.ini", "[General]\r\na=1\r\n[port.0.1]\r\nb=2\r\n[Port.0.12]\r\n");
    EXPECT_TRUE(IniFile(dir.File("ornic.ini"), 1).SectionExists());  // names compare without case
    EXPECT_TRUE(IniFile(dir.File("ornic.ini"), 12).SectionExists());
    EXPECT_FALSE(IniFile(dir.File("ornic.ini"), 2).SectionExists());
    EXPECT_FALSE(IniFile(dir.File("ornic.ini"), 0).SectionExists());
}

TEST(IniFileTest, SectionListThatDoesNotFit)
{
    TempDir dir;
    // More than 2056 characters of names; the port's own section comes first, yet is not
    // trusted from a list that was cut.
    std::string content = "[Port.0.7]\r\n$Camera=Cam1 (S1)\r\n";
    for (int i = 0; i < 200; ++i) content += "[Section" + std::to_string(1000 + i) + "]\r\nk=1\r\n";
    dir.Write("big.ini", content);
    IniFile ini(dir.File("big.ini"), 7);
    EXPECT_FALSE(ini.SectionExists());
    EXPECT_FALSE(ini.CameraMatches("Cam1 (S1)"));

    // Just short enough: found.
    std::string fits = "[Port.0.7]\r\n";
    size_t length = std::string("Port.0.7").size() + 1;
    for (int i = 0; length + 13 < 2054; ++i) {
        fits += "[Section" + std::to_string(10000 + i) + "]\r\n";
        length += 13;
    }
    dir.Write("fits.ini", fits);
    EXPECT_TRUE(IniFile(dir.File("fits.ini"), 7).SectionExists());
}

struct MatchCase {
    const char* stored;
    const char* camera;
    bool matches;
};

class CameraMatchesTest : public testing::TestWithParam<MatchCase> {};

TEST_P(CameraMatchesTest, ComparesThePartBeforeTheParenthesis)
{
    const MatchCase& c = GetParam();
    TempDir dir;
    IniFile ini(dir.File("ornic.ini"), 0);
    ASSERT_TRUE(ini.WriteString("$Camera", c.stored));
    EXPECT_EQ(ini.CameraMatches(c.camera), c.matches) << c.stored << " / " << (c.camera ? c.camera : "null");
}

INSTANTIATE_TEST_SUITE_P(Names, CameraMatchesTest,
                         testing::Values(MatchCase{"Cam1 (A)", "Cam1 (B)", true},
                                         MatchCase{"Cam1 (A)", "Cam2 (A)", false},
                                         MatchCase{"Cam1 (A)", "Cam1(A)", false},   // the blank counts
                                         MatchCase{"Cam1 (A)", "cam1 (A)", false},  // so does case
                                         MatchCase{"(A)", "(A)", false}, MatchCase{"", "", false},
                                         MatchCase{"Cam1", "Cam1", true}, MatchCase{"Cam1", "Cam1 (B)", true},
                                         MatchCase{"Cam1", "Cam", false}, MatchCase{"Cam1 (A)", nullptr, false}));

TEST(IniFileTest, CameraMatchesNeedsThePortSection)
{
    TempDir dir;
    dir.Write("ornic.ini", "[General]\r\n$Camera=Cam1 (A)\r\n[Port.0.1]\r\n$Camera=Cam1 (A)\r\n");
    EXPECT_FALSE(IniFile(dir.File("ornic.ini"), 0).CameraMatches("Cam1 (A)"));
    EXPECT_TRUE(IniFile(dir.File("ornic.ini"), 1).CameraMatches("Cam1 (A)"));
    EXPECT_FALSE(IniFile(dir.File("missing.ini"), 1).CameraMatches("Cam1 (A)"));
}
