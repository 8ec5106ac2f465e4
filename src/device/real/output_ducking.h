#pragma once
// Keeps a sound cue and the music from clipping together. Both play on their own streams of
// the sound server, which adds them; a disc mastered to full scale leaves no room for a cue.
// So a cue is made no louder than kCuePeak of full scale when it is decoded, and while a cue
// is being heard every music output that has attached lowers its level to kMusicLevel of what
// the user set: the sum stays below full scale. The music comes back when the cue's last
// frame has been heard.
//
// One object for the process (the cue player and the CD-audio pipelines are made in different
// places and never know each other). Thread-safe. Listeners are called on the thread that
// starts or ends a cue, with the registry's lock held: they must only note the change and wake
// their own thread, never call back into this object. Each output then reports applied() once
// it has handed the new level to the sound server, so that a cue can wait for the music to be
// lowered before its own first frame is sent.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>

namespace lirafok::device::real {

class OutputDucking {
public:
    // Peak of a cue relative to full scale, and the music's level while a cue plays: together
    // 0.95 of full scale.
    static constexpr double kCuePeak = 0.45;
    static constexpr double kMusicLevel = 0.5;

    static OutputDucking& shared();

    // A music output: `changed(true)` when a cue starts, `changed(false)` when no cue is left.
    // Returns an id for detach(); the listener is called once at once with the present state.
    int attach(std::function<void(bool)> changed);
    void detach(int id);
    // An attached output has applied the state `ducked` (call without holding locks that a
    // listener takes). A report of a state that has changed since counts for nothing.
    void applied(int id, bool ducked);

    // A cue player: one call each when its sound starts and when it has been heard (or was
    // stopped). Nested cues from several players are counted.
    void cueStarted();
    void cueEnded();
    bool ducked();
    // Waits until every attached output has applied the present state, at most `limit`;
    // false when one had not by then.
    bool waitApplied(std::chrono::milliseconds limit);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::set<int> m_pending;  // outputs that have not applied the present state yet
    int m_cues = 0;
    int m_nextId = 1;
    std::map<int, std::function<void(bool)>> m_listeners;
};

}  // namespace lirafok::device::real
