#pragma once
// What every drive that plays through the PCM pipeline shares: the span, pause, seek and stop
// logic, the position, levels and mute, and what happens when the disc goes away. A back end
// only says how to find its disc, whether it is still there and how to eject it.
//
// Called on the window thread only. The transport calls never wait on the sound output: they
// hand their request to the pipeline's threads (see pcm_player.h) and read its state.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/audio_sink.h"
#include "device/cd_audio_device.h"
#include "device/real/audible_waker.h"
#include "device/real/disc_image.h"
#include "device/real/pcm_player.h"
#include "ui/scheduler.h"

namespace lirafok::device::real {

// Makes the sink for a drive's pipeline; called once, when the drive is first opened. May
// return nullptr (no sound output): the drive then plays through a SilentSink.
using SinkFactory = std::function<std::unique_ptr<AudioSink>()>;

class PcmDrive : public CdAudioDevice {
public:
    PcmDrive(ui::Scheduler& scheduler, SinkFactory makeSink);
    ~PcmDrive() override;

    int open() override;
    int close() override;
    bool isOpen() const override { return m_open; }
    bool mediaPresent() override;
    std::vector<TrackInfo> tracks() override;
    std::int32_t discStartMs() override;
    std::int32_t discLengthMs() override;
    DiscText discText() override;
    DiscToc discToc() override;
    std::shared_ptr<DiscGraphics> graphics() override;
    DeviceMode mode() override;
    std::int32_t positionMs() override;
    int play(std::int32_t fromMs, std::int32_t toMs, SpanEndHandler onEnd) override;
    // Loops sample-exact: the pipeline reads the loop's start before its end is heard.
    int playLoop(std::int32_t fromMs, std::int32_t loopFromMs, std::int32_t loopToMs) override;
    bool looping() override;
    // Sample-exact, like a loop's turn.
    int queueJump(std::int32_t atMs, std::int32_t fromMs, std::int32_t toMs,
                  bool everyPass) override;
    std::uint64_t jumpsHeard() override { return m_player ? m_player->jumpsHeard() : 0; }
    // Woken by the pipeline's heard position (see audible_waker.h).
    bool wakeWhenHeard(std::int32_t atMs, std::function<void()> onHeard) override;
    int seek(std::int32_t ms) override;
    int stop() override;
    int pause() override;
    int resume() override;
    int eject() override;
    void setSilent(bool silent) override;
    void setVolumeWord(std::uint32_t word) override;
    int setKeyTempo(const KeyTempo& settings) override;
    std::string takeKeyTempoError() override;

    // Why the last disc could not be read (diagnostics; empty when it could).
    const std::string& lastError() const { return m_error; }
    // False when the pipeline plays into a silent sink (no sound output).
    bool hasSound() const { return m_player && m_player->hasSound(); }
    bool outputLost() override { return m_player && m_player->outputLost(); }
    // The pipeline, for measurements; nullptr before the first open().
    PcmPlayer* player() { return m_player.get(); }

protected:
    // Reads the disc now in the drive. std::nullopt when there is none or it is unreadable
    // (`error` says why when there is something to say).
    virtual std::optional<DiscImage> loadDisc(std::string* error) = 0;
    // Cheap check, called often: the loaded disc (its image or files) is still there.
    virtual bool discStillThere() = 0;
    // The medium was exchanged since loadDisc() (a new image, a new CD).
    virtual bool mediumChanged() = 0;
    // The tray is open or the image was taken out.
    virtual bool doorOpen() = 0;
    // Opens the tray or takes the image out. Returns an error number.
    virtual int ejectMedium() = 0;

    // Forgets the loaded disc; when `lost`, mode() reports DoorOpen until close() or until a
    // new disc is loaded, so that the window resets to "no disc".
    void dropDisc(bool lost);
    bool hasDisc() const { return m_disc.has_value(); }
    ui::Scheduler& scheduler() { return m_scheduler; }

private:
    void stopSpan(SpanEnd why);
    void onSpanEnd(std::uint64_t span, SpanEnd why);
    void checkLoss();
    void heard(std::uint64_t asked);
    // Takes back what wakeWhenHeard() asked: a disc that goes away takes its moments with it.
    void forgetWake();
    // Disc frames heard per second at the present tempo.
    double heardSpeed() const;

    ui::Scheduler& m_scheduler;
    SinkFactory m_makeSink;
    std::unique_ptr<PcmPlayer> m_player;
    std::shared_ptr<PcmDrive*> m_alive;  // posted tasks hold a weak_ptr to it
    bool m_open = false;
    std::optional<DiscImage> m_disc;
    bool m_lost = false;
    std::string m_error;

    std::uint64_t m_span = 0;
    std::uint64_t m_loopSpan = 0;  // m_span when it was started by playLoop()
    SpanEndHandler m_onEnd;
    bool m_silent = false;
    std::uint32_t m_volumeWord = 0xFFFFFFFFu;
    KeyTempo m_keyTempo;
    // Made at the first wakeWhenHeard(); gone before the pipeline it reads.
    std::unique_ptr<AudibleWaker> m_waker;
    std::function<void()> m_onHeard;
    std::uint64_t m_heardAsked = 0;  // counts wakeWhenHeard() calls
};

}  // namespace lirafok::device::real
