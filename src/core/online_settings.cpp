#include "core/online_settings.h"

#include <vector>

#include "core/text.h"

namespace lirafok {

namespace {

std::string trimmed(const std::string& s) {
    const auto a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    const auto b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

// A usable base URL, its trailing "/" dropped; empty when it is not http or https.
std::string baseUrl(std::string v) {
    if (v.rfind("http://", 0) != 0 && v.rfind("https://", 0) != 0) return {};
    while (!v.empty() && v.back() == '/') v.pop_back();
    return v.find_first_of(" \t") == std::string::npos ? v : std::string();
}

}  // namespace

OnlineSettings readOnlineSettings(const std::string& path) {
    OnlineSettings s;
    const auto lines = text::readLines(path);
    if (!lines) return s;
    for (const std::string& raw : *lines) {
        const std::string line = trimmed(raw);
        if (line.empty() || line[0] == ';') continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = trimmed(line.substr(0, eq));
        const std::string value = trimmed(line.substr(eq + 1));
        if (key == "ONLINE") {
            if (value == "1")
                s.consent = OnlineConsent::Allowed;
            else if (value == "0")
                s.consent = OnlineConsent::Refused;
        } else if (key == "MUSICBRAINZ" || key == "GNUDB" || key == "LRCLIB") {
            const std::string url = baseUrl(value);
            if (url.empty()) continue;
            (key == "MUSICBRAINZ" ? s.musicBrainz : key == "GNUDB" ? s.gnudb : s.lrclib) = url;
        }
    }
    return s;
}

bool writeOnlineSettings(const std::string& path, const OnlineSettings& s) {
    std::vector<std::string> lines{"; LIRAFOK オンライン検索（タイトル・歌詞）の設定"};
    if (s.consent != OnlineConsent::Unasked)
        lines.push_back(std::string("ONLINE=") + (s.consent == OnlineConsent::Allowed ? "1" : "0"));
    lines.push_back("MUSICBRAINZ=" + s.musicBrainz);
    lines.push_back("GNUDB=" + s.gnudb);
    lines.push_back("LRCLIB=" + s.lrclib);
    return text::writeLines(path, lines);
}

}  // namespace lirafok
