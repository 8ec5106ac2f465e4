#include "device/real/pcm_player.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "device/real/output_ducking.h"
#include "device/silent_sink.h"

namespace lirafok::device::real {

namespace {
// Frames read per source call while a span starts: four sectors (53 ms), so that its first
// audio is ready at once.
constexpr std::int64_t kReadFrames = 4 * 588;
// Once half a second is queued, sixteen sectors (213 ms) per call. In steady play every chunk
// costs a round of wakes (the reader, the writer, the sound server's connection), and those
// rounds are most of what playing costs.
constexpr std::int64_t kSteadyReadFrames = 16 * 588;
constexpr std::int64_t kSteadyFromFrames = 44100 / 2;
// The reader stays at most this far ahead of the writer (2 s): it reads again once a steady
// read fits in the queue.
constexpr std::int64_t kQueueFrames = 2 * 44100;
constexpr std::int64_t kRefillFrames = kQueueFrames - kSteadyReadFrames;
// When the sink is full the writer sleeps for half of what it holds, at least this long (half
// of the shortest sink buffer, 100 ms) and at most kWriterSleepMax, so the sink never runs dry
// while the writer of a sound server's half-second buffer wakes only a few times a second: every
// wake costs the server's connection a round of its own. Commands wake it at once.
constexpr auto kWriterSleep = std::chrono::milliseconds(50);
constexpr auto kWriterSleepMax = std::chrono::milliseconds(200);
// Until the sink is seen playing a new or resumed span, the writer looks more often, so that
// the position starts moving as soon as the first frame is heard.
constexpr auto kStartSleep = std::chrono::milliseconds(5);
// After the last frame, silence is written so that a sink that waits for a full buffer before
// starting (a sound server's prebuffering) still plays a short span to its end.
constexpr std::int64_t kMaxPadding = 44100;
constexpr std::int64_t kPaddingStep = 4410;
// A sink that never reports the end as heard is given up on after this long of playing (time
// spent paused does not count).
constexpr auto kDrainGiveUp = std::chrono::seconds(3);
// Between two reports the position moves on by the clock, but by no more than this (the
// writer's longest sleep and a margin): a sink that stops reporting (a stalled sound server)
// has most likely stopped playing too.
constexpr std::int64_t kMaxGuessFrames = 44100 * 3 / 10;
static_assert(kWriterSleepMax.count() * 44100 / 1000 < kMaxGuessFrames);

// The frames as the sink should get them: `in` itself when the sink applies the levels (or
// they are full), else a scaled copy in `scratch`. The high half of the level word drives the
// left channel, the low half the right one.
const std::int16_t* scaled(const std::int16_t* in, std::int64_t frames, std::uint32_t levels,
                           bool muted, bool sinkLevels, std::vector<std::int16_t>& scratch) {
    const std::int32_t left = muted ? 0 : static_cast<std::int32_t>(levels >> 16);
    const std::int32_t right = muted ? 0 : static_cast<std::int32_t>(levels & 0xFFFF);
    if (sinkLevels || (left == 0xFFFF && right == 0xFFFF)) return in;
    scratch.resize(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = 0; i < frames; ++i) {
        scratch[i * 2] = static_cast<std::int16_t>(in[i * 2] * left / 0xFFFF);
        scratch[i * 2 + 1] = static_cast<std::int16_t>(in[i * 2 + 1] * right / 0xFFFF);
    }
    return scratch.data();
}

// The level word with both halves lowered while a sound cue plays.
std::uint32_t duckedLevels(std::uint32_t levels, bool ducked) {
    if (!ducked) return levels;
    const auto lower = [](std::uint32_t level) {
        return static_cast<std::uint32_t>(level * OutputDucking::kMusicLevel);
    };
    return (lower(levels >> 16) << 16) | lower(levels & 0xFFFF);
}
}  // namespace

PcmPlayer::PcmPlayer(std::unique_ptr<AudioSink> sink, EndNotice notice, MonotonicClock now)
    : m_now(now ? std::move(now) : MonotonicClock(&Clock::now)),
      m_notice(std::move(notice)),
      m_sink(std::move(sink)) {
    m_duckingId = OutputDucking::shared().attach([this](bool ducked) { setDucked(ducked); });
    m_reader = std::thread([this] { readerLoop(); });
    m_writer = std::thread([this] { writerLoop(); });
}

PcmPlayer::~PcmPlayer() {
    OutputDucking::shared().detach(m_duckingId);
    {
        std::lock_guard lk(m_mutex);
        m_quit = true;
    }
    m_readerCv.notify_all();
    m_writerCv.notify_all();
    m_reader.join();
    m_writer.join();
}

bool PcmPlayer::openSink() {
    if (!m_sink || !m_sink->open()) {
        m_sink = std::make_unique<SilentSink>(kSinkSampleRate / 10, m_now);
        m_sink->open();
        m_hasSound = false;
    }
    return m_sink->setLevels(0xFFFF, 0xFFFF, false);
}

void PcmPlayer::clearLocked() {
    m_queue.clear();
    m_queuedFrames = 0;
    m_written = 0;
    m_readFailed = false;
    m_readDone = false;
    m_spanSettings = m_keyTempo;
}

std::uint64_t PcmPlayer::play(std::shared_ptr<PcmSource> source, std::int64_t first,
                              std::int64_t end) {
    return startSpan(std::move(source), first, end, -1);
}

std::uint64_t PcmPlayer::playLoop(std::shared_ptr<PcmSource> source, std::int64_t first,
                                  std::int64_t loopFrom, std::int64_t loopTo) {
    if (loopFrom >= loopTo) return play(std::move(source), first, loopTo);
    return startSpan(std::move(source), std::clamp<std::int64_t>(first, 0, loopTo - 1), loopTo,
                     loopFrom);
}

std::int64_t PcmPlayer::foldedLocked(std::int64_t unfolded) {
    std::size_t i = m_stretches.size();
    while (i > 1 && m_stretches[i - 1].unfolded > unfolded) --i;
    if (i == 0) return unfolded;
    if (i > 1) m_stretches.erase(m_stretches.begin(), m_stretches.begin() + (i - 1));
    const Stretch& at = m_stretches.front();
    m_jumpsHeard = at.jumps;
    return std::min(at.disc + (unfolded - at.unfolded), at.end);
}

void PcmPlayer::advanceReadLocked(std::int64_t frames) {
    m_readNext += frames;
    m_readUnfolded += frames;
    // The reader goes on at a jump's or a loop's first frame as soon as it has read the last
    // frame before it, so that the turn is queued well before it is heard.
    if (m_next && m_readNext >= m_next->at) {
        m_stretches.back().end = m_readNext;
        m_stretches.push_back(
            {m_readUnfolded, m_next->from, m_next->to, m_next->to, ++m_jumpsTaken});
        m_readNext = m_next->from;
        m_end = m_next->to;
        m_loopFrom = -1;
        if (!m_next->everyPass) m_next.reset();
    } else if (m_loopFrom >= 0 && m_readNext >= m_end) {
        m_stretches.push_back({m_readUnfolded, m_loopFrom, m_end, m_end, m_jumpsTaken});
        m_readNext = m_loopFrom;
    }
}

std::uint64_t PcmPlayer::startSpan(std::shared_ptr<PcmSource> source, std::int64_t first,
                                   std::int64_t end, std::int64_t loopFrom) {
    std::uint64_t span;
    {
        std::lock_guard lk(m_mutex);
        // Jumps the reader took for a span that is replaced before they were heard never count
        // as heard.
        if (m_active) positionLocked();
        m_jumpsTaken = m_jumpsHeard;
        span = ++m_span;
        m_loopFrom = loopFrom;
        clearLocked();
        m_paused = false;
        m_active = true;
        m_source = std::move(source);
        m_first = first;
        m_end = std::max(first, end);
        m_readNext = m_readUnfolded = first;
        m_shown = first;
        m_next.reset();
        m_stretches = {{first, first, m_end, m_end, m_jumpsTaken}};
    }
    m_readerCv.notify_all();
    m_writerCv.notify_all();
    return span;
}

std::uint64_t PcmPlayer::restartFromHeardLocked() {
    const std::int64_t position = positionLocked();
    // The stretch heard now goes on to its span's end, unless the reader left it by a queued
    // jump that the new reading must take again at the same frame.
    const Stretch heard = m_stretches.front();
    std::optional<Jump> next = m_next;
    if (m_stretches.size() > 1 && m_stretches[1].jumps > heard.jumps && !(next && next->everyPass))
        next = Jump{heard.end, m_stretches[1].disc, m_stretches[1].spanEnd, false};
    const std::uint64_t span = ++m_span;
    clearLocked();
    m_first = m_readNext = m_readUnfolded = m_shown = position;
    m_end = heard.spanEnd;
    m_next = next;
    m_jumpsTaken = heard.jumps;
    m_stretches = {{position, position, m_end, m_end, heard.jumps}};
    if (m_paused) m_pausedPosition = position;
    return span;
}

std::uint64_t PcmPlayer::queueJump(std::uint64_t span, std::int64_t at, std::int64_t from,
                                   std::int64_t to, bool everyPass) {
    std::uint64_t result;
    {
        std::lock_guard lk(m_mutex);
        if (!m_active || span != m_span || (from >= 0 && from >= to)) return 0;
        const std::int64_t heard = m_paused ? m_pausedPosition : positionLocked();
        const Stretch& now = m_stretches.front();
        // A jump the reader took and the listener has not heard yet.
        const bool taken = m_stretches.size() > 1 && m_stretches[1].jumps > now.jumps;
        if (from < 0) {
            // None: the span ends at its end.
            if (!m_next && !taken) return m_span;
            result = taken ? restartFromHeardLocked() : m_span;
            m_next.reset();
        } else {
            if (at < 0) at = now.spanEnd;
            if (at <= heard || at > now.spanEnd) return 0;
            // A jump taken at every pass must come back to its own frame.
            if (everyPass && !(from < at && at <= to)) return 0;
            const Jump jump{at, from, to, everyPass};
            // The same jump again changes nothing, taken or not.
            if (m_next && *m_next == jump) return m_span;
            if (taken && !everyPass && now.end == at && m_stretches[1].disc == from &&
                m_stretches[1].spanEnd == to)
                return m_span;
            // What the reader has read (or is reading) must not go past `at` in the stretch
            // heard.
            const bool readOn =
                m_stretches.size() > 1 || m_readDone || std::max(m_readNext, m_readingTo) > at;
            result = readOn ? restartFromHeardLocked() : m_span;
            // A restart may have put back an earlier jump the reader took: this one replaces it.
            m_next = jump;
        }
    }
    m_readerCv.notify_all();
    m_writerCv.notify_all();
    return result;
}

std::uint64_t PcmPlayer::jumpsHeard() {
    std::lock_guard lk(m_mutex);
    if (m_active && !m_paused) positionLocked();
    return m_jumpsHeard;
}

std::int64_t PcmPlayer::positionLocked() {
    if (!m_active) return m_idlePosition;
    if (m_paused) return m_pausedPosition;
    std::int64_t frame = m_first;
    if (m_heard.span == m_span) {
        frame = m_heard.frame;
        if (m_heard.moving) {
            const auto ns =
                std::chrono::duration_cast<std::chrono::nanoseconds>(m_now() - m_heard.at);
            const std::int64_t since = ns.count() * kSinkSampleRate / 1'000'000'000;
            // Output frames played since the report, as disc frames.
            frame += static_cast<std::int64_t>(std::llround(
                std::clamp<std::int64_t>(since, 0, std::min(m_heard.ahead, kMaxGuessFrames)) /
                m_heard.ratio));
        }
    }
    m_shown = std::max(m_shown, frame);
    return foldedLocked(m_shown);
}

std::int64_t PcmPlayer::stop() {
    std::int64_t position;
    {
        std::lock_guard lk(m_mutex);
        if (!m_active) return m_idlePosition;
        position = m_idlePosition = positionLocked();
        m_active = false;
        m_loopFrom = -1;
        m_next.reset();
        ++m_span;  // a reader still inside a read drops its chunk
        clearLocked();
        m_paused = false;
        m_source.reset();
    }
    m_writerCv.notify_all();  // the writer flushes the sink
    return position;
}

void PcmPlayer::setPosition(std::int64_t frame) {
    std::lock_guard lk(m_mutex);
    if (!m_active) m_idlePosition = frame;
}

void PcmPlayer::pause() {
    {
        std::lock_guard lk(m_mutex);
        if (!m_active || m_paused) return;
        m_pausedPosition = positionLocked();
        m_pausedAt = m_now();
        m_paused = true;
        m_heard.moving = false;  // after the resume, the clock runs again from a new report
    }
    m_writerCv.notify_all();
}

void PcmPlayer::resume() {
    {
        std::lock_guard lk(m_mutex);
        if (!m_active || !m_paused) return;
        if (m_drainSpan == m_span) m_drainStart += m_now() - m_pausedAt;
        m_paused = false;
    }
    m_writerCv.notify_all();
}

std::int64_t PcmPlayer::position() {
    std::lock_guard lk(m_mutex);
    return positionLocked();
}

PlayerState PcmPlayer::state() {
    std::lock_guard lk(m_mutex);
    if (!m_active) return PlayerState::Idle;
    return m_paused ? PlayerState::Paused : PlayerState::Playing;
}

std::int64_t PcmPlayer::writtenFrames() {
    std::lock_guard lk(m_mutex);
    return m_written;
}

std::uint64_t PcmPlayer::currentSpan() {
    std::lock_guard lk(m_mutex);
    return m_span;
}

void PcmPlayer::setLevels(std::uint16_t left, std::uint16_t right) {
    {
        std::lock_guard lk(m_mutex);
        m_levels = (std::uint32_t{left} << 16) | right;
        ++m_levelsVersion;
    }
    m_writerCv.notify_all();
}

std::uint64_t PcmPlayer::setKeyTempo(const KeyTempo& settings) {
    std::uint64_t span;
    {
        std::lock_guard lk(m_mutex);
        m_keyTempo = settings.clamped();
        if (!m_active || m_keyTempo == m_spanSettings) return m_span;
        // The span goes on from the frame heard now, read and stretched afresh.
        span = restartFromHeardLocked();
    }
    m_readerCv.notify_all();
    m_writerCv.notify_all();
    return span;
}

std::string PcmPlayer::takeKeyTempoError() {
    std::lock_guard lk(m_mutex);
    return std::exchange(m_keyTempoError, std::string());
}

void PcmPlayer::setStretcherFactory(StretcherFactory factory) {
    std::lock_guard lk(m_mutex);
    m_stretcherFactory = std::move(factory);
}

void PcmPlayer::setMuted(bool muted) {
    {
        std::lock_guard lk(m_mutex);
        m_muted = muted;
        ++m_levelsVersion;
    }
    m_writerCv.notify_all();
}

void PcmPlayer::setDucked(bool ducked) {
    {
        std::lock_guard lk(m_mutex);
        m_ducked = ducked;
        ++m_levelsVersion;
    }
    m_writerCv.notify_all();
}

void PcmPlayer::readerLoop() {
    std::unique_lock lk(m_mutex);
    while (!m_quit) {
        if (!m_active || m_readFailed || m_readDone || m_queuedFrames > kRefillFrames) {
            m_readerCv.wait(lk);
            continue;
        }
        const std::uint64_t span = m_span;
        const std::shared_ptr<PcmSource> source = m_source;
        const std::int64_t first = m_readNext;
        // A read stops at a queued jump's frame; the last read of a span that neither loops
        // nor jumps ends it (the stretcher then gives out what it holds).
        const std::int64_t end = m_next ? std::min(m_end, std::max(first, m_next->at)) : m_end;
        const std::int64_t n = std::min(
            m_queuedFrames < kSteadyFromFrames ? kReadFrames : kSteadyReadFrames, end - first);
        const bool fresh = span != m_readerSpan;
        const KeyTempo settings = m_spanSettings;
        const std::int64_t unfolded = m_readUnfolded;
        const bool last = m_loopFrom < 0 && !m_next && first + n >= end;
        // A last read ends the stretcher's input: a jump queued meanwhile comes too late for it.
        m_readingTo = last ? std::numeric_limits<std::int64_t>::max() : first + n;
        if (fresh) m_readerFactory = m_stretcherFactory;
        lk.unlock();
        std::string failure;
        if (fresh) {
            m_readerSpan = span;
            startStretch(settings, unfolded, failure);
        }
        Chunk chunk;
        chunk.samples.resize(static_cast<std::size_t>(n) * 2);
        chunk.frames = n;
        const bool ok = n == 0 || source->read(first, chunk.samples.data(), n);
        if (ok) chunk = transform(std::move(chunk), unfolded, last);
        lk.lock();
        m_readingTo = -1;
        if (!failure.empty() && span == m_span) {
            // No stretcher: the span plays at the disc's own key and tempo (its chunks say so
            // to the map), and says why.
            m_keyTempoError = failure;
            m_spanSettings.semitones = 0;
            m_spanSettings.tempo = 100;
        }
        if (span != m_span || !m_active) continue;  // superseded while reading
        if (!ok) {
            m_readFailed = true;
        } else {
            if (chunk.frames > 0) {
                m_queuedFrames += chunk.frames;
                m_queue.push_back(std::move(chunk));
            }
            advanceReadLocked(n);
            m_readDone = last;
        }
        // A writer with audio to write is not waiting for this read.
        if (m_writerStarved) m_writerCv.notify_all();
    }
}

void PcmPlayer::startStretch(const KeyTempo& settings, std::int64_t first, std::string& failure) {
    // The voice filter and the stretcher start again at the span's first frame. A stretcher
    // made once is kept and retuned: the library allocates its buffers only when it is made.
    m_voice.setMode(settings.voice);
    m_voice.reset();
    m_readerSettings = settings;
    if (!settings.stretches()) return;
    if (!m_stretcher) {
        m_stretcher = m_readerFactory ? m_readerFactory(settings, &failure)
                                      : Stretcher::create(settings, &failure);
        if (!m_stretcher && failure.empty())
            failure = "キーとテンポを変えるための処理を始められません";
    } else if (!(m_stretcher->settings() == settings)) {
        m_stretcher->retune(settings);
    }
    if (m_stretcher) m_stretcher->start(first);
}

PcmPlayer::Chunk PcmPlayer::transform(Chunk in, std::int64_t first, bool last) {
    if (m_readerSettings.voice != VoiceMode::Both) m_voice.process(in.samples.data(), in.frames);
    in.disc = first;
    if (!m_readerSettings.stretches() || !m_stretcher) return in;
    Chunk out;
    const std::int64_t firstOut = m_stretcher->outputFrames();
    m_stretcher->process(in.samples.data(), in.frames, out.samples);
    if (last) m_stretcher->finish(out.samples);
    out.frames = static_cast<std::int64_t>(out.samples.size() / 2);
    out.disc = m_stretcher->discFrameOf(firstOut);
    out.ratio = m_stretcher->ratio();
    return out;
}

void PcmPlayer::endSpan(std::unique_lock<std::mutex>& lk, SpanEnd why, std::int64_t position) {
    m_idlePosition = position;
    // The span ended in its last stretch read: every jump the reader took was heard.
    if (why == SpanEnd::Reached) m_jumpsHeard = m_stretches.back().jumps;
    m_active = false;
    m_paused = false;
    const std::uint64_t span = m_span;
    clearLocked();
    m_source.reset();
    lk.unlock();
    if (m_notice) m_notice(span, why);
    lk.lock();
}

void PcmPlayer::writerLoop() {
    const bool sinkLevels = openSink();
    // The sink's side, known to this thread only: which span's audio the sink holds (0: none),
    // whether it may hold anything a new span must not follow, whether it is paused, and the
    // frames of the span and the silence after it that it accepted.
    std::uint64_t sinkSpan = 0;
    bool sinkDirty = false;
    bool sinkPaused = false;
    std::uint64_t levelsSeen = ~std::uint64_t{0};
    std::int64_t written = 0;
    std::int64_t padding = 0;
    std::int64_t heardAtStart = -1;  // the first report since the sink started or resumed
    OutputMap map;                   // the span's frames given to the sink, to disc frames
    Chunk chunk;                     // taken from the queue, being written
    std::vector<std::int16_t> scratch;
    std::vector<std::int16_t> silence;

    std::unique_lock lk(m_mutex);
    while (!m_quit) {
        // Commands first, in the order the sink needs them: drop the old span's audio, set
        // the levels, then hold or release the output.
        const std::uint64_t target = m_active ? m_span : 0;
        const bool holdWanted = m_active && m_paused;
        if (target != sinkSpan || holdWanted != sinkPaused || levelsSeen != m_levelsVersion) {
            const bool flush = target != sinkSpan && sinkDirty;
            const bool levels = levelsSeen != m_levelsVersion && sinkLevels;
            const std::uint32_t word = duckedLevels(m_levels, m_ducked);
            const bool ducked = m_ducked;
            const bool muted = m_muted;
            const bool hold = holdWanted != sinkPaused;
            levelsSeen = m_levelsVersion;
            if (target != sinkSpan) {
                sinkSpan = target;
                written = padding = 0;
                chunk = {};
                map.clear();
            }
            sinkPaused = holdWanted;
            heardAtStart = -1;
            lk.unlock();
            if (flush) m_sink->flush();
            if (levels)
                m_sink->setLevels(static_cast<std::uint16_t>(word >> 16),
                                  static_cast<std::uint16_t>(word & 0xFFFF), muted);
            OutputDucking::shared().applied(m_duckingId, ducked);
            if (hold) holdWanted ? m_sink->pause() : m_sink->resume();
            lk.lock();
            if (flush) sinkDirty = false;
            continue;
        }
        if (!m_active || m_paused) {
            m_writerCv.wait(lk);
            continue;
        }

        // The sink plays the active span: offer it the next frames (the rest of the chunk in
        // one call instead of asking for room first: a sink on another thread makes every call
        // a round trip), or silence after the last one, then ask what it still buffers.
        const std::uint64_t span = m_span;
        if (chunk.taken >= chunk.frames && !m_queue.empty()) {
            chunk = std::move(m_queue.front());
            m_queue.pop_front();
            map.mark(written, chunk.disc, chunk.ratio);
        }
        bool draining = false;
        std::int64_t n = 0;
        if (chunk.taken < chunk.frames) {
            n = chunk.frames - chunk.taken;
        } else if (m_readFailed) {
            endSpan(lk, SpanEnd::Failed, positionLocked());
            continue;
        } else if (m_readDone) {
            draining = true;
            if (m_drainSpan != span) {
                m_drainSpan = span;
                m_drainStart = m_now();
            }
            n = std::min(kPaddingStep, kMaxPadding - padding);
        }
        const std::uint32_t word = duckedLevels(m_levels, m_ducked);
        const bool muted = m_muted;
        lk.unlock();
        std::int64_t took = 0;
        if (n > 0 && draining) {
            silence.assign(static_cast<std::size_t>(n) * 2, 0);
            took = m_sink->write(silence.data(), n);
        } else if (n > 0) {
            const std::int16_t* in = chunk.samples.data() + chunk.taken * 2;
            took = m_sink->write(scaled(in, n, word, muted, sinkLevels, scratch), n);
        }
        const std::int64_t buffered = m_sink->bufferedFrames();
        const bool lost = m_sink->lost();
        m_outputLost = lost;
        const Clock::time_point now = m_now();
        lk.lock();
        if (took > 0) sinkDirty = true;
        if (m_span != span || !m_active) continue;  // replaced or stopped: the sink is flushed next

        if (draining) {
            padding += took;
        } else if (took > 0) {
            chunk.taken += took;
            written += took;
            m_queuedFrames -= took;
            if (m_queuedFrames <= kRefillFrames) m_readerCv.notify_all();
        }
        m_written = written;
        const std::int64_t heard =
            std::clamp<std::int64_t>(written + padding - buffered, 0, written);
        if (heardAtStart < 0) heardAtStart = heard;
        // A report taken before a pause that came meanwhile must not set the clock running.
        // Output frames heard, as disc frames (the same at the disc's own tempo).
        const std::int64_t disc = written > 0 ? map.discFrameOf(heard) : m_first;
        // A lost output holds the position where the sound stopped, not where the clock is.
        // It counts on across jumps and loop turns; positionLocked() folds it back.
        m_heard = {span,        disc,
                   now,         written - heard,
                   map.ratio(), !m_paused && !lost && heard > heardAtStart};

        if (draining &&
            (padding >= buffered || (!m_paused && now - m_drainStart >= kDrainGiveUp))) {
            endSpan(lk, SpanEnd::Reached, m_end);
            continue;
        }
        if (!draining && n > 0 && took == n) continue;  // the sink may take more
        const auto halfBuffered = std::chrono::milliseconds(buffered * 1000 / 44100 / 2);
        const auto sleep = draining         ? std::chrono::milliseconds(2)
                           : m_heard.moving ? std::clamp<std::chrono::milliseconds>(
                                                  halfBuffered, kWriterSleep, kWriterSleepMax)
                                            : kStartSleep;
        // A command or the audio the writer ran out of may have come while the lock was
        // released (its notification then found nobody waiting): look before sleeping.
        const bool starved = !draining && n == 0;
        m_writerStarved = starved;
        m_writerCv.wait_for(lk, sleep, [&] {
            return m_quit || (m_active ? m_span : 0) != sinkSpan ||
                   (m_active && m_paused) != sinkPaused || levelsSeen != m_levelsVersion ||
                   (starved && (!m_queue.empty() || m_readFailed));
        });
        m_writerStarved = false;
    }
    lk.unlock();
    m_sink->close();
}

}  // namespace lirafok::device::real
