// The dialog without a window: the steps of OnInitDialog, the control layout, the
// commands, favourites, and the layout kept in the eight "lib_" parameters.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "grid/GridTestSupport.h"
#include "support/GlobalLog.h"
#include "support/TempDir.h"

using namespace GridTest;
using Util_2_1::FlagFavourite;
using Util_2_1::FlagModified;
using Util_2_1::ParamBool;
using Util_2_1::ParamEnum;
using Util_2_1::ParamFloat;
using Util_2_1::ParamInt;
using Util_2_1::ParamString;

namespace {

void Fill(TestList& list)
{
    list.Make<ParamInt>("Width", "ImageFormatControl", 640).SetDescription("Image width");
    list.Make<ParamInt>("Height", "ImageFormatControl", 480);
    list.Make<ParamFloat>("ExposureTime", "AcquisitionControl", 5000.0).SetDescription("Exposure");
    list.Make<ParamBool>("ReverseX", "ImageFormatControl", false);
    Param& mode = list.Make<ParamEnum>("TriggerMode", "AcquisitionControl", "");
    mode.SetEnumEntries({"Off", "On"});
    list.Make<ParamString>("DeviceUserID", "DeviceControl", "cam");
}

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override { Fill(list); }

    // Runs a dialog over `list` with the script as the user; the dialog's result.
    int Run(const std::function<void(ParameterDlg&, FakeDialogView&)>& user)
    {
        dialog = std::make_unique<ParameterDlg>("Configure camera : test", &list, nullptr, nullptr, false);
        backend.script = [&](DialogInput&, FakeDialogView& v) { user(*dialog, v); };
        return dialog->DoModal(backend);
    }
    Param& P(const char* name) { return *list.Find(name); }

    TestList list;
    ScriptedBackend backend;
    std::unique_ptr<ParameterDlg> dialog;
};

TEST_F(DialogFixture, FirstOpeningUsesTheDefaultLayout)
{
    int rows = 0;
    const int result = Run([&](ParameterDlg& d, FakeDialogView& v) {
        EXPECT_EQ(v.title, "Configure camera : test");
        EXPECT_EQ(v.window.Width(), 800);
        EXPECT_EQ(v.window.Height(), 400);
        EXPECT_EQ(v.dialogFont, 80);
        EXPECT_EQ(d.GridCore().FontSize(), 80);
        EXPECT_EQ(v.gridView.fontSize, 80);
        EXPECT_DOUBLE_EQ(d.GridCore().ColumnRatios().col0, 0.3);
        EXPECT_DOUBLE_EQ(d.GridCore().ColumnRatios().col1, 0.4);
        EXPECT_EQ(d.GridCore().CollapsedSectionsText(), "");
        EXPECT_FALSE(d.GridCore().FavouritesOnly());
        EXPECT_EQ(v.controls[kIdIniLabel].text, "test.ini");
        EXPECT_TRUE(d.Initialised());
        for (const auto& s : d.GridCore().ShownSections().Sections()) rows += 1 + static_cast<int>(s->items.size());
        d.Command(kIdOk);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rows, 3 + 6);
}

TEST_F(DialogFixture, ButtonsAndControlsAreArrangedAsThePartSays)
{
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        // Client 784 x 361: R = 781, step = 50 + 5, th = 13.
        EXPECT_EQ(v.controls.size(), 11u + 3u);
        EXPECT_EQ(v.controls[kIdLoad].rect, (Rect{0, 0, 50, 60}));
        EXPECT_EQ(v.controls[kIdSave].rect, (Rect{55, 0, 105, 60}));
        EXPECT_EQ(v.controls[kIdStar].rect, (Rect{110, 0, 160, 60}));
        EXPECT_EQ(v.controls[kIdStarPressed].rect, (Rect{110, 0, 160, 60}));
        EXPECT_EQ(v.controls[kIdFontUp].rect.left, 165);
        EXPECT_EQ(v.controls[kIdFontDown].rect.left, 220);
        EXPECT_EQ(v.controls[kIdCancelButton].rect.left, 781 - 55);
        EXPECT_EQ(v.controls[kIdOkButton].rect.left, 781 - 110);
        EXPECT_EQ(v.controls[kIdApply].rect.left, 781 - 220);
        EXPECT_EQ(v.controls[kIdExpand].rect, (Rect{3, 63, 15, 75}));
        EXPECT_EQ(v.controls[kIdCollapse].rect, (Rect{25, 63, 37, 75}));
        EXPECT_EQ(v.controls[kIdGrid].rect, (Rect{0, 81, 781, 344 - 60}));
        EXPECT_EQ(v.controls[kIdDescription].rect, (Rect{0, 344 - 55, 781, 344 - 2}));
        EXPECT_EQ(v.controls[kIdIniLabel].rect, (Rect{0, 344, 781, 359}));
        EXPECT_TRUE(v.controls[kIdStar].shown);
        EXPECT_FALSE(v.controls[kIdStarPressed].shown);
        // The grid's columns: 30 % and 40 % of its client width.
        d.GridCore().Layout();
        EXPECT_EQ(d.GridCore().Col0(), static_cast<int>(779 * 0.3));
        EXPECT_EQ(d.GridCore().Col1(), static_cast<int>(779 * 0.4));
        d.Command(kIdCancel);
    });
    EXPECT_EQ(ParameterDlg::ButtonTable().size(), 11u);
    EXPECT_EQ(ParameterDlg::ButtonSize(ParameterDlg::ButtonTable()[9]).width, 12);
}

