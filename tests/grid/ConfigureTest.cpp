// Camera::Configure over a simulated camera, with a scripted stand-in for the dialog's window:
// what OK, Apply and Cancel do to the camera, its parameter model and the ini file, the grab
// pause, and the layout remembered from one dialog to the next.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "camera/CameraTestSupport.h"
#include "grid/GridTestSupport.h"
#include "support/GlobalLog.h"

using namespace GridTest;
using Util_2_1::FlagFavourite;

namespace {

double CameraFloat(Camera& camera, const char* node)
{
    MvFloatValue value{};
    EXPECT_EQ(MV_CC_GetFloatValue(camera.SdkHandle(), node, &value), MV_OK);
    return value.fCurValue;
}

bool CameraBool(Camera& camera, const char* node)
{
    int value = 0;
    EXPECT_EQ(MV_CC_GetBoolValue(camera.SdkHandle(), node, &value), MV_OK);
    return value != 0;
}

// The user's hand on the grid: finds rows by parameter name and clicks them.
struct Hand {
    ParameterGrid& grid;

    ASectionItem* Item(const std::string& name)
    {
        grid.Layout();
        for (const auto& s : grid.ShownSections().Sections()) {
            for (const auto& item : s->items) {
                if (item->param->Name() == name) return item.get();
            }
        }
        return nullptr;
    }
    // Brings the row into view with the keyboard, as a user scrolls to it.
    Rect Row(const std::string& name)
    {
        ASectionItem* item = Item(name);
        EXPECT_NE(item, nullptr) << name;
        if (item == nullptr) return Rect{};
        grid.Scroll(ScrollAction::Track, grid.ScrollPosition() + item->rowRect.top);
        grid.Layout();
        return item->rowRect;
    }
    void Click(Point p)
    {
        grid.LeftButtonDown(p);
        grid.LeftButtonUp(p);
    }
    void DoubleClickName(const std::string& name)
    {
        const Rect r = Row(name);
        const Point p{ParameterGrid::StarColumnWidth() + 10, (r.top + r.bottom) / 2};
        Click(p);
        grid.LeftDoubleClick(p);
        grid.LeftButtonUp(p);
    }
    void Type(const std::string& name, const std::string& text, FakeGridView& view)
    {
        const Rect r = Row(name);
        Click(Point{grid.Col0() + 10, (r.top + r.bottom) / 2});
        ASSERT_EQ(view.editor, FakeGridView::Editor::Text) << name;
        grid.TextEdited(text);
    }
};

class ConfigureTest : public CameraFixture {
protected:
    void SetUp() override
    {
        CameraFixture::SetUp();
        SetDialogBackendOverride(&backend);
    }
    void TearDown() override
    {
        SetDialogBackendOverride(nullptr);
        CameraFixture::TearDown();
    }
    Camera& Open()
    {
        Camera& camera = Make(0);
        ImageSize size;
        EXPECT_TRUE(camera.TarvikOpen(0, size));
        return camera;
    }
    // Runs Configure with the script as the user.
    bool Configure(Camera& camera, const std::function<void(ParameterDlg&, FakeDialogView&, Hand&)>& user)
    {
        backend.script = [&](DialogInput& input, FakeDialogView& view) {
            auto& dialog = dynamic_cast<ParameterDlg&>(input);
            Hand hand{dialog.GridCore()};
            user(dialog, view, hand);
        };
        return camera.Configure(nullptr);
    }
    std::string Ini() { return dir.Read("ornic.ini"); }

