#pragma once
// The random user of the soak run: answers every dialog at random the way a user would, and
// acts on one reachable control of a window through the control model (the same user calls as
// the scenario runner's: click, type, choose, spin, scroll, tab, menu, focus).
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "scenario/focus.h"
#include "ui/form.h"
#include "ui/services.h"

namespace lirafok::soak {

using Rng = std::mt19937_64;

// Counts by name, printed at the end of the run.
struct Tally {
    std::map<std::string, long> counts;
    void add(const std::string& what, long n = 1) { counts[what] += n; }
    long operator[](const std::string& what) const {
        auto it = counts.find(what);
        return it == counts.end() ? 0 : it->second;
    }
};

class Dice {
public:
    explicit Dice(std::uint64_t seed) : m_rng(seed) {}
    // 0 .. n-1 (n > 0).
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    template <class T>
    const T& of(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(below(static_cast<int>(v.size())))];
    }
    // Text a user might type into any box: numbers, times, Japanese, tabs, long lines, empty.
    // Never a path: what the program writes stays in the sandbox.
    std::string text();

private:
    Rng m_rng;
};

// Every dialog answered at random; message box texts are counted.
class RandomDialogs final : public ui::Dialogs {
public:
    RandomDialogs(Dice& dice, Tally& tally, ui::InstalledFonts& fonts, std::string sandbox)
        : m_dice(dice), m_tally(tally), m_fonts(fonts), m_sandbox(std::move(sandbox)) {}

    std::map<std::string, long> messages;  // message box text -> times shown
    // Told each answer given, as an answer line of a scenario file.
    std::function<void(const std::string&)> onAnswer;

    int messageBox(const std::string& text, int style, const std::string& title) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& preset) override;
    std::optional<ui::Color> colorDialog(ui::Color preset) override;
    std::optional<ui::FontChoice> fontDialog(const ui::FontDialogRequest& request) override;
    bool printerSetup() override;
    void showHelp(const std::string&, const std::string&) override { m_tally.add("help shown"); }
    std::optional<std::string> openFileDialog(const std::string& title,
                                              const std::string& filter) override;
    std::optional<std::string> saveFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& suggested) override;

private:
    Dice& m_dice;
    Tally& m_tally;
    ui::InstalledFonts& m_fonts;
    std::string m_sandbox;
};

class SoundCount final : public ui::SoundCues {
public:
    explicit SoundCount(Tally& tally) : m_tally(tally) {}
    void play(const std::string& wavPath) override;

private:
    Tally& m_tally;
};

// Acts on one control of `form` that a user can reach (visible, enabled, on the current tab),
// chosen at random. `buttonsOnly` limits the choice to buttons, panels and labels (a user
// looking for the way out); controls named in `avoid` are left alone. Returns what was done
// ("" when nothing could be done).
std::string poke(ui::Form& form, Dice& dice, scenario::FocusHolder& focus, bool buttonsOnly,
                 const std::vector<std::string>& avoid);

}  // namespace lirafok::soak
