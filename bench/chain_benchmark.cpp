// One Elapse of a fresh plug-in with 0, 1, 4 and 16 detail modules whose
// entry points do nothing: the difference to the run without modules is the
// chain's own cost per module and frame.
#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "plugin/abi.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

// The idle test module, built beside this program whatever the system's
// suffix for libraries.
std::filesystem::path idleModule() {
    const std::filesystem::path folder = platform::ownLibraryPath().parent_path();
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().stem() == "chain_module_idle") return entry.path();
    return {};
}

void elapseWithIdleModules(benchmark::State& benchState) {
    const std::filesystem::path module = idleModule();
    if (module.empty()) return benchState.SkipWithError("the idle test module was not built beside this program");
    const testing_support::TestFolder folder(u"chain benchmark");
    std::string list;
    for (int64_t i = 0; i < benchState.range(0); ++i) list += module.u8string() + "\n";
    folder.write("detailmodulesx64.txt", list);

    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    if (plugin.chain.modules.size() != static_cast<std::size_t>(benchState.range(0)))
        return benchState.SkipWithError("the idle test module did not load");

    VehicleState vehicle{};
    vehicle.speed = 40.0f;
    vehicle.mrPressure = 790.0f;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    for (auto _ : benchState) {
        vehicle.time += 16;
        const HandleCommand command = plugin::elapse(plugin, vehicle, panel.data(), sound.data());
        benchmark::DoNotOptimize(command);
        benchmark::DoNotOptimize(panel.data());
    }
    plugin::dispose(plugin);
    benchState.SetItemsProcessed(static_cast<int64_t>(benchState.iterations()));
}

BENCHMARK(elapseWithIdleModules)->ArgName("modules")->Arg(0)->Arg(1)->Arg(4)->Arg(16);

}  // namespace
