// lirafok-make-demo OUTDIR: writes the demo disc and everything that goes with it.
//   OUTDIR/disc/      demo.cue and one WAV per track (the virtual drive's disc); the first
//                     song also has its CD+G graphics, 01.cdg beside 01.wav
//   OUTDIR/lyrics/    LIRAFOK.TXT (catalogue record) and timed lyrics for the sung tracks
//   OUTDIR/LIRAFOK1.WAV, OUTDIR/LIRAFOK2.WAV   the ok and error cues
// lirafok-make-demo --cues OUTDIR: the two cues only.
// All music is synthesised here; nothing comes from elsewhere.
#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cdg/packet.h"
#include "core/text.h"
#include "demo_cdg.h"
#include "demo_songs.h"
#include "device/real/virtual_drive.h"
#include "lyrics/syllable_file.h"

namespace fs = std::filesystem;
using namespace lirafok;

namespace {

const char* const kDiscTitle1 = "リラフォク　デモディスク";
const char* const kDiscTitle2 = "～はじまりの歌～";
const char* const kArtist = "リラフォク合唱団";

bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples, int channels) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    const sf_count_t n = sf_write_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    return sf_close(f) == 0 && n == static_cast<sf_count_t>(samples.size());
}

bool fail(const std::string& what) {
    std::fprintf(stderr, "lirafok-make-demo: %s\n", what.c_str());
    return false;
}

bool makeCues(const fs::path& out) {
    std::error_code ec;
    fs::create_directories(out, ec);
    if (!writeWav((out / "LIRAFOK1.WAV").string(), tools::renderOkCue(), 1) ||
        !writeWav((out / "LIRAFOK2.WAV").string(), tools::renderErrorCue(), 1))
        return fail("cannot write the sound cues in " + out.string());
    return true;
}

