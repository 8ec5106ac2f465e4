// lirafok_soak [--seed N] [--hours H | --minutes M] [--probe P] [--trace FROM]: the whole program,
// headless, on the virtual clock for H hours (default 24) of random use.
//
// Every few virtual seconds a seeded random user does one thing: presses a transport button or
// a button of the main window, acts in another window (opening further windows, answering
// their prompts and message boxes at random, closing them), changes the disc, opens or closes
// the door, or arms a device error. Modal windows get a few actions and are then closed the way
// a user would (the frame, then any button); one that cannot be closed is a violation. After an
// action, with probability P (default 0.25), the player is probed: with a disc in and nothing
// holding the player, Play must lead to the playing state and Stop to the stopped state within
// 5 virtual seconds (one retry for every device failure still armed). A program that ends
// (power button, a device that cannot be opened) is started again.
//
// Prints the seed, one line per virtual hour (actions, wall time, live heap under ASan), then
// actions by kind, the message boxes seen, violations with the actions that led to them, and
// the leak check's verdict when built with LeakSanitizer. Exit status 1 on any violation or
// leak. The same seed gives the same run; --trace prints every action from action FROM on.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#include <sanitizer/lsan_interface.h>
// Bytes of heap in use (the sanitizer runtime's allocator; its header is not always installed).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#define LIRAFOK_SOAK_LSAN 1
#endif

#include "catalogue/catalogue_file.h"
#include "common/app.h"
#include "core/text.h"
#include "lyrics/lyrics_file.h"
#include "player/cdoke.h"
#include "scenario/control_access.h"
#include "scenario/headless.h"
#include "soak_user.h"
#include "windows/windows.h"

namespace fs = std::filesystem;

namespace lirafok::soak {
namespace {

constexpr std::int64_t kHourMs = 3600000;
// How long the player may take to answer Play or Stop (the stopped word waits for the idle
// status event, 3 s after the stop).
constexpr std::int64_t kAnswerMs = 5000;

// Discs the catalogue knows, with lyrics for their tracks.
const std::vector<std::vector<std::int32_t>> kKnownDiscs{
    {45000, 61000, 30000, 90000},
    {183000, 201000, 99000},
    {240000},
    {20000, 21000, 22000, 23000, 24000, 25000, 26000, 27000, 28000, 29000, 30000, 31000}};

std::string clockText(std::int64_t ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%03lld",
                  static_cast<long long>(ms / kHourMs), static_cast<long long>(ms / 60000 % 60),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return buf;
}

std::string makeSandbox() {
    std::string tmpl = (fs::temp_directory_path() / "lirafok-soak-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a sandbox folder");
    return tmpl;
}

// A modal window that neither the user nor the program could close: the run cannot go on.
struct Stuck {};

class Soak {
public:
    Soak(std::uint64_t seed, std::int64_t lengthMs, double probeRate, long traceFrom)
        : m_length(lengthMs), m_probeRate(probeRate), m_traceFrom(traceFrom), dice(seed) {
        dialogs.onAnswer = [this](const std::string& a) { note(a); };
        drives.setDrives({"Q:", "R:"});
        host.whileModal = [this](ui::Form& f, const scenario::HeadlessHost::OpenTest& open) {
            insideModal(f, open);
        };
        host.onUnload = [this](ui::Form& f) { focus.formUnloaded(f); };
        sched.setWallClock(1767268800);  // 2026-01-01 12:00:00 UTC
    }

    ~Soak() {
        focus.clear();
        app.reset();
        host.whileModal = nullptr;
        host.onUnload = nullptr;
        if (chdir(m_oldCwd.c_str()) != 0) {
        }
        std::error_code ec;
        fs::remove_all(sandbox, ec);
    }

    long violations() const { return m_violations; }

