#pragma once
// Readers of the online services' answers, as pure functions over the answer's bytes, so that
// a table of answers can test them and the client can run them off the window thread.
// Each gives a status of its own: Found with what it read, NotFound for a well-formed answer
// that holds nothing usable, BadAnswer for anything it cannot read.
#include <QByteArray>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "ui/online.h"

namespace lirafok::qt {

// `bytes` with every invalid UTF-8 sequence replaced by U+FFFD, so that one bad title does not
// make a whole JSON answer unreadable (the title then shows the replacement mark).
QByteArray repairUtf8(const QByteArray& bytes);

struct ReleasesParse {
    ui::OnlineStatus status = ui::OnlineStatus::BadAnswer;
    std::vector<ui::ReleaseCandidate> releases;
};

// A MusicBrainz discid answer (JSON: "releases", or a CD stub). Of each release the medium
// that carries `discId` is taken, else the one with `audioTracks` tracks, else the first.
ReleasesParse parseMusicBrainz(const QByteArray& json, const std::string& discId, int audioTracks);

// One match of a CDDB query: the category and disc ID a read needs, and its "artist / title".
struct CddbMatch {
    std::string category, discId, title;
};
struct CddbQueryParse {
    ui::OnlineStatus status = ui::OnlineStatus::BadAnswer;
    std::vector<CddbMatch> matches;
    std::string serverText;  // the status line, for a refusal
};
// A "cddb query" answer: 200 (one exact match), 210/211 (a list up to "."), 202 (none).
CddbQueryParse parseCddbQuery(const QByteArray& text);
// A "cddb read" answer (210 and an xmcd entry up to "."): DTITLE "artist / title", DYEAR,
// TTITLEn (a "artist / title" in a track names its artist); repeated keys continue the value.
ReleasesParse parseCddbRead(const QByteArray& text);

// An LRCLIB record (GET /api/get, /api/get-cached): Found with its lyrics.
ui::LyricsResult parseLrclibRecord(const QByteArray& json);
// An LRCLIB search answer (an array of records): the record within 2 s of `durationSec`,
// synced lyrics preferred; NotFound when none is that close.
ui::LyricsResult parseLrclibSearch(const QByteArray& json, int durationSec);
// The "message" (or "name") of an LRCLIB error body; empty when it has none.
std::string lrclibErrorText(const QByteArray& json);

struct Challenge {
    std::string prefix;
    QByteArray target;  // 32 bytes, big-endian
};
// An LRCLIB challenge: a prefix and a 64-digit hex target.
std::optional<Challenge> parseChallenge(const QByteArray& json);

// Seconds of an HTTP Retry-After value (a number of seconds or an HTTP date, against `now`
// in seconds since the epoch); 0 when it says nothing usable. At most one day.
int retryAfterSeconds(const QByteArray& value, qint64 now);

}  // namespace lirafok::qt
