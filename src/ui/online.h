#pragma once
// Online look-ups: titles of a disc (MusicBrainz, then gnudb), lyrics of a track (LRCLIB) and
// publishing the user's own timed lyrics (LRCLIB). The windows ask; an implementation asks the
// servers (the Qt front end over HTTP), the scenario runner answers from its script.
//
// Contract of every request:
// - It returns at once with an id; the window thread never waits on the network.
// - `done` runs exactly once, later, on the window thread (posted through the scheduler),
//   never from inside the call that made the request; after cancel(id) it never runs.
// - Each HTTP exchange has a timeout (kRequestTimeoutMs, whole answer included) and a bound
//   on the answer's size (kMaxAnswerBytes); what goes wrong comes back as a status, never as
//   an exception or a half-filled result.
// - Texts in the results are UTF-8 as the server sent them (decoded, nothing cut or
//   replaced); fitting them to the catalogue is the caller's business.
// Whether the user allowed online look-ups at all is the windows' business: the service asks
// whatever it is asked.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/disc_toc.h"

namespace lirafok::ui {

inline constexpr int kRequestTimeoutMs = 10000;
inline constexpr std::int64_t kMaxAnswerBytes = 4 * 1024 * 1024;
// MusicBrainz asks every client for at most one request a second.
inline constexpr int kMusicBrainzGapMs = 1000;
// A server asking to come back later within this many seconds is asked once more after that
// wait; a longer wait is told to the user.
inline constexpr int kMaxRetryWaitSec = 5;
// Tracks of a release a result keeps (a disc plays at most 99 of them).
inline constexpr int kMaxReleaseTracks = 100;
// Identifies the program to the servers, as MusicBrainz and LRCLIB ask of every client. The
// project has no public address yet: the agent says what the program is, and names no address
// that is not its own (one goes here once the project has it).
inline constexpr const char* kProjectAddress = "desktop karaoke CD player for Linux";

// How a request ended.
enum class OnlineStatus {
    Found,        // an answer with what was asked for
    NotFound,     // every server asked answered that it has nothing
    Offline,      // no server could be reached (refused, no route, no name resolution)
    TimedOut,     // a server did not answer in full within kRequestTimeoutMs
    Busy,         // a server asked to come back later (429 or 503); retryAfterSec when it said
    BadAnswer,    // an answer that cannot be read (malformed, truncated, wrong kind)
    TooLarge,     // an answer beyond kMaxAnswerBytes, refused unread
    ServerError,  // any other HTTP error status; `detail` holds the server's words if any
    Refused,      // the server refused what was sent (publish: wrong token, bad lyrics)
};

struct OnlineOutcome {
    OnlineOutcome() = default;
    OnlineOutcome(OnlineStatus s, int retryAfter = 0, int http = 0, std::string said = {})
        : status(s), retryAfterSec(retryAfter), httpStatus(http), detail(std::move(said)) {}
    OnlineStatus status = OnlineStatus::NotFound;
    int retryAfterSec = 0;  // Busy: the wait the server asked for; 0 when it named none
    int httpStatus = 0;     // the last HTTP status seen (0: none)
    std::string detail;     // the server's own explanation, when it gave one (UTF-8)
};

// Base URLs of the servers, without a trailing "/" ("https://musicbrainz.org").
struct OnlineServers {
    std::string musicBrainz = "https://musicbrainz.org";
    std::string gnudb = "https://gnudb.gnudb.org";
    std::string lrclib = "https://lrclib.net";
    bool operator==(const OnlineServers&) const = default;
};

struct ReleaseTrack {
    std::string title;
    std::string artist;  // the track's own credit; empty when the server names none
};

// One release (or gnudb entry) that matches the disc.
struct ReleaseCandidate {
    std::string source;  // "MusicBrainz" or "gnudb"
    std::string title, artist, country, date, label, catalogNumber;
    std::vector<ReleaseTrack> tracks;  // at most kMaxReleaseTracks, in disc order
    int totalTracks = 0;               // as the server listed them, before the cut
};

struct DiscLookupResult {
    OnlineOutcome outcome;
    std::vector<ReleaseCandidate> releases;  // Found: one or more
};

struct LyricsQuery {
    std::string track, artist, album;
    int durationSec = 0;
};

struct LyricsResult {
    OnlineOutcome outcome;
    std::string synced;  // LRC lines "[mm:ss.xx] text"; empty when the record has none
    std::string plain;   // the lyric without times
    bool instrumental = false;
};

// What publishing sends: the fields of LRCLIB's publish body.
struct PublishRequest {
    std::string track, artist, album;
    int durationSec = 0;
    std::string plain;   // lines joined by LF
    std::string synced;  // LRC lines joined by LF
};

struct PublishResult {
    OnlineOutcome outcome;  // Found: published
};

using OnlineRequestId = std::uint64_t;

class OnlineLookup {
public:
    virtual ~OnlineLookup() = default;
    // Titles for a disc: MusicBrainz by disc ID, then by table of contents, then gnudb.
    virtual OnlineRequestId lookupDisc(const OnlineServers& servers, const DiscToc& toc,
                                       std::function<void(DiscLookupResult)> done) = 0;
    // Lyrics for a track: LRCLIB's cached record, then its full look-up, then its search.
    virtual OnlineRequestId lookupLyrics(const OnlineServers& servers, const LyricsQuery& query,
                                         std::function<void(LyricsResult)> done) = 0;
    // Publishes to LRCLIB: a challenge, its proof of work (off the window thread), then the
    // body publishBody(request) with the solved token.
    virtual OnlineRequestId publishLyrics(const OnlineServers& servers,
                                          const PublishRequest& request,
                                          std::function<void(PublishResult)> done) = 0;
    // Stops a request: its connections are aborted, its work dropped, `done` never runs.
    // Unknown and finished ids are ignored.
    virtual void cancel(OnlineRequestId id) = 0;
};

// --- shared by every implementation and the windows ---

// The program's version ("0.1"), and the User-Agent: "LIRAFOK/<version> ( <project address> )".
std::string programVersion();
std::string userAgent();
// The publish body exactly as it is sent (JSON, UTF-8).
std::string publishBody(const PublishRequest& request);
// A JSON string literal of `utf8`, quotes included (control characters escaped).
std::string jsonString(const std::string& utf8);
// MusicBrainz's "toc" parameter: first track, last audio track, the audio lead-out and each
// audio track's offset, joined by "+". A data track after the audio (an enhanced CD) is left
// out and the audio's lead-out put 11 400 sectors before it. Empty for a table without audio.
std::string musicBrainzToc(const DiscToc& toc);
// What the user reads for an outcome that found nothing (Japanese, one or two lines).
std::string onlineMessage(const OnlineOutcome& outcome);
// The same in a few words, for a status line (at most 16 characters).
std::string onlineShortMessage(const OnlineOutcome& outcome);

}  // namespace lirafok::ui