    void run() {
        const auto wallStart = std::chrono::steady_clock::now();
        auto wall = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart)
                .count();
        };
        writeSandbox();
        startProgram();
        std::int64_t nextHour = kHourMs;
        try {
            while (sched.nowMs() < m_length) {
                step();
                while (sched.nowMs() >= nextHour) {
                    std::printf("hour %2lld: %7ld actions, %6ld probes, %5ld starts, %7.1f s wall",
                                static_cast<long long>(nextHour / kHourMs), m_actions,
                                tally["probe"], tally["program start"], wall());
#ifdef LIRAFOK_SOAK_LSAN
                    std::printf(", live heap %.2f MB",
                                __sanitizer_get_current_allocated_bytes() / 1048576.0);
#endif
                    std::printf(", violations %ld\n", m_violations);
                    std::fflush(stdout);
                    nextHour += kHourMs;
                }
            }
        } catch (const Stuck&) {
            std::printf("run stopped: a modal window cannot be closed\n");
        }
#ifdef LIRAFOK_SOAK_LSAN
        // Where the live heap is, while everything still runs (LIRAFOK_SOAK_HEAP=1).
        if (std::getenv("LIRAFOK_SOAK_HEAP")) __sanitizer_print_memory_profile(90, 12);
#endif
        // The user ends the program with the power button when it still runs.
        if (app && !app->ended()) {
            CDOKE* main = mainWindow();
            if (main && !host.topModal()) main->POWER.userClick();
        }
        sched.runDue();
        focus.clear();
        app.reset();
        report(wall());
    }

private:
    // --- the machine ---
    std::int64_t m_length;
    double m_probeRate;
    long m_traceFrom;  // actions from this one on are printed as they happen
    std::string sandbox = makeSandbox();
    std::string m_oldCwd = fs::current_path().string();
    Dice dice;
    Tally tally;
    ui::VirtualScheduler sched;
    scenario::HeadlessFonts fonts;
    RandomDialogs dialogs{dice, tally, fonts, sandbox};
    SoundCount cues{tally};
    scenario::HeadlessSaver saver;
    scenario::HeadlessClipboard clipboard;
    scenario::HeadlessPrinter printer;
    scenario::HeadlessScreen screen;
    scenario::HeadlessInstance instance;
    scenario::HeadlessHost host;
    scenario::SimulatedDrives drives{sched};
    scenario::FocusHolder focus;
    std::unique_ptr<App> app;  // last: ends before the services it uses

    long m_actions = 0;
    long m_violations = 0;
    int m_modalDepth = 0;
    bool m_heldReported = false;
    std::map<std::string, std::int64_t> m_doorOpenedAt;  // by drive name
    std::vector<std::string> m_openOrder;                // shown windows, the newest last
    std::deque<std::string> m_recent;  // the last actions, for the violation report
    std::vector<std::string> m_firstViolations;

    Services services() {
        return Services{sched,   host,  dialogs, cues,     saver, clipboard,
                        printer, fonts, screen,  instance, drives};
    }

    CDOKE* mainWindow() const {
        return app && !app->ended() ? app->loaded<CDOKE>() : nullptr;
    }

    device::SimulatedDrive& drive() {
        if (app)
            if (auto* d = drives.drive(app->currentDriveIndex())) return *d;
        return drives.current();
    }

    void note(const std::string& what) {
        if (what.empty()) return;
        m_recent.push_back(clockText(sched.nowMs()) + " " + what);
        if (m_traceFrom >= 0 && m_actions >= m_traceFrom)
            std::printf("trace %ld %s\n", m_actions, m_recent.back().c_str());
        if (m_recent.size() > 16) m_recent.pop_front();
    }

    void violation(const std::string& what) {
        ++m_violations;
        tally.add("violation");
        if (m_firstViolations.size() >= 10) return;
        std::string text = "at " + clockText(sched.nowMs()) + ", action " +
                           std::to_string(m_actions) + ": " + what + "\n    after:";
        for (const auto& r : m_recent) text += "\n      " + r;
        m_firstViolations.push_back(text);
        std::printf("VIOLATION %s\n", text.c_str());
        std::fflush(stdout);
    }

