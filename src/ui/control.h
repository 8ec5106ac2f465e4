#pragma once
// The control model: what a window's controls hold and the events they raise.
//
// A control keeps exactly the state the program reads back (caption, caption colour, value,
// items, selection, ...). A view (the Qt front end) mirrors every change to the screen and
// feeds user actions back through the `user...` methods; the model never depends on a view.
// Geometry is in twips (15 per pixel) in the coordinate system of the owning form.
//
// Programmatic changes raise the same events as the classic toolkit did, because the windows
// rely on it: setting a scroll bar's value or a text box's text raises Change, setting a check
// box's value raises Click, selecting a list entry by index raises Click.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lirafok::ui {

class Form;
using Color = std::int32_t;  // 0x00BBGGRR

inline constexpr Color kBlack = 0;
inline constexpr Color kRed = 255;
inline constexpr Color kBlue = 16711680;
inline constexpr Color kYellow = 65535;
inline constexpr Color kWhite = 16777215;
inline constexpr Color kButtonFace = 12632256;  // light grey of three-dimensional controls

struct Font {
    std::string name = "ＭＳ Ｐゴシック";
    double size = 9;  // points
    bool bold = false;
    bool italic = false;
    bool operator==(const Font&) const = default;
};

// Text alignment values as the windows store them: plain labels count 0 left, 1 right,
// 2 centre; three-dimensional panels count 0..8 as left, right and centre each top, middle and
// bottom, of which the windows use the middle ones.
namespace align {
inline constexpr int kLeft = 0;
inline constexpr int kRight = 1;
inline constexpr int kCentre = 2;
inline constexpr int kPanelLeft = 1;    // left, middle
inline constexpr int kPanelRight = 4;   // right, middle
inline constexpr int kPanelCentre = 7;  // centre, middle
}  // namespace align

enum class ControlKind {
    Button,
    Panel,
    Label,
    TextBox,
    ListBox,
    ComboBox,
    CheckBox,
    OptionButton,
    SpinButton,
    ScrollBar,
    Frame,
    Line,
    Menu,
    Timer,
    MultimediaControl,
    CommonDialog,
    TabControl,
    CdgPicture,     // the CD+G screen (ui/cdg_picture.h)
    KaraokeScreen,  // the karaoke screen's two lines (ui/karaoke_screen.h)
};

// Whether a control of this kind can hold the focus (a click or the Tab key gives it the
// focus). Labels, panels, frames, lines, menus, timers and dialogs never hold it.
bool takesFocus(ControlKind kind);

// What changed, so that a view redraws only that.
enum class Prop {
    Caption,
    ForeColor,
    BackColor,
    Font,
    Visible,
    Enabled,
    Geometry,
    Alignment,
    Items,
    Selection,
    Value,
    Checked,
    Range,
    TextSelection,
    Buttons,
    ToolTip,
};

class ControlView {
public:
    virtual ~ControlView() = default;
    virtual void update(Prop what) = 0;
};

class Control {
public:
    Control(Form& form, ControlKind kind, std::string name, int index = -1);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Form& form() const { return m_form; }
    ControlKind kind() const { return m_kind; }
    const std::string& name() const { return m_name; }
    int index() const { return m_index; }  // -1 when not part of a control array
    std::string path() const;              // "FORM.NAME" or "FORM.NAME(i)"

