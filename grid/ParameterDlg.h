// Grid_3_1::ParameterDlg: the modal configuration window around the grid, with its
// image buttons, the description box and the ini file's name. This is the toolkit-free part:
// the steps of OnInitDialog, the control layout, the commands, favourites and the layout kept
// in the list's eight "lib_" parameters. A DialogBackend supplies the window and runs the
// modal loop.
#pragma once

#include <string>
#include <vector>

#include "grid/Backend.h"
#include "grid/ParameterGrid.h"
#include "util/AllParametersList.h"

namespace Grid_3_1 {

// Optional listener of the grid's notifications; each operation gets the parameter's name
// and the grid's window.
class DialogObserver {
public:
    virtual ~DialogObserver() = default;
    virtual void EnumChanged(const std::string& name, GridView* grid) = 0;       // 4036
    virtual void TextApplied(const std::string& name, GridView* grid) = 0;       // 4037
    virtual void BoolChanged(const std::string& name, GridView* grid) = 0;       // 4038
    virtual void SelectionChanged(const std::string& name, GridView* grid) = 0;  // 4075
};

class ParameterDlg : public DialogInput, private GridListener {
public:
    // The list is edited in place and must outlive the dialog.
    ParameterDlg(const std::string& title, Util_2_1::AllParametersList* list, DialogObserver* observer, void* parent,
                 bool traceFlag);
    ~ParameterDlg() override;
    ParameterDlg(const ParameterDlg&) = delete;
    ParameterDlg& operator=(const ParameterDlg&) = delete;

    // 1 closed with OK, 2 with Cancel, 0 when the initialisation failed, -1 when the dialog
    // could not be shown (no backend; the reason is in LastError()).
    int DoModal();
    int DoModal(DialogBackend& backend);
    const std::string& LastError() const { return lastError; }

    // DialogInput
    const std::string& Title() const override { return title; }
    Size MinimumSize() const override { return Size{600, 450}; }
    int Create(DialogView& view) override;
    bool InitDialog() override;
    GridInput& Grid() override { return grid; }
    void Command(int id) override;
    void SizeChanged(int clientWidth, int clientHeight) override;
    void RightButtonUp(Point at) override;
    void Destroying() override;
    void Trace(const std::string& message) override;
    void LogError(const std::string& tag, const std::string& text) override;

    // The dialog's steps, public for tests.
    bool CreateToolBarButtons();
    bool ArrangeControls();
    void SetNewFont(int size);
    void InitFavParameters();
    void SaveFavParameters();
    void SaveDlgLayoutParameters();

    ParameterGrid& GridCore() { return grid; }
    bool Initialised() const { return initialised; }
    static const std::vector<ButtonDesc>& ButtonTable();
    static Size ButtonSize(const ButtonDesc& button);

private:
    void GridNotify(int message, int index, const char* name) override;
    Util_2_1::AllParametersList::ParamPtr Lib(const char* name) const;
    void FocusGrid();
    void ShowIniFileName();

    std::string title;
    ParameterGrid grid;
    Util_2_1::AllParametersList* params;
    DialogObserver* observer;
    void* parent;
    bool traceFlag;
    bool initialised = false;
    DialogView* view = nullptr;
    GridView* gridView = nullptr;
    std::string lastError;
};

// The backend for this build: on Windows the Win32 one linked into the driver; elsewhere the
// Qt one, loaded from its own shared library on first use (ORNIC_DIALOG_BACKEND names another
// file). Null with the reason in `error` when none can be had.
DialogBackend* LoadDialogBackend(std::string& error);
// Tests and benchmarks: LoadDialogBackend answers this one while it is set (null: the build's).
void SetDialogBackendOverride(DialogBackend* backend);

}  // namespace Grid_3_1
