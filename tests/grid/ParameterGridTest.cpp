// The grid without a window: model, geometry, hit tests, scroll range, border
// drags, the editing state machine, favourites and collapsed sections.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "grid/GridTestSupport.h"

using namespace GridTest;
using Util_2_1::FlagFavourite;
using Util_2_1::FlagHidden;
using Util_2_1::FlagModified;
using Util_2_1::FlagReadOnly;
using Util_2_1::ParamBool;
using Util_2_1::ParamEnum;
using Util_2_1::ParamFloat;
using Util_2_1::ParamInt;
using Util_2_1::ParamString;

namespace {

struct Notification {
    int message;
    int index;
    std::string name;
};

class Listener : public GridListener {
public:
    std::vector<Notification> seen;
    void GridNotify(int message, int index, const char* name) override
    {
        seen.push_back({message, index, name != nullptr ? name : "(null)"});
    }
    int Count(int message) const
    {
        int n = 0;
        for (const auto& s : seen) n += s.message == message ? 1 : 0;
        return n;
    }
};

// Sections A (a_int, a_bool, and a_string further down the list), B (b_enum, b_float) and
// C (c_ro, read-only), plus a hidden parameter; the eight lib_ settings are hidden as well.
class GridFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Param& i = list.Make<ParamInt>("a_int", "A", 5);
        i.Minimum().SetInt(0);
        i.Maximum().SetInt(100);
        list.Make<ParamBool>("a_bool", "A", true);
        Param& e = list.Make<ParamEnum>("b_enum", "B", "");
        e.SetEnumEntries({"Off", "Once", "Continuous"});
        e.SetEnumValue(0);
        Param& f = list.Make<ParamFloat>("b_float", "B", 2.5);
        f.Minimum().SetDouble(0.0);
        f.Maximum().SetDouble(10.0);
        f.SetUnit("ms");
        list.Make<ParamString>("a_string", "A", "text");
        list.Make<ParamInt>("c_ro", "C", 7, FlagReadOnly);
        list.Make<ParamInt>("hidden", "C", 1, FlagHidden);
        for (const auto& p : list) p->SetFlags(FlagModified);  // Init clears it on shown ones

        view.input = &grid;
        grid.SetListener(&listener);
        grid.Attach(&view);
        grid.Init(&list);
        grid.SizeChanged();
    }

    ASectionItem& Item(const std::string& name)
    {
        for (const auto& s : grid.ShownSections().Sections()) {
            for (const auto& item : s->items) {
                if (item->param->Name() == name) return *item;
            }
        }
        throw std::runtime_error("no item " + name);
    }
    ASection& Section(const std::string& name) { return *grid.ShownSections().Find(name); }
    Param& P(const char* name) { return *list.Find(name); }

    // A point in the middle of a cell of the item's row, taken from the layout.
    Point NameCell(const std::string& name)
    {
        grid.Layout();
        const Rect& r = Item(name).rowRect;
        return Point{(ParameterGrid::StarColumnWidth() + grid.Col0()) / 2, (r.top + r.bottom) / 2};
    }
    Point ValueCell(const std::string& name)
    {
        grid.Layout();
        const Rect& r = Item(name).rowRect;
        return Point{grid.Col0() + grid.Col1() / 3, (r.top + r.bottom) / 2};
    }
    Point StarCell(const std::string& name)
    {
        grid.Layout();
        const Rect& r = Item(name).rowRect;
        return Point{ParameterGrid::StarColumnWidth() / 2, (r.top + r.bottom) / 2};
    }
    Point Box(const std::string& section)
    {
        grid.Layout();
        const Rect& b = Section(section).boxRect;
        return Point{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    }
    Point Header(const std::string& section)
    {
        grid.Layout();
        const Rect& h = Section(section).headerRect;
        return Point{100, (h.top + h.bottom) / 2};
    }
    void Click(Point p)
    {
        grid.LeftButtonDown(p);
        grid.LeftButtonUp(p);
    }
    // As Windows delivers a double click: down, up, double click, up.
    void DoubleClick(Point p)
    {
        Click(p);
        grid.LeftDoubleClick(p);
        grid.LeftButtonUp(p);
    }

    TestList list;
    FakeGridView view;
    Listener listener;
    ParameterGrid grid{false};
};

