#include "grid/ParameterDlg.h"

#include <exception>
#include <sstream>

#include "grid/Trace.h"
#include "platform/Platform.h"
#include "util/Logger.h"

using Util_2_1::FlagFavourite;

namespace Grid_3_1 {

namespace {

// The dialog's error lines carry "###: " (no port), as the dialog's other lines do.
constexpr int kDialogLogPort = -1;

// OutputDebugStringA of the text; a line of its own where the sink is a terminal.
void DebugLine(const std::string& text)
{
    Platform::DebugOutput((text + "\n").c_str());
}

std::vector<std::string> SplitWords(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

}  // namespace

const std::vector<ButtonDesc>& ParameterDlg::ButtonTable()
{
    static const std::vector<ButtonDesc> table = {
        {kIdLoad, "Load", "open.bmp", "Load parameters from a different file", 32, 32},
        {kIdSave, "Save", "save.bmp", "Make copy of current parameters into a different file", 32, 32},
        {kIdStar, "Fav", "star.bmp", "Show all or favourites only", 32, 32},
        {kIdStarPressed, "Fav", "star_pressed2.bmp", "Show all or favourites only", 32, 32},
        {kIdFontUp, "AAA", "incr.bmp", "Increase font", 32, 32},
        {kIdFontDown, "aaa", "decr.bmp", "Decrease font", 32, 32},
        {kIdApply, "Apply", "ok.bmp", "Apply current modifications to camera but leave dialog open", 32, 32},
        {kIdOkButton, "OK", "ok2.bmp", "Save current parameters and close this dialog", 32, 32},
        {kIdCancelButton, "Cancel", "cancel2.bmp",
         "Close the dialog and abandon any modifications, including apply commands", 32, 31},
        {kIdExpand, "", "expand.bmp", "Expand all parameter groups", 11, 11},
        {kIdCollapse, "", "collapse.bmp", "Collapse all parameter groups", 11, 11},
    };
    return table;
}

Size ParameterDlg::ButtonSize(const ButtonDesc& button)
{
    return button.caption[0] != '\0' ? Size{50, 60} : Size{12, 12};
}

ParameterDlg::ParameterDlg(const std::string& title, Util_2_1::AllParametersList* list, DialogObserver* observer,
                           void* parent, bool traceFlag)
    : title(title), grid(traceFlag), params(list), observer(observer), parent(parent), traceFlag(traceFlag)
{
    grid.SetListener(this);
    Grid_3_1::Trace("*** ParameterDlg ctor Entering");
    Grid_3_1::Trace("*** ParameterDlg ctor ended OK");
}

ParameterDlg::~ParameterDlg()
{
    Grid_3_1::Trace("*** ParameterDlg dtor");
}

void ParameterDlg::Trace(const std::string& message)
{
    Grid_3_1::Trace(message);
}

void ParameterDlg::LogError(const std::string& tag, const std::string& text)
{
    ORNIC_LOG1_ERR(kDialogLogPort, tag, text);
}

int ParameterDlg::DoModal()
{
    DialogBackend* backend = LoadDialogBackend(lastError);
    if (backend == nullptr) return -1;
    return DoModal(*backend);
}

int ParameterDlg::DoModal(DialogBackend& backend)
{
    lastError.clear();
    int result = -1;
    try {
        result = backend.RunModal(*this, parent, lastError);
    } catch (const std::exception& e) {
        lastError = std::string("the dialog failed: ") + e.what();
    } catch (...) {
        lastError = "the dialog failed";
    }
    grid.Attach(nullptr);
    view = nullptr;
    gridView = nullptr;
    return result;
}

Util_2_1::AllParametersList::ParamPtr ParameterDlg::Lib(const char* name) const
{
    return params != nullptr ? params->Find(name) : nullptr;
}

void ParameterDlg::FocusGrid()
{
    if (view != nullptr) view->FocusControl(kIdGrid);
}

void ParameterDlg::ShowIniFileName()
{
    if (view == nullptr || params == nullptr) return;
    const char* name = params->IniFileName();
    view->SetControlText(kIdIniLabel, name != nullptr ? name : "");
    view->RedrawControl(kIdIniLabel);
}

int ParameterDlg::Create(DialogView& dialogView)
{
    Grid_3_1::Trace("*** ParameterDlg OnCreate Entering");
    try {
        view = &dialogView;
        if (!view->CreateStatics()) {
            DebugLine("*** In ParameterDlg::OnCreate CDialog::OnCreate fails");
            return -1;
        }
        Grid_3_1::Trace("*** ParameterDlg OnCreate OK");
        return 0;
    } catch (const std::exception& e) {
        Grid_3_1::Trace("ParameterDlg::OnCreate exception: ", e.what());
        return 0;
    }
}

bool ParameterDlg::InitDialog()
{
    Grid_3_1::Trace("*** ParameterDlg OnInitDialog starting");
    if (view == nullptr || params == nullptr) {
        DebugLine("*** ParameterDlg: CDialog::OnInitDialog failed");
        ORNIC_LOG1_ERR(kDialogLogPort, "Grid_3_1::ParameterDlg::OnInitDialog", "CDialog::OnInitDialog failed");
        return false;
    }
    try {
        view->SetTitle(title);
        const auto width = Lib("lib_DialogWidth");
        const auto height = Lib("lib_DialogHeight");
        view->SetWindowSize(width != nullptr ? width->GetInt() : 800, height != nullptr ? height->GetInt() : 400);
        const auto fontParam = Lib("lib_DialogFontSize");
        const int fontSize = fontParam != nullptr ? fontParam->GetInt() : 80;
        Grid_3_1::Trace("*** ParameterDlg OnInitDialog point 1");

        view->SetDialogFont(fontSize);
        ShowIniFileName();
        Grid_3_1::Trace("*** ParameterDlg OnInitDialog point 2");

        const auto favMode = Lib("lib_DialogFavMode");
        if (favMode != nullptr && favMode->GetBool()) grid.PresetFavouritesOnly(true);
        InitFavParameters();

        Grid_3_1::Trace("*** ParameterDlg OnInitDialog point 3");
        grid.SetFontSize(fontSize);
        gridView = view->CreateGridWindow(grid, kIdGrid);
        if (gridView == nullptr) {
            DebugLine("*** ParameterDlg: the grid window could not be created");
            return false;
        }
        grid.Attach(gridView);
        Grid_3_1::Trace("*** ParameterDlg OnInitDialog point 4");

        if (!CreateToolBarButtons()) {
            DebugLine("*** ParameterDlg: CreateToolBarButtons failed");
            return false;
        }
        if (!ArrangeControls()) {
            DebugLine("*** ParameterDlg: ArrangeControls failed");
            return false;
        }

        grid.Init(params);
        const auto collapsed = Lib("lib_CollapsedSec");
        if (collapsed != nullptr) grid.SetCollapsedSections(collapsed->GetTextString());
        const auto ratio0 = Lib("lib_Dialogcol0ratio");
        const auto ratio1 = Lib("lib_Dialogcol1ratio");
        grid.SetColumnRatios(ratio0 != nullptr ? ratio0->GetDouble() : 0.3,
                             ratio1 != nullptr ? ratio1->GetDouble() : 0.4);
        grid.UpdateScroll();
        initialised = true;
        Grid_3_1::Trace("*** ParameterDlg OnInitDialog OK");
        return true;
    } catch (const std::exception& e) {
        DebugLine(std::string("*** ParameterDlg: OnInitDialog exception: ") + e.what());
        ORNIC_LOG1_ERR(kDialogLogPort, "Grid_3_1::ParameterDlg::OnInitDialog", "Exception: " << e.what());
        return false;
    }
}

bool ParameterDlg::CreateToolBarButtons()
{
    Grid_3_1::Trace("*** ParameterDlg CreateToolBarButtons entering");
    try {
        for (const ButtonDesc& button : ButtonTable()) {
            const Size size = ButtonSize(button);
            if (!view->CreateButton(button, size.width, size.height)) {
                DebugLine(std::string("ParameterDlg::CreateToolBarButtons failed to create CMFCButton button: ") +
                          button.bitmap);
                ORNIC_LOG1_ERR(
                    kDialogLogPort, "Grid_3_1::ParameterDlg::CreateToolBarButtons",
                    "ParameterDlg::CreateToolBarButtons failed to create CMFCButton button " << button.bitmap);
                return false;
            }
        }
    } catch (const std::exception& e) {
        Grid_3_1::Trace("CreateToolBarButtons exception: ", e.what());
        return false;
    }
    Grid_3_1::Trace("CreateToolBarButtons OK");
    return true;
}

bool ParameterDlg::ArrangeControls()
{
    Grid_3_1::Trace("*** ParameterDlg ArrangeControls entering");
    if (view == nullptr) return false;
    const Rect client = view->ClientRect();
    const int L = client.left;
    const int T = client.top;
    const int H = client.Height();
    const int R = client.Width() - 3;
    const int th = view->DialogTextHeight("Ay");
    const Size load = view->ControlSize(kIdLoad);
    const int bw = load.width;
    const int bh = load.height;
    const int step = bw + static_cast<int>(bw * 0.1);

    auto place = [&](int id, int x, int y) {
        const Size s = view->ControlSize(id);
        view->MoveControl(id, Rect{x, y, x + s.width, y + s.height});
    };
    place(kIdLoad, L, T);
    place(kIdSave, L + step, T);
    place(kIdStar, L + 2 * step, T);
    place(kIdStarPressed, L + 2 * step, T);
    place(kIdFontUp, L + 3 * step, T);
    place(kIdFontDown, L + 4 * step, T);
    place(kIdCancelButton, R - step, T);
    place(kIdOkButton, R - 2 * step, T);
    place(kIdApply, R - 4 * step, T);

    const int secondRow = T + bh + 3;
    const Size expand = view->ControlSize(kIdExpand);
    place(kIdExpand, L + 3, secondRow);
    place(kIdCollapse, L + 3 + expand.width + 10, secondRow);

    const bool favOnly = grid.FavouritesOnly();
    view->ShowControl(kIdStarPressed, favOnly);
    view->ShowControl(kIdStar, !favOnly);

    const int B = H - th - 4;
    view->MoveControl(kIdGrid, Rect{L, secondRow + expand.height + 6, R, B - 60});
    view->MoveControl(kIdDescription, Rect{L, B - 55, R, B - 2});
    view->MoveControl(kIdIniLabel, Rect{L, B, R, H - 2});
    return true;
}

void ParameterDlg::Command(int id)
{
    if (view == nullptr || params == nullptr) return;
    switch (id) {
    case kIdApply:
        Grid_3_1::Trace("*** ParameterDlg OnBtn_Apply entering");
        try {
            params->ApplyParameters();
            params->UpdateParameters();
        } catch (...) {
            // An exception in Apply is swallowed.
        }
        grid.UpdateScroll();
        FocusGrid();
        break;
    case kIdOkButton:
    case kIdOk:
        Grid_3_1::Trace("*** ParameterDlg OnBtn_OK entering");
        SaveDlgLayoutParameters();
        SaveFavParameters();
        view->EndDialog(1);
        break;
    case kIdCancelButton:
    case kIdCancel:
        Grid_3_1::Trace("*** ParameterDlg OnBtn_Cancel entering");
        SaveDlgLayoutParameters();
        SaveFavParameters();
        view->EndDialog(2);
        break;
    case kIdLoad: {
        Grid_3_1::Trace("*** ParameterDlg OnBtn_Import entering");
        std::string path;
        if (view->ChooseFile(true, path)) {
            params->RestoreFromFile(path.c_str());
            params->MarkAllModified();
            if (gridView != nullptr) gridView->Redraw();
        }
        ShowIniFileName();
        FocusGrid();
        break;
    }
    case kIdSave: {
        Grid_3_1::Trace("*** ParameterDlg OnBtn_Export entering");
        std::string path;
        if (view->ChooseFile(false, path)) params->SaveToFile(path.c_str());
        ShowIniFileName();
        FocusGrid();
        break;
    }
    case kIdStar:
    case kIdStarPressed: {
        Grid_3_1::Trace("*** ParameterDlg OnBtn_Star entering");
        const bool favOnly = !grid.FavouritesOnly();
        grid.SetFavouritesOnly(favOnly);
        view->ShowControl(kIdStarPressed, favOnly);
        view->ShowControl(kIdStar, !favOnly);
        FocusGrid();
        break;
    }
    case kIdFontUp:
        SetNewFont(grid.FontSize() + 10);
        break;
    case kIdFontDown:
        SetNewFont(grid.FontSize() - 10);
        break;
    case kIdExpand:
        Grid_3_1::Trace("*** ParameterDlg OnBtn_Expand entering");
        grid.ExpandAll(true);
        FocusGrid();
        break;
    case kIdCollapse:
        Grid_3_1::Trace("*** ParameterDlg OnBtn_Collapse entering");
        grid.ExpandAll(false);
        FocusGrid();
        break;
    case kCmdCopyName:
    case kCmdCopyValue:
    case kCmdCopyDescription:
    case kCmdStar:
        grid.Command(id);
        break;
    default:
        break;
    }
}

void ParameterDlg::SetNewFont(int size)
{
    Grid_3_1::Trace("*** ParameterDlg SetNewFont entering");
    grid.SetFontSize(size);
    grid.RecreateFonts();
    if (gridView != nullptr) gridView->Redraw();
    view->SetDialogFont(size);
    ArrangeControls();
    grid.UpdateScroll();
    FocusGrid();
}

void ParameterDlg::GridNotify(int message, int index, const char* name)
{
    const std::string paramName = name != nullptr ? name : "";
    switch (message) {
    case kMsgSelectionChanged: {
        if (observer != nullptr) observer->SelectionChanged(paramName, gridView);
        std::string description;
        try {
            if (index >= 0 && params != nullptr) {
                if (const auto p = params->Find(paramName)) description = p->Description();
            }
        } catch (...) {
            description.clear();
        }
        if (view != nullptr) view->SetControlText(kIdDescription, description);
        break;
    }
    case kMsgEnumChanged:
        if (observer != nullptr) observer->EnumChanged(paramName, gridView);
        break;
    case kMsgTextApplied:
        if (observer != nullptr) observer->TextApplied(paramName, gridView);
        break;
    case kMsgBoolChanged:
        if (observer != nullptr) observer->BoolChanged(paramName, gridView);
        break;
    default:
        break;
    }
}

void ParameterDlg::InitFavParameters()
{
    Grid_3_1::Trace("*** ParameterDlg InitFavParameters Entering");
    const auto favourites = Lib("lib_Favourites");
    if (favourites == nullptr) return;
    for (const std::string& word : SplitWords(favourites->GetTextString())) {
        if (const auto p = params->Find(word)) {
            p->SetFlags(FlagFavourite);
        } else {
            DebugLine("*** Favourite NOT FOUND as parameter: " + word);
            ORNIC_LOG1_ERR(kDialogLogPort, "Grid_3_1::ParameterDlg::InitFavParameters",
                           "Favourite " << word << "NOT FOUND as parameter");
        }
    }
    Grid_3_1::Trace("*** ParameterDlg InitFavParameters OK");
}

void ParameterDlg::SaveFavParameters()
{
    Grid_3_1::Trace("*** ParameterDlg SaveFavParameters Entering");
    if (params == nullptr) return;
    std::string text;
    for (const auto& p : *params) {
        if (!p->TestFlags(FlagFavourite)) continue;
        if (!text.empty()) text += " ";
        text += p->Name();
    }
    if (const auto favourites = Lib("lib_Favourites")) favourites->SetText(text);
    Grid_3_1::Trace("*** ParameterDlg SaveFavParameters OK");
    Grid_3_1::Trace(text);
}

void ParameterDlg::SaveDlgLayoutParameters()
{
    Grid_3_1::Trace("*** ParameterDlg SaveDlgLayoutParameters Entering");
    if (view == nullptr || params == nullptr) return;
    const Rect window = view->WindowRect();
    if (const auto p = Lib("lib_DialogHeight")) p->SetInt(window.Height());
    if (const auto p = Lib("lib_DialogWidth")) p->SetInt(window.Width());
    if (const auto p = Lib("lib_DialogFontSize")) p->SetInt(grid.FontSize());
    if (const auto p = Lib("lib_DialogFavMode")) p->SetBool(grid.FavouritesOnly());
    const ParameterGrid::Ratios ratios = grid.ColumnRatios();
    if (const auto p = Lib("lib_Dialogcol0ratio")) p->SetDouble(ratios.col0);
    if (const auto p = Lib("lib_Dialogcol1ratio")) p->SetDouble(ratios.col1);
    if (const auto p = Lib("lib_CollapsedSec")) p->SetText(grid.CollapsedSectionsText());
}

void ParameterDlg::SizeChanged(int clientWidth, int /*clientHeight*/)
{
    if (clientWidth < 500) return;
    Grid_3_1::Trace("*** ParameterDlg OnSize entering");
    if (!initialised) return;
    grid.RecalcColumns();
    ArrangeControls();
    if (gridView != nullptr) gridView->Redraw();
}

void ParameterDlg::RightButtonUp(Point at)
{
    Grid_3_1::Trace("*** ParameterDlg OnRButtonUp entering");
    // The dialog's own menu offers the grid's copy commands for the selected parameter.
    if (view == nullptr || grid.SelectedItem() == nullptr) return;
    const std::vector<MenuItem> menu = {{kCmdCopyName, "Copy name to Clipboard"},
                                        {kCmdCopyValue, "Copy  value to Clipboard"},
                                        {kCmdCopyDescription, "Copy description to Clipboard"}};
    const int chosen = view->TrackMenu(at, menu);
    if (chosen != 0) grid.Command(chosen);
}

void ParameterDlg::Destroying()
{
    Grid_3_1::Trace("*** ParameterDlg DestroyWindow entering");
    grid.Attach(nullptr);
    gridView = nullptr;
}

}  // namespace Grid_3_1
