// A notch index file of arbitrary bytes: every path it sets lies where the
// path rules put it, and the section stays one of the three.
#include "config/notch.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto path = fuzzing::writeScratchFile(std::filesystem::path("notch") / "notch.txt", data, size);
    config::NotchConfig notch;
    config::LoadReport report;
    fuzzing::expectContainedOutcome([&] { config::loadNotchIndex(notch, path, report); });
    if (notch.activeSection != config::NoSection && notch.activeSection != config::PowerSection &&
        notch.activeSection != config::BrakeSection)
        std::abort();
    return 0;
}