TEST(SectionListTest, SectionsKeepTheOrderOfFirstAppearanceAndTheirState)
{
    TestList list;
    Param& a = list.Make<ParamInt>("a", "S", 1);
    Param& b = list.Make<ParamInt>("b", "T", 1);
    Param& c = list.Make<ParamInt>("c", "S", 1);
    SectionList sections;
    sections.Add("S", true, &a);
    sections.Add("T", false, &b);
    sections.Add("S", false, &c);  // an existing section keeps its state
    ASSERT_EQ(sections.SectionCount(), 2);
    EXPECT_EQ(sections.ItemCount(), 3);
    EXPECT_EQ(sections.Sections()[0]->name, "S");
    EXPECT_FALSE(sections.Sections()[0]->collapsed);
    EXPECT_TRUE(sections.Sections()[1]->collapsed);
    EXPECT_EQ(sections.BySectionNumber(1)->name, "T");
    ASSERT_EQ(sections.Find("S")->items.size(), 2u);
    EXPECT_EQ(sections.Find("S")->items[1]->param, &c);
    EXPECT_EQ(sections.Find("S")->items[1]->index, 2);
}

TEST(SectionListTest, ASectionWithoutNameOrIndexRefusesItems)
{
    ASection unnamed;
    unnamed.index = 0;
    EXPECT_THROW(unnamed.AddItem(nullptr, 0), std::runtime_error);
    ASection unnumbered;
    unnumbered.name = "S";
    try {
        unnumbered.AddItem(nullptr, 0);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Adding parameter to non-initialized section");
    }
}

TEST_F(GridFixture, NonAdjacentParametersOfOneSectionShareItsHeaderInListOrder)
{
    const auto& sections = grid.ShownSections().Sections();
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0]->name, "A");
    EXPECT_EQ(sections[1]->name, "B");
    EXPECT_EQ(sections[2]->name, "C");
    ASSERT_EQ(sections[0]->items.size(), 3u);
    EXPECT_EQ(sections[0]->items[2]->param->Name(), "a_string");
    ASSERT_EQ(sections[2]->items.size(), 1u);  // "hidden" is not shown
    EXPECT_EQ(sections[2]->items[0]->param->Name(), "c_ro");
}

TEST_F(GridFixture, InitClearsModifiedOnShownParametersOnly)
{
    EXPECT_FALSE(P("a_int").TestFlags(FlagModified));
    EXPECT_FALSE(P("c_ro").TestFlags(FlagModified));
    EXPECT_TRUE(P("hidden").TestFlags(FlagModified));
    grid.Init(&list);  // a second Init does nothing
    EXPECT_EQ(grid.AllSections().ItemCount(), 6);
}

TEST_F(GridFixture, RowHeightComesFromTheItemFont)
{
    EXPECT_EQ(view.fontSize, 80);
    EXPECT_EQ(grid.RowHeight(), kRowHeight);
    grid.SetFontSize(120);
    grid.RecreateFonts();
    EXPECT_EQ(view.fontSize, 120);
}

TEST_F(GridFixture, ColumnsFollowTheRatiosOfTheWidthLeftBesideTheScrollBar)
{
    // 0.33 each at construction.
    EXPECT_EQ(grid.Col0(), 198);
    EXPECT_EQ(grid.Col1(), 198);
    ASSERT_TRUE(grid.SetColumnRatios(0.3, 0.4));
    grid.Layout();
    EXPECT_EQ(grid.Col0(), 180);
    EXPECT_EQ(grid.Col1(), 240);
    EXPECT_EQ(grid.Col2(), 179);   // int(600 x (1 - 0.3 - 0.4)), the ratios' rounding
    view.client = Size{600, 100};  // 9 rows of 19 no longer fit
    grid.SizeChanged();
    EXPECT_TRUE(grid.ScrollShown());
    grid.Layout();
    EXPECT_EQ(grid.ColumnsWidth(), 600 - kScrollBarWidth);
    EXPECT_EQ(grid.Col0(), static_cast<int>(583 * 0.3));
}

TEST_F(GridFixture, RefusedColumnRatiosLeaveTheColumnsAlone)
{
    ASSERT_TRUE(grid.SetColumnRatios(0.3, 0.4));
    EXPECT_FALSE(grid.SetColumnRatios(0.5, 0.5));
    EXPECT_FALSE(grid.SetColumnRatios(0.01, 0.4));
    EXPECT_FALSE(grid.SetColumnRatios(0.4, 0.02));
    EXPECT_DOUBLE_EQ(grid.ColumnRatios().col0, 0.3);
    EXPECT_DOUBLE_EQ(grid.ColumnRatios().col1, 0.4);
    EXPECT_TRUE(grid.SetColumnRatios(0.03, 0.94));
}

