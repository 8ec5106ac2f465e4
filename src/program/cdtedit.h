#pragma once
// The tape side editor: divides the loaded disc's tracks between side A (`ALL`) and side B
// (`SEL`) of a cassette, shows each side's playing time and the time left on it, splits the
// disc automatically (in order, or with a best-fit improvement), sorts the sides, hands the
// current side to the player as a program, and opens the cassette label printer CPRINT, which
// reads the two side lists while this window is open.
//
// An entry is a track entry text ("07 03:25 song"); its track is the number in its first two
// characters.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;
struct AppState;

// Tape length in minutes, the spin's range and its value on opening.
inline constexpr int kTapeMinMinutes = 1;
inline constexpr int kTapeMaxMinutes = 120;
inline constexpr int kTapeDefaultMinutes = 60;

// How the automatic split divides tracks 1..n (lengths in ms, index 1..n used).
struct TapeSplit {
    std::vector<int> sideA;  // track numbers, in the order the split placed them
    std::vector<int> sideB;
    int exchanges = 0;  // best-fit exchanges made
};

// Side A takes tracks in order while its total stays below `capacityMs`; the rest go to side
// B. With `bestFit`, the longest remaining track that fits below the room left joins side A,
// then up to 11 exchanges between the sides bring side A's total closer to the capacity.
TapeSplit splitTracks(const std::vector<std::int32_t>& lengthMs, int trackCount,
                      std::int32_t capacityMs, bool bestFit);

// "mm:ss" of a total in ms, rounded to whole seconds.
std::string tapeTotalText(std::int64_t ms);
// "mm:ss" of the time left on a side of a `minutes` tape holding `sideMs`; both parts go
// negative when the side is over-full ("-00:-30" is never written: a zero minute stays "00").
std::string tapeLeftText(int minutes, std::int64_t sideMs);

// The entry text of track t: "07 03:25 song".
std::string trackEntry(const AppState& s, int t);

class CDTEDIT : public ui::Form {
public:
    static constexpr const char* kName = "CDTEDIT";
    explicit CDTEDIT(App& app);

    App& app;
    ui::ListBox ALL;  // side A
    ui::ListBox SEL;  // side B
    ui::Button AMEN, BMEN;
    ui::Button Command3D3;  // side A -> side B
    ui::Button Command3D4;  // side B -> side A
    ui::Panel Panel3D4, TOTALX;
    ui::Panel ALLTIME, SELTIME, AZAN, BZAN;
    ui::Panel TIMEX;
    ui::SpinButton Spin1;
    ui::Panel Panel3D6;
    ui::CheckBox AI;
    ui::OptionButton HALF, MAX;
    ui::Button CHECKX, SORTX;
    ui::Button Command3D1;  // 演奏
    ui::Button Command3D6;  // 印刷
    ui::Button Command3D2;  // 取消

    // The side lists have been clicked since the last move (0 or 1).
    std::int32_t SideASelected = 0;
    std::int32_t SideBSelected = 0;
    // Capacity of one side and side A's running total while splitting, ms.
    std::int32_t SideCapacityMs = 0;
    std::int32_t SideATotalMs = 0;

    void AMEN_Click();
    void BMEN_Click();
    void ALL_Click();
    void SEL_Click();
    void Command3D3_Click();
    void Command3D4_Click();
    void CHECKX_Click();
    void SORTX_Click();
    void Spin1_SpinUp();
    void Spin1_SpinDown();
    void Command3D1_Click();
    void Command3D6_Click();
    void Command3D2_Click();

    void SplitSides();
    void SortSides();
    void ShowSideTimes();

    // The tape length shown in TIMEX, minutes.
    int tapeMinutes() const;
    bool sideBCurrent() const { return BMEN.foreColor() == ui::kRed; }

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;

private:
    void layout();
    void wireEvents();
    void moveSelected(ui::ListBox& from, ui::ListBox& to, std::int32_t& flag);
    std::int64_t sideMs(const ui::ListBox& list) const;
};

}  // namespace lirafok
