#pragma once
// Every value the windows share, under the names the windows use. One instance per running
// program, owned by the App; windows reach it directly (single window thread, no locks).
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/font_list.h"
#include "core/settings_file.h"
#include "core/lyric_tables.h"

namespace lirafok {

inline constexpr int kMaxTracks = 100;
inline constexpr int kTrackSlots = 102;  // indexes 0..101, tracks use 1..TrackCount

// The repeat switch of the play modes (the values are those the windows have always used).
enum class RepeatSwitch : std::int32_t {
    Off = 0,    // no repeat
    On = 1,     // repeating
    Armed = 9,  // chosen while not playing: becomes On when play starts
};

// What a repeat repeats.
enum class RepeatMode : std::int16_t {
    None = 0,       // nothing chosen
    WholeDisc = 1,  // the whole disc, or the whole list in list play
    OneTrack = 2,   // the track that played when it was chosen
    AB = 3,         // from point A to point B
};

// What the main window's Timer1 does at its next tick.
enum class Timer1Phase : std::int16_t {
    Polling = 0,     // looks for a disc every 2000 ms
    PrevWindow = 1,  // ends the 3000 ms in which a second Prev goes back one more entry
    ScanStep = 2,    // moves the intro scan to the next track
};

struct WindowPos {
    std::int32_t left = 0;
    std::int32_t top = 0;
};
// Where the main window opens in its two layouts when no position is kept (twips).
inline constexpr WindowPos kFullLayoutHome{1350, 585};
inline constexpr WindowPos kReducedLayoutHome{0, 1125};
// The list-total cache's "nothing cached" keys.
inline constexpr std::int32_t kNoListTotalIndex = 999999;
inline constexpr std::int32_t kNoListTotalMode = 99999;

struct AppState : Settings {
    // --- program, paths, layout ---
    std::string AppDir;  // current directory at start-up, ending in "/"
    std::string IniPath;
    std::string HelpPath;
    std::int32_t ReducedLayout = 0;
    std::int32_t SkipPositionSave = 0;
    WindowPos FullPos = kFullLayoutHome;
    WindowPos ReducedPos = kReducedLayoutHome;
    std::array<std::string, 27> DriveNames;
    std::string DefaultDriveData;  // 4 raw bytes; first = index of the default drive

    // --- disc ---
    std::int32_t TrackCount = 0;
    std::array<std::int32_t, kTrackSlots> TrackStartMs{};
    std::array<std::int32_t, kTrackSlots> TrackLengthMs{};
    std::array<std::string, kTrackSlots> TrackTimeText;
    std::int32_t DiscStartMs = 0;
    std::int32_t DiscLengthMs = 0;
    std::string DiscKey;
    std::string LastCommand;

    // --- player ---
    std::int32_t CurrentPositionMs = 0;
    std::int32_t CurrentTrackStartMs = 0;
    std::int32_t CurrentTrackEndMs = 0;
    std::int32_t CurrentTrackLengthMs = 0;
    std::int32_t CurrentTrackIndex = 0;
    std::int32_t PausedByUser = 0;
    Timer1Phase TimerPhase = Timer1Phase::Polling;
    std::int32_t SliderSetByProgram = 0;
    std::int32_t SaverSuppressed = 0;
    std::int32_t ListTotalMs = 0;
    std::int32_t ListTotalKeyIndex = kNoListTotalIndex;  // PlayListIndex of the cached total
    std::int32_t ListTotalKeyMode = kNoListTotalMode;    // TOTLE of the cached total

    // --- play modes ---
    std::array<std::string, kTrackSlots> PlayList;  // entries 1..PlayListCount, track entry text
    std::int32_t PlayListCount = 0;
    std::int32_t PlayListIndex = -1;  // -1 none, 0 armed, n playing entry n
    std::int32_t ListPlay = 0;
    std::int32_t ProgramPlay = 0;
    std::int32_t ScanPlay = 0;
    RepeatSwitch RepeatOn = RepeatSwitch::Off;
    RepeatMode RepeatKind = RepeatMode::None;
    std::int32_t RepeatTrack = 0;
    std::int32_t RepeatStartMs = 0;
    std::int32_t RepeatEndMs = 0;
    std::int32_t RepeatStartEntry = 0;  // PlayListIndex when A was set
    std::int32_t RepeatEndEntry = 0;    // PlayListIndex when B was set
    std::int32_t RepeatEntryEndMs = 0;  // end of the track that held A
    // In list play, what the drive was asked to play on with, without a gap: the next entry
    // when the entry playing ends (the first again when the list repeats), a one-track repeat's
    // next turn, or an A-B repeat's turn at B. `jumpsBefore`: the drive's count of heard jumps
    // before it.
    enum class Follow : std::int16_t { Entry, TrackRepeat, ABRepeat };
    struct FollowingEntry {
        Follow kind = Follow::Entry;
        std::int32_t index = 0;  // PlayListIndex once it is heard
        std::int32_t track = 0;
        std::int32_t atMs = -1;  // where the play turns (-1: at its end)
        std::int32_t fromMs = 0, toMs = 0;
        bool everyPass = false;  // an A-B loop inside one entry: the drive turns every pass
        std::uint64_t jumpsBefore = 0;
        bool sameSpan(const FollowingEntry& o) const {
            return kind == o.kind && index == o.index && track == o.track && atMs == o.atMs &&
                   fromMs == o.fromMs && toMs == o.toMs && everyPass == o.everyPass;
        }
    };
    std::optional<FollowingEntry> QueuedEntry;
    // "SET" for a track the shuffle has drawn; while a tape side plays, entries 1..50 hold
    // the entries of the other side.
    std::array<std::string, kTrackSlots> PickedMark;
    // The program editor's unchosen tracks as they were when its program was started.
    std::array<std::string, kTrackSlots> ProgramRestList;
    std::string TapeSidePlaying;  // "A" or "B": the tape side handed to the player, else empty

