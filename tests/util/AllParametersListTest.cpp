#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "util/AllParametersList.h"

using namespace Util_2_1;

namespace {

// The list operations that talk to a camera and a file do nothing here.
class TestList : public AllParametersList {
public:
    bool ApplyParameters() override { return true; }
    bool UpdateParameters() override { return true; }
    bool RestoreFromFile(const char*) override { return false; }
    bool SaveToFile(const char*) override { return false; }
    const char* IniFileName() override { return ""; }

    using AllParametersList::Insert;
};

// Counts destructions, to see what Add does with a parameter it refuses.
class CountedParam : public ParamInt {
public:
    explicit CountedParam(const char* name, int* destroyed) : ParamInt(name), destroyed(destroyed) {}
    ~CountedParam() override { ++*destroyed; }

private:
    int* destroyed;
};

std::vector<std::string> Names(const AllParametersList& list)
{
    std::vector<std::string> names;
    for (const auto& p : list) names.push_back(p->Name());
    return names;
}

}  // namespace

TEST(AllParametersListTest, OwnSettingsInOrder)
{
    TestList list;
    EXPECT_EQ(list.OwnFlags(), 0x62u);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"lib_Favourites", "lib_CollapsedSec", "lib_DialogWidth",
                                                     "lib_DialogHeight", "lib_DialogFontSize", "lib_DialogFavMode",
                                                     "lib_Dialogcol0ratio", "lib_Dialogcol1ratio"}));
    const std::vector<int32_t> types = {TypeString, TypeString, TypeInt,   TypeInt,
                                        TypeInt,    TypeBool,   TypeFloat, TypeFloat};
    const std::vector<std::string> texts = {"", "", "800", "400", "80", "false", "0.3", "0.4"};
    for (size_t i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list[i]->Type(), types[i]) << i;
        EXPECT_EQ(list[i]->GetTextString(), texts[i]) << i;
        EXPECT_EQ(list[i]->Flags(), 0x62u) << i;
        EXPECT_EQ(list[i]->Section(), "General") << i;
    }
    EXPECT_DOUBLE_EQ(list.Find("lib_Dialogcol0ratio")->GetDouble(), 0.3);
}

TEST(AllParametersListTest, FindIgnoresCase)
{
    TestList list;
    auto width = list.Find("lib_DialogWidth");
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(list.Find("lib_dialogwidth"), width);
    EXPECT_EQ(list.Find(std::string("LIB_DIALOGWIDTH")), width);
    EXPECT_TRUE(list.Contains("Lib_DialogWidth"));
    EXPECT_EQ(list.Find("lib_DialogWidt"), nullptr);
    EXPECT_EQ(list.Find(static_cast<const char*>(nullptr)), nullptr);
    EXPECT_EQ(list.Find(""), nullptr);
    EXPECT_FALSE(list.Contains(""));
}

TEST(AllParametersListTest, CreateParameterFindsOrCreates)
{
    TestList list;
    const size_t before = list.Count();
    auto first = list.CreateParameter<ParamInt>("Width", "ImageFormatControl", 640, FlagNonCamera);
    ASSERT_EQ(list.Count(), before + 1);
    EXPECT_EQ(list[before], first);
    EXPECT_EQ(first->Section(), "ImageFormatControl");
    EXPECT_EQ(first->GetInt(), 640);

    auto second = list.CreateParameter<ParamInt>("WIDTH", "Other", 1280, FlagGeneral);
    EXPECT_EQ(second, first);
    EXPECT_EQ(list.Count(), before + 1);
    EXPECT_EQ(first->GetInt(), 1280);
    EXPECT_EQ(first->Section(), "Other");
    EXPECT_EQ(first->Flags(), FlagNonCamera | FlagGeneral);
    EXPECT_EQ(first->Name(), "Width");  // the first spelling stays

    // An existing parameter is used whatever its class; the default goes through its setter.
    auto reused = list.CreateParameter<ParamString>("Width", "ImageFormatControl", "320", 0);
    EXPECT_EQ(reused, first);
    EXPECT_EQ(reused->Type(), TypeInt);
    EXPECT_EQ(reused->GetInt(), 320);

    auto text = list.CreateParameter<ParamString>(std::string("DeviceUserID"), nullptr, std::string("left"), 0);
    EXPECT_EQ(text->Type(), TypeString);
    EXPECT_STREQ(text->GetText(), "left");
    EXPECT_EQ(text->Section(), "");
    auto flag = list.CreateParameter<ParamBool>("ReverseX", "ImageFormatControl", true, 0);
    EXPECT_TRUE(flag->GetBool());
    auto real = list.CreateParameter<ParamFloat>("Gain", "AnalogControl", 2.5, 0);
    EXPECT_STREQ(real->GetText(), "2.5");
}

