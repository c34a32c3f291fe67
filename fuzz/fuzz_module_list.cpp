// A module list of arbitrary bytes: every line is one attempt, noted in the
// report; whatever loads is disposed again.
#include "fuzz/fuzz_support.h"
#include "plugin/module_chain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::writeScratchFile("detailmodulesx64.txt", data, size);
    plugin::ModuleChain chain;
    config::LoadReport report;
    fuzzing::expectContainedOutcome([&] { plugin::loadModuleChain(chain, fuzzing::scratchFolder(), report); });
    plugin::disposeModuleChain(chain);
    if (!chain.modules.empty()) std::abort();
    return 0;
}