    // Caption of buttons, panels, labels, frames, check and option buttons, menus; the text of
    // text boxes and combo boxes.
    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& c);
    Color foreColor() const { return m_foreColor; }
    void setForeColor(Color c);
    Color backColor() const { return m_backColor; }
    void setBackColor(Color c);
    const Font& font() const { return m_font; }
    void setFont(const Font& f);
    void setFontName(const std::string& n);
    void setFontSize(double s);
    void setFontBold(bool b);
    void setFontItalic(bool i);
    bool visible() const { return m_visible; }
    void setVisible(bool v);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool e);
    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void setLeft(int v) { move(v, m_top, m_width, m_height); }
    void setTop(int v) { move(m_left, v, m_width, m_height); }
    void setWidth(int v) { move(m_left, m_top, v, m_height); }
    void setHeight(int v) { move(m_left, m_top, m_width, v); }
    void move(int left, int top, int width, int height);
    // One of the alignment values below (vertical placement is the view's business).
    int alignment() const { return m_alignment; }
    void setAlignment(int a);
    // Container (a frame, panel or tab control holding this control): left and top are then
    // relative to the container, and the control shows only while its container shows and
    // works only while its container is enabled. On a tab control, `page` is the tab the
    // control sits on: it shows only while that tab is the current one. The container
    // outlives its children.
    void setContainer(Control* container, int page = 0);
    Control* container() const { return m_container; }
    int containerPage() const { return m_page; }
    int absoluteLeft() const { return m_left + (m_container ? m_container->absoluteLeft() : 0); }
    int absoluteTop() const { return m_top + (m_container ? m_container->absoluteTop() : 0); }
    // Drawn on the screen: visible itself and in every container up the chain.
    bool effectivelyVisible() const {
        return m_visible && (!m_container || (m_container->showsContained(*this) &&
                                              m_container->effectivelyVisible()));
    }
    // Usable: enabled itself and in every container up the chain.
    bool effectivelyEnabled() const {
        return m_enabled && (!m_container || m_container->effectivelyEnabled());
    }

    // Drawn without a raised border (panels used as labels, lines).
    bool flat() const { return m_flat; }
    void setFlat(bool f) { m_flat = f; }

    // The text is drawn no taller than the control (a smaller size when the font would not fit
    // its height), with a little air above and below: lines stacked in panels never overlap.
    bool fitsTextToHeight() const { return m_fitHeight; }
    void setFitsTextToHeight(bool f) { m_fitHeight = f; }

    // What the control does, in Japanese, with its key where it has one (shown on hover).
    const std::string& toolTip() const { return m_toolTip; }
    void setToolTip(std::string t) {
        if (t == m_toolTip) return;
        m_toolTip = std::move(t);
        changed(Prop::ToolTip);
    }
    // A button whose caption colour is a mode's state: any colour but black is "on", and the
    // button is then also drawn pressed, so the state does not rest on colour alone.
    bool showsModeState() const { return m_modeState; }
    void setShowsModeState(bool m) { m_modeState = m; }

    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::function<void()> onGotFocus;
    std::function<void()> onLostFocus;
    std::function<void(int button, int shift, int x, int y)> onMouseDown;

    // User actions, called by views and by the scenario runner.
    virtual void userClick();
    void userMouseDown(int button = 1) {
        if (onMouseDown) onMouseDown(button, 0, 0, 0);
    }
    void userGotFocus() {
        if (onGotFocus) onGotFocus();
    }
    void userLostFocus() {
        if (onLostFocus) onLostFocus();
    }

    void attachView(ControlView* v) { m_view = v; }
    ControlView* view() const { return m_view; }

protected:
    void changed(Prop p) {
        if (m_view) m_view->update(p);
        // A moved, hidden or disabled container moves, hides or disables what it holds.
        if (p == Prop::Geometry || p == Prop::Visible || p == Prop::Enabled) containedChanged(p);
    }
    void containedChanged(Prop p) {
        for (Control* c : m_contained) c->changed(p);
    }
    // Whether `child`, held by this control, shows while this control shows.
    virtual bool showsContained(const Control& child) const { return true; }

private:
    Form& m_form;
    ControlKind m_kind;
    std::string m_name;
    int m_index;
    std::string m_caption;
    Color m_foreColor = kBlack;
    Color m_backColor = kButtonFace;
    Font m_font;
    bool m_visible = true;
    bool m_enabled = true;
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    int m_alignment = 0;
    bool m_flat = false;
    std::string m_toolTip;
    bool m_modeState = false;
    bool m_fitHeight = false;
    ControlView* m_view = nullptr;
    Control* m_container = nullptr;
    int m_page = 0;
    std::vector<Control*> m_contained;
};

// A three-dimensional push button whose caption colour carries state.
class Button : public Control {
public:
    Button(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::Button, std::move(name), index) {}
};

// A three-dimensional panel showing a caption (display fields, frames of the layout).
class Panel : public Control {
public:
    Panel(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::Panel, std::move(name), index) {}
};

class Label : public Control {
public:
    Label(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::Label, std::move(name), index) {
        setFlat(true);
    }
};

class Frame : public Control {
public:
    Frame(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::Frame, std::move(name), index) {}
};

class Line : public Control {
public:
    Line(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::Line, std::move(name), index) {}
};

class TextBox : public Control {
public:
    TextBox(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::TextBox, std::move(name), index) {
        setBackColor(kWhite);
    }
    const std::string& text() const { return caption(); }
    void setText(const std::string& t);  // raises Change when the text differs
    bool multiLine() const { return m_multiLine; }
    void setMultiLine(bool m) { m_multiLine = m; }
    bool locked() const { return m_locked; }
    void setLocked(bool l) { m_locked = l; }
    int maxLength() const { return m_maxLength; }
    void setMaxLength(int n) { m_maxLength = n; }
    // Selection in characters (code points) from 0.
    int selStart() const { return m_selStart; }
    int selLength() const { return m_selLength; }
    void setSelection(int start, int length);
    std::string selText() const;
    void setSelText(const std::string& t);  // replaces the selection, raises Change

    std::function<void()> onChange;
    // The user typed: text replaced (Change event).
    void userType(const std::string& t) { setText(t); }

private:
    bool m_multiLine = false;
    bool m_locked = false;
    int m_maxLength = 0;
    int m_selStart = 0;
    int m_selLength = 0;
};

