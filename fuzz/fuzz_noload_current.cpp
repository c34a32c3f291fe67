// A no-load current file of arbitrary bytes.
#include "config/notch.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    config::NotchConfig notch;
    notch.brakeNoLoadCurrentPath =
        fuzzing::writeScratchFile(std::filesystem::path("notch") / "noload.csv", data, size);
    config::LoadReport report;
    fuzzing::expectContainedOutcome([&] { config::loadNoLoadCurrent(notch, report); });
    return 0;
}