    // The user takes a moment; everything that falls due meanwhile runs.
    void think(int loMs, int hiMs) {
        sched.advance(dice.between(loMs, hiMs));
    }

    // --- the sandbox: settings, font list, a small catalogue with lyrics ---
    void writeSandbox() {
        if (chdir(sandbox.c_str()) != 0) throw std::runtime_error("cannot enter the sandbox");
        const std::string folder = sandbox + "/";
        text::writeLines(sandbox + "/LIRAFOK.INI",
                         {"SOUND=1", "SCREN=1", "HOZON=1", "KASID=" + folder});
        text::writeLines(sandbox + "/LIRAFOK.FOT", {"00NNoto Sans CJK JP"});
        int d = 0;
        for (const auto& tracks : kKnownDiscs) {
            ++d;
            std::int64_t sum = 0;
            for (auto t : tracks) sum += t;
            const std::string key = text::pad(sum, 9);
            std::array<std::string, kCatalogueSlots> songs, artists;
            for (std::size_t n = 1; n <= tracks.size(); ++n) {
                songs[n] = "試験曲 " + std::to_string(d) + "-" + std::to_string(n);
                artists[n] = n % 2 ? "歌手甲" : "歌手乙";
            }
            saveDiscRecord(folder, key, static_cast<int>(tracks.size()),
                           buildTitle("ソーク試験盤 " + std::to_string(d), "副題"), "演奏者", d % 6,
                           songs, artists, d % 2 == 0);
            for (std::size_t n = 1; n <= tracks.size(); ++n) {
                // Some tracks timed line by line (with page breaks), some untimed, one none.
                if (n == 3) continue;
                std::string body;
                LyricTimeTable times = LyricTables::filledTimes(), flags{};
                const int lines = 4 + static_cast<int>(n * 7 % 30);
                for (int i = 0; i < lines; ++i) {
                    body += "歌詞 " + std::to_string(n) + " の " + std::to_string(i) + " 行目\r\n";
                    if (n % 2)
                        times[static_cast<std::size_t>(i)] = 500 + i * (tracks[n - 1] / lines);
                    if (i % 8 == 7) flags[static_cast<std::size_t>(i)] = 1;
                }
                saveLyricsText(lyricsFilePath(folder, key, static_cast<int>(n)), n == 2 ? 12 : 0,
                               body, times, flags);
            }
        }
    }

    void startProgram() {
        focus.clear();
        app.reset();
        // A user whose drive failed looks after it sooner or later.
        if (drive().failsOpen() && dice.chance(0.5))
            for (int i = 0; auto* dr = drives.drive(i); ++i) dr->setFailOpen(false);
        app = std::make_unique<App>(services());
        registerWindows(*app);
        app->onEnded = [this] { instance.held = false; };
        tally.add("program start");
        note("start");
        app->run("");
        sched.runDue();
    }

    // --- one top-level action and the checks after it ---
    void step() {
        try {
            if (!app || app->ended()) {
                think(1000, 10000);
                startProgram();
            } else {
                ++m_actions;
                note(action());
                sched.runDue();
                checkAfterAction();
                if (m_modalDepth == 0 && dice.chance(m_probeRate)) probe();
            }
            think(500, 6000);
        } catch (const Stuck&) {
            throw;
        } catch (const std::exception& e) {
            violation(std::string("exception escaped the program: ") + e.what());
            m_modalDepth = 0;
            focus.clear();
            app.reset();
        }
    }

    std::string action() {
        CDOKE* main = mainWindow();
        if (!main) return "";
        const int r = dice.below(100);
        if (r < 24) return transport(*main);
        if (r < 46) {
            tally.add("action: main window button");
            // The power button is pressed seldom: each start is a program's whole life.
            if (dice.chance(0.02)) {
                main->POWER.userClick();
                return "click CDOKE.POWER";
            }
            return poke(*main, dice, focus, false, {"POWER"});
        }
        if (r < 74) return otherWindow(*main);
        if (r < 81) return discChange();
        if (r < 84) return deviceError();
        if (r < 89) return key();
        if (r < 92) {
            tally.add("action: resize or focus");
            ui::Form& f = shownForm(*main);
            if (dice.chance(0.5)) {
                f.userLoseFocus();
                return "lose-focus " + f.name();
            }
            f.userResizeInner(dice.between(0, 16000), dice.between(0, 12000));
            return "resize " + f.name();
        }
        tally.add("action: wait");
        think(1000, 60000);
        return "wait";
    }

