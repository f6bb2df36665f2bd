// The Win32 dialog as the host opens it, under wine64 on a virtual X display: configureCamera
// through the DLL's exports on a simulated camera; a second thread finds the dialog's windows
// and drives them with window messages (clicks, a double click, characters typed into the edit
// field, Enter, the buttons), captures the dialog's pixels with GDI and checks them against the
// geometry the grid should have, and saves the pictures. OK stores and applies; Apply then Cancel puts
// the camera back; a fresh dialog (which reads the camera) shows what the camera holds.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "camsim/SimControl.h"
#include "integration/DriverLibrary.h"
#include "support/TempDir.h"

namespace {

const char* const kMonoName = "SIM-GM130 (S1000001)";
const char* const kDialogClass = "OrnicParameterDlg";
constexpr int kGridId = 32782;

// The favourites-only view: 0 [ImageFormatControl] 1 Width 2 [AcquisitionControl]
// 3 AcquisitionFrameRateEnable 4 ExposureTime.
const char* const kFavouritesIni =
    "[Port.0.0]\r\n$Camera=SIM-GM130 (S1000001)\r\n"
    "[General]\r\nlib_Favourites=Width AcquisitionFrameRateEnable ExposureTime\r\nlib_DialogFavMode=true\r\n";

// What the screen shows of a window, 32 bits per pixel, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    COLORREF At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
        const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool SaveBmp(const std::string& path) const
    {
        const int stride = (width * 3 + 3) & ~3;
        BITMAPFILEHEADER file{};
        BITMAPINFOHEADER info{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info;
        file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
        info.biSize = sizeof info;
        info.biWidth = width;
        info.biHeight = height;
        info.biPlanes = 1;
        info.biBitCount = 24;
        FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr) return false;
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info, sizeof info, 1, out);
        std::vector<uint8_t> line(static_cast<size_t>(stride), 0);
        for (int y = height - 1; y >= 0; --y) {
            for (int x = 0; x < width; ++x) {
                const COLORREF c = At(x, y);
                line[static_cast<size_t>(x) * 3] = GetBValue(c);
                line[static_cast<size_t>(x) * 3 + 1] = GetGValue(c);
                line[static_cast<size_t>(x) * 3 + 2] = GetRValue(c);
            }
            std::fwrite(line.data(), 1, line.size(), out);
        }
        return std::fclose(out) == 0;
    }
};

// The window's pixels as the screen shows them (GDI, from the screen's device context).
Picture Capture(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300);
    RECT r{};
    GetWindowRect(window, &r);
    Picture picture;
    picture.width = r.right - r.left;
    picture.height = r.bottom - r.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    picture.pixels.assign(p, p + static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

// The grid's geometry, computed here on its own: "Tahoma" of 8 points, rows of its "Gg"
// height and two margins of 3, columns 30 % and 40 % of the grid's width.
struct Geometry {
    HWND grid = nullptr;
    int rowHeight = 0;
    int col0 = 0;
    int col1 = 0;

    explicit Geometry(HWND g) : grid(g)
    {
        const HDC dc = GetDC(grid);
        const HFONT font = CreateFontA(-MulDiv(80, GetDeviceCaps(dc, LOGPIXELSY), 720), 0, 0, 0, FW_NORMAL, FALSE,
                                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
        const HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32A(dc, "Gg", 2, &size);
        SelectObject(dc, old);
        DeleteObject(font);
        ReleaseDC(grid, dc);
        rowHeight = size.cy + 2 * 3;
        RECT client{};
        GetClientRect(grid, &client);
        int w = client.right;
        const HWND bar = FindWindowExA(grid, nullptr, "ScrollBar", nullptr);
        if (bar != nullptr && IsWindowVisible(bar)) w -= GetSystemMetrics(SM_CXVSCROLL);
        col0 = static_cast<int>(w * 0.3);
        col1 = static_cast<int>(w * 0.4);
    }
    int RowY(int row) const { return row * rowHeight + rowHeight / 2; }
    POINT Name(int row) const { return POINT{17 + 10, RowY(row)}; }
    POINT Value(int row) const { return POINT{col0 + 12, RowY(row)}; }
    POINT Box(int row) const { return POINT{3 + 4, row * rowHeight + 3 + 2 + 4}; }
};

LPARAM At(POINT p)
{
    return MAKELPARAM(p.x, p.y);
}

void Click(HWND window, POINT p)
{
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(p));
    SendMessageA(window, WM_LBUTTONUP, 0, At(p));
}

// As Windows delivers a double click.
void DoubleClick(HWND window, POINT p)
{
    Click(window, p);
    SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, At(p));
    SendMessageA(window, WM_LBUTTONUP, 0, At(p));
}

