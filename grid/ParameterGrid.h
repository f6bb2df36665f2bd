// Grid_3_1::ParameterGrid: a parameter list shown as collapsible sections of rows,
// three columns wide, edited in place. This is the toolkit-free part: the model, the
// geometry, the hit tests, the scroll range, the border drags and the editing state machine.
// The window it lives in is a GridView supplied by a backend, which forwards its input
// through the GridInput operations and hands a Painter to Paint.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "grid/Backend.h"
#include "grid/SectionList.h"
#include "util/AllParametersList.h"

namespace Grid_3_1 {

// The dialog's side of the grid's notifications 4036, 4037, 4038 and 4075.
class GridListener {
public:
    virtual ~GridListener() = default;
    // index: the item's index, or -1 with a null name when no item is selected (4075).
    virtual void GridNotify(int message, int index, const char* name) = 0;
};

class ParameterGrid : public GridInput {
public:
    enum class EditorKind { None, Text, Choice };
    struct Ratios {
        double col0 = 0.33;
        double col1 = 0.33;
    };

    static constexpr int kMargin = 3;
    static constexpr int kBorderGrab = 4;   // a press this close to a border starts a drag
    static constexpr int kBorderHover = 5;  // the sizing cursor shows this close to a border
    static constexpr int kBoxSize = 9;

    explicit ParameterGrid(bool traceFlag);
    ~ParameterGrid() override;
    ParameterGrid(const ParameterGrid&) = delete;
    ParameterGrid& operator=(const ParameterGrid&) = delete;

    // The window, once the dialog has created it (null detaches). Creates the fonts and
    // takes the row height from them.
    void Attach(GridView* view);
    void SetListener(GridListener* listener) { this->listener = listener; }

    // Once only. Throws the section list's std::runtime_error when an entry cannot be made.
    void Init(Util_2_1::AllParametersList* list);
    void Rebuild();
    void SetFavouritesOnly(bool on);
    bool FavouritesOnly() const { return favouritesOnly; }
    // Sets the filter flag alone, before Init (the dialog's step 4).
    void PresetFavouritesOnly(bool on) { favouritesOnly = on; }
    void ExpandAll(bool expand);
    void SetCollapsedSections(const std::string& text);
    std::string CollapsedSectionsText() const;
    // Refused (false) unless a > 0.02, b > 0.02 and a + b < 0.98.
    bool SetColumnRatios(double a, double b);
    Ratios ColumnRatios() const { return ratios; }
    void SetFontSize(int size) { fontSize = size; }
    void RecreateFonts();
    void UpdateScroll();
    // The column widths from the ratios now (the dialog's resize).
    void RecalcColumns();

    // GridInput
    void Paint(Painter& painter) override;
    void SizeChanged() override;
    void LeftButtonDown(Point at) override;
    void MouseMove(Point at) override;
    void LeftButtonUp(Point at) override;
    void LeftDoubleClick(Point at) override;
    void RightButtonUp(Point at) override;
    bool KeyDown(Key key) override;
    void Scroll(ScrollAction action, int trackPosition) override;
    void Wheel(int delta) override;
    void TextEdited(const std::string& text) override;
    void ChoiceMade(int value) override;
    void EditorClosed() override;
    void Command(int id) override;
    int ScrollPosition() const override { return scrollPos; }
    int RowHeight() const override { return rowHeight; }
    int FontSize() const override { return fontSize; }

    // ---- state, for the dialog and for tests
    bool Initialised() const { return initialised; }
    const SectionList& AllSections() const { return allSections; }
    const SectionList& ShownSections() const { return shownSections; }
    ASectionItem* SelectedItem() const { return selectedItem; }
    ASection* SelectedSection() const { return selectedSection; }
    int Col0() const { return col0; }
    int Col1() const { return col1; }
    int Col2() const { return col2; }
    bool ScrollShown() const { return scrollShown; }
    // Σ of the shown rows' heights, and the largest scroll position.
    int TotalHeight() const;
    int MaxScroll() const;
    bool Dragging() const { return dragBorder >= 0; }
    bool PendingEdit() const { return pendingEdit; }
    bool DropPressed() const { return dropPressed; }
    EditorKind OpenEditorKind() const { return openEditor; }
    // The width the columns share: the client width less the scroll bar when it shows.
    int ColumnsWidth() const;
    static int StarColumnWidth() { return 2 * kMargin + kMargin + 8; }
    // Places every shown row at the current scroll position (also done before each paint
    // and each hit test).
    void Layout();
    // The drop button of the selected item (empty when it shows none).
    Rect DropButtonRect() const;
    // The value column's span of a row (the hit area of a click that edits).
    Rect ValueColumn(const Rect& row) const { return Rect{col0, row.top, col0 + col1, row.bottom}; }

    static EditorKind EditorKindOf(const Util_2_1::Param& p);
    // Editable: none of FlagUnavailable, FlagReadOnly, FlagWriteOnly.
    static bool IsEditable(const Util_2_1::Param& p) { return p.IsEditable(); }
    // The range column's text: the range and unit of int, uint and float parameters that have
    // one, else empty.
    static std::string RangeColumnText(const Util_2_1::Param& p);

    // Called around every paint (the benchmark's probes).
    std::function<void()> beforePaint;
    std::function<void()> afterPaint;
    void Redraw();
    int PaintCount() const { return paintCount; }

private:
    struct Row {
        ASection* section = nullptr;
        ASectionItem* item = nullptr;  // null for the header row
    };

    void EnsureColumns();
    Size Client() const;
    void Notify(int message, int index, const char* name);
    void NotifySelection();
    void ClearSelection();
    void Select(ASection* section, ASectionItem* item);
    void SetCollapsed(const std::string& section, bool collapsed);
    void SetScrollPosition(int position);
    void EnsureVisible(const Rect& row);
    std::vector<Row> VisibleRows() const;
    void MoveSelection(int step);
    bool HasDropButton(const ASectionItem& item) const;
    void OpenEditor();
    void CloseOpenEditor();
    void PaintSection(Painter& painter, ASection& section, int width, int height);
    void PaintItem(Painter& painter, ASectionItem& item, int width);
    void SelectAt(Point at);

    Util_2_1::AllParametersList* params = nullptr;
    GridView* view = nullptr;
    GridListener* listener = nullptr;
    SectionList allSections;
    SectionList shownSections;
    bool initialised = false;
    bool favouritesOnly = false;
    bool gridLines = true;
    bool selectAnyItem = true;
    bool pendingEdit = false;
    bool dropPressed = false;
    bool dropHot = false;  // the pointer is over the pressed drop button

    Ratios ratios;
    int col0 = 50;
    int col1 = 50;
    int col2 = 50;
    bool recalcColumns = true;
    int dragBorder = -1;  // -1 none, 0 the first border, 1 the second
    int dragStartX = 0;
    int dragStartWidth = 0;

    ASectionItem* selectedItem = nullptr;
    ASection* selectedSection = nullptr;
    EditorKind openEditor = EditorKind::None;

    int rowHeight = 20;
    int fontSize = 80;
    bool scrollShown = false;
    int scrollPos = 0;
    int wheelRest = 0;
    int paintCount = 0;
};

}  // namespace Grid_3_1
