#include "qt/online_parse.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <cmath>
#include <map>

namespace lirafok::qt {

namespace {

std::string str(const QJsonValue& v) {
    return v.isString() ? v.toString().toStdString() : std::string();
}

// An artist credit as MusicBrainz writes it: each name followed by its join phrase.
std::string credit(const QJsonValue& v) {
    std::string out;
    for (const QJsonValue& c : v.toArray()) {
        const QJsonObject o = c.toObject();
        std::string name = str(o.value("name"));
        if (name.empty()) name = str(o.value("artist").toObject().value("name"));
        out += name + str(o.value("joinphrase"));
    }
    return out;
}

// The medium of a release that is the disc in the drive.
QJsonObject medium(const QJsonArray& media, const std::string& discId, int audioTracks) {
    const QString id = QString::fromStdString(discId);
    for (const QJsonValue& m : media)
        for (const QJsonValue& d : m.toObject().value("discs").toArray())
            if (!id.isEmpty() && d.toObject().value("id").toString() == id) return m.toObject();
    for (const QJsonValue& m : media)
        if (m.toObject().value("tracks").toArray().size() == audioTracks) return m.toObject();
    return media.isEmpty() ? QJsonObject() : media.first().toObject();
}

void addTrack(ui::ReleaseCandidate& r, std::string title, std::string artist) {
    ++r.totalTracks;
    if (static_cast<int>(r.tracks.size()) < ui::kMaxReleaseTracks)
        r.tracks.push_back({std::move(title), std::move(artist)});
}

ui::ReleaseCandidate release(const QJsonObject& o, const std::string& discId, int audioTracks) {
    ui::ReleaseCandidate r;
    r.source = "MusicBrainz";
    r.title = str(o.value("title"));
    r.artist = credit(o.value("artist-credit"));
    r.country = str(o.value("country"));
    r.date = str(o.value("date"));
    for (const QJsonValue& li : o.value("label-info").toArray()) {
        const QJsonObject l = li.toObject();
        if (r.label.empty()) r.label = str(l.value("label").toObject().value("name"));
        if (r.catalogNumber.empty()) r.catalogNumber = str(l.value("catalog-number"));
    }
    const QJsonObject m = medium(o.value("media").toArray(), discId, audioTracks);
    for (const QJsonValue& tv : m.value("tracks").toArray()) {
        const QJsonObject t = tv.toObject();
        const QJsonObject rec = t.value("recording").toObject();
        std::string title = str(t.value("title"));
        if (title.empty()) title = str(rec.value("title"));
        std::string artist = credit(t.value("artist-credit"));
        if (artist.empty()) artist = credit(rec.value("artist-credit"));
        addTrack(r, std::move(title), std::move(artist));
    }
    return r;
}

// The lines of a CDDB answer without their CR, up to the terminating ".".
QList<QByteArray> cddbLines(const QByteArray& text) {
    QList<QByteArray> lines;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        lines.push_back(line);
    }
    return lines;
}

// "artist / title" split at its first " / "; without one, the whole is the title.
void splitArtistTitle(const std::string& s, std::string& artist, std::string& title) {
    const auto at = s.find(" / ");
    if (at == std::string::npos) {
        artist.clear();
        title = s;
    } else {
        artist = s.substr(0, at);
        title = s.substr(at + 3);
    }
}

ui::LyricsResult record(const QJsonObject& o) {
    ui::LyricsResult r;
    r.outcome.status = ui::OnlineStatus::Found;
    r.synced = str(o.value("syncedLyrics"));
    r.plain = str(o.value("plainLyrics"));
    r.instrumental = o.value("instrumental").toBool(false);
    return r;
}

}  // namespace

