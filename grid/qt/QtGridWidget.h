// The grid's window on Qt 6 Widgets: a bordered child that hands its input to the core
// (GridInput) and paints what the core draws (Painter), with the edit field, the choice list,
// the scroll bar, the context menu and the clipboard.
#pragma once

#include <QFont>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>
#include <string>
#include <vector>

#include "grid/Backend.h"

namespace Grid_3_1 {
namespace QtUi {

class GridWidget;

QString ToQString(const std::string& text);
QFont PointFont(const char* family, int tenthsOfPoint, bool bold);

// ParameterGridEditInPlace: leaving it by any way reports its text once.
class InPlaceEdit final : public QLineEdit {
public:
    InPlaceEdit(GridWidget& grid, const QString& text);
    // Closed by the grid: no report any more.
    void Silence() { reported = true; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    GridWidget& grid;
    QString startText;
    bool reported = false;
};

// ParameterGridCombo: a pop-up list drawn entirely by itself.
class ChoiceList final : public QWidget {
public:
    ChoiceList(GridWidget& grid, const std::vector<Choice>& choices, int current);
    void Silence() { reported = true; }
    int CurrentValue() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    int RowAt(int y) const;
    void Choose();

    GridWidget& grid;
    std::vector<Choice> choices;
    int current = 0;  // index
    int rowHeight = 0;
    bool pressed = false;
    bool reported = false;
};

class GridWidget final : public QWidget, public GridView {
public:
    static constexpr int kBorder = 1;

    GridWidget(GridInput& input, QWidget* parent);
    ~GridWidget() override;

    // GridView
    Size ClientSize() const override;
    int ScrollBarWidth() const override;
    void SetFonts(int fontSize) override;
    int TextHeight(FontRole font, const std::string& text) override;
    void SetScrollBar(bool shown, int maximum, int page, int position) override;
    void Redraw() override { update(); }
    void SetCursor(Cursor cursor) override;
    void CaptureMouse(bool) override {}  // Qt keeps the mouse while a button is down
    void TakeFocus() override { setFocus(Qt::MouseFocusReason); }
    void OpenTextEditor(const Rect& rect, const std::string& text) override;
    void OpenChoiceList(const Rect& rect, const std::vector<Choice>& choices, int current) override;
    bool EditorOpen() const override { return !edit.isNull() || !list.isNull(); }
    void CloseEditor() override;
    void PostCommand(int id) override;
    int TrackMenu(Point at, const std::vector<MenuItem>& items) override;
    void CopyToClipboard(const std::string& text) override;

    const QFont& FontFor(FontRole role) const;
    GridInput& Input() { return input; }
    // From the in-place windows.
    void TextFinished(const QString& text);
    void ChoiceFinished(int value);
    void EditorGone();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    Point ToGrid(const QPointF& p) const;

    GridInput& input;
    QScrollBar* bar;
    bool settingBar = false;
    QFont itemFont;
    QFont sectionFont;
    QFont starFont;
    QPointer<InPlaceEdit> edit;
    QPointer<ChoiceList> list;
};

}  // namespace QtUi
}  // namespace Grid_3_1
