#pragma once
// Reading scenario files: lines, words with quoting, and the blocks of `file` and `expect`.
#include <string>
#include <vector>

namespace lirafok::scenario {

struct Command {
    int line = 0;
    std::vector<std::string> words;
    std::vector<std::string> block;  // raw lines of a `file`/`expect file`/`expect printed` block
};

// Splits a command line into words: blanks separate, a word starting with `"` runs to the
// closing quote with the escapes \" \\ \r \n \t \xNN. Throws std::runtime_error on an
// unterminated quote.
std::vector<std::string> splitWords(const std::string& line);

// Parses a whole scenario; throws std::runtime_error("LINE: why") on a malformed file.
std::vector<Command> parseScenario(const std::string& text);

// The bytes of one block line as the `file` command writes it: text in CP932, \xNN as the raw
// byte, \\ as one backslash; no line end.
std::string blockLineBytes(const std::string& line);

}  // namespace lirafok::scenario
