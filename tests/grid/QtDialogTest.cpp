// The Qt dialog as the host opens it: configureCamera through the driver's exports on a
// simulated camera, driven with QTest's mouse and key input from inside the dialog's modal
// loop. Expands and collapses a section, double-clicks a boolean, types a value into the edit
// field, presses OK; checks the ini file and, in a second dialog that reads the camera, the
// camera. Apply followed by Cancel puts the camera back. The dialog's pixels are checked for the
// geometry the grid should have and saved as a picture.
//
// The program is a Qt host: it makes its QApplication first, so the driver's Qt library uses it
// (the host-without-Qt case is ornic-host's, tests/grid/qt-xvfb-test.sh).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <functional>
#include <string>

#include "camsim/SimControl.h"
#include "integration/DriverLibrary.h"
#include "support/TempDir.h"

namespace {

const char* const kMonoName = "SIM-GM130 (S1000001)";

// The favourites-only view the tests open with: five rows, in camera order.
//   0 [ImageFormatControl]   1 Width   2 [AcquisitionControl]   3 AcquisitionFrameRateEnable
//   4 ExposureTime
const char* const kIni =
    "[Port.0.0]\r\n$Camera=SIM-GM130 (S1000001)\r\n"
    "[General]\r\nlib_Favourites=Width AcquisitionFrameRateEnable ExposureTime\r\nlib_DialogFavMode=true\r\n";

// What the geometry should be, computed here independently of the driver.
struct Geometry {
    QWidget* grid = nullptr;
    int rowHeight = 0;
    int col0 = 0;
    int col1 = 0;

    explicit Geometry(QWidget* g) : grid(g)
    {
        QFont font(QStringLiteral("Tahoma"));
        font.setPointSizeF(8.0);
        font.setStyleHint(QFont::SansSerif);
        rowHeight = QFontMetrics(font).height() + 2 * 3;
        int w = grid->width() - 2;
        const auto* bar = grid->findChild<QScrollBar*>();
        if (bar != nullptr && bar->isVisible()) w -= bar->width();
        col0 = static_cast<int>(w * 0.3);
        col1 = static_cast<int>(w * 0.4);
    }
    // Widget coordinates (inside the one-pixel border) of a row's middle.
    int RowY(int row) const { return 1 + row * rowHeight + rowHeight / 2; }
    QPoint Name(int row) const { return QPoint(1 + 17 + 10, RowY(row)); }
    QPoint Value(int row) const { return QPoint(1 + col0 + 12, RowY(row)); }
    QPoint Box(int row) const { return QPoint(1 + 3 + 4, 1 + row * rowHeight + 3 + 2 + 4); }
};

class QtDialogTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(DriverLibrary::Get().LoadAll(error)) << error;
    }
    void SetUp() override
    {
        CamSim_Reset();
        ASSERT_EQ(CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono", nullptr), 0);
        dir.Write("ornic.ini", kIni);
        ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
        OrnicImageSize size{};
        ASSERT_EQ(d.openCVLPort(0, 0, kMonoName, &size), 1);
    }
    void TearDown() override
    {
        d.closeCVLPort(0, 0);
        EXPECT_EQ(d.finalize(), 1);
        CamSim_Reset();
    }

    // configureCamera with `user` working the dialog from inside its modal loop; a dialog the
    // user left open is cancelled.
    int Configure(const std::function<void(QDialog&)>& user, void* parent = nullptr)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                ADD_FAILURE() << "no modal dialog";
                return;
            }
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
            dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
            user(*dialog);
            ran = true;
            if (dialog->isVisible()) Button(*dialog, "cancel2.bmp")->click();
        });
        const int result = d.configureCamera(parent, kMonoName);
        EXPECT_TRUE(ran);
        return result;
    }

    static QToolButton* Button(QDialog& dialog, const char* bitmap)
    {
        auto* b = dialog.findChild<QToolButton*>(QString::fromLatin1(bitmap));
        EXPECT_NE(b, nullptr) << bitmap;
        return b;
    }
    static QWidget* Grid(QDialog& dialog) { return dialog.findChild<QWidget*>(QStringLiteral("Grid")); }
    static QLineEdit* Edit(QWidget* grid) { return grid->findChild<QLineEdit*>(QStringLiteral("GridEdit")); }

    // The name under the row, through the grid's context menu and the clipboard.
    static QString NameAt(QWidget* grid, QPoint at)
    {
        QApplication::clipboard()->clear();
        QTimer::singleShot(50, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            for (QAction* action : menu->actions()) {
                if (action->text() == QStringLiteral("Copy name to Clipboard")) {
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            }
            menu->close();
        });
        QTest::mouseClick(grid, Qt::RightButton, Qt::NoModifier, at);
        return QApplication::clipboard()->text();
    }

    // Types into the value cell's edit field and leaves it with Enter.
    static void TypeValue(QWidget* grid, QPoint value, const char* text)
    {
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, value);
        QLineEdit* edit = Edit(grid);
        ASSERT_NE(edit, nullptr);
        ASSERT_TRUE(edit->hasFocus());
        QTest::keyClicks(edit, QString::fromLatin1(text));
        QTest::keyClick(edit, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(Edit(grid), nullptr);
    }

    // What the camera holds now: a fresh dialog reads it (UpdateParameters); the
    // value cell's edit field shows it.
    std::string CameraValueOfExposure(int row)
    {
        std::string shown;
        Configure([&](QDialog& dialog) {
            QWidget* grid = Grid(dialog);
            const Geometry g(grid);
            QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, g.Value(row));
            if (QLineEdit* edit = Edit(grid)) shown = edit->text().toStdString();
            Button(dialog, "cancel2.bmp")->click();
        });
        return shown;
    }

    DriverLibrary& d = DriverLibrary::Get();
    TempDir dir;
};

