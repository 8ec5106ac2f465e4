#pragma once
// One connection to the PulseAudio sound server (or PipeWire's PulseAudio service), shared by
// every stream of the program: the disc's music and the sound cues. libpulse runs its own
// thread (a threaded main loop); the streams lock it around every call.
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;

namespace lirafok::device::real {

class PulseConnection {
public:
    // Connects to the user's sound server and waits until the connection is ready, at most
    // `timeoutMs` (a local server answers within milliseconds; without one the attempt fails
    // at once). Never starts a server. nullptr when there is none; `error` then says why.
    static std::shared_ptr<PulseConnection> connect(const std::string& appName,
                                                    std::string* error = nullptr,
                                                    int timeoutMs = 2000);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // A fresh connection to the same server under the same name, for a stream whose server went
    // away and may be back (nullptr while it is not).
    std::shared_ptr<PulseConnection> again(int timeoutMs) const {
        return connect(m_appName, nullptr, timeoutMs);
    }

    // The server runs every stream of a device in graph cycles, as long as the lowest latency
    // any of them asks for (PipeWire's PulseAudio service), rather than filling a device buffer
    // of its own (PulseAudio). Known from connect() on; false when the server did not say.
    bool runsInCycles() const { return m_runsInCycles.load(); }

    pa_threaded_mainloop* mainloop() const { return m_loop; }
    pa_context* context() const { return m_context; }
    // The connection still works (the server did not go away). Takes the lock.
    bool alive();

    // Holds the main loop's lock (recursive in libpulse's sense: not to be nested on the same
    // thread; libpulse's own callbacks already run under it). The innermost lock of the
    // program: while it is held no other lock of ours is taken, so it may be taken under any
    // of them (see the lock order in pcm_player.h). Held only for local work, never while
    // waiting for the server.
    class Lock {
    public:
        explicit Lock(const PulseConnection& c);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* m_loop;
    };

private:
    PulseConnection() = default;

    // Asks which server this is and waits for the answer until `deadline`, as connect() does.
    void askServerKind(std::chrono::steady_clock::time_point deadline);

    std::string m_appName;
    std::atomic<bool> m_runsInCycles{false};  // set on libpulse's thread
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
};

}  // namespace lirafok::device::real
