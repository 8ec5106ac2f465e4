#include "scenario/runner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <memory>
#include <sstream>

#include "core/text.h"
#include "device/mm_control.h"
#include "scenario/headless.h"
#include "scenario/script.h"
#include "ui/timer.h"
#include "ui/virtual_scheduler.h"
#include "common/app.h"
#include "windows/windows.h"

namespace lirafok::scenario {

namespace fs = std::filesystem;

namespace {

struct Fail {
    std::string why;
};

[[noreturn]] void fail(const std::string& why) {
    throw Fail{why};
}

std::time_t parseClock(const std::string& date, const std::string& time) {
    std::tm tm{};
    if (std::sscanf(date.c_str(), "%d-%d-%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3 ||
        std::sscanf(time.c_str(), "%d:%d:%d", &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 3)
        fail("bad clock " + date + " " + time);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

long toNumber(const std::string& s) {
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end) fail("not a number: " + s);
    return v;
}

bool numericEqual(const std::string& a, const std::string& b) {
    char *ea = nullptr, *eb = nullptr;
    double x = std::strtod(a.c_str(), &ea);
    double y = std::strtod(b.c_str(), &eb);
    if (a.empty() || b.empty() || *ea || *eb) return a == b;
    return std::fabs(x - y) < 1e-9;
}

// Exact decimal text: whole numbers without exponent (colours reach 16777215), others with
// every significant digit.
std::string num(double v) {
    std::ostringstream o;
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        o << static_cast<long long>(v);
    else
        o << std::setprecision(15) << v;
    return o.str();
}

std::string readAll(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Value {
    std::string text;
    bool numeric = false;
};

class Session : HeadlessMachine {
public:
    Session() {
        sched.setWallClock(parseClock("2026-01-01", "12:00:00"));
        char tmpl[] = "/tmp/lirafok-scn-XXXXXX";
        if (!mkdtemp(tmpl)) throw std::runtime_error("cannot make a sandbox folder");
        sandbox = tmpl;
        char buf[PATH_MAX];
        oldCwd = getcwd(buf, sizeof buf) ? buf : "/";
    }
    ~Session() {
        app.reset();
        second.reset();
        if (chdir(oldCwd.c_str()) != 0) {
        }
        std::error_code ec;
        fs::permissions(sandbox, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto& e : fs::recursive_directory_iterator(sandbox, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(sandbox, ec);
    }

    void exec(const Command& c);

private:
    std::string subst(const std::string& w) const {
        std::string out = w;
        const std::string key = "{SANDBOX}";
        for (std::size_t p; (p = out.find(key)) != std::string::npos;)
            out.replace(p, key.size(), sandbox);
        return out;
    }
    std::string sandboxPath(const std::string& name) const {
        return name.size() && name[0] == '/' ? name : sandbox + "/" + name;
    }
    void settle() { sched.runDue(); }
    App& running() {
        if (!app) fail("the program has not been started");
        return *app;
    }
    device::SimulatedDrive& drive() {
        if (app) {
            auto* d = drives.drive(app->currentDriveIndex());
            if (d) return *d;
        }
        return drives.current();
    }
    ui::Form& form(const std::string& name, bool load);
    ui::Control& control(const std::string& path, std::string* prop);
    Value property(const std::string& path);
    void machine(const Command& c, const std::vector<std::string>& w);
    void act(const std::vector<std::string>& w);
    void expect(const Command& c, const std::vector<std::string>& w);

    std::unique_ptr<App> app, second;
    std::string sandbox, oldCwd;
    std::size_t cuesChecked = 0;
};

ui::Form& Session::form(const std::string& name, bool load) {
    App& a = running();
    ui::Form* f = a.loadedForm(name);
    if (!f && load && a.isRegistered(name) && !a.ended()) f = &a.form(name);
    if (!f) fail("no window " + name + (load ? "" : " is loaded"));
    return *f;
}

// "FORM.CONTROL", "FORM.CONTROL(i)", optionally followed by ".PROP" when prop is wanted.
ui::Control& Session::control(const std::string& path, std::string* prop) {
    auto dot = path.find('.');
    if (dot == std::string::npos) fail("bad control path " + path);
    std::string formName = path.substr(0, dot);
    std::string rest = path.substr(dot + 1);
    std::string ctl = rest;
    if (prop) {
        // The property is what follows the last dot outside parentheses.
        int depth = 0;
        std::size_t cut = std::string::npos;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == '(') ++depth;
            if (rest[i] == ')') --depth;
            if (rest[i] == '.' && depth == 0) cut = i;
        }
        if (cut == std::string::npos) fail("no property in " + path);
        ctl = rest.substr(0, cut);
        *prop = rest.substr(cut + 1);
    }
    int index = -1;
    auto open = ctl.find('(');
    if (open != std::string::npos) {
        index = static_cast<int>(toNumber(ctl.substr(open + 1, ctl.find(')') - open - 1)));
        ctl = ctl.substr(0, open);
    }
    ui::Form& f = form(formName, true);
    ui::Control* c = f.findControl(ctl, index);
    if (!c) fail("no control " + path);
    return *c;
}

Value Session::property(const std::string& path) {
    auto dot = path.find('.');
    if (dot == std::string::npos) fail("bad path " + path);
    std::string rest = path.substr(dot + 1);
    bool formProp = rest.find('.') == std::string::npos &&
                    (rest == "Caption" || rest == "Left" || rest == "Top" || rest == "Width" ||
                     rest == "Height");
    if (formProp) {
        ui::Form& f = form(path.substr(0, dot), true);
        if (rest == "Caption") return {f.caption(), false};
        if (rest == "Left") return {num(f.left()), true};
        if (rest == "Top") return {num(f.top()), true};
        if (rest == "Width") return {num(f.width()), true};
        return {num(f.height()), true};
    }
    std::string p;
    ui::Control& c = control(path, &p);
    auto b = [](bool v) { return Value{v ? "true" : "false", false}; };
    auto n = [](double v) { return Value{num(v), true}; };
    auto* list = dynamic_cast<ui::ListBox*>(&c);
    auto arg = [&](const std::string& name) -> int {
        return static_cast<int>(toNumber(p.substr(name.size() + 1, p.size() - name.size() - 2)));
    };
    if (p == "Caption" || p == "Text") return {c.caption(), false};
    if (p == "ForeColor") return n(c.foreColor());
    if (p == "BackColor") return n(c.backColor());
    if (p == "Visible") return b(c.visible());
    if (p == "Enabled") {
        if (auto* t = dynamic_cast<ui::Timer*>(&c)) return b(t->timerEnabled() && c.enabled());
        return b(c.enabled());
    }
    if (p == "Left") return n(c.left());
    if (p == "Top") return n(c.top());
    if (p == "Width") return n(c.width());
    if (p == "Height") return n(c.height());
    if (p == "FontName") return {c.font().name, false};
    if (p == "FontSize") return n(c.font().size);
    if (p == "FontBold") return b(c.font().bold);
    if (p == "FontItalic") return b(c.font().italic);
    if (p == "Alignment") return n(c.alignment());
    if (p == "Value") {
        if (auto* s = dynamic_cast<ui::ScrollBar*>(&c)) return n(s->value());
        if (auto* k = dynamic_cast<ui::CheckBox*>(&c)) return n(k->value());
        if (auto* o = dynamic_cast<ui::OptionButton*>(&c)) return b(o->value());
        fail(path + " has no Value");
    }
    if (p == "Checked") {
        if (auto* m = dynamic_cast<ui::Menu*>(&c)) return b(m->checked());
        if (auto* k = dynamic_cast<ui::CheckBox*>(&c)) return b(k->value() != 0);
        fail(path + " has no Checked");
    }
    if (p == "Interval" || p == "UpdateInterval") {
        if (auto* t = dynamic_cast<ui::Timer*>(&c)) return n(t->interval());
        if (auto* m = dynamic_cast<device::MMControl*>(&c)) return n(m->UpdateInterval());
        fail(path + " has no Interval");
    }
    if (list) {
        if (p == "ListCount") return n(list->listCount());
        if (p == "ListIndex") return n(list->listIndex());
        if (p.rfind("List(", 0) == 0) return {list->list(arg("List")), false};
        if (p.rfind("Selected(", 0) == 0) return b(list->selected(arg("Selected")));
    }
    if (auto* t = dynamic_cast<ui::TextBox*>(&c)) {
        if (p == "SelStart") return n(t->selStart());
        if (p == "SelLength") return n(t->selLength());
        if (p == "SelText") return {t->selText(), false};
    }
    fail("unknown property " + p + " of " + path);
}

void Session::exec(const Command& cmd) {
    std::vector<std::string> w;
    for (const auto& word : cmd.words) w.push_back(subst(word));
    const std::string& op = w[0];
    if (op == "expect") {
        expect(cmd, w);
        return;
    }
    static const std::set<std::string> machineOps{
        "file",   "mkdir",         "remove", "readonly",     "clock",  "screen",
        "drives", "default-drive", "disc",   "door",         "device", "fonts",
        "answer", "clipboard",     "start",  "start-second", "advance"};
    if (machineOps.count(op)) {
        machine(cmd, w);
        return;
    }
    act(w);
}

void Session::machine(const Command& cmd, const std::vector<std::string>& w) {
    const std::string& op = w[0];
    auto need = [&](std::size_t n) {
        if (w.size() < n) fail(op + ": missing words");
    };
    if (op == "file") {
        need(2);
        fs::path p = sandboxPath(w[1]);
        fs::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        if (!out) fail("cannot write " + w[1]);
        for (const auto& line : cmd.block) out << blockLineBytes(subst(line)) << "\r\n";
    } else if (op == "mkdir") {
        need(2);
        fs::create_directories(sandboxPath(w[1]));
    } else if (op == "remove") {
        need(2);
        std::error_code ec;
        fs::remove(sandboxPath(w[1]), ec);
    } else if (op == "readonly") {
        need(2);
        std::error_code ec;
        fs::permissions(sandboxPath(w[1]),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
        if (ec) fail("readonly: " + ec.message());
    } else if (op == "clock") {
        need(3);
        sched.setWallClock(parseClock(w[1], w[2]));
    } else if (op == "screen") {
        need(3);
        screen.width = static_cast<int>(toNumber(w[1]));
        screen.height = static_cast<int>(toNumber(w[2]));
    } else if (op == "drives") {
        drives.setDrives(std::vector<std::string>(w.begin() + 1, w.end()));
    } else if (op == "default-drive") {
        need(2);
        drives.setDefaultIndex(w[1] == "none" ? -1 : static_cast<int>(toNumber(w[1])));
    } else if (op == "disc") {
        need(2);
        if (w[1] == "empty") {
            drive().insertEmptyDisc();
        } else if (w[1] == "none") {
            drive().removeDisc();
        } else {
            std::vector<std::int32_t> lengths;
            std::optional<std::int32_t> length;
            for (std::size_t i = 1; i < w.size(); ++i) {
                if (w[i].rfind("length=", 0) == 0)
                    length = static_cast<std::int32_t>(toNumber(w[i].substr(7)));
                else
                    lengths.push_back(static_cast<std::int32_t>(toNumber(w[i])));
            }
            drive().insertDisc(lengths, length);
        }
    } else if (op == "door") {
        need(2);
        if (w[1] == "open")
            drive().openDoor();
        else if (w[1] == "close")
            drive().closeDoor();
        else
            fail("door open|close");
    } else if (op == "device") {
        need(2);
        if (w[1] == "fail-open") {
            for (int i = 0; auto* d = drives.drive(i); ++i) d->setFailOpen(true);
        } else if (w[1] == "ok") {
            for (int i = 0; auto* d = drives.drive(i); ++i) d->setFailOpen(false);
        } else if (w[1] == "fail") {
            need(3);
            drive().failNext(w[2]);
        } else {
            fail("unknown device command " + w[1]);
        }
    } else if (op == "fonts") {
        if (w.size() == 2 && w[1] == "all") {
            fonts.all = true;
        } else {
            fonts.all = false;
            fonts.installed = std::set<std::string>(w.begin() + 1, w.end());
        }
    } else if (op == "answer") {
        need(2);
        const std::string& k = w[1];
        if (k == "ok") {
            dialogs.answers.push_back(ui::mb::kOk);
        } else if (k == "yes") {
            dialogs.answers.push_back(ui::mb::kYes);
        } else if (k == "no") {
            dialogs.answers.push_back(ui::mb::kNo);
        } else if (k == "cancel") {
            dialogs.answers.push_back(ui::mb::kCancel);
        } else if (k == "input") {
            need(3);
            if (w[2] == "cancel")
                dialogs.inputs.push_back(std::nullopt);
            else
                dialogs.inputs.push_back(w[2]);
        } else if (k == "color") {
            need(3);
            if (w[2] == "cancel")
                dialogs.colors.push_back(std::nullopt);
            else
                dialogs.colors.push_back(static_cast<ui::Color>(toNumber(w[2])));
        } else if (k == "font") {
            need(3);
            if (w[2] == "cancel") {
                dialogs.fonts.push_back(std::nullopt);
            } else if (w[2] == "empty") {
                dialogs.fonts.push_back(ui::FontChoice{});
            } else {
                need(4);
                ui::FontChoice f{w[2], text::valDouble(w[3]), false, false};
                for (std::size_t i = 4; i < w.size(); ++i) {
                    if (w[i] == "bold") f.bold = true;
                    if (w[i] == "italic") f.italic = true;
                }
                dialogs.fonts.push_back(f);
            }
        } else if (k == "modal") {
            need(4);
            host.modalAnswers.push_back({w[2], w[3]});
        } else {
            fail("unknown answer " + k);
        }
    } else if (op == "clipboard") {
        need(2);
        clipboard.value = w[1];
    } else if (op == "start") {
        if (app && !app->ended()) fail("the program is already running");
        // A program that has ended may be started again in the same sandbox (its files stay).
        settle();
        app.reset();
        if (chdir(sandbox.c_str()) != 0) fail("cannot enter the sandbox");
        std::string line;
        for (std::size_t i = 1; i < w.size(); ++i) line += (i > 1 ? " " : "") + w[i];
        app = std::make_unique<App>(services());
        registerWindows(*app);
        app->onEnded = [this] { instance.held = false; };
        app->run(line);
        settle();
    } else if (op == "start-second") {
        running();
        second = std::make_unique<App>(services());
        registerWindows(*second);
        if (second->run("") || !second->ended()) fail("the second instance did not end at once");
        second.reset();
    } else if (op == "advance") {
        need(2);
        long ms = toNumber(w[1]);
        if (ms < 0) fail("advance takes a non-negative time");
        sched.advance(ms);
    }
}

void Session::act(const std::vector<std::string>& w) {
    const std::string& op = w[0];
    auto need = [&](std::size_t n) {
        if (w.size() < n) fail(op + ": missing words");
    };
    running();
    if (op == "click") {
        need(2);
        static const std::map<std::string, device::TransportButton> buttons{
            {"Play", device::TransportButton::Play}, {"Pause", device::TransportButton::Pause},
            {"Stop", device::TransportButton::Stop}, {"Next", device::TransportButton::Next},
            {"Prev", device::TransportButton::Prev}, {"Eject", device::TransportButton::Eject}};
        auto last = w[1].rfind('.');
        auto first = w[1].find('.');
        if (last != first && last != std::string::npos && buttons.count(w[1].substr(last + 1))) {
            ui::Control& c = control(w[1].substr(0, last), nullptr);
            auto* m = dynamic_cast<device::MMControl*>(&c);
            if (!m) fail(w[1] + " is not a multimedia control button");
            m->userButton(buttons.at(w[1].substr(last + 1)));
        } else if (w.size() >= 4 && w[2] == "item") {
            auto* l = dynamic_cast<ui::ListBox*>(&control(w[1], nullptr));
            if (!l) fail(w[1] + " is not a list box");
            int i = static_cast<int>(toNumber(w[3]));
            if (i < 0 || i >= l->listCount()) fail(w[1] + " has no item " + w[3]);
            l->userClickItem(i);
        } else {
            control(w[1], nullptr).userClick();
        }
    } else if (op == "select") {
        need(2);
        auto* l = dynamic_cast<ui::ListBox*>(&control(w[1], nullptr));
        if (!l) fail(w[1] + " is not a list box");
        std::vector<int> items;
        for (std::size_t i = 2; i < w.size(); ++i)
            items.push_back(static_cast<int>(toNumber(w[i])));
        l->userSelect(items);
    } else if (op == "type") {
        need(3);
        ui::Control& c = control(w[1], nullptr);
        if (auto* t = dynamic_cast<ui::TextBox*>(&c))
            t->userType(w[2]);
        else if (auto* cb = dynamic_cast<ui::ComboBox*>(&c))
            cb->userType(w[2]);
        else
            fail(w[1] + " is not a text or combo box");
    } else if (op == "choose") {
        need(3);
        auto* cb = dynamic_cast<ui::ComboBox*>(&control(w[1], nullptr));
        if (!cb) fail(w[1] + " is not a combo box");
        if (!cb->userChoose(w[2])) fail(w[1] + " has no item " + w[2]);
    } else if (op == "check") {
        need(3);
        auto* k = dynamic_cast<ui::CheckBox*>(&control(w[1], nullptr));
        if (!k) fail(w[1] + " is not a check box");
        k->setValue(w[2] == "on" ? 1 : 0);
    } else if (op == "spin-up" || op == "spin-down") {
        need(2);
        auto* s = dynamic_cast<ui::SpinButton*>(&control(w[1], nullptr));
        if (!s) fail(w[1] + " is not a spin button");
        if (op == "spin-up")
            s->userSpinUp();
        else
            s->userSpinDown();
    } else if (op == "scroll") {
        need(3);
        auto* s = dynamic_cast<ui::ScrollBar*>(&control(w[1], nullptr));
        if (!s) fail(w[1] + " is not a scroll bar");
        s->userScroll(static_cast<int>(toNumber(w[2])));
    } else if (op == "menu") {
        need(2);
        auto* m = dynamic_cast<ui::Menu*>(&control(w[1], nullptr));
        if (!m) fail(w[1] + " is not a menu entry");
        m->userClick();
    } else if (op == "select-text") {
        need(4);
        auto* t = dynamic_cast<ui::TextBox*>(&control(w[1], nullptr));
        if (!t) fail(w[1] + " is not a text box");
        t->setSelection(static_cast<int>(toNumber(w[2])), static_cast<int>(toNumber(w[3])));
    } else if (op == "close") {
        need(2);
        form(w[1], false).userClose();
    } else if (op == "resize") {
        need(4);
        form(w[1], false)
            .userResizeInner(static_cast<int>(toNumber(w[2])), static_cast<int>(toNumber(w[3])));
    } else if (op == "lose-focus") {
        need(2);
        form(w[1], false).userLoseFocus();
    } else {
        fail("unknown command " + op);
    }
    settle();
}

void Session::expect(const Command& cmd, const std::vector<std::string>& w) {
    if (w.size() < 2) fail("expect what?");
    const std::string& k = w[1];
    if (k == "shown" || k == "not-shown") {
        if (w.size() < 3) fail("expect shown FORM");
        bool shown = app && app->loadedForm(w[2]) && app->loadedForm(w[2])->shown();
        if (shown != (k == "shown")) fail(w[2] + (shown ? " is shown" : " is not shown"));
    } else if (k == "msgbox") {
        if (w.size() < 3) fail("expect msgbox TEXT");
        if (dialogs.shown.empty()) fail("no message box was shown (expected \"" + w[2] + "\")");
        MessageRecord m = dialogs.shown.front();
        dialogs.shown.pop_front();
        std::string got = m.text;
        for (std::size_t p; (p = got.find("\r\n")) != std::string::npos;) got.replace(p, 2, "\n");
        if (got != w[2]) fail("message box \"" + m.text + "\", expected \"" + w[2] + "\"");
        if (w.size() >= 5 && w[3] == "title" && m.title != w[4])
            fail("message box title \"" + m.title + "\", expected \"" + w[4] + "\"");
    } else if (k == "no-msgbox") {
        if (!dialogs.shown.empty())
            fail("unchecked message box \"" + dialogs.shown.front().text + "\"");
    } else if (k == "cues" || k == "no-cue") {
        std::vector<std::string> got(cues.played.begin() + static_cast<long>(cuesChecked),
                                     cues.played.end());
        cuesChecked = cues.played.size();
        std::vector<std::string> want(w.begin() + 2, w.end());
        if (k == "no-cue") want.clear();
        if (got != want) {
            std::string g;
            for (auto& s : got) g += " " + s;
            fail("cues were:" + (g.empty() ? std::string(" none") : g));
        }
    } else if (k == "device") {
        if (w.size() < 4) fail("expect device WHAT VALUE");
        device::SimulatedDrive& d = drive();
        const std::string& what = w[2];
        if (what == "mode") {
            int m = static_cast<int>(d.mode());
            if (m == static_cast<int>(device::DeviceMode::NotReady) && d.isOpen() &&
                d.mediaPresent())
                m = 525;
            if (m != toNumber(w[3])) fail("device mode " + std::to_string(m));
        } else if (what == "position") {
            long want = toNumber(w[3]);
            long tol = w.size() >= 6 && w[4] == "+-" ? toNumber(w[5]) : 0;
            long got = d.positionMs();
            if (std::labs(got - want) > tol) fail("device position " + std::to_string(got));
        } else if (what == "play") {
            if (w.size() < 5) fail("expect device play FROM TO");
            auto p = d.lastPlay();
            if (!p) fail("the device has not played");
            std::string to = p->second < 0 ? "end" : std::to_string(p->second);
            if (p->first != toNumber(w[3]) || to != w[4])
                fail("device played " + std::to_string(p->first) + " " + to);
        } else if (what == "volume") {
            if (!d.volumeSent()) fail("no volume was sent to the device");
            if (std::to_string(d.volumeWord()) != w[3])
                fail("device volume " + std::to_string(d.volumeWord()));
        } else if (what == "silent") {
            bool want = w[3] == "true";
            if (d.silent() != want)
                fail(std::string("device silent ") + (d.silent() ? "true" : "false"));
        } else {
            fail("unknown device check " + what);
        }
    } else if (k == "saver") {
        if (w.size() < 3) fail("expect saver suppressed|normal");
        bool want = w[2] == "suppressed";
        if (saver.suppressed != want)
            fail(std::string("saver is ") + (saver.suppressed ? "suppressed" : "normal"));
    } else if (k == "file") {
        if (w.size() < 3) fail("expect file NAME");
        std::string path = sandboxPath(w[2]);
        if (w.size() >= 4 && w[3] == "absent") {
            if (fs::exists(path)) fail(w[2] + " exists");
            return;
        }
        bool ok = false;
        std::string got = readAll(path, ok);
        if (!ok) fail(w[2] + " does not exist");
        std::string want;
        for (const auto& line : cmd.block) want += blockLineBytes(subst(line)) + "\r\n";
        if (got != want) {
            // Name the first line that differs.
            std::vector<std::string> gl, wl;
            auto split = [](const std::string& s, std::vector<std::string>& out) {
                std::size_t a = 0;
                for (std::size_t p; (p = s.find("\r\n", a)) != std::string::npos; a = p + 2)
                    out.push_back(s.substr(a, p - a));
                if (a < s.size()) out.push_back(s.substr(a) + " (no CR LF)");
            };
            split(got, gl);
            split(want, wl);
            for (std::size_t i = 0; i < std::max(gl.size(), wl.size()); ++i) {
                std::string g = i < gl.size() ? text::fromCp932(gl[i]) : "(missing)";
                std::string e = i < wl.size() ? text::fromCp932(wl[i]) : "(missing)";
                if (g != e || i >= gl.size() || i >= wl.size())
                    fail(w[2] + " line " + std::to_string(i + 1) + " is \"" + g +
                         "\", expected \"" + e + "\"");
            }
            fail(w[2] + " differs");
        }
    } else if (k == "clipboard") {
        if (w.size() < 3) fail("expect clipboard TEXT");
        if (clipboard.value != w[2]) fail("clipboard is \"" + clipboard.value + "\"");
    } else if (k == "ended") {
        if (!app || !app->ended()) fail("the program is still running");
    } else if (k == "running") {
        if (!app || app->ended()) fail("the program is not running");
    } else if (k == "printed") {
        const auto& job = printer.lastJob;
        for (std::size_t i = 0; i < std::max(job.size(), cmd.block.size()); ++i) {
            std::vector<std::string> want =
                i < cmd.block.size() ? splitWords(subst(cmd.block[i])) : std::vector<std::string>{};
            std::vector<std::string> got = i < job.size() ? job[i] : std::vector<std::string>{};
            bool same = want.size() == got.size();
            for (std::size_t j = 0; same && j < want.size(); ++j)
                same = numericEqual(want[j], got[j]);
            if (!same) {
                std::string g;
                for (auto& s : got) g += (g.empty() ? "" : " ") + s;
                fail("print operation " + std::to_string(i + 1) + " is \"" + g + "\"");
            }
        }
    } else {
        // expect PATH.PROP == VALUE / != VALUE
        if (w.size() < 4 || (w[2] != "==" && w[2] != "!=")) fail("expect PATH.PROP == VALUE");
        if (w.size() > 4)
            fail("expect PATH.PROP == VALUE: a value with blanks is written in quotes");
        Value v = property(w[1]);
        bool same = v.numeric ? numericEqual(v.text, w[3]) : v.text == w[3];
        if (same != (w[2] == "==")) fail(w[1] + " is \"" + v.text + "\"");
    }
}

}  // namespace

Outcome runScenario(const std::string& textIn) {
    Outcome o;
    std::vector<Command> commands;
    try {
        commands = parseScenario(textIn);
    } catch (const std::exception& e) {
        o.message = e.what();
        return o;
    }
    Session s;
    for (const Command& c : commands) {
        try {
            s.exec(c);
        } catch (const Fail& f) {
            o.message = std::to_string(c.line) + ": " + f.why;
            return o;
        } catch (const std::exception& e) {
            o.message = std::to_string(c.line) + ": " + e.what();
            return o;
        }
    }
    o.passed = true;
    return o;
}

int runFiles(const std::vector<std::string>& files, std::ostream& out) {
    int passed = 0, failed = 0;
    for (const auto& file : files) {
        std::string name = fs::path(file).stem().string();
        bool ok = false;
        std::string text = readAll(file, ok);
        Outcome r;
        if (!ok)
            r.message = "0: cannot read " + file;
        else
            r = runScenario(text);
        if (r.passed) {
            out << "PASS " << name << "\n";
            ++passed;
        } else {
            out << "FAIL " << name << ":" << r.message << "\n";
            ++failed;
        }
        out.flush();
    }
    out << passed << " passed, " << failed << " failed" << std::endl;
    return failed == 0 ? 0 : 1;
}

}  // namespace lirafok::scenario
