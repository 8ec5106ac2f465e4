#pragma once
// The program's own small settings file for online look-ups, "ONLINE.INI" in the program
// folder beside LIRAFOK.INI (which keeps its original layout): whether the user allowed
// online look-ups, and the servers' base URLs. CP932, CR LF, "KEY=value" lines:
//
//   ONLINE=1                              1 allowed, 0 refused; no line: not asked yet
//   MUSICBRAINZ=https://musicbrainz.org   base URLs (http or https, no trailing "/")
//   GNUDB=https://gnudb.gnudb.org
//   LRCLIB=https://lrclib.net
//
// Lines starting with ";" and unknown keys are skipped; a URL that is not http or https keeps
// the default.
#include <string>

namespace lirafok {

inline constexpr const char* kOnlineSettingsFileName = "ONLINE.INI";

enum class OnlineConsent {
    Unasked,  // the user was never asked: the first use asks
    Allowed,  // the user agreed: look-ups go out
    Refused,  // the user said no or switched it off: nothing goes out
};

struct OnlineSettings {
    OnlineConsent consent = OnlineConsent::Unasked;
    std::string musicBrainz = "https://musicbrainz.org";
    std::string gnudb = "https://gnudb.gnudb.org";
    std::string lrclib = "https://lrclib.net";
    bool operator==(const OnlineSettings&) const = default;
};

// The settings in `path`; the defaults when the file is missing or unreadable.
OnlineSettings readOnlineSettings(const std::string& path);
// Writes the whole file safely (temporary file, then rename). False, old file kept, on failure.
bool writeOnlineSettings(const std::string& path, const OnlineSettings& s);

}  // namespace lirafok
