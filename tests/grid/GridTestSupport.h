// Stand-ins for a toolkit: a grid window, a dialog window and a backend that record what the
// core asks of them, a painter that records what it draws, and a parameter list that stores
// itself in an ini file. With them the grid and the dialog run without any window.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "grid/Backend.h"
#include "grid/ParameterDlg.h"
#include "grid/ParameterGrid.h"
#include "util/AllParametersList.h"
#include "util/IniFile.h"

namespace GridTest {

using namespace Grid_3_1;
using Util_2_1::Param;

constexpr int kTextHeight = 13;
constexpr int kRowHeight = kTextHeight + 2 * ParameterGrid::kMargin;  // 19
constexpr int kScrollBarWidth = 17;

class FakeGridView : public GridView {
public:
    Size client{600, 300};
    int fontSize = -1;
    bool scrollShown = false;
    int scrollMaximum = 0;
    int scrollPage = 0;
    int scrollPosition = 0;
    int redraws = 0;
    Cursor cursor = Cursor::Arrow;
    bool captured = false;
    bool focused = false;
    enum class Editor { None, Text, Choice } editor = Editor::None;
    Rect editorRect;
    std::string editorText;
    std::vector<Choice> choices;
    int choiceCurrent = 0;
    std::vector<int> posted;
    std::vector<MenuItem> lastMenu;
    int menuAnswer = 0;
    std::string clipboard;
    // Called by TakeFocus while an edit field is open: the field reports its text, as the
    // real one does when it loses the focus.
    GridInput* input = nullptr;

    Size ClientSize() const override { return client; }
    int ScrollBarWidth() const override { return kScrollBarWidth; }
    void SetFonts(int size) override { fontSize = size; }
    int TextHeight(FontRole, const std::string&) override { return kTextHeight; }
    void SetScrollBar(bool shown, int maximum, int page, int position) override
    {
        scrollShown = shown;
        scrollMaximum = maximum;
        scrollPage = page;
        scrollPosition = position;
    }
    void Redraw() override { ++redraws; }
    void SetCursor(Cursor c) override { cursor = c; }
    void CaptureMouse(bool on) override { captured = on; }
    void TakeFocus() override
    {
        focused = true;
        if (editor == Editor::Text && input != nullptr) {
            const std::string text = editorText;
            input->TextEdited(text);
        }
    }
    void OpenTextEditor(const Rect& rect, const std::string& text) override
    {
        editor = Editor::Text;
        editorRect = rect;
        editorText = text;
    }
    void OpenChoiceList(const Rect& rect, const std::vector<Choice>& list, int current) override
    {
        editor = Editor::Choice;
        editorRect = rect;
        choices = list;
        choiceCurrent = current;
    }
    bool EditorOpen() const override { return editor != Editor::None; }
    void CloseEditor() override { editor = Editor::None; }
    void PostCommand(int id) override { posted.push_back(id); }
    int TrackMenu(Point, const std::vector<MenuItem>& items) override
    {
        lastMenu = items;
        return menuAnswer;
    }
    void CopyToClipboard(const std::string& text) override { clipboard = text; }
};

// Every drawing call, in order.
class RecordingPainter : public Painter {
public:
    struct Op {
        enum Kind { Fill, Line, Frame, Text, Focus, Star, Drop } kind;
        Rect rect;
        Colour colour = Colour::Window;
        std::string text;
        FontRole font = FontRole::Item;
        unsigned flags = 0;
        bool pushed = false;
    };
    std::vector<Op> ops;

    void FillRect(const Rect& r, Colour c) override { ops.push_back({Op::Fill, r, c, {}, FontRole::Item, 0, false}); }
    void Line(int x0, int y0, int x1, int y1, Colour c) override
    {
        ops.push_back({Op::Line, Rect{x0, y0, x1, y1}, c, {}, FontRole::Item, 0, false});
    }
    void FrameRect(const Rect& r, Colour c) override { ops.push_back({Op::Frame, r, c, {}, FontRole::Item, 0, false}); }
    void Text(const Rect& r, const std::string& t, FontRole f, Colour c, unsigned flags) override
    {
        ops.push_back({Op::Text, r, c, t, f, flags, false});
    }
    int TextWidth(const std::string& t, FontRole) override { return static_cast<int>(t.size()) * 6; }
    void FocusRect(const Rect& r) override
    {
        ops.push_back({Op::Focus, r, Colour::Window, {}, FontRole::Item, 0, false});
    }
    void Star(const Rect& r) override { ops.push_back({Op::Star, r, Colour::Window, {}, FontRole::Star, 0, false}); }
    void DropButton(const Rect& r, bool pushed) override
    {
        ops.push_back({Op::Drop, r, Colour::Window, {}, FontRole::Item, 0, pushed});
    }