class ListBox : public Control {
public:
    ListBox(Form& f, std::string name, int index = -1, ControlKind kind = ControlKind::ListBox)
        : Control(f, kind, std::move(name), index) {
        setBackColor(kWhite);
    }
    int listCount() const { return static_cast<int>(m_items.size()); }
    const std::string& list(int i) const;
    void setList(int i, const std::string& s);
    void addItem(const std::string& s, int at = -1);
    void removeItem(int i);
    void clear();
    bool selected(int i) const;
    void setSelected(int i, bool s);  // no event
    // Index of the current entry, -1 for none. Setting it selects only that entry (single
    // selection) or moves the focus entry (multiple selection) and raises Click.
    int listIndex() const { return m_listIndex; }
    void setListIndex(int i);
    bool multiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool m) { m_multiSelect = m; }
    int topIndex() const { return m_topIndex; }
    void setTopIndex(int i);
    const std::vector<std::string>& items() const { return m_items; }

    std::function<void()> onChange;
    // User picked entry i alone: MouseDown then Click.
    void userClickItem(int i);
    // User selected exactly these entries (multiple selection), then Click.
    void userSelect(const std::vector<int>& items);

protected:
    std::vector<std::string> m_items;
    std::vector<bool> m_selected;
    int m_listIndex = -1;
    int m_topIndex = 0;
    bool m_multiSelect = false;
};

class ComboBox : public ListBox {
public:
    ComboBox(Form& f, std::string name, int index = -1)
        : ListBox(f, std::move(name), index, ControlKind::ComboBox) {}
    const std::string& text() const { return caption(); }
    void setText(const std::string& t);  // raises Change when it differs
    void userType(const std::string& t) { setText(t); }
    // Picks the entry with this text: the text changes (Change) and Click follows.
    bool userChoose(const std::string& t);
};

class CheckBox : public Control {
public:
    CheckBox(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::CheckBox, std::move(name), index) {}
    int value() const { return m_value; }  // 0 unchecked, 1 checked
    void setValue(int v);                  // raises Click when it changes
    void userClick() override { setValue(m_value ? 0 : 1); }

private:
    int m_value = 0;
};

class OptionButton : public Control {
public:
    OptionButton(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::OptionButton, std::move(name), index) {}
    bool value() const { return m_value; }
    // Setting true clears the other option buttons of the same group (same form and group
    // number) and raises Click.
    void setValue(bool v);
    int group() const { return m_group; }
    void setGroup(int g) { m_group = g; }
    void userClick() override { setValue(true); }

private:
    bool m_value = false;
    int m_group = 0;
};

class SpinButton : public Control {
public:
    SpinButton(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::SpinButton, std::move(name), index) {}
    std::function<void()> onSpinUp;
    std::function<void()> onSpinDown;
    void userSpinUp() {
        if (onSpinUp) onSpinUp();
    }
    void userSpinDown() {
        if (onSpinDown) onSpinDown();
    }
};

class ScrollBar : public Control {
public:
    ScrollBar(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::ScrollBar, std::move(name), index) {}
    int value() const { return m_value; }
    void setValue(int v);  // clamped to min..max; raises Change when it differs
    int min() const { return m_min; }
    int max() const { return m_max; }
    void setRange(int mn, int mx);
    bool vertical() const { return m_vertical; }
    void setVertical(bool v) { m_vertical = v; }
    std::function<void()> onChange;
    void userScroll(int v) { setValue(v); }

private:
    int m_value = 0, m_min = 0, m_max = 100;
    bool m_vertical = false;
};

// A tab control: a row of tabs over one page area. Each control placed on it (setContainer
// with its page) shows only while its tab is the current one. The caption is the current
// tab's caption.
class TabControl : public Control {
public:
    TabControl(Form& f, std::string name, int index = -1)
        : Control(f, ControlKind::TabControl, std::move(name), index) {}
    int tabs() const { return static_cast<int>(m_captions.size()); }
    // Sets the number of tabs; new tabs are captioned "Tab N". The current tab stays when it
    // still exists, else the last tab becomes current (without a Click).
    void setTabs(int n);
    const std::string& tabCaption(int i) const;
    void setTabCaption(int i, const std::string& caption);
    // The current tab, from 0 (-1 while there are no tabs).
    int tab() const { return m_tab; }
    // Makes tab i the current one; raises Click with the previous tab when it changes.
    void setTab(int i);
    // The user picked tab i: the same as setTab.
    void userClickTab(int i) { setTab(i); }
    const std::vector<std::string>& tabCaptions() const { return m_captions; }

    std::function<void(int previousTab)> onTabClick;

protected:
    bool showsContained(const Control& child) const override {
        return child.containerPage() == m_tab;
    }

private:
    std::vector<std::string> m_captions;
    int m_tab = -1;
};

// A menu entry; entries with a parent form the drop-down of that parent.
class Menu : public Control {
public:
    Menu(Form& f, std::string name, std::string parent = {}, int index = -1)
        : Control(f, ControlKind::Menu, std::move(name), index), m_parent(std::move(parent)) {}
    const std::string& parent() const { return m_parent; }
    bool checked() const { return m_checked; }
    void setChecked(bool c);

private:
    std::string m_parent;
    bool m_checked = false;
};

}  // namespace lirafok::ui