void Key(HWND window, WPARAM vk)
{
    SendMessageA(window, WM_KEYDOWN, vk, 1);
    SendMessageA(window, WM_KEYUP, vk, 0xC0000001);
}

HWND EditOf(HWND grid)
{
    return FindWindowExA(grid, nullptr, "Edit", nullptr);
}

std::string TextOf(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void Press(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

COLORREF Sys(int index)
{
    return GetSysColor(index);
}

class Win32DialogTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(DriverLibrary::Get().LoadAll(error)) << error;
    }
    void Start(const char* ini)
    {
        CamSim_Reset();
        ASSERT_EQ(CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono", nullptr), 0);
        dir.Write("ornic.ini", ini);
        ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
        OrnicImageSize size{};
        ASSERT_EQ(d.openCVLPort(0, 0, kMonoName, &size), 1);
        started = true;
    }
    void TearDown() override
    {
        if (!started) return;
        d.closeCVLPort(0, 0);
        EXPECT_EQ(d.finalize(), 1);
        CamSim_Reset();
    }

    // configureCamera on this thread; `user` works the dialog from another thread, as a
    // person at the screen would. A dialog still open afterwards is closed (Cancel).
    int Configure(const std::function<void(HWND dialog, HWND grid)>& user)
    {
        std::atomic<bool> done{false};
        std::thread hand([&] {
            HWND dialog = nullptr;
            for (int i = 0; i < 3000 && dialog == nullptr; ++i) {
                dialog = FindWindowA(kDialogClass, nullptr);
                if (dialog == nullptr || !IsWindowVisible(dialog)) {
                    dialog = nullptr;
                    Sleep(20);
                }
            }
            if (dialog == nullptr) {
                const HWND hidden = FindWindowA(kDialogClass, nullptr);
                ADD_FAILURE() << "no dialog window" << (hidden != nullptr ? " (one exists, hidden)" : "");
                return;
            }
            Sleep(200);
            user(dialog, GetDlgItem(dialog, kGridId));
            for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) {
                if (i == 0) PostMessageA(dialog, WM_CLOSE, 0, 0);
                Sleep(20);
            }
            done = true;
        });
        const auto start = std::chrono::steady_clock::now();
        const int result = d.configureCamera(nullptr, kMonoName);
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        hand.join();
        if (!done.load()) std::printf("configureCamera answered %d after %.1f s\n", result, seconds);
        EXPECT_TRUE(done.load());
        if (!done.load()) {
            for (const std::string& line : DriverLibrary::Lines().Lines()) {
                if (line.find("ERR") != std::string::npos || line.find("onfigur") != std::string::npos) {
                    std::printf("driver: %s", line.c_str());
                }
            }
        }
        return result;
    }

    // What the camera holds: a fresh dialog reads it; the value cell's edit field shows it.
    std::string ExposureInCamera(int row)
    {
        std::string shown;
        Configure([&](HWND dialog, HWND grid) {
            const Geometry g(grid);
            Click(grid, g.Value(row));
            shown = TextOf(EditOf(grid));
            Press(dialog, 32806);  // Cancel
        });
        return shown;
    }

    std::string Picture(const char* name) const { return std::string(ORNIC_PICTURE_DIR) + "/" + name; }

    DriverLibrary& d = DriverLibrary::Get();
    TempDir dir;
    bool started = false;
};

