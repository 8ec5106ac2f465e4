#pragma once
// The settings file "LIRAFOK.INI": one "KEY=value" line per setting, CP932, CR LF.
//
// Reading and writing are pure functions over a Settings value; showing messages, applying
// volume steps and deciding window positions is the caller's business.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lirafok {

// One member per key of the settings file, named by the key. Numbers are 32-bit; colours are
// Windows colour values 0x00BBGGRR. The defaults are the values held when the file or a line
// is missing. The two volume levels (VOLUM, VOLU2) live in the volume table, not here.
struct Settings {
    std::int32_t KASIH = 0;    // lyrics display on at start-up
    std::int32_t KAIGY = 0;    // lyrics panel: 1 scroll line by line, 0 page by page
    std::int32_t TUNEH = 0;    // lyrics windows stay on top
    std::int32_t KASIF = 12;   // lyrics font size, points
    std::string KASID;         // lyrics folder, with its trailing separator
    std::int32_t SCANA = 0;    // scan play: start second within each track
    std::int32_t SCANS = 10;   // scan play: seconds per track
    std::int32_t CYOUS = 300;  // lyrics lead time, ms
    std::int32_t CMAI1 = 0;
    std::int32_t CMAI2 = 65535;
    std::int32_t CMAI3 = 255;
    std::int32_t CMAI4 = 0;
    std::int32_t CMAI5 = 16776960;
    std::int32_t CKAS1 = 16777215;
    std::int32_t CKAS2 = 0;
    std::int32_t CKAS3 = 255;
    std::int32_t CKAS4 = 0;  // follows CKAS2 when the file has no CKAS4 line
    std::int32_t KIDOU = 0;  // start-up layout when HOZON is 0: 1 reduced, 0 full
    std::int32_t HOZON = 0;  // 1: restore window positions and layout
    std::int32_t TRKLE = 0;  // track time: 1 elapsed, 0 remaining
    std::int32_t TOTLE = 0;  // total time: 1 elapsed, 0 remaining
    // Lyrics panel window CDKASIF2: geometry and inner scale, twips.
    std::int32_t KASIT = 30;
    std::int32_t KASII = 6885;
    std::int32_t KASIL = 720;
    std::int32_t KASIW = 7095;
    std::int32_t SASIT = 0;
    std::int32_t SASIH = 6480;
    std::int32_t SASIL = 0;
    std::int32_t SASIW = 6975;
    std::int32_t FBOLD = 0;                 // lyrics font bold
    std::int32_t FITAL = 0;                 // lyrics font italic
    std::string FONTN = "ＭＳ Ｐゴシック";  // lyrics font name
    std::int32_t SWVOL = 1;                 // volume control: 0 separate, 1 linked, 2 off
    std::int32_t SCREN = 0;                 // suppress the screen saver while playing
    std::int32_t SLOAD = 0;                 // 1: do not load the disc at start-up
    // Cassette label fonts. For GPAS*, GPBS* and GPOT* the key ending in I holds the bold
    // flag and the key ending in B the italic flag.
    std::string GPT1N = "ＭＳ Ｐゴシック";
    std::int32_t GPT1S = 14;
    std::int32_t GPT1B = 0;
    std::int32_t GPT1I = 0;
    std::string GPT2N = "ＭＳ Ｐゴシック";
    std::int32_t GPT2S = 14;
    std::int32_t GPT2B = 0;
    std::int32_t GPT2I = 0;
    std::string GPASN = "ＭＳ Ｐゴシック";
    std::int32_t GPASS = 14;
    std::int32_t GPASI = 0;
    std::int32_t GPASB = 0;
    std::string GPBSN = "ＭＳ Ｐゴシック";
    std::int32_t GPBSS = 12;
    std::int32_t GPBSI = 0;
    std::int32_t GPBSB = 0;
    std::string GPOTN = "ＭＳ Ｐゴシック";
    std::int32_t GPOTI = 0;
    std::int32_t GPOTB = 0;
    // Cassette label options and fields.
    std::int32_t GPCH1 = 0;  // title and artist on separate lines
    std::int32_t GPCH2 = 0;  // print track numbers
    std::int32_t GPCH3 = 0;  // print playing times
    std::int32_t GPCH4 = 0;  // title and artist centred
    std::int32_t GPLEF = 0;  // left margin, mm
    std::int32_t GPTOP = 0;  // top margin, mm
    std::string GPSTR = "STEREO";
    std::string GPTYP = "NORMAL";
    std::string GPNR = "OFF";  // key "GPNR " (with a trailing blank)
    std::int32_t GPSIZ = 60;   // tape length, minutes
    std::int32_t AUTOX = 0;    // automatic play at disc load
    std::int32_t SOUND = 0;    // play the button sound cues

    bool operator==(const Settings&) const = default;
};

// What reading found besides the settings themselves. The positions are the GMNSN (full
// layout) and GMNSR (reduced layout) values, in twips; they keep these defaults when the
// lines are missing. The caller applies them only when HOZON is 1.
struct SettingsReadResult {
    bool opened = false;
    int layoutFlag = -1;  // first digit of the GMNSN/GMNSR line read last; -1: no such line
    int fullLeft = 1350, fullTop = 585, reducedLeft = 0, reducedTop = 1125;
};

// Applies every recognised line of the file at `path` to `s`, which holds the defaults (or
// earlier values) on entry. Keys are the first five characters, compared case-sensitively;
// values come from fixed character slices from the seventh character, parsed leniently.
// The window keys KASIT … SASIW apply only while s.HOZON already holds 1 when their line is
// read. Each VOLUM (channel 0) and VOLU2 (channel 1) line calls `onVolumeLine` in file
// order with the level read (the caller applies its volume step). When the file has no CKAS4
// line, CKAS4 := CKAS2 at the end.
// When the file cannot be opened: opened = false and `s` is untouched.
SettingsReadResult readSettings(
    const std::string& path, Settings& s,
    const std::function<void(int channel, std::int32_t level)>& onVolumeLine);

// The values of the start-up path for a settings file that cannot be opened.
void applySettingsFallback(Settings& s);

// The file's lines in their fixed order. `layoutFlag` is the current layout (1 reduced,
// 0 full), the positions are the main window's positions in twips, `volum`/`volu2` the two
// channel levels.
std::vector<std::string> settingsLines(const Settings& s, int layoutFlag, int fullLeft, int fullTop,
                                       int reducedLeft, int reducedTop, std::int32_t volum,
                                       std::int32_t volu2);

// Writes settingsLines to `path` safely (the old file survives any failure). False on failure.
bool saveSettings(const std::string& path, const Settings& s, int layoutFlag, int fullLeft,
                  int fullTop, int reducedLeft, int reducedTop, std::int32_t volum,
                  std::int32_t volu2);

struct AppState;
// Writes the settings file (IniPath) from the shared state: the settings, the layout flag, both
// window positions and both channel levels. False, old file untouched, when it cannot be
// written.
bool SaveSettings(const AppState& s);

}  // namespace lirafok
