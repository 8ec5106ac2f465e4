#pragma once
// Text in the system code page of the data files (CP932 / Shift-JIS) and the number formats
// the files use.
//
// In memory every string is UTF-8. Files are CP932 with CR LF line ends; conversion happens at
// the file boundary only. A byte sequence that does not decode is kept as one private-use
// character per byte (U+F700 + byte), so it is written back unchanged.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirafok::text {

// CP932 bytes -> UTF-8. Never fails; undecodable bytes become U+F700 + byte.
std::string fromCp932(std::string_view bytes);
// UTF-8 -> CP932 bytes. U+F700..U+F7FF become the raw byte; a character CP932 lacks becomes "?".
std::string toCp932(std::string_view utf8);
// Windows-1252 (Western European) bytes -> UTF-8. Never fails: the five bytes the code page
// leaves undefined become the C1 control characters of their value, as Windows decodes them.
std::string fromCp1252(std::string_view bytes);
// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF); plain ASCII is.
bool validUtf8(std::string_view bytes);
// True when CP932 has a character for `c` (every ASCII code does; the private-use range that
// stands for raw bytes does not).
bool inCp932(char32_t c);

// Length in CP932 bytes (a double-byte character counts 2).
std::size_t byteLength(std::string_view utf8);
// Bytes `start` (1-based) to `start + count - 1` of the CP932 form, decoded again (a cut
// through a double-byte character keeps the lone byte as a raw byte). count < 0: to the end.
std::string byteMid(std::string_view utf8, std::size_t start, long count = -1);
// `utf8` padded with blanks to `bytes` CP932 bytes; unchanged when already as long or longer.
std::string padBytes(std::string_view utf8, std::size_t bytes);

// Characters (Unicode code points) of a UTF-8 string, for the character positions the
// formats count (a Japanese character is one character here).
std::size_t charLength(std::string_view utf8);
// Characters `start` (1-based) to `start + count - 1`; count < 0: to the end. Out of range
// gives a shorter or empty string, never an error.
std::string mid(std::string_view utf8, std::size_t start, long count = -1);
std::string left(std::string_view utf8, std::size_t count);
// First code point of the string (0 for an empty string).
char32_t firstChar(std::string_view utf8);

// Lenient number parse: leading blanks skipped, optional sign, digits (and for valDouble a
// decimal point and fraction); anything else ends the number; no digits gives 0.
double valDouble(std::string_view s);
// valDouble rounded to the nearest whole number (halves to even), clamped to 32 bits.
std::int32_t val(std::string_view s);

// Zero-padded decimal: pad(7, 3) = "007", pad(-1, 2) = "-01", pad(123, 2) = "123".
std::string pad(std::int64_t n, int digits);

// Reads a text file: CP932 decoded, split at CR LF (a lone LF also ends a line; a lone CR
// stays in the line). A final line without a line break counts; an empty file has no lines.
// std::nullopt when the file cannot be opened.
std::optional<std::vector<std::string>> readLines(const std::string& path);
// The lines of readLines one at a time, without holding the file: `onLine` sees each decoded
// line (valid only during the call). False when the file cannot be opened or read.
bool forEachLine(const std::string& path, const std::function<void(std::string_view)>& onLine);
// Writes `lines` each followed by CR LF, CP932-encoded, safely: to a temporary file in the
// same folder, flushed to disk, then renamed over `path`. On any failure the old file is
// untouched, the temporary file removed, and false is returned.
bool writeLines(const std::string& path, const std::vector<std::string>& lines);
// Copies a file byte for byte through the same safe rewrite. False when the source cannot be
// read or the target cannot be written.
bool copyFile(const std::string& from, const std::string& to);
// Appends the code point `c` to `out` as UTF-8 (one to four bytes).
void appendUtf8(std::string& out, char32_t c);

}  // namespace lirafok::text