    ScriptedBackend backend;
};

TEST_F(ConfigureTest, OkWritesTheChangesToTheCameraTheModelAndTheIniFile)
{
    Camera& camera = Open();
    const double exposure = CameraFloat(camera, "ExposureTime");
    const bool rateEnable = CameraBool(camera, "AcquisitionFrameRateEnable");
    const bool ok = Configure(camera, [&](ParameterDlg& d, FakeDialogView& v, Hand& hand) {
        EXPECT_EQ(v.title, std::string("Configure camera : ") + kMonoName);
        hand.Type("ExposureTime", "12345", v.gridView);
        hand.DoubleClickName("AcquisitionFrameRateEnable");
        // Nothing reaches the camera before OK.
        EXPECT_DOUBLE_EQ(CameraFloat(camera, "ExposureTime"), exposure);
        d.Command(kIdOk);
    });
    EXPECT_TRUE(ok);
    EXPECT_NE(exposure, 12345.0);
    EXPECT_DOUBLE_EQ(CameraFloat(camera, "ExposureTime"), 12345.0);
    EXPECT_EQ(CameraBool(camera, "AcquisitionFrameRateEnable"), !rateEnable);
    EXPECT_DOUBLE_EQ(camera.Parameters().Find("ExposureTime")->GetDouble(), 12345.0);
    const std::string ini = Ini();
    EXPECT_THAT(ini, ::testing::HasSubstr("ExposureTime=12345"));
    EXPECT_THAT(ini, ::testing::HasSubstr("lib_DialogWidth=800"));
    EXPECT_FALSE(camera.ConfigureDialogOpen());
}

TEST_F(ConfigureTest, CancelPutsTheCameraBackEvenAfterApply)
{
    Camera& camera = Open();
    const double exposure = CameraFloat(camera, "ExposureTime");
    const bool ok = Configure(camera, [&](ParameterDlg& d, FakeDialogView& v, Hand& hand) {
        hand.Type("ExposureTime", "23456", v.gridView);
        d.Command(kIdApply);
        EXPECT_DOUBLE_EQ(CameraFloat(camera, "ExposureTime"), 23456.0);
        // Apply reads the camera back into the grid's list.
        EXPECT_DOUBLE_EQ(hand.Item("ExposureTime")->param->GetDouble(), 23456.0);
        d.GridCore().SetColumnRatios(0.2, 0.5);
        d.Command(kIdCancel);
    });
    EXPECT_FALSE(ok);
    EXPECT_DOUBLE_EQ(CameraFloat(camera, "ExposureTime"), exposure);
    EXPECT_DOUBLE_EQ(camera.Parameters().Find("ExposureTime")->GetDouble(), exposure);
    // Cancel stores the layout, not the values.
    const std::string ini = Ini();
    EXPECT_THAT(ini, ::testing::HasSubstr("lib_Dialogcol0ratio=0.2"));
    EXPECT_THAT(ini, ::testing::Not(::testing::HasSubstr("ExposureTime=")));
    EXPECT_DOUBLE_EQ(camera.Parameters().Find("lib_Dialogcol0ratio")->GetDouble(), 0.2);
}

TEST_F(ConfigureTest, GrabbingPausesWhileTheDialogIsOpen)
{
    Camera& camera = Open();
    ASSERT_TRUE(camera.Grabbing().IsGrabbing());
    Configure(camera, [&](ParameterDlg& d, FakeDialogView&, Hand&) {
        EXPECT_FALSE(camera.Grabbing().IsGrabbing());
        EXPECT_TRUE(camera.ConfigureDialogOpen());
        EXPECT_EQ(Stats(0).grabbing, 0u);
        // A second dialog for the same camera is refused.
        EXPECT_FALSE(camera.Configure(nullptr));
        d.Command(kIdOk);
    });
    EXPECT_TRUE(camera.Grabbing().IsGrabbing());
    EXPECT_EQ(Stats(0).grabbing, 1u);
    EXPECT_FALSE(camera.ConfigureDialogOpen());
}

TEST_F(ConfigureTest, TheLayoutAndFavouritesAreRememberedFromOneDialogToTheNext)
{
    Camera& camera = Open();
    Configure(camera, [&](ParameterDlg& d, FakeDialogView& v, Hand& hand) {
        v.window = Rect{0, 0, 1000, 640};
        d.GridCore().SetCollapsedSections("TransportLayerControl");
        const Rect r = hand.Row("GainAuto");
        v.gridView.menuAnswer = kCmdStar;
        d.GridCore().RightButtonUp(Point{40, (r.top + r.bottom) / 2});
        d.Command(kIdFontUp);
        d.Command(kIdOk);
    });
    EXPECT_THAT(Ini(), ::testing::HasSubstr("lib_CollapsedSec=TransportLayerControl\r\n"));
    Configure(camera, [&](ParameterDlg& d, FakeDialogView& v, Hand& hand) {
        EXPECT_EQ(v.window.Width(), 1000);
        EXPECT_EQ(v.window.Height(), 640);
        EXPECT_EQ(d.GridCore().FontSize(), 90);
        EXPECT_TRUE(d.GridCore().ShownSections().Find("TransportLayerControl")->collapsed);
        ASSERT_NE(hand.Item("GainAuto"), nullptr);
        EXPECT_TRUE(hand.Item("GainAuto")->param->TestFlags(FlagFavourite));
        d.Command(kIdCancel);
    });
    EXPECT_THAT(camera.Parameters().Find("lib_Favourites")->GetTextString(), ::testing::HasSubstr("GainAuto"));
}

TEST_F(ConfigureTest, WithoutABackendNothingChangesAndTheReasonIsLogged)
{
#if defined(_WIN32)
    GTEST_SKIP() << "the Windows builds link their backend";
#else
    Camera& camera = Open();
    SetDialogBackendOverride(nullptr);
    ::setenv("ORNIC_DIALOG_BACKEND", "/nonexistent/libornic_dialog_qt.so", 1);
    GlobalLog().Clear();
    EXPECT_FALSE(camera.Configure(nullptr));
    ::unsetenv("ORNIC_DIALOG_BACKEND");
    FlushGlobalLog();
    EXPECT_EQ(GlobalLog().Count("not configured"), 1u);
    EXPECT_TRUE(camera.Grabbing().IsGrabbing());
    EXPECT_FALSE(camera.ConfigureDialogOpen());
    EXPECT_THAT(Ini(), ::testing::Not(::testing::HasSubstr("lib_DialogWidth")));
#endif
}

}  // namespace
