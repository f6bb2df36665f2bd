#include "grid/qt/QtGridWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace Grid_3_1 {
namespace QtUi {

namespace {

QColor ColourOf(const QWidget& widget, Colour colour)
{
    const QPalette& p = widget.palette();
    switch (colour) {
    case Colour::Window:
        return p.color(QPalette::Active, QPalette::Base);
    case Colour::ButtonFace:
        return p.color(QPalette::Active, QPalette::Button);
    case Colour::WindowText:
        return p.color(QPalette::Active, QPalette::Text);
    case Colour::Highlight:
        return p.color(QPalette::Active, QPalette::Highlight);
    case Colour::HighlightText:
        return p.color(QPalette::Active, QPalette::HighlightedText);
    case Colour::GrayText:
        return p.color(QPalette::Disabled, QPalette::Text);
    }
    return Qt::black;
}

QRect ToQRect(const Rect& r)
{
    return QRect(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
}

// The core's drawing calls on a QPainter.
class QtPainter final : public Painter {
public:
    QtPainter(QPainter& painter, GridWidget& widget) : p(painter), widget(widget) {}

    void FillRect(const Rect& rect, Colour colour) override { p.fillRect(ToQRect(rect), ColourOf(widget, colour)); }
    void Line(int x0, int y0, int x1, int y1, Colour colour) override
    {
        if (x0 == x1 && y0 == y1) return;
        // GDI's LineTo leaves the end point out.
        const int dx = (x1 > x0) - (x1 < x0);
        const int dy = (y1 > y0) - (y1 < y0);
        p.setPen(QPen(ColourOf(widget, colour), 0));
        p.drawLine(x0, y0, x1 - dx, y1 - dy);
    }
    void FrameRect(const Rect& rect, Colour colour) override
    {
        if (rect.Empty()) return;
        p.setPen(QPen(ColourOf(widget, colour), 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1);
    }
    void Text(const Rect& rect, const std::string& text, FontRole font, Colour colour, unsigned flags) override
    {
        const QFont& f = widget.FontFor(font);
        p.setFont(f);
        p.setPen(ColourOf(widget, colour));
        const QRect r = ToQRect(rect);
        const QString s = ToQString(text);
        int align = (flags & TextCentre) != 0 ? Qt::AlignHCenter : Qt::AlignLeft;
        if ((flags & TextWordBreak) != 0) {
            p.drawText(r, align | Qt::AlignTop | Qt::TextWordWrap, s);
            return;
        }
        align |= ((flags & TextVCentre) != 0 ? Qt::AlignVCenter : Qt::AlignTop) | Qt::TextSingleLine;
        const QString shown =
            (flags & TextEllipsis) != 0 ? QFontMetrics(f).elidedText(s, Qt::ElideRight, r.width()) : s;
        p.drawText(r, align, shown);
    }
    int TextWidth(const std::string& text, FontRole font) override
    {
        return QFontMetrics(widget.FontFor(font)).horizontalAdvance(ToQString(text));
    }
    void FocusRect(const Rect& rect) override
    {
        QStyleOptionFocusRect option;
        option.initFrom(&widget);
        option.rect = ToQRect(rect);
        option.backgroundColor = ColourOf(widget, Colour::ButtonFace);
        widget.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, &widget);
    }
    void Star(const Rect& rect) override
    {
        const double size = std::min(rect.Width(), rect.Height()) - 3.0;
        if (size <= 2.0) return;
        const QPointF centre(rect.left + rect.Width() / 2.0, rect.top + rect.Height() / 2.0 + size * 0.04);
        const double outer = size / 2.0;
        const double inner = outer * 0.42;
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const double r = i % 2 == 0 ? outer : inner;
            const double a = -M_PI / 2.0 + i * M_PI / 5.0;
            star << QPointF(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        }
        QLinearGradient gold(centre.x(), centre.y() - outer, centre.x(), centre.y() + outer);
        gold.setColorAt(0.0, QColor(255, 226, 84));
        gold.setColorAt(1.0, QColor(244, 158, 18));
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(176, 106, 0), 1.0));
        p.setBrush(gold);
        p.drawPolygon(star);
        p.restore();
    }
    void DropButton(const Rect& rect, bool pushed) override
    {
        QStyleOptionButton button;
        button.initFrom(&widget);
        button.rect = ToQRect(rect);
        button.state |= QStyle::State_Enabled | (pushed ? QStyle::State_Sunken : QStyle::State_Raised);
        widget.style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &p, &widget);
        QStyleOption arrow = button;
        const int inset = std::max(2, rect.Height() / 4);
        arrow.rect = button.rect.adjusted(inset, inset, -inset, -inset);
        if (pushed) arrow.rect.translate(1, 1);
        widget.style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &p, &widget);
    }

