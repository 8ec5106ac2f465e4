// The sandbox and the machine: files, clock, screen, drives, discs, device errors, fonts,
// queued answers, the clipboard, starting the program and moving the clock.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "core/font_list.h"
#include "core/text.h"
#include "scenario/session.h"

namespace lirafok::scenario {

namespace fs = std::filesystem;

namespace {

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

// A whole font list: every set and row in `face`, neither bold nor italic, at the row's default
// size; a line of `overrides` replaces the line that starts with the same three characters.
std::vector<std::string> fontListLines(const std::string& face,
                                       const std::vector<std::string>& overrides) {
    std::vector<std::string> lines;
    for (int set = 0; set < kFontSetCount; ++set) {
        for (int row = 0; row < kFontRowCount; ++row) {
            const std::string key = std::to_string(set) + std::to_string(row);
            lines.push_back(key + "N" + face);
            lines.push_back(key + "B00");
            lines.push_back(key + "I00");
            lines.push_back(key + "S" + text::pad(kFontDefaultSize[row], 2));
        }
    }
    for (const std::string& o : overrides) {
        auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return o.size() >= 3 && l.compare(0, 3, o, 0, 3) == 0;
        });
        if (it == lines.end()) fail("font-list: no line " + o.substr(0, 3));
        *it = o;
    }
    return lines;
}

}  // namespace

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
    } else if (op == "font-list") {
        need(2);
        std::vector<std::string> overrides;
        for (const auto& line : cmd.block) overrides.push_back(subst(line));
        std::ofstream out(sandboxPath("LIRAFOK.FOT"), std::ios::binary | std::ios::trunc);
        if (!out) fail("cannot write LIRAFOK.FOT");
        for (const auto& line : fontListLines(w[1], overrides))
            out << blockLineBytes(line) << "\r\n";
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
    } else if (op == "disc-text") {
        // disc-text TITLE PERFORMER [TRACK...]: a TRACK word is the title, or "title|performer".
        need(3);
        device::DiscText t{w[1], w[2], {}, {}};
        for (std::size_t i = 3; i < w.size(); ++i) {
            const auto bar = w[i].find('|');
            t.trackTitles.push_back(w[i].substr(0, bar));
            t.trackPerformers.push_back(bar == std::string::npos ? "" : w[i].substr(bar + 1));
        }
        drive().setDiscText(std::move(t));
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
        answer(w);
    } else if (op == "online") {
        onlineCommand(w);
    } else if (op == "clipboard") {
        need(2);
        clipboard.value = w[1];
    } else if (op == "start") {
        start(w);
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

void Session::answer(const std::vector<std::string>& w) {
    auto need = [&](std::size_t n) {
        if (w.size() < n) fail("answer: missing words");
    };
    need(2);
    const std::string& k = w[1];
    const int line = m_line;
    if (k == "ok" || k == "yes" || k == "no" || k == "cancel") {
        const int button = k == "ok"    ? ui::mb::kOk
                           : k == "yes" ? ui::mb::kYes
                           : k == "no"  ? ui::mb::kNo
                                        : ui::mb::kCancel;
        dialogs.answers.push_back({button, line});
    } else if (k == "input") {
        need(3);
        if (w[2] == "cancel")
            dialogs.inputs.push_back({std::nullopt, line});
        else
            dialogs.inputs.push_back({w[2], line});
    } else if (k == "color") {
        need(3);
        if (w[2] == "cancel")
            dialogs.colors.push_back({std::nullopt, line});
        else
            dialogs.colors.push_back({static_cast<ui::Color>(toNumber(w[2])), line});
    } else if (k == "font") {
        need(3);
        if (w[2] == "cancel") {
            dialogs.fonts.push_back({std::nullopt, line});
        } else if (w[2] == "empty") {
            dialogs.fonts.push_back({ui::FontChoice{}, line});
        } else {
            need(4);
            ui::FontChoice f{w[2], text::valDouble(w[3]), false, false};
            for (std::size_t i = 4; i < w.size(); ++i) {
                if (w[i] == "bold")
                    f.bold = true;
                else if (w[i] == "italic")
                    f.italic = true;
                else
                    fail("answer font NAME SIZE [bold] [italic]: unknown word " + w[i]);
            }
            dialogs.fonts.push_back({f, line});
        }
    } else if (k == "modal") {
        need(4);
        m_modalAnswers.push_back({{w[2], w[3]}, line});
    } else if (k == "file") {
        need(3);
        if (w[2] == "cancel")
            dialogs.files.push_back({std::nullopt, line});
        else
            dialogs.files.push_back({w[2], line});
    } else if (k == "printer") {
        need(3);
        if (w[2] != "ok" && w[2] != "cancel") fail("answer printer ok|cancel");
        dialogs.printerAnswers.push_back({w[2] == "ok", line});
    } else {
        fail("unknown answer " + k);
    }
}

void Session::start(const std::vector<std::string>& w) {
    if (app && !app->ended()) fail("the program is already running");
    // A program that has ended may be started again in the same sandbox (its files stay).
    settle();
    m_focus.clear();
    app.reset();
    if (chdir(sandbox.c_str()) != 0) fail("cannot enter the sandbox");
    std::string line;
    for (std::size_t i = 1; i < w.size(); ++i) {
        if (i > 1) line += ' ';
        line += w[i];
    }
    app = std::make_unique<App>(services());
    registerWindows(*app);
    app->onEnded = [this] { instance.held = false; };
    app->run(line);
    settle();
}

}  // namespace lirafok::scenario
