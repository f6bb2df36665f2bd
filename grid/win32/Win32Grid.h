// The grid's window on plain Win32 and GDI: a window class of our own that hands its messages
// to the core (GridInput) and paints what the core draws into an off-screen bitmap, with the
// edit field (a subclassed EDIT control), the owner-drawn choice list (a pop-up window class
// of our own), the scroll bar control, the context menu and the clipboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "grid/Backend.h"

namespace Grid_3_1 {
namespace Win32Ui {

// A pop-up menu at a client point of the window; the chosen item's id, 0 for none.
int TrackMenuAt(HWND hwnd, Point at, const std::vector<MenuItem>& items);

// Window class names, also what a test looks for.
constexpr const char* kDialogClass = "OrnicParameterDlg";
constexpr const char* kGridClass = "OrnicParameterGrid";
constexpr const char* kChoiceClass = "OrnicGridChoices";
constexpr int kEditId = 1000;
constexpr int kScrollBarId = 1001;

HINSTANCE ModuleInstance();
// "Tahoma" (or another face) of a size in tenths of a point, as CreatePointFont makes it; a
// size of 0 or less gives the face's default height.
HFONT PointFont(const char* face, int tenthsOfPoint, bool bold, BYTE charset = DEFAULT_CHARSET);
COLORREF SystemColour(Colour colour);
std::string WindowText(HWND window);

class GridWindow final : public GridView {
public:
    static bool RegisterClasses();
    // The grid's window, a bordered child of the dialog; null on failure.
    static GridWindow* Create(GridInput& input, DialogInput& dialog, HWND parent, int id);
    ~GridWindow() override;
    GridWindow(const GridWindow&) = delete;
    GridWindow& operator=(const GridWindow&) = delete;

    HWND Handle() const { return hwnd; }

    // GridView
    Size ClientSize() const override;
    int ScrollBarWidth() const override { return GetSystemMetrics(SM_CXVSCROLL); }
    void SetFonts(int fontSize) override;
    int TextHeight(FontRole font, const std::string& text) override;
    void SetScrollBar(bool shown, int maximum, int page, int position) override;
    void Redraw() override;
    void SetCursor(Cursor cursor) override;
    void CaptureMouse(bool on) override;
    void TakeFocus() override;
    void OpenTextEditor(const Rect& rect, const std::string& text) override;
    void OpenChoiceList(const Rect& rect, const std::vector<Choice>& choices, int current) override;
    bool EditorOpen() const override { return edit != nullptr || list != nullptr; }
    void CloseEditor() override;
    void PostCommand(int id) override;
    int TrackMenu(Point at, const std::vector<MenuItem>& items) override;
    void CopyToClipboard(const std::string& text) override;

    HFONT FontFor(FontRole role) const;
    bool StarGlyph() const { return starGlyph; }
    GridInput& Input() { return input; }
    // The choice list went by itself (Escape, focus lost).
    void ChoiceListGone(HWND window);

private:
    GridWindow(GridInput& input, DialogInput& dialog);
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC target);
    void PlaceScrollBar();
    void DeleteFonts();

    GridInput& input;
    DialogInput& dialog;
    HWND hwnd = nullptr;
    HWND bar = nullptr;
    HWND edit = nullptr;
    HWND list = nullptr;
    HFONT itemFont = nullptr;
    HFONT sectionFont = nullptr;
    HFONT starFont = nullptr;
    bool starGlyph = false;  // the star font is a symbol font with the star at 0xAB
    Cursor cursor = Cursor::Arrow;
};

}  // namespace Win32Ui
}  // namespace Grid_3_1