    std::string transport(CDOKE& main) {
        tally.add("action: transport");
        device::MMControl& mm = main.MMControl1;
        if (!scenario::unreachableWhy(mm).empty()) return "";
        using B = device::TransportButton;
        static const std::vector<std::pair<B, const char*>> buttons{
            {B::Play, "Play"}, {B::Pause, "Pause"}, {B::Stop, "Stop"},
            {B::Next, "Next"}, {B::Prev, "Prev"},   {B::Eject, "Eject"}};
        std::vector<std::pair<B, const char*>> enabled;
        for (const auto& b : buttons)
            if (mm.buttonEnabled(b.first)) enabled.push_back(b);
        if (enabled.empty()) return "";
        const auto& b = dice.of(enabled);
        if (dice.chance(0.3)) focus.moveTo({&mm, b.first});
        mm.userButton(b.first);
        return std::string("click CDOKE.MMControl1.") + b.second;
    }

    ui::Form& shownForm(CDOKE& main) {
        std::vector<ui::Form*> shown;
        for (ui::Form* f : app->loadedForms())
            if (f->shown()) shown.push_back(f);
        return shown.empty() ? main : *dice.of(shown);
    }

    std::string otherWindow(CDOKE& main) {
        tally.add("action: other window");
        std::vector<ui::Form*> others;
        for (ui::Form* f : app->loadedForms())
            if (f->shown() && f != &main) others.push_back(f);
        // No other window: the user opens one from the main window.
        if (others.empty()) return poke(main, dice, focus, true, {"POWER"});
        // Mostly the window opened last: a user follows what a button opened.
        ui::Form* chosen = dice.of(others);
        if (dice.chance(0.6))
            for (auto it = m_openOrder.rbegin(); it != m_openOrder.rend(); ++it)
                if (ui::Form* f = app->loadedForm(*it); f && f->shown() && f != &main) {
                    chosen = f;
                    break;
                }
        // The settings and lyrics windows stay open for long: the others get more turns.
        static const std::vector<std::string> lingering{"CDKANKYOX", "CDKASIF", "CDKASIF2"};
        if (std::find(lingering.begin(), lingering.end(), chosen->name()) != lingering.end() &&
            dice.chance(0.7))
            chosen = dice.of(others);
        ui::Form& f = *chosen;
        tally.add("window " + f.name());
        if (dice.chance(0.06)) {
            const std::string name = f.name();
            f.userClose();
            return "close " + name;
        }
        return poke(f, dice, focus, false, {});
    }

