// A braking parameter file of arbitrary bytes.
#include "config/notch.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    config::NotchConfig notch;
    notch.brakeParamsPath = fuzzing::writeScratchFile(std::filesystem::path("notch") / "brake.txt", data, size);
    config::LoadReport report;
    fuzzing::expectContainedOutcome([&] { config::loadBrakeParams(notch, report); });
    return 0;
}
