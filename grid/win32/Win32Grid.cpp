#include "grid/win32/Win32Grid.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace Grid_3_1 {
namespace Win32Ui {

namespace {

RECT ToRECT(const Rect& r)
{
    return RECT{r.left, r.top, r.right, r.bottom};
}

int SysIndex(Colour colour)
{
    switch (colour) {
    case Colour::Window:
        return COLOR_WINDOW;
    case Colour::ButtonFace:
        return COLOR_BTNFACE;
    case Colour::WindowText:
        return COLOR_WINDOWTEXT;
    case Colour::Highlight:
        return COLOR_HIGHLIGHT;
    case Colour::HighlightText:
        return COLOR_HIGHLIGHTTEXT;
    case Colour::GrayText:
        return COLOR_GRAYTEXT;
    }
    return COLOR_WINDOW;
}

// The core's drawing calls on a device context.
class GdiPainter final : public Painter {
public:
    GdiPainter(HDC dc, GridWindow& grid) : dc(dc), grid(grid)
    {
        SetBkMode(dc, TRANSPARENT);
        oldFont = static_cast<HFONT>(SelectObject(dc, grid.FontFor(FontRole::Item)));
    }
    ~GdiPainter() override
    {
        SelectObject(dc, oldFont);
        for (HPEN pen : pens) {
            if (pen != nullptr) DeleteObject(pen);
        }
    }
    GdiPainter(const GdiPainter&) = delete;
    GdiPainter& operator=(const GdiPainter&) = delete;