TEST_F(GridFixture, PaintingFollowsThePartsGeometry)
{
    ASSERT_TRUE(grid.SetColumnRatios(0.3, 0.4));
    RecordingPainter painter;
    grid.Paint(painter);
    using Op = RecordingPainter::Op;
    ASSERT_FALSE(painter.ops.empty());
    EXPECT_EQ(painter.ops[0].kind, Op::Fill);
    EXPECT_EQ(painter.ops[0].rect, (Rect{0, 0, 600, 300}));
    EXPECT_EQ(painter.ops[0].colour, Colour::Window);

    // Header A: the first row, button face, its +/- box a 9 x 9 frame at (3, 5).
    EXPECT_EQ(painter.ops[1].rect, (Rect{0, 0, 600, kRowHeight}));
    EXPECT_EQ(painter.ops[1].colour, Colour::ButtonFace);
    bool box = false;
    for (const Op& op : painter.ops) box = box || (op.kind == Op::Frame && op.rect == Rect{3, 5, 12, 14});
    EXPECT_TRUE(box);
    const Op* header = painter.FindText("A");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->rect, (Rect{23, 0, 597, kRowHeight}));
    EXPECT_EQ(header->font, FontRole::Section);

    // The first item, one row below: name from 17 + 6 to col0 - 1, value from col0 + 6.
    const Op* name = painter.FindText("a_int");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->rect, (Rect{23, kRowHeight, 179, 2 * kRowHeight}));
    EXPECT_EQ(name->colour, Colour::WindowText);
    const Op* value = painter.FindText("5");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->rect, (Rect{186, kRowHeight, 419, 2 * kRowHeight}));
    const Op* range = painter.FindText("[0..100] ");
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->rect.left, 426);
    EXPECT_EQ(range->colour, Colour::GrayText);
    ASSERT_NE(painter.FindText("[0..10] ms"), nullptr);
    // Read-only values are grey; strings and bools have no range.
    EXPECT_EQ(painter.FindText("7")->colour, Colour::GrayText);
    EXPECT_EQ(painter.FindText("true")->colour, Colour::WindowText);

    // Column borders in every item row.
    int borders = 0;
    for (const Op& op : painter.ops) {
        if (op.kind == Op::Line && op.rect.left == op.rect.right && (op.rect.left == 180 || op.rect.left == 420)) {
            ++borders;
        }
    }
    EXPECT_GE(borders, 2 * 6);
    // Below the last of 9 rows: button face.
    EXPECT_EQ(painter.ops.back().rect, (Rect{0, 9 * kRowHeight, 600, 300}));
    EXPECT_EQ(painter.ops.back().colour, Colour::ButtonFace);
}

TEST_F(GridFixture, SelectedRowIsHighlightedAndAChoiceItemShowsItsDropButton)
{
    Click(NameCell("a_bool"));
    ASSERT_EQ(grid.SelectedItem(), &Item("a_bool"));
    RecordingPainter painter;
    grid.Paint(painter);
    const auto* name = painter.FindText("a_bool");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->colour, Colour::HighlightText);
    bool highlight = false;
    for (const auto& op : painter.ops) {
        if (op.kind == RecordingPainter::Op::Fill && op.colour == Colour::Highlight) {
            highlight = op.rect.top == Item("a_bool").rowRect.top && op.rect.right == grid.Col0();
        }
    }
    EXPECT_TRUE(highlight);
    ASSERT_EQ(painter.Count(RecordingPainter::Op::Drop), 1);
    const Rect drop = grid.DropButtonRect();
    EXPECT_EQ(drop.right, grid.Col0() + grid.Col1() - 1);
    EXPECT_EQ(drop.Width(), kRowHeight - 1);
}

TEST_F(GridFixture, AListOfHiddenParametersShowsEmpty)
{
    TestList hiddenOnly;  // only the hidden lib_ settings
    FakeGridView emptyView;
    ParameterGrid empty(false);
    empty.Attach(&emptyView);
    empty.Init(&hiddenOnly);
    RecordingPainter painter;
    empty.Paint(painter);
    const auto* text = painter.FindText("Empty");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->rect.top, 10);
    EXPECT_EQ(text->flags, static_cast<unsigned>(TextCentre | TextWordBreak));
}

