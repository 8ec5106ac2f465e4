#pragma once
// The sound benches run on both private sound servers in one run: `--server both` (the
// default) runs the bench again, once per server, each in a process of its own with
// LIRAFOK_TEST_SOUND_SERVER set, under a heading that names the server; `--server pulseaudio`
// or `--server pipewire` runs it on that one only. `--pw-quantum N`: PipeWire's graph runs
// cycles as short as N frames (the tests' server keeps 1024), as on a desktop where a
// low-latency client is playing. `--pw-rate HZ`: PipeWire's graph runs at that rate (the tests'
// server runs at the CD's 44.1 kHz), as a desktop's usually does at 48 kHz: the CD's audio is
// then resampled on its way, and a bench that matches the recording sample for sample finds
// nothing; the position bench measures by clicks then.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace lirafok::bench {

// -1: this process runs the bench itself (on the server its environment names). Otherwise the
// runs are done and this is the exit status (the first that failed, or 0).
inline int runPerServer(int argc, char** argv) {
    std::string which = "both";
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--server" && i + 1 < argc)
            which = argv[++i];
        else if (a == "--pw-quantum" && i + 1 < argc)
            setenv("LIRAFOK_TEST_PW_MIN_QUANTUM", argv[++i], 1);
        else if (a == "--pw-rate" && i + 1 < argc)
            setenv("LIRAFOK_TEST_PW_RATE", argv[++i], 1);
        else
            rest.push_back(a);
    }
    if (which == "pulseaudio" || which == "pipewire") {
        setenv("LIRAFOK_TEST_SOUND_SERVER", which.c_str(), 1);
        return -1;
    }
    int status = 0;
    for (const char* kind : {"pulseaudio", "pipewire"}) {
        const char* quantum = std::getenv("LIRAFOK_TEST_PW_MIN_QUANTUM");
        if (std::string(kind) == "pipewire" && quantum)
            std::printf("\n===== sound server: %s, cycles down to %s frames =====\n", kind,
                        quantum);
        else
            std::printf("\n===== sound server: %s =====\n", kind);
        std::fflush(stdout);
        std::vector<std::string> args = {argv[0], "--server", kind};
        args.insert(args.end(), rest.begin(), rest.end());
        std::vector<char*> argvChild;
        for (auto& a : args) argvChild.push_back(a.data());
        argvChild.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argvChild.data(), environ) != 0) {
            std::printf("cannot run the bench for %s\n", kind);
            status = status ? status : 1;
            continue;
        }
        int s = 0;
        ::waitpid(pid, &s, 0);
        if (!(WIFEXITED(s) && WEXITSTATUS(s) == 0) && status == 0) status = 1;
    }
    return status;
}

}  // namespace lirafok::bench
