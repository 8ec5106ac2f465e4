// lirafok_crash_safety [TRIALS] [FOLDER] [--no-mount]: saves that survive a kill.
//
// A child process runs every kind of save of the program in a loop, each file alternating
// between two versions; the parent kills it with SIGKILL at a random moment, then checks that
// every file (and every backup the program keeps) is byte-equal to one of the versions it can
// legitimately hold. Afterwards each save runs once more with writes failing (a file-size
// limit of one byte stands in for a full disk) and once in a folder without write permission:
// every save must report failure and leave the old file byte for byte. Run as the superuser,
// it also mounts a 64 KiB tmpfs and fills it before each save: a real full disk.
//
// Prints trials, files lost or truncated, temporary files a kill left behind, and the failure
// checks; the exit status is 1 when any file was lost or a failed save was reported as done.
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "core/default_drive.h"
#include "core/font_list.h"
#include "core/raw_file.h"
#include "core/settings_file.h"
#include "core/text.h"
#include "lyrics/lyrics_file.h"

namespace fs = std::filesystem;
using namespace lirafok;

namespace {

const char* const kKey = "123456789";

// One kind of save: `run(folder, version)` writes version 0 or 1 and says whether the save
// reported success; `files` are the files it replaces (relative to the folder).
struct SaveKind {
    std::string name;
    std::vector<std::string> files;
    std::function<bool(const std::string& folder, int version)> run;
};

std::array<std::string, kCatalogueSlots> songs(int version) {
    std::array<std::string, kCatalogueSlots> s;
    for (int n = 1; n <= 12; ++n)
        s[n] = (version ? "二番目の歌 " : "はじめの歌 ") + std::to_string(n) +
               std::string(static_cast<std::size_t>(version * 40), 'x');
    return s;
}

LyricTimeTable times(int version) {
    LyricTimeTable t = LyricTables::filledTimes();
    for (int i = 0; i < 40 + version * 60; ++i)
        t[static_cast<std::size_t>(i)] = 1000 + i * (700 + version);
    return t;
}

std::vector<SaveKind> saveKinds() {
    std::vector<SaveKind> k;
    k.push_back(
        {"catalogue record", {"LIRAFOK.TXT", "LIRAFOK.BAK"}, [](const std::string& f, int v) {
             return saveDiscRecord(f, kKey, 12, buildTitle(v ? "第二版" : "初版", "副題"),
                                   v ? "歌手二" : "歌手一", v * 3, songs(v), songs(1 - v), v == 1)
                 .ok;
         }});
    k.push_back({"lyrics text", {"12345678.901"}, [](const std::string& f, int v) {
                     std::string body;
                     for (int i = 0; i < 40 + v * 60; ++i)
                         body += "歌詞の行 " + std::to_string(i) + (v ? " 改訂\r\n" : "\r\n");
                     LyricTimeTable flags{};
                     flags[0] = 1;
                     return saveLyricsText(f + "12345678.901", v ? 14 : 0, body, times(v), flags);
                 }});
    k.push_back(
        {"lyrics timings", {"12345678.902", "12345678.BAK"}, [](const std::string& f, int v) {
             LyricTables t;
             t.times = times(v);
             t.pageFlags[3] = v;
             return saveLyricsTimings(f + "12345678.902", f + "12345678.BAK", t);
         }});
    k.push_back({"settings", {"LIRAFOK.INI"}, [](const std::string& f, int v) {
                     Settings s;
                     s.KASID = f;
                     s.CYOUS = v ? 450 : 300;
                     s.FONTN = v ? "ＭＳ 明朝" : "ＭＳ Ｐゴシック";
                     return saveSettings(f + "LIRAFOK.INI", s, v, 1350 + v, 585, 0, 1125, 40 + v,
                                         60);
                 }});
    k.push_back({"font list", {"LIRAFOK.FOT"}, [](const std::string& f, int v) {
                     FontTable t;
                     for (auto& set : t.entry)
                         for (auto& e : set) {
                             e.name = v ? "ＭＳ 明朝" : "ＭＳ Ｐゴシック";
                             e.bold = v == 1;
                         }
                     return writeFontList(fontListPath(f), t);
                 }});
    k.push_back({"lyrics copy", {"12345678.903"}, [](const std::string& f, int v) {
                     return text::copyFile(f + (v ? "12345678.901" : "12345678.902"),
                                           f + "12345678.903");
                 }});
    k.push_back({"default drive", {"lirafok/default_drive"}, [](const std::string& f, int v) {
                     return core::writeDefaultDriveData(
                         std::string(v ? "\x01\0\0\0" : "\0\0\0\0", 4));
                 }});
    return k;
}

std::optional<std::string> bytesOf(const std::string& path) {
    return rawfile::readBytes(path);
}

// Runs every save in order, both versions, until killed. `ready` is written once the first
// round is done, so the kill falls into the steady loop.
[[noreturn]] void saveForever(const std::string& folder, int readyFd) {
    const auto kinds = saveKinds();
    bool told = false;
    for (int v = 0;; v = 1 - v) {
        for (const SaveKind& k : kinds) k.run(folder, v);
        if (!told) {
            if (::write(readyFd, "r", 1) != 1) std::_Exit(2);
            ::close(readyFd);
            told = true;
        }
    }
}

// Temporary files in the folder (any name with ".tmp" in it).
int tempFiles(const std::string& folder) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.path().filename().string().find(".tmp") != std::string::npos) ++n;
    return n;
}

