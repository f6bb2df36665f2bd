// The dialog's window on plain Win32: the top-level window (class OrnicParameterDlg) with its
// owner-drawn image buttons (bitmap resources 32801..32811, linked with windres), tooltips,
// the description box and the ini label, file dialogs and the pop-up menu; and the modal loop.
#include "grid/win32/Win32Backend.h"

// <windows.h> first: the other system headers build on it.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <string>

#include "grid/win32/Win32Grid.h"

namespace Grid_3_1 {
namespace Win32Ui {

namespace {

// The BUTTON class's own window procedure, which the subclassed image buttons call on.
WNDPROC buttonClassProc = nullptr;

struct ImageButton {
    HWND hwnd = nullptr;
    HBITMAP bitmap = nullptr;
    int imageWidth = 0;
    int imageHeight = 0;
    std::string caption;
    bool hot = false;
};

class DialogWindow final : public DialogView {
public:
    explicit DialogWindow(DialogInput& input) : input(input) {}
    ~DialogWindow() override
    {
        if (hwnd != nullptr) DestroyWindow(hwnd);
        for (auto& b : buttons) {
            if (b.second.bitmap != nullptr) DeleteObject(b.second.bitmap);
        }
        if (dialogFont != nullptr) DeleteObject(dialogFont);
        if (captionFont != nullptr) DeleteObject(captionFont);
    }
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    static bool Register();
    bool Create(HWND owner, std::string& error);
    int Run(HWND owner);

    // DialogView
    void SetTitle(const std::string& title) override { SetWindowTextA(hwnd, title.c_str()); }
    Rect WindowRect() const override
    {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return Rect{r.left, r.top, r.right, r.bottom};
    }
    Rect ClientRect() const override
    {
        RECT r{};
        GetClientRect(hwnd, &r);
        return Rect{r.left, r.top, r.right, r.bottom};
    }
    void SetWindowSize(int width, int height) override
    {
        SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        openedHeight = height;
    }
    bool CreateStatics() override;
    GridView* CreateGridWindow(GridInput& gridInput, int id) override;
    bool CreateButton(const ButtonDesc& button, int width, int height) override;
    void SetDialogFont(int fontSize) override;
    int DialogTextHeight(const std::string& text) override;
    Size ControlSize(int id) const override
    {
        RECT r{};
        if (const HWND w = Control(id)) GetWindowRect(w, &r);
        return Size{r.right - r.left, r.bottom - r.top};
    }
    void MoveControl(int id, const Rect& rect) override
    {
        if (const HWND w = Control(id)) MoveWindow(w, rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
    }
    void ShowControl(int id, bool show) override
    {
        if (const HWND w = Control(id)) ShowWindow(w, show ? SW_SHOWNA : SW_HIDE);
    }
    void SetControlText(int id, const std::string& text) override
    {
        if (const HWND w = Control(id)) SetWindowTextA(w, text.c_str());
    }
    void RedrawControl(int id) override
    {
        if (const HWND w = Control(id)) InvalidateRect(w, nullptr, TRUE);
    }
    void FocusControl(int id) override
    {
        if (const HWND w = Control(id)) SetFocus(w);
    }
    bool ChooseFile(bool open, std::string& path) override;
    void EndDialog(int result) override
    {
        ended = true;
        endResult = result;
        PostMessageA(hwnd, WM_NULL, 0, 0);
    }
    int TrackMenu(Point at, const std::vector<MenuItem>& items) override;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void DrawButton(const DRAWITEMSTRUCT& item);
    bool PreTranslate(const MSG& msg);
    HWND Control(int id) const
    {
        const auto found = controls.find(id);
        return found != controls.end() ? found->second : nullptr;
    }

    DialogInput& input;
    HWND hwnd = nullptr;
    HWND tooltip = nullptr;
    std::map<int, HWND> controls;
    std::map<int, ImageButton> buttons;
    std::unique_ptr<GridWindow> grid;
    HFONT dialogFont = nullptr;
    HFONT captionFont = nullptr;
    int openedHeight = 0;
    bool created = false;  // WM_CREATE was reached
    DWORD controlError = 0;
    bool ended = false;
    int endResult = 2;
};

bool DialogWindow::Register()
{
    static const bool registered = [] {
        WNDCLASSEXA c{};
        c.cbSize = sizeof c;
        c.lpfnWndProc = &DialogWindow::Proc;
        c.hInstance = ModuleInstance();
        c.hCursor = LoadCursor(nullptr, IDC_ARROW);
        c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        c.lpszClassName = kDialogClass;
        return RegisterClassExA(&c) != 0;
    }();
    return registered && GridWindow::RegisterClasses();
}

bool DialogWindow::Create(HWND owner, std::string& error)
{
    // The dialog template: pop-up, caption, system menu, sizing border, 3-D look.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    const HWND window =
        CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kDialogClass, input.Title().c_str(), style,
                        CW_USEDEFAULT, CW_USEDEFAULT, 800, 400, owner, nullptr, ModuleInstance(), this);
    if (window == nullptr) {
        error = "the dialog window could not be created (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    // OnCreate, once the window exists: the description box and the ini label.
    if (input.Create(*this) != 0) {
        error = "the dialog's controls could not be created (error " + std::to_string(controlError) + ")";
        return false;
    }
    return true;
}

LRESULT CALLBACK DialogWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<DialogWindow*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->hwnd = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT DialogWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        created = true;
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) input.SizeChanged(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_GETMINMAXINFO: {
        // The smallest size for the user's drags; a window opened smaller (the default
        // 800 x 400 is below 450) may keep its opening height.
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        const Size minimum = input.MinimumSize();
        info->ptMinTrackSize.x = minimum.width;
        info->ptMinTrackSize.y = openedHeight > 0 ? std::min(minimum.height, openedHeight) : 0;
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == 0) input.Command(LOWORD(wParam));
        return 0;
    case WM_CLOSE:
        input.Command(kIdCancel);
        return 0;
    case WM_DRAWITEM:
        DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_SETCURSOR: {
        const HWND over = reinterpret_cast<HWND>(wParam);
        for (const auto& b : buttons) {
            if (b.second.hwnd == over && LOWORD(lParam) == HTCLIENT) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    }
    case WM_RBUTTONUP:
        input.RightButtonUp(Point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == Control(kIdDescription)) {
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_DESTROY:
        input.Destroying();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool DialogWindow::CreateStatics()
{
    const HWND description =
        CreateWindowExA(WS_EX_CLIENTEDGE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdDescription)), ModuleInstance(), nullptr);
    const HWND iniLabel =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, 0, 0, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdIniLabel)), ModuleInstance(), nullptr);
    if (description == nullptr || iniLabel == nullptr) {
        controlError = GetLastError();
        return false;
    }
    controls[kIdDescription] = description;
    controls[kIdIniLabel] = iniLabel;
    captionFont = PointFont("Tahoma", 80, false);
    tooltip =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, ModuleInstance(), nullptr);
    return true;
}

