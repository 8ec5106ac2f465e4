// Acting as the user: only on what the user can reach. A control must be visible and enabled
// (with every container, and on the current tab of a tab control), its window shown, and no
// other window shown modally above it.
#include <cctype>
#include <map>

#include "ui/karaoke_screen.h"
#include "scenario/session.h"

namespace lirafok::scenario {

namespace {

const std::map<std::string, device::TransportButton>& transportButtons() {
    static const std::map<std::string, device::TransportButton> buttons{
        {"Play", device::TransportButton::Play}, {"Pause", device::TransportButton::Pause},
        {"Stop", device::TransportButton::Stop}, {"Next", device::TransportButton::Next},
        {"Prev", device::TransportButton::Prev}, {"Eject", device::TransportButton::Eject}};
    return buttons;
}

template <class T>
T& as(ui::Control& c, const std::string& path, const char* what) {
    auto* t = dynamic_cast<T*>(&c);
    if (!t) fail(path + " is not " + what);
    return *t;
}

}  // namespace

ui::Form& Session::reachForm(const std::string& name, const std::string& what) {
    ui::Form* f = running().loadedForm(name);
    if (!f || !f->shown()) fail(what + " is not reachable: window " + name + " is not shown");
    if (ui::Form* top = host.topModal(); top && top != f)
        fail(what + " is not reachable: window " + top->name() + " is shown modally");
    return *f;
}

void Session::reach(const ui::Control& c, const std::string& what) {
    const std::string why = unreachableWhy(c);
    if (!why.empty()) fail(what + " is not reachable: " + why);
}

ui::Control& Session::reachControl(const std::string& path) {
    const ControlPath p = parsePath(path);
    if (!p.rest.empty()) fail("bad control path " + path);
    ui::Form& f = reachForm(p.form, path);
    ui::Control* c = f.findControl(p.control, p.index);
    if (!c) fail("no control " + path);
    reach(*c, path);
    return *c;
}

void Session::act(const std::vector<std::string>& w) {
    const std::string& op = w[0];
    auto need = [&](std::size_t n) {
        if (w.size() < n) fail(op + ": missing words");
    };
    running();
    if (op == "click") {
        need(2);
        click(w);
    } else if (op == "select") {
        need(2);
        auto& l = as<ui::ListBox>(reachControl(w[1]), w[1], "a list box");
        std::vector<int> items;
        for (std::size_t i = 2; i < w.size(); ++i)
            items.push_back(static_cast<int>(toNumber(w[i])));
        l.userSelect(items);
    } else if (op == "type") {
        need(3);
        ui::Control& c = reachControl(w[1]);
        if (auto* t = dynamic_cast<ui::TextBox*>(&c))
            t->userType(w[2]);
        else if (auto* cb = dynamic_cast<ui::ComboBox*>(&c))
            cb->userType(w[2]);
        else
            fail(w[1] + " is not a text or combo box");
    } else if (op == "choose") {
        need(3);
        auto& cb = as<ui::ComboBox>(reachControl(w[1]), w[1], "a combo box");
        if (!cb.userChoose(w[2])) fail(w[1] + " has no item " + w[2]);
    } else if (op == "check") {
        need(3);
        if (w[2] != "on" && w[2] != "off") fail("check PATH on|off");
        as<ui::CheckBox>(reachControl(w[1]), w[1], "a check box").setValue(w[2] == "on" ? 1 : 0);
    } else if (op == "spin-up" || op == "spin-down") {
        need(2);
        auto& s = as<ui::SpinButton>(reachControl(w[1]), w[1], "a spin button");
        if (op == "spin-up")
            s.userSpinUp();
        else
            s.userSpinDown();
    } else if (op == "scroll") {
        need(3);
        as<ui::ScrollBar>(reachControl(w[1]), w[1], "a scroll bar")
            .userScroll(static_cast<int>(toNumber(w[2])));
    } else if (op == "menu") {
        need(2);
        auto& m = as<ui::Menu>(reachControl(w[1]), w[1], "a menu entry");
        // A drop-down opens only from an entry the user can reach.
        for (std::string parent = m.parent(); !parent.empty();) {
            auto* p = dynamic_cast<ui::Menu*>(m.form().findControl(parent));
            if (!p) break;
            reach(*p, w[1]);
            parent = p->parent();
        }
        m.userClick();
    } else if (op == "select-text") {
        need(4);
        as<ui::TextBox>(reachControl(w[1]), w[1], "a text box")
            .setSelection(static_cast<int>(toNumber(w[2])), static_cast<int>(toNumber(w[3])));
    } else if (op == "close") {
        need(2);
        reachForm(w[1], w[1]).userClose();
    } else if (op == "resize") {
        need(4);
        reachForm(w[1], w[1])
            .userResizeInner(static_cast<int>(toNumber(w[2])), static_cast<int>(toNumber(w[3])));
    } else if (op == "lose-focus") {
        need(2);
        reachForm(w[1], w[1]).userLoseFocus();
    } else if (op == "minimize") {
        need(2);
        reachForm(w[1], w[1]).userSetMinimized(true);
    } else if (op == "key") {
        // key FORM KEY [shift] [ctrl] [alt]: a key pressed while the window has the focus.
        need(3);
        static const std::map<std::string, int> keys{{"Space", ui::key::kSpace},
                                                     {"Left", ui::key::kLeft},
                                                     {"Right", ui::key::kRight},
                                                     {"Up", ui::key::kUp},
                                                     {"Down", ui::key::kDown},
                                                     {"MediaPlayPause", ui::key::kMediaPlayPause},
                                                     {"MediaPlay", ui::key::kMediaPlay},
                                                     {"MediaPause", ui::key::kMediaPause},
                                                     {"MediaStop", ui::key::kMediaStop},
                                                     {"MediaNext", ui::key::kMediaNext},
                                                     {"MediaPrevious", ui::key::kMediaPrevious},
                                                     {"Return", ui::key::kReturn},
                                                     {"Escape", ui::key::kEscape},
                                                     {"F11", ui::key::kF11},
                                                     {"Plus", ui::key::kPlus},
                                                     {"Minus", ui::key::kMinus},
                                                     {"BracketLeft", ui::key::kBracketLeft},
                                                     {"BracketRight", ui::key::kBracketRight}};
        // A letter or a digit is its own key.
        const bool plain = w[2].size() == 1 && (std::isupper(static_cast<unsigned char>(w[2][0])) ||
                                                std::isdigit(static_cast<unsigned char>(w[2][0])));
        const auto k = keys.find(w[2]);
        if (!plain && k == keys.end()) fail("unknown key " + w[2]);
        const int code = plain ? w[2][0] : k->second;
        int shift = 0;
        for (std::size_t i = 3; i < w.size(); ++i) {
            if (w[i] == "shift")
                shift |= ui::key::kShiftMask;
            else if (w[i] == "ctrl")
                shift |= ui::key::kCtrlMask;
            else if (w[i] == "alt")
                shift |= ui::key::kAltMask;
            else
                fail("key FORM KEY [shift] [ctrl] [alt]: unknown word " + w[i]);
        }
        reachForm(w[1], w[1]).userKeyDown(code, shift);
    } else if (op == "click-row") {
        // click-row PATH upper|lower: a click on the line a karaoke screen shows in that row.
        need(3);
        if (w[2] != "upper" && w[2] != "lower") fail("click-row PATH upper|lower");
        auto& k = as<ui::KaraokeScreen>(reachControl(w[1]), w[1], "a karaoke screen");
        k.userClickRow(w[2] == "upper" ? 0 : 1);
    } else if (op == "context-menu") {
        // context-menu FORM ENTRY: the user right-clicks the window and picks ENTRY (its
        // caption up to the key that follows a tab).
        need(3);
        ui::Form& f = reachForm(w[1], w[1]);
        bool found = false;
        for (const ui::ContextEntry& e : f.contextMenu()) {
            if (e.caption.substr(0, e.caption.find('\t')) != w[2]) continue;
            found = true;
            e.action();
            break;
        }
        if (!found) fail(w[1] + " has no context menu entry " + w[2]);
    } else if (op == "focus") {
        need(2);
        focus(w[1]);
    } else {
        fail("unknown command " + op);
    }
    settle();
}

void Session::click(const std::vector<std::string>& w) {
    const std::string& path = w[1];
    const ControlPath p = parsePath(path);
    if (!p.rest.empty()) {
        // A transport button of the multimedia control: drawn disabled, it cannot be pressed.
        auto button = transportButtons().find(p.rest);
        if (button == transportButtons().end()) fail("bad control path " + path);
        ui::Control& c = reachControl(path.substr(0, path.size() - p.rest.size() - 1));
        auto& mm = as<device::MMControl>(c, path, "a multimedia control button");
        if (!mm.buttonEnabled(button->second)) fail(path + " is not reachable: disabled");
        mm.userButton(button->second);
        return;
    }
    ui::Control& c = reachControl(path);
    if (w.size() >= 4 && w[2] == "item") {
        const int i = static_cast<int>(toNumber(w[3]));
        if (auto* tab = dynamic_cast<ui::TabControl*>(&c)) {
            if (i < 0 || i >= tab->tabs()) fail(path + " has no tab " + w[3]);
            tab->userClickTab(i);
            return;
        }
        auto& l = as<ui::ListBox>(c, path, "a list box or tab control");
        if (i < 0 || i >= l.listCount()) fail(path + " has no item " + w[3]);
        l.userClickItem(i);
        return;
    }
    if (w.size() > 2) fail("click PATH or click PATH item N");
    if (c.kind() == ui::ControlKind::TabControl)
        fail(path + " is a tab control: click it with item N");
    c.userClick();
}

void Session::focus(const std::string& path) {
    const ControlPath p = parsePath(path);
    FocusHolder::Target to;
    if (!p.rest.empty()) {
        auto button = transportButtons().find(p.rest);
        if (button == transportButtons().end()) fail("bad control path " + path);
        to.control = &reachControl(path.substr(0, path.size() - p.rest.size() - 1));
        auto& mm = as<device::MMControl>(*to.control, path, "a multimedia control button");
        if (!mm.buttonEnabled(button->second)) fail(path + " is not reachable: disabled");
        to.button = button->second;
    } else {
        to.control = &reachControl(path);
        if (!ui::takesFocus(to.control->kind())) fail(path + " cannot take the focus");
    }
    m_focus.moveTo(to);
}

}  // namespace lirafok::scenario
