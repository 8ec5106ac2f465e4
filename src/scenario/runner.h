#pragma once
// The headless runner: runs scenario files against the whole program on a virtual clock.
#include <ostream>
#include <string>
#include <vector>

namespace lirafok::scenario {

struct Outcome {
    bool passed = false;
    std::string message;  // "LINE: why" when failed
};

// Runs one scenario text in a fresh sandbox folder (removed afterwards).
Outcome runScenario(const std::string& text);

// Runs the files, prints "PASS name" / "FAIL name:LINE: why" per file and the closing line
// "N passed, M failed". Returns the process exit code (0 when all passed).
int runFiles(const std::vector<std::string>& files, std::ostream& out);

}  // namespace lirafok::scenario