TEST_F(GridFixture, CollapsingRemovesRowsFromTheScrollRangeUntilTheBarGoes)
{
    view.client = Size{600, 100};
    grid.SizeChanged();
    ASSERT_TRUE(grid.ScrollShown());
    EXPECT_EQ(view.scrollMaximum, 9 * kRowHeight);
    EXPECT_EQ(view.scrollPage, 100);
    EXPECT_EQ(grid.MaxScroll(), 9 * kRowHeight - 100);

    grid.Scroll(ScrollAction::Bottom, 0);
    EXPECT_EQ(grid.ScrollPosition(), 71);
    grid.Scroll(ScrollAction::Top, 0);

    Click(Box("A"));  // 3 rows go: 6 x 19 = 114, still more than 100
    EXPECT_TRUE(Section("A").collapsed);
    EXPECT_TRUE(grid.AllSections().Find("A")->collapsed);
    EXPECT_EQ(grid.SelectedSection(), &Section("A"));
    EXPECT_EQ(listener.seen.back().message, kMsgSelectionChanged);
    EXPECT_EQ(listener.seen.back().index, -1);
    EXPECT_TRUE(grid.ScrollShown());
    EXPECT_EQ(view.scrollMaximum, 6 * kRowHeight);

    Click(Box("B"));  // 4 rows of 19 fit
    EXPECT_FALSE(grid.ScrollShown());
    EXPECT_FALSE(view.scrollShown);
    grid.Layout();
    EXPECT_EQ(grid.ColumnsWidth(), 600);
}

TEST_F(GridFixture, ScrollingMovesByLinesPagesAndWheelStepsWithinTheRange)
{
    view.client = Size{600, 100};
    grid.SizeChanged();
    grid.Scroll(ScrollAction::LineDown, 0);
    EXPECT_EQ(grid.ScrollPosition(), kRowHeight);
    EXPECT_EQ(view.scrollPosition, kRowHeight);
    grid.Scroll(ScrollAction::LineUp, 0);
    grid.Scroll(ScrollAction::LineUp, 0);
    EXPECT_EQ(grid.ScrollPosition(), 0);
    grid.Scroll(ScrollAction::PageDown, 0);
    EXPECT_EQ(grid.ScrollPosition(), 71);  // clamped
    grid.Scroll(ScrollAction::Track, 30);
    EXPECT_EQ(grid.ScrollPosition(), 30);
    grid.Wheel(120);  // up three lines
    EXPECT_EQ(grid.ScrollPosition(), 0);
    grid.Wheel(-40);  // a third of a notch: one line
    EXPECT_EQ(grid.ScrollPosition(), kRowHeight);
    // Painting starts at -(scroll position).
    RecordingPainter painter;
    grid.Paint(painter);
    EXPECT_EQ(Section("A").headerRect.top, -kRowHeight);
}

TEST_F(GridFixture, DraggingTheFirstBorderStopsAtOneTwentiethAndBeforeTheOtherColumn)
{
    ASSERT_TRUE(grid.SetColumnRatios(0.3, 0.4));
    grid.Layout();
    grid.LeftButtonDown(Point{grid.Col0() + 3, 50});
    ASSERT_TRUE(grid.Dragging());
    EXPECT_EQ(view.cursor, Cursor::SizeWE);
    EXPECT_TRUE(view.captured);
    grid.MouseMove(Point{-200, 50});
    EXPECT_EQ(grid.Col0(), 600 / 20);
    EXPECT_DOUBLE_EQ(grid.ColumnRatios().col0, 30.0 / 600);
    grid.MouseMove(Point{1000, 50});
    EXPECT_EQ(grid.Col0(), 600 - 240 - 30);  // the other column and 5 % remain
    grid.MouseMove(Point{250, 50});          // follows the pointer again, no drift
    EXPECT_EQ(grid.Col0(), 250 - 3);
    grid.LeftButtonUp(Point{250, 50});
    EXPECT_FALSE(grid.Dragging());
    EXPECT_FALSE(view.captured);
    EXPECT_EQ(view.cursor, Cursor::Arrow);
    EXPECT_EQ(grid.SelectedItem(), nullptr);  // a drag selects nothing
}