    void FillRect(const Rect& rect, Colour colour) override
    {
        const RECT r = ToRECT(rect);
        ::FillRect(dc, &r, GetSysColorBrush(SysIndex(colour)));
    }
    void Line(int x0, int y0, int x1, int y1, Colour colour) override
    {
        const HGDIOBJ old = SelectObject(dc, Pen(colour));
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
        SelectObject(dc, old);
    }
    void FrameRect(const Rect& rect, Colour colour) override
    {
        const RECT r = ToRECT(rect);
        ::FrameRect(dc, &r, GetSysColorBrush(SysIndex(colour)));
    }
    void Text(const Rect& rect, const std::string& text, FontRole font, Colour colour, unsigned flags) override
    {
        SelectObject(dc, grid.FontFor(font));
        SetTextColor(dc, GetSysColor(SysIndex(colour)));
        RECT r = ToRECT(rect);
        UINT format = DT_NOPREFIX | ((flags & TextCentre) != 0 ? DT_CENTER : DT_LEFT);
        if ((flags & TextWordBreak) != 0) {
            format |= DT_WORDBREAK;
        } else {
            format |= DT_SINGLELINE | ((flags & TextVCentre) != 0 ? DT_VCENTER : DT_TOP);
            if ((flags & TextEllipsis) != 0) format |= DT_END_ELLIPSIS;
        }
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    }
    int TextWidth(const std::string& text, FontRole font) override
    {
        SelectObject(dc, grid.FontFor(font));
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    void FocusRect(const Rect& rect) override
    {
        const RECT r = ToRECT(rect);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        DrawFocusRect(dc, &r);
    }
    void Star(const Rect& rect) override
    {
        if (grid.StarGlyph()) {
            // Character 0xAB of the symbol font, in gold.
            SelectObject(dc, grid.FontFor(FontRole::Star));
            SetTextColor(dc, RGB(226, 150, 12));
            RECT r = ToRECT(rect);
            DrawTextA(dc, "\xAB", 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            return;
        }
        // Without the symbol font: a five-pointed star of the same size.
        const double size = std::min(rect.Width(), rect.Height()) - 5.0;
        if (size <= 2.0) return;
        const double cx = rect.left + rect.Width() / 2.0;
        const double cy = rect.top + rect.Height() / 2.0;
        POINT points[10];
        for (int i = 0; i < 10; ++i) {
            const double r = i % 2 == 0 ? size / 2.0 : size / 2.0 * 0.42;
            const double a = -3.14159265358979 / 2.0 + i * 3.14159265358979 / 5.0;
            points[i] = POINT{static_cast<LONG>(std::lround(cx + r * std::cos(a))),
                              static_cast<LONG>(std::lround(cy + r * std::sin(a)))};
        }
        const HBRUSH gold = CreateSolidBrush(RGB(250, 196, 48));
        const HPEN edge = CreatePen(PS_SOLID, 1, RGB(176, 106, 0));
        const HGDIOBJ oldBrush = SelectObject(dc, gold);
        const HGDIOBJ oldPen = SelectObject(dc, edge);
        Polygon(dc, points, 10);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(gold);
        DeleteObject(edge);
    }
    void DropButton(const Rect& rect, bool pushed) override
    {
        RECT r = ToRECT(rect);
        DrawFrameControl(dc, &r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (pushed ? DFCS_PUSHED | DFCS_FLAT : 0));
    }

private:
    HPEN Pen(Colour colour)
    {
        HPEN& pen = pens[static_cast<int>(colour)];
        if (pen == nullptr) pen = CreatePen(PS_SOLID, 1, GetSysColor(SysIndex(colour)));
        return pen;
    }

    HDC dc;
    GridWindow& grid;
    HFONT oldFont;
    HPEN pens[6] = {};
};

Key KeyOf(WPARAM vk)
{
    switch (vk) {
    case VK_LEFT:
        return Key::Left;
    case VK_RIGHT:
        return Key::Right;
    case VK_UP:
        return Key::Up;
    case VK_DOWN:
        return Key::Down;
    case VK_F2:
        return Key::F2;
    case VK_RETURN:
        return Key::Return;
    case VK_ESCAPE:
        return Key::Escape;
    case VK_TAB:
        return Key::Tab;
    case VK_PRIOR:
        return Key::PageUp;
    case VK_NEXT:
        return Key::PageDown;
    case VK_HOME:
        return Key::Home;
    case VK_END:
        return Key::End;
    default:
        return Key::Other;
    }
}

// ---------------------------------------------------------------------------------------------
// The edit field (ParameterGridEditInPlace): a subclassed EDIT control.

struct EditState {
    WNDPROC original = nullptr;
    HWND grid = nullptr;
    std::string startText;
    bool reported = false;
};

LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<EditState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC original = state->original;
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | CallWindowProcA(original, window, message, wParam, lParam);
    case WM_KEYDOWN: {
        const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
        if (wParam == VK_RETURN || wParam == VK_TAB) {
            SetFocus(state->grid);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            // The starting text goes back, and leaving the field reports it.
            SetWindowTextA(window, state->startText.c_str());
            SetFocus(state->grid);
            return 0;
        }
        if (control && (wParam == VK_PRIOR || wParam == VK_NEXT || wParam == VK_UP || wParam == VK_DOWN ||
                        wParam == VK_LEFT || wParam == VK_RIGHT)) {
            SetFocus(state->grid);
            return 0;
        }
        break;
    }
    case WM_CHAR:
        if (wParam == '\r' || wParam == '\t' || wParam == 27) return 0;  // no beep
        break;
    case WM_SYSCHAR:
        return 0;  // swallowed
    case WM_KILLFOCUS: {
        const LRESULT result = CallWindowProcA(original, window, message, wParam, lParam);
        if (!state->reported) {
            state->reported = true;
            const HWND grid = state->grid;
            const std::string text = WindowText(window);
            // The grid applies the text and destroys this window: nothing of it is used after.
            SendMessageA(grid, kMsgTextEdited, reinterpret_cast<WPARAM>(text.c_str()), 0);
        }
        return result;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete state;
        return CallWindowProcA(original, window, message, wParam, lParam);
    default:
        break;
    }
    return CallWindowProcA(original, window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// The choice list (ParameterGridCombo): a pop-up drawn entirely by itself.

struct ChoiceState {
    GridWindow* grid = nullptr;
    std::vector<Choice> choices;
    int current = 0;
    int rowHeight = 16;
    bool pressed = false;
    bool reported = false;
};

int RowAt(const ChoiceState& s, int y)
{
    if (s.choices.empty()) return -1;
    const int row = (y - 1) / std::max(1, s.rowHeight);
    return std::max(0, std::min(row, static_cast<int>(s.choices.size()) - 1));
}

void PaintChoices(HWND window, HDC dc, const ChoiceState& s)
{
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ oldFont = SelectObject(dc, s.grid->FontFor(FontRole::Item));
    for (size_t i = 0; i < s.choices.size(); ++i) {
        RECT row{0, static_cast<LONG>(i) * s.rowHeight, client.right, static_cast<LONG>(i + 1) * s.rowHeight};
        const bool current = static_cast<int>(i) == s.current;
        if (current) {
            RECT fill = row;
            InflateRect(&fill, 1, 1);
            FillRect(dc, &fill, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        SetTextColor(dc, GetSysColor(!s.choices[i].enabled ? COLOR_GRAYTEXT
                                     : current             ? COLOR_HIGHLIGHTTEXT
                                                           : COLOR_WINDOWTEXT));
        RECT text = row;
        text.left += 4;
        DrawTextA(dc, s.choices[i].text.c_str(), static_cast<int>(s.choices[i].text.size()), &text,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (current) {
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
            DrawFocusRect(dc, &row);
        }
    }
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK ChoiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* s = reinterpret_cast<ChoiceState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (s == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    auto choose = [&] {
        if (s->reported || s->choices.empty()) return;
        s->reported = true;
        const HWND grid = s->grid->Handle();
        const int value = s->choices[static_cast<size_t>(s->current)].value;
        // The grid applies the value and destroys this window.
        SendMessageA(grid, kMsgChoiceMade, static_cast<WPARAM>(value), 0);
    };
    auto goAway = [&] {
        if (s->reported) return;
        s->reported = true;
        GridWindow* grid = s->grid;
        DestroyWindow(window);
        grid->ChoiceListGone(window);
    };
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(window, &ps);
        PaintChoices(window, dc, *s);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_LBUTTONDOWN: {
        SetCapture(window);
        s->pressed = true;
        const int row = RowAt(*s, GET_Y_LPARAM(lParam));
        if (row >= 0 && s->choices[static_cast<size_t>(row)].enabled) s->current = row;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (s->pressed) {
            const int row = RowAt(*s, GET_Y_LPARAM(lParam));
            if (row >= 0 && row != s->current && s->choices[static_cast<size_t>(row)].enabled) {
                s->current = row;
                InvalidateRect(window, nullptr, FALSE);
            }
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!s->pressed) return 0;
        s->pressed = false;
        ReleaseCapture();
        RECT client;
        GetClientRect(window, &client);
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (PtInRect(&client, p)) choose();
        return 0;
    }
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_RETURN:
        case VK_EXECUTE:
            choose();
            return 0;
        case VK_ESCAPE:
            goAway();
            return 0;
        case VK_UP:
            if (s->current > 0) --s->current;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case VK_DOWN:
            if (s->current + 1 < static_cast<int>(s->choices.size())) ++s->current;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        default:
            return 0;
        }
    case WM_CHAR:
        return 0;
    case WM_KILLFOCUS:
        goAway();
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete s;
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared helpers

HINSTANCE ModuleInstance()
{
    static HINSTANCE instance = [] {
        HMODULE module = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&ModuleInstance), &module);
        return static_cast<HINSTANCE>(module);
    }();
    return instance;
}

HFONT PointFont(const char* face, int tenthsOfPoint, bool bold, BYTE charset)
{
    int height = 0;
    if (tenthsOfPoint > 0) {
        const HDC screen = GetDC(nullptr);
        height = -MulDiv(tenthsOfPoint, GetDeviceCaps(screen, LOGPIXELSY), 720);
        ReleaseDC(nullptr, screen);
    }
    return CreateFontA(height, 0, 0, 0, bold ? 700 : FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

COLORREF SystemColour(Colour colour)
{
    return GetSysColor(SysIndex(colour));
}

std::string WindowText(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(std::max(0, length)) + 1, '\0');
    const int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(std::max(0, got)));
    return text;
}

// ---------------------------------------------------------------------------------------------
// The grid's window

bool GridWindow::RegisterClasses()
{
    static const bool registered = [] {
        WNDCLASSEXA grid{};
        grid.cbSize = sizeof grid;
        grid.style = CS_DBLCLKS;  // the grid's double click
        grid.lpfnWndProc = &GridWindow::Proc;
        grid.hInstance = ModuleInstance();
        grid.hCursor = LoadCursor(nullptr, IDC_ARROW);
        grid.lpszClassName = kGridClass;
        WNDCLASSEXA choices{};
        choices.cbSize = sizeof choices;
        choices.style = CS_DROPSHADOW;
        choices.lpfnWndProc = &ChoiceProc;
        choices.hInstance = ModuleInstance();
        choices.hCursor = LoadCursor(nullptr, IDC_ARROW);
        choices.lpszClassName = kChoiceClass;
        return RegisterClassExA(&grid) != 0 && RegisterClassExA(&choices) != 0;
    }();
    return registered;
}

GridWindow::GridWindow(GridInput& input, DialogInput& dialog) : input(input), dialog(dialog) {}

GridWindow* GridWindow::Create(GridInput& input, DialogInput& dialog, HWND parent, int id)
{
    if (!RegisterClasses()) return nullptr;
    auto* grid = new GridWindow(input, dialog);
    const HWND window =
        CreateWindowExA(0, kGridClass, "Grid", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_CLIPCHILDREN, 0, 0,
                        10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), grid);
    if (window == nullptr) {
        delete grid;
        return nullptr;
    }
    grid->SetFonts(80);
    return grid;
}

GridWindow::~GridWindow()
{
    if (hwnd != nullptr) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
    DeleteFonts();
}

LRESULT CALLBACK GridWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* grid = static_cast<GridWindow*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        grid->hwnd = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(grid));
    }
    auto* grid = reinterpret_cast<GridWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (grid == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        grid->hwnd = nullptr;
        grid->bar = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return grid->Handle(message, wParam, lParam);
}

LRESULT GridWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    const Point at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // everything is painted off-screen
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(hwnd, &ps);
        Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SIZE:
        PlaceScrollBar();
        input.SizeChanged();
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
        input.LeftButtonDown(at);
        return 0;
    case WM_MOUSEMOVE:
        input.MouseMove(at);
        return 0;
    case WM_LBUTTONUP:
        input.LeftButtonUp(at);
        return 0;
    case WM_LBUTTONDBLCLK:
        input.LeftDoubleClick(at);
        return 0;
    case WM_RBUTTONUP:
        input.RightButtonUp(at);
        return 0;
    case WM_MOUSEWHEEL:
        input.Wheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd) {
            ::SetCursor(LoadCursor(nullptr, cursor == Cursor::SizeWE ? IDC_SIZEWE : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_KEYDOWN:
        if (input.KeyDown(KeyOf(wParam))) return 0;
        break;
    case WM_VSCROLL: {
        ScrollAction action;
        int track = 0;
        switch (LOWORD(wParam)) {
        case SB_LINEUP:
            action = ScrollAction::LineUp;
            break;
        case SB_LINEDOWN:
            action = ScrollAction::LineDown;
            break;
        case SB_PAGEUP:
            action = ScrollAction::PageUp;
            break;
        case SB_PAGEDOWN:
            action = ScrollAction::PageDown;
            break;
        case SB_TOP:
            action = ScrollAction::Top;
            break;
        case SB_BOTTOM:
            action = ScrollAction::Bottom;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(bar, SB_CTL, &info);
            action = ScrollAction::Track;
            track = info.nTrackPos;
            break;
        }
        default:
            return 0;
        }
        input.Scroll(action, track);
        return 0;
    }
    case WM_COMMAND:
        input.Command(LOWORD(wParam));
        return 0;
    case kMsgTextEdited: {
        const std::string text = reinterpret_cast<const char*>(wParam) != nullptr
                                     ? std::string(reinterpret_cast<const char*>(wParam))
                                     : std::string();
        input.TextEdited(text);
        return 0;
    }
    case kMsgChoiceMade:
        input.ChoiceMade(static_cast<int>(wParam));
        return 0;
    case WM_CTLCOLOREDIT:
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_DESTROY:
        CloseEditor();
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void GridWindow::Paint(HDC target)
{
    RECT client;
    GetClientRect(hwnd, &client);
    const int w = std::max<LONG>(1, client.right);
    const int h = std::max<LONG>(1, client.bottom);
    // Off-screen, then copied in one step: no flicker.
    const HDC memory = CreateCompatibleDC(target);
    const HBITMAP bitmap = CreateCompatibleBitmap(target, w, h);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    {
        GdiPainter painter(memory, *this);
        input.Paint(painter);
    }
    BitBlt(target, 0, 0, w, h, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

Size GridWindow::ClientSize() const
{
    RECT client{};
    if (hwnd != nullptr) GetClientRect(hwnd, &client);
    return Size{client.right, client.bottom};
}

void GridWindow::DeleteFonts()
{
    for (HFONT* font : {&itemFont, &sectionFont, &starFont}) {
        if (*font != nullptr) DeleteObject(*font);
        *font = nullptr;
    }
}

void GridWindow::SetFonts(int fontSize)
{
    DeleteFonts();
    itemFont = PointFont("Tahoma", fontSize, false);
    sectionFont = PointFont("Tahoma", fontSize, true);
    starFont = PointFont("Wingdings", fontSize, false, SYMBOL_CHARSET);
    // Where the symbol font is missing the star is drawn as a polygon instead.
    const HDC dc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(dc, starFont);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    starGlyph = lstrcmpiA(face, "Wingdings") == 0;
    if (edit != nullptr) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(itemFont), FALSE);
}

HFONT GridWindow::FontFor(FontRole role) const
{
    switch (role) {
    case FontRole::Section:
        return sectionFont;
    case FontRole::Star:
        return starFont;
    case FontRole::Item:
    default:
        return itemFont;
    }
}

int GridWindow::TextHeight(FontRole font, const std::string& text)
{
    const HDC dc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(dc, FontFor(font));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return size.cy;
}

void GridWindow::PlaceScrollBar()
{
    if (bar == nullptr) return;
    RECT client;
    GetClientRect(hwnd, &client);
    const int w = ScrollBarWidth();
    MoveWindow(bar, client.right - w, 0, w, client.bottom, TRUE);
}

void GridWindow::SetScrollBar(bool shown, int maximum, int page, int position)
{
    if (!shown) {
        if (bar != nullptr) {
            EnableWindow(bar, FALSE);
            ShowWindow(bar, SW_HIDE);
        }
        return;
    }
    if (bar == nullptr) {
        // Created on first need.
        bar = CreateWindowExA(0, "SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 0, 0, hwnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kScrollBarId)), ModuleInstance(), nullptr);
        PlaceScrollBar();
    }
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = maximum;
    info.nPage = static_cast<UINT>(std::max(0, page));
    info.nPos = position;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
    EnableWindow(bar, TRUE);
    ShowWindow(bar, SW_SHOWNA);
}

void GridWindow::Redraw()
{
    if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

void GridWindow::SetCursor(Cursor newCursor)
{
    cursor = newCursor;
    ::SetCursor(LoadCursor(nullptr, cursor == Cursor::SizeWE ? IDC_SIZEWE : IDC_ARROW));
}

void GridWindow::CaptureMouse(bool on)
{
    if (on) {
        SetCapture(hwnd);
    } else if (GetCapture() == hwnd) {
        ReleaseCapture();
    }
}

void GridWindow::TakeFocus()
{
    SetFocus(hwnd);
}

void GridWindow::OpenTextEditor(const Rect& rect, const std::string& text)
{
    CloseEditor();
    edit = CreateWindowExA(0, "EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_LEFT, rect.left,
                           rect.top, std::max(1, rect.Width()), std::max(1, rect.Height()), hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), ModuleInstance(), nullptr);
    if (edit == nullptr) return;
    auto* state = new EditState;
    state->grid = hwnd;
    state->startText = text;
    SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    state->original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditProc)));
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(itemFont), FALSE);
    SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
}

void GridWindow::OpenChoiceList(const Rect& rect, const std::vector<Choice>& choices, int current)
{
    CloseEditor();
    auto* state = new ChoiceState;
    state->grid = this;
    state->choices = choices;
    state->rowHeight = TextHeight(FontRole::Item, "Gg") + 4;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].value == current) state->current = static_cast<int>(i);
    }
    POINT origin{rect.left, rect.top};
    ClientToScreen(hwnd, &origin);
    // The list's outer size: its rows and a one-pixel border (rows x row height + 2).
    list = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kChoiceClass, nullptr, WS_POPUP | WS_BORDER, origin.x,
                           origin.y, std::max(1, rect.Width()), static_cast<int>(choices.size()) * state->rowHeight + 2,
                           GetAncestor(hwnd, GA_ROOT), nullptr, ModuleInstance(), state);
    if (list == nullptr) {
        delete state;
        return;
    }
    ShowWindow(list, SW_SHOW);
    SetFocus(list);
}