// The bytes each file may hold: what either version's save wrote in a reference folder, after
// a round of both (so that backups hold a previous version too).
using Allowed = std::vector<std::pair<std::string, std::set<std::string>>>;

Allowed referenceFiles(const std::string& folder) {
    const auto kinds = saveKinds();
    Allowed allowed;
    for (const SaveKind& k : kinds)
        for (const std::string& f : k.files) allowed.push_back({f, {}});
    for (int round = 0; round < 3; ++round)
        for (int v = 0; v < 2; ++v)
            for (const SaveKind& k : kinds) {
                if (!k.run(folder, v)) {
                    std::fprintf(stderr, "reference save failed: %s\n", k.name.c_str());
                    std::exit(2);
                }
                if (round == 0) continue;  // the first round starts from no files
                for (auto& [name, set] : allowed)
                    if (auto b = bytesOf(folder + name)) set.insert(*b);
            }
    return allowed;
}

void prepareFolder(const std::string& folder) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder + "lirafok");
    // The timing save keeps the text lines of an existing file.
    text::writeLines(folder + "12345678.902", {"タイミングの歌詞", "二行目", "\x03"});
}

// Result of running one save with a fault: whether it said it succeeded, whether its files
// are all unchanged.
struct FaultResult {
    int saves = 0, reportedOk = 0, changed = 0, temps = 0;
};

