#pragma once
// The player as the desktop sees it: what plays now and the transport, for media keys, the
// desktop's player widgets (MPRIS) and the main window's keyboard.
//
// Every call is made on the window thread and returns at once. A command acts exactly like
// the user's press of the matching control of the main window: the same guards, the same
// cues, the same refusals (the timing setter holding the player refuses them all).
#include <cstdint>
#include <string>

namespace lirafok {

enum class PlaybackState {
    NoDisc,   // no disc ready
    Stopped,  // a disc is ready, nothing plays
    Playing,  // a span plays
    Paused,   // paused by the user; play resumes
};

// What repeats, as the desktop names it.
enum class LoopMode {
    None,      // no repeat
    Track,     // the track (or an A-B stretch of it) repeats
    Playlist,  // the whole disc or list repeats
};

struct NowPlaying {
    PlaybackState state = PlaybackState::NoDisc;
    std::string discKey;  // identifies the disc ("" without one)
    int track = 0;        // track shown on the main window, 1..trackCount; 0 none
    int trackCount = 0;
    std::int32_t positionMs = 0;  // heard position inside the track, 0..lengthMs
    std::int32_t lengthMs = 0;    // length of the track
    std::string title;            // song name ("" when the disc has none)
    std::string artist;           // the song's artist, else the disc's
    std::string album;            // disc title, its two lines joined by a blank
    std::string lyricLine;        // the lyric line being sung, when timed lyrics follow it
    double volume = 0;            // 0..1, both channels' mean
    bool canControl = false;      // a disc is ready and the timing setter does not hold it
    bool canSeek = false;         // playing or paused inside a track
    bool canGoNext = false;
    bool canGoPrevious = false;
    LoopMode loop = LoopMode::None;  // the repeat mode the REP window set (on or armed)
    bool shuffle = false;            // random play is the mode
    int tempo = 100;                 // percent of the disc's own tempo (50..150)
};

class MediaTransport {
public:
    virtual ~MediaTransport() = default;

    virtual NowPlaying nowPlaying() = 0;

    // Play starts (or resumes) playing; while playing it does nothing.
    virtual void play() = 0;
    // Pause pauses while playing; otherwise it does nothing.
    virtual void pause() = 0;
    virtual void playPause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    // Moves to `ms` inside the current track (clamped to it) while playing or paused; the
    // lyrics follow at once. False, nothing done, otherwise.
    virtual bool seekInTrack(std::int32_t ms) = 0;
    // Both channels to `level` (0..1, in the steps of the main window's level spinners);
    // nothing while the level controls are switched off.
    virtual void setVolume(double level) = 0;
    // As the repeat window's buttons: Playlist repeats the whole disc, Track the track now
    // playing (only while playing), None ends every repeat.
    virtual void setLoop(LoopMode loop) = 0;
    // As RAN (on: random play from the next play, only while stopped) and NOR (off).
    virtual void setShuffle(bool on) = 0;
    // The tempo in percent, as the key/tempo window sets it: to the nearest 5 % step within
    // 50..150, without changing the key; remembered for the track shown.
    virtual void setTempo(int percent) = 0;
};

}  // namespace lirafok
