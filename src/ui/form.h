#pragma once
// A window of the program: its caption, geometry (twips), inner coordinate system, controls and
// the window events its class handles.
//
// Forms are created on first use and unloaded when closed. Unloading runs Form_QueryUnload
// (which may cancel) and then detaches the window from the screen; the owner discards the
// object and makes a fresh one on next use.
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/control.h"

namespace lirafok::ui {

class Form;

// Key codes of the window's key events, as the classic key constants number them.
namespace key {
inline constexpr int kReturn = 13;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kF11 = 0x7A;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kPlus = 0xBB;          // "+" (also "=" and the keypad's "+")
inline constexpr int kMinus = 0xBD;         // "-" (also the keypad's "-")
inline constexpr int kBracketLeft = 0xDB;   // "["
inline constexpr int kBracketRight = 0xDD;  // "]"
inline constexpr int kMediaNext = 0xB0;
inline constexpr int kMediaPrevious = 0xB1;
inline constexpr int kMediaStop = 0xB2;
inline constexpr int kMediaPlayPause = 0xB3;
inline constexpr int kMediaPlay = 0xFA;
inline constexpr int kMediaPause = 0x13;
// Modifier bits of `shift`.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;
}  // namespace key

// Why a window is being closed.
enum class UnloadMode {
    User = 0,  // the user closed it with the window frame
    Code = 1,  // the program unloaded it
};

// The screen side of forms: the Qt front end, or nothing (headless).
class FormHost {
public:
    virtual ~FormHost() = default;
    // Called when a form becomes visible. For modal = true, returns only when the form is
    // hidden or unloaded again (nested event loop); headless hosts may answer scripted clicks.
    virtual void showForm(Form& form, bool modal) = 0;
    virtual void hideForm(Form& form) = 0;
    // A form already visible is asked for again (its button pressed once more): restore it
    // when minimised, raise it above the other windows and give it the focus.
    virtual void raiseForm(Form& form) { (void)form; }
    // The form is unloaded: drop its window and every view attached to its controls.
    virtual void unloadForm(Form& form) = 0;
    // Caption, geometry, scale or always-on-top changed.
    virtual void formChanged(Form& form) = 0;
};

// One entry of a window's context menu.
struct ContextEntry {
    std::string caption;  // with its key after a tab ("ディスクを開く…\tCtrl+O")
    std::function<void()> action;
};

class Form {
public:
    // Non-client size of a sizable window (frame and title bar), in twips.
    static constexpr int kFrameWidth = 120;
    static constexpr int kFrameHeight = 405;

    Form(FormHost& host, std::string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return m_name; }

    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& c);
    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // Outer geometry in twips. Raises Form_Resize when the size changes on a loaded form.
    void move(int left, int top, int width, int height);
    void setLeft(int v) { move(v, m_top, m_width, m_height); }
    void setTop(int v) { move(m_left, v, m_width, m_height); }
    void setWidth(int v) { move(m_left, m_top, v, m_height); }
    void setHeight(int v) { move(m_left, m_top, m_width, v); }
    // Inner area in twips.
    int innerWidth() const { return m_width - kFrameWidth; }
    int innerHeight() const { return m_height - kFrameHeight; }
    // The inner coordinate system: by default the inner area in twips from 0, 0. A custom
    // scale maps the inner area to these numbers when it is set; the numbers then stay as
    // they are when the window is resized (the view keeps the unit's size).
    double scaleLeft() const { return m_scaleLeft; }
    double scaleTop() const { return m_scaleTop; }
    double scaleWidth() const { return m_customScale ? m_scaleWidth : innerWidth(); }
    double scaleHeight() const { return m_customScale ? m_scaleHeight : innerHeight(); }
    void setScale(double left, double top, double width, double height);
    void resetScale();
    bool customScale() const { return m_customScale; }
    // How much larger than their point sizes the window's texts are drawn (1: as given): a
    // window that zooms its contents with its size (the karaoke panels) sets it.
    double fontZoom() const { return m_fontZoom; }
    void setFontZoom(double z);