    std::string discChange() {
        tally.add("action: disc change");
        // Mostly the program's own drive; now and then the other one.
        device::SimulatedDrive& d = dice.chance(0.85) ? drive() : *drives.drive(dice.below(2));
        const int r = dice.below(100);
        // A disc goes in or comes out only through an open door: the user opens it (the disc
        // in it comes out) and takes a moment before the door shuts again.
        const bool inserting = r < 65 || r >= 85;
        if (inserting && d.discIn()) {
            d.openDoor();
            m_doorOpenedAt[d.name()] = sched.nowMs();
            note("door open  # " + d.name());
        }
        // Opening the tray, changing the disc and closing it again takes a few seconds.
        if (inserting && m_doorOpenedAt.count(d.name())) {
            const std::int64_t open = sched.nowMs() - m_doorOpenedAt[d.name()];
            if (open < 4000) sched.advance(4000 - open + dice.between(0, 6000));
        }
        if (r < 40) {
            std::vector<std::int32_t> tracks(static_cast<std::size_t>(
                dice.chance(0.03) ? dice.between(95, 105) : dice.between(1, 20)));
            // Tracks of an audio CD last 4 s at least; some are that short.
            for (auto& t : tracks)
                t = dice.chance(0.05) ? dice.between(4000, 6000) : dice.between(4000, 420000);
            d.insertDisc(tracks);
            std::string words = "disc";
            for (auto t : tracks) words += " " + std::to_string(t);
            return words + "  # " + d.name();
        }
        if (r < 65) {
            const std::size_t i = static_cast<std::size_t>(dice.below(4));
            d.insertDisc(kKnownDiscs[i]);
            std::string words = "disc";
            for (auto t : kKnownDiscs[i]) words += " " + std::to_string(t);
            return words + "  # known disc " + std::to_string(i + 1) + ", " + d.name();
        }
        if (r < 78) {
            d.openDoor();
            m_doorOpenedAt[d.name()] = sched.nowMs();
            return "door open  # " + d.name();
        }
        if (r < 85) {
            d.closeDoor();
            return "door close  # " + d.name();
        }
        if (r < 95) {
            d.removeDisc();
            return "disc none  # " + d.name();
        }
        d.insertEmptyDisc();
        return "disc empty  # " + d.name();
    }

    std::string deviceError() {
        tally.add("action: device error");
        device::SimulatedDrive& d = drive();
        if (dice.chance(0.06) || dice.chance(0.1)) {
            const bool fail = !d.failsOpen();
            for (int i = 0; auto* dr = drives.drive(i); ++i) dr->setFailOpen(fail);
            return fail ? "device fail-open" : "device ok";
        }
        // At most three armed at a time, so that a probe knows how often to retry.
        if (d.armedFailures() >= 3) return "";
        static const std::vector<std::string> commands{"open", "close", "play",   "seek",
                                                       "stop", "pause", "resume", "eject"};
        const std::string& c = dice.of(commands);
        d.failNext(c);
        return "device fail " + c;
    }

    std::string key() {
        tally.add("action: key");
        CDOKE* main = mainWindow();
        static const std::vector<int> keys{
            ui::key::kSpace,     ui::key::kLeft,         ui::key::kRight,
            ui::key::kUp,        ui::key::kDown,         ui::key::kMediaPlayPause,
            ui::key::kMediaPlay, ui::key::kMediaPause,   ui::key::kMediaStop,
            ui::key::kMediaNext, ui::key::kMediaPrevious};
        ui::Form& f = dice.chance(0.7) ? static_cast<ui::Form&>(*main) : shownForm(*main);
        const int k = dice.of(keys);
        f.userKeyDown(k, dice.chance(0.2) ? ui::key::kShiftMask : 0);
        return "key " + f.name() + " " + std::to_string(k);
    }

    // --- inside a modal window ---
    void insideModal(ui::Form& form, const scenario::HeadlessHost::OpenTest& open) {
        const std::string name = form.name();
        tally.add("modal " + name);
        ++m_modalDepth;
        struct Depth {
            int& d;
            ~Depth() { --d; }
        } depth{m_modalDepth};
        note("modal " + name);
        const int actions = dice.between(0, 6);
        for (int i = 0; i < actions && open(); ++i) {
            think(200, 3000);
            if (!open()) break;
            if (dice.chance(0.9))
                note(poke(form, dice, focus, false, {}));
            else
                note(discChange());
        }
        // The user wants out: the frame's close box, else any button.
        for (int attempt = 0; open() && attempt < 60; ++attempt) {
            think(200, 1500);
            if (!open()) break;
            if (attempt % 3 == 0) {
                note("close " + name);
                form.userClose();
            } else {
                note(poke(form, dice, focus, true, {}));
            }
        }
        if (!open()) return;
        violation("modal window " + name + " stays open after 60 attempts to close it");
        form.unload(ui::UnloadMode::Code);
        if (open()) throw Stuck{};
    }

