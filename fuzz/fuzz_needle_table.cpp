// A needle table of arbitrary bytes: loads, or stops with a specified error;
// a table that loaded completely is sorted by input.
#include "fuzz/fuzz_support.h"
#include "panel/needles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto path = fuzzing::writeScratchFile(std::filesystem::path("NeedleTable") / "Speed.csv", data, size);
    panel::CurveTable table;
    config::LoadReport report;
    bool complete = false;
    fuzzing::expectContainedOutcome([&] {
        panel::loadNeedleTable(path, table, report);
        complete = true;
    });
    if (complete)
        for (std::size_t i = 1; i < table.size(); ++i)
            if (table[i - 1].input > table[i].input) std::abort();
    return 0;
}
