#pragma once
// The multimedia control: the property/command interface through which the main window drives
// the CD-audio device, with its transport buttons and events.
//
// Semantics the windows rely on:
// - `From`, `To`, `Wait` and `Notify` apply to the next command only and are then cleared.
// - A command has taken effect when setCommand() returns (back ends answer synchronously),
//   so `Wait` only matters for when Done is delivered: always later, through the scheduler.
// - `PLAY` with From/To plays that span and stops by itself at To. With Notify, Done arrives
//   with code 1 when To is reached, 2 when superseded by another play, 4 when cut short by
//   stop/seek/eject/close, 8 when the device failed. Other commands with Notify raise Done(1)
//   on success and Done(8) on failure.
// - StatusUpdate arrives every UpdateInterval ms in every mode; writing the interval restarts
//   the countdown; 0 stops the events.
// - "Eject" also works on a closed device: it opens it for the eject and closes it again.
// - The buttons raise their Click event first (which may cancel the action), act, then raise
//   their Completed event with the error number of the action (0 = success).
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <string>

#include "device/cd_audio_device.h"
#include "ui/control.h"
#include "ui/scheduler.h"
#include <memory>

namespace lirafok::device {

enum class TransportButton { Prev, Next, Play, Pause, Stop, Eject };

// The commands of the control.
enum class Command {
    Open,   // opens the device (needs no disc)
    Close,  // stops and releases the device
    Eject,  // opens the tray or takes the image out
    Stop,   // stops playing; the position stays
    Play,   // plays From..To (From: the position; To: the disc end)
    Seek,   // stops and places the position at To (or From, or the disc start)
    Pause,  // pauses a playing span, or resumes a paused one
    Next,   // the next track's start
    Prev,   // the current track's start, or the previous track's within 3 s of it
};

inline constexpr int kNotifySuccessful = 1;
inline constexpr int kNotifySuperseded = 2;
inline constexpr int kNotifyAborted = 4;
inline constexpr int kNotifyFailure = 8;

// The status interval doubles as the player's state marker: the value last written says what
// the status routine is in, and the routine reads it back.
enum class StatusMarker : int {
    Off = 0,         // no status events (no disc)
    Started = 1,     // play was just started: the next event sets Running
    InRepeat = 100,  // turning a repeat loop: events come quickly until it has turned
    Running = 1000,  // playing
    Idle = 3000,     // a disc is loaded and nothing plays
};

class MMControl : public ui::Control {
public:
    MMControl(ui::Form& form, ui::Scheduler& scheduler, std::string name);
    ~MMControl() override;

    // The device the control drives; may be replaced (drive change). Not owned.
    void setDevice(CdAudioDevice* device);
    CdAudioDevice* device() const { return m_device; }

