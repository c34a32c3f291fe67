// A current curve file of arbitrary bytes, read for a column list with
// repeats, column 0 and a column past any row: one curve per column, each
// sorted by speed, whenever it loads.
#include "config/curves.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto path = fuzzing::writeScratchFile(std::filesystem::path("notch") / "current.csv", data, size);
    const std::vector<uint64_t> columns{6, 7, 8, 9, 10, 11, 11, 12, 0, 1, 40};
    std::vector<panel::CurveTable> curves;
    config::LoadReport report;
    bool complete = false;
    fuzzing::expectContainedOutcome([&] {
        config::loadCurrentCurves(path, curves, columns, report);
        complete = true;
    });
    if (!complete) return 0;
    if (curves.size() != columns.size()) std::abort();
    for (const panel::CurveTable& curve : curves)
        for (std::size_t i = 1; i < curve.size(); ++i)
            if (curve[i - 1].input > curve[i].input) std::abort();
    return 0;
}