bool makeDemo(const fs::path& out) {
    const fs::path discDir = out / "disc", lyricsDir = out / "lyrics";
    std::error_code ec;
    fs::create_directories(discDir, ec);
    fs::create_directories(lyricsDir, ec);
    if (ec) return fail("cannot create " + out.string() + ": " + ec.message());

    const auto songs = tools::demoSongs();
    std::string cue =
        "REM COMMENT \"lirafok-make-demo\"\r\nPERFORMER \"LIRAFOK Chorus\"\r\n"
        "TITLE \"LIRAFOK Demo Disc\"\r\n";
    for (std::size_t i = 0; i < songs.size(); ++i) {
        const std::string num = text::pad(static_cast<std::int64_t>(i + 1), 2);
        const std::string wav = num + ".wav";
        const auto samples = tools::renderSong(songs[i]);
        if (!writeWav((discDir / wav).string(), samples, 2))
            return fail("cannot write " + (discDir / wav).string());
        // The first song is a CD+G song: its lyrics as karaoke graphics, one packet stream as
        // long as the track (4 packets a sector).
        if (i == 0) {
            std::string why;
            const std::int64_t packets =
                static_cast<std::int64_t>(samples.size()) / 2 / 588 * cdg::kPacketsPerSector;
            const auto graphics =
                tools::renderSongCdg(songs[i], kArtist, packets, tools::findJapaneseFont(), &why);
            if (graphics.empty()) {
                std::fprintf(stderr, "lirafok-make-demo: no CD+G graphics (%s)\n", why.c_str());
            } else {
                std::ofstream g(discDir / (num + ".cdg"), std::ios::binary | std::ios::trunc);
                g.write(reinterpret_cast<const char*>(graphics.data()),
                        static_cast<std::streamsize>(graphics.size()));
                if (!g) return fail("cannot write " + (discDir / (num + ".cdg")).string());
            }
        }
        cue += "FILE \"" + wav + "\" WAVE\r\n  TRACK " + num + " AUDIO\r\n    TITLE \"" +
               songs[i].cueTitle + "\"\r\n    INDEX 01 00:00:00\r\n";
    }
    {
        std::ofstream f(discDir / "demo.cue", std::ios::binary | std::ios::trunc);
        f << cue;
        if (!f) return fail("cannot write the CUE sheet");
    }

    // The key is the disc length exactly as the virtual drive will report it.
    std::string why;
    const auto disc = device::real::readVirtualDisc(discDir.string(), nullptr, &why);
    if (!disc || disc->toc.size() != songs.size())
        return fail("the disc does not read back: " + why);
    const std::string key = text::pad(disc->lengthMs(), 9);

    std::vector<std::string> catalogue = {
        key + "-00-" + text::padBytes(kDiscTitle1, 26) + text::padBytes(kDiscTitle2, 26),
        key + "-AR-" + kArtist,
        key + "-FT-0",
    };
    for (std::size_t i = 0; i < songs.size(); ++i)
        catalogue.push_back(key + "-" + text::pad(static_cast<std::int64_t>(i + 1), 2) + "-" +
                            songs[i].title);
    if (!text::writeLines((lyricsDir / "LIRAFOK.TXT").string(), catalogue))
        return fail("cannot write the catalogue");

    // Timed lyrics: each line is due when its phrase starts.
    int timed = 0, worded = 0;
    for (std::size_t i = 0; i < songs.size(); ++i) {
        std::vector<std::string> lines, timings;
        const auto starts = tools::phraseStartsMs(songs[i]);
        for (std::size_t p = 0; p < songs[i].phrases.size(); ++p) {
            if (songs[i].phrases[p].lyric.empty()) continue;
            timings.push_back(text::pad(static_cast<std::int64_t>(lines.size()), 3) + " " +
                              text::pad(starts[p], 6) + " 0");
            lines.push_back(songs[i].phrases[p].lyric);
        }
        if (lines.empty()) continue;
        lines.push_back("\x03");
        lines.insert(lines.end(), timings.begin(), timings.end());
        const std::string name = key.substr(0, 8) + "." + key.substr(8, 1) +
                                 text::pad(static_cast<std::int64_t>(i + 1), 2);
        if (!text::writeLines((lyricsDir / name).string(), lines))
            return fail("cannot write " + name);
        ++timed;
        // Syllable timings and readings beside the lyric, from the notes the syllables are
        // sung on.
        SyllableTrack syllables;
        std::size_t line = 0;
        for (std::size_t p = 0; p < songs[i].phrases.size(); ++p) {
            const tools::Phrase& phrase = songs[i].phrases[p];
            if (phrase.lyric.empty()) continue;
            SyllableLine& l = syllables.at(line++);
            l.text = phrase.lyric;
            for (const tools::SungSyllable& s : tools::phraseSyllables(songs[i], p))
                l.syllables.push_back({s.text, s.startMs, s.restAfter ? s.endMs : kNoTiming});
            std::vector<bool> read(text::charLength(l.text), false);
            for (const auto& [base, reading] : phrase.readings) {
                const std::size_t len = text::charLength(base);
                for (std::size_t c = 0; c + len <= read.size(); ++c) {
                    if (read[c] || text::mid(l.text, c + 1, static_cast<long>(len)) != base)
                        continue;
                    setRuby(l, c, len, reading);
                    for (std::size_t k = c; k < c + len; ++k) read[k] = true;
                    break;
                }
            }
            if (l.empty()) l.text.clear();
        }
        if (!syllables.empty()) {
            if (!writeSyllableFile(syllableFilePath((lyricsDir / name).string()), syllables))
                return fail("cannot write the syllable timings of " + name);
            ++worded;
        }
    }

    if (!makeCues(out)) return false;

    std::printf("demo disc: %zu tracks, %d with timed lyrics (%d word by word), disc key %s\n",
                songs.size(), timed, worded, key.c_str());
    for (std::size_t i = 0; i < songs.size(); ++i) {
        const auto t = disc->tracksMs()[i];
        std::printf("  %02zu  %6d ms  %6d ms  %s\n", i + 1, t.startMs, t.lengthMs,
                    songs[i].cueTitle.c_str());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // --cues: only the two sound cues (what the package ships beside the help).
    if (argc == 3 && std::string(argv[1]) == "--cues") return makeCues(argv[2]) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: lirafok-make-demo OUTDIR\n       lirafok-make-demo --cues OUTDIR\n");
        return 2;
    }
    return makeDemo(argv[1]) ? 0 : 1;
}
