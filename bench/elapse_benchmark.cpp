// One Elapse called through the exported function pointer, as the simulator
// calls it: the plug-in over a copy of the sample vehicle, alone and with 1,
// 4 and 16 do-nothing detail modules in its module list; and, as the floor,
// the do-nothing module's own Elapse called the same way. The difference
// between the runs with and without modules is the chain's cost per module.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <stdexcept>

#include "bench/driving.h"
#include "bench/host_setup.h"
#include "support/test_folder.h"

namespace {

void elapsePlugin(benchmark::State& state) {
    bench::runOrSkip(state, [&] {
        const testing_support::TestFolder folder(u"orvalis bench elapse");
        const auto modules = static_cast<std::size_t>(state.range(0));
        bench::copySampleVehicle(folder);
        bench::listIdleModules(folder, modules);
        if (bench::checkVehicleLoads(folder) != modules)
            throw std::runtime_error("the plug-in does not load every listed module");
        const bench::LoadedLibrary library(bench::installPlugin(folder));
        const host::EntryPoints plugin = library.entryPoints();
        bench::startPlugin(plugin);
        bench::driveFrames(state, plugin);
        plugin.Dispose();
    });
}

void elapseIdleModule(benchmark::State& state) {
    bench::runOrSkip(state, [&] {
        const bench::LoadedLibrary library(bench::idleModuleFile());
        bench::driveFrames(state, library.entryPoints());
    });
}

BENCHMARK(elapsePlugin)->ArgName("modules")->Arg(0)->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(elapseIdleModule);

}  // namespace
