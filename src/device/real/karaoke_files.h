#pragma once
// Discs made of karaoke files: a ZIP holding one audio file and its .cdg (as karaoke songs are
// sold), a CloneCD image (.ccd table of contents, .img raw sectors, .sub sub-channel), and a
// pair of an audio file and the .cdg of the same stem (dropped on the window). Each is laid
// out as virtual_layout.h lays out a disc of files; errors are in Japanese and name the file.
#include <optional>
#include <string>

#include "device/real/virtual_layout.h"

namespace lirafok::device::real {

// A disc of one track. The audio is copied out of the ZIP into `cacheFolder` (made when
// missing; the same ZIP, unchanged, is copied once). Refused: a ZIP that cannot be read, one
// without a .cdg or without an audio file, one with two of either.
std::optional<VirtualLayout> layoutFromZip(const std::string& zipPath,
                                           const std::string& cacheFolder, std::string* error);
// Where ZIP audio is copied: $XDG_CACHE_HOME/lirafok/zip, else ~/.cache/lirafok/zip.
std::string defaultZipCache();

// The tracks of the .ccd's [TRACK n] sections (INDEX 1 the start, MODE 0 audio, other modes
// silent data), the audio from the .img of the same stem, the graphics from the .sub of the
// same stem when there is one.
std::optional<VirtualLayout> layoutFromCcd(const std::string& ccdPath, std::string* error);

// `path` is an audio file with a .cdg beside it, or a .cdg with an audio file beside it: a
// disc of that one track.
std::optional<VirtualLayout> layoutFromPair(const std::string& path, std::string* error);

}  // namespace lirafok::device::real
