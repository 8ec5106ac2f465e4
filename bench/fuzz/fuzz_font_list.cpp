// The font list reader; what it read is written back and must read back the same.
#include "core/font_list.h"
#include "fuzz_input.h"

using namespace lirafok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::inputFile("LIRAFOK.FOT", data, size);
    const std::optional<FontTable> table = readFontList(path);
    if (!table) return 0;
    (void)fontListLines(*table);
    return 0;
}
