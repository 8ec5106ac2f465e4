#include "core/program_folder.h"

#include <spawn.h>
#include <sys/wait.h>

#include <stdlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/raw_file.h"
#include "core/text.h"

extern char** environ;

namespace fs = std::filesystem;

namespace lirafok::core {

namespace {

const char kSettingsFile[] = "LIRAFOK.INI";
const char* const kCopied[] = {"LIRAFOK.FOX", "LIRAFOK.HLP"};
// Copied when shipped; the generator makes them otherwise.
const char* const kCopiedWhenShipped[] = {"LIRAFOK1.WAV", "LIRAFOK2.WAV"};

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string();
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

// Runs `program folder` and waits for it; false with the reason unless it exits with 0.
bool runGenerator(const std::string& program, const std::string& folder, std::string* why) {
    std::string arg0 = program, arg1 = folder;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = -1;
    if (const int rc = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ); rc != 0)
        return fail(why, "cannot start " + program + ": " + std::strerror(rc));
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return fail(why, program + " was lost: " + std::strerror(errno));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return fail(why, program + " failed to make the demo disc");
    return true;
}

// Moves what `from` holds into `to` where `to` has nothing of that name yet: nothing the user
// already has is replaced. The disc folder goes as a whole or not at all, since it holds one
// disc.
void moveMissing(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        const fs::path target = to / entry.path().filename();
        if (!fs::exists(fs::symlink_status(target, ec))) {
            fs::rename(entry.path(), target, ec);
        } else if (entry.is_directory(ec) && fs::is_directory(target, ec) &&
                   entry.path().filename() != "disc") {
            moveMissing(entry.path(), target);
        }
    }
}

}  // namespace

std::string userProgramFolder() {
    if (std::string home = env("LIRAFOK_HOME"); !home.empty()) return withoutTrailingSlash(home);
    std::string data = env("XDG_DATA_HOME");
    if (data.empty()) {
        const std::string home = env("HOME");
        data = (home.empty() ? std::string(".") : home) + "/.local/share";
    }
    return withoutTrailingSlash(data) + "/lirafok";
}

std::string programFolderForStart(const std::string& cwd) {
    if (!env("LIRAFOK_HOME").empty()) return userProgramFolder();
    if (!cwd.empty() && rawfile::fileExists(withoutTrailingSlash(cwd) + "/" + kSettingsFile))
        return withoutTrailingSlash(cwd);
    return userProgramFolder();
}

bool needsPreparing(const std::string& folder) {
    return !rawfile::fileExists(folder + "/" + kSettingsFile);
}

std::vector<std::string> firstSettings(const std::string& folder) {
    // 12 points is the most a 240-twip lyric line holds unclipped. The panel window (KASI*)
    // sits below the main window and is as wide; its inner scale (SASI*) is its inner area.
    // The built-in faces name a Windows face; these exist wherever fonts-noto-cjk is installed.
    const std::string face = "Noto Sans CJK JP";
    return {"KASIH=1",        "KASIF=12",       "KASID=" + folder + "/lyrics/",
            "AUTOX=1",        "SOUND=1",        "SCREN=1",
            "CKAS1=0",        "CKAS2=16777215", "CKAS3=65535",
            "CKAS4=8421504",  "HOZON=1",        "KASIT=05220",
            "KASII=06885",    "KASIL=01350",    "KASIW=08520",
            "SASIT=00000",    "SASIH=06480",    "SASIL=00000",
            "SASIW=08400",    "FONTN=" + face,  "FBOLD=-1",
            "GPT1N=" + face,  "GPT2N=" + face,  "GPASN=" + face,
            "GPBSN=" + face,  "GPOTN=" + face};
}

bool prepareProgramFolder(const std::string& folderIn, const ShippedFiles& shipped,
                          std::string* why) {
    const std::string folder = withoutTrailingSlash(folderIn);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        return fail(why, "cannot create " + folder + ": " + ec.message());
    for (const char* name : kCopied) {
        const std::string to = folder + "/" + name;
        if (rawfile::fileExists(to)) continue;
        if (!text::copyFile(shipped.dataDir + "/" + name, to))
            return fail(why, "cannot copy " + shipped.dataDir + "/" + name + " to " + folder);
    }
    for (const char* name : kCopiedWhenShipped) {
        const std::string from = shipped.dataDir + "/" + name, to = folder + "/" + name;
        if (rawfile::fileExists(from) && !rawfile::fileExists(to) && !text::copyFile(from, to))
            return fail(why, "cannot copy " + from + " to " + folder);
    }
    // The generator writes into a folder of its own; only what is missing moves over, so
    // that a folder that lost its settings keeps its catalogue, lyrics and disc.
    std::string scratch = folder + "/.prepare-XXXXXX";
    if (!::mkdtemp(scratch.data())) return fail(why, "cannot write in " + folder);
    const bool made = runGenerator(shipped.makeDemo, scratch, why);
    if (made) moveMissing(scratch, folder);
    fs::remove_all(scratch, ec);
    if (!made) return false;
    // The karaoke screen opens with the program, so that the demo's word-timed songs are seen
    // wiped syllable by syllable on the first run (its 表示 menu turns that off).
    const std::string karaoke = folder + "/karaoke_window.ini";
    if (!rawfile::fileExists(karaoke) &&
        !text::writeLines(karaoke, {"at_startup=1", "monitor=-1", "full_screen=0", "left=-1",
                                    "top=-1", "width=0", "height=0"}))
        return fail(why, "cannot write " + karaoke);
    if (!text::writeLines(folder + "/" + kSettingsFile, firstSettings(folder)))
        return fail(why, "cannot write " + folder + "/" + kSettingsFile);
    return true;
}

}  // namespace lirafok::core
