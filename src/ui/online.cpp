#include "ui/online.h"

#include <cstdio>

#ifndef LIRAFOK_VERSION
#define LIRAFOK_VERSION "0"
#endif

namespace lirafok::ui {

namespace {

// Sectors between an enhanced CD's audio lead-out and its data track.
constexpr std::int64_t kEnhancedCdGap = 11400;

}  // namespace

std::string programVersion() {
    return LIRAFOK_VERSION;
}

std::string userAgent() {
    return std::string("LIRAFOK/") + LIRAFOK_VERSION + " ( " + kProjectAddress + " )";
}

std::string jsonString(const std::string& utf8) {
    std::string out = "\"";
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

std::string publishBody(const PublishRequest& r) {
    return "{\"trackName\":" + jsonString(r.track) + ",\"artistName\":" + jsonString(r.artist) +
           ",\"albumName\":" + jsonString(r.album) +
           ",\"duration\":" + std::to_string(r.durationSec) +
           ",\"plainLyrics\":" + jsonString(r.plain) + ",\"syncedLyrics\":" + jsonString(r.synced) +
           "}";
}

std::string musicBrainzToc(const DiscToc& toc) {
    std::size_t count = 0;
    while (count < toc.trackSectors.size() && (count >= toc.audio.size() || toc.audio[count]))
        ++count;
    if (count == 0) return {};
    std::int64_t leadOut = toc.leadOutSector;
    if (count < toc.trackSectors.size()) leadOut = toc.trackSectors[count] - kEnhancedCdGap;
    std::string out = std::to_string(toc.firstTrack) + "+" +
                      std::to_string(toc.firstTrack + static_cast<int>(count) - 1) + "+" +
                      std::to_string(leadOut);
    for (std::size_t i = 0; i < count; ++i) out += "+" + std::to_string(toc.trackSectors[i]);
    return out;
}

std::string onlineMessage(const OnlineOutcome& o) {
    const std::string said = o.detail.empty() ? "" : "\n（" + o.detail + "）";
    switch (o.status) {
        case OnlineStatus::Found:
            return {};
        case OnlineStatus::NotFound:
            return "オンラインのデータベースには見つかりませんでした。";
        case OnlineStatus::Offline:
            return "サーバーに接続できません（オフラインか、サーバーが止まっています）。\n"
                   "何も変更していません。";
        case OnlineStatus::TimedOut:
            return "サーバーが " + std::to_string(kRequestTimeoutMs / 1000) +
                   " 秒以内に応答しませんでした。\n何も変更していません。";
        case OnlineStatus::Busy:
            return o.retryAfterSec > 0
                       ? "サーバーが混み合っています。" + std::to_string(o.retryAfterSec) +
                             " 秒ほど待ってから、もう一度お試しください。"
                       : "サーバーが混み合っています。しばらく待ってから、もう一度お試しください。";
        case OnlineStatus::BadAnswer:
            return "サーバーの応答を読み取れませんでした。\n何も変更していません。";
        case OnlineStatus::TooLarge:
            return "サーバーの応答が大きすぎるため、読み込みを中止しました。\n何も変更していません"
                   "。";
        case OnlineStatus::ServerError:
            return "サーバーがエラーを返しました（HTTP " + std::to_string(o.httpStatus) + "）。" +
                   said;
        case OnlineStatus::Refused:
            return "サーバーが受け付けませんでした。" + said;
    }
    return {};
}

std::string onlineShortMessage(const OnlineOutcome& o) {
    switch (o.status) {
        case OnlineStatus::Found:
            return {};
        case OnlineStatus::NotFound:
            return "見つかりませんでした";
        case OnlineStatus::Offline:
            return "接続できません（オフライン）";
        case OnlineStatus::TimedOut:
            return "応答がありません（" + std::to_string(kRequestTimeoutMs / 1000) + " 秒）";
        case OnlineStatus::Busy:
            return "サーバーが混雑しています";
        case OnlineStatus::BadAnswer:
            return "応答を読めません";
        case OnlineStatus::TooLarge:
            return "応答が大きすぎます";
        case OnlineStatus::ServerError:
            return "サーバーのエラー（HTTP " + std::to_string(o.httpStatus) + "）";
        case OnlineStatus::Refused:
            return "受け付けられませんでした";
    }
    return {};
}

}  // namespace lirafok::ui
