// Catalogue file timings on a large catalogue: 10,000 discs of 15 lines (about 150,000 lines,
// Japanese titles, artists and song names). Prints the median time of lookupDisc and
// saveDiscRecord and checks that a save keeps every other disc's lines byte for byte.
//
// Usage: catalogue_bench [folder]   (default: a fresh folder under the system temp folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "core/text.h"

namespace {

using namespace lirafok;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDiscs = 10000;
constexpr int kTracks = 12;
constexpr int kRuns = 21;

const char* const kWords[] = {"夏", "海",       "恋", "星空",       "さくら", "夜明け", "東京",
                              "心", "メロディ", "風", "ありがとう", "約束",   "花火",   "雨"};

std::string words(std::mt19937& rng, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i) s += (rng() % 3 == 0) ? " " : "の";
        s += kWords[rng() % std::size(kWords)];
    }
    return s;
}

std::string readRaw(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

double medianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F>
double timeMs(F&& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    bool own = false;
    if (argc > 1) {
        dir = argv[1];
    } else {
        std::string pattern = (fs::temp_directory_path() / "lirafok_bench_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return 1;
        dir = pattern;
        own = true;
    }
    const std::string folder = dir + "/";
    const std::string path = catalogueFilePath(folder);

    std::mt19937 rng(1234);
    std::set<std::string> keySet;
    while (static_cast<int>(keySet.size()) < kDiscs) keySet.insert(text::pad(rng() % 999999999, 9));
    std::vector<std::string> keys(keySet.begin(), keySet.end());
    std::shuffle(keys.begin(), keys.end(), rng);

    std::string file;
    std::size_t lines = 0;
    for (const std::string& k : keys) {
        std::vector<std::string> rec = {k + "-00-" + buildTitle(words(rng, 3), words(rng, 2)),
                                        k + "-AR-" + words(rng, 2),
                                        k + "-FT-" + std::to_string(rng() % 6)};
        for (int n = 1; n <= kTracks; ++n)
            rec.push_back(k + "-" + text::pad(n, 2) + "-" + words(rng, 3));
        for (const std::string& l : rec) file += text::toCp932(l) + "\r\n";
        lines += rec.size();
    }
    std::ofstream(path, std::ios::binary) << file;
    std::printf("catalogue: %d discs, %zu lines, %.1f MB in %s\n", kDiscs, lines, file.size() / 1e6,
                folder.c_str());

    // Lookups of discs spread over the file, and of a disc that is not there.
    std::vector<double> lookup;
    bool allFound = true;
    for (int i = 0; i < kRuns; ++i) {
        const std::string& k = keys[(i * 487) % kDiscs];
        lookup.push_back(timeMs([&] { allFound = lookupDisc(path, k).record.found && allFound; }));
    }
    const double missing =
        timeMs([&] { allFound = !lookupDisc(path, "000000000").record.found && allFound; });
    std::printf("lookupDisc:     median %.2f ms over %d runs (missing disc %.2f ms)%s\n",
                medianMs(lookup), kRuns, missing, allFound ? "" : "  WRONG RESULT");

    // Saves: each replaces one disc's record; the next save starts from the result.
    std::array<std::string, kCatalogueSlots> names, artists;
    for (int n = 1; n <= kTracks; ++n) names[n] = "新しい曲 " + std::to_string(n);
    std::vector<double> save;
    bool intact = true;
    for (int i = 0; i < kRuns; ++i) {
        const std::string& k = keys[(i * 733 + 5) % kDiscs];
        const std::string before = readRaw(path);
        SaveResult r;
        save.push_back(timeMs([&] {
            r = saveDiscRecord(folder, k, kTracks,
                               buildTitle("保存テスト", "第" + std::to_string(i) + "回"), "歌手", 2,
                               names, artists, false);
        }));
        if (!r.ok) {
            std::printf("save failed: %s\n", r.error.c_str());
            return 1;
        }
        // Expected: the new record, then every other line of the old file unchanged.
        std::string expected;
        expected +=
            text::toCp932(k + "-00-" + buildTitle("保存テスト", "第" + std::to_string(i) + "回")) +
            "\r\n";
        expected += text::toCp932(k + "-AR-歌手") + "\r\n" + k + "-FT-2\r\n";
        for (int n = 1; n <= kTracks; ++n)
            expected += text::toCp932(k + "-" + text::pad(n, 2) + "-" + names[n]) + "\r\n";
        std::size_t start = 0;
        while (start < before.size()) {
            const std::size_t end = before.find("\r\n", start);
            if (before.compare(start, 9, k) != 0) expected.append(before, start, end + 2 - start);
            start = end + 2;
        }
        intact =
            intact && readRaw(path) == expected && readRaw(catalogueBackupPath(folder)) == before;
    }
    std::printf("saveDiscRecord: median %.2f ms over %d runs (max %.2f ms); file %s\n",
                medianMs(save), kRuns, *std::max_element(save.begin(), save.end()),
                intact ? "intact" : "CORRUPTED");

    if (own) fs::remove_all(dir);
    return intact && allFound ? 0 : 1;
}
