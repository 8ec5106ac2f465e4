#pragma once
// The CD+G graphics of a demo song, drawn with the project's own encoder: a title screen, then
// the lyric lines two at a time, the line being sung wiped from white to orange as it is sung.
#include <cstdint>
#include <string>
#include <vector>

#include "demo_music.h"

namespace lirafok::tools {

// `packets` packets (the track's length: 4 a sector). `fontPath`: an outline font with
// Japanese glyphs. Empty, with `error` set, when the font cannot be used.
std::vector<std::uint8_t> renderSongCdg(const Song& song, const std::string& subtitle,
                                        std::int64_t packets, const std::string& fontPath,
                                        std::string* error);

// A font for the graphics: Noto Sans CJK as Debian installs it, else what fontconfig offers.
std::string findJapaneseFont();

}  // namespace lirafok::tools
