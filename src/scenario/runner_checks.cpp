// Checking: each check reads what it names and changes nothing. A window that is not loaded
// is never loaded by a check; the check fails instead.
#include <filesystem>
#include <set>

#include "core/text.h"
#include "scenario/session.h"
#include "ui/karaoke_screen.h"

namespace lirafok::scenario {

namespace fs = std::filesystem;

ui::Form& Session::loadedForm(const std::string& name) {
    ui::Form* f = app ? app->loadedForm(name) : nullptr;
    if (!f) fail("window " + name + " is not loaded");
    return *f;
}

Value Session::property(const std::string& path) {
    const ControlPath p = parsePath(path);
    static const std::set<std::string> formProps{"Caption", "Left",      "Top",  "Width",
                                                 "Height",  "Minimized", "Front"};
    if (p.rest.empty() && p.index < 0 && formProps.count(p.control)) {
        ui::Form& f = loadedForm(p.form);
        if (p.control == "Caption") return {f.caption(), false};
        if (p.control == "Minimized") return {f.minimized() ? "true" : "false", false};
        if (p.control == "Front") return {host.front() == f.name() ? "true" : "false", false};
        if (p.control == "Left") return {num(f.left()), true};
        if (p.control == "Top") return {num(f.top()), true};
        if (p.control == "Width") return {num(f.width()), true};
        return {num(f.height()), true};
    }
    if (p.rest.empty()) fail("no property in " + path);
    ui::Control* c = loadedForm(p.form).findControl(p.control, p.index);
    if (!c) fail("no control " + path.substr(0, path.size() - p.rest.size() - 1));
    try {
        return readProperty(*c, p.rest);
    } catch (const std::runtime_error& e) {
        fail(e.what());
    }
}

void Session::expect(const Command& cmd, const std::vector<std::string>& w) {
    if (w.size() < 2) fail("expect what?");
    const std::string& k = w[1];
    if (k == "shown" || k == "not-shown") {
        if (w.size() < 3) fail("expect shown FORM");
        ui::Form* f = app ? app->loadedForm(w[2]) : nullptr;
        bool shown = f && f->shown();
        if (shown != (k == "shown")) fail(w[2] + (shown ? " is shown" : " is not shown"));
    } else if (k == "msgbox") {
        if (w.size() < 3) fail("expect msgbox TEXT");
        if (dialogs.shown.empty()) fail("no message box was shown (expected \"" + w[2] + "\")");
        MessageRecord m = dialogs.shown.front();
        dialogs.shown.pop_front();
        std::string got;
        for (std::size_t i = 0; i < m.text.size(); ++i)
            if (m.text.compare(i, 2, "\r\n") != 0) got += m.text[i];
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
        expectDevice(w);
    } else if (k == "saver") {
        if (w.size() < 3) fail("expect saver suppressed|normal");
        bool want = w[2] == "suppressed";
        if (saver.suppressed != want)
            fail(std::string("saver is ") + (saver.suppressed ? "suppressed" : "normal"));
    } else if (k == "file") {
        expectFile(cmd, w);
    } else if (k == "clipboard") {
        if (w.size() < 3) fail("expect clipboard TEXT");
        if (clipboard.value != w[2]) fail("clipboard is \"" + clipboard.value + "\"");
    } else if (k == "ended") {
        if (!app || !app->ended()) fail("the program is still running");
    } else if (k == "running") {
        if (!app || app->ended()) fail("the program is not running");
    } else if (k == "online") {
        expectOnline(cmd);
    } else if (k == "printed") {
        expectPrinted(cmd);
    } else if (k == "karaoke") {
        expectKaraoke(w);
    } else if (k == "each-track-once") {
        expectEachTrackOnce(w);
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

void Session::expectDevice(const std::vector<std::string>& w) {
    if (w.size() < 4) fail("expect device WHAT VALUE");
    device::SimulatedDrive& d = drive();
    const std::string& what = w[2];
    if (what == "mode") {
        const int m = static_cast<int>(d.mode());
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
    } else if (what == "key-tempo") {
        // expect device key-tempo SEMITONES TEMPO VOICE: what the drive plays now.
        if (w.size() != 6) fail("expect device key-tempo SEMITONES TEMPO both|left|right|reduced");
        const device::KeyTempo& k = d.keyTempo();
        static const char* const voices[] = {"both", "left", "right", "reduced"};
        const std::string got = std::to_string(k.semitones) + " " + std::to_string(k.tempo) + " " +
                                voices[static_cast<int>(k.voice)];
        const std::string want =
            std::to_string(toNumber(w[3])) + " " + std::to_string(toNumber(w[4])) + " " + w[5];
        if (got != want) fail("device key-tempo " + got);
    } else {
        fail("unknown device check " + what);
    }
}

void Session::expectFile(const Command& cmd, const std::vector<std::string>& w) {
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
    if (got == want) return;
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
            fail(w[2] + " line " + std::to_string(i + 1) + " is \"" + g + "\", expected \"" + e +
                 "\"");
    }
    fail(w[2] + " differs");
}

void Session::expectPrinted(const Command& cmd) {
    const auto& job = printer.lastJob;
    for (std::size_t i = 0; i < std::max(job.size(), cmd.block.size()); ++i) {
        std::vector<std::string> want =
            i < cmd.block.size() ? splitWords(subst(cmd.block[i])) : std::vector<std::string>{};
        std::vector<std::string> got = i < job.size() ? job[i] : std::vector<std::string>{};
        bool same = want.size() == got.size();
        for (std::size_t j = 0; same && j < want.size(); ++j) same = numericEqual(want[j], got[j]);
        if (!same) {
            std::string g;
            for (auto& s : got) g += (g.empty() ? "" : " ") + s;
            fail("print operation " + std::to_string(i + 1) + " is \"" + g + "\"");
        }
    }
}

// A shuffled list: N items, and the tracks 1..N each in exactly one of them, in any order. An
// item's track is the number its first two characters after leading blanks spell.
void Session::expectEachTrackOnce(const std::vector<std::string>& w) {
    if (w.size() < 4) fail("expect each-track-once PATH N");
    Value count = property(w[2] + ".ListCount");
    const long n = toNumber(w[3]);
    if (toNumber(count.text) != n) fail(w[2] + " has " + count.text + " items, expected " + w[3]);
    std::vector<int> seen(static_cast<std::size_t>(n) + 1, 0);
    for (long i = 0; i < n; ++i) {
        std::string item = property(w[2] + ".List(" + std::to_string(i) + ")").text;
        std::size_t a = item.find_first_not_of(' ');
        long t = a == std::string::npos ? 0 : text::val(text::left(item.substr(a), 2));
        if (t < 1 || t > n)
            fail(w[2] + " item " + std::to_string(i) + " \"" + item + "\" is no track 1.." + w[3]);
        if (seen[static_cast<std::size_t>(t)]++)
            fail(w[2] + " holds track " + std::to_string(t) + " twice");
    }
}

// expect karaoke PATH upper|lower TEXT / wiped upper|lower N / dots N / title / no-title:
// what a karaoke screen shows at the present audible position.
void Session::expectKaraoke(const std::vector<std::string>& w) {
    if (w.size() < 4) fail("expect karaoke PATH WHAT [VALUE]");
    const ControlPath p = parsePath(w[2]);
    ui::Control* c = loadedForm(p.form).findControl(p.control, p.index);
    auto* screen = dynamic_cast<ui::KaraokeScreen*>(c);
    if (!screen) fail(w[2] + " is not a karaoke screen");
    const ui::KaraokeFrame f = screen->frame();
    const ui::KaraokeScene* scene = screen->scene();
    auto rowText = [&](int row) {
        const int line = f.rows[static_cast<std::size_t>(row)].line;
        return line < 0 || !scene ? std::string()
                                  : scene->lines[static_cast<std::size_t>(line)].text();
    };
    const std::string& what = w[3];
    if (what == "title" || what == "no-title") {
        if (f.title != (what == "title"))
            fail(std::string("the title card is ") + (f.title ? "shown" : "not shown"));
    } else if (what == "upper" || what == "lower") {
        const std::string want = w.size() > 4 ? w[4] : "";
        const std::string got = rowText(what == "upper" ? 0 : 1);
        if (got != want)
            fail("the " + what + " row shows \"" + got + "\", expected \"" + want + "\"");
    } else if (what == "wiped") {
        if (w.size() < 6) fail("expect karaoke PATH wiped upper|lower N");
        const double wiped = f.rows[w[4] == "upper" ? 0 : 1].wiped;
        if (static_cast<int>(wiped) != static_cast<int>(toNumber(w[5])))
            fail("the " + w[4] + " row has " + num(wiped) + " syllables wiped, expected " + w[5]);
    } else if (what == "dots") {
        if (w.size() < 5) fail("expect karaoke PATH dots N");
        if (f.dots != static_cast<int>(toNumber(w[4])))
            fail(std::to_string(f.dots) + " count-in dots, expected " + w[4]);
    } else {
        fail("expect karaoke PATH upper|lower|wiped|dots|title|no-title");
    }
}

}  // namespace lirafok::scenario
