// A scenario file of arbitrary bytes through cabhost's reader: either a
// scenario whose events are in time order within the scenario's day, or an
// error naming the file and a line of it. Nothing is thrown.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "tools/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto path = fuzzing::writeScratchFile("scenario.txt", data, size);
    const std::size_t lines = static_cast<std::size_t>(std::count(data, data + size, '\n')) + 1;
    tools::ParsedScenario parsed;
    try {
        parsed = tools::readScenarioFile(path);
    } catch (...) {
        std::abort();
    }
    if (parsed.error) {
        const tools::ScenarioError& error = *parsed.error;
        if (error.message.empty() || error.line < 0 || static_cast<std::size_t>(error.line) > lines) std::abort();
        return 0;
    }
    int64_t previous = 0;
    for (const tools::ScenarioEvent& event : parsed.scenario.events) {
        if (event.timeMs < previous || event.timeMs > tools::kMaxScenarioMs) std::abort();
        previous = event.timeMs;
    }
    if (parsed.scenario.endMs < previous || parsed.scenario.endMs > tools::kMaxScenarioMs + 1000) std::abort();
    return 0;
}
