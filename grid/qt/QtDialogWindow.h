// The dialog's window on Qt 6 Widgets: a resizable QDialog without layout managers (the core
// places every control, ArrangeControls), with the image buttons, the description
// box and the ini label.
#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <map>
#include <memory>
#include <string>

#include "grid/Backend.h"

class QWindow;

namespace Grid_3_1 {
namespace QtUi {

class GridWidget;

class DialogWindow final : public QDialog, public DialogView {
public:
    explicit DialogWindow(DialogInput& input);
    ~DialogWindow() override;

    // Made transient for the host's native window (X11 id), when there is one.
    void SetParentWindow(void* parent);
    void CentreOnScreen();

    // DialogView
    void SetTitle(const std::string& title) override;
    Rect WindowRect() const override;
    Rect ClientRect() const override;
    void SetWindowSize(int width, int height) override;
    bool CreateStatics() override;
    GridView* CreateGridWindow(GridInput& grid, int id) override;
    bool CreateButton(const ButtonDesc& button, int width, int height) override;
    void SetDialogFont(int fontSize) override;
    int DialogTextHeight(const std::string& text) override;
    Size ControlSize(int id) const override;
    void MoveControl(int id, const Rect& rect) override;
    void ShowControl(int id, bool show) override;
    void SetControlText(int id, const std::string& text) override;
    void RedrawControl(int id) override;
    void FocusControl(int id) override;
    bool ChooseFile(bool open, std::string& path) override;
    void EndDialog(int result) override;
    int TrackMenu(Point at, const std::vector<MenuItem>& items) override;

public:
    void reject() override;
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QSize FrameExtra() const;
    void ApplyPendingSize();
    void SetMinimum();
    QWidget* Control(int id) const;

    DialogInput& input;
    std::map<int, QWidget*> controls;
    QLabel* description = nullptr;
    QLabel* iniLabel = nullptr;
    GridWidget* grid = nullptr;
    QFont dialogFont;
    std::unique_ptr<QWindow> hostWindow;
    // The outer size asked for before the window's frame was known; applied once it is.
    QSize pendingOuter;
    bool ending = false;
};

}  // namespace QtUi
}  // namespace Grid_3_1
