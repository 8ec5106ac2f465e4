// lirafok-discinfo PATH: prints what LIRAFOK sees in a drive (/dev/sr0), its virtual drive's
// folder, a CUE sheet, a disc image or a folder of audio files: the disc key the catalogue
// uses, the track table, the MusicBrainz and freedb disc IDs and the disc's own titles.
#include <cstdio>
#include <cstring>
#include <string>

#include "device/real/disc_info.h"

namespace {

const char kUsage[] =
    "使い方: lirafok-discinfo PATH\n"
    "  PATH: CD ドライブ (/dev/sr0)、仮想ドライブのフォルダー、CUE シート、ディスクイメージ、\n"
    "        または音声ファイルのフォルダー\n"
    "出力 (一行に一項目): tracks N / start MS / length MS / key NNNNNNNNN /\n"
    "  track NN START_MS LENGTH_MS audio|data / musicbrainz ID / freedb ID /\n"
    "  title TEXT / performer TEXT / song NN TEXT\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("lirafok-discinfo %s\n", LIRAFOK_VERSION);
        return 0;
    }
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string error;
    const auto disc = lirafok::device::real::readDiscAt(argv[1], &error);
    if (!disc) {
        std::fprintf(stderr, "lirafok-discinfo: %s\n",
                     error.empty() ? (std::string(argv[1]) + " にディスクがありません").c_str()
                                   : error.c_str());
        return 1;
    }
    std::fputs(lirafok::device::real::discInfoText(*disc).c_str(), stdout);
    return 0;
}
