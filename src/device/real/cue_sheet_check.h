#pragma once
// Checks the text of a CUE sheet before the sheet parser sees it, so that a sheet which cannot
// describe a CD is refused with a reason the user can act on, and so that the forms of broken
// text the parser would silently cut, guess at or refuse (and leak on) never reach it.
//
// What is checked: quoted words close on their line; a FILE line (a name and a known kind)
// comes before the first TRACK;
// at most 99 tracks, each numbered 1..99 with a known mode and an INDEX 01; INDEX numbers are
// 0..99 and INDEX, PREGAP and POSTGAP times are MM:SS:FF with seconds below 60 and frames
// below 75. Everything else (TITLE, REM, FLAGS, ...) is left to the parser. Keywords are upper
// case, as the parser reads them.
#include <cstddef>
#include <string>
#include <string_view>

namespace lirafok::device::real {

// The most a CUE sheet file may hold; a larger ".cue" is no sheet (a renamed image, say).
inline constexpr std::size_t kMaxCueSheetBytes = 1 << 20;

// Empty when the sheet may be handed to the parser; otherwise why not, in Japanese, as the
// rest of a sentence that begins with the sheet's name (" のトラック 3 に INDEX 01 がありません").
std::string checkCueSheet(std::string_view sheet);

}  // namespace lirafok::device::real