QByteArray repairUtf8(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        int len = b < 0x80                 ? 1
                  : b >= 0xC2 && b <= 0xDF ? 2
                  : b >= 0xE0 && b <= 0xEF ? 3
                  : b >= 0xF0 && b <= 0xF4 ? 4
                                           : 0;
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) ok = (p[i + k] & 0xC0) == 0x80;
        // Overlong three- and four-byte forms, surrogates and code points past U+10FFFF.
        if (ok && len == 3)
            ok = !(b == 0xE0 && p[i + 1] < 0xA0) && !(b == 0xED && p[i + 1] >= 0xA0);
        if (ok && len == 4)
            ok = !(b == 0xF0 && p[i + 1] < 0x90) && !(b == 0xF4 && p[i + 1] >= 0x90);
        if (ok) {
            out.append(bytes.constData() + i, len);
            i += len;
        } else {
            out.append("\xEF\xBF\xBD");
            ++i;
        }
    }
    return out;
}

ReleasesParse parseMusicBrainz(const QByteArray& json, const std::string& discId, int audioTracks) {
    ReleasesParse out;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(repairUtf8(json), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return out;
    const QJsonObject root = doc.object();
    if (root.value("releases").isArray()) {
        for (const QJsonValue& v : root.value("releases").toArray())
            if (v.isObject()) out.releases.push_back(release(v.toObject(), discId, audioTracks));
    } else if (root.value("tracks").isArray()) {
        // A CD stub: an anonymous track list without releases.
        ui::ReleaseCandidate r;
        r.source = "MusicBrainz";
        r.title = str(root.value("title"));
        r.artist = str(root.value("artist"));
        for (const QJsonValue& t : root.value("tracks").toArray())
            addTrack(r, str(t.toObject().value("title")), str(t.toObject().value("artist")));
        out.releases.push_back(std::move(r));
    } else {
        return out;
    }
    out.status = out.releases.empty() ? ui::OnlineStatus::NotFound : ui::OnlineStatus::Found;
    return out;
}

CddbQueryParse parseCddbQuery(const QByteArray& text) {
    CddbQueryParse out;
    const QList<QByteArray> lines = cddbLines(text);
    if (lines.isEmpty() || lines.first().size() < 3) return out;
    const QByteArray& status = lines.first();
    out.serverText = status.toStdString();
    bool ok = false;
    const int code = status.left(3).toInt(&ok);
    if (!ok) return out;
    auto match = [](const QByteArray& line) -> std::optional<CddbMatch> {
        const QList<QByteArray> w = line.split(' ');
        if (w.size() < 2 || w[0].isEmpty() || w[1].isEmpty()) return std::nullopt;
        const qsizetype at = w[0].size() + 1 + w[1].size() + 1;
        return CddbMatch{w[0].toStdString(), w[1].toStdString(),
                         at < line.size() ? line.mid(at).toStdString() : std::string()};
    };
    if (code == 202) {
        out.status = ui::OnlineStatus::NotFound;
    } else if (code == 200) {
        const auto m = match(status.mid(4));
        if (!m) return out;
        out.matches.push_back(*m);
        out.status = ui::OnlineStatus::Found;
    } else if (code == 210 || code == 211) {
        bool ended = false;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (lines[i] == ".") {
                ended = true;
                break;
            }
            if (const auto m = match(lines[i])) out.matches.push_back(*m);
        }
        if (!ended) {  // cut short
            out.matches.clear();
            return out;
        }
        out.status = out.matches.empty() ? ui::OnlineStatus::NotFound : ui::OnlineStatus::Found;
    } else {
        out.status = ui::OnlineStatus::Refused;
    }
    return out;
}

