#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "util/Param.h"

using namespace Util_2_1;

namespace {

std::string Range(const Param& p)
{
    std::ostringstream out;
    p.WriteRange(out);
    return out.str();
}

std::unique_ptr<ParamEnum> OffOn()
{
    auto e = std::make_unique<ParamEnum>("TriggerMode");
    e->SetEntries({{"Off", 0, 1}, {"On", 1, 1}});
    return e;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text conversions of the value record

struct TextCase {
    const char* text;
    int64_t i64;
    double d;
    const char* stored;
};

class ParamValueTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(ParamValueTextTest, TextGivesAllThreeViews)
{
    const TextCase& c = GetParam();
    ParamInt p("Width");
    p.SetText(c.text);
    EXPECT_EQ(p.Value().i64, c.i64);
    EXPECT_DOUBLE_EQ(p.Value().d, c.d);
    EXPECT_EQ(p.GetTextString(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParamValueTextTest,
    testing::Values(
        TextCase{"TRUE", 1, 1.0, "true"}, TextCase{"False", 0, 0.0, "false"}, TextCase{"12abc", 12, 12.0, "12abc"},
        TextCase{"  -7.5e1x", -7, -75.0, "  -7.5e1x"}, TextCase{"+42", 42, 42.0, "+42"}, TextCase{".5", 0, 0.5, ".5"},
        TextCase{"-.5", 0, -0.5, "-.5"}, TextCase{"+-5", 0, 0.0, "+-5"}, TextCase{"1e", 1, 1.0, "1e"},
        TextCase{"abc", 0, 0.0, "abc"}, TextCase{"", 0, 0.0, ""}, TextCase{"truex", 0, 0.0, "truex"},
        // Not numbers here, though strtod would take them.
        TextCase{"inf", 0, 0.0, "inf"}, TextCase{"nan", 0, 0.0, "nan"},
        // Hexadecimal texts, as written for hex values, read back as their value.
        TextCase{"0xFF", 255, 255.0, "0xFF"}, TextCase{"0x1a", 26, 26.0, "0x1a"}, TextCase{"0x", 0, 0.0, "0x"},
        TextCase{"99999999999999999999", std::numeric_limits<int64_t>::max(), 1e20, "99999999999999999999"}));

TEST(ParamValueTest, NullTextChangesNothing)
{
    ParamString p("DeviceUserID");
    p.SetText("cam");
    p.SetText(static_cast<const char*>(nullptr));
    EXPECT_STREQ(p.GetText(), "cam");
}

TEST(ParamValueTest, OutOfRangeDoubleTextsSaturateLikeStrtod)
{
    ParamFloat p("Gain");
    p.SetText("1e999");
    EXPECT_TRUE(std::isinf(p.GetDouble()));
    EXPECT_GT(p.GetDouble(), 0);
    p.SetText("-1e-999");
    EXPECT_EQ(p.GetDouble(), 0.0);
    EXPECT_STREQ(p.GetText(), "-1e-999");
}

TEST(ParamValueTest, MaxMarkersReadBackAsExtremes)
{
    ParamFloat p("ExposureTime");
    p.SetDouble(1e302);
    ASSERT_STREQ(p.GetText(), "+max");
    ParamFloat back("ExposureTime");
    back.SetText(p.GetText());
    EXPECT_GT(back.GetDouble(), 1e301);
    back.SetText("-max");
    EXPECT_LT(back.GetDouble(), -1e301);
}

struct DoubleCase {
    double x;
    int32_t precision;
    const char* text;
};

class DoubleTextTest : public testing::TestWithParam<DoubleCase> {};

TEST_P(DoubleTextTest, Text)
{
    const DoubleCase& c = GetParam();
    EXPECT_EQ(ParamValue::DoubleText(c.x, c.precision), c.text) << c.x << " p=" << c.precision;
    // The record's own precision is the one a SetDouble uses.
    ParamValue v;
    v.precision = c.precision;
    v.SetDouble(c.x);
    EXPECT_EQ(v.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DoubleTextTest,
    testing::Values(DoubleCase{12.5, -1, "12.5"}, DoubleCase{12.34, -1, "12.3"}, DoubleCase{0.05, -1, "0.05"},
                    DoubleCase{0.1234, -1, "0.12"}, DoubleCase{0.01234, -1, "0.012"}, DoubleCase{0.0004, -1, "0.0004"},
                    DoubleCase{2.0, -1, "2"}, DoubleCase{0.0, -1, "0"}, DoubleCase{1e302, -1, "+max"},
                    DoubleCase{1e302, 3, "+max"}, DoubleCase{100.0, 0, "100"}, DoubleCase{2.5, 2, "2.5"},
                    DoubleCase{3.0, 3, "3"}, DoubleCase{1.23456, 4, "1.2346"}, DoubleCase{100000000.0, -1, "100000000"},
                    DoubleCase{123456789.0, 2, "1.23457e+08"}, DoubleCase{3e10, -1, "3e+10"},
                    // The negative side mirrors the positive one.
                    DoubleCase{-12.34, -1, "-12.3"}, DoubleCase{-0.05, -1, "-0.05"},
                    DoubleCase{-123456789.0, -1, "-1.23457e+08"}, DoubleCase{-1e302, -1, "-max"},
                    DoubleCase{-0.0000001, -1, "0"}, DoubleCase{-0.0, 2, "0"}));

TEST(ParamValueTest, DoubleSetsTruncatedInteger)
{
    ParamFloat p("Gain");
    p.SetDouble(-2.7);
    EXPECT_EQ(p.GetInt64(), -2);
    EXPECT_DOUBLE_EQ(p.GetDouble(), -2.7);
    p.SetDouble(1e300);  // beyond 64 bits: clamped, not undefined
    EXPECT_EQ(p.GetInt64(), std::numeric_limits<int64_t>::max());
    p.SetDouble(-1e300);
    EXPECT_EQ(p.GetInt64(), std::numeric_limits<int64_t>::min());
    p.SetDouble(std::nan(""));
    EXPECT_EQ(p.GetInt64(), 0);
}

TEST(ParamValueTest, IntegerSetters)
{
    ParamInt p("Width");
    p.SetUInt(4294967295u);
    EXPECT_EQ(p.GetInt64(), 4294967295LL);
    EXPECT_STREQ(p.GetText(), "4294967295");
    EXPECT_EQ(p.GetInt(), -1);  // the low 32 bits
    p.SetInt(-5);
    EXPECT_EQ(p.GetInt64(), -5);
    EXPECT_DOUBLE_EQ(p.GetDouble(), -5.0);
    EXPECT_STREQ(p.GetText(), "-5");
    p.SetInt64(0x100000005LL);
    EXPECT_EQ(p.GetInt(), 5);
    EXPECT_STREQ(p.GetText(), "4294967301");
    p.SetLong(7L);
    EXPECT_EQ(p.GetInt64(), 7);
    p.SetBool(true);
    EXPECT_TRUE(p.GetBool());
    EXPECT_STREQ(p.GetText(), "true");
    p.SetEnumValue(3);
    EXPECT_EQ(p.GetInt(), 3);
}

TEST(ParamValueTest, HexTexts)
{
    ParamInt p("GevMACAddress");
    p.SetHex(true);
    p.SetInt(255);
    EXPECT_STREQ(p.GetText(), "0xFF");
    p.SetInt(-1);
    EXPECT_STREQ(p.GetText(), "0xFFFFFFFF");
    p.SetInt64(0x1234567890ABLL);
    EXPECT_STREQ(p.GetText(), "0x1234567890AB");

    // The hex text reads back as the same number.
    ParamInt back("GevMACAddress");
    back.SetText(p.GetText());
    EXPECT_EQ(back.GetInt64(), 0x1234567890ABLL);

    // Switching hex re-formats value, minimum and maximum from their integers.
    ParamInt q("GevMCDA");
    q.SetInt(4096);
    q.Minimum().SetInt(0);
    q.Maximum().SetInt(65535);
    q.SetHex(true);
    EXPECT_STREQ(q.GetText(), "0x1000");
    EXPECT_EQ(q.Minimum().text, "0x0");
    EXPECT_EQ(q.Maximum().text, "0xFFFF");
    q.SetHex(false);
    EXPECT_STREQ(q.GetText(), "4096");
}

TEST(ParamValueTest, PrecisionReformatsNumbersOnly)
{
    ParamFloat f("ExposureTime");
    f.SetDouble(12.3456);
    f.Minimum().SetDouble(0.5);
    f.Maximum().SetDouble(1000.25);
    f.SetPrecision(3);
    EXPECT_STREQ(f.GetText(), "12.346");
    EXPECT_EQ(f.Minimum().text, "0.5");
    EXPECT_EQ(f.Maximum().text, "1000.25");
    f.SetDouble(1.23456);
    EXPECT_STREQ(f.GetText(), "1.235");

    // A whole integer keeps its exact integer text; a fraction kept in the real view shows.
    ParamInt i("ReconnectWaitSeconds");
    i.SetInt(123456789);
    i.SetPrecision(1);
    EXPECT_STREQ(i.GetText(), "123456789");
    i.SetDouble(1.5);
    EXPECT_STREQ(i.GetText(), "1.5");
    EXPECT_DOUBLE_EQ(i.GetDouble(), 1.5);

    ParamString s("DeviceUserID");
    s.SetText("left camera");
    s.SetPrecision(2);
    EXPECT_STREQ(s.GetText(), "left camera");
}

// ---------------------------------------------------------------------------------------------
// Construction, types, flags

TEST(ParamTest, NameIsRequired)
{
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        try {
            ParamInt p(name);
            FAIL() << "no exception";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "Param ctor called without name parameter");
        }
    }
}

TEST(ParamTest, TypeCodesAndNames)
{
    EXPECT_STREQ(ParamBool("a").TypeName(), "bool");
    EXPECT_STREQ(ParamInt("a").TypeName(), "int");
    EXPECT_STREQ(ParamFloat("a").TypeName(), "float");
    EXPECT_STREQ(ParamString("a").TypeName(), "string");
    EXPECT_STREQ(ParamEnum("a").TypeName(), "enum");
    EXPECT_STREQ(ParamVector<int>("a").TypeName(), "vector");
    EXPECT_STREQ(ParamIPAddress("a").TypeName(), "ip");
    EXPECT_STREQ(Param::TypeName(0), "none");
    EXPECT_STREQ(Param::TypeName(3), "uint");
    EXPECT_STREQ(Param::TypeName(9), "command");
    EXPECT_STREQ(Param::TypeName(10), "unrec");
    EXPECT_STREQ(Param::TypeName(-1), "unrec");
}

TEST(ParamTest, FlagMasksAndEditability)
{
    ParamInt p("Width");
    EXPECT_TRUE(p.IsEditable());
    p.SetFlags(FlagGeneral | FlagHidden);
    EXPECT_TRUE(p.TestFlags(FlagGeneral | FlagHidden));
    EXPECT_FALSE(p.TestFlags(FlagGeneral | FlagReadOnly));  // all bits of the mask must be set
    EXPECT_TRUE(p.IsEditable());
    for (uint32_t blocking : {FlagUnavailable, FlagReadOnly, FlagWriteOnly}) {
        p.SetFlags(blocking);
        EXPECT_FALSE(p.IsEditable()) << blocking;
        p.ToggleFlags(blocking);
        EXPECT_TRUE(p.IsEditable()) << blocking;
    }
    p.ClearFlags(FlagHidden);
    EXPECT_EQ(p.Flags(), FlagGeneral);
}

TEST(ParamTest, NullTextsChangeNothing)
{
    ParamInt p("Width");
    p.SetSection("ImageFormatControl");
    p.SetDescription("Width of the image");
    p.SetUnit("px");
    p.SetSection(static_cast<const char*>(nullptr));
    p.SetDescription(static_cast<const char*>(nullptr));
    p.SetUnit(static_cast<const char*>(nullptr));
    EXPECT_EQ(p.Section(), "ImageFormatControl");
    EXPECT_EQ(p.Description(), "Width of the image");
    EXPECT_EQ(p.Unit(), "px");
}

// ---------------------------------------------------------------------------------------------
// Enumerations

TEST(ParamEnumTest, SelectionByNameValueAndIndex)
{
    auto owned = OffOn();
    ParamEnum& e = *owned;
    EXPECT_EQ(e.GetInt(), 0);  // the first entry once entries exist
    e.SetText("on");
    EXPECT_EQ(e.GetInt(), 1);
    EXPECT_STREQ(e.GetText(), "On");
    EXPECT_EQ(e.GetEnumIndex(), 1);
    e.SetText("Maybe");  // no such entry: unchanged
    EXPECT_EQ(e.GetInt(), 1);
    e.SetEnumValue(7);  // no such value: the first entry
    EXPECT_EQ(e.GetInt(), 0);
    e.SetEnumIndex(1);
    EXPECT_EQ(e.GetInt(), 1);
    e.SetEnumIndex(5);  // out of range: unchanged
    e.SetEnumIndex(-1);
    EXPECT_EQ(e.GetInt(), 1);
    e.SetInt64(0x100000000LL);  // the low 32 bits select
    EXPECT_EQ(e.GetInt(), 0);
    e.SetUInt(1);
    EXPECT_EQ(e.GetInt64(), 1);
}

TEST(ParamEnumTest, IgnoredSettersAndOtherViews)
{
    auto owned = OffOn();
    ParamEnum& e = *owned;
    e.SetText("On");
    e.SetBool(false);
    e.SetDouble(0.0);
    ParamValue v;
    v.SetInt(0);
    e.SetValue(v);
    EXPECT_EQ(e.GetInt(), 1);
    EXPECT_FALSE(e.GetBool());
    EXPECT_EQ(e.GetDouble(), 0.0);
    EXPECT_EQ(e.GetEnumCount(), 2);
    EXPECT_EQ(e.GetEnumEntry(1).name, "On");
    EXPECT_EQ(e.GetEnumEntry(2).name, "");
    EXPECT_EQ(e.GetEnumEntry(-1).name, "");
}

TEST(ParamEnumTest, NoEntries)
{
    ParamEnum e("PixelFormat");
    e.SetEnumValue(3);
    EXPECT_EQ(e.GetInt(), -1);
    EXPECT_STREQ(e.GetText(), "");
    EXPECT_EQ(e.GetEnumIndex(), 0);
    EXPECT_EQ(e.GetInt64(), -1);  // sign-extended
}

TEST(ParamEnumTest, EntryListsReselect)
{
    ParamEnum e("ForceColorMode");
    e.SetEnumEntries({"auto", "mono", "color"});
    EXPECT_EQ(e.GetEnumEntry(2).value, 2);
    e.SetText("COLOR");
    EXPECT_EQ(e.GetInt(), 2);
    e.SetEnumEntries({"auto", "mono"});  // value 2 is gone: the first entry
    EXPECT_STREQ(e.GetText(), "auto");

    e.SetEntries({{"Low", 10, 1}, {"High", 20, 1}}, 20);
    EXPECT_STREQ(e.GetText(), "High");
    e.SetEntries({{"Mid", 15, 1}, {"High", 20, 1}});  // the old current again
    EXPECT_STREQ(e.GetText(), "High");
    EXPECT_EQ(e.GetEnumIndex(), 1);
}

// ---------------------------------------------------------------------------------------------
// IP addresses

struct IpCase {
    const char* text;
    bool accepted;
    uint32_t address;
    const char* shown;
};

class ParamIPAddressTest : public testing::TestWithParam<IpCase> {};

TEST_P(ParamIPAddressTest, Parse)
{
    const IpCase& c = GetParam();
    ParamIPAddress p("GevCurrentIPAddress");
    p.SetText("1.2.3.4");
    p.SetText(c.text);
    if (c.accepted) {
        EXPECT_EQ(p.Address(), c.address);
        EXPECT_STREQ(p.GetText(), c.shown);
    } else {
        EXPECT_EQ(p.Address(), 0x01020304u);
        EXPECT_STREQ(p.GetText(), "1.2.3.4");
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ParamIPAddressTest,
                         testing::Values(IpCase{"192.168.1.10", true, 0xC0A8010Au, "192.168.1.10"},
                                         IpCase{"010.0.0.1", true, 0x0A000001u, "10.0.0.1"},
                                         IpCase{"255.255.255.255", true, 0xFFFFFFFFu, "255.255.255.255"},
                                         IpCase{"0.0.0.0", true, 0u, "0.0.0.0"}, IpCase{"192.168.1", false, 0, ""},
                                         IpCase{"1.2.3.256", false, 0, ""}, IpCase{"1.2.3.-1", false, 0, ""},
                                         IpCase{"1.2.3.4.5", false, 0, ""}, IpCase{"1..2.3", false, 0, ""},
                                         IpCase{"a.b.c.d", false, 0, ""}, IpCase{"", false, 0, ""},
                                         IpCase{"1.2.3.99999999999999999999", false, 0, ""}));

TEST(ParamIPAddressTest, Numbers)
{
    ParamIPAddress p("GevSCDA");
    EXPECT_STREQ(p.GetText(), "0.0.0.0");
    p.SetUInt(0xC0A8010Au);
    EXPECT_STREQ(p.GetText(), "192.168.1.10");
    EXPECT_EQ(p.GetInt64(), 0xC0A8010ALL);  // zero-extended
    EXPECT_EQ(p.GetInt(), static_cast<int32_t>(0xC0A8010Au));
    p.SetInt64(0x10A000001LL);  // the low 32 bits
    EXPECT_STREQ(p.GetText(), "10.0.0.1");
    p.SetInt(0x7F000001);
    EXPECT_STREQ(p.GetText(), "127.0.0.1");
    p.SetDouble(1.0);
    p.SetBool(true);
    EXPECT_EQ(p.Address(), 0x7F000001u);
    EXPECT_EQ(p.GetDouble(), 0.0);
    EXPECT_FALSE(p.GetBool());
}

// ---------------------------------------------------------------------------------------------
// Vectors

TEST(ParamVectorTest, ItemsFollowTheText)
{
    ParamVector<int> v("Offsets");
    v.SetText("4 8 15");
    EXPECT_EQ(v.Items(), (std::vector<int>{4, 8, 15}));
    EXPECT_STREQ(v.GetText(), "4 8 15");
    v.SetText("4,8");
    EXPECT_EQ(v.Items(), (std::vector<int>{4}));
    EXPECT_STREQ(v.GetText(), "4,8");
    v.SetText("  -1\t2\n3 x 4");
    EXPECT_EQ(v.Items(), (std::vector<int>{-1, 2, 3}));
    ParamValue value;
    value.SetText("16 23 42");
    v.SetValue(value);
    EXPECT_EQ(v.Items(), (std::vector<int>{16, 23, 42}));
    v.SetInt(5);  // ignored
    v.SetDouble(5.0);
    EXPECT_EQ(v.Items(), (std::vector<int>{16, 23, 42}));
    v.SetText("");
    EXPECT_TRUE(v.Items().empty());
}

TEST(ParamVectorTest, CopyFromKeepsItemsInStep)
{
    ParamVector<int> source("Offsets");
    source.SetText("1 2 3");
    ParamVector<int> target("Offsets");
    target.SetText("9");
    target.CopyFrom(source);
    EXPECT_EQ(target.Items(), (std::vector<int>{1, 2, 3}));
}

// ---------------------------------------------------------------------------------------------
// Ranges and descriptions

TEST(ParamRangeTest, WriteRangeOnlyForNumbers)
{
    ParamInt i("Width");
    i.Minimum().SetInt(0);
    i.Maximum().SetInt(100);
    i.Increment().SetInt(4);
    EXPECT_EQ(Range(i), "[0..100], increment by 4");
    i.Increment().SetInt(1);
    EXPECT_EQ(Range(i), "[0..100]");

    ParamFloat f("Gain");
    f.Minimum().SetDouble(0.5);
    f.Maximum().SetDouble(24.0);
    EXPECT_EQ(Range(f), "[0.5..24]");

    ParamString s("DeviceUserID");
    s.Minimum().SetInt(0);
    s.Maximum().SetInt(16);
    EXPECT_EQ(Range(s), "");
    std::string text;
    s.RangeText(text);
    EXPECT_EQ(text, "[0..16]");
}

TEST(DescribeParamTest, Text)
{
    ParamInt p("Width");
    p.SetInt(640);
    p.SetFlags(FlagModified | FlagGeneral);
    EXPECT_EQ(DescribeParam(p), "Width (mode A....g) (type int)=='640'(640i),(640.000000f)");

    auto owned = OffOn();
    ParamEnum& e = *owned;
    e.SetText("On");
    e.SetFlags(FlagReadOnly | FlagWriteOnly | FlagUnavailable | FlagNonCamera);
    std::ostringstream out;
    DescribeParam(out, e);
    EXPECT_EQ(out.str(), "TriggerMode (mode .RWUn.) (type enum)=='On'(1i),(0.000000f)");
}

TEST(DescribeParamTest, ParallelDescriptionsDoNotMix)
{
    ParamInt a("A");
    a.SetFlags(FlagModified | FlagReadOnly | FlagWriteOnly);
    ParamInt b("B");
    b.SetFlags(FlagUnavailable | FlagNonCamera | FlagGeneral);
    const std::string expectA = DescribeParam(a);
    const std::string expectB = DescribeParam(b);
    ASSERT_NE(expectA.find("mode ARW...)"), std::string::npos);
    int wrong = 0;
    std::thread other([&] {
        for (int i = 0; i < 2000; ++i) {
            if (DescribeParam(b) != expectB) ++wrong;
        }
    });
    int wrongHere = 0;
    for (int i = 0; i < 2000; ++i) {
        if (DescribeParam(a) != expectA) ++wrongHere;
    }
    other.join();
    EXPECT_EQ(wrong + wrongHere, 0);
}

// ---------------------------------------------------------------------------------------------
// Copies

TEST(ParamCloneTest, CopiesEverythingButIdentity)
{
    ParamFloat f("ExposureTime");
    f.SetPrecision(2);
    f.SetDouble(1234.567);
    f.Minimum().SetDouble(10.0);
    f.Maximum().SetDouble(1e6);
    f.Increment().SetDouble(0.5);
    f.SetSection("AcquisitionControl");
    f.SetDescription("Exposure time");
    f.SetUnit("us");
    f.SetFlags(FlagModified | FlagFavourite);

    std::unique_ptr<Param> copy = f.Clone();
    ASSERT_NE(dynamic_cast<ParamFloat*>(copy.get()), nullptr);
    EXPECT_EQ(copy->Name(), "ExposureTime");
    EXPECT_EQ(copy->Type(), TypeFloat);
    EXPECT_STREQ(copy->GetText(), "1234.57");
    EXPECT_DOUBLE_EQ(copy->GetDouble(), 1234.567);
    EXPECT_EQ(copy->Minimum().text, "10");
    EXPECT_EQ(copy->Maximum().text, "1000000");
    EXPECT_DOUBLE_EQ(copy->Increment().d, 0.5);
    EXPECT_EQ(copy->Section(), "AcquisitionControl");
    EXPECT_EQ(copy->Description(), "Exposure time");
    EXPECT_EQ(copy->Unit(), "us");
    EXPECT_EQ(copy->Flags(), FlagModified | FlagFavourite);
    EXPECT_EQ(copy->Precision(), 2);

    // Independent objects.
    copy->SetDouble(1.0);
    EXPECT_DOUBLE_EQ(f.GetDouble(), 1234.567);

    // CopyFrom between differently named parameters keeps the target's name and type.
    ParamInt other("Gain");
    other.CopyFrom(f);
    EXPECT_EQ(other.Name(), "Gain");
    EXPECT_EQ(other.Type(), TypeInt);
    EXPECT_DOUBLE_EQ(other.GetDouble(), 1234.567);
}

TEST(ParamCloneTest, SubclassStateIsCopied)
{
    auto owned = OffOn();
    ParamEnum& e = *owned;
    e.SetText("On");
    auto enumCopy = e.Clone();
    EXPECT_EQ(enumCopy->GetEnumCount(), 2);
    EXPECT_STREQ(enumCopy->GetText(), "On");

    ParamIPAddress ip("GevSCDA");
    ip.SetText("10.1.2.3");
    auto ipCopy = ip.Clone();
    EXPECT_STREQ(ipCopy->GetText(), "10.1.2.3");
    EXPECT_EQ(ipCopy->GetInt64(), 0x0A010203);

    ParamVector<int> v("Offsets");
    v.SetText("7 8");
    auto vectorCopy = v.Clone();
    auto* typed = dynamic_cast<ParamVector<int>*>(vectorCopy.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->Items(), (std::vector<int>{7, 8}));

    ParamBool b("ReverseX");
    b.SetBool(true);
    EXPECT_TRUE(b.Clone()->GetBool());
    ParamString s("DeviceUserID");
    s.SetText("x");
    EXPECT_STREQ(s.Clone()->GetText(), "x");
    EXPECT_EQ(s.Clone()->Type(), TypeString);
}