    Color backColor() const { return m_backColor; }
    void setBackColor(Color c);
    bool topMost() const { return m_topMost; }
    // Keeps the window above others; the window never takes the focus when shown this way.
    void setTopMost(bool t);
    bool showWithoutActivating() const { return m_noActivate; }
    void setShowWithoutActivating(bool n) { m_noActivate = n; }
    bool resizable() const { return m_resizable; }
    void setResizable(bool r) { m_resizable = r; }
    // Full screen on monitor `monitor` (0-based, in the order ui::Screen::monitorNames()
    // lists them; -1 or a monitor that is not there: the one the window is on). The geometry
    // in twips stays what it was, for when the window leaves full screen.
    bool fullScreen() const { return m_fullScreen; }
    int fullScreenMonitor() const { return m_fullScreenMonitor; }
    void setFullScreen(bool on, int monitor = -1);

    bool loaded() const { return m_loaded; }
    bool shown() const { return m_loaded && m_visible; }
    bool modal() const { return m_modal; }

    // Runs Form_Load once (the first show, or the owner's first use).
    void load();
    void show(bool modal = false);
    void hide();
    // Closes the window: Form_QueryUnload (may cancel), Form_Unload, then off the screen.
    // Returns false when the form cancelled.
    bool unload(UnloadMode mode = UnloadMode::Code);
    // The user closed the window with its frame.
    bool userClose() { return unload(UnloadMode::User); }
    // The user resized the inner area (twips).
    void userResizeInner(int innerW, int innerH);
    void userMove(int left, int top);
    void userLoseFocus() { Form_LostFocus(); }
    // The user minimised the window (true) or brought it back (false). While minimised the
    // window has no inner area to lay out: resize handlers leave their controls alone.
    void userSetMinimized(bool m) { m_minimized = m; }
    bool minimized() const { return m_minimized; }
    // A key was pressed in the window (whichever control has the focus); the window sees it
    // before its controls. True when the window used it: the focused control then does not
    // get it.
    bool userKeyDown(int keyCode, int shift) { return m_loaded && Form_KeyDown(keyCode, shift); }
    // Ends the window without events (program end).
    void destroySilently();

    const std::vector<Control*>& controls() const { return m_controls; }
    Control* findControl(const std::string& name, int index = -1) const;
    // Gives controls their tool tips: a name alone names the control or every entry of the
    // control array; "NAME(i)" one entry. A name the window does not have is a programming
    // error (std::logic_error).
    void setToolTips(std::initializer_list<std::pair<const char*, const char*>> tips);
    void addControl(Control& c);

    std::function<void(Form&)> onUnloaded;  // the owner discards the object

protected:
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(bool& cancel, UnloadMode mode) {}
    virtual void Form_Unload() {}
    virtual void Form_LostFocus() {}
    virtual bool Form_KeyDown(int keyCode, int shift) { return false; }

public:
    // What the window's context menu (a right click on the window) offers; empty: none.
    virtual std::vector<ContextEntry> contextMenu() { return {}; }

protected:
    FormHost& host() { return m_host; }

private:
    FormHost& m_host;
    std::string m_name;
    std::string m_caption;
    int m_left = 0, m_top = 0, m_width = 4800, m_height = 3600;
    bool m_customScale = false;
    double m_scaleLeft = 0, m_scaleTop = 0, m_scaleWidth = 0, m_scaleHeight = 0;
    double m_fontZoom = 1;
    Color m_backColor = kButtonFace;
    bool m_topMost = false;
    bool m_noActivate = false;
    bool m_resizable = true;
    bool m_fullScreen = false;
    int m_fullScreenMonitor = -1;
    bool m_loaded = false;
    bool m_loading = false;
    bool m_visible = false;
    bool m_modal = false;
    bool m_unloading = false;
    bool m_minimized = false;
    std::vector<Control*> m_controls;
};

}  // namespace lirafok::ui
