// A powering parameter file of arbitrary bytes: one empty curve per
// selected step whenever it loads.
#include "config/notch.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    config::NotchConfig notch;
    notch.powerParamsPath = fuzzing::writeScratchFile(std::filesystem::path("notch") / "power.txt", data, size);
    config::LoadReport report;
    bool complete = false;
    fuzzing::expectContainedOutcome([&] {
        config::loadPowerParams(notch, report);
        complete = true;
    });
    if (complete && notch.powerCurrentCurves.size() != notch.powerCurveSteps.size()) std::abort();
    return 0;
}