TEST_F(DialogFixture, FavouritesFromTheListAreStarredAndUnknownNamesReportedAndDropped)
{
    P("lib_Favourites").SetText("Width ExposureTime  NoSuchThing");
    GlobalLog().Clear();
    const int result = Run([&](ParameterDlg&, FakeDialogView&) {
        EXPECT_TRUE(P("Width").TestFlags(FlagFavourite));
        EXPECT_TRUE(P("ExposureTime").TestFlags(FlagFavourite));
        EXPECT_FALSE(P("Height").TestFlags(FlagFavourite));
        backend.view.ended = 0;
    });
    EXPECT_EQ(result, 0);
    FlushGlobalLog();
    EXPECT_EQ(GlobalLog().Count("ERR: Favourite NoSuchThingNOT FOUND as parameter"), 1u);
    EXPECT_THAT(GlobalLog().Find("NoSuchThing"), ::testing::HasSubstr("{Grid_3_1::ParameterDlg::InitFavParameters}"));
    EXPECT_THAT(GlobalLog().Find("NoSuchThing"), ::testing::StartsWith("###: "));
    Run([&](ParameterDlg& d, FakeDialogView&) { d.Command(kIdOkButton); });
    EXPECT_EQ(P("lib_Favourites").GetTextString(), "Width ExposureTime");
}

TEST_F(DialogFixture, CancelStillRecordsTheLayoutAndFavourites)
{
    const int result = Run([&](ParameterDlg& d, FakeDialogView& v) {
        v.window = Rect{10, 20, 910, 620};
        d.GridCore().ExpandAll(false);
        d.GridCore().SetColumnRatios(0.25, 0.5);
        P("Height").SetFlags(FlagFavourite);
        d.Command(kIdFontUp);
        d.Command(kIdStar);
        d.Command(kIdCancelButton);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(P("lib_DialogWidth").GetInt(), 900);
    EXPECT_EQ(P("lib_DialogHeight").GetInt(), 600);
    EXPECT_EQ(P("lib_DialogFontSize").GetInt(), 90);
    EXPECT_TRUE(P("lib_DialogFavMode").GetBool());
    EXPECT_DOUBLE_EQ(P("lib_Dialogcol0ratio").GetDouble(), 0.25);
    EXPECT_DOUBLE_EQ(P("lib_Dialogcol1ratio").GetDouble(), 0.5);
    // Favourites-only shows one section; that is the one whose state is recorded.
    EXPECT_EQ(P("lib_CollapsedSec").GetTextString(), "ImageFormatControl ");
    EXPECT_EQ(P("lib_Favourites").GetTextString(), "Height");
}

TEST_F(DialogFixture, TheLayoutSurvivesASaveAndARestoreOfTheIniFile)
{
    TempDir dir;
    const std::string ini = dir.File("ornic.ini");
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        v.window = Rect{0, 0, 1000, 700};
        ParameterGrid& g = d.GridCore();
        g.Layout();
        // The user drags the first border to 40 % and folds a section.
        g.LeftButtonDown(Point{g.Col0(), 5});
        g.MouseMove(Point{static_cast<int>(g.ColumnsWidth() * 0.4), 5});
        g.LeftButtonUp(Point{0, 5});
        g.SetCollapsedSections("DeviceControl");
        P("TriggerMode").SetFlags(FlagFavourite);
        d.Command(kIdFontDown);
        d.Command(kIdOk);
    });
    const double ratio0 = P("lib_Dialogcol0ratio").GetDouble();
    EXPECT_NEAR(ratio0, 0.4, 0.01);
    ASSERT_TRUE(list.SaveToFile(ini.c_str()));

    TestList restored;
    Fill(restored);
    ASSERT_TRUE(restored.RestoreFromFile(ini.c_str()));
    ParameterDlg again("again", &restored, nullptr, nullptr, false);
    ScriptedBackend second;
    second.script = [&](DialogInput&, FakeDialogView& v) {
        EXPECT_EQ(v.window.Width(), 1000);
        EXPECT_EQ(v.window.Height(), 700);
        EXPECT_EQ(v.dialogFont, 70);
        EXPECT_EQ(again.GridCore().FontSize(), 70);
        // The file keeps a ratio's text, two decimals for values of this size.
        EXPECT_NEAR(again.GridCore().ColumnRatios().col0, ratio0, 0.005);
        EXPECT_DOUBLE_EQ(again.GridCore().ColumnRatios().col1, 0.4);
        EXPECT_EQ(again.GridCore().CollapsedSectionsText(), "DeviceControl ");
        EXPECT_TRUE(restored.Find("TriggerMode")->TestFlags(FlagFavourite));
        EXPECT_FALSE(restored.Find("Width")->TestFlags(FlagFavourite));
        v.ended = 2;
    };
    EXPECT_EQ(again.DoModal(second), 2);
}