TEST_F(GridFixture, DraggingTheSecondBorderResizesTheValueColumn)
{
    ASSERT_TRUE(grid.SetColumnRatios(0.3, 0.4));
    grid.Layout();
    grid.LeftButtonDown(Point{420 - 4, 50});
    ASSERT_TRUE(grid.Dragging());
    grid.MouseMove(Point{0, 50});
    EXPECT_EQ(grid.Col1(), 30);
    grid.MouseMove(Point{2000, 50});
    EXPECT_EQ(grid.Col1(), 600 - 180 - 30);
    EXPECT_DOUBLE_EQ(grid.ColumnRatios().col1, 390.0 / 600);
    grid.LeftButtonUp(Point{2000, 50});
}

TEST_F(GridFixture, TheSizingCursorShowsNearABorder)
{
    ASSERT_TRUE(grid.SetColumnRatios(0.3, 0.4));
    grid.MouseMove(Point{185, 30});
    EXPECT_EQ(view.cursor, Cursor::SizeWE);
    grid.MouseMove(Point{186, 30});
    EXPECT_EQ(view.cursor, Cursor::Arrow);
    grid.MouseMove(Point{416, 30});
    EXPECT_EQ(view.cursor, Cursor::SizeWE);
}

TEST_F(GridFixture, ClickingSelectsItemsAndHeadersAndNotifies)
{
    Click(NameCell("b_float"));
    ASSERT_EQ(grid.SelectedItem(), &Item("b_float"));
    EXPECT_EQ(grid.SelectedSection(), nullptr);
    ASSERT_FALSE(listener.seen.empty());
    EXPECT_EQ(listener.seen.back().message, kMsgSelectionChanged);
    EXPECT_EQ(listener.seen.back().index, Item("b_float").index);
    EXPECT_EQ(listener.seen.back().name, "b_float");
    EXPECT_EQ(view.editor, FakeGridView::Editor::None);  // the name cell edits nothing

    Click(Header("B"));
    EXPECT_EQ(grid.SelectedItem(), nullptr);
    EXPECT_EQ(grid.SelectedSection(), &Section("B"));
    EXPECT_FALSE(Section("B").collapsed);
    EXPECT_EQ(listener.seen.back().index, -1);
    // Read-only items can be selected too.
    Click(NameCell("c_ro"));
    EXPECT_EQ(grid.SelectedItem(), &Item("c_ro"));
}

TEST_F(GridFixture, AClickInTheValueCellOpensTheTextEditorAndItsTextIsApplied)
{
    const Point value = ValueCell("a_int");
    grid.LeftButtonDown(value);
    EXPECT_TRUE(grid.PendingEdit());
    grid.LeftButtonUp(value);
    ASSERT_EQ(view.editor, FakeGridView::Editor::Text);
    EXPECT_EQ(view.editorText, "5");
    const Rect& cell = Item("a_int").valueRect;
    EXPECT_EQ(view.editorRect, (Rect{cell.left + 1, cell.top + 3, cell.right, cell.bottom - 3}));

    grid.TextEdited("42");
    EXPECT_EQ(P("a_int").GetInt(), 42);
    EXPECT_TRUE(P("a_int").TestFlags(FlagModified));
    EXPECT_EQ(view.editor, FakeGridView::Editor::None);
    EXPECT_EQ(listener.seen.back().message, kMsgTextApplied);
    EXPECT_EQ(listener.seen.back().name, "a_int");
}

TEST_F(GridFixture, LeavingTheEditorByAClickElsewhereAppliesItsText)
{
    Click(ValueCell("a_string"));
    ASSERT_EQ(view.editor, FakeGridView::Editor::Text);
    view.editorText = "typed";
    Click(NameCell("a_int"));  // the grid takes the focus: the field reports its text
    EXPECT_EQ(P("a_string").GetTextString(), "typed");
    EXPECT_EQ(grid.SelectedItem(), &Item("a_int"));
    EXPECT_EQ(view.editor, FakeGridView::Editor::None);
}

TEST_F(GridFixture, EscapeStillAppliesTheStartingTextAndMarksTheParameter)
{
    Click(ValueCell("b_float"));
    ASSERT_EQ(view.editor, FakeGridView::Editor::Text);
    // Escape puts the starting text back; the focus loss then reports it.
    grid.TextEdited(view.editorText);
    EXPECT_EQ(P("b_float").GetTextString(), "2.5");
    EXPECT_TRUE(P("b_float").TestFlags(FlagModified));
    EXPECT_EQ(listener.Count(kMsgTextApplied), 1);
}