private:
    QPainter& p;
    GridWidget& widget;
};

Key KeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left:
        return Key::Left;
    case Qt::Key_Right:
        return Key::Right;
    case Qt::Key_Up:
        return Key::Up;
    case Qt::Key_Down:
        return Key::Down;
    case Qt::Key_F2:
        return Key::F2;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Return;
    case Qt::Key_Escape:
        return Key::Escape;
    case Qt::Key_Tab:
        return Key::Tab;
    case Qt::Key_PageUp:
        return Key::PageUp;
    case Qt::Key_PageDown:
        return Key::PageDown;
    case Qt::Key_Home:
        return Key::Home;
    case Qt::Key_End:
        return Key::End;
    default:
        return Key::Other;
    }
}

}  // namespace

QString ToQString(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QFont PointFont(const char* family, int tenthsOfPoint, bool bold)
{
    QFont font(QString::fromLatin1(family));
    // "Tahoma" falls back to the system's sans-serif face where it is missing. A size of 0 or
    // less stands for the default size, as a font height of 0 does on Windows.
    if (tenthsOfPoint > 0) {
        font.setPointSizeF(tenthsOfPoint / 10.0);
    } else {
        font.setPointSizeF(QApplication::font().pointSizeF());
    }
    font.setStyleHint(QFont::SansSerif);
    if (bold) font.setWeight(QFont::Bold);
    return font;
}

// ---------------------------------------------------------------------------------------------
// The edit field

InPlaceEdit::InPlaceEdit(GridWidget& grid, const QString& text) : QLineEdit(text, &grid), grid(grid), startText(text)
{
    setObjectName(QStringLiteral("GridEdit"));
    setFrame(false);
    setFont(grid.FontFor(FontRole::Item));
    setTextMargins(0, 0, 0, 0);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, grid.palette().color(QPalette::Base));
    colours.setColor(QPalette::Text, grid.palette().color(QPalette::Text));
    setPalette(colours);
}

bool InPlaceEdit::event(QEvent* e)
{
    // Tab would move the focus along the dialog before keyPressEvent sees it; here it just
    // hands the focus back to the grid, as Enter does.
    if (e->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            grid.setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    // Enter and Escape are the field's own, not the dialog's OK and Cancel.
    if (e->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            e->accept();
            return true;
        }
    }
    return QLineEdit::event(e);
}

void InPlaceEdit::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        grid.setFocus(Qt::OtherFocusReason);
        return;
    case Qt::Key_Escape:
        // The starting text goes back, and leaving the field reports it.
        setText(startText);
        grid.setFocus(Qt::OtherFocusReason);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        if ((e->modifiers() & Qt::ControlModifier) != 0) {
            grid.setFocus(Qt::OtherFocusReason);
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(e);
}

void InPlaceEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    // The field's own context menu takes the focus for a moment; that is not leaving it.
    if (reported || e->reason() == Qt::PopupFocusReason) return;
    reported = true;
    grid.TextFinished(text());
}

// ---------------------------------------------------------------------------------------------
// The choice list

ChoiceList::ChoiceList(GridWidget& grid, const std::vector<Choice>& choices, int currentValue)
    : QWidget(&grid, Qt::Popup), grid(grid), choices(choices)
{
    setObjectName(QStringLiteral("GridChoices"));
    setFont(grid.FontFor(FontRole::Item));
    setMouseTracking(true);
    rowHeight = QFontMetrics(font()).height() + 4;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].value == currentValue) current = static_cast<int>(i);
    }
}

int ChoiceList::CurrentValue() const
{
    return choices.empty() ? 0 : choices[static_cast<size_t>(current)].value;
}