TEST_F(DialogFixture, FavouritesOnlyModeComesBackFromTheList)
{
    P("lib_DialogFavMode").SetBool(true);
    P("lib_Favourites").SetText("ExposureTime");
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        EXPECT_TRUE(d.GridCore().FavouritesOnly());
        ASSERT_EQ(d.GridCore().ShownSections().Sections().size(), 1u);
        EXPECT_TRUE(v.controls[kIdStarPressed].shown);
        EXPECT_FALSE(v.controls[kIdStar].shown);
        // Un-starring through the grid's menu keeps the row until the mode changes.
        ParameterGrid& g = d.GridCore();
        g.Layout();
        const Rect row = g.ShownSections().Sections()[0]->items[0]->rowRect;
        v.gridView.menuAnswer = kCmdStar;
        g.RightButtonUp(Point{100, (row.top + row.bottom) / 2});
        EXPECT_FALSE(P("ExposureTime").TestFlags(FlagFavourite));
        EXPECT_EQ(g.ShownSections().Sections().size(), 1u);
        d.Command(kIdStarPressed);
        EXPECT_FALSE(g.FavouritesOnly());
        EXPECT_TRUE(v.controls[kIdStar].shown);
        d.Command(kIdStar);
        EXPECT_TRUE(g.ShownSections().Empty());
        d.Command(kIdOk);
    });
    EXPECT_EQ(P("lib_Favourites").GetTextString(), "");
}

TEST_F(DialogFixture, LoadRestoresFromTheChosenFileAndMarksEverythingModified)
{
    TempDir dir;
    const std::string other = dir.File("other.ini");
    P("Width").SetInt(1024);
    ASSERT_TRUE(list.SaveToFile(other.c_str()));
    P("Width").SetInt(640);
    const int result = Run([&](ParameterDlg& d, FakeDialogView& v) {
        v.chooseAnswer = other;
        d.Command(kIdLoad);
        EXPECT_TRUE(v.lastChooseOpen);
        EXPECT_EQ(v.focused, kIdGrid);
        d.Command(kIdCancel);
    });
    EXPECT_EQ(result, 2);
    ASSERT_EQ(list.restoredFrom.size(), 1u);
    EXPECT_EQ(P("Width").GetInt(), 1024);
    for (const auto& p : list) EXPECT_TRUE(p->TestFlags(FlagModified)) << p->Name();
}

TEST_F(DialogFixture, SaveWritesTheChosenFileAndACancelledFileDialogDoesNothing)
{
    TempDir dir;
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        d.Command(kIdLoad);  // the user cancels the file dialog
        d.Command(kIdSave);
        EXPECT_FALSE(v.lastChooseOpen);
        v.chooseAnswer = dir.File("copy.ini");
        d.Command(kIdSave);
        d.Command(kIdOk);
    });
    EXPECT_TRUE(list.restoredFrom.empty());
    ASSERT_EQ(list.savedTo.size(), 1u);
    EXPECT_THAT(dir.Read("copy.ini"), ::testing::HasSubstr("Width=640"));
}

TEST_F(DialogFixture, ApplyAppliesAndRereadsTheList)
{
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        d.Command(kIdApply);
        EXPECT_EQ(list.applied, 1);
        EXPECT_EQ(list.updated, 1);
        EXPECT_EQ(v.focused, kIdGrid);
        d.Command(kIdOk);
    });
}

