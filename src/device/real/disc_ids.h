#pragma once
// The identities online databases know a disc by, computed from its table of contents: the
// MusicBrainz disc ID (through libdiscid) and the CDDB / freedb disc ID. Both use absolute
// sector offsets with the 150-sector lead-in, as the CD has them, so a rip gets the IDs of the
// CD it came from.
#include <cstdint>
#include <string>

#include "device/real/disc_image.h"

namespace lirafok::device::real {

// The 28-character MusicBrainz disc ID. A data track after the audio (an enhanced CD) is left
// out and the audio's lead-out is placed 11 400 sectors before it, as MusicBrainz counts such
// discs. Empty when the table cannot be a CD (libdiscid refuses it).
std::string musicBrainzDiscId(const DiscImage& disc);

// The 32-bit CDDB disc ID over every track: the checksum of the digits of each track's start in
// whole seconds (mod 255), the playing time in seconds and the track count. 0 for no tracks.
std::uint32_t freedbDiscId(const DiscImage& disc);

// The freedb ID as the databases write it: eight lower-case hex digits.
std::string freedbDiscIdText(const DiscImage& disc);

}  // namespace lirafok::device::real