int ChoiceList::RowAt(int y) const
{
    if (choices.empty()) return -1;
    const int row = (y - 1) / std::max(1, rowHeight);
    return std::max(0, std::min(row, static_cast<int>(choices.size()) - 1));
}

void ChoiceList::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), ColourOf(grid, Colour::Window));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(0, 0, width() - 1, height() - 1);
    for (size_t i = 0; i < choices.size(); ++i) {
        const QRect row(1, 1 + static_cast<int>(i) * rowHeight, width() - 2, rowHeight);
        const bool isCurrent = static_cast<int>(i) == current;
        if (isCurrent) {
            p.fillRect(row.adjusted(-1, -1, 1, 1).intersected(rect().adjusted(1, 1, -1, -1)),
                       ColourOf(grid, Colour::Highlight));
        }
        const Colour text = !choices[i].enabled ? Colour::GrayText
                            : isCurrent         ? Colour::HighlightText
                                                : Colour::WindowText;
        p.setPen(ColourOf(grid, text));
        p.drawText(row.adjusted(4, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   ToQString(choices[i].text));
        if (isCurrent) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = row;
            focus.backgroundColor = ColourOf(grid, Colour::Highlight);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
    }
}

void ChoiceList::mousePressEvent(QMouseEvent* e)
{
    if (!rect().contains(e->position().toPoint())) {
        QWidget::mousePressEvent(e);  // outside: the pop-up closes
        return;
    }
    pressed = true;
    const int row = RowAt(e->position().toPoint().y());
    if (row >= 0 && choices[static_cast<size_t>(row)].enabled) current = row;
    update();
}

void ChoiceList::mouseMoveEvent(QMouseEvent* e)
{
    if (!pressed) return;
    const int row = RowAt(e->position().toPoint().y());
    if (row >= 0 && row != current && choices[static_cast<size_t>(row)].enabled) {
        current = row;
        update();
    }
}

void ChoiceList::mouseReleaseEvent(QMouseEvent* e)
{
    if (!pressed) return;
    pressed = false;
    if (rect().contains(e->position().toPoint())) Choose();
}

void ChoiceList::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Execute:
        Choose();
        return;
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Up:
        if (current > 0) --current;
        update();
        return;
    case Qt::Key_Down:
        if (current + 1 < static_cast<int>(choices.size())) ++current;
        update();
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

void ChoiceList::Choose()
{
    if (reported || choices.empty()) return;
    reported = true;
    grid.ChoiceFinished(CurrentValue());
}

void ChoiceList::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    if (reported) return;
    reported = true;
    grid.EditorGone();
}

// ---------------------------------------------------------------------------------------------
// The grid's window

