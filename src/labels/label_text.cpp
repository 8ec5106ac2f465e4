#include "labels/label_text.h"

#include "catalogue/catalogue_file.h"
#include "catalogue/title_text.h"
#include "common/app.h"
#include "core/text.h"

namespace lirafok {

std::string trimTrailingBlanks(const std::string& s) {
    const std::size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

std::string discTitleText(const AppState& s) {
    return trimTrailingBlanks(titleLine(s.DiscTitle, 0)) + " " +
           trimTrailingBlanks(titleLine(s.DiscTitle, 1));
}

std::string titleWithArtist(const AppState& s) {
    const std::string artist = trimTrailingBlanks(s.DiscArtist);
    return discTitleText(s) + (artist.empty() ? "" : " ／ " + artist);
}

std::string songLine(const std::string& entry, const std::string& number, bool withTime) {
    return number + (withTime ? text::mid(entry, 4, 6) : "") + text::mid(entry, 10);
}

std::string labelDate(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    return text::pad(tm.tm_mon + 1, 2) + "-" + text::pad(tm.tm_mday, 2) + "-" +
           text::pad(tm.tm_year + 1900, 4);
}

std::string labelJobName(const AppState& s, const std::string& kind) {
    const std::string title = titleText(s.DiscTitle);
    return title.empty() ? kind : title + " " + kind;
}

bool tellLabelJob(App& app, bool sent, const std::string& title) {
    ui::Printer& p = app.svc.printer;
    if (sent) {
        if (!p.savedTo().empty())
            app.msgBox("PDF を保存しました。\r\n" + p.savedTo(),
                       ui::mb::kOkOnly + ui::mb::kInformation, title);
        return true;
    }
    if (p.cancelled()) return false;
    app.PlayErrorCue();
    const std::string why = p.errorText();
    app.msgBox(why.empty() ? "印刷できませんでした。" : "印刷できませんでした。\r\n" + why,
               ui::mb::kOkOnly + ui::mb::kExclamation, title);
    return false;
}

}  // namespace lirafok
