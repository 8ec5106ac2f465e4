#pragma once
// The CD-audio device behind the multimedia control.
//
// All positions and lengths are milliseconds on the disc's timeline, as the Windows CD-audio
// driver reports them: CD frames (1/75 s) converted as frames * 1000 / 75, rounded down, plus
// one. Track 1 of a pressed CD starts at 2001 ms (after the 2-second lead-in); a track's start
// is its first audio frame. Catalogues made on that platform are keyed by these figures.
//
// Threading: every method is called on the window thread and returns quickly (no call blocks
// for longer than it takes to read a table of contents or to open a file). A back end that
// plays on other threads reports the end of a span through the `SpanEndHandler`, which it
// must invoke on the window thread (through Scheduler::post).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/disc_toc.h"
#include "device/key_tempo_settings.h"

namespace lirafok::device {

class DiscGraphics;

// Device modes, with the values of the standard multimedia interface that the windows read.
enum class DeviceMode : int {
    NotReady = 524,  // no medium, drive spinning up, or device not open
    Stopped = 525,   // a disc is present and nothing plays
    Playing = 526,   // a span is playing
    Paused = 529,    // a span is paused; resume continues it
    DoorOpen = 530,  // tray open or image removed: no disc
};

// Error numbers returned by the device calls (0 = success). The first five select the named
// texts of the device error message; any other number is shown as "Unknown error (N).".
namespace errors {
inline constexpr int kNone = 0;
inline constexpr int kInvalidDeviceId = 257;      // the device id is not valid
inline constexpr int kDeviceNotOpen = 263;        // not open, or not a known device
inline constexpr int kCannotLoadDriver = 266;     // loading the driver / back end failed
inline constexpr int kUnsupportedFunction = 274;  // the action is not available for the device
inline constexpr int kDeviceNotReady = 276;       // no disc, door open, unreadable disc
inline constexpr int kInvalidFile = 296;          // the image or audio file cannot be used
inline constexpr int kHardware = 262;             // drive hardware or read error
inline constexpr int kOutOfRange = 277;           // a position outside the disc
}  // namespace errors

struct TrackInfo {
    std::int32_t startMs = 0;   // first audio frame of the track
    std::int32_t lengthMs = 0;  // up to the next track's start (last track: to the disc end)
};

// What CD-TEXT or the CUE sheet says about the disc, when it says anything.
struct DiscText {
    std::string title;                     // UTF-8
    std::string performer;                 // UTF-8
    std::vector<std::string> trackTitles;  // index 0 = track 1; may be shorter than the TOC
    std::vector<std::string> trackPerformers;
};

// Why a span stopped playing; reported once per play() call that was given notify = true.
enum class SpanEnd {
    Reached,     // the position reached `to` (or the disc end)
    Superseded,  // a new play() replaced the span
    Aborted,     // stop(), seek(), eject() or close() cut it short
    Failed,      // the drive or file failed while playing (read error, disc removed)
};
using SpanEndHandler = std::function<void(SpanEnd)>;

class CdAudioDevice {
public:
    virtual ~CdAudioDevice() = default;

    // Human-readable name of the drive ("Q:", "/dev/sr0", "仮想ドライブ").
    virtual std::string name() const = 0;

    // Opens the device. Does not need a disc. Returns 0 or an error number
    // (kCannotLoadDriver when the back end cannot work at all). Opening an open device is 0.
    [[nodiscard]] virtual int open() = 0;
    // Stops playback (a pending span ends as Aborted) and releases the device. Idempotent.
    [[nodiscard]] virtual int close() = 0;
    virtual bool isOpen() const = 0;

    // Refreshes the medium state (the drive may have been loaded or the image replaced) and
    // reports whether a readable disc is present. May read the table of contents.
    virtual bool mediaPresent() = 0;

    // Table of contents of the present disc; empty when there is none or it has no audio
    // tracks. Tracks are numbered from 1: tracks()[0] is track 1.
    virtual std::vector<TrackInfo> tracks() = 0;
    // Disc start (the first track's start) and length (from the disc start to one frame before
    // the lead-out): the total the drive reports, which keys the catalogue.
    virtual std::int32_t discStartMs() = 0;
    virtual std::int32_t discLengthMs() = 0;
    virtual DiscText discText() { return {}; }
    // The present disc's table in sectors, for the disc IDs of online databases; empty when
    // there is no disc. By default it is worked back from tracks(); a back end that reads the
    // real table (with its data tracks) gives that instead.
    virtual DiscToc discToc() {
        std::vector<std::int32_t> starts, lengths;
        for (const TrackInfo& t : tracks()) {
            starts.push_back(t.startMs);
            lengths.push_back(t.lengthMs);
        }
        return tocFromTrackTimes(starts, lengths);
    }
    // The CD+G graphics of the present disc (see disc_graphics.h); nullptr when the disc can
    // have none. The object stays valid after the disc changes (it reads the old disc's files).
    virtual std::shared_ptr<DiscGraphics> graphics() { return nullptr; }

