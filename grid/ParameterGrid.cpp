#include "grid/ParameterGrid.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "grid/Trace.h"

using Util_2_1::FlagFavourite;
using Util_2_1::FlagHidden;
using Util_2_1::FlagModified;
using Util_2_1::Param;

namespace Grid_3_1 {

namespace {

// A section without a name cannot hold items; such parameters go under this one.
const char* const kUnnamedSection = "Other";

std::vector<std::string> SplitWords(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

}  // namespace

ParameterGrid::ParameterGrid(bool traceFlag)
{
    SetTraceEnabled(traceFlag);
    Trace("*** ParameterGrid ctor entering");
    Trace("*** ParameterGrid ctor ended");
}

ParameterGrid::~ParameterGrid() = default;

void ParameterGrid::Attach(GridView* newView)
{
    view = newView;
    if (view == nullptr) return;
    RecreateFonts();
    recalcColumns = true;
    EnsureColumns();
}

void ParameterGrid::Init(Util_2_1::AllParametersList* list)
{
    if (initialised || list == nullptr) return;
    Trace("*** ParameterGrid Init entering");
    params = list;
    for (const auto& p : *list) {
        Trace(p->Name());
        if (p->TestFlags(FlagHidden)) continue;
        allSections.Add(p->Section().empty() ? kUnnamedSection : p->Section(), true, p.get());
        p->ClearFlags(FlagModified);
    }
    initialised = true;
    Trace("*** ParameterGrid::Init point 2");
    Rebuild();
    Trace("*** ParameterGrid::Init complete");
}

void ParameterGrid::Rebuild()
{
    // The rows are rebuilt: nothing may point into the old ones.
    CloseOpenEditor();
    selectedItem = nullptr;
    selectedSection = nullptr;
    shownSections.Clear();
    for (const auto& section : allSections.Sections()) {
        for (const auto& item : section->items) {
            if (!favouritesOnly || item->param->TestFlags(FlagFavourite)) {
                shownSections.Add(section->name, !section->collapsed, item->param);
            }
        }
    }
}

void ParameterGrid::SetFavouritesOnly(bool on)
{
    favouritesOnly = on;
    Rebuild();
    UpdateScroll();
}

void ParameterGrid::SetCollapsed(const std::string& name, bool collapsed)
{
    if (ASection* s = allSections.Find(name)) s->collapsed = collapsed;
    if (ASection* s = shownSections.Find(name)) s->collapsed = collapsed;
}

void ParameterGrid::ExpandAll(bool expand)
{
    for (const auto& s : allSections.Sections()) s->collapsed = !expand;
    for (const auto& s : shownSections.Sections()) s->collapsed = !expand;
    UpdateScroll();
}

void ParameterGrid::SetCollapsedSections(const std::string& text)
{
    Trace("*** Grid SetCollapsedSections Entering");
    bool changed = false;
    for (const std::string& word : SplitWords(text)) {
        for (SectionList* list : {&allSections, &shownSections}) {
            ASection* s = list->Find(word);
            if (s == nullptr) continue;
            changed = changed || !s->collapsed;
            s->collapsed = true;
        }
    }
    if (changed) UpdateScroll();
}

std::string ParameterGrid::CollapsedSectionsText() const
{
    std::string text;
    for (const auto& s : shownSections.Sections()) {
        if (s->collapsed) text += s->name + " ";
    }
    return text;
}

bool ParameterGrid::SetColumnRatios(double a, double b)
{
    if (!(a > 0.02 && b > 0.02 && a + b < 0.98)) return false;
    ratios.col0 = a;
    ratios.col1 = b;
    recalcColumns = true;
    Redraw();
    return true;
}

void ParameterGrid::RecreateFonts()
{
    if (view == nullptr) return;
    view->SetFonts(fontSize);
    rowHeight = view->TextHeight(FontRole::Item, "Gg") + 2 * kMargin;
}

Size ParameterGrid::Client() const
{
    return view != nullptr ? view->ClientSize() : Size{};
}

int ParameterGrid::ColumnsWidth() const
{
    int w = Client().width;
    if (scrollShown && view != nullptr) w -= view->ScrollBarWidth();
    return std::max(w, 0);
}

void ParameterGrid::RecalcColumns()
{
    const int w = ColumnsWidth();
    col0 = static_cast<int>(w * ratios.col0);
    col1 = static_cast<int>(w * ratios.col1);
    col2 = static_cast<int>(w * (1.0 - ratios.col0 - ratios.col1));
    recalcColumns = false;
}

void ParameterGrid::EnsureColumns()
{
    if (recalcColumns) RecalcColumns();
}

int ParameterGrid::TotalHeight() const
{
    int total = 0;
    for (const auto& s : shownSections.Sections()) {
        total += rowHeight;
        if (!s->collapsed) total += static_cast<int>(s->items.size()) * rowHeight;
    }
    return total;
}

int ParameterGrid::MaxScroll() const
{
    return std::max(0, TotalHeight() - Client().height);
}

void ParameterGrid::UpdateScroll()
{
    if (!initialised) return;
    const int total = TotalHeight();
    const int height = Client().height;
    if (total < height) {
        if (scrollShown) recalcColumns = true;
        scrollShown = false;
        scrollPos = 0;
        if (view != nullptr) view->SetScrollBar(false, 0, 0, 0);
    } else {
        if (!scrollShown) recalcColumns = true;
        scrollShown = true;
        scrollPos = std::min(scrollPos, MaxScroll());
        if (view != nullptr) view->SetScrollBar(true, total, height, scrollPos);
    }
    Redraw();
}

void ParameterGrid::SizeChanged()
{
    recalcColumns = true;
    UpdateScroll();
    Redraw();
}

void ParameterGrid::Redraw()
{
    if (view != nullptr) view->Redraw();
}

void ParameterGrid::Notify(int message, int index, const char* name)
{
    if (listener != nullptr) listener->GridNotify(message, index, name);
}

void ParameterGrid::NotifySelection()
{
    if (selectedItem != nullptr) {
        Notify(kMsgSelectionChanged, selectedItem->index, selectedItem->param->Name().c_str());
    } else {
        Notify(kMsgSelectionChanged, -1, nullptr);
    }
}

void ParameterGrid::ClearSelection()
{
    selectedItem = nullptr;
    selectedSection = nullptr;
}

void ParameterGrid::Select(ASection* section, ASectionItem* item)
{
    selectedSection = item == nullptr ? section : nullptr;
    selectedItem = item;
}

// ---------------------------------------------------------------------------------------------
// Geometry

void ParameterGrid::Layout()
{
    EnsureColumns();
    const int width = ColumnsWidth();
    const int star = StarColumnWidth();
    int y = -scrollPos;
    for (const auto& section : shownSections.Sections()) {
        section->headerRect = Rect{0, y, width, y + rowHeight};
        section->boxRect = Rect{kMargin, y + kMargin + 2, kMargin + kBoxSize, y + kMargin + 2 + kBoxSize};
        y += rowHeight;
        for (const auto& item : section->items) {
            if (section->collapsed) {
                item->rowRect = item->starRect = item->nameRect = item->valueRect = item->rangeRect = Rect{};
                continue;
            }
            item->rowRect = Rect{0, y, width, y + rowHeight};
            item->starRect = Rect{0, y, star, y + rowHeight};
            item->nameRect = Rect{star + 2 * kMargin, y, col0 - 1, y + rowHeight};
            item->valueRect = Rect{col0 + 2 * kMargin, y, col0 + col1 - 1, y + rowHeight};
            item->rangeRect = Rect{col0 + col1 + 2 * kMargin, y, width, y + rowHeight};
            y += rowHeight;
        }
    }
}

ParameterGrid::EditorKind ParameterGrid::EditorKindOf(const Param& p)
{
    switch (p.Type()) {
    case Util_2_1::TypeInt:
    case Util_2_1::TypeUInt:
    case Util_2_1::TypeFloat:
    case Util_2_1::TypeString:
    case Util_2_1::TypeIP:
    case Util_2_1::TypeVector:
        return EditorKind::Text;
    case Util_2_1::TypeBool:
    case Util_2_1::TypeEnum:
        return EditorKind::Choice;
    default:
        return EditorKind::None;
    }
}

std::string ParameterGrid::RangeColumnText(const Param& p)
{
    bool ranged = false;
    switch (p.Type()) {
    case Util_2_1::TypeInt:
    case Util_2_1::TypeUInt:
        ranged = p.Minimum().i64 < p.Maximum().i64;
        break;
    case Util_2_1::TypeFloat:
        ranged = p.Minimum().d + 0.1 < p.Maximum().d;
        break;
    default:
        break;
    }
    if (!ranged) return {};
    std::string text;
    p.RangeText(text);
    return text + " " + p.Unit();
}

bool ParameterGrid::HasDropButton(const ASectionItem& item) const
{
    return &item == selectedItem && IsEditable(*item.param) && EditorKindOf(*item.param) != EditorKind::None;
}

Rect ParameterGrid::DropButtonRect() const
{
    if (selectedItem == nullptr || !HasDropButton(*selectedItem) || selectedItem->rowRect.Empty()) return Rect{};
    const Rect& row = selectedItem->rowRect;
    const int right = col0 + col1 - 1;
    return Rect{right - rowHeight + 1, row.top, right, row.bottom - 1};
}

// ---------------------------------------------------------------------------------------------
// Painting

void ParameterGrid::Paint(Painter& painter)
{
    if (beforePaint) beforePaint();
    Layout();
    const Size client = Client();
    const int width = ColumnsWidth();
    painter.FillRect(Rect{0, 0, client.width, client.height}, Colour::Window);
    if (shownSections.Empty()) {
        painter.Text(Rect{0, 10, width, client.height}, "Empty", FontRole::Item, Colour::WindowText,
                     TextCentre | TextWordBreak);
    } else {
        int bottom = 0;
        for (const auto& section : shownSections.Sections()) {
            PaintSection(painter, *section, width, client.height);
            bottom = section->headerRect.bottom;
            if (!section->collapsed && !section->items.empty()) bottom = section->items.back()->rowRect.bottom;
        }
        if (bottom < client.height) painter.FillRect(Rect{0, bottom, width, client.height}, Colour::ButtonFace);
    }
    ++paintCount;
    if (afterPaint) afterPaint();
}

void ParameterGrid::PaintSection(Painter& painter, ASection& section, int width, int height)
{
    const Rect& h = section.headerRect;
    if (h.bottom > 0 && h.top < height) {
        painter.FillRect(h, Colour::ButtonFace);
        if (gridLines) {
            painter.Line(0, h.top, width, h.top, Colour::ButtonFace);
            painter.Line(0, h.bottom - 1, width, h.bottom - 1, Colour::ButtonFace);
        }
        painter.Line(col0, h.top, col0, h.bottom, Colour::ButtonFace);
        const Rect& b = section.boxRect;
        painter.FrameRect(b, Colour::WindowText);
        const int mid = b.top + kBoxSize / 2;
        painter.Line(b.left + 2, mid, b.left + 7, mid, Colour::WindowText);
        if (section.collapsed) {
            const int centre = b.left + kBoxSize / 2;
            painter.Line(centre, b.top + 2, centre, b.top + 7, Colour::WindowText);
        }
        const int nameLeft = kMargin * 3 + 8 + 2 * kMargin;
        const Rect nameRect{nameLeft, h.top, width - kMargin, h.bottom};
        painter.Text(nameRect, section.name, FontRole::Section, Colour::WindowText, TextVCentre | TextEllipsis);
        if (&section == selectedSection) {
            const int textWidth = std::min(painter.TextWidth(section.name, FontRole::Section), nameRect.Width());
            painter.FocusRect(Rect{nameLeft - 2, h.top + 1, nameLeft + textWidth + 2, h.bottom - 1});
        }
    }
    if (section.collapsed) return;
    for (const auto& item : section.items) {
        const Rect& r = item->rowRect;
        if (r.bottom <= 0 || r.top >= height) continue;
        PaintItem(painter, *item, width);
    }
}

void ParameterGrid::PaintItem(Painter& painter, ASectionItem& item, int width)
{
    const Param& p = *item.param;
    const Rect& r = item.rowRect;
    const bool selected = &item == selectedItem;
    const bool editable = IsEditable(p);

    painter.FillRect(item.starRect, Colour::ButtonFace);
    if (p.TestFlags(FlagFavourite)) painter.Star(item.starRect);
    if (gridLines) {
        painter.Line(item.starRect.right, r.bottom - 1, width, r.bottom - 1, Colour::ButtonFace);
        painter.Line(col0, r.top, col0, r.bottom, Colour::ButtonFace);
        painter.Line(col0 + col1, r.top, col0 + col1, r.bottom, Colour::ButtonFace);
    }
    if (selected) {
        painter.FillRect(Rect{item.starRect.right, r.top, col0, r.bottom - 1}, Colour::Highlight);
    }
    painter.Text(item.nameRect, p.Name(), FontRole::Item, selected ? Colour::HighlightText : Colour::WindowText,
                 TextVCentre | TextEllipsis);

    Rect value = item.valueRect;
    if (HasDropButton(item)) {
        const Rect drop = DropButtonRect();
        value.right = drop.left - 1;
        if (EditorKindOf(p) == EditorKind::Choice) painter.DropButton(drop, dropPressed && dropHot);
    }
    painter.Text(value, p.GetTextString(), FontRole::Item, editable ? Colour::WindowText : Colour::GrayText,
                 TextVCentre | TextEllipsis);
    const std::string range = RangeColumnText(p);
    if (!range.empty()) {
        painter.Text(item.rangeRect, range, FontRole::Item, Colour::GrayText, TextVCentre | TextEllipsis);
    }
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void ParameterGrid::SetScrollPosition(int position)
{
    const int clamped = std::max(0, std::min(position, MaxScroll()));
    if (!scrollShown) return;
    scrollPos = clamped;
    if (view != nullptr) view->SetScrollBar(true, TotalHeight(), Client().height, scrollPos);
    Redraw();
}

void ParameterGrid::Scroll(ScrollAction action, int trackPosition)
{
    const int page = Client().height;
    switch (action) {
    case ScrollAction::LineUp:
        SetScrollPosition(scrollPos - rowHeight);
        break;
    case ScrollAction::LineDown:
        SetScrollPosition(scrollPos + rowHeight);
        break;
    case ScrollAction::PageUp:
        SetScrollPosition(scrollPos - page);
        break;
    case ScrollAction::PageDown:
        SetScrollPosition(scrollPos + page);
        break;
    case ScrollAction::Top:
        SetScrollPosition(0);
        break;
    case ScrollAction::Bottom:
        SetScrollPosition(MaxScroll());
        break;
    case ScrollAction::Track:
        SetScrollPosition(trackPosition);
        break;
    }
}

void ParameterGrid::Wheel(int delta)
{
    // Three lines per 120 units; finer wheels add up until a line is reached.
    wheelRest += delta * 3;
    const int lines = wheelRest / 120;
    wheelRest -= lines * 120;
    if (lines != 0) SetScrollPosition(scrollPos - lines * rowHeight);
}

void ParameterGrid::EnsureVisible(const Rect& row)
{
    const int height = Client().height;
    if (row.top < 0) {
        SetScrollPosition(scrollPos + row.top);
    } else if (row.bottom > height) {
        SetScrollPosition(scrollPos + row.bottom - height);
    }
}

// ---------------------------------------------------------------------------------------------
// Mouse

void ParameterGrid::CloseOpenEditor()
{
    if (view != nullptr && view->EditorOpen()) view->CloseEditor();
    openEditor = EditorKind::None;
}

void ParameterGrid::SelectAt(Point at)
{
    ClearSelection();
    for (const auto& section : shownSections.Sections()) {
        if (section->boxRect.Inflated(kMargin, kMargin).Contains(at)) {
            const bool collapsed = !section->collapsed;
            SetCollapsed(section->name, collapsed);
            Select(section.get(), nullptr);
            NotifySelection();
            UpdateScroll();
            return;
        }
        if (section->headerRect.Contains(at)) {
            Select(section.get(), nullptr);
            NotifySelection();
            Redraw();
            return;
        }
        if (section->collapsed) continue;
        for (const auto& item : section->items) {
            if (!item->rowRect.Contains(at)) continue;
            if (!selectAnyItem && !IsEditable(*item->param)) break;
            Select(section.get(), item.get());
            NotifySelection();
            if (ValueColumn(item->rowRect).Contains(at) && EditorKindOf(*item->param) != EditorKind::None) {
                pendingEdit = true;
            }
            Redraw();
            return;
        }
    }
    NotifySelection();
    Redraw();
}

void ParameterGrid::LeftButtonDown(Point at)
{
    Layout();
    if (view != nullptr) view->TakeFocus();
    // Taking the focus lets an edit field deliver its text; whatever is still open goes.
    CloseOpenEditor();
    Layout();
    const Rect drop = DropButtonRect();
    if (!drop.Empty() && drop.Contains(at)) {
        dropPressed = true;
        dropHot = true;
        if (view != nullptr) view->CaptureMouse(true);
        Redraw();
        return;
    }
    const int border1 = col0;
    const int border2 = col0 + col1;
    if (std::abs(at.x - border1) <= kBorderGrab || std::abs(at.x - border2) <= kBorderGrab) {
        dragBorder = std::abs(at.x - border1) <= kBorderGrab ? 0 : 1;
        dragStartX = at.x;
        dragStartWidth = dragBorder == 0 ? col0 : col1;
        if (view != nullptr) {
            view->CaptureMouse(true);
            view->SetCursor(Cursor::SizeWE);
        }
        return;
    }
    SelectAt(at);
}

void ParameterGrid::MouseMove(Point at)
{
    if (dragBorder >= 0) {
        const int w = ColumnsWidth();
        if (w <= 0) return;
        const int other = dragBorder == 0 ? col1 : col0;
        const int lowest = w / 20;
        const int highest = w - other - static_cast<int>(w * 0.05);
        const int width = std::max(lowest, std::min(highest, dragStartWidth + at.x - dragStartX));
        if (dragBorder == 0) {
            col0 = width;
            ratios.col0 = static_cast<double>(width) / w;
        } else {
            col1 = width;
            ratios.col1 = static_cast<double>(width) / w;
        }
        col2 = static_cast<int>(w * (1.0 - ratios.col0 - ratios.col1));
        Redraw();
        return;
    }
    if (dropPressed) {
        const bool hot = DropButtonRect().Contains(at);
        if (hot != dropHot) {
            dropHot = hot;
            Redraw();
        }
        return;
    }
    EnsureColumns();
    const bool near = std::abs(at.x - col0) <= kBorderHover || std::abs(at.x - (col0 + col1)) <= kBorderHover;
    if (view != nullptr) view->SetCursor(near ? Cursor::SizeWE : Cursor::Arrow);
}

void ParameterGrid::LeftButtonUp(Point at)
{
    if (dropPressed || pendingEdit) {
        const bool wasDrop = dropPressed;
        const bool wasPending = pendingEdit;
        dropPressed = false;
        dropHot = false;
        pendingEdit = false;
        if (view != nullptr) view->CaptureMouse(false);
        Redraw();
        Layout();
        if (selectedItem == nullptr) return;
        const bool overDrop = wasDrop && DropButtonRect().Contains(at);
        const bool inValue = wasPending && ValueColumn(selectedItem->rowRect).Contains(at);
        // An item that cannot be edited opens no editor (painting and double click agree).
        if ((overDrop || inValue) && IsEditable(*selectedItem->param)) OpenEditor();
        return;
    }
    if (dragBorder >= 0) {
        dragBorder = -1;
        if (view != nullptr) {
            view->CaptureMouse(false);
            view->SetCursor(Cursor::Arrow);
        }
        return;
    }
    Layout();
    if (selectedItem != nullptr && selectedItem->starRect.Contains(at) && view != nullptr) {
        view->PostCommand(kCmdStar);
    }
}

void ParameterGrid::LeftDoubleClick(Point at)
{
    Layout();
    // The first click may have opened a choice list; the double click decides instead.
    CloseOpenEditor();
    pendingEdit = false;
    if (selectedItem != nullptr && selectedItem->rowRect.Contains(at)) {
        Param& p = *selectedItem->param;
        if (!IsEditable(p)) return;
        if (p.Type() == Util_2_1::TypeBool) {
            p.SetBool(!p.GetBool());
            p.SetFlags(FlagModified);
            Notify(kMsgBoolChanged, selectedItem->index, p.Name().c_str());
        } else if (p.Type() == Util_2_1::TypeEnum && p.GetEnumCount() > 0) {
            p.SetEnumIndex((p.GetEnumIndex() + 1) % p.GetEnumCount());
            p.SetFlags(FlagModified);
            Notify(kMsgEnumChanged, selectedItem->index, p.Name().c_str());
        }
        Redraw();
        return;
    }
    if (selectedSection != nullptr && selectedSection->headerRect.Contains(at)) {
        SetCollapsed(selectedSection->name, !selectedSection->collapsed);
        UpdateScroll();
    }
}

void ParameterGrid::RightButtonUp(Point at)
{
    Layout();
    if (view != nullptr) view->TakeFocus();
    CloseOpenEditor();
    Layout();
    // Only the selection part of a left press: a right click neither drags a border nor arms
    // an editor.
    SelectAt(at);
    pendingEdit = false;
    if (selectedItem == nullptr || view == nullptr) return;
    const std::vector<MenuItem> menu = {{kCmdStar, "Star on/off"},
                                        {0, ""},
                                        {kCmdCopyName, "Copy name to Clipboard"},
                                        {kCmdCopyValue, "Copy  value to Clipboard"},
                                        {kCmdCopyDescription, "Copy description to Clipboard"}};
    const int chosen = view->TrackMenu(at, menu);
    if (chosen != 0) Command(chosen);
}

// ---------------------------------------------------------------------------------------------
// Keys

std::vector<ParameterGrid::Row> ParameterGrid::VisibleRows() const
{
    std::vector<Row> rows;
    for (const auto& section : shownSections.Sections()) {
        rows.push_back(Row{section.get(), nullptr});
        if (section->collapsed) continue;
        for (const auto& item : section->items) rows.push_back(Row{section.get(), item.get()});
    }
    return rows;
}

void ParameterGrid::MoveSelection(int step)
{
    const std::vector<Row> rows = VisibleRows();
    if (rows.empty()) return;
    int current = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        if ((rows[i].item != nullptr && rows[i].item == selectedItem) ||
            (rows[i].item == nullptr && selectedItem == nullptr && rows[i].section == selectedSection)) {
            current = static_cast<int>(i);
            break;
        }
    }
    int next = current < 0 ? 0 : current + step;
    next = std::max(0, std::min(next, static_cast<int>(rows.size()) - 1));
    if (next == current) return;
    Select(rows[next].section, rows[next].item);
    NotifySelection();
    Layout();
    EnsureVisible(rows[next].item != nullptr ? rows[next].item->rowRect : rows[next].section->headerRect);
    Redraw();
}

bool ParameterGrid::KeyDown(Key key)
{
    switch (key) {
    case Key::Left:
    case Key::Right:
        if (selectedSection != nullptr) {
            const bool collapse = key == Key::Left;
            if (selectedSection->collapsed != collapse) {
                SetCollapsed(selectedSection->name, collapse);
                UpdateScroll();
            }
        }
        return true;
    case Key::Up:
        MoveSelection(-1);
        return true;
    case Key::Down:
        MoveSelection(1);
        return true;
    case Key::F2:
        if (selectedItem != nullptr && IsEditable(*selectedItem->param) &&
            EditorKindOf(*selectedItem->param) != EditorKind::None) {
            Layout();
            EnsureVisible(selectedItem->rowRect);
            Layout();
            OpenEditor();
        }
        return true;
    case Key::PageUp:
        Scroll(ScrollAction::PageUp, 0);
        return true;
    case Key::PageDown:
        Scroll(ScrollAction::PageDown, 0);
        return true;
    case Key::Home:
        Scroll(ScrollAction::Top, 0);
        return true;
    case Key::End:
        Scroll(ScrollAction::Bottom, 0);
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// The in-place windows

void ParameterGrid::OpenEditor()
{
    if (selectedItem == nullptr || view == nullptr) return;
    const Param& p = *selectedItem->param;
    const Rect& row = selectedItem->rowRect;
    const EditorKind kind = EditorKindOf(p);
    if (kind == EditorKind::Choice) {
        std::vector<Choice> choices;
        int current = p.GetInt();
        if (p.Type() == Util_2_1::TypeBool) {
            choices = {{"true", kChoiceTrue, true}, {"false", kChoiceFalse, true}};
            current = p.GetBool() ? kChoiceTrue : kChoiceFalse;
        } else {
            for (int i = 0; i < p.GetEnumCount(); ++i) {
                const Util_2_1::EnumEntry& e = p.GetEnumEntry(i);
                if (e.valid != 0) choices.push_back(Choice{e.name, e.value, true});
            }
        }
        if (choices.empty()) return;
        const int choiceRow = view->TextHeight(FontRole::Item, "Gg") + 4;
        const int height = static_cast<int>(choices.size()) * choiceRow + 2;
        openEditor = EditorKind::Choice;
        view->OpenChoiceList(Rect{col0, row.bottom, col0 + col1, row.bottom + height}, choices, current);
    } else if (kind == EditorKind::Text) {
        const Rect& cell = selectedItem->valueRect;
        openEditor = EditorKind::Text;
        view->OpenTextEditor(Rect{cell.left + 1, row.top + kMargin, cell.right, row.bottom - kMargin},
                             p.GetTextString());
    }
}

void ParameterGrid::TextEdited(const std::string& text)
{
    openEditor = EditorKind::None;
    if (view != nullptr && view->EditorOpen()) view->CloseEditor();
    if (selectedItem != nullptr) {
        Param& p = *selectedItem->param;
        p.SetText(text);
        p.SetFlags(FlagModified);
        Notify(kMsgTextApplied, selectedItem->index, p.Name().c_str());
    }
    Redraw();
}

void ParameterGrid::ChoiceMade(int value)
{
    openEditor = EditorKind::None;
    if (view != nullptr && view->EditorOpen()) view->CloseEditor();
    if (selectedItem != nullptr) {
        Param& p = *selectedItem->param;
        if (p.Type() == Util_2_1::TypeBool) {
            p.SetBool(value == kChoiceTrue);
            p.SetFlags(FlagModified);
            Notify(kMsgBoolChanged, selectedItem->index, p.Name().c_str());
        } else if (p.Type() == Util_2_1::TypeEnum) {
            p.SetUInt(static_cast<unsigned>(value));
            p.SetFlags(FlagModified);
            Notify(kMsgEnumChanged, selectedItem->index, p.Name().c_str());
        }
    }
    Redraw();
}

void ParameterGrid::EditorClosed()
{
    openEditor = EditorKind::None;
    Redraw();
}

// ---------------------------------------------------------------------------------------------
// Commands

void ParameterGrid::Command(int id)
{
    if (selectedItem == nullptr) return;
    Param& p = *selectedItem->param;
    switch (id) {
    case kCmdStar:
        p.ToggleFlags(FlagFavourite);
        Redraw();
        break;
    case kCmdCopyName:
        if (view != nullptr) view->CopyToClipboard(p.Name());
        break;
    case kCmdCopyValue:
        if (view != nullptr) view->CopyToClipboard(p.GetText());
        break;
    case kCmdCopyDescription:
        if (view != nullptr) view->CopyToClipboard(p.Description());
        break;
    default:
        break;
    }
}

}  // namespace Grid_3_1