TEST_F(GridFixture, ABoolDoubleClickedTwiceIsBackAndMarkedModified)
{
    DoubleClick(NameCell("a_bool"));
    EXPECT_FALSE(P("a_bool").GetBool());
    DoubleClick(NameCell("a_bool"));
    EXPECT_TRUE(P("a_bool").GetBool());
    EXPECT_TRUE(P("a_bool").TestFlags(FlagModified));
    EXPECT_EQ(listener.Count(kMsgBoolChanged), 2);
}

TEST_F(GridFixture, ADoubleClickInTheValueCellTogglesAndClosesTheListTheFirstClickOpened)
{
    DoubleClick(ValueCell("a_bool"));
    EXPECT_FALSE(P("a_bool").GetBool());
    EXPECT_EQ(view.editor, FakeGridView::Editor::None);
    EXPECT_EQ(grid.OpenEditorKind(), ParameterGrid::EditorKind::None);
}

TEST_F(GridFixture, AnEnumOfThreeEntriesDoubleClickedThreeTimesIsBackAtItsStart)
{
    DoubleClick(NameCell("b_enum"));
    EXPECT_EQ(P("b_enum").GetTextString(), "Once");
    DoubleClick(NameCell("b_enum"));
    EXPECT_EQ(P("b_enum").GetTextString(), "Continuous");
    DoubleClick(NameCell("b_enum"));
    EXPECT_EQ(P("b_enum").GetTextString(), "Off");
    EXPECT_EQ(listener.Count(kMsgEnumChanged), 3);
    EXPECT_TRUE(P("b_enum").TestFlags(FlagModified));
}

TEST_F(GridFixture, DoubleClickingAHeaderTogglesItsSection)
{
    DoubleClick(Header("C"));
    EXPECT_TRUE(Section("C").collapsed);
    EXPECT_TRUE(grid.AllSections().Find("C")->collapsed);
    DoubleClick(Header("C"));
    EXPECT_FALSE(Section("C").collapsed);
}

TEST_F(GridFixture, TheChoiceListOfABoolOffersTrueAndFalse)
{
    Click(ValueCell("a_bool"));
    ASSERT_EQ(view.editor, FakeGridView::Editor::Choice);
    ASSERT_EQ(view.choices.size(), 2u);
    EXPECT_EQ(view.choices[0].text, "true");
    EXPECT_EQ(view.choices[0].value, kChoiceTrue);
    EXPECT_EQ(view.choices[1].value, kChoiceFalse);
    EXPECT_EQ(view.choiceCurrent, kChoiceTrue);
    // At the value column's left edge, just below the row, as wide as the value column.
    const Rect& row = Item("a_bool").rowRect;
    EXPECT_EQ(view.editorRect,
              (Rect{grid.Col0(), row.bottom, grid.Col0() + grid.Col1(), row.bottom + 2 * (kTextHeight + 4) + 2}));
    grid.ChoiceMade(kChoiceFalse);
    EXPECT_FALSE(P("a_bool").GetBool());
    EXPECT_TRUE(P("a_bool").TestFlags(FlagModified));
    EXPECT_EQ(listener.seen.back().message, kMsgBoolChanged);
    EXPECT_EQ(view.editor, FakeGridView::Editor::None);
}

TEST_F(GridFixture, TheChoiceListOfAnEnumSelectsByValue)
{
    Click(ValueCell("b_enum"));
    ASSERT_EQ(view.editor, FakeGridView::Editor::Choice);
    ASSERT_EQ(view.choices.size(), 3u);
    EXPECT_EQ(view.choices[2].text, "Continuous");
    EXPECT_EQ(view.choiceCurrent, 0);
    grid.ChoiceMade(2);
    EXPECT_EQ(P("b_enum").GetTextString(), "Continuous");
    EXPECT_EQ(listener.seen.back().message, kMsgEnumChanged);
}

