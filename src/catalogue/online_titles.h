#pragma once
// Titles and lyrics from online databases made fit for the catalogue and the lyrics files,
// which hold CP932 text: what CP932 cannot hold is replaced visibly, what is too long is cut
// visibly, and the caller is told how often either happened, so that the user can be told
// before saving.
#include <string>
#include <string_view>

#include "device/cd_audio_device.h"
#include "ui/online.h"

namespace lirafok {

// The mark put in place of a character CP932 cannot hold, an invalid UTF-8 sequence or a
// control character.
inline constexpr const char* kReplacedMark = "〓";
// The mark that ends a text cut to its room.
inline constexpr const char* kCutMark = "…";
// CP932 bytes kept of a song name or an artist taken from a database: what the registration
// rows, the track list and the lyrics window show in full.
inline constexpr std::size_t kOnlineNameBytes = 64;

struct OnlineTextNotes {
    int replaced = 0;       // characters replaced by kReplacedMark
    int cut = 0;            // texts cut and ended by kCutMark
    int releaseTracks = 0;  // tracks the release lists (before any cut)
    int discTracks = 0;     // tracks of the disc in the drive
};

// `utf8` as CP932 can hold it: tabs and line breaks become blanks, other control characters,
// invalid UTF-8 and characters without a CP932 form become kReplacedMark; blanks at both ends
// are dropped. With maxBytes > 0, a text longer than maxBytes CP932 bytes is cut between
// characters and ended by kCutMark, within maxBytes.
std::string fitOnlineText(std::string_view utf8, std::size_t maxBytes, OnlineTextNotes& notes);

// A lyric line as fitOnlineText does, without a length limit; tabs stay (the lyrics files
// keep them).
std::string fitOnlineLyricLine(std::string_view utf8, OnlineTextNotes& notes);

// A disc title for the two title halves of kTitleHalfBytes bytes each: the first half takes
// what fits, the rest (its leading blanks dropped) goes to the second half, cut with
// kCutMark when it does not fit. discTextTitle() splits the result exactly so.
std::string fitOnlineTitle(std::string_view utf8, OnlineTextNotes& notes);

// A release as the disc's own titles (the shape the CD-TEXT prefill takes): title, artist and
// the first `discTracks` songs with their artists, each fitted as above. A track's artist is
// kept only when it differs from the release's.
device::DiscText releaseToDiscText(const ui::ReleaseCandidate& release, int discTracks,
                                   OnlineTextNotes& notes);

// What the user should know before saving (Japanese, one line a point); empty when nothing
// was replaced or cut and the track counts agree.
std::string onlineNotesText(const OnlineTextNotes& notes);

}  // namespace lirafok
