// The settings file reader, and the writer's lines of whatever it read.
#include "core/settings_file.h"
#include "fuzz_input.h"

using namespace lirafok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::inputFile("LIRAFOK.INI", data, size);
    Settings s;
    std::int32_t volum = 0, volu2 = 0;
    const SettingsReadResult r = readSettings(
        path, s, [&](int channel, std::int32_t level) { (channel == 0 ? volum : volu2) = level; });
    (void)settingsLines(s, r.layoutFlag, r.fullLeft, r.fullTop, r.reducedLeft, r.reducedTop, volum,
                        volu2);
    return 0;
}