    // --- volume ---
    std::array<std::int32_t, 3> VolumeLevel{51200, 51200, 0};
    std::uint32_t VolumeWord = 0;

    // --- timer play / stop ---
    std::int32_t TimerArmedState = 0;
    std::int32_t TimerArmedHour = 0;
    std::int32_t TimerArmedMinute = 0;
    std::int32_t TimerRemainingMs = 0;
    // The reserved time of the settings window's timer tab (kept between openings, never saved).
    std::int32_t TimerReservedHour = 0;
    std::int32_t TimerReservedMinute = 0;

    // --- catalogue ---
    std::string DiscTitle;
    std::string DiscArtist;
    std::int32_t DiscFontSet = 0;
    std::array<std::string, kTrackSlots> SongName;
    std::array<std::string, kTrackSlots> SongArtist;
    std::array<std::string, kTrackSlots> SongNumberText;
    std::int32_t HasSongArtists = 0;
    std::int32_t DiscUnregistered = 1;
    std::int32_t DataWindowOpen = 0;
    // 1 while the disc without a record shows the titles it carries itself (CD-TEXT, a CUE
    // sheet): it then gets the full layout's title, artist and song panels, not the compact one.
    std::int32_t DiscTextShown = 0;
    // 1 when the full layout was built compact (no record, no titles of its own), 0 when with
    // its panels, -1 before the first build.
    std::int32_t LayoutBuiltUnregistered = -1;

    // --- lyrics ---
    LyricTables Lyrics;  // LyricLines, LyricTimes, LyricPageFlags, LyricCount, AnyPageFlag
    std::string LyricsFilePath;
    std::string EditorLyricsPath;
    std::string SetterLyricsPath;
    std::int32_t LyricsOn = 0;
    std::int32_t LyricsTextFontSize = 12;  // the text box of the plain lyrics window
    std::int32_t LyricsLoadedTrack = 0;
    std::int32_t TimingsActive = 0;
    std::int32_t TextWindowShown = 0;
    std::int32_t PanelWindowShown = 0;
    std::int32_t NextLyricLine = 0;
    std::int32_t TopLyricLine = 0;
    std::int32_t VisibleLyricLines = 0;
    std::int32_t LitPanel = -1;
    std::int32_t RepaintAll = 0;
    std::int32_t PendingWait = 0;
    // The line the tick's last wait was aimed at (-1: none): a tick that finds it not quite
    // reached, as the heard position may trail the timer by a few milliseconds, aims again at
    // its exact time instead of waiting the full minimum.
    std::int32_t AimedLyricLine = -1;
    std::int32_t TimingSetterActive = 0;
    std::int32_t EditorActive = 0;
    std::int32_t EditorSavePending = 0;
    // The timing setter's holds on the player and its end-of-run flag.
    std::int32_t SetterHoldTransport = 0;
    std::int32_t SetterHoldStatus = 0;
    std::int32_t SetterRunFinished = 0;
    std::int32_t SetterFromData = 0;

    // --- fonts ---
    FontTable Fonts;
    std::int32_t CurrentFontSet = 0;

    // A repeat chosen while not playing starts with play.
    void startArmedRepeat() {
        if (RepeatOn == RepeatSwitch::Armed) RepeatOn = RepeatSwitch::On;
    }
    void clearRepeat() {
        RepeatOn = RepeatSwitch::Off;
        RepeatKind = RepeatMode::None;
    }
    // The repeat `mode` is on.
    bool repeating(RepeatMode mode) const {
        return RepeatOn == RepeatSwitch::On && RepeatKind == mode;
    }
    // A repeat of one track or of A-B is chosen (on or armed).
    bool loopChosen() const {
        return RepeatOn != RepeatSwitch::Off &&
               (RepeatKind == RepeatMode::OneTrack || RepeatKind == RepeatMode::AB);
    }
};

// List play: a random or private list, or a program, plays entry by entry.
inline bool listPlay(const AppState& s) {
    return s.ListPlay != 0 || s.ProgramPlay != 0;
}

}  // namespace lirafok
