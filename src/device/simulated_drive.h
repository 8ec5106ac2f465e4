#pragma once
// A CD drive on the virtual clock. Discs, the door and device errors are scripted (scenario
// files and tests); the position advances with the scheduler's clock only while playing, and
// a span stops by itself at its end, reporting through the span-end handler on time.
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/cd_audio_device.h"
#include "device/disc_graphics.h"
#include "ui/scheduler.h"

namespace lirafok::device {

class SimulatedDrive final : public CdAudioDevice {
public:
    SimulatedDrive(ui::Scheduler& scheduler, std::string name);
    ~SimulatedDrive() override;

    // --- scripting ---
    // A disc with these track lengths; track 1 starts at 2000 ms, each next one where the
    // previous ends. The disc length is the sum of the lengths unless `lengthOverride` is set.
    void insertDisc(const std::vector<std::int32_t>& trackLengths,
                    std::optional<std::int32_t> lengthOverride = std::nullopt);
    void insertEmptyDisc();  // a disc that reports 0 tracks
    // Titles the disc in the drive carries (CD-TEXT); a newly inserted disc carries none.
    void setDiscText(DiscText text) { m_text = std::move(text); }
    // CD+G graphics the disc in the drive carries (a newly inserted disc carries none).
    void setGraphics(std::shared_ptr<DiscGraphics> graphics) { m_graphics = std::move(graphics); }
    void removeDisc();  // door closed, no medium
    void openDoor();    // the disc is gone; mode 530
    void closeDoor();
    void setFailOpen(bool fail) { m_failOpen = fail; }
    // While playing, the position trails the clock by `ms` (as the heard position of a sound
    // server may trail the program's timers by a few milliseconds); 0 by default.
    void setPositionLag(std::int32_t ms) { m_lagMs = ms; }
    // Whether the drive can queue jumps (queueJump), as the real drives can; off by default, so
    // that list play turns on its status events as scripts describe it.
    void setCanJump(bool can) { m_canJump = can; }
    // The next command of this name ("Eject", "Close", "Play", ...; case-insensitive) fails.
    // Each call arms one failure: two calls fail the next two such commands.
    void failNext(const std::string& command);

    // --- observation ---
    // The span of the last play: from, to (-1 when it was asked to play to the disc end).
    std::optional<std::pair<std::int32_t, std::int32_t>> lastPlay() const { return m_lastPlay; }
    std::uint32_t volumeWord() const { return m_volumeWord; }
    bool volumeSent() const { return m_volumeSent; }
    bool silent() const { return m_silent; }
    // A disc with this many tracks is in and the door is closed.
    bool discIn() const { return m_hasDisc && !m_doorOpen; }
    int trackCount() const { return static_cast<int>(m_tracks.size()); }
    // Failures armed by failNext and not yet used.
    std::size_t armedFailures() const { return m_failNext.size(); }
    bool failsOpen() const { return m_failOpen; }

    // --- CdAudioDevice ---
    std::string name() const override { return m_name; }
    int open() override;
    int close() override;
    bool isOpen() const override { return m_open; }
    bool mediaPresent() override;
    std::vector<TrackInfo> tracks() override;
    std::int32_t discStartMs() override;
    std::int32_t discLengthMs() override;
    DiscText discText() override { return m_hasDisc && !m_doorOpen ? m_text : DiscText{}; }
    std::shared_ptr<DiscGraphics> graphics() override {
        return m_hasDisc && !m_doorOpen ? m_graphics : nullptr;
    }
    DeviceMode mode() override;
    std::int32_t positionMs() override;
    int play(std::int32_t fromMs, std::int32_t toMs, SpanEndHandler onEnd) override;
    int queueJump(std::int32_t atMs, std::int32_t fromMs, std::int32_t toMs,
                  bool everyPass) override;
    std::uint64_t jumpsHeard() override {
        settle();
        return m_jumpsHeard;
    }
    int seek(std::int32_t ms) override;
    int stop() override;
    int pause() override;
    int resume() override;
    int eject() override;
    // The tempo sets how fast the position moves on with the virtual clock (disc time).
    // failNext("KeyTempo") makes the next change of key or tempo fail as a stretcher that
    // cannot be made does: the disc's own key and tempo play on, and takeKeyTempoError says why.
    int setKeyTempo(const KeyTempo& settings) override;
    std::string takeKeyTempoError() override { return std::exchange(m_keyTempoError, {}); }
    const KeyTempo& keyTempo() const { return m_keyTempo; }
    // Puts the disc the last eject took out back in (as a tray closing on it).
    int closeTray() override;
    void setSilent(bool silent) override { m_silent = silent; }
    void setVolumeWord(std::uint32_t word) override {
        m_volumeWord = word;
        m_volumeSent = true;
    }

private:
    enum class State { Stopped, Playing, Paused };
    bool failing(const std::string& command);
    int ready(const std::string& command);
    void settle();  // applies a jump or a span end that is due
    void endSpan(SpanEnd why);
    void armEnd();
    std::int32_t discEnd() const;

    ui::Scheduler& m_scheduler;
    std::string m_name;
    bool m_open = false;
    bool m_doorOpen = false;
    bool m_hasDisc = false;
    std::vector<TrackInfo> m_tracks;
    std::int32_t m_length = 0;
    struct Ejected {
        std::vector<TrackInfo> tracks;
        std::int32_t length = 0;
        DiscText text;
    };
    std::optional<Ejected> m_ejected;
    KeyTempo m_keyTempo;
    std::string m_keyTempoError;
    // Disc milliseconds played since m_startedAt at the tempo.
    std::int64_t discElapsed() const;  // what eject() took out, until another disc goes in
    DiscText m_text;
    std::shared_ptr<DiscGraphics> m_graphics;
    bool m_failOpen = false;
    std::int32_t m_lagMs = 0;
    std::multiset<std::string> m_failNext;

    State m_state = State::Stopped;
    std::int32_t m_position = 0;  // when not playing
    std::int32_t m_spanFrom = 0;  // playing: position at m_startedAt
    std::int32_t m_spanTo = 0;
    std::int64_t m_startedAt = 0;
    SpanEndHandler m_onEnd;
    ui::TaskId m_endTask = 0;  // at the span's end, or at a queued jump
    struct Jump {
        std::int32_t at = 0, from = 0, to = 0;
        bool everyPass = false;
    };
    std::optional<Jump> m_jump;
    bool m_canJump = false;
    std::uint64_t m_jumpsHeard = 0;

    std::optional<std::pair<std::int32_t, std::int32_t>> m_lastPlay;
    std::uint32_t m_volumeWord = 0;
    bool m_volumeSent = false;
    bool m_silent = false;
};

}  // namespace lirafok::device