TEST(AllParametersListTest, CreateParameterNeedsAName)
{
    TestList list;
    const size_t before = list.Count();
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        try {
            list.CreateParameter<ParamInt>(name, "General", 1, 0);
            FAIL() << "no exception";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "CreateParameter : null  argument");
        }
    }
    EXPECT_EQ(list.Count(), before);
}

TEST(AllParametersListTest, AddRefusesTakenNames)
{
    TestList list;
    int destroyed = 0;
    const size_t before = list.Count();
    EXPECT_TRUE(list.Add(new CountedParam("Gain", &destroyed)));
    EXPECT_EQ(list.Count(), before + 1);
    auto kept = list.Find("Gain");

    EXPECT_FALSE(list.Add(new CountedParam("GAIN", &destroyed)));
    EXPECT_EQ(destroyed, 1);  // the refused one, not the listed one
    EXPECT_EQ(list.Count(), before + 1);
    EXPECT_EQ(list.Find("gain"), kept);
    EXPECT_EQ(list[before]->Name(), "Gain");

    EXPECT_FALSE(list.Add(static_cast<Param*>(nullptr)));
    EXPECT_TRUE(list.Add(std::make_unique<ParamFloat>("ExposureTime")));
    EXPECT_EQ(list[before + 1]->Name(), "ExposureTime");

    kept.reset();
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Find("Gain"), nullptr);
    EXPECT_EQ(destroyed, 2);
}

TEST(AllParametersListTest, InsertPlacesInListOrder)
{
    TestList list;
    list.Clear();
    list.Add(std::make_unique<ParamInt>("Width"));
    list.Add(std::make_unique<ParamInt>("Height"));
    EXPECT_TRUE(list.Insert(std::make_shared<ParamInt>("BinningHorizontal"), 0));
    EXPECT_TRUE(list.Insert(std::make_shared<ParamInt>("Last"), 99));
    EXPECT_FALSE(list.Insert(std::make_shared<ParamInt>("width"), 0));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"BinningHorizontal", "Width", "Height", "Last"}));
    EXPECT_NE(list.Find("binninghorizontal"), nullptr);
}

TEST(AllParametersListTest, CopyFromMakesIndependentClones)
{
    TestList source;
    auto mode = std::make_unique<ParamEnum>("TriggerMode");
    mode->SetEnumEntries({"Off", "On"});
    mode->SetText("On");
    source.Add(std::move(mode));
    source.CreateParameter<ParamInt>("Width", "ImageFormatControl", 640, FlagModified);

    TestList copy;
    copy.CreateParameter<ParamInt>("OnlyInCopy", "General", 1, 0);
    copy.CopyFrom(source);
    EXPECT_EQ(Names(copy), Names(source));
    EXPECT_EQ(copy.Find("OnlyInCopy"), nullptr);
    ASSERT_NE(copy.Find("Width"), nullptr);
    EXPECT_NE(copy.Find("Width"), source.Find("Width"));
    EXPECT_EQ(copy.Find("Width")->Flags(), FlagModified);
    EXPECT_STREQ(copy.Find("TriggerMode")->GetText(), "On");

    copy.Find("Width")->SetInt(1);
    copy.Find("TriggerMode")->SetText("Off");
    EXPECT_EQ(source.Find("Width")->GetInt(), 640);
    EXPECT_STREQ(source.Find("TriggerMode")->GetText(), "On");

    // Copying a list onto itself keeps it.
    const size_t count = copy.Count();
    copy.CopyFrom(copy);
    EXPECT_EQ(copy.Count(), count);
    EXPECT_EQ(copy.Find("Width")->GetInt(), 1);
}

TEST(AllParametersListTest, MarkAllModified)
{
    TestList list;
    list.CreateParameter<ParamInt>("Width", "ImageFormatControl", 640, FlagReadOnly);
    list.MarkAllModified();
    for (const auto& p : list) EXPECT_TRUE(p->TestFlags(FlagModified)) << p->Name();
    EXPECT_TRUE(list.Find("Width")->TestFlags(FlagReadOnly));
}