TEST_F(GridFixture, TheDropButtonOpensTheListWhenReleasedOverIt)
{
    Click(NameCell("b_enum"));
    grid.Layout();
    const Rect drop = grid.DropButtonRect();
    ASSERT_FALSE(drop.Empty());
    const Point on{(drop.left + drop.right) / 2, (drop.top + drop.bottom) / 2};
    grid.LeftButtonDown(on);
    EXPECT_TRUE(grid.DropPressed());
    RecordingPainter pushed;
    grid.Paint(pushed);
    bool drawnPushed = false;
    for (const auto& op : pushed.ops) drawnPushed = drawnPushed || (op.kind == RecordingPainter::Op::Drop && op.pushed);
    EXPECT_TRUE(drawnPushed);
    grid.MouseMove(Point{5, 5});  // off the button: drawn up
    RecordingPainter up;
    grid.Paint(up);
    for (const auto& op : up.ops) EXPECT_FALSE(op.kind == RecordingPainter::Op::Drop && op.pushed);
    grid.LeftButtonUp(Point{5, 5});  // released elsewhere: nothing opens
    EXPECT_EQ(view.editor, FakeGridView::Editor::None);
    grid.LeftButtonDown(on);
    grid.LeftButtonUp(on);
    EXPECT_EQ(view.editor, FakeGridView::Editor::Choice);
}

TEST_F(GridFixture, AReadOnlyItemOpensNoEditorAndIgnoresDoubleClicks)
{
    Click(ValueCell("c_ro"));
    EXPECT_EQ(grid.SelectedItem(), &Item("c_ro"));
    EXPECT_EQ(view.editor, FakeGridView::Editor::None);
    EXPECT_TRUE(grid.DropButtonRect().Empty());
    DoubleClick(ValueCell("c_ro"));
    EXPECT_EQ(P("c_ro").GetInt(), 7);
    EXPECT_FALSE(P("c_ro").TestFlags(FlagModified));
    EXPECT_FALSE(grid.KeyDown(Key::Return));
    grid.KeyDown(Key::F2);
    EXPECT_EQ(view.editor, FakeGridView::Editor::None);
}

TEST_F(GridFixture, MessagesFromAnEditorWithoutASelectedItemAreIgnored)
{
    grid.TextEdited("99");
    grid.ChoiceMade(kChoiceFalse);
    EXPECT_EQ(P("a_int").GetInt(), 5);
    EXPECT_TRUE(P("a_bool").GetBool());
    EXPECT_EQ(listener.Count(kMsgTextApplied), 0);
}

TEST_F(GridFixture, TheStarCellPostsTheStarCommandWhichTogglesTheFavourite)
{
    Click(StarCell("a_int"));
    ASSERT_EQ(view.posted.size(), 1u);
    EXPECT_EQ(view.posted[0], kCmdStar);
    grid.Command(view.posted[0]);
    EXPECT_TRUE(P("a_int").TestFlags(FlagFavourite));
    RecordingPainter painter;
    grid.Paint(painter);
    ASSERT_EQ(painter.Count(RecordingPainter::Op::Star), 1);
    grid.Command(kCmdStar);
    EXPECT_FALSE(P("a_int").TestFlags(FlagFavourite));
}

TEST_F(GridFixture, TheContextMenuCopiesNameValueAndDescription)
{
    P("b_float").SetDescription("how long");
    view.menuAnswer = kCmdCopyName;
    grid.RightButtonUp(ValueCell("b_float"));
    EXPECT_EQ(grid.SelectedItem(), &Item("b_float"));
    EXPECT_FALSE(grid.PendingEdit());  // a right click arms no editor
    ASSERT_EQ(view.lastMenu.size(), 5u);
    EXPECT_EQ(view.lastMenu[0].text, "Star on/off");
    EXPECT_EQ(view.lastMenu[1].id, 0);
    EXPECT_EQ(view.lastMenu[3].text, "Copy  value to Clipboard");
    EXPECT_EQ(view.clipboard, "b_float");
    view.menuAnswer = kCmdCopyValue;
    grid.RightButtonUp(ValueCell("b_float"));
    EXPECT_EQ(view.clipboard, "2.5");
    view.menuAnswer = kCmdCopyDescription;
    grid.RightButtonUp(ValueCell("b_float"));
    EXPECT_EQ(view.clipboard, "how long");
    // On a header: no menu.
    view.lastMenu.clear();
    grid.RightButtonUp(Header("A"));
    EXPECT_TRUE(view.lastMenu.empty());
}

