#pragma once
// A private sound server with a null sink named "lirafok_test", for tests and benchmarks that
// play through the real sound server and record what reached it from the sink's monitor. The
// server is PulseAudio or PipeWire with its PulseAudio service (pipewire-pulse and
// wireplumber), chosen by LIRAFOK_TEST_SOUND_SERVER=pulseaudio|pipewire (PulseAudio when
// unset). It runs in a fresh runtime folder, so it never touches a desktop's server, and is
// stopped by its pids. PipeWire gets a session bus of its own (wireplumber asks for one) and
// runs its graph at 44.1 kHz, so the monitor holds exactly the samples played.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace lirafok::testing {

enum class SoundServerKind { PulseAudio, PipeWire };

// The kind LIRAFOK_TEST_SOUND_SERVER asks for.
inline SoundServerKind soundServerKindFromEnvironment() {
    const char* v = std::getenv("LIRAFOK_TEST_SOUND_SERVER");
    return v && std::strcmp(v, "pipewire") == 0 ? SoundServerKind::PipeWire
                                                : SoundServerKind::PulseAudio;
}

inline const char* soundServerName(SoundServerKind kind) {
    return kind == SoundServerKind::PipeWire ? "PipeWire" : "PulseAudio";
}

class PrivateSoundServer {
public:
    explicit PrivateSoundServer(SoundServerKind kind = soundServerKindFromEnvironment())
        : m_kind(kind) {}
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;
    ~PrivateSoundServer() { stop(); }

    SoundServerKind kind() const { return m_kind; }
    const char* name() const { return soundServerName(m_kind); }
    // The private PipeWire daemons now and then leave a graph cycle or two of a stream out,
    // with its audio queued well ahead; PulseAudio's output skips nothing.
    bool skipsCycles() const { return m_kind == SoundServerKind::PipeWire; }

    // Starts the server and points this process (XDG_RUNTIME_DIR) at it. False with a reason
    // when the server is missing or does not start.
    bool start(std::string* why) {
        char tmpl[] = "/tmp/lirafok-sound-XXXXXX";
        if (!mkdtemp(tmpl)) return fail(why, "cannot make a runtime folder");
        m_runtime = tmpl;
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        unsetenv("PULSE_SERVER");
        if (m_kind == SoundServerKind::PipeWire && !prepareSessionBus(why)) return false;
        return launch(why);
    }

    // Kills the server as a crash would (SIGKILL, nothing cleaned up); the runtime folder stays
    // for restart().
    void kill() {
        for (pid_t& pid : m_servers) {
            ::kill(pid, SIGCONT);
            ::kill(pid, SIGKILL);
            reap(pid);
        }
        m_servers.clear();
        stopKeepAwake();
    }

    // Starts the server again in the same runtime folder, null sink and all. `settle`: returns
    // once the null sink runs at its real pace (as start() does), not as soon as it answers.
    bool restart(std::string* why, bool settle = false) {
        kill();
        return launch(why, settle);
    }

    void stop() {
        for (pid_t pid : m_servers) ::kill(pid, SIGCONT);  // a test that stalled it may have failed
        stopKeepAwake();
        // The session service first, the graph last.
        for (auto it = m_servers.rbegin(); it != m_servers.rend(); ++it) {
            ::kill(*it, SIGTERM);
            reap(*it);
            ::kill(*it, SIGKILL);
            reap(*it);
        }
        m_servers.clear();
        if (m_bus > 0) {
            ::kill(m_bus, SIGTERM);
            reap(m_bus);
            m_bus = -1;
        }
        if (!m_runtime.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_runtime, ec);
            m_runtime.clear();
        }
    }

    const std::string& runtimeDir() const { return m_runtime; }
    // Stalls the server (SIGSTOP) or lets it go on (SIGCONT), as a busy or hung machine would.
    void freeze(bool frozen) {
        for (pid_t pid : m_servers) ::kill(pid, frozen ? SIGSTOP : SIGCONT);
    }

    // Adds a null sink `sink` (the streams stay where they are), kept running like the first
    // one. False when the server refuses.
    bool addSink(const std::string& sink) {
        if (!command("pactl load-module module-null-sink sink_name=" + sink +
                     " rate=44100 channels=2"))
            return false;
        startKeepAwake(sink);
        return true;
    }
    // Unloads the null sink `sink` (its streams move to another sink, or end when none is left).
    bool removeSink(const std::string& sink) {
        FILE* p = ::popen("pactl list short modules 2>/dev/null", "r");
        if (!p) return false;
        std::string index;
        char line[1024];
        while (std::fgets(line, sizeof line, p)) {
            const std::string l = line;
            if (l.find("module-null-sink") != std::string::npos &&
                l.find("sink_name=" + sink) != std::string::npos)
                index = l.substr(0, l.find_first_of(" \t"));
        }
        ::pclose(p);
        return !index.empty() && command("pactl unload-module " + index);
    }

