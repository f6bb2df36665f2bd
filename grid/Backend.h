// The seam between the dialog's toolkit-free core (ParameterGrid, ParameterDlg) and a toolkit
// backend (grid/win32 for the Windows DLL, grid/qt for Linux). Everything here is an abstract
// interface or a plain value: a backend includes only this header and GridTypes.h, so the Qt
// backend, a shared library of its own, calls the core only through virtual functions and
// never links the driver's code (its own copies of the logger or of Globals would be
// separate, empty instances).
//
// Direction of calls:
//   core -> backend: Painter (drawing), GridView (the grid's window), DialogView (the dialog
//                    window and its controls), DialogBackend::RunModal (show it modally).
//   backend -> core: GridInput (what happened in the grid's window), DialogInput (what
//                    happened in the dialog window).
// All calls happen on the thread that runs the dialog. No exception crosses the seam: the
// core catches its own, and a backend catches what its toolkit throws.
#pragma once

#include <string>
#include <vector>

#include "grid/GridTypes.h"

namespace Grid_3_1 {

// Drawing into the grid's off-screen picture. Lines go from the first point up to, not
// including, the second (GDI's MoveTo/LineTo).
class Painter {
public:
    virtual ~Painter() = default;
    virtual void FillRect(const Rect& rect, Colour colour) = 0;
    virtual void Line(int x0, int y0, int x1, int y1, Colour colour) = 0;
    // A one-pixel frame just inside the rectangle.
    virtual void FrameRect(const Rect& rect, Colour colour) = 0;
    virtual void Text(const Rect& rect, const std::string& text, FontRole font, Colour colour, unsigned flags) = 0;
    virtual int TextWidth(const std::string& text, FontRole font) = 0;
    virtual void FocusRect(const Rect& rect) = 0;
    // The favourite star, centred in the rectangle (a star glyph).
    virtual void Star(const Rect& rect) = 0;
    // A combo box's drop-down arrow button filling the rectangle.
    virtual void DropButton(const Rect& rect, bool pushed) = 0;
};

struct Choice {
    std::string text;
    int value = 0;
    bool enabled = true;
};

// id 0 is a separator.
struct MenuItem {
    int id = 0;
    std::string text;
};

// What the grid asks of its window.
class GridView {
public:
    virtual ~GridView() = default;
    // The whole client area, the scroll bar's strip included.
    virtual Size ClientSize() const = 0;
    virtual int ScrollBarWidth() const = 0;
    // (Re)creates the star, item and bold section fonts of this size (tenths of a point).
    virtual void SetFonts(int fontSize) = 0;
    virtual int TextHeight(FontRole font, const std::string& text) = 0;
    // Hidden: the bar is disabled and takes no room. Shown: range 0..maximum, page, position.
    virtual void SetScrollBar(bool shown, int maximum, int page, int position) = 0;
    virtual void Redraw() = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    virtual void CaptureMouse(bool on) = 0;
    virtual void TakeFocus() = 0;
    // The in-place windows. Only one exists at a time. The edit field reports through
    // GridInput::TextEdited when it loses the focus, the list through ChoiceMade; either
    // reports EditorClosed when it goes without a result.
    virtual void OpenTextEditor(const Rect& rect, const std::string& text) = 0;
    virtual void OpenChoiceList(const Rect& rect, const std::vector<Choice>& choices, int current) = 0;
    virtual bool EditorOpen() const = 0;
    // Destroys the open in-place window without a result.
    virtual void CloseEditor() = 0;
    // Runs the command after the current input event (Windows: PostMessage WM_COMMAND).
    virtual void PostCommand(int id) = 0;
    // A pop-up menu at a point of the grid; the chosen id, or 0.
    virtual int TrackMenu(Point at, const std::vector<MenuItem>& items) = 0;
    virtual void CopyToClipboard(const std::string& text) = 0;
};

// What the grid's window tells the grid.
class GridInput {
public:
    virtual ~GridInput() = default;
    virtual void Paint(Painter& painter) = 0;
    virtual void SizeChanged() = 0;
    virtual void LeftButtonDown(Point at) = 0;
    virtual void MouseMove(Point at) = 0;
    virtual void LeftButtonUp(Point at) = 0;
    virtual void LeftDoubleClick(Point at) = 0;
    virtual void RightButtonUp(Point at) = 0;
    // True when the grid used the key.
    virtual bool KeyDown(Key key) = 0;
    virtual void Scroll(ScrollAction action, int trackPosition) = 0;
    virtual void Wheel(int delta) = 0;
    virtual void TextEdited(const std::string& text) = 0;  // 4034
    virtual void ChoiceMade(int value) = 0;                // 4035
    virtual void EditorClosed() = 0;
    virtual void Command(int id) = 0;
    virtual int ScrollPosition() const = 0;
    virtual int RowHeight() const = 0;
    virtual int FontSize() const = 0;
};

// One image button of the dialog.
struct ButtonDesc {
    int id = 0;
    const char* caption = "";  // empty: a small image-only button
    const char* bitmap = "";   // the file name used in messages
    const char* tooltip = "";
    int imageWidth = 0;
    int imageHeight = 0;
};

// What the dialog asks of its window.
class DialogView {
public:
    virtual ~DialogView() = default;
    virtual void SetTitle(const std::string& title) = 0;
    // The window's outer rectangle (frame included) and its client rectangle.
    virtual Rect WindowRect() const = 0;
    virtual Rect ClientRect() const = 0;
    // Outer size; the position stays.
    virtual void SetWindowSize(int width, int height) = 0;
    // The description box (bordered) and the ini label, both empty at first.
    virtual bool CreateStatics() = 0;
    // The grid's window, a bordered child with this identifier; null on failure.
    virtual GridView* CreateGridWindow(GridInput& grid, int id) = 0;
    virtual bool CreateButton(const ButtonDesc& button, int width, int height) = 0;
    // "Tahoma" of this size (tenths of a point) for the description box and the ini label.
    virtual void SetDialogFont(int fontSize) = 0;
    virtual int DialogTextHeight(const std::string& text) = 0;
    virtual Size ControlSize(int id) const = 0;
    virtual void MoveControl(int id, const Rect& rect) = 0;
    virtual void ShowControl(int id, bool show) = 0;
    virtual void SetControlText(int id, const std::string& text) = 0;
    virtual void RedrawControl(int id) = 0;
    virtual void FocusControl(int id) = 0;
    // A file dialog; true with the chosen folder, a separator and the file name in `path`.
    // open: the file must exist. Both: the folder must exist, overwriting is confirmed.
    virtual bool ChooseFile(bool open, std::string& path) = 0;
    virtual void EndDialog(int result) = 0;
    virtual int TrackMenu(Point at, const std::vector<MenuItem>& items) = 0;
};

// What the dialog's window tells the dialog.
class DialogInput {
public:
    virtual ~DialogInput() = default;
    virtual const std::string& Title() const = 0;
    // The smallest outer size the user can drag the window to.
    virtual Size MinimumSize() const = 0;
    // OnCreate: 0 on success, -1 on failure.
    virtual int Create(DialogView& view) = 0;
    // OnInitDialog: false ends the dialog.
    virtual bool InitDialog() = 0;
    virtual GridInput& Grid() = 0;
    // Buttons, Enter (kIdOk) and Escape (kIdCancel), and the window's close box (kIdCancel).
    virtual void Command(int id) = 0;
    virtual void SizeChanged(int clientWidth, int clientHeight) = 0;
    virtual void RightButtonUp(Point at) = 0;
    virtual void Destroying() = 0;
    // The dialog trace, and a level-1 error line, for the backend's own failures.
    virtual void Trace(const std::string& message) = 0;
    virtual void LogError(const std::string& tag, const std::string& text) = 0;
};

// A toolkit that can show the dialog.
class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    virtual const char* Name() const = 0;
    // Runs the dialog modally over `parent` (Windows: the host's HWND; X11: a window id, or
    // null). 1 closed with OK, 2 with Cancel, 0 when OnInitDialog failed, -1 when the dialog
    // could not be shown at all (the reason in `error`).
    virtual int RunModal(DialogInput& dialog, void* parent, std::string& error) = 0;
};

// A backend in a shared library of its own exports this one C function.
extern "C" {
typedef DialogBackend* (*BackendEntryFn)(int interfaceVersion);
}
constexpr const char* kBackendEntryName = "OrnicGridBackend_3_1";
// Raised whenever an interface above changes, so that a stale library is refused.
constexpr int kBackendInterfaceVersion = 1;

}  // namespace Grid_3_1