GridWidget::GridWidget(GridInput& input, QWidget* parent)
    : QWidget(parent), input(input), bar(new QScrollBar(Qt::Vertical, this))
{
    setObjectName(QStringLiteral("Grid"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setContextMenuPolicy(Qt::PreventContextMenu);
    bar->hide();
    bar->setFocusPolicy(Qt::NoFocus);
    QObject::connect(bar, &QScrollBar::valueChanged, this, [this](int value) {
        if (!settingBar) this->input.Scroll(ScrollAction::Track, value);
    });
    SetFonts(80);
}

GridWidget::~GridWidget() = default;

Size GridWidget::ClientSize() const
{
    return Size{std::max(0, width() - 2 * kBorder), std::max(0, height() - 2 * kBorder)};
}

int GridWidget::ScrollBarWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void GridWidget::SetFonts(int fontSize)
{
    itemFont = PointFont("Tahoma", fontSize, false);
    sectionFont = PointFont("Tahoma", fontSize, true);
    starFont = itemFont;
}

const QFont& GridWidget::FontFor(FontRole role) const
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

int GridWidget::TextHeight(FontRole font, const std::string&)
{
    // The height of a line of the font, as GetTextExtentPoint32 reports it for "Gg".
    return QFontMetrics(FontFor(font)).height();
}

void GridWidget::SetScrollBar(bool shown, int maximum, int page, int position)
{
    settingBar = true;
    if (shown) {
        bar->setRange(0, std::max(0, maximum - page));
        bar->setPageStep(page);
        bar->setSingleStep(std::max(1, input.RowHeight()));
        bar->setValue(position);
        bar->show();
    } else {
        bar->setRange(0, 0);
        bar->hide();
    }
    settingBar = false;
}

void GridWidget::SetCursor(Cursor cursor)
{
    setCursor(cursor == Cursor::SizeWE ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void GridWidget::OpenTextEditor(const Rect& rect, const std::string& text)
{
    CloseEditor();
    edit = new InPlaceEdit(*this, ToQString(text));
    edit->setGeometry(ToQRect(rect).translated(kBorder, kBorder));
    edit->show();
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void GridWidget::OpenChoiceList(const Rect& rect, const std::vector<Choice>& choices, int current)
{
    CloseEditor();
    list = new ChoiceList(*this, choices, current);
    list->setAttribute(Qt::WA_DeleteOnClose);
    list->setGeometry(
        QRect(mapToGlobal(QPoint(rect.left + kBorder, rect.top + kBorder)), QSize(rect.Width(), rect.Height())));
    list->show();
    list->setFocus(Qt::PopupFocusReason);
}

void GridWidget::CloseEditor()
{
    if (InPlaceEdit* e = edit.data()) {
        edit.clear();
        e->Silence();
        e->hide();
        e->deleteLater();
    }
    if (ChoiceList* l = list.data()) {
        list.clear();
        l->Silence();
        l->hide();
        l->deleteLater();
    }
}

void GridWidget::TextFinished(const QString& text)
{
    input.TextEdited(text.toStdString());
    CloseEditor();
}

void GridWidget::ChoiceFinished(int value)
{
    input.ChoiceMade(value);
    CloseEditor();
    setFocus(Qt::PopupFocusReason);
}

void GridWidget::EditorGone()
{
    if (ChoiceList* l = list.data()) {
        list.clear();
        l->deleteLater();
    }
    input.EditorClosed();
}

void GridWidget::PostCommand(int id)
{
    QTimer::singleShot(0, this, [this, id] { input.Command(id); });
}

int GridWidget::TrackMenu(Point at, const std::vector<MenuItem>& items)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("GridMenu"));
    for (const MenuItem& item : items) {
        if (item.id == 0) {
            menu.addSeparator();
        } else {
            menu.addAction(ToQString(item.text))->setData(item.id);
        }
    }
    const QAction* chosen = menu.exec(mapToGlobal(QPoint(at.x + kBorder, at.y + kBorder)));
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

void GridWidget::CopyToClipboard(const std::string& text)
{
    QGuiApplication::clipboard()->setText(ToQString(text));
}

Point GridWidget::ToGrid(const QPointF& p) const
{
    const QPoint q = p.toPoint();
    return Point{q.x() - kBorder, q.y() - kBorder};
}

void GridWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const Size client = ClientSize();
    p.save();
    p.translate(kBorder, kBorder);
    p.setClipRect(0, 0, client.width, client.height);
    QtPainter painter(p, *this);
    input.Paint(painter);
    p.restore();
    p.setPen(QPen(palette().color(QPalette::Mid), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, width() - 1, height() - 1);
}

void GridWidget::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const int w = ScrollBarWidth();
    bar->setGeometry(width() - kBorder - w, kBorder, w, std::max(0, height() - 2 * kBorder));
    input.SizeChanged();
}

void GridWidget::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) input.LeftButtonDown(ToGrid(e->position()));
}

void GridWidget::mouseMoveEvent(QMouseEvent* e)
{
    input.MouseMove(ToGrid(e->position()));
}

void GridWidget::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) input.LeftButtonUp(ToGrid(e->position()));
    if (e->button() == Qt::RightButton) input.RightButtonUp(ToGrid(e->position()));
}

void GridWidget::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) input.LeftDoubleClick(ToGrid(e->position()));
}

void GridWidget::wheelEvent(QWheelEvent* e)
{
    input.Wheel(e->angleDelta().y());
    e->accept();
}

void GridWidget::keyPressEvent(QKeyEvent* e)
{
    if ((e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && input.KeyDown(KeyOf(e->key()))) {
        e->accept();
        return;
    }
    e->ignore();  // Enter and Escape go on to the dialog
}

}  // namespace QtUi
}  // namespace Grid_3_1