TEST_F(DialogFixture, FontButtonsChangeBothFontsWithoutLimit)
{
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        for (int i = 0; i < 8; ++i) d.Command(kIdFontDown);
        EXPECT_EQ(d.GridCore().FontSize(), 0);
        EXPECT_EQ(v.dialogFont, 0);
        EXPECT_EQ(v.gridView.fontSize, 0);
        d.Command(kIdFontUp);
        EXPECT_EQ(d.GridCore().FontSize(), 10);
        d.Command(kIdOk);
    });
    EXPECT_EQ(P("lib_DialogFontSize").GetInt(), 10);
}

TEST_F(DialogFixture, ExpandAndCollapseButtonsFoldEverySection)
{
    Run([&](ParameterDlg& d, FakeDialogView&) {
        d.Command(kIdCollapse);
        EXPECT_EQ(d.GridCore().CollapsedSectionsText(), "ImageFormatControl AcquisitionControl DeviceControl ");
        d.Command(kIdExpand);
        EXPECT_EQ(d.GridCore().CollapsedSectionsText(), "");
        d.Command(kIdOk);
    });
}

TEST_F(DialogFixture, TheDescriptionBoxFollowsTheSelection)
{
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        ParameterGrid& g = d.GridCore();
        g.Layout();
        const auto& first = g.ShownSections().Sections()[0];
        const Rect row = first->items[0]->rowRect;  // Width
        g.LeftButtonDown(Point{100, (row.top + row.bottom) / 2});
        g.LeftButtonUp(Point{100, (row.top + row.bottom) / 2});
        EXPECT_EQ(v.controls[kIdDescription].text, "Image width");
        const Rect header = first->headerRect;
        g.LeftButtonDown(Point{100, header.top + 2});
        EXPECT_EQ(v.controls[kIdDescription].text, "");
        d.Command(kIdOk);
    });
}

TEST_F(DialogFixture, SmallWidthsAreIgnoredAndTheWindowHasAMinimumSize)
{
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        EXPECT_EQ(d.MinimumSize().width, 600);
        EXPECT_EQ(d.MinimumSize().height, 450);
        const Rect before = v.controls[kIdGrid].rect;
        v.window = Rect{0, 0, 510, 450};  // client 494: below 500
        d.SizeChanged(494, 411);
        EXPECT_EQ(v.controls[kIdGrid].rect, before);
        v.window = Rect{0, 0, 1016, 539};
        d.SizeChanged(1000, 500);
        EXPECT_EQ(v.controls[kIdGrid].rect.right, 997);
        d.Command(kIdOk);
    });
}

TEST_F(DialogFixture, AButtonThatCannotBeMadeEndsTheDialog)
{
    backend.view.failButton = kIdApply;
    GlobalLog().Clear();
    EXPECT_EQ(Run([](ParameterDlg&, FakeDialogView&) {}), 0);
    EXPECT_FALSE(backend.initResult);
    FlushGlobalLog();
    EXPECT_EQ(GlobalLog().Count("ParameterDlg::CreateToolBarButtons failed to create CMFCButton button ok.bmp"), 1u);
}

TEST_F(DialogFixture, TheDialogsRightClickMenuCopiesFromTheSelectedParameter)
{
    Run([&](ParameterDlg& d, FakeDialogView& v) {
        v.menuAnswer = kCmdCopyName;
        d.RightButtonUp(Point{400, 350});  // nothing selected: no menu, nothing copied
        EXPECT_EQ(v.gridView.clipboard, "");
        d.GridCore().KeyDown(Key::Down);
        d.GridCore().KeyDown(Key::Down);
        d.RightButtonUp(Point{400, 350});
        EXPECT_EQ(v.gridView.clipboard, "Width");
        d.Command(kIdOk);
    });
}

TEST(DialogBackendTest, AMissingBackendLibraryIsAClearError)
{
#if !defined(_WIN32)
    ::setenv("ORNIC_DIALOG_BACKEND", "/nonexistent/libornic_dialog_qt.so", 1);
    TestList list;
    ParameterDlg dialog("t", &list, nullptr, nullptr, false);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_THAT(dialog.LastError(), ::testing::HasSubstr("needs Qt 6"));
    EXPECT_THAT(dialog.LastError(), ::testing::HasSubstr("/nonexistent/libornic_dialog_qt.so"));
    ::unsetenv("ORNIC_DIALOG_BACKEND");
#else
    GTEST_SKIP() << "the Windows builds link their backend";
#endif
}

}  // namespace