void GridWindow::CloseEditor()
{
    if (edit != nullptr) {
        const HWND window = edit;
        edit = nullptr;
        if (auto* state = reinterpret_cast<EditState*>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
            state->reported = true;
        }
        DestroyWindow(window);
    }
    if (list != nullptr) {
        const HWND window = list;
        list = nullptr;
        if (auto* state = reinterpret_cast<ChoiceState*>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
            state->reported = true;
        }
        DestroyWindow(window);
    }
}

void GridWindow::ChoiceListGone(HWND window)
{
    if (list == window) list = nullptr;
    input.EditorClosed();
}

void GridWindow::PostCommand(int id)
{
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

int TrackMenuAt(HWND hwnd, Point at, const std::vector<MenuItem>& items)
{
    const HMENU menu = CreatePopupMenu();
    for (const MenuItem& item : items) {
        if (item.id == 0) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(item.id), item.text.c_str());
        }
    }
    POINT p{at.x, at.y};
    ClientToScreen(hwnd, &p);
    const int chosen =
        static_cast<int>(TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, p.x, p.y, 0, hwnd, nullptr));
    DestroyMenu(menu);
    return chosen;
}

int GridWindow::TrackMenu(Point at, const std::vector<MenuItem>& items)
{
    return TrackMenuAt(hwnd, at, items);
}

void GridWindow::CopyToClipboard(const std::string& text)
{
    if (!OpenClipboard(hwnd)) {
        dialog.Trace("Cannot open the Clipboard");
        return;
    }
    if (!EmptyClipboard()) {
        dialog.Trace("Cannot empty the Clipboard");
        CloseClipboard();
        return;
    }
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    if (block != nullptr) {
        if (void* memory = GlobalLock(block)) {
            std::memcpy(memory, text.c_str(), text.size());
            GlobalUnlock(block);
        }
        if (SetClipboardData(CF_TEXT, block) == nullptr) {
            const std::string message =
                "Cannot set the Clipboard data, error: " + std::to_string(static_cast<unsigned long>(GetLastError()));
            OutputDebugStringA(message.c_str());
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

}  // namespace Win32Ui
}  // namespace Grid_3_1