private:
    // Waits (at most two seconds) until `pid` is gone: reaped when it is a child of this
    // process (the PipeWire daemons), or no longer there (PulseAudio runs as a daemon).
    static void reap(pid_t pid) {
        for (int i = 0; i < 400; ++i) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid || ::kill(pid, 0) != 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    static bool command(const std::string& cmd) {
        return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
    }

    bool fail(std::string* why, const std::string& text) {
        if (why) *why = text;
        return false;
    }

    // Spawns `args` with its output in `log` and `env` added to this process's environment.
    pid_t spawn(const std::vector<std::string>& args, const std::string& log,
                const std::vector<std::string>& env = {}) {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        posix_spawn_file_actions_adddup2(&files, 1, 2);
        std::vector<std::string> copy = args;
        std::vector<char*> argv;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envCopy = env;
        std::vector<char*> envp;
        for (auto& e : envCopy) envp.push_back(e.data());
        for (char** e = environ; *e; ++e) envp.push_back(*e);
        envp.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&files);
        return pid;
    }

    bool waitFor(const std::string& path, int ms) {
        for (int i = 0; i < ms / 10; ++i) {
            if (std::filesystem::exists(path)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::vector<std::string> pipeWireEnvironment() const {
        return {"XDG_CONFIG_HOME=" + m_runtime + "/config",
                "DBUS_SESSION_BUS_ADDRESS=unix:path=" + m_runtime + "/bus"};
    }

    // Copies a daemon's configuration into `dir` (which its XDG_CONFIG_HOME makes it read
    // instead) without the entry that loads the realtime module. Nothing when it is missing.
    static void withoutRealtime(const std::string& conf, const std::string& dir) {
        std::ifstream in(conf);
        if (!in) return;
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t name = text.find("name = libpipewire-module-rt");
        if (name == std::string::npos) return;
        const std::size_t open = text.rfind('{', name);
        std::size_t close = open;
        for (int depth = 0; close < text.size(); ++close) {
            if (text[close] == '{') ++depth;
            if (text[close] == '}' && --depth == 0) break;
        }
        if (open == std::string::npos || close >= text.size()) return;
        text.erase(open, close + 1 - open);
        std::filesystem::create_directories(dir);
        std::ofstream(dir + "/" + std::filesystem::path(conf).filename().string()) << text;
    }

    bool prepareSessionBus(std::string* why) {
        // The graph's clock at the CD's rate, so that nothing is resampled on its way to the
        // monitor. Its cycle is never shorter than a desktop's usual 1024 frames (23 ms): the
        // low-latency keep-awake stream and recorder would otherwise drive it at 128 frames
        // (2.9 ms), and these daemons, without realtime scheduling on a busy machine, then now
        // and then miss a cycle: every stream on the sink, any player's alike, loses that cycle
        // to silence.
        // A bench may ask for shorter cycles (LIRAFOK_TEST_PW_MIN_QUANTUM, in frames), as a
        // desktop's graph runs them for a low-latency client, or for another rate
        // (LIRAFOK_TEST_PW_RATE, in Hz), as a desktop's graph runs at 48 kHz, to measure what
        // they give.
        const char* asked = std::getenv("LIRAFOK_TEST_PW_MIN_QUANTUM");
        const int quantum = asked && std::atoi(asked) >= 32 ? std::atoi(asked) : 1024;
        const std::string conf = m_runtime + "/config/pipewire/pipewire.conf.d";
        std::filesystem::create_directories(conf);
        const char* rate = std::getenv("LIRAFOK_TEST_PW_RATE");
        const std::string hz = rate && std::atoi(rate) >= 8000 ? std::to_string(std::atoi(rate))
                                                               : std::string("44100");
        std::ofstream(conf + "/lirafok-test.conf")
            << "context.properties = {\n    default.clock.rate = " << hz
            << "\n    default.clock.allowed-rates = [ " << hz
            << " ]\n    default.clock.min-quantum = " << quantum << "\n}\n";
        // Ordinary scheduling, as the PulseAudio server gets (--realtime=false): run as root,
        // the daemons would make their data threads realtime, and on a two-core virtual
        // machine they then left a stream's cycle out in most runs of the 200-command test,
        // far more often than without.
        withoutRealtime("/usr/share/pipewire/pipewire.conf", m_runtime + "/config/pipewire");
        withoutRealtime("/usr/share/pipewire/pipewire-pulse.conf", m_runtime + "/config/pipewire");
        withoutRealtime("/usr/share/wireplumber/wireplumber.conf",
                        m_runtime + "/config/wireplumber");
        m_bus = spawn({"dbus-daemon", "--session", "--nofork", "--nosyslog",
                       "--address=unix:path=" + m_runtime + "/bus"},
                      m_runtime + "/dbus.log");
        if (m_bus <= 0 || !waitFor(m_runtime + "/bus", 5000))
            return fail(why, "dbus-daemon did not start (see " + m_runtime + "/dbus.log)");
        return true;
    }

    // `settle`: waits until a new null sink runs at its real pace (a first start).
    bool launch(std::string* why, bool settle = true) {
        if (m_kind == SoundServerKind::PulseAudio) {
            const std::string cmd =
                "pulseaudio -D -n --exit-idle-time=-1 --realtime=false --high-priority=false"
                " --load=\"module-null-sink sink_name=lirafok_test\""
                " --load=module-native-protocol-unix >>" +
                m_runtime + "/log 2>&1";
            if (std::system(cmd.c_str()) != 0)
                return fail(why, "pulseaudio did not start (see " + m_runtime + "/log)");
            std::ifstream pidFile(m_runtime + "/pulse/pid");
            pid_t pid = -1;
            if (!(pidFile >> pid) || pid <= 0) return fail(why, "no pid file");
            m_servers = {pid};
        } else {
            const auto env = pipeWireEnvironment();
            // A killed server leaves its sockets behind: waiting for them would not wait for
            // the new graph, and a session manager started before it listens gives up.
            std::filesystem::remove(m_runtime + "/pulse/native");
            std::filesystem::remove(m_runtime + "/pipewire-0");
            std::filesystem::remove(m_runtime + "/pipewire-0-manager");
            const pid_t graph = spawn({"pipewire"}, m_runtime + "/pipewire.log", env);
            if (graph <= 0) return fail(why, "pipewire is not installed");
            m_servers = {graph};
            if (!waitFor(m_runtime + "/pipewire-0", 5000))
                return fail(why, "pipewire did not start (see " + m_runtime + "/pipewire.log)");
            m_servers.push_back(spawn({"wireplumber"}, m_runtime + "/wireplumber.log", env));
            m_servers.push_back(spawn({"pipewire-pulse"}, m_runtime + "/pipewire-pulse.log", env));
            if (m_servers[1] <= 0 || m_servers[2] <= 0)
                return fail(why, "wireplumber or pipewire-pulse is not installed");
            if (!waitFor(m_runtime + "/pulse/native", 5000))
                return fail(
                    why, "pipewire-pulse did not start (see " + m_runtime + "/pipewire-pulse.log)");
            // The session manager links streams to the default sink; the null sink is made
            // once it is up.
            bool made = false;
            for (int i = 0; i < 50 && !made; ++i) {
                made = addSink("lirafok_test") && command("pactl set-default-sink lirafok_test");
                if (!made) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            if (!made) return fail(why, "no null sink on PipeWire");
        }
        startKeepAwake();
        if (settle) std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        return true;
    }

    void startKeepAwake(const std::string& sink = "lirafok_test") {
        // The null sink renders two seconds ahead whenever it falls idle, which would delay
        // every new stream by up to that much; a low-latency stream of silence keeps it
        // running at a real sound card's pace (silence adds nothing to what is recorded).
        // Its output goes nowhere: a test process that dies without stopping it must not leave
        // it holding the test runner's pipes open.
        const pid_t pid = spawn({"pacat", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                                 "--latency-msec=10", "--device=" + sink, "/dev/zero"},
                                "/dev/null");
        if (pid > 0) m_keepAwake.push_back(pid);
    }

    void stopKeepAwake() {
        for (pid_t pid : m_keepAwake) {
            ::kill(pid, SIGTERM);
            reap(pid);
        }
        m_keepAwake.clear();
    }

    SoundServerKind m_kind;
    std::string m_runtime;
    std::vector<pid_t> m_servers;  // PulseAudio; or pipewire, wireplumber, pipewire-pulse
    pid_t m_bus = -1;
    std::vector<pid_t> m_keepAwake;  // one per null sink
};

// Records a sink's monitor with parec (raw 44.1 kHz stereo s16le) into a file.
class MonitorRecorder {
public:
    explicit MonitorRecorder(std::string path, std::string sink = "lirafok_test")
        : m_path(std::move(path)), m_sink(std::move(sink)) {}
    ~MonitorRecorder() { stop(); }

    bool start(int latencyMs = 10) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string latency = "--latency-msec=" + std::to_string(latencyMs);
        std::vector<std::string> args = {"parec",          "-d",           m_sink + ".monitor",
                                         "--format=s16le", "--rate=44100", "--channels=2",
                                         "--raw",          latency};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawnp(&m_pid, "parec", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) m_pid = -1;
        return rc == 0;
    }

    // Starts recording and waits (at most five seconds) until the first frames arrive: the
    // monitor of a running null sink gives silence at least.
    bool startAndWait() {
        if (!start()) return false;
        for (int i = 0; i < 500; ++i) {
            std::error_code ec;
            if (std::filesystem::file_size(m_path, ec) > 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Stops parec and returns what it recorded (interleaved stereo).
    std::vector<std::int16_t> stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGINT);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
        std::ifstream in(m_path, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(samples.size() * 2),
                  reinterpret_cast<char*>(samples.data()));
        return samples;
    }

private:
    std::string m_path;
    std::string m_sink;
    pid_t m_pid = -1;
};

}  // namespace lirafok::testing