ReleasesParse parseCddbRead(const QByteArray& text) {
    ReleasesParse out;
    const QList<QByteArray> lines = cddbLines(text);
    if (lines.isEmpty() || !lines.first().startsWith("210")) {
        if (!lines.isEmpty() && lines.first().startsWith("401"))
            out.status = ui::OnlineStatus::NotFound;
        return out;
    }
    std::map<std::string, std::string> values;
    std::map<int, std::string> tracks;
    bool ended = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line == ".") {
            ended = true;
            break;
        }
        if (line.startsWith('#')) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QByteArray key = line.left(eq);
        const std::string value = line.mid(eq + 1).toStdString();
        if (key.startsWith("TTITLE")) {
            bool ok = false;
            const int n = key.mid(6).toInt(&ok);
            if (ok && n >= 0 && n < 1000) tracks[n] += value;
        } else {
            values[key.toStdString()] += value;
        }
    }
    if (!ended) return out;
    ui::ReleaseCandidate r;
    r.source = "gnudb";
    splitArtistTitle(values["DTITLE"], r.artist, r.title);
    r.date = values["DYEAR"];
    for (int n = 0; tracks.count(n); ++n) {
        std::string artist, title;
        splitArtistTitle(tracks[n], artist, title);
        addTrack(r, title, artist);
    }
    if (r.title.empty() && r.tracks.empty()) {
        out.status = ui::OnlineStatus::NotFound;
        return out;
    }
    out.releases.push_back(std::move(r));
    out.status = ui::OnlineStatus::Found;
    return out;
}

ui::LyricsResult parseLrclibRecord(const QByteArray& json) {
    ui::LyricsResult r;
    r.outcome.status = ui::OnlineStatus::BadAnswer;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(repairUtf8(json), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return r;
    return record(doc.object());
}

ui::LyricsResult parseLrclibSearch(const QByteArray& json, int durationSec) {
    ui::LyricsResult r;
    r.outcome.status = ui::OnlineStatus::BadAnswer;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(repairUtf8(json), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) return r;
    r.outcome.status = ui::OnlineStatus::NotFound;
    bool haveSynced = false;
    for (const QJsonValue& v : doc.array()) {
        const QJsonObject o = v.toObject();
        if (std::fabs(o.value("duration").toDouble(-1000) - durationSec) > 2.0) continue;
        const ui::LyricsResult candidate = record(o);
        const bool synced = !candidate.synced.empty();
        if (r.outcome.status == ui::OnlineStatus::NotFound || (synced && !haveSynced)) {
            r = candidate;
            haveSynced = synced;
        }
    }
    return r;
}

std::string lrclibErrorText(const QByteArray& json) {
    const QJsonDocument doc = QJsonDocument::fromJson(repairUtf8(json));
    if (!doc.isObject()) return {};
    std::string s = str(doc.object().value("message"));
    return s.empty() ? str(doc.object().value("name")) : s;
}

std::optional<Challenge> parseChallenge(const QByteArray& json) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject()) return std::nullopt;
    const QString prefix = doc.object().value("prefix").toString();
    const QString target = doc.object().value("target").toString();
    if (prefix.isEmpty() || prefix.size() > 256 || target.size() != 64) return std::nullopt;
    for (const QChar c : target)
        if (!c.isDigit() && !(c.toLower() >= 'a' && c.toLower() <= 'f')) return std::nullopt;
    return Challenge{prefix.toStdString(), QByteArray::fromHex(target.toLatin1())};
}

int retryAfterSeconds(const QByteArray& value, qint64 now) {
    const QByteArray v = value.trimmed();
    if (v.isEmpty()) return 0;
    bool ok = false;
    const qint64 seconds = v.toLongLong(&ok);
    qint64 wait = 0;
    if (ok) {
        wait = seconds;
    } else {
        // An HTTP date ends in "GMT", which Qt's RFC 2822 reader may not take as a zone.
        QString date = QString::fromLatin1(v);
        if (date.endsWith(QLatin1String(" GMT"))) date = date.chopped(4) + QLatin1String(" +0000");
        const QDateTime at = QDateTime::fromString(date, Qt::RFC2822Date);
        if (!at.isValid()) return 0;
        wait = at.toSecsSinceEpoch() - now;
    }
    return static_cast<int>(std::clamp<qint64>(wait, 0, 86400));
}

}  // namespace lirafok::qt
