#include "catalogue/title_text.h"

#include "catalogue/catalogue_file.h"
#include "core/text.h"

namespace lirafok {

namespace {
std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    std::size_t f = 0;
    while (f < s.size() && s[f] == ' ') ++f;
    return s.substr(f);
}
}  // namespace

std::string titleText(const std::string& storedTitle) {
    const std::string half = titleLine(storedTitle, 0);
    const std::string first = trimmed(half), second = trimmed(titleLine(storedTitle, 1));
    if (second.empty()) return first;
    if (first.empty()) return second;
    const bool ranOn =
        text::byteLength(half) >= static_cast<std::size_t>(kTitleHalfBytes) && half.back() != ' ';
    return first + (ranOn ? "" : " ") + second;
}

}  // namespace lirafok
