// One Load of the sample vehicle through the exported function pointer,
// each paired with a Dispose: Load appends the listed modules to the chain,
// so without the Dispose every iteration would grow the chain. The vehicle's
// module list is the one it ships with; a module it names that is not in the
// folder costs its existence test.
#include <benchmark/benchmark.h>

#include "bench/host_setup.h"
#include "support/test_folder.h"

namespace {

void loadDisposeSampleVehicle(benchmark::State& state) {
    bench::runOrSkip(state, [&] {
        const testing_support::TestFolder folder(u"orvalis bench load");
        bench::copySampleVehicle(folder);
        state.counters["modules"] = static_cast<double>(bench::checkVehicleLoads(folder));
        const bench::LoadedLibrary library(bench::installPlugin(folder));
        const host::EntryPoints plugin = library.entryPoints();
        bench::startPlugin(plugin);
        plugin.Dispose();
        for (auto _ : state) {
            plugin.Load();
            plugin.Dispose();
        }
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    });
}

BENCHMARK(loadDisposeSampleVehicle)->Unit(benchmark::kMicrosecond);

}  // namespace
