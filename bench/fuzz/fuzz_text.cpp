// CP932 decoding and encoding: any bytes decode; encoding keeps every character (a character
// with two codes comes back under its preferred one, a kept raw lead byte that would merge
// with the next character becomes "?"), and a second round trip changes nothing. The byte and
// character slicing helpers run on the result.
#include "core/text.h"
#include "fuzz_input.h"

using namespace lirafok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::asText(data, size);
    const std::string utf8 = text::fromCp932(bytes);
    const std::string once = text::toCp932(utf8);
    const std::string decoded = text::fromCp932(once);
    if (text::charLength(decoded) != text::charLength(utf8)) __builtin_trap();
    if (text::toCp932(decoded) != once) __builtin_trap();
    const std::size_t n = text::byteLength(utf8);
    if (n != size) __builtin_trap();
    const std::size_t cut = size ? data[0] % (size + 1) : 0;
    (void)text::byteMid(utf8, cut + 1, static_cast<long>(size / 2));
    (void)text::mid(utf8, cut + 1, 3);
    (void)text::charLength(utf8);
    (void)text::padBytes(utf8, 26);
    (void)text::val(bytes);
    (void)text::valDouble(bytes);
    return 0;
}