QColor Pixel(const QImage& image, const QWidget* grid, QPoint inGrid)
{
    return image.pixelColor(grid->mapTo(grid->window(), inGrid));
}

TEST_F(QtDialogTest, OkStoresTheEditsAndTheCameraTakesThem)
{
    int rowHeight = 0;
    const int result = Configure([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle().toStdString(), std::string("Configure camera : ") + kMonoName);
        EXPECT_EQ(dialog.frameGeometry().width(), 800);
        EXPECT_EQ(dialog.frameGeometry().height(), 400);
        EXPECT_TRUE(Button(dialog, "star_pressed2.bmp")->isVisible());
        EXPECT_FALSE(Button(dialog, "star.bmp")->isVisible());
        EXPECT_EQ(Button(dialog, "ok2.bmp")->toolTip().toStdString(), "Save current parameters and close this dialog");
        QWidget* grid = Grid(dialog);
        ASSERT_NE(grid, nullptr);
        const Geometry g(grid);
        rowHeight = g.rowHeight;
        ASSERT_EQ(NameAt(grid, g.Name(4)).toStdString(), "ExposureTime");

        // Collapse the first section: ExposureTime moves up one row.
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, g.Box(0));
        ASSERT_EQ(NameAt(grid, g.Name(3)).toStdString(), "ExposureTime");
        EXPECT_EQ(NameAt(grid, g.Name(2)).toStdString(), "AcquisitionFrameRateEnable");

        QTest::mouseDClick(grid, Qt::LeftButton, Qt::NoModifier, g.Name(2));
        TypeValue(grid, g.Value(3), "12345");

        const QImage picture = dialog.grab().toImage();
        ASSERT_TRUE(picture.save(QStringLiteral(ORNIC_PICTURE_DIR "/dialog-qt-offscreen.png")));
        const QPalette& palette = grid->palette();
        // Header rows in the button face, item rows on the window colour.
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + g.col0 + g.col1 + 40, g.RowY(0))), palette.color(QPalette::Button));
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + g.col0 + g.col1 + 40, g.RowY(1))), palette.color(QPalette::Button));
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + g.col0 + 2, g.RowY(2))), palette.color(QPalette::Base));
        // Column borders at col0 and col0 + col1 in an item row.
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + g.col0, g.RowY(2))), palette.color(QPalette::Button));
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + g.col0 + g.col1, g.RowY(2))), palette.color(QPalette::Button));
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + g.col0 - 3, g.RowY(2))), palette.color(QPalette::Base));
        // The selected row's name cell is highlighted up to the first border.
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + g.col0 - 3, g.RowY(3))), palette.color(QPalette::Highlight));
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + 17 + 1, g.RowY(3))), palette.color(QPalette::Highlight));
        // The star column, button face, with a star on each favourite.
        EXPECT_EQ(Pixel(picture, grid, QPoint(1 + 1, 1 + 2 * g.rowHeight + 2)), palette.color(QPalette::Button));

        QTest::mouseClick(Button(dialog, "ok2.bmp"), Qt::LeftButton);
    });
    EXPECT_EQ(result, 1);
    EXPECT_GT(rowHeight, 10);
    const std::string ini = dir.Read("ornic.ini");
    EXPECT_THAT(ini, ::testing::HasSubstr("ExposureTime=12345"));
    EXPECT_THAT(ini, ::testing::HasSubstr("AcquisitionFrameRateEnable=true"));
    EXPECT_THAT(ini, ::testing::HasSubstr("lib_CollapsedSec=ImageFormatControl"));
    // The camera: a new dialog reads it. The collapsed section is remembered.
    EXPECT_EQ(CameraValueOfExposure(3), "12345");
}