GridView* DialogWindow::CreateGridWindow(GridInput& gridInput, int id)
{
    grid.reset(GridWindow::Create(gridInput, input, hwnd, id));
    if (grid == nullptr) return nullptr;
    controls[id] = grid->Handle();
    return grid.get();
}

bool DialogWindow::CreateButton(const ButtonDesc& desc, int width, int height)
{
    const auto bitmap = static_cast<HBITMAP>(
        LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(desc.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap == nullptr) return false;
    const HWND button = CreateWindowExA(0, "BUTTON", desc.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0,
                                        0, width, height, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(desc.id)),
                                        ModuleInstance(), nullptr);
    if (button == nullptr) {
        DeleteObject(bitmap);
        return false;
    }
    ImageButton& b = buttons[desc.id];
    b.hwnd = button;
    b.bitmap = bitmap;
    b.imageWidth = desc.imageWidth;
    b.imageHeight = desc.imageHeight;
    b.caption = desc.caption;
    controls[desc.id] = button;
    // Subclassed the classic way (comctl32's SetWindowSubclass needs version 6 by name).
    SetWindowLongPtrA(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    const auto original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ButtonProc)));
    if (buttonClassProc == nullptr) buttonClassProc = original;
    if (tooltip != nullptr) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(button);
        tool.lpszText = const_cast<char*>(desc.tooltip);
        SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    return true;
}

// Hot tracking: the button under the pointer is drawn raised.
LRESULT CALLBACK DialogWindow::ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE)) {
        const auto found = self->buttons.find(GetDlgCtrlID(window));
        if (found != self->buttons.end()) {
            const bool hot = message == WM_MOUSEMOVE;
            if (found->second.hot != hot) {
                found->second.hot = hot;
                InvalidateRect(window, nullptr, FALSE);
            }
            if (hot) {
                TRACKMOUSEEVENT track{};
                track.cbSize = sizeof track;
                track.dwFlags = TME_LEAVE;
                track.hwndTrack = window;
                TrackMouseEvent(&track);
            }
        }
    }
    return CallWindowProcA(buttonClassProc, window, message, wParam, lParam);
}