    const Op* FindText(const std::string& t) const
    {
        for (const Op& op : ops) {
            if (op.kind == Op::Text && op.text == t) return &op;
        }
        return nullptr;
    }
    int Count(Op::Kind kind) const
    {
        int n = 0;
        for (const Op& op : ops) n += op.kind == kind ? 1 : 0;
        return n;
    }
};

// A parameter list of our own: Apply and Update count, the ini file stores it (port 0).
class TestList : public Util_2_1::AllParametersList {
public:
    int applied = 0;
    int updated = 0;
    std::string iniFile = "test.ini";
    std::vector<std::string> restoredFrom;
    std::vector<std::string> savedTo;

    bool ApplyParameters() override
    {
        ++applied;
        return true;
    }
    bool UpdateParameters() override
    {
        ++updated;
        return true;
    }
    bool RestoreFromFile(const char* file) override
    {
        restoredFrom.push_back(file);
        Util_2_1::IniFile ini(file, 0);
        if (!ini.FileExists()) return false;
        for (const ParamPtr& p : params) ini.ReadParam(p.get());
        return true;
    }
    bool SaveToFile(const char* file) override
    {
        savedTo.push_back(file);
        Util_2_1::IniFile ini(file, 0);
        bool ok = true;
        for (const ParamPtr& p : params) {
            if (!p->TestFlags(Util_2_1::FlagNoSave)) ok = ini.WriteParam(p.get()) && ok;
        }
        return ok;
    }
    const char* IniFileName() override { return iniFile.c_str(); }

    template <class T, class D>
    Param& Make(const char* name, const char* section, const D& value, uint32_t flags = 0)
    {
        return *CreateParameter<T>(name, section, value, flags);
    }
};

class FakeDialogView : public DialogView {
public:
    struct Control {
        Rect rect;
        bool shown = true;
        std::string text;
        Size size;
    };
    std::string title;
    Rect window{0, 0, 800, 400};
    int frameWidth = 16;   // window width less client width
    int frameHeight = 39;  // window height less client height
    int dialogFont = -1;
    std::map<int, Control> controls;
    FakeGridView gridView;
    bool gridCreated = false;
    int focused = 0;
    int ended = 0;
    std::string chooseAnswer;  // empty: the user cancels the file dialog
    bool lastChooseOpen = false;
    int menuAnswer = 0;
    int failButton = 0;  // refuse to create this button

    void SetTitle(const std::string& t) override { title = t; }
    Rect WindowRect() const override { return window; }
    Rect ClientRect() const override { return Rect{0, 0, window.Width() - frameWidth, window.Height() - frameHeight}; }
    void SetWindowSize(int w, int h) override
    {
        window = Rect{window.left, window.top, window.left + w, window.top + h};
    }
    bool CreateStatics() override
    {
        controls[kIdDescription] = Control{};
        controls[kIdIniLabel] = Control{};
        return true;
    }
    GridView* CreateGridWindow(GridInput& input, int id) override
    {
        gridCreated = true;
        gridView.input = &input;
        controls[id] = Control{};
        return &gridView;
    }
    bool CreateButton(const ButtonDesc& button, int width, int height) override
    {
        if (button.id == failButton) return false;
        Control c;
        c.size = Size{width, height};
        c.text = button.caption;
        controls[button.id] = c;
        return true;
    }
    void SetDialogFont(int size) override { dialogFont = size; }
    int DialogTextHeight(const std::string&) override { return kTextHeight; }
    Size ControlSize(int id) const override
    {
        const auto c = controls.find(id);
        return c != controls.end() ? c->second.size : Size{};
    }
    void MoveControl(int id, const Rect& rect) override
    {
        controls[id].rect = rect;
        if (id == kIdGrid) gridView.client = Size{rect.Width() - 2, rect.Height() - 2};  // a one-pixel border
    }
    void ShowControl(int id, bool show) override { controls[id].shown = show; }
    void SetControlText(int id, const std::string& text) override { controls[id].text = text; }
    void RedrawControl(int) override {}
    void FocusControl(int id) override { focused = id; }
    bool ChooseFile(bool open, std::string& path) override
    {
        lastChooseOpen = open;
        if (chooseAnswer.empty()) return false;
        path = chooseAnswer;
        return true;
    }
    void EndDialog(int result) override { ended = result; }
    int TrackMenu(Point, const std::vector<MenuItem>&) override { return menuAnswer; }
};

// Creates and initialises the dialog, runs the script (the user), and answers the result of
// EndDialog (0 when nothing ended it).
class ScriptedBackend : public DialogBackend {
public:
    FakeDialogView view;
    std::function<void(DialogInput&, FakeDialogView&)> script;
    bool initResult = false;

    const char* Name() const override { return "scripted"; }
    int RunModal(DialogInput& dialog, void*, std::string&) override
    {
        if (dialog.Create(view) != 0) return -1;
        initResult = dialog.InitDialog();
        if (!initResult) return 0;
        dialog.Grid().SizeChanged();
        if (script) script(dialog, view);
        dialog.Destroying();
        return view.ended;
    }
};

}  // namespace GridTest