// Runs each save in a child with `inject` applied first; the files hold version 0 before.
FaultResult runWithFault(const std::string& folder, const std::function<void()>& inject,
                         const std::function<void()>& undo) {
    FaultResult r;
    const auto kinds = saveKinds();
    for (const SaveKind& k : kinds) {
        for (const SaveKind& k2 : kinds) k2.run(folder, 0);
        std::vector<std::optional<std::string>> before;
        for (const std::string& f : k.files) before.push_back(bytesOf(folder + f));
        inject();
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::_Exit(k.run(folder, 1) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        undo();
        ++r.saves;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) ++r.reportedOk;
        for (std::size_t i = 0; i < k.files.size(); ++i)
            if (bytesOf(folder + k.files[i]) != before[i]) {
                ++r.changed;
                std::printf("  %s: %s changed by a failed save\n", k.name.c_str(),
                            k.files[i].c_str());
            }
        r.temps += tempFiles(folder);
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    // --no-mount (last argument): skip the tmpfs case, for the short test run.
    const bool mayMount = !(argc > 1 && std::string(argv[argc - 1]) == "--no-mount");
    if (!mayMount) --argc;
    const int trials = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::string folder =
        argc > 2 ? argv[2] : "/dev/shm/lirafok-crash-" + std::to_string(::getpid());
    if (folder.back() != '/') folder += '/';
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);

    prepareFolder(folder);
    const auto start = std::chrono::steady_clock::now();
    const Allowed allowed = referenceFiles(folder);
    const double roundUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() /
        6.0;

    std::mt19937_64 rng(20261208);
    int lost = 0, truncated = 0, leftTemps = 0, killedMidway = 0;
    for (int t = 0; t < trials; ++t) {
        int pipeFd[2];
        if (::pipe(pipeFd) != 0) return 2;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(pipeFd[0]);
            saveForever(folder, pipeFd[1]);
        }
        ::close(pipeFd[1]);
        char c = 0;
        if (::read(pipeFd[0], &c, 1) != 1) return 2;
        ::close(pipeFd[0]);
        // Anywhere within two rounds of all saves.
        std::uniform_int_distribution<long> delay(0, static_cast<long>(roundUs * 2) + 1);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(rng)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) ++killedMidway;
        for (const auto& [name, versions] : allowed) {
            const auto b = bytesOf(folder + name);
            if (!b) {
                ++lost;
                std::printf("trial %d: %s missing\n", t, name.c_str());
            } else if (!versions.count(*b)) {
                ++truncated;
                std::printf("trial %d: %s is neither version (%zu bytes)\n", t, name.c_str(),
                            b->size());
            }
        }
        leftTemps += tempFiles(folder);
    }
    std::printf(
        "kill trials: %d (killed while saving: %d), files checked per trial: %zu, "
        "one round of all saves: %.0f us\n",
        trials, killedMidway, allowed.size(), roundUs);
    std::printf(
        "files lost: %d, files truncated or torn: %d, temporary files seen after kills: "
        "%d (removed by the next save of that file)\n",
        lost, truncated, leftTemps);

    // Full disk, simulated by a file-size limit of one byte in the saving process: every write
    // of more than one byte fails (EFBIG, not a signal).
    rlimit oldLimit{};
    ::getrlimit(RLIMIT_FSIZE, &oldLimit);
    ::signal(SIGXFSZ, SIG_IGN);
    const FaultResult full = runWithFault(
        folder,
        [] {
            rlimit one{1, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &one);
        },
        [&] { ::setrlimit(RLIMIT_FSIZE, &oldLimit); });
    std::printf(
        "full disk: %d saves, reported as done: %d, files changed: %d, temporary files "
        "left: %d\n",
        full.saves, full.reportedOk, full.changed, full.temps);

    // A folder without write permission (and files without it: the write-protect rule).
    auto protect = [&](mode_t dirMode, mode_t fileMode) {
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(folder, ec))
            if (e.is_regular_file()) ::chmod(e.path().c_str(), fileMode);
        ::chmod((folder + "lirafok").c_str(), dirMode);
        ::chmod(folder.c_str(), dirMode);
    };
    const FaultResult readOnly = runWithFault(
        folder, [&] { protect(0555, 0444); }, [&] { protect(0755, 0644); });
    std::printf(
        "read-only folder: %d saves, reported as done: %d, files changed: %d, temporary "
        "files left: %d\n",
        readOnly.saves, readOnly.reportedOk, readOnly.changed, readOnly.temps);

    // A real full disk: a 64 KiB tmpfs (mounting needs the superuser), filled up by another
    // file before each save.
    FaultResult tiny;
    bool mounted = false;
    const std::string mount = folder.substr(0, folder.size() - 1) + "-full/";
    if (mayMount && ::geteuid() == 0) {
        fs::create_directories(mount);
        const std::string cmd = "mount -t tmpfs -o size=64k tmpfs " + mount + " 2>/dev/null";
        mounted = std::system(cmd.c_str()) == 0;
    }
    if (mounted) {
        fs::create_directories(mount + "lirafok");
        text::writeLines(mount + "12345678.902", {"タイミングの歌詞", "二行目", "\x03"});
        ::setenv("XDG_CONFIG_HOME", mount.c_str(), 1);
        const std::string filler = mount + "filler";
        tiny = runWithFault(
            mount,
            [&] {
                const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                const std::string block(4096, 'f');
                while (::write(fd, block.data(), block.size()) > 0) {
                }
                while (::write(fd, block.data(), 1) > 0) {
                }
                ::close(fd);
            },
            [&] { ::unlink(filler.c_str()); });
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        if (std::system(("umount " + mount).c_str()) != 0)
            std::fprintf(stderr, "umount %s failed\n", mount.c_str());
        std::printf(
            "full 64 KiB tmpfs: %d saves, reported as done: %d, files changed: %d, "
            "temporary files left: %d\n",
            tiny.saves, tiny.reportedOk, tiny.changed, tiny.temps);
    } else {
        std::printf("full 64 KiB tmpfs: not run (mounting needs the superuser; --no-mount)\n");
    }
    std::error_code ec;
    fs::remove(mount, ec);

    if (argc <= 2) fs::remove_all(folder, ec);
    const bool ok = tiny.reportedOk == 0 && tiny.changed == 0 && lost == 0 && truncated == 0 &&
                    full.reportedOk == 0 && full.changed == 0 && readOnly.reportedOk == 0 &&
                    readOnly.changed == 0;
    return ok ? 0 : 1;
}