void DialogWindow::DrawButton(const DRAWITEMSTRUCT& item)
{
    const auto found = buttons.find(static_cast<int>(item.CtlID));
    if (found == buttons.end()) return;
    const ImageButton& b = found->second;
    const HDC dc = item.hDC;
    RECT r = item.rcItem;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    if (pressed || b.hot) {
        // A flat image button that lights up under the pointer and sinks when pressed.
        const HBRUSH fill = CreateSolidBrush(pressed ? RGB(204, 228, 247) : RGB(229, 241, 251));
        const HPEN edge = CreatePen(PS_SOLID, 1, pressed ? RGB(0, 84, 153) : RGB(0, 120, 215));
        const HGDIOBJ oldBrush = SelectObject(dc, fill);
        const HGDIOBJ oldPen = SelectObject(dc, edge);
        RoundRect(dc, r.left, r.top, r.right, r.bottom, 5, 5);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(fill);
        DeleteObject(edge);
    }
    const int shift = pressed ? 1 : 0;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const bool captioned = !b.caption.empty();
    const int x = r.left + (width - b.imageWidth) / 2 + shift;
    const int y = captioned ? r.top + 6 + shift : r.top + (height - b.imageHeight) / 2 + shift;
    const HDC memory = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(memory, b.bitmap);
    // The key colour (magenta) is transparent.
    TransparentBlt(dc, x, y, b.imageWidth, b.imageHeight, memory, 0, 0, b.imageWidth, b.imageHeight, RGB(255, 0, 255));
    SelectObject(memory, old);
    DeleteDC(memory);
    if (captioned) {
        const HGDIOBJ oldFont = SelectObject(dc, captionFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        RECT text{r.left + shift, y + b.imageHeight + 3, r.right + shift, r.bottom};
        DrawTextA(dc, b.caption.c_str(), static_cast<int>(b.caption.size()), &text,
                  DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, oldFont);
    }
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void DialogWindow::SetDialogFont(int fontSize)
{
    const HFONT font = PointFont("Tahoma", fontSize, false);
    for (int id : {kIdDescription, kIdIniLabel}) {
        if (const HWND w = Control(id)) SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (dialogFont != nullptr) DeleteObject(dialogFont);
    dialogFont = font;
}

int DialogWindow::DialogTextHeight(const std::string& text)
{
    const HDC dc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(dc, dialogFont);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return size.cy;
}

bool DialogWindow::ChooseFile(bool open, std::string& path)
{
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    // The file and its folder must exist (Load), the folder (Save); overwriting is
    // confirmed; no default extension, name or filter.
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | (open ? OFN_FILEMUSTEXIST : 0);
    const BOOL chosen = open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    if (!chosen) return false;
    // The folder, "\", the file name.
    const std::string full(file);
    const std::string folder = ofn.nFileOffset > 0 ? full.substr(0, ofn.nFileOffset - 1) : std::string();
    path = folder.empty() ? full : folder + "\\" + full.substr(ofn.nFileOffset);
    return true;
}

int DialogWindow::TrackMenu(Point at, const std::vector<MenuItem>& items)
{
    return TrackMenuAt(hwnd, at, items);
}

// Enter and Escape are OK and Cancel, except in the edit field and the choice list (which
// take them themselves); Tab walks the controls.
bool DialogWindow::PreTranslate(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN) return false;
    const HWND focus = GetFocus();
    if (focus == nullptr || (focus != hwnd && !IsChild(hwnd, focus))) return false;
    char className[32] = {};
    GetClassNameA(focus, className, sizeof className);
    if (lstrcmpiA(className, "Edit") == 0) return false;
    if (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) {
        input.Command(msg.wParam == VK_RETURN ? kIdOk : kIdCancel);
        return true;
    }
    if (msg.wParam == VK_TAB) {
        const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        if (const HWND next = GetNextDlgTabItem(hwnd, focus, back)) SetFocus(next);
        return true;
    }
    return false;
}

int DialogWindow::Run(HWND owner)
{
    // Modal: the host's window is disabled while the dialog runs.
    const HWND root = owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
    const bool ownerWasEnabled = root != nullptr && IsWindowEnabled(root);
    if (ownerWasEnabled) EnableWindow(root, FALSE);
    // Centred over the owner, or on the screen.
    RECT area{};
    if (root != nullptr) {
        GetWindowRect(root, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT self{};
    GetWindowRect(hwnd, &self);
    const int x = area.left + std::max<LONG>(0, ((area.right - area.left) - (self.right - self.left)) / 2);
    const int y = area.top + std::max<LONG>(0, ((area.bottom - area.top) - (self.bottom - self.top)) / 2);
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    if (const HWND g = Control(kIdGrid)) SetFocus(g);

    MSG msg;
    while (!ended) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The application is quitting: end as Cancel and let the host's loop see WM_QUIT.
            PostQuitMessage(static_cast<int>(msg.wParam));
            if (!ended) input.Command(kIdCancel);
            ended = true;
            break;
        }
        if (got < 0) break;
        if (PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (ownerWasEnabled) EnableWindow(root, TRUE);
    if (root != nullptr) SetActiveWindow(root);
    return ended ? endResult : 2;
}

class Backend final : public DialogBackend {
public:
    const char* Name() const override { return "Win32"; }

    int RunModal(DialogInput& dialog, void* parent, std::string& error) override
    {
        try {
            INITCOMMONCONTROLSEX controls{};
            controls.dwSize = sizeof controls;
            controls.dwICC = ICC_WIN95_CLASSES;
            InitCommonControlsEx(&controls);
            if (!DialogWindow::Register()) {
                error = "the dialog's window classes could not be registered";
                return -1;
            }
            const HWND owner = static_cast<HWND>(parent);
            DialogWindow window(dialog);
            if (!window.Create(owner, error)) return -1;
            if (!dialog.InitDialog()) return 0;
            return window.Run(owner);
        } catch (const std::exception& e) {
            error = std::string("the Win32 dialog failed: ") + e.what();
        } catch (...) {
            error = "the Win32 dialog failed";
        }
        return -1;
    }
};

}  // namespace

}  // namespace Win32Ui

DialogBackend& Win32Backend()
{
    static Win32Ui::Backend backend;
    return backend;
}

}  // namespace Grid_3_1
