#pragma once
// The PCM pipeline: a reader thread pulls the span from a PcmSource into a queue (about two
// seconds ahead, so a CD that spins up or a slow disk does not break the sound), and a writer
// thread applies the channel levels and mute and feeds the AudioSink as it makes room.
//
// A span crosses track and file boundaries without a gap: the source is read as one stream of
// disc frames. play(), stop() and pause() drop or hold what the sink buffers, so they are
// heard within a few tens of milliseconds (the sink's buffer is not waited for).
//
// Positions are disc frames (1/44100 s). The position is what the listener hears: frames
// written to the sink minus the frames the sink reports it still buffers.
//
// Threads. The caller's thread (the window thread) calls the public methods; they never wait
// on the source or the sink. They post what they ask for and read what the writer publishes,
// holding the player mutex for a few microseconds. The writer is the only thread that calls
// the sink (it opens it, writes, flushes, pauses, resumes, sets the levels and closes it), and
// it reports the heard position after each of its rounds; between two reports the position
// moves on by the clock, never past what the sink was given. The reader is the only thread
// that calls the source.
//
// Locks, and which may be taken while holding which:
//   1. m_mutex, the player mutex: guards every member marked "under m_mutex". A leaf: while
//      it is held no other lock is taken and neither the sink, nor the source, nor the end
//      notice is called (the condition variables are only notified).
//   2. The sink's locks, taken inside the sink's own calls, on the writer thread only, without
//      the player mutex: PulseSink takes the PulseAudio threaded main loop's lock (libpulse
//      holds the same lock while it runs the sink's callbacks on its own thread); a test sink
//      takes its own mutex. The main-loop lock is the innermost lock of the program: nothing
//      of ours is locked under it, and the sink's callbacks never reach the player.
//   3. The source's locks (a drive's reader), taken inside read() on the reader thread,
//      without the player mutex.
//   4. The scheduler's queue lock, taken when the end notice posts, without the player mutex.
// So the player mutex is never held together with any other lock, and the only nesting is
// within a sink (a test sink's mutex, then nothing).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/audio_sink.h"
#include "device/cd_audio_device.h"
#include "device/real/key_tempo.h"
#include "device/real/output_map.h"
#include "device/real/pcm_source.h"

namespace lirafok::device::real {

// What the pipeline is doing, read in one go.
enum class PlayerState {
    Idle,     // no span: never started, stopped or ended; the position stays where it was put
    Playing,  // a span plays (its first audio may still be on its way to the listener)
    Paused,   // a span is held with its buffered audio until resume()
};

class PcmPlayer {
public:
    // Called on the writer thread, without the player mutex, when a span ends by itself:
    // Reached once its last frame has been heard (the sink has played it, not merely accepted
    // it), Failed when the source failed. Not called for spans that stop() or play() cut short.
    using EndNotice = std::function<void(std::uint64_t span, SpanEnd why)>;

    // Takes `sink` and returns at once: the writer thread opens it (the caller never waits for
    // the output). When it is missing or cannot open, a SilentSink takes its place so that
    // playback still runs on time. `now`: the monotonic clock of the pipeline (the position
    // between two of the sink's reports, the give-up time of the final drain); empty means the
    // real one, tests share a fake one with their sink.
    PcmPlayer(std::unique_ptr<AudioSink> sink, EndNotice notice, MonotonicClock now = {});
    // Ends the threads and closes the sink; waits for a sink call in progress to return.
    ~PcmPlayer();
    PcmPlayer(const PcmPlayer&) = delete;
    PcmPlayer& operator=(const PcmPlayer&) = delete;

    // Plays frames [first, end) of `source`, replacing any span (its buffered audio is
    // dropped). Returns the new span's number (never 0).
    std::uint64_t play(std::shared_ptr<PcmSource> source, std::int64_t first, std::int64_t end);
    // Plays from `first` to `loopTo` and then frames [loopFrom, loopTo) over and over, until
    // stop() or another play: the frame heard after loopTo - 1 is loopFrom, sample-exact and
    // without a gap (the pipeline reads the loop's start before its end is heard). The
    // position folds back at each turn. `first` may lie before the loop, not past its end.
    std::uint64_t playLoop(std::shared_ptr<PcmSource> source, std::int64_t first,
                           std::int64_t loopFrom, std::int64_t loopTo);
    // For span `span`, playing: once frame `at - 1` has been heard, the frame heard next is
    // `from`, and the span goes on up to `to` (its new end, the end notice following it), with
    // no gap and sample-exact: the pipeline reads `from` before `at` is heard. `at` < 0: the
    // span's end. `everyPass`: the jump stays, taken each time the span comes to `at` again (an
    // A-B loop: from < at <= to); otherwise it is taken once. Replaces a jump queued earlier
    // and not yet heard (the same jump again changes nothing); `from` < 0 takes it back. A loop
    // ends at the jump. When the reader has already read past `at` (or taken the earlier jump)
    // the span goes on under a new number from the frame heard now, read afresh. Returns the
    // span's number (the new one, if so); 0 when nothing was queued: another span, idle, `at`
    // already heard or beyond the span's end, from >= to.
    std::uint64_t queueJump(std::uint64_t span, std::int64_t at, std::int64_t from, std::int64_t to,
                            bool everyPass = false);
    // How many queued jumps have been heard since the player was made: never goes back, so a
    // caller that queued one sees when the listener got there.
    std::uint64_t jumpsHeard();
    // Stops at once and returns the frame heard last; the position stays there.
    std::int64_t stop();
    // Places the position while nothing plays (after stop()).
    void setPosition(std::int64_t frame);
    // Holds the span and its buffered audio; resume() continues it. No-ops when idle. The
    // position freezes at the call; time spent paused does not count towards giving up on a
    // sink that never reports the span's end as heard.
    void pause();
    void resume();

