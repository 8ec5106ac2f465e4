#pragma once
// A disc made of files: a CUE sheet with FLAC/WAV/... files or raw BIN images, or a folder of
// audio files taken as tracks in name order. The files are laid end to end on a CD timeline that
// starts after the 2-second lead-in, each file rounded up to whole sectors, so that a rip and the
// CD it came from have the same table of contents and the same total length.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/real/cue_sheet.h"
#include "device/real/disc_image.h"
#include "device/real/raw_sector_reader.h"

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
    // Per file: how a raw CD image file (BINARY/MOTOROLA) holds its sectors; std::nullopt for
    // an audio file libsndfile decodes.
    std::vector<std::optional<RawFormat>> rawFormats;
    std::vector<Segment> segments;  // in disc order, without holes, from the lead-in's end
    std::vector<TocEntry> toc;
    std::int64_t leadOutSector = 0;
    DiscText text;
    std::shared_ptr<DiscGraphics> graphics;  // CD+G of its tracks, when any has some
};

// Lays out a CUE sheet (read as cue_sheet.h describes) whose FILE entries are audio files
// libsndfile decodes (WAVE, FLAC, AIFF, ...) or raw CD image files (BINARY, MOTOROLA), as the
// burned CD would be: the files end to end from the 150-sector lead-in, each padded to whole
// sectors (a raw file holds its size / its tracks' sector size); a track starts in the table
// of contents at its INDEX 01, wherever its INDEX 00 gap lies (the gap belongs to the previous
// track, also when it ends the previous file); audio before track 1's INDEX 01 is a hidden
// track before it. PREGAP inserts silence before a track's first index, POSTGAP after its
// audio; data tracks are silent.
//
// A FILE whose name is not there is looked up under the name's other readings (raw bytes,
// CP932, CP1252), without regard to case and, for audio, under the same stem with another
// audio extension (a rip converted from WAV to FLAC). Refused with `error` in Japanese naming
// the sheet and the line: what parseCueSheet refuses, a FILE outside the sheet's folder or
// missing, an index beyond the end of its file.
std::optional<VirtualLayout> layoutFromCue(const std::string& cuePath, std::string* error);
// The song name a file's name offers: the name without its extension, less a leading track
// number when it is `track` ("01 Beep Song", "01-Beep Song", "1. Beep Song" as track 1 give
// "Beep Song"; "99 Luftballons" as track 3 stays as it is).
std::string songFromFileName(const std::string& stem, int track);
// One track per file, in the given order, each starting on a sector boundary; each track's
// title is songFromFileName of its file. A .cdg file of the same stem beside an audio file
// (any case) is that track's CD+G graphics.
std::optional<VirtualLayout> layoutFromFiles(const std::vector<std::string>& paths,
                                             std::string* error);

// How many sheets were handed to the CUE parser so far (for tests and measurements).
std::size_t cueParserRuns();

// The disc of a layout, its audio read from the files.
DiscImage discFromLayout(VirtualLayout layout);

}  // namespace lirafok::device::real