TEST_F(QtDialogTest, CancelAfterApplyPutsTheCameraBack)
{
    const std::string before = CameraValueOfExposure(4);
    ASSERT_FALSE(before.empty());
    const int result = Configure([&](QDialog& dialog) {
        QWidget* grid = Grid(dialog);
        const Geometry g(grid);
        TypeValue(grid, g.Value(4), "23456");
        QTest::mouseClick(Button(dialog, "ok.bmp"), Qt::LeftButton);  // Apply
        QApplication::processEvents();
        QTest::keyClick(grid, Qt::Key_Escape);  // Cancel
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(CameraValueOfExposure(4), before);
    EXPECT_THAT(dir.Read("ornic.ini"), ::testing::Not(::testing::HasSubstr("ExposureTime=23456")));
}

TEST_F(QtDialogTest, KeysMoveEditAndConfirm)
{
    const int result = Configure([&](QDialog& dialog) {
        QWidget* grid = Grid(dialog);
        grid->setFocus();
        // Down five times: ExposureTime; F2 opens its editor; Escape in the field puts the
        // text back, and Enter on the grid is the dialog's OK.
        for (int i = 0; i < 5; ++i) QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_F2);
        QLineEdit* edit = Edit(grid);
        ASSERT_NE(edit, nullptr);
        const QString start = edit->text();
        QTest::keyClicks(edit, QStringLiteral("999"));
        QTest::keyClick(edit, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_EQ(Edit(grid), nullptr);
        EXPECT_TRUE(dialog.isVisible());  // Escape belonged to the field
        QTest::keyClick(grid, Qt::Key_Up);
        QTest::keyClick(grid, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(start.isEmpty());
    });
    EXPECT_EQ(result, 1);
}

TEST_F(QtDialogTest, TheChoiceListSetsAnEnumAndTheLayoutIsRemembered)
{
    int width = 0;
    const int result = Configure([&](QDialog& dialog) {
        dialog.resize(900, 500);
        width = dialog.frameGeometry().width();
        QWidget* grid = Grid(dialog);
        const Geometry g(grid);
        // The bool's value cell opens the choice list; "true" is chosen with the mouse.
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, g.Value(3));
        auto* list = qobject_cast<QWidget*>(QApplication::activePopupWidget());
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->objectName().toStdString(), "GridChoices");
        EXPECT_EQ(list->width(), g.col1);
        QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier, QPoint(10, 3));
        QApplication::processEvents();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        // Star and font buttons.
        QTest::mouseClick(Button(dialog, "star_pressed2.bmp"), Qt::LeftButton);  // all parameters
        EXPECT_TRUE(Button(dialog, "star.bmp")->isVisible());
        QTest::mouseClick(Button(dialog, "incr.bmp"), Qt::LeftButton);
        QTest::mouseClick(Button(dialog, "ok2.bmp"), Qt::LeftButton);
    });
    EXPECT_EQ(result, 1);
    const std::string ini = dir.Read("ornic.ini");
    EXPECT_THAT(ini, ::testing::HasSubstr("AcquisitionFrameRateEnable=true"));
    EXPECT_THAT(ini, ::testing::HasSubstr("lib_DialogWidth=" + std::to_string(width)));
    EXPECT_THAT(ini, ::testing::HasSubstr("lib_DialogFontSize=90"));
    EXPECT_THAT(ini, ::testing::HasSubstr("lib_DialogFavMode=false"));
    Configure([&](QDialog& dialog) {
        EXPECT_EQ(dialog.frameGeometry().width(), width);
        EXPECT_TRUE(Button(dialog, "star.bmp")->isVisible());
    });
}

TEST_F(QtDialogTest, OnX11TheDialogIsTransientForTheHostsWindow)
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) GTEST_SKIP() << "X11 only (run on Xvfb)";
    QWidget host;
    host.setWindowTitle(QStringLiteral("host"));
    host.resize(300, 200);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    const WId id = host.winId();
    Configure(
        [&](QDialog& dialog) {
            ASSERT_NE(dialog.windowHandle(), nullptr);
            const QWindow* owner = dialog.windowHandle()->transientParent();
            ASSERT_NE(owner, nullptr);
            EXPECT_EQ(owner->winId(), id);
        },
        reinterpret_cast<void*>(static_cast<quintptr>(id)));
}

}  // namespace

int main(int argc, char** argv)
{
    // The host's own application object; the driver's dialog uses it.
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