    // The frame the listener hears now; while idle, where the last span stopped or ended.
    // Never steps back while a span plays.
    std::int64_t position();
    PlayerState state();
    // Frames of the current span accepted by the sink so far (for measurements).
    std::int64_t writtenFrames();

    // Channel levels, 0 = silent .. 65535 = unchanged. A sink that applies them itself (a sound
    // server's stream volume) gets them at once, queued audio included; otherwise they scale the
    // samples before the sink.
    void setLevels(std::uint16_t left, std::uint16_t right);
    void setMuted(bool muted);
    // False once the player fell back to the silent sink (true until the writer has tried the
    // sink).
    // Also false while the output is lost (the sound server went away mid-span: the position
    // holds until it is back, see AudioSink::lost()).
    bool hasSound() const { return m_hasSound && !m_outputLost; }
    bool outputLost() const { return m_outputLost; }
    // The span number of the last play() (0 before the first).
    std::uint64_t currentSpan();

    // Key, tempo and voice for what is played from now on. A span in progress goes on from
    // the frame heard now with the new settings, under a new span number, which is returned
    // (the caller's end notice follows it); otherwise the number stays. Positions stay disc
    // frames at any key and tempo: each chunk given to the sink carries the disc frame of its
    // first frame (the stretcher's delay already taken off) and its time ratio, and the frame
    // the sink says is heard is looked up in that map.
    std::uint64_t setKeyTempo(const KeyTempo& settings);
    // Why the last settings could not be applied (the stretcher could not be made: the audio
    // plays at the disc's own key and tempo). Empty when they were; reading it clears it.
    std::string takeKeyTempoError();
    // Replaces how the stretcher is made (tests simulate one that cannot be); takes effect at
    // the next span.
    void setStretcherFactory(StretcherFactory factory);

private:
    using Clock = std::chrono::steady_clock;
    struct Chunk {
        std::vector<std::int16_t> samples;
        std::int64_t frames = 0;
        std::int64_t taken = 0;  // frames already given to the sink
        std::int64_t disc = 0;   // the disc frame its first frame plays
        double ratio = 1;        // its output frames per disc frame
    };
    // The writer's last report on what the listener hears.
    struct Heard {
        std::uint64_t span = 0;  // the span it is about (0: none yet)
        std::int64_t frame = 0;  // the disc frame heard at `at`
        Clock::time_point at{};
        std::int64_t ahead = 0;  // frames given to the sink and not heard at `at`
        double ratio = 1;        // output frames per disc frame there
        bool moving = false;     // the sink was seen playing (heard advanced) since it last
                                 // started or resumed
    };

    // A stretch of the span as read: from `unfolded` on (the count of frames read, which runs
    // on across jumps and loop turns and is what the map and the stretcher see), the disc
    // frames from `disc` up to `end`, where the reader left it (the span's end, `spanEnd`,
    // unless a jump or a loop's turn came first).
    struct Stretch {
        std::int64_t unfolded = 0;
        std::int64_t disc = 0;
        std::int64_t end = 0;
        std::int64_t spanEnd = 0;
        std::uint64_t jumps = 0;  // queued jumps taken up to and including this stretch's start
    };
    struct Jump {
        std::int64_t at = 0, from = 0, to = 0;
        bool everyPass = false;
        bool operator==(const Jump&) const = default;
    };

