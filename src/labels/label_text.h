#pragma once
// Texts that the cassette card and the MD label share: the disc title as one line, the song
// lines built from track entries, the date, and the entries of another window's list.
#include <ctime>
#include <string>
#include <vector>

namespace lirafok {

class App;
struct AppState;

// `s` without its trailing blanks.
std::string trimTrailingBlanks(const std::string& s);
// The two 26-byte halves of DiscTitle, each trimmed of trailing blanks, joined by a blank.
std::string discTitleText(const AppState& s);
// The title line of a label: the title, then " ／ " and the artist when there is one.
std::string titleWithArtist(const AppState& s);

// A song line from a track entry ("07 03:25 song"): `number` (e.g. "07 "), then the time and
// its blank (characters 4 to 9) when `withTime`, then the song name (from character 10).
std::string songLine(const std::string& entry, const std::string& number, bool withTime);

// What a printed label is called when it becomes a file: the disc's title and the label's
// kind ("リラフォク　デモディスク ～はじまりの歌～ カセットカード").
std::string labelJobName(const AppState& s, const std::string& kind);
// After a label was sent: where a file went is told (title `title`); a job the user cancelled
// is left alone; a failure is told with its reason. True when the label was sent.
bool tellLabelJob(App& app, bool sent, const std::string& title);

// The fixed ten-character date, month-day-year: "03-07-2026".
std::string labelDate(std::time_t when);

}  // namespace lirafok
