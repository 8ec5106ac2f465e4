// The scenario parser: a malformed file is a std::runtime_error, never anything worse.
#include <stdexcept>

#include "fuzz_input.h"
#include "scenario/script.h"

using namespace lirafok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        for (const scenario::Command& c :
             scenario::parseScenario(std::string(fuzz::asText(data, size))))
            for (const std::string& line : c.block) (void)scenario::blockLineBytes(line);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