    std::uint64_t startSpan(std::shared_ptr<PcmSource> source, std::int64_t first, std::int64_t end,
                            std::int64_t loopFrom);
    // Under the lock: the disc frame of an unfolded frame; the stretches before its own are
    // dropped (the position never steps back) and m_jumpsHeard follows it.
    std::int64_t foldedLocked(std::int64_t unfolded);
    // Under the lock: the span goes on from the frame heard now under a new number, read
    // afresh, with a jump that the reader took and the listener has not heard queued again.
    // Returns the new number.
    std::uint64_t restartFromHeardLocked();
    // Under the lock, on the reader thread: `frames` more of the span are queued.
    void advanceReadLocked(std::int64_t frames);
    void readerLoop();
    // On the reader thread, without the lock: the chunk of disc frames `in` as the listener
    // gets it (voice filter, stretcher). `first`: the disc frame of its first frame. `last`:
    // the span's final input, after which the stretcher gives out what it still holds.
    Chunk transform(Chunk in, std::int64_t first, bool last);
    // On the reader thread, at a span's first read: the voice filter and the stretcher for
    // `settings`, starting at disc frame `first`. Sets `failure` when no stretcher can be made.
    void startStretch(const KeyTempo& settings, std::int64_t first, std::string& failure);
    void writerLoop();
    // Opens the sink (or the silent stand-in) on the writer thread; true when the sink applies
    // the levels itself.
    bool openSink();
    // Under the lock: the audible frame of the active span, as shown.
    std::int64_t positionLocked();
    void clearLocked();
    // A sound cue started (true) or has been heard (false): the levels are lowered meanwhile.
    void setDucked(bool ducked);
    // Under the lock, on the writer thread: the span ended by itself. Releases the lock to tell.
    void endSpan(std::unique_lock<std::mutex>& lk, SpanEnd why, std::int64_t position);

    const MonotonicClock m_now;
    const EndNotice m_notice;
    std::unique_ptr<AudioSink> m_sink;  // writer thread only (and the destructor after it)
    std::atomic<bool> m_hasSound{true};
    std::atomic<bool> m_outputLost{false};

    std::mutex m_mutex;
    std::condition_variable m_readerCv;
    std::condition_variable m_writerCv;
    // Under m_mutex from here on.
    bool m_quit = false;
    std::uint64_t m_span = 0;
    bool m_active = false;
    bool m_paused = false;
    std::shared_ptr<PcmSource> m_source;
    std::int64_t m_first = 0;  // where the span (or its restart) began: disc = unfolded
    std::int64_t m_end = 0;
    std::int64_t m_loopFrom = -1;      // a loop's first frame (m_end its end); -1: no loop
    std::vector<Stretch> m_stretches;  // as read, the one heard first; the last ends at m_end
    std::optional<Jump> m_next;        // queued, not yet taken by the reader
    std::uint64_t m_jumpsTaken = 0;    // by the reader, for the player's life
    std::uint64_t m_jumpsHeard = 0;
    std::int64_t m_readNext = 0;      // the next disc frame to read
    std::int64_t m_readUnfolded = 0;  // its unfolded frame
    std::int64_t m_readingTo = -1;    // the end of the read in progress (-1: none)
    bool m_readFailed = false;
    std::deque<Chunk> m_queue;
    bool m_writerStarved = false;  // the writer sleeps until the reader queues audio
    std::int64_t m_queuedFrames = 0;  // read and not yet taken by the sink (the writer's chunk too)
    std::int64_t m_written = 0;       // frames of the span accepted by the sink
    std::int64_t m_idlePosition = 0;
    Heard m_heard;
    std::int64_t m_shown = 0;           // the highest position reported for the span (unfolded)
    std::int64_t m_pausedPosition = 0;  // what position() says while paused
    Clock::time_point m_pausedAt{};
    // The final drain: the span whose last frame is written, and when its drain started
    // (moved on by the time spent paused).
    std::uint64_t m_drainSpan = 0;
    Clock::time_point m_drainStart{};
    std::uint32_t m_levels = 0xFFFFFFFFu;
    bool m_muted = false;
    bool m_ducked = false;              // a sound cue plays: the levels are lowered
    std::uint64_t m_levelsVersion = 0;  // counts changes, so that the writer applies each once
    int m_duckingId = 0;
    KeyTempo m_keyTempo;      // wanted for the spans from now on
    KeyTempo m_spanSettings;  // what the current span plays with
    std::string m_keyTempoError;
    StretcherFactory m_stretcherFactory;  // empty: Stretcher::create
    // The span's last frame is read, and (when stretching) the stretcher's tail is queued.
    bool m_readDone = false;

    // The reader's own: the span its stretch state belongs to, the stretcher and the voice
    // filter.
    std::uint64_t m_readerSpan = 0;
    KeyTempo m_readerSettings;
    std::unique_ptr<Stretcher> m_stretcher;
    StretcherFactory m_readerFactory;
    VoiceFilter m_voice;

    std::thread m_reader;
    std::thread m_writer;
};

}  // namespace lirafok::device::real