TEST_F(GridFixture, FavouritesOnlyHidesSectionsWithoutFavourites)
{
    P("a_string").SetFlags(FlagFavourite);
    P("b_float").SetFlags(FlagFavourite);
    grid.SetFavouritesOnly(true);
    const auto& sections = grid.ShownSections().Sections();
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0]->name, "A");
    ASSERT_EQ(sections[0]->items.size(), 1u);
    EXPECT_EQ(sections[0]->items[0]->param->Name(), "a_string");
    EXPECT_EQ(sections[1]->name, "B");
    EXPECT_EQ(grid.ShownSections().Find("C"), nullptr);
    // Un-starring keeps the row until the filter is applied again.
    Click(NameCell("a_string"));
    grid.Command(kCmdStar);
    EXPECT_EQ(grid.ShownSections().Find("A")->items.size(), 1u);
    grid.SetFavouritesOnly(false);
    grid.SetFavouritesOnly(true);
    EXPECT_EQ(grid.ShownSections().Find("A"), nullptr);
}

TEST_F(GridFixture, CollapsedStatesSurviveTheFavouritesFilter)
{
    P("a_bool").SetFlags(FlagFavourite);
    Click(Box("A"));
    grid.SetFavouritesOnly(true);
    EXPECT_TRUE(Section("A").collapsed);
    grid.SetFavouritesOnly(false);
    EXPECT_TRUE(Section("A").collapsed);
    EXPECT_FALSE(Section("B").collapsed);
}

TEST_F(GridFixture, TheCollapsedSectionsTextRoundTrips)
{
    Click(Box("A"));
    Click(Box("C"));
    EXPECT_EQ(grid.CollapsedSectionsText(), "A C ");

    FakeGridView otherView;
    ParameterGrid other(false);
    other.Attach(&otherView);
    other.Init(&list);
    other.SetCollapsedSections("A C  nosuch ");
    EXPECT_TRUE(other.ShownSections().Find("A")->collapsed);
    EXPECT_FALSE(other.ShownSections().Find("B")->collapsed);
    EXPECT_TRUE(other.AllSections().Find("C")->collapsed);
    EXPECT_EQ(other.CollapsedSectionsText(), "A C ");
}

TEST_F(GridFixture, ExpandAllAndCollapseAllReachBothLists)
{
    grid.ExpandAll(false);
    EXPECT_EQ(grid.CollapsedSectionsText(), "A B C ");
    EXPECT_TRUE(grid.AllSections().Find("B")->collapsed);
    EXPECT_EQ(grid.TotalHeight(), 3 * kRowHeight);
    grid.ExpandAll(true);
    EXPECT_EQ(grid.CollapsedSectionsText(), "");
}

TEST_F(GridFixture, ArrowKeysMoveTheSelectionAndFoldTheSelectedSection)
{
    EXPECT_TRUE(grid.KeyDown(Key::Down));
    EXPECT_EQ(grid.SelectedSection(), &Section("A"));
    EXPECT_TRUE(grid.KeyDown(Key::Left));
    EXPECT_TRUE(Section("A").collapsed);
    grid.KeyDown(Key::Down);  // straight to header B: A's rows are folded away
    EXPECT_EQ(grid.SelectedSection(), &Section("B"));
    grid.KeyDown(Key::Up);
    grid.KeyDown(Key::Right);
    EXPECT_FALSE(Section("A").collapsed);
    grid.KeyDown(Key::Down);
    EXPECT_EQ(grid.SelectedItem(), &Item("a_int"));
    EXPECT_EQ(listener.seen.back().name, "a_int");
    grid.KeyDown(Key::F2);
    EXPECT_EQ(view.editor, FakeGridView::Editor::Text);
    EXPECT_FALSE(grid.KeyDown(Key::Escape));  // Enter and Escape belong to the dialog
}

TEST_F(GridFixture, MovingTheSelectionScrollsItIntoView)
{
    view.client = Size{600, 100};
    grid.SizeChanged();
    for (int i = 0; i < 9; ++i) grid.KeyDown(Key::Down);
    ASSERT_EQ(grid.SelectedItem(), &Item("c_ro"));
    grid.Layout();
    EXPECT_LE(Item("c_ro").rowRect.bottom, 100);
    EXPECT_EQ(grid.ScrollPosition(), 9 * kRowHeight - 100);
    for (int i = 0; i < 8; ++i) grid.KeyDown(Key::Up);
    EXPECT_EQ(grid.ScrollPosition(), 0);
}

}  // namespace