    // --- invariants ---
    void checkAfterAction() {
        if (!app || app->ended()) return;
        for (ui::Form* f : app->loadedForms()) {
            auto at = std::find(m_openOrder.begin(), m_openOrder.end(), f->name());
            if (f->shown() && at == m_openOrder.end()) m_openOrder.push_back(f->name());
            if (!f->shown() && at != m_openOrder.end()) m_openOrder.erase(at);
        }
        m_openOrder.erase(std::remove_if(m_openOrder.begin(), m_openOrder.end(),
                                         [&](const std::string& n) { return !app->isLoaded(n); }),
                          m_openOrder.end());
        for (ui::Form* f : app->loadedForms())
            if (f->shown() && f->modal())
                violation("window " + f->name() +
                          " is still shown modally after its show returned");
        CDOKE* main = mainWindow();
        const bool held = main && main->transportHeld() && !app->isLoaded("CDSET");
        if (held && !m_heldReported) violation("the player is held with the timing setter closed");
        m_heldReported = held;
    }

    // Play leads to playing and Stop to stopped, in either order; a device failure still armed
    // may spoil one press each.
    void probe() {
        CDOKE* main = mainWindow();
        if (!main || host.topModal() || app->isLoaded("CDSET") || main->transportHeld()) return;
        device::SimulatedDrive& d = drive();
        if (!d.discIn() || d.trackCount() == 0 || d.failsOpen()) return;
        tally.add("probe");
        note("probe");
        const AppState& s = app->state;
        // The disc may still be loading (polling every 2 s), or wait for the load button.
        for (std::int64_t waited = 0; !(main->discReady() && s.TrackCount > 0); waited += 500) {
            if (waited >= 10000) {
                violation("a disc of " + std::to_string(d.trackCount()) +
                          " tracks is in but not loaded after 10 s");
                return;
            }
            if (waited == 4000 && scenario::unreachableWhy(main->LOADX).empty()) {
                note("click CDOKE.LOADX");
                main->LOADX.userClick();
            }
            sched.advance(500);
            if (!(main = mainWindow())) return;  // the program ended (the device failed)
        }
        // A list with no entries (an empty private list) plays nothing, by design.
        if ((s.ListPlay != 0 || s.ProgramPlay != 0) && s.PlayListCount == 0) {
            tally.add("probe skipped: empty list");
            return;
        }
        using B = device::TransportButton;
        using M = device::DeviceMode;
        const bool playFirst = dice.chance(0.5);
        for (int i = 0; i < 2; ++i) {
            const bool play = (i == 0) == playFirst;
            if (!answers(play ? B::Play : B::Stop, play ? M::Playing : M::Stopped,
                         play ? "PLAY" : "STOP"))
                return;
        }
    }

    bool answers(device::TransportButton button, device::DeviceMode want, const char* word) {
        const std::string name = word == std::string("PLAY") ? "Play" : "Stop";
        const std::size_t tries = 1 + drive().armedFailures();
        for (std::size_t t = 0; t < tries; ++t) {
            // A press whenever the device is not (or no longer) in the mode wanted: the program
            // may move on by itself meanwhile (a list armed by RAN starts). A second press, a
            // second later, for a play that ended at once (resumed at the very end of a disc).
            int presses = 0;
            std::int64_t pressedAt = 0;
            std::string seen;
            for (std::int64_t waited = 0; waited <= kAnswerMs; waited += 100) {
                CDOKE* main = mainWindow();
                if (!main || host.topModal()) return false;
                device::MMControl& mm = main->MMControl1;
                const device::DeviceMode mode = mm.Mode();
                if (mode == want && main->STATUS1.caption() == word) return true;
                if (mode != want &&
                    (presses == 0 || (presses == 1 && waited - pressedAt >= 1000))) {
                    if (!mm.buttonEnabled(button)) {
                        violation(name + " cannot be pressed with a disc loaded (mode " +
                                  std::to_string(static_cast<int>(mode)) + "; " + playerState() +
                                  ")");
                        return false;
                    }
                    note("probe " + name);
                    mm.userButton(button);
                    ++presses;
                    pressedAt = waited;
                    continue;
                }
                if (m_traceFrom >= 0 && playerState() != seen) {
                    seen = playerState();
                    note("  mode " + std::to_string(static_cast<int>(mode)) + ", " + seen);
                }
                sched.advance(100);
            }
        }
        CDOKE* main = mainWindow();
        if (!main) return false;
        violation(name + " did not lead to " + word + " within " + std::to_string(kAnswerMs) +
                  " ms (" + std::to_string(tries) + " tries; mode " +
                  std::to_string(static_cast<int>(main->MMControl1.Mode())) + ", STATUS1 \"" +
                  main->STATUS1.caption() + "\"; " + playerState() + ")");
        return false;
    }

