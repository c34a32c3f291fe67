// One Elapse of the plug-in over the sample vehicle, with the driver
// notching up, running and braking, so that every branch of the frame and
// the curve lookups are taken in their usual mix.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "plugin/abi.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

// A run of 9.6 s at 16 ms a frame: accelerating, coasting, braking.
std::vector<VehicleState> drivingRun() {
    std::vector<VehicleState> run(600);
    for (int phase = 0; phase < 600; ++phase) {
        VehicleState& vehicle = run[phase];
        const float phaseTime = static_cast<float>(phase);
        vehicle.speed = phase < 300 ? phaseTime * 0.25f : phase < 450 ? 75.0f - (phaseTime - 300) * 0.5f : 0.0f;
        vehicle.current = phase < 300 ? 420.0f - vehicle.speed * 2 : phase < 450 ? -250.0f : 0.0f;
        vehicle.bcPressure = phase >= 300 && phase < 460 ? 300.0f : 0.0f;
        vehicle.mrPressure = 790.0f;
    }
    return run;
}

void elapseSampleVehicle(benchmark::State& benchState) {
    plugin::Plugin plugin;
    plugin.directory = testing_support::sampleVehicleFolder() / "";
    plugin::load(plugin);
    if (plugin.notch.powerCurrentCurves.empty()) benchState.SkipWithError("the sample vehicle's curves did not load");
    plugin::setVehicleSpec(plugin, VehicleSpec{8, 5, 1, 6, 10});
    plugin::doorClose(plugin);
    plugin::setReverser(plugin, 1);
    plugin::setPower(plugin, 4);

    const std::vector<VehicleState> run = drivingRun();
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    int32_t timeMs = 0;
    std::size_t frame = 0;
    for (auto _ : benchState) {
        VehicleState vehicle = run[frame];
        timeMs += 16;
        vehicle.time = timeMs;
        frame = frame + 1 == run.size() ? 0 : frame + 1;
        const HandleCommand command = plugin::elapse(plugin, vehicle, panel.data(), sound.data());
        benchmark::DoNotOptimize(command);
        benchmark::DoNotOptimize(panel.data());
    }
    benchState.SetItemsProcessed(static_cast<int64_t>(benchState.iterations()));
}

BENCHMARK(elapseSampleVehicle);

}  // namespace
