#include "core/settings_file.h"

#include "core/app_state.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "core/text.h"

namespace lirafok {

namespace {

// How a key's value is written; reading follows from the slice of its table row.
enum class Form {
    FlagOne,      // "1" when the value is 1, else "0"
    FlagNonZero,  // "1" when the value is not 0, else "0"
    Fixed,        // exactly `count` characters, zero-padded: read back through a fixed slice
    Padded,       // zero-padded to `count` digits, read to the end of the line
    Decimal,      // plain decimal
    Text,         // the text unchanged
    SameAsTrkle,  // TOTLE: written with TRKLE's digit
    Window,       // a Fixed window value that applies only while HOZON holds 1
    Layout,       // GMNSN/GMNSR: layout digit, left and top
    Volume,       // VOLUM/VOLU2: a channel level
};

struct Field {
    const char* key;
    Form form;
    // Fixed, Window and the flags: the value's length in characters from the seventh, both
    // read and written. Padded: digits written; read to the end of the line. Others: -1.
    int count;
    std::int32_t Settings::*number;
    std::string Settings::*str;
    int channel;  // Layout: 0 full, 1 reduced; Volume: channel
};

constexpr Field num(const char* key, Form form, int count, std::int32_t Settings::*m) {
    return {key, form, count, m, nullptr, 0};
}
constexpr Field txt(const char* key, std::string Settings::*m) {
    return {key, Form::Text, -1, nullptr, m, 0};
}
constexpr Field special(const char* key, Form form, int channel) {
    return {key, form, -1, nullptr, nullptr, channel};
}

// Every key in the order the file is written.
constexpr Field kFields[] = {
    num("KASIH", Form::FlagOne, 1, &Settings::KASIH),
    num("KAIGY", Form::FlagOne, 1, &Settings::KAIGY),
    num("TUNEH", Form::FlagOne, 1, &Settings::TUNEH),
    num("KASIF", Form::Fixed, 2, &Settings::KASIF),
    txt("KASID", &Settings::KASID),
    num("SCANA", Form::Fixed, 3, &Settings::SCANA),
    num("SCANS", Form::Fixed, 2, &Settings::SCANS),
    num("CYOUS", Form::Fixed, 4, &Settings::CYOUS),
    num("CMAI1", Form::Decimal, -1, &Settings::CMAI1),
    num("CMAI2", Form::Decimal, -1, &Settings::CMAI2),
    num("CMAI3", Form::Decimal, -1, &Settings::CMAI3),
    num("CMAI4", Form::Decimal, -1, &Settings::CMAI4),
    num("CMAI5", Form::Decimal, -1, &Settings::CMAI5),
    num("CKAS1", Form::Decimal, -1, &Settings::CKAS1),
    num("CKAS2", Form::Decimal, -1, &Settings::CKAS2),
    num("CKAS3", Form::Decimal, -1, &Settings::CKAS3),
    num("CKAS4", Form::Decimal, -1, &Settings::CKAS4),
    num("KIDOU", Form::FlagNonZero, 1, &Settings::KIDOU),
    num("HOZON", Form::FlagNonZero, 1, &Settings::HOZON),
    num("TRKLE", Form::FlagOne, 1, &Settings::TRKLE),
    num("TOTLE", Form::SameAsTrkle, 1, &Settings::TOTLE),
    num("KASIT", Form::Window, 5, &Settings::KASIT),
    num("KASII", Form::Window, 5, &Settings::KASII),
    num("KASIL", Form::Window, 5, &Settings::KASIL),
    num("KASIW", Form::Window, 5, &Settings::KASIW),
    num("SASIT", Form::Window, 5, &Settings::SASIT),
    num("SASIH", Form::Window, 5, &Settings::SASIH),
    num("SASIL", Form::Window, 5, &Settings::SASIL),
    num("SASIW", Form::Window, 5, &Settings::SASIW),
    num("FBOLD", Form::Decimal, -1, &Settings::FBOLD),
    num("FITAL", Form::Decimal, -1, &Settings::FITAL),
    txt("FONTN", &Settings::FONTN),
    special("GMNSN", Form::Layout, 0),
    special("GMNSR", Form::Layout, 1),
    special("VOLUM", Form::Volume, 0),
    special("VOLU2", Form::Volume, 1),
    num("SWVOL", Form::Decimal, -1, &Settings::SWVOL),
    num("SCREN", Form::Decimal, -1, &Settings::SCREN),
    num("SLOAD", Form::Decimal, -1, &Settings::SLOAD),
    txt("GPT1N", &Settings::GPT1N),
    num("GPT1S", Form::Padded, 2, &Settings::GPT1S),
    num("GPT1B", Form::Decimal, -1, &Settings::GPT1B),
    num("GPT1I", Form::Decimal, -1, &Settings::GPT1I),
    txt("GPT2N", &Settings::GPT2N),
    num("GPT2S", Form::Padded, 2, &Settings::GPT2S),
    num("GPT2B", Form::Decimal, -1, &Settings::GPT2B),
    num("GPT2I", Form::Decimal, -1, &Settings::GPT2I),
    txt("GPASN", &Settings::GPASN),
    num("GPASS", Form::Padded, 2, &Settings::GPASS),
    num("GPASI", Form::Decimal, -1, &Settings::GPASI),
    num("GPASB", Form::Decimal, -1, &Settings::GPASB),
    txt("GPBSN", &Settings::GPBSN),
    num("GPBSS", Form::Padded, 2, &Settings::GPBSS),
    num("GPBSI", Form::Decimal, -1, &Settings::GPBSI),
    num("GPBSB", Form::Decimal, -1, &Settings::GPBSB),
    txt("GPOTN", &Settings::GPOTN),
    num("GPOTI", Form::Decimal, -1, &Settings::GPOTI),
    num("GPOTB", Form::Decimal, -1, &Settings::GPOTB),
    num("GPCH1", Form::Decimal, -1, &Settings::GPCH1),
    num("GPCH2", Form::Decimal, -1, &Settings::GPCH2),
    num("GPCH3", Form::Decimal, -1, &Settings::GPCH3),
    num("GPCH4", Form::Decimal, -1, &Settings::GPCH4),
    num("GPLEF", Form::Padded, 3, &Settings::GPLEF),
    num("GPTOP", Form::Padded, 3, &Settings::GPTOP),
    txt("GPSTR", &Settings::GPSTR),
    txt("GPTYP", &Settings::GPTYP),
    txt("GPNR ", &Settings::GPNR),
    num("GPSIZ", Form::Decimal, -1, &Settings::GPSIZ),
    num("AUTOX", Form::Decimal, -1, &Settings::AUTOX),
    num("SOUND", Form::Decimal, -1, &Settings::SOUND),
};

// A number in exactly `width` characters, so that reading a fixed slice gets it back: zero
// padded, a negative number as "-" and width - 1 digits, clamped to what fits.
std::string fixedWidth(std::int64_t n, int width) {
    std::int64_t limit = 1;
    for (int i = 0; i < width; ++i) limit *= 10;
    n = std::clamp<std::int64_t>(n, -(limit / 10 - 1), limit - 1);
    if (n < 0) return "-" + text::pad(-n, width - 1);
    return text::pad(n, width);
}

// The row of a key, or nullptr: every line read looks its key up once instead of comparing it
// with each of the rows. Keys are unique in the table.
const Field* fieldOf(std::string_view key) {
    static const std::unordered_map<std::string_view, const Field*> byKey = [] {
        std::unordered_map<std::string_view, const Field*> m;
        for (const Field& f : kFields) m.emplace(f.key, &f);
        return m;
    }();
    const auto it = byKey.find(key);
    return it == byKey.end() ? nullptr : it->second;
}

std::string layoutValue(int layoutFlag, int left, int top) {
    // A negative left is stored as 0; both numbers keep their five characters so the fixed
    // slices of the reader find them.
    return std::string(layoutFlag == 1 ? "1" : "0") + fixedWidth(std::max(left, 0), 5) +
           fixedWidth(top, 5);
}

}  // namespace

SettingsReadResult readSettings(
    const std::string& path, Settings& s,
    const std::function<void(int channel, std::int32_t level)>& onVolumeLine) {
    SettingsReadResult result;
    const std::optional<std::vector<std::string>> lines = text::readLines(path);
    if (!lines) return result;
    result.opened = true;
    bool sawCkas4 = false;
    for (const std::string& line : *lines) {
        const Field* row = fieldOf(text::left(line, 5));
        if (!row) continue;
        const Field& f = *row;
        const std::string value = text::mid(line, 7, f.form == Form::Padded ? -1 : f.count);
        switch (f.form) {
            case Form::Text:
                s.*f.str = value;
                break;
            case Form::Window:
                if (s.HOZON == 1) s.*f.number = text::val(value);
                break;
            case Form::Layout: {
                result.layoutFlag = text::val(text::mid(line, 7, 1));
                const std::int32_t left = text::val(text::mid(line, 8, 5));
                const std::int32_t top = text::val(text::mid(line, 13, 5));
                (f.channel == 0 ? result.fullLeft : result.reducedLeft) = left;
                (f.channel == 0 ? result.fullTop : result.reducedTop) = top;
                break;
            }
            case Form::Volume:
                if (onVolumeLine) onVolumeLine(f.channel, text::val(value));
                break;
            default:
                s.*f.number = text::val(value);
                if (f.number == &Settings::CKAS4) sawCkas4 = true;
                break;
        }
    }
    if (!sawCkas4) s.CKAS4 = s.CKAS2;
    return result;
}

void applySettingsFallback(Settings& s) {
    s.KASIH = 0;
    s.KASIF = 12;
    s.KASID.clear();
    s.SCANA = 0;
    s.SCANS = 10;
    s.CYOUS = 300;
    s.KIDOU = 0;
    s.HOZON = 0;
}

std::vector<std::string> settingsLines(const Settings& s, int layoutFlag, int fullLeft, int fullTop,
                                       int reducedLeft, int reducedTop, std::int32_t volum,
                                       std::int32_t volu2) {
    std::vector<std::string> lines;
    lines.reserve(std::size(kFields));
    for (const Field& f : kFields) {
        std::string value;
        switch (f.form) {
            case Form::FlagOne:
                value = s.*f.number == 1 ? "1" : "0";
                break;
            case Form::FlagNonZero:
                value = s.*f.number != 0 ? "1" : "0";
                break;
            case Form::SameAsTrkle:
                value = s.TRKLE == 1 ? "1" : "0";
                break;
            case Form::Fixed:
            case Form::Window:
                value = fixedWidth(s.*f.number, f.count);
                break;
            case Form::Padded:
                value = text::pad(s.*f.number, f.count);
                break;
            case Form::Decimal:
                value = std::to_string(s.*f.number);
                break;
            case Form::Text:
                value = s.*f.str;
                break;
            case Form::Layout:
                value = f.channel == 0 ? layoutValue(layoutFlag, fullLeft, fullTop)
                                       : layoutValue(layoutFlag, reducedLeft, reducedTop);
                break;
            case Form::Volume:
                value = text::pad(f.channel == 0 ? volum : volu2, 6);
                break;
        }
        lines.push_back(std::string(f.key) + "=" + value);
    }
    return lines;
}

bool saveSettings(const std::string& path, const Settings& s, int layoutFlag, int fullLeft,
                  int fullTop, int reducedLeft, int reducedTop, std::int32_t volum,
                  std::int32_t volu2) {
    return text::writeLines(path, settingsLines(s, layoutFlag, fullLeft, fullTop, reducedLeft,
                                                reducedTop, volum, volu2));
}

bool SaveSettings(const AppState& s) {
    return saveSettings(s.IniPath, s, s.ReducedLayout, s.FullPos.left, s.FullPos.top,
                        s.ReducedPos.left, s.ReducedPos.top, s.VolumeLevel[0], s.VolumeLevel[1]);
}

}  // namespace lirafok
