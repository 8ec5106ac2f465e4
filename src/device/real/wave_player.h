#pragma once
// Plays short sound files (the ok and error cues) without blocking the caller: play() only
// hands the file name to the player's own thread, which decodes the file (once: decoded sounds
// are kept while the file is unchanged) and plays it through an AudioSink. A new sound replaces
// the one still playing, as the system's asynchronous sound call does: the sink's queue is
// flushed and the new sound written in its place, on the same output stream. Mono files play
// on both channels. A missing or undecodable file plays nothing. A cue is limited in level and
// lowers the music while it is heard (see OutputDucking), so that the two never clip together.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/audio_sink.h"

namespace lirafok::device::real {

class WavePlayer {
public:
    // `sink` is opened by the player's thread at once, so that the first cue does not wait for
    // the output; nullptr or a sink that cannot open makes every sound silent.
    explicit WavePlayer(std::unique_ptr<AudioSink> sink);
    ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // Starts `path` and returns at once (no file access on the caller's thread).
    void play(const std::string& path);
    // Stops the sound now.
    void stop();
    // True while a sound is asked for, being decoded or played (buffered data included).
    bool busy();
    // Sounds started since the player was made: files that decoded and were handed to the
    // sink (for diagnostics and tests).
    int started();

private:
    struct Sound {
        std::vector<std::int16_t> frames;               // interleaved stereo, silence-padded
        std::pair<std::int64_t, std::uintmax_t> stamp;  // the file's modification time and size
    };
    void loop();
    // Player thread, under the lock: tells the music outputs a cue is (no longer) heard.
    void setDucking(bool on);
    // On the player's thread, without the lock: the decoded file, or nullptr.
    std::shared_ptr<const Sound> load(const std::string& path);

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::unique_ptr<AudioSink> m_sink;
    bool m_sinkOpen = false;
    bool m_quit = false;
    std::string m_request;  // a file to start, empty when none
    bool m_stop = false;
    std::shared_ptr<const Sound> m_sound;  // what plays now
    std::int64_t m_next = 0;               // next frame of m_sound to write
    int m_started = 0;
    bool m_ducking = false;  // this player has told the music outputs to make room
    std::chrono::steady_clock::time_point m_heardBy{};  // the last written cue frame is heard
    std::chrono::steady_clock::time_point m_quietBy{};  // not before: the cue's length is over
    std::map<std::string, std::shared_ptr<const Sound>> m_cache;  // player thread only
    std::thread m_thread;
};

}  // namespace lirafok::device::real
