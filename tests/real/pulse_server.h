#pragma once
// A private PulseAudio server with a null sink named "lirafok_test", for tests and benchmarks
// that play through the real sound server and record what reached it from the sink's
// monitor. The server runs in a fresh runtime folder, so it never touches a desktop's server,
// and is stopped by its pid.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace lirafok::testing {

class PrivatePulseServer {
public:
    PrivatePulseServer() = default;
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;
    ~PrivatePulseServer() { stop(); }

    // Starts the server and points this process (XDG_RUNTIME_DIR) at it. False with a reason
    // when PulseAudio is missing or does not start.
    bool start(std::string* why) {
        char tmpl[] = "/tmp/lirafok-pulse-XXXXXX";
        if (!mkdtemp(tmpl)) return fail(why, "cannot make a runtime folder");
        m_runtime = tmpl;
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        unsetenv("PULSE_SERVER");
        const std::string cmd =
            "pulseaudio -D -n --exit-idle-time=-1 --realtime=false --high-priority=false"
            " --load=\"module-null-sink sink_name=lirafok_test\" --load=module-native-protocol-unix"
            " >" +
            m_runtime + "/log 2>&1";
        if (std::system(cmd.c_str()) != 0)
            return fail(why, "pulseaudio did not start (see " + m_runtime + "/log)");
        std::ifstream pidFile(m_runtime + "/pulse/pid");
        if (!(pidFile >> m_pid) || m_pid <= 0) return fail(why, "no pid file");
        // The null sink renders two seconds ahead whenever it falls idle, which would delay
        // every new stream by up to that much; a low-latency stream of silence keeps it
        // running at a real sound card's pace (silence adds nothing to what is recorded).
        const char* args[] = {"pacat",        "--raw",        "--format=s16le",
                              "--rate=44100", "--channels=2", "--latency-msec=10",
                              "/dev/zero",    nullptr};
        // Its output goes nowhere: a test process that dies without stopping it must not leave
        // it holding the test runner's pipes open.
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_keepAwake, "pacat", &quiet, nullptr, const_cast<char**>(args),
                         environ) != 0)
            m_keepAwake = -1;
        posix_spawn_file_actions_destroy(&quiet);
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        return true;
    }

    void stop() {
        if (m_pid > 0) ::kill(m_pid, SIGCONT);  // a test that stalled it may have failed
        if (m_keepAwake > 0) {
            ::kill(m_keepAwake, SIGTERM);
            ::waitpid(m_keepAwake, nullptr, 0);
            m_keepAwake = -1;
        }
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            for (int i = 0; i < 200 && ::kill(m_pid, 0) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            m_pid = -1;
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
        if (m_pid > 0) ::kill(m_pid, frozen ? SIGSTOP : SIGCONT);
    }

private:
    bool fail(std::string* why, const std::string& text) {
        if (why) *why = text;
        return false;
    }
    std::string m_runtime;
    pid_t m_pid = -1;
    pid_t m_keepAwake = -1;
};

// Records the null sink's monitor with parec (raw 44.1 kHz stereo s16le) into a file.
class MonitorRecorder {
public:
    explicit MonitorRecorder(std::string path) : m_path(std::move(path)) {}
    ~MonitorRecorder() { stop(); }

    bool start(int latencyMs = 10) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string latency = "--latency-msec=" + std::to_string(latencyMs);
        std::vector<std::string> args = {"parec",          "-d",           "lirafok_test.monitor",
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
    pid_t m_pid = -1;
};

}  // namespace lirafok::testing