    // --- properties ---
    DeviceMode Mode();  // NotReady when the device is not open
    std::int32_t Position();
    int Track() const { return m_track; }
    void setTrack(int t) { m_track = t; }
    std::int32_t TrackPosition();
    std::int32_t TrackLength();
    int Tracks();
    std::int32_t Start();
    std::int32_t Length();
    void setTimeFormat(int f) { m_timeFormat = f; }
    void setFrom(std::int32_t ms) { m_from = ms; }
    void setTo(std::int32_t ms) { m_to = ms; }
    void setWait(bool w) { m_wait = w; }
    void setNotify(bool n) { m_notify = n; }
    // For the next Play only: after From..., play [from, to) over and over (to < 0: to the disc
    // end), turned by the device itself without a gap. A device that cannot loop plays From..To
    // as usual and the caller turns the loop on its status events.
    void setLoop(std::int32_t from, std::int32_t to) { m_loop = std::make_pair(from, to); }
    // The loop the device plays now, as given to setLoop(); nullopt when it plays none.
    std::optional<std::pair<std::int32_t, std::int32_t>> Loop();
    // While the device plays the span of the last Play: once `atMs` is reached (atMs < 0: that
    // span's end) it goes on at [fromMs, toMs) without a gap, with the same notification at its
    // end; `everyPass`: taken each time the span comes to `atMs` again (an A-B loop); fromMs < 0
    // takes such a jump back. False when the device cannot (the caller then plays on when the
    // span ends) or the moment has passed. JumpsHeard() counts the jumps heard, for the
    // device's life.
    bool queueNext(std::int32_t atMs, std::int32_t fromMs, std::int32_t toMs,
                   bool everyPass = false);
    std::uint64_t JumpsHeard() { return m_device ? m_device->jumpsHeard() : 0; }
    // Calls `onHeard` on the window thread when the listener hears `atMs` (see
    // CdAudioDevice::wakeWhenHeard), never after this control is gone. False when the device
    // cannot.
    bool WakeWhenHeard(std::int32_t atMs, std::function<void()> onHeard);
    bool Silent() const { return m_silent; }
    void setSilent(bool s);
    int UpdateInterval() const { return m_updateInterval; }
    void setUpdateInterval(int ms);
    void setUpdateInterval(StatusMarker m) { setUpdateInterval(static_cast<int>(m)); }
    // The interval last written is the marker `m`.
    bool marks(StatusMarker m) const { return m_updateInterval == static_cast<int>(m); }
    // The two disc-ready indications: a disc is open and playable.
    bool CanPlay();
    bool CanEject();
    // Set whenever the device has just been closed; re-enables the buttons automatically.
    bool AutoEnable() const { return m_autoEnable; }
    void setAutoEnable(bool a) { m_autoEnable = a; }
    // Error number of the last command (0 = none).
    int Error() const { return m_error; }

    // Executes a command. Returns the error number (0 = success), also kept in Error().
    [[nodiscard]] int command(Command c);

    // The volume word sent to the device (kept for the device checks).
    void setVolumeWord(std::uint32_t word);

    // Whether a transport button can be pressed now (drawn enabled).
    bool buttonEnabled(TransportButton b);

    // A user pressed a transport button.
    void userButton(TransportButton b);

    // --- events (handled by the owning window) ---
    std::function<void(bool&cancel)> onPlayClick, onPauseClick, onStopClick, onNextClick,
        onPrevClick, onEjectClick;
    std::function<void(int error)> onPlayCompleted, onPauseCompleted, onStopCompleted,
        onNextCompleted, onPrevCompleted, onEjectCompleted;
    std::function<void()> onStopLostFocus;
    // After a button's press has been handled (acted on, or cancelled by its Click event).
    std::function<void()> onButtonDone;
    std::function<void()> onStatusUpdate;
    std::function<void(int notifyCode)> onDone;

    // Ends status events and pending notifications for good (window unloaded).
    void shutdown();

private:
    struct OneShot {
        std::optional<std::int32_t> from, to;
        bool wait = false, notify = false;
        std::optional<std::pair<std::int32_t, std::int32_t>> loop;
    };
    OneShot takeOneShot();
    int doPlay(const OneShot& o);
    int doSkip(bool next, const OneShot& o);
    int eject();
    TrackInfo trackInfo(int n);
    void postDone(int code);
    void statusTick();
    void rearmStatus();

    ui::Scheduler& m_scheduler;
    CdAudioDevice* m_device = nullptr;
    ui::TaskId m_statusTask = 0;
    unsigned m_statusGeneration = 0;
    int m_track = 1;
    int m_timeFormat = 0;
    std::optional<std::int32_t> m_from, m_to;
    bool m_wait = false, m_notify = false;
    std::optional<std::pair<std::int32_t, std::int32_t>> m_loop;        // for the next Play
    std::optional<std::pair<std::int32_t, std::int32_t>> m_deviceLoop;  // started by the last Play
    bool m_silent = false;
    int m_updateInterval = 0;
    bool m_autoEnable = true;
    int m_error = 0;
    std::uint32_t m_playGeneration = 0;
    bool m_dead = false;
    std::shared_ptr<bool> m_alive;
};

}  // namespace lirafok::device