TEST_F(Win32DialogTest, OkStoresTheEditsAndTheCameraTakesThem)
{
    Start(kFavouritesIni);
    const int result = Configure([&](HWND dialog, HWND grid) {
        ASSERT_NE(grid, nullptr);
        char title[128] = {};
        GetWindowTextA(dialog, title, sizeof title);
        EXPECT_EQ(std::string(title), std::string("Configure camera : ") + kMonoName);
        RECT window{};
        GetWindowRect(dialog, &window);
        EXPECT_EQ(window.right - window.left, 800);
        EXPECT_EQ(window.bottom - window.top, 400);
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, 32804)));  // star_pressed2: favourites only
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 32803)));
        const Geometry g(grid);

        // Row 4 is ExposureTime (the simulated camera's 10000 us); its edit field goes again.
        Click(grid, g.Value(4));
        ASSERT_NE(EditOf(grid), nullptr);
        EXPECT_EQ(TextOf(EditOf(grid)), "10000");
        Key(EditOf(grid), VK_ESCAPE);
        EXPECT_EQ(EditOf(grid), nullptr);

        // Collapse the first section: ExposureTime moves up to row 3.
        Click(grid, g.Box(0));
        Click(grid, g.Value(3));
        const HWND edit = EditOf(grid);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(TextOf(edit), "10000");
        for (char c : std::string("12345")) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
        Key(edit, VK_RETURN);
        EXPECT_EQ(EditOf(grid), nullptr);
        // The boolean above it, double-clicked.
        DoubleClick(grid, g.Name(2));
        Click(grid, g.Name(3));  // ExposureTime selected

        const struct Picture picture = Capture(dialog);
        EXPECT_TRUE(picture.SaveBmp(Picture("dialog-win32-favourites.bmp")));
        POINT origin{0, 0};
        ClientToScreen(grid, &origin);
        RECT frame{};
        GetWindowRect(dialog, &frame);
        auto pixel = [&](int x, int y) { return picture.At(origin.x - frame.left + x, origin.y - frame.top + y); };
        // Header rows in the button face, item rows on the window colour.
        EXPECT_EQ(pixel(g.col0 + g.col1 + 40, g.RowY(0)), Sys(COLOR_BTNFACE));
        EXPECT_EQ(pixel(g.col0 + g.col1 + 40, g.RowY(1)), Sys(COLOR_BTNFACE));
        EXPECT_EQ(pixel(g.col0 + 2, g.RowY(2)), Sys(COLOR_WINDOW));
        // Column borders at col0 and col0 + col1.
        EXPECT_EQ(pixel(g.col0, g.RowY(2)), Sys(COLOR_BTNFACE));
        EXPECT_EQ(pixel(g.col0 + g.col1, g.RowY(2)), Sys(COLOR_BTNFACE));
        EXPECT_EQ(pixel(g.col0 - 3, g.RowY(2)), Sys(COLOR_WINDOW));
        // The selected row's name cell, highlighted up to the first border.
        EXPECT_EQ(pixel(g.col0 - 3, g.RowY(3)), Sys(COLOR_HIGHLIGHT));
        EXPECT_EQ(pixel(17 + 1, g.RowY(3)), Sys(COLOR_HIGHLIGHT));
        // The star column in the button face.
        EXPECT_EQ(pixel(1, 2 * g.rowHeight + 1), Sys(COLOR_BTNFACE));

        Press(dialog, 32805);  // OK
    });
    EXPECT_EQ(result, 1);
    const std::string ini = dir.Read("ornic.ini");
    EXPECT_THAT(ini, ::testing::HasSubstr("ExposureTime=12345"));
    EXPECT_THAT(ini, ::testing::HasSubstr("AcquisitionFrameRateEnable=true"));
    EXPECT_THAT(ini, ::testing::HasSubstr("lib_CollapsedSec=ImageFormatControl"));
    EXPECT_THAT(ini, ::testing::HasSubstr("lib_DialogWidth=800"));
    // The camera has the value: a fresh dialog, with the section still collapsed, reads it.
    EXPECT_EQ(ExposureInCamera(3), "12345");
}

