// lirafok-cdg FILE.cdg --out DIR (--at MS[,MS...] | --every-packet): the CD+G screen of a .cdg
// file, border included (300 x 216), as PNG files: DIR/at_MS.png at each time given (the
// packets whose time has come by MS milliseconds after the start applied), or DIR/NNNNNN.png
// once packet NNNNNN (counted from 0) is applied.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cdg/screen_png.h"
#include "cdg/timeline.h"

namespace {

const char kUsage[] =
    "使い方: lirafok-cdg FILE.cdg --out DIR --at MS[,MS...]\n"
    "        lirafok-cdg FILE.cdg --out DIR --every-packet\n"
    "  --at MS,...       曲の始めから MS ミリ秒の画面を DIR/at_MS.png に書きます\n"
    "  --every-packet    パケットごとに、そのパケットを描いた後の画面を DIR/NNNNNN.png に\n"
    "                    書きます (NNNNNN は 0 から数えたパケット番号)\n"
    "  画像は枠を含む 300x216 ピクセルの RGB PNG です。\n"
    "  --help / --version\n";

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int fail(const std::string& why) {
    std::fprintf(stderr, "lirafok-cdg: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lirafok::cdg;
    std::string file, out, at;
    bool every = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("lirafok-cdg %s\n", LIRAFOK_VERSION);
            return 0;
        }
        if (a == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (a == "--at" && i + 1 < argc) {
            at = argv[++i];
        } else if (a == "--every-packet") {
            every = true;
        } else if (file.empty() && !a.starts_with("--")) {
            file = a;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (file.empty() || out.empty() || every == !at.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::vector<long long> times;
    for (std::size_t from = 0; !every && from <= at.size();) {
        const std::size_t comma = std::min(at.find(',', from), at.size());
        const std::string item = at.substr(from, comma - from);
        char* end = nullptr;
        const long long ms = std::strtoll(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || ms < 0)
            return fail(item + " は時間 (ミリ秒) ではありません");
        times.push_back(ms);
        from = comma + 1;
    }

    std::ifstream in(file, std::ios::binary);
    if (!in) return fail(file + " を読み込めません");
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (!std::filesystem::is_directory(out, ec)) return fail(out + " にフォルダーを作れません");

    Timeline timeline(std::move(bytes));
    const std::filesystem::path dir(out);
    if (every) {
        char name[32];
        for (std::size_t n = 0; n < timeline.packetCount(); ++n) {
            std::snprintf(name, sizeof name, "%06zu.png", n);
            if (!writeFile(dir / name, screenToPng(timeline.screenAfter(n + 1))))
                return fail((dir / name).string() + " に書き込めません");
        }
        return 0;
    }
    for (const long long ms : times) {
        const std::size_t count = static_cast<std::size_t>(packetAtMs(ms)) + 1;
        const std::string name = "at_" + std::to_string(ms) + ".png";
        if (!writeFile(dir / name, screenToPng(timeline.screenAfter(count))))
            return fail((dir / name).string() + " に書き込めません");
    }
    return 0;
}
