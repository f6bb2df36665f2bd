// Plain values shared by the dialog's core and its toolkit backends: rectangles in pixels, the
// colour and font roles the core paints with, keys, the dialog's message and command
// numbers. Header-only and free of any toolkit.
#pragma once

#include <cstdint>

namespace Grid_3_1 {

struct Point {
    int x = 0;
    int y = 0;
};

struct Size {
    int width = 0;
    int height = 0;
};

// Left and top inside, right and bottom outside, as a Windows RECT.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool Intersects(const Rect& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    Rect Inflated(int dx, int dy) const { return Rect{left - dx, top - dy, right + dx, bottom + dy}; }
    bool operator==(const Rect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

// The system colours the grid paints with (taken from the system).
enum class Colour { Window, ButtonFace, WindowText, Highlight, HighlightText, GrayText };

// The grid's three fonts, all of the grid's font size: the star glyph, the items, and the bold
// section names.
enum class FontRole { Star, Item, Section };

enum class Cursor { Arrow, SizeWE };

// Text placement flags (combine with |).
enum TextFlags : unsigned {
    TextLeft = 0,
    TextCentre = 1,     // horizontally
    TextVCentre = 2,    // vertically, single line
    TextEllipsis = 4,   // cut with "..." at the end when too wide
    TextWordBreak = 8,  // several lines, broken between words
};

enum class Key { Other, Left, Right, Up, Down, F2, Return, Escape, Tab, PageUp, PageDown, Home, End };

enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Track };

// Messages between the grid, its in-place windows and the dialog.
constexpr int kMsgTextEdited = 4034;        // edit field -> grid: text edit finished
constexpr int kMsgChoiceMade = 4035;        // choice list -> grid: choice made
constexpr int kMsgEnumChanged = 4036;       // grid -> dialog
constexpr int kMsgTextApplied = 4037;       // grid -> dialog
constexpr int kMsgBoolChanged = 4038;       // grid -> dialog
constexpr int kMsgSelectionChanged = 4075;  // grid -> dialog

// The grid's context-menu commands.
constexpr int kCmdCopyName = 32773;
constexpr int kCmdCopyDescription = 32778;
constexpr int kCmdCopyValue = 32779;
constexpr int kCmdStar = 32780;

// The dialog's controls and commands.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdGrid = 32782;
constexpr int kIdDescription = 32783;
constexpr int kIdIniLabel = 32785;
constexpr int kIdLoad = 32801;
constexpr int kIdSave = 32802;
constexpr int kIdStar = 32803;
constexpr int kIdStarPressed = 32804;
constexpr int kIdOkButton = 32805;
constexpr int kIdCancelButton = 32806;
constexpr int kIdApply = 32807;
constexpr int kIdFontUp = 32808;
constexpr int kIdFontDown = 32809;
constexpr int kIdExpand = 32810;
constexpr int kIdCollapse = 32811;

// The choice values of a boolean in the choice list.
constexpr int kChoiceTrue = 10;
constexpr int kChoiceFalse = 0;

}  // namespace Grid_3_1