    virtual DeviceMode mode() = 0;
    // The position the listener hears now (output latency accounted for).
    virtual std::int32_t positionMs() = 0;

    // Plays from `fromMs` up to `toMs` (exclusive; toMs < 0 means to the end of the disc) and
    // then stops by itself, leaving the position at `toMs`. Any span already playing ends as
    // Superseded. When `onEnd` is set it is called exactly once when this span stops.
    // Returns an error number; on error nothing plays and onEnd is not called.
    [[nodiscard]] virtual int play(std::int32_t fromMs, std::int32_t toMs,
                                   SpanEndHandler onEnd) = 0;
    // True while the sound output this device plays into has gone away (a sound server that
    // died or restarts): the position holds where the sound stopped, and the span goes on from
    // there by itself once an output is back.
    virtual bool outputLost() { return false; }
    // Plays from `fromMs` and then [loopFromMs, loopToMs) over and over (loopToMs < 0: to the
    // end of the disc), each turn without a gap, until another command. Such a span never ends
    // by itself and has no end handler; any span already playing ends as Superseded. The
    // position folds back at each turn. kUnsupportedFunction from a drive that cannot loop:
    // the caller then plays and turns by itself.
    [[nodiscard]] virtual int playLoop(std::int32_t fromMs, std::int32_t loopFromMs,
                                       std::int32_t loopToMs) {
        (void)fromMs, (void)loopFromMs, (void)loopToMs;
        return errors::kUnsupportedFunction;
    }
    // True while a span started by playLoop() plays or is paused.
    virtual bool looping() { return false; }
    // While a span started by play() plays or is paused: once `atMs` is reached (atMs < 0: the
    // span's end) the span goes on at `fromMs` up to `toMs` (toMs < 0: the end of the disc)
    // without a gap, as if play(fromMs, toMs) had been called at that moment with the same end
    // handler. `everyPass`: the jump stays and is taken each time the span comes to `atMs` again
    // (an A-B loop: fromMs < atMs <= toMs). Replaces a jump queued before and not yet heard (the
    // same jump again changes nothing); fromMs < 0 takes it back. Any command but pause and
    // resume drops it. kOutOfRange when `atMs` has been heard already or lies beyond the span;
    // kUnsupportedFunction from a drive that cannot jump: the caller then plays the next span
    // itself when this one ends.
    [[nodiscard]] virtual int queueJump(std::int32_t atMs, std::int32_t fromMs, std::int32_t toMs,
                                        bool everyPass) {
        (void)atMs, (void)fromMs, (void)toMs, (void)everyPass;
        return errors::kUnsupportedFunction;
    }
    // How many queued jumps have been heard since the device was made; it never goes back.
    virtual std::uint64_t jumpsHeard() { return 0; }
    // Calls `onHeard` once, later on the window thread (through the scheduler), when the
    // listener hears `atMs`: the sound's own position decides the moment, at any tempo. Replaces
    // what was asked before; an empty function takes it back. False from a device that cannot:
    // the caller then keeps time by its own clock.
    virtual bool wakeWhenHeard(std::int32_t atMs, std::function<void()> onHeard) {
        (void)atMs, (void)onHeard;
        return false;
    }
    // Stops and places the position at `ms` (mode Stopped). A playing span ends as Aborted.
    [[nodiscard]] virtual int seek(std::int32_t ms) = 0;
    // Stops playing; the position stays where it is. A playing span ends as Aborted.
    [[nodiscard]] virtual int stop() = 0;
    // Pauses a playing span; resume() continues it (same span, same `onEnd`).
    [[nodiscard]] virtual int pause() = 0;
    [[nodiscard]] virtual int resume() = 0;
    // Opens the tray / takes the image out. The disc is gone afterwards (mode DoorOpen).
    [[nodiscard]] virtual int eject() = 0;
    // Closes the tray / puts the ejected disc back in (the LOAD button). A drive without a
    // tray it can move does nothing. Returns an error number.
    [[nodiscard]] virtual int closeTray() { return 0; }

    // Key, tempo and voice for what plays from now on; a span in progress goes on from the
    // position heard now (its end notice still comes once). Positions stay disc time at any
    // tempo. kUnsupportedFunction from a drive that cannot change them.
    [[nodiscard]] virtual int setKeyTempo(const KeyTempo& settings) {
        (void)settings;
        return errors::kUnsupportedFunction;
    }
    // Why the settings asked for last could not be applied (the audio then plays at the disc's
    // own key and tempo), in Japanese; empty when they were. Reading it clears it.
    virtual std::string takeKeyTempoError() { return {}; }

    // Mute: silences the output without moving the position.
    virtual void setSilent(bool silent) = 0;
    // The channel-level word: the high 16 bits are the level of the left channel, the low
    // 16 bits the level of the right channel, 0 = silent, 65535 = full.
    virtual void setVolumeWord(std::uint32_t word) = 0;
};

}  // namespace lirafok::device
