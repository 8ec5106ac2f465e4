#include "device/real/pcm_drive.h"

namespace lirafok::device::real {

PcmDrive::PcmDrive(ui::Scheduler& scheduler, SinkFactory makeSink)
    : m_scheduler(scheduler),
      m_makeSink(std::move(makeSink)),
      m_alive(std::make_shared<PcmDrive*>(this)) {}

PcmDrive::~PcmDrive() {
    m_alive.reset();
    m_waker.reset();
    m_player.reset();
}

int PcmDrive::open() {
    if (m_open) return errors::kNone;
    if (!m_player) {
        std::weak_ptr<PcmDrive*> alive = m_alive;
        ui::Scheduler* scheduler = &m_scheduler;
        m_player = std::make_unique<PcmPlayer>(m_makeSink ? m_makeSink() : nullptr,
                                               [alive, scheduler](std::uint64_t span, SpanEnd why) {
                                                   scheduler->post([alive, span, why] {
                                                       if (auto self = alive.lock())
                                                           (*self)->onSpanEnd(span, why);
                                                   });
                                               });
        m_player->setLevels(static_cast<std::uint16_t>(m_volumeWord >> 16),
                            static_cast<std::uint16_t>(m_volumeWord & 0xFFFF));
        m_player->setMuted(m_silent);
        (void)m_player->setKeyTempo(m_keyTempo);
    }
    m_open = true;
    return errors::kNone;
}

int PcmDrive::close() {
    if (!m_open) return errors::kNone;
    stopSpan(SpanEnd::Aborted);
    forgetWake();
    m_disc.reset();
    m_lost = false;
    m_open = false;
    return errors::kNone;
}

void PcmDrive::dropDisc(bool lost) {
    stopSpan(lost ? SpanEnd::Failed : SpanEnd::Aborted);
    forgetWake();
    m_disc.reset();
    m_lost = lost;
}

void PcmDrive::checkLoss() {
    if (m_disc && !discStillThere()) dropDisc(true);
}

bool PcmDrive::mediaPresent() {
    if (!m_open) return false;
    if (m_disc) {
        if (!discStillThere()) {
            dropDisc(true);
        } else if (mediumChanged()) {
            dropDisc(false);
        } else {
            return true;
        }
    }
    if (doorOpen()) return false;
    std::string error;
    auto disc = loadDisc(&error);
    if (!disc || disc->toc.empty() || !disc->source) {
        m_error = error;
        return false;
    }
    m_error.clear();
    m_disc = std::move(disc);
    m_lost = false;
    m_player->setPosition(m_disc->toc.front().startSector * kFramesPerSector);
    return true;
}

std::vector<TrackInfo> PcmDrive::tracks() {
    return m_disc ? m_disc->tracksMs() : std::vector<TrackInfo>{};
}
std::int32_t PcmDrive::discStartMs() {
    return m_disc ? m_disc->startMs() : 0;
}
std::int32_t PcmDrive::discLengthMs() {
    // The total playing time as a CD-audio driver reports it; it keys the catalogue.
    return m_disc ? m_disc->lengthMs() : 0;
}
DiscText PcmDrive::discText() {
    return m_disc ? m_disc->text : DiscText{};
}
DiscToc PcmDrive::discToc() {
    DiscToc toc;
    if (!m_disc) return toc;
    for (const TocEntry& e : m_disc->toc) {
        toc.trackSectors.push_back(e.startSector);
        toc.audio.push_back(e.audio);
    }
    toc.leadOutSector = m_disc->leadOutSector;
    return toc;
}
std::shared_ptr<DiscGraphics> PcmDrive::graphics() {
    return m_disc ? m_disc->graphics : nullptr;
}

DeviceMode PcmDrive::mode() {
    if (!m_open) return DeviceMode::NotReady;
    checkLoss();
    if (m_lost || doorOpen()) return DeviceMode::DoorOpen;
    if (!m_disc) return DeviceMode::NotReady;
    switch (m_player->state()) {
        case PlayerState::Playing:
            return DeviceMode::Playing;
        case PlayerState::Paused:
            return DeviceMode::Paused;
        case PlayerState::Idle:
            break;
    }
    return DeviceMode::Stopped;
}

std::int32_t PcmDrive::positionMs() {
    if (!m_player || !m_disc) return 0;
    return frameToDiscMs(m_player->position());
}

int PcmDrive::play(std::int32_t fromMs, std::int32_t toMs, SpanEndHandler onEnd) {
    if (!m_open) return errors::kDeviceNotOpen;
    checkLoss();
    if (!m_disc) return errors::kDeviceNotReady;
    const std::int32_t end = m_disc->endMs();
    if (toMs < 0) toMs = end;
    if (fromMs < 0 || fromMs > end || toMs > end || toMs < fromMs) return errors::kOutOfRange;
    if (m_onEnd) {
        m_scheduler.post([h = std::move(m_onEnd)] { h(SpanEnd::Superseded); });
    }
    m_onEnd = std::move(onEnd);
    m_span = m_player->play(m_disc->source, discMsToFrame(fromMs), discMsToFrame(toMs));
    return errors::kNone;
}

int PcmDrive::playLoop(std::int32_t fromMs, std::int32_t loopFromMs, std::int32_t loopToMs) {
    if (!m_open) return errors::kDeviceNotOpen;
    checkLoss();
    if (!m_disc) return errors::kDeviceNotReady;
    const std::int32_t end = m_disc->endMs();
    if (loopToMs < 0) loopToMs = end;
    if (fromMs < 0 || loopFromMs < 0 || loopToMs > end || loopToMs <= loopFromMs ||
        fromMs >= loopToMs)
        return errors::kOutOfRange;
    if (m_onEnd) {
        m_scheduler.post([h = std::move(m_onEnd)] { h(SpanEnd::Superseded); });
        m_onEnd = nullptr;
    }
    m_span = m_player->playLoop(m_disc->source, discMsToFrame(fromMs), discMsToFrame(loopFromMs),
                                discMsToFrame(loopToMs));
    m_loopSpan = m_span;
    return errors::kNone;
}

int PcmDrive::queueJump(std::int32_t atMs, std::int32_t fromMs, std::int32_t toMs, bool everyPass) {
    if (!m_open) return errors::kDeviceNotOpen;
    checkLoss();
    if (!m_disc) return errors::kDeviceNotReady;
    const std::int32_t end = m_disc->endMs();
    if (toMs < 0) toMs = end;
    if (m_span == 0 || m_span == m_loopSpan || toMs > end || (fromMs >= 0 && fromMs >= toMs) ||
        atMs > end)
        return errors::kOutOfRange;
    const std::uint64_t span = m_player->queueJump(m_span, atMs < 0 ? -1 : discMsToFrame(atMs),
                                                   fromMs < 0 ? -1 : discMsToFrame(fromMs),
                                                   discMsToFrame(toMs), everyPass);
    if (span == 0) return errors::kOutOfRange;
    m_span = span;  // the same, or the span's new number when it is read afresh
    return errors::kNone;
}

bool PcmDrive::looping() {
    if (!m_player || m_span == 0 || m_span != m_loopSpan) return false;
    const DeviceMode now = mode();
    return now == DeviceMode::Playing || now == DeviceMode::Paused;
}

void PcmDrive::stopSpan(SpanEnd why) {
    if (!m_player) return;
    m_player->stop();
    m_span = 0;  // a notice already on its way for the old span is ignored
    if (m_onEnd) {
        m_scheduler.post([h = std::move(m_onEnd), why] { h(why); });
        m_onEnd = nullptr;
    }
}

void PcmDrive::onSpanEnd(std::uint64_t span, SpanEnd why) {
    if (span == 0 || span != m_span) return;
    m_span = 0;
    SpanEndHandler handler = std::move(m_onEnd);
    m_onEnd = nullptr;
    if (why == SpanEnd::Failed && m_disc && !discStillThere()) {
        m_disc.reset();
        m_lost = true;
    }
    if (handler) handler(why);
}

bool PcmDrive::wakeWhenHeard(std::int32_t atMs, std::function<void()> onHeard) {
    if (!m_open || !m_player || !m_disc) return false;
    if (!onHeard) {
        forgetWake();
        return true;
    }
    const std::uint64_t asked = ++m_heardAsked;
    m_onHeard = std::move(onHeard);
    if (!m_waker) {
        m_waker = std::make_unique<AudibleWaker>([player = m_player.get()] {
            return AudibleWaker::Heard{
                player->position(),
                player->state() == PlayerState::Playing && !player->outputLost()};
        });
        m_waker->setSpeed(heardSpeed());
    }
    std::weak_ptr<PcmDrive*> alive = m_alive;
    ui::Scheduler* scheduler = &m_scheduler;
    m_waker->wakeAt(discMsToFrame(atMs), [alive, scheduler, asked] {
        scheduler->post([alive, asked] {
            if (auto self = alive.lock()) (*self)->heard(asked);
        });
    });
    return true;
}

double PcmDrive::heardSpeed() const {
    return kSinkSampleRate * m_keyTempo.tempo / 100.0;
}

void PcmDrive::forgetWake() {
    ++m_heardAsked;
    m_onHeard = nullptr;
    if (m_waker) m_waker->wakeAt(0, nullptr);
}

void PcmDrive::heard(std::uint64_t asked) {
    if (asked != m_heardAsked || !m_onHeard) return;
    const std::function<void()> onHeard = std::move(m_onHeard);
    m_onHeard = nullptr;
    onHeard();
}

int PcmDrive::seek(std::int32_t ms) {
    if (!m_open) return errors::kDeviceNotOpen;
    checkLoss();
    if (!m_disc) return errors::kDeviceNotReady;
    if (ms < 0 || ms > m_disc->endMs()) return errors::kOutOfRange;
    stopSpan(SpanEnd::Aborted);
    m_player->setPosition(discMsToFrame(ms));
    return errors::kNone;
}

int PcmDrive::stop() {
    if (!m_open) return errors::kDeviceNotOpen;
    stopSpan(SpanEnd::Aborted);
    return errors::kNone;
}

int PcmDrive::pause() {
    if (!m_open) return errors::kDeviceNotOpen;
    m_player->pause();
    return errors::kNone;
}

int PcmDrive::resume() {
    if (!m_open) return errors::kDeviceNotOpen;
    checkLoss();
    if (!m_disc) return errors::kDeviceNotReady;
    m_player->resume();
    return errors::kNone;
}

int PcmDrive::eject() {
    if (!m_open) return errors::kDeviceNotOpen;
    stopSpan(SpanEnd::Aborted);
    const int rc = ejectMedium();
    if (rc == errors::kNone) {
        m_disc.reset();
        m_lost = false;
    }
    return rc;
}

void PcmDrive::setSilent(bool silent) {
    m_silent = silent;
    if (m_player) m_player->setMuted(silent);
}

int PcmDrive::setKeyTempo(const KeyTempo& settings) {
    m_keyTempo = settings.clamped();
    if (m_waker) m_waker->setSpeed(heardSpeed());
    if (!m_player) return errors::kNone;  // taken when the pipeline starts
    const std::uint64_t span = m_player->setKeyTempo(m_keyTempo);
    // A span in progress goes on under a new number: its end notice follows it, and a loop
    // stays a loop.
    if (m_span != 0 && m_loopSpan == m_span) m_loopSpan = span;
    if (m_span != 0) m_span = span;
    return errors::kNone;
}

std::string PcmDrive::takeKeyTempoError() {
    return m_player ? m_player->takeKeyTempoError() : std::string();
}

void PcmDrive::setVolumeWord(std::uint32_t word) {
    m_volumeWord = word;
    if (m_player) {
        m_player->setLevels(static_cast<std::uint16_t>(word >> 16),
                            static_cast<std::uint16_t>(word & 0xFFFF));
    }
}

}  // namespace lirafok::device::real
