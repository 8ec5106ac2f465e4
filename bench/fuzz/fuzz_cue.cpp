// CUE sheets of a rip (LIRAFOK_FUZZ_FOLDER 0: the sheet parsed and laid out directly) and the
// virtual drive's reading of a folder holding the sheet (1). The folder holds two short WAV
// files, "01.wav" and "02.wav", and a raw image "disc.bin", which a seed sheet can name.
#include <sndfile.h>

#include <vector>

#include "device/real/cue_sheet.h"
#include "device/real/virtual_drive.h"
#include "device/real/virtual_layout.h"
#include "fuzz_input.h"

using namespace lirafok;
using namespace lirafok::device::real;

namespace {

void writeWav(const std::string& path, int frames) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) __builtin_trap();
    std::vector<short> samples(static_cast<std::size_t>(frames) * 2, 100);
    sf_write_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
}

const std::string& discFolder() {
    static const std::string folder = [] {
        const std::string f = fuzz::workFolder() + "disc/";
        std::filesystem::create_directories(f);
        writeWav(f + "01.wav", 588 * 80);
        writeWav(f + "02.wav", 588 * 45 + 17);
        // 40 sectors of 2352 bytes and a partial one.
        std::FILE* bin = std::fopen((f + "disc.bin").c_str(), "wb");
        if (!bin) __builtin_trap();
        const std::vector<unsigned char> bytes(2352 * 40 + 1000, 0x11);
        std::fwrite(bytes.data(), 1, bytes.size(), bin);
        std::fclose(bin);
        return f;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& folder = discFolder();
    const std::string path = folder + "disc.cue";
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) __builtin_trap();
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    std::string error;
#if LIRAFOK_FUZZ_FOLDER == 0
    (void)cueTextToUtf8(fuzz::asText(data, size));
    if (const auto sheet = parseCueSheet(fuzz::asText(data, size))) {
        // What the parser lets through has 1..99 tracks, each with an INDEX 01 in a file.
        if (sheet->tracks.empty() || sheet->tracks.size() > 99) __builtin_trap();
        for (const CueTrack& t : sheet->tracks) {
            if (t.start().number != 1) __builtin_trap();
            if (t.start().file < 0 || t.start().file >= static_cast<int>(sheet->files.size()))
                __builtin_trap();
        }
    }
    if (auto layout = layoutFromCue(path, &error)) {
        std::int64_t next = -1;
        for (const Segment& s : layout->segments) {
            if (s.frames < 0) __builtin_trap();
            if (next >= 0 && s.firstFrame != next) __builtin_trap();
            next = s.firstFrame + s.frames;
        }
        // Track starts move forward and stay before the lead-out.
        std::int64_t previous = kLeadInSectors - 1;
        for (const TocEntry& t : layout->toc) {
            if (t.startSector <= previous) __builtin_trap();
            previous = t.startSector;
        }
        if (layout->leadOutSector <= previous) __builtin_trap();
        // Reading the disc's start, its joins and its end fails on nothing.
        auto disc = discFromLayout(std::move(*layout));
        std::vector<std::int16_t> pcm(2 * 700);
        for (const TocEntry& t : disc.toc) {
            if (!disc.source->read(t.startSector * kFramesPerSector - 350, pcm.data(), 700))
                __builtin_trap();
        }
        if (!disc.source->read(disc.endFrame() - 350, pcm.data(), 700)) __builtin_trap();
    }
#else
    std::vector<std::string> files;
    if (auto disc = readVirtualDisc(folder, &files, &error)) {
        // A disc the drive offers has 1..99 tracks in order, none past the lead-out.
        if (disc->toc.empty() || disc->toc.size() > 99) __builtin_trap();
        std::int64_t previous = 0;
        for (const TocEntry& t : disc->toc) {
            if (t.startSector < previous) __builtin_trap();
            previous = t.startSector;
        }
        if (disc->leadOutSector < previous) __builtin_trap();
    }
#endif
    return 0;
}
