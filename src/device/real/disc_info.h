#pragma once
// What the program sees in a drive, a CUE sheet, a disc image or a folder of audio files: the
// figures the catalogue is keyed by, the track table, the online identities and the disc's
// own text. The disc-info tool prints it; users compare it with their catalogues.
#include <optional>
#include <string>

#include "device/real/disc_image.h"

namespace lirafok::device::real {

// Reads the disc at `path` by the rules the drives follow: a device node (/dev/sr0) through
// libcdio, anything else (a folder holding a disc, a CUE sheet, an image) as the virtual drive
// reads its folder. std::nullopt with a Japanese `error` naming the path and the reason.
std::optional<DiscImage> readDiscAt(const std::string& path, std::string* error);

// One item a line, words separated by blanks, each line ended by "\n":
//   tracks N / start MS / length MS / key NNNNNNNNN /
//   track NN START_MS LENGTH_MS audio|data (one a track) / musicbrainz ID / freedb ID /
//   title TEXT / performer TEXT / song NN TEXT (the last three only when the disc has them).
std::string discInfoText(const DiscImage& disc);

}  // namespace lirafok::device::real
