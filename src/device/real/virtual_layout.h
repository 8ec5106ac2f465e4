#pragma once
// A disc made of audio files: a CUE sheet with FLAC/WAV/... files, or a folder of audio files
// taken as tracks in name order. The files are laid end to end on a CD timeline that starts
// after the 2-second lead-in, each file rounded up to whole sectors, so that a rip and the CD
// it came from have the same table of contents and the same total length.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/real/disc_image.h"

namespace lirafok::device::real {

// One stretch of the disc timeline, in sample frames.
struct Segment {
    std::int64_t firstFrame = 0;  // absolute disc frame
    std::int64_t frames = 0;
    int file = -1;               // index into VirtualLayout::files; -1 = generated silence
    std::int64_t fileFrame = 0;  // first frame inside the file
};

struct VirtualLayout {
    std::vector<std::string> files;  // absolute paths
    std::vector<Segment> segments;   // in disc order, without holes, from the lead-in's end
    std::vector<TocEntry> toc;
    std::int64_t leadOutSector = 0;
    DiscText text;
};

// Lays out a CUE sheet whose FILE entries are audio files libsndfile decodes (WAVE, FLAC,
// AIFF, ...). A sheet that cannot be a CD (more than 99 tracks, a track without audio of its
// own, indexes out of order, audio outside the sheet's folder) is refused. INDEX 00 gaps stay in
// the file and belong to the previous track, as on a CD; PREGAP and POSTGAP insert silence. A FILE
// that names a missing file is looked up without regard to case and, failing that, under the same
// stem with another audio extension (a rip converted from WAV to FLAC). std::nullopt with `error`
// set when the sheet or a file is unusable.
std::optional<VirtualLayout> layoutFromCue(const std::string& cuePath, std::string* error);
// One track per file, in the given order, each starting on a sector boundary.
std::optional<VirtualLayout> layoutFromFiles(const std::vector<std::string>& paths,
                                             std::string* error);

// How many sheets were handed to the CUE parser so far: a refused sheet is parsed once while
// its text stays the same (for tests and measurements).
std::size_t cueParserRuns();

// True when the CUE sheet refers to raw CD sector files (BINARY/MOTOROLA), which libcdio
// reads, rather than to audio files.
bool cueUsesBinaryFiles(const std::string& cuePath);

// Text of a CUE sheet as UTF-8: sheets written on Japanese systems are often Shift-JIS.
std::string cueTextToUtf8(const char* raw);

// The disc of a layout, its audio read from the files.
DiscImage discFromLayout(VirtualLayout layout);

}  // namespace lirafok::device::real