    // The player's state words, for a violation report.
    std::string playerState() const {
        const AppState& s = app->state;
        const CDOKE* main = mainWindow();
        return "PausedByUser " + std::to_string(s.PausedByUser) + ", ListPlay " +
               std::to_string(s.ListPlay) + ", ProgramPlay " + std::to_string(s.ProgramPlay) +
               ", ScanPlay " + std::to_string(s.ScanPlay) + ", PlayListIndex " +
               std::to_string(s.PlayListIndex) + "/" + std::to_string(s.PlayListCount) +
               ", Repeat " + std::to_string(static_cast<int>(s.RepeatOn)) + "/" +
               std::to_string(static_cast<int>(s.RepeatKind)) + ", LastCommand \"" + s.LastCommand +
               "\", interval " + std::to_string(main ? main->MMControl1.UpdateInterval() : -1);
    }

    void report(double wallSeconds) {
        std::printf("\nvirtual time %s, wall %.1f s, %ld actions, %ld violations\n",
                    clockText(sched.nowMs()).c_str(), wallSeconds, m_actions, m_violations);
        std::printf("counts:\n");
        for (const auto& [what, n] : tally.counts) std::printf("  %-40s %8ld\n", what.c_str(), n);
        std::printf("message boxes:\n");
        for (const auto& [text, n] : dialogs.messages) std::printf("  %8ld  %s\n", n, text.c_str());
        std::fflush(stdout);
    }
};

}  // namespace
}  // namespace lirafok::soak

int main(int argc, char** argv) {
    std::uint64_t seed =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) %
        1000000;
    double minutes = 24 * 60;
    double probe = 0.25;
    long traceFrom = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << a << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--seed")
            seed = std::stoull(value());
        else if (a == "--hours")
            minutes = std::stod(value()) * 60;
        else if (a == "--minutes")
            minutes = std::stod(value());
        else if (a == "--trace")
            traceFrom = std::stol(value());
        else if (a == "--probe")
            probe = std::stod(value());
        else {
            std::cerr << "usage: lirafok_soak [--seed N] [--hours H | --minutes M] [--probe P] "
                         "[--trace FROM]\n";
            return 2;
        }
    }
    std::printf("soak: seed %llu, %.2f virtual hours, probe rate %.2f\n",
                static_cast<unsigned long long>(seed), minutes / 60, probe);
    std::fflush(stdout);
    long violations = 0;
    {
        lirafok::soak::Soak soak(seed, static_cast<std::int64_t>(minutes * 60000), probe,
                                 traceFrom);
        soak.run();
        violations = soak.violations();
    }
    int leaks = 0;
#ifdef LIRAFOK_SOAK_LSAN
    leaks = __lsan_do_recoverable_leak_check();
    std::printf("LeakSanitizer: %s\n", leaks ? "leaks found (report above)" : "no leaks");
#else
    std::printf("LeakSanitizer: not in this build\n");
#endif
    std::printf("%s\n", violations == 0 && !leaks ? "PASS" : "FAIL");
    return violations == 0 && !leaks ? 0 : 1;
}
