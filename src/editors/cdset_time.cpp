#include "editors/cdset_time.h"

#include "core/text.h"

namespace lirafok {

namespace {
const char* const kColon = "：";  // U+FF1A
}  // namespace

std::string TIME_SETWK(std::int32_t ms) {
    // Whole seconds by floor division, so that a negative nudge result still reads back.
    const std::int64_t t = ms;
    const std::int64_t s = t >= 0 ? t / 1000 : -((-t + 999) / 1000);
    const std::int64_t m = s >= 0 ? s / 60 : -((-s + 59) / 60);
    return text::pad(m, 2) + kColon + text::pad(s - 60 * m, 2) + kColon +
           text::pad(t - 1000 * s, 3);
}

std::int32_t setterTimeValue(const std::string& timeText) {
    const std::int64_t v = std::int64_t{text::val(text::mid(timeText, 1, 2))} * 60000 +
                           std::int64_t{text::val(text::mid(timeText, 4, 2))} * 1000 +
                           text::val(text::mid(timeText, 7, 4));
    return static_cast<std::int32_t>(v);
}

}  // namespace lirafok