TEST_F(Win32DialogTest, CancelAfterApplyPutsTheCameraBack)
{
    Start(kFavouritesIni);
    const std::string before = ExposureInCamera(4);
    ASSERT_EQ(before, "10000");
    const int result = Configure([&](HWND dialog, HWND grid) {
        const Geometry g(grid);
        Click(grid, g.Value(4));
        const HWND edit = EditOf(grid);
        ASSERT_NE(edit, nullptr);
        for (char c : std::string("23456")) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
        Key(edit, VK_RETURN);
        Press(dialog, 32807);  // Apply: the camera takes it now
        // Escape, as the keyboard delivers it (posted), on the grid: the dialog's Cancel.
        PostMessageA(grid, WM_KEYDOWN, VK_ESCAPE, 1);
        for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(20);
        EXPECT_FALSE(IsWindow(dialog));
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ExposureInCamera(4), before);
    EXPECT_THAT(dir.Read("ornic.ini"), ::testing::Not(::testing::HasSubstr("ExposureTime=23456")));
}

TEST_F(Win32DialogTest, TheChoiceListAndTheKeyboard)
{
    Start(kFavouritesIni);
    const int result = Configure([&](HWND, HWND grid) {
        const Geometry g(grid);
        // The bool's value cell opens the choice list: "true" (the first row) is chosen.
        Click(grid, g.Value(3));
        const HWND list = FindWindowA("OrnicGridChoices", nullptr);
        ASSERT_NE(list, nullptr);
        RECT r{};
        GetWindowRect(list, &r);
        EXPECT_EQ(r.right - r.left, g.col1);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 3));
        SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(10, 3));
        EXPECT_FALSE(IsWindow(list));
        // Down five times reaches ExposureTime; F2 opens its editor; Enter in the field is
        // the field's, Enter on the grid is OK.
        for (int i = 0; i < 5; ++i) Key(grid, VK_DOWN);
        Key(grid, VK_F2);
        const HWND edit = EditOf(grid);
        ASSERT_NE(edit, nullptr);
        Key(edit, VK_RETURN);
        PostMessageA(grid, WM_KEYDOWN, VK_RETURN, 1);
        for (int i = 0; i < 100 && IsWindow(GetParent(grid)); ++i) Sleep(20);
    });
    EXPECT_EQ(result, 1);
    EXPECT_THAT(dir.Read("ornic.ini"), ::testing::HasSubstr("AcquisitionFrameRateEnable=true"));
}

// The picture for the documentation: every parameter, a larger window, one section folded,
// a setting with its description selected.
TEST_F(Win32DialogTest, PictureOfTheFullList)
{
    Start(
        "[Port.0.0]\r\n$Camera=SIM-GM130 (S1000001)\r\n[General]\r\nlib_DialogWidth=960\r\nlib_DialogHeight=600\r\n"
        "lib_CollapsedSec=DeviceControl\r\n");
    Configure([&](HWND dialog, HWND grid) {
        for (int i = 0; i < 5; ++i) Key(grid, VK_DOWN);  // CameraBufferCount
        const struct Picture picture = Capture(dialog);
        EXPECT_EQ(picture.width, 960);
        EXPECT_EQ(picture.height, 600);
        EXPECT_TRUE(picture.SaveBmp(Picture("dialog-win32.bmp")));
        char description[512] = {};
        GetWindowTextA(GetDlgItem(dialog, 32783), description, sizeof description);
        EXPECT_THAT(std::string(description), ::testing::HasSubstr("Number of image buffers"));
        Press(dialog, 32806);
    });
}

}  // namespace
