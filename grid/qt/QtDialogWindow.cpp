#include "grid/qt/QtDialogWindow.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QToolButton>
#include <QWindow>

#include "grid/qt/QtGridWidget.h"

namespace Grid_3_1 {
namespace QtUi {

namespace {

// The button images are the Win32 resources' files (grid/res), key colour magenta.
QPixmap ButtonImage(const char* bitmap)
{
    QImage image(QStringLiteral(":/ornic/grid/") + QString::fromLatin1(bitmap));
    if (image.isNull()) return QPixmap();
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFFu) == 0xFF00FFu) line[x] = 0;
        }
    }
    return QPixmap::fromImage(image);
}

}  // namespace

DialogWindow::DialogWindow(DialogInput& input) : QDialog(nullptr), input(input)
{
    setObjectName(QStringLiteral("ParameterDlg"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    setModal(true);
}

DialogWindow::~DialogWindow() = default;

void DialogWindow::SetParentWindow(void* parent)
{
    if (parent == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return;
    hostWindow.reset(QWindow::fromWinId(static_cast<WId>(reinterpret_cast<quintptr>(parent))));
    winId();  // the dialog's own native window, so that it can name its owner
    if (windowHandle() != nullptr && hostWindow != nullptr) windowHandle()->setTransientParent(hostWindow.get());
}

void DialogWindow::CentreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QSize outer = size() + FrameExtra();
    move(area.left() + std::max(0, (area.width() - outer.width()) / 2),
         area.top() + std::max(0, (area.height() - outer.height()) / 2));
}

QSize DialogWindow::FrameExtra() const
{
    // Known once a window manager has framed the window; nothing before that or without one.
    return frameGeometry().size() - geometry().size();
}

QWidget* DialogWindow::Control(int id) const
{
    const auto found = controls.find(id);
    return found != controls.end() ? found->second : nullptr;
}

void DialogWindow::SetTitle(const std::string& title)
{
    setWindowTitle(ToQString(title));
}

Rect DialogWindow::WindowRect() const
{
    const QRect r = frameGeometry();
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Rect DialogWindow::ClientRect() const
{
    return Rect{0, 0, width(), height()};
}

void DialogWindow::SetWindowSize(int w, int h)
{
    const QSize extra = FrameExtra();
    resize(std::max(1, w - extra.width()), std::max(1, h - extra.height()));
    // Before the window is shown its frame is not known yet (and under a window manager not
    // until it has framed the window); the outer size is applied again then, so that the size
    // recorded at the end is the one asked for and does not grow by a frame at every opening.
    pendingOuter = extra.isEmpty() ? QSize(w, h) : QSize();
}

void DialogWindow::ApplyPendingSize()
{
    if (!pendingOuter.isValid()) return;
    const QSize extra = FrameExtra();
    if (extra.isEmpty()) return;
    const QSize outer = pendingOuter;
    pendingOuter = QSize();
    resize(std::max(1, outer.width() - extra.width()), std::max(1, outer.height() - extra.height()));
    SetMinimum();
}

void DialogWindow::SetMinimum()
{
    // The smallest size for the user's drags. A window opened smaller (the default
    // 800 x 400 is below 450) keeps its size: the minimum height is then the opening height.
    const Size minimum = input.MinimumSize();
    const QSize extra = FrameExtra();
    setMinimumSize(std::min(minimum.width - extra.width(), width()),
                   std::min(minimum.height - extra.height(), height()));
}

bool DialogWindow::CreateStatics()
{
    description = new QLabel(this);
    description->setObjectName(QStringLiteral("Description"));
    description->setFrameShape(QFrame::StyledPanel);
    description->setFrameShadow(QFrame::Sunken);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description->setWordWrap(true);
    description->setMargin(3);
    description->setTextFormat(Qt::PlainText);
    description->setTextInteractionFlags(Qt::TextSelectableByMouse);
    iniLabel = new QLabel(this);
    iniLabel->setObjectName(QStringLiteral("IniLabel"));
    iniLabel->setTextFormat(Qt::PlainText);
    iniLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    controls[kIdDescription] = description;
    controls[kIdIniLabel] = iniLabel;
    return true;
}

GridView* DialogWindow::CreateGridWindow(GridInput& gridInput, int id)
{
    grid = new GridWidget(gridInput, this);
    grid->setAccessibleName(QStringLiteral("Grid"));
    controls[id] = grid;
    grid->show();
    return grid;
}

bool DialogWindow::CreateButton(const ButtonDesc& button, int w, int h)
{
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(button.bitmap));
    const QPixmap image = ButtonImage(button.bitmap);
    if (image.isNull()) {
        delete b;
        return false;
    }
    b->setIcon(QIcon(image));
    b->setIconSize(QSize(button.imageWidth, button.imageHeight));
    const bool captioned = button.caption[0] != '\0';
    if (captioned) {
        b->setText(QString::fromLatin1(button.caption));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    } else {
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::TabFocus);
    b->setFixedSize(w, h);
    b->setToolTip(QString::fromLatin1(button.tooltip));
    b->setCursor(Qt::PointingHandCursor);
    const int id = button.id;
    QObject::connect(b, &QToolButton::clicked, this, [this, id] { input.Command(id); });
    controls[id] = b;
    b->show();
    return true;
}

void DialogWindow::SetDialogFont(int fontSize)
{
    dialogFont = PointFont("Tahoma", fontSize, false);
    if (description != nullptr) description->setFont(dialogFont);
    if (iniLabel != nullptr) iniLabel->setFont(dialogFont);
}

int DialogWindow::DialogTextHeight(const std::string&)
{
    return QFontMetrics(dialogFont).height();
}

Size DialogWindow::ControlSize(int id) const
{
    const QWidget* w = Control(id);
    return w != nullptr ? Size{w->width(), w->height()} : Size{};
}

void DialogWindow::MoveControl(int id, const Rect& rect)
{
    if (QWidget* w = Control(id))
        w->setGeometry(rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height()));
}

void DialogWindow::ShowControl(int id, bool show)
{
    if (QWidget* w = Control(id)) w->setVisible(show);
}

void DialogWindow::SetControlText(int id, const std::string& text)
{
    if (auto* label = qobject_cast<QLabel*>(Control(id))) label->setText(ToQString(text));
}

void DialogWindow::RedrawControl(int id)
{
    if (QWidget* w = Control(id)) w->update();
}

void DialogWindow::FocusControl(int id)
{
    if (QWidget* w = Control(id)) w->setFocus(Qt::OtherFocusReason);
}

bool DialogWindow::ChooseFile(bool open, std::string& path)
{
    const QString chosen = open ? QFileDialog::getOpenFileName(this, QStringLiteral("Load parameters"))
                                : QFileDialog::getSaveFileName(this, QStringLiteral("Save parameters"));
    if (chosen.isEmpty()) return false;
    path = chosen.toStdString();
    return true;
}

void DialogWindow::EndDialog(int result)
{
    ending = true;
    done(result);
}

int DialogWindow::TrackMenu(Point at, const std::vector<MenuItem>& items)
{
    QMenu menu(this);
    for (const MenuItem& item : items) {
        if (item.id == 0) {
            menu.addSeparator();
        } else {
            menu.addAction(ToQString(item.text))->setData(item.id);
        }
    }
    const QAction* chosen = menu.exec(mapToGlobal(QPoint(at.x, at.y)));
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

void DialogWindow::reject()
{
    // Escape and the close box: Cancel, which records the layout and ends the dialog.
    if (!ending) input.Command(kIdCancel);
}

void DialogWindow::accept()
{
    if (!ending) input.Command(kIdOk);
}

void DialogWindow::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        input.Command(kIdOk);
        return;
    case Qt::Key_Escape:
        input.Command(kIdCancel);
        return;
    default:
        QDialog::keyPressEvent(e);
    }
}

void DialogWindow::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    input.SizeChanged(width(), height());
}

void DialogWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    SetMinimum();
    ApplyPendingSize();
}

void DialogWindow::moveEvent(QMoveEvent* e)
{
    QDialog::moveEvent(e);
    ApplyPendingSize();
}

void DialogWindow::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) {
        const QPoint p = e->position().toPoint();
        input.RightButtonUp(Point{p.x(), p.y()});
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

}  // namespace QtUi
}  // namespace Grid_3_1
