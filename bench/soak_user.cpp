#include "soak_user.h"

#include <algorithm>

#include "core/text.h"
#include "device/mm_control.h"
#include "scenario/control_access.h"
#include "ui/font_rules.h"

namespace lirafok::soak {

std::string Dice::text() {
    static const std::vector<std::string> words{
        "",       "0",   "1",         "12",   "99",           "100",     "-5",
        "3000",   "59",  "01:02:500", "１２", "あ",           "さくら",  "夜明けの歌",
        "ＡＢＣ", "abc", "a\tb",      "  ",   "x.y",          "9999999", "08",
        "ON",     "OFF", "第二楽章 ", "ｶﾀｶﾅ", "\xe2\x80\x94", "*?",      "LIRAFOK"};
    std::string t = of(words);
    if (chance(0.05)) t = std::string(static_cast<std::size_t>(between(30, 400)), 'x');
    if (chance(0.05)) t += "\r\n" + of(words);
    return t;
}

namespace {

// The buttons a message box of this style offers (numbered as the classic results).
std::vector<int> buttonsOf(int style) {
    using namespace ui::mb;
    switch (style & 7) {
        case kOkOnly:
            return {kOk};
        case kOkCancel:
            return {kOk, kCancel};
        case 2:
            return {3, 4, 5};  // abort, retry, ignore
        case kYesNoCancel:
            return {kYes, kNo, kCancel};
        case kYesNo:
            return {kYes, kNo};
        default:
            return {4, kCancel};  // retry, cancel
    }
}

}  // namespace

int RandomDialogs::messageBox(const std::string& text, int style, const std::string&) {
    ++messages[text];
    m_tally.add("message box");
    const int answer = m_dice.of(buttonsOf(style));
    static const std::map<int, std::string> words{{ui::mb::kOk, "ok"},
                                                  {ui::mb::kCancel, "cancel"},
                                                  {ui::mb::kYes, "yes"},
                                                  {ui::mb::kNo, "no"}};
    auto w = words.find(answer);
    if (onAnswer)
        onAnswer("answer " + (w == words.end() ? std::to_string(answer) : w->second) + "  # " +
                 text);
    return answer;
}

std::optional<std::string> RandomDialogs::inputBox(const std::string&, const std::string&,
                                                   const std::string& preset) {
    m_tally.add("input box");
    if (m_dice.chance(0.3)) return std::nullopt;
    if (m_dice.chance(0.3)) return preset;
    return m_dice.text();
}

std::optional<ui::Color> RandomDialogs::colorDialog(ui::Color) {
    m_tally.add("colour dialog");
    if (m_dice.chance(0.4)) return std::nullopt;
    static const std::vector<ui::Color> colors{0, 255, 65280, 16711680, 65535, 16777215, 12632256};
    return m_dice.of(colors);
}

std::optional<ui::FontChoice> RandomDialogs::fontDialog(const ui::FontDialogRequest& request) {
    m_tally.add("font dialog");
    if (m_dice.chance(0.3)) return std::nullopt;
    static const std::vector<std::string> faces{"ＭＳ 明朝", "ＭＳ Ｐゴシック", "Noto Sans CJK JP",
                                                "Noto Serif CJK JP", ""};
    ui::FontChoice pick{m_dice.of(faces), static_cast<double>(m_dice.between(1, 80)),
                        m_dice.chance(0.3), m_dice.chance(0.2)};
    // A pick the real dialog would not offer is one the user cannot make: cancelled instead.
    return ui::fontDialogResult(request, pick, m_fonts);
}

bool RandomDialogs::printerSetup() {
    m_tally.add("printer set-up");
    return m_dice.chance(0.7);
}

std::optional<std::string> RandomDialogs::openFileDialog(const std::string&, const std::string&) {
    m_tally.add("file dialog");
    if (m_dice.chance(0.5)) return std::nullopt;
    return m_sandbox + (m_dice.chance(0.5) ? "/soak.lrc" : "/absent.lrc");
}

std::optional<std::string> RandomDialogs::saveFileDialog(const std::string&, const std::string&,
                                                         const std::string&) {
    m_tally.add("file dialog");
    if (m_dice.chance(0.5)) return std::nullopt;
    return m_sandbox + "/soak.lrc";
}

void SoundCount::play(const std::string& wavPath) {
    m_tally.add(wavPath.find("LIRAFOK2") != std::string::npos ? "error cue" : "ok cue");
}

namespace {

bool actionable(const ui::Control& c, bool buttonsOnly) {
    using K = ui::ControlKind;
    switch (c.kind()) {
        case K::Timer:
        case K::Line:
        case K::CommonDialog:
        case K::Frame:
            return false;
        case K::Button:
        case K::Panel:
        case K::Label:
            break;
        default:
            if (buttonsOnly) return false;
    }
    if (!scenario::unreachableWhy(c).empty()) return false;
    if (c.kind() == K::Menu) {
        // A drop-down entry opens only from a parent the user can reach.
        const auto& m = static_cast<const ui::Menu&>(c);
        for (std::string parent = m.parent(); !parent.empty();) {
            auto* p = dynamic_cast<ui::Menu*>(c.form().findControl(parent));
            if (!p) break;
            if (!scenario::unreachableWhy(*p).empty()) return false;
            parent = p->parent();
        }
    }
    return true;
}

}  // namespace

std::string poke(ui::Form& form, Dice& dice, scenario::FocusHolder& focus, bool buttonsOnly,
                 const std::vector<std::string>& avoid) {
    std::vector<ui::Control*> reachable;
    for (ui::Control* c : form.controls())
        if (actionable(*c, buttonsOnly) &&
            std::find(avoid.begin(), avoid.end(), c->name()) == avoid.end())
            reachable.push_back(c);
    if (reachable.empty()) return "";
    ui::Control& c = *dice.of(reachable);
    const std::string path = c.path();
    // Half of the time the user's click or Tab key moves the focus there first.
    if (ui::takesFocus(c.kind()) && dice.chance(0.5)) {
        focus.moveTo({&c, std::nullopt});
        if (!form.shown() || !c.effectivelyVisible()) return "focus " + path;
    }
    using K = ui::ControlKind;
    switch (c.kind()) {
        case K::ListBox: {
            auto& l = static_cast<ui::ListBox&>(c);
            if (l.listCount() == 0) return "";
            if (l.multiSelect() && dice.chance(0.5)) {
                std::vector<int> items;
                for (int i = 0; i < l.listCount(); ++i)
                    if (dice.chance(0.3)) items.push_back(i);
                l.userSelect(items);
                return "select " + path;
            }
            l.userClickItem(dice.below(l.listCount()));
            return "click item " + path;
        }
        case K::ComboBox: {
            auto& cb = static_cast<ui::ComboBox&>(c);
            if (cb.listCount() > 0 && dice.chance(0.7)) {
                cb.userChoose(cb.list(dice.below(cb.listCount())));
                return "choose " + path;
            }
            cb.userType(dice.text());
            return "type " + path;
        }
        case K::TextBox: {
            auto& t = static_cast<ui::TextBox&>(c);
            if (dice.chance(0.2)) {
                t.setSelection(dice.between(0, 5), dice.between(0, 10));
                return "select-text " + path;
            }
            // A locked box takes no typing; a box with a maximum length takes no more.
            if (t.locked()) return "";
            std::string typed = dice.text();
            if (t.maxLength() > 0)
                typed = text::left(typed, static_cast<std::size_t>(t.maxLength()));
            t.userType(typed);
            return "type " + path;
        }
        case K::SpinButton: {
            auto& s = static_cast<ui::SpinButton&>(c);
            if (dice.chance(0.5))
                s.userSpinUp();
            else
                s.userSpinDown();
            return "spin " + path;
        }
        case K::ScrollBar: {
            auto& s = static_cast<ui::ScrollBar&>(c);
            s.userScroll(dice.between(s.min(), s.max()));
            return "scroll " + path;
        }
        case K::TabControl: {
            auto& tab = static_cast<ui::TabControl&>(c);
            if (tab.tabs() == 0) return "";
            tab.userClickTab(dice.below(tab.tabs()));
            return "tab " + path;
        }
        case K::MultimediaControl: {
            auto& mm = static_cast<device::MMControl&>(c);
            using B = device::TransportButton;
            std::vector<B> enabled;
            for (B b : {B::Prev, B::Next, B::Play, B::Pause, B::Stop, B::Eject})
                if (mm.buttonEnabled(b)) enabled.push_back(b);
            if (enabled.empty()) return "";
            mm.userButton(dice.of(enabled));
            return "transport " + path;
        }
        default:
            c.userClick();
            return "click " + path;
    }
}

}  // namespace lirafok::soak
