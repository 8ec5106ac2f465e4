// Headless runner: lirafok-scenario FILE.scn...
#include <iostream>
#include <string>
#include <vector>

#include "scenario/runner.h"

int main(int argc, char** argv) {
    std::vector<std::string> files(argv + 1, argv + argc);
    if (files.empty()) {
        std::cerr << "usage: lirafok-scenario FILE.scn...\n";
        return 2;
    }
    return lirafok::scenario::runFiles(files, std::cout);
}
