#include "bench/driving.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace bench {

namespace {

constexpr int kRoundFrames = 600;
constexpr int kCoastFrom = 300;
constexpr int kBrakeFrom = 350;
constexpr int kStandFrom = 450;
constexpr int kReleaseFrom = 590;
constexpr uint32_t kFrameMs = 16;

DrivingFrame frameAt(int frame) {
    const float t = static_cast<float>(frame);
    DrivingFrame driving{};
    VehicleState& vehicle = driving.vehicle;
    vehicle.location = frame * 0.3;
    vehicle.mrPressure = 780.0f + static_cast<float>(frame % 50);  // the compressor cycling
    vehicle.erPressure = 490.0f;
    vehicle.bpPressure = 490.0f;
    if (frame < kCoastFrom) {
        driving.power = 4;
        vehicle.speed = t * 0.25f;
        vehicle.current = std::min(t * 21.0f, 420.0f - vehicle.speed * 2);
    } else if (frame < kBrakeFrom) {
        vehicle.speed = 75.0f - (t - kCoastFrom) * 0.02f;
    } else if (frame < kStandFrom) {
        driving.brake = 4;
        vehicle.speed = 74.0f - (t - kBrakeFrom) * 0.74f;
        // Regeneration fades out below 10 km/h and the air brake takes over.
        vehicle.current = vehicle.speed > 10.0f ? -250.0f : -25.0f * vehicle.speed;
        vehicle.bcPressure = vehicle.speed > 10.0f ? 120.0f : 300.0f - vehicle.speed * 18.0f;
    } else {
        driving.brake = frame < kReleaseFrom ? 4 : 0;
        vehicle.bcPressure = frame < kReleaseFrom ? 300.0f : 0.0f;
    }
    vehicle.sapPressure = vehicle.bcPressure;
    return driving;
}

}  // namespace

std::vector<DrivingFrame> drivingRound() {
    std::vector<DrivingFrame> round;
    round.reserve(kRoundFrames);
    for (int frame = 0; frame < kRoundFrames; ++frame) round.push_back(frameAt(frame));
    return round;
}

void driveFrames(benchmark::State& state, const host::EntryPoints& calls) {
    const std::vector<DrivingFrame> round = drivingRound();
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    int32_t power = 0;
    int32_t brake = 0;
    uint32_t clock = 0;  // unsigned: however long the run, it cannot overflow
    std::size_t next = 0;
    for (auto _ : state) {
        const DrivingFrame& frame = round[next];
        if (frame.power != power) calls.SetPower(power = frame.power);
        if (frame.brake != brake) calls.SetBrake(brake = frame.brake);
        VehicleState vehicle = frame.vehicle;
        clock += kFrameMs;
        vehicle.time = static_cast<int32_t>(clock);
        const HandleCommand command = calls.Elapse(vehicle, panel.data(), sound.data());
        benchmark::DoNotOptimize(command);
        next = next + 1 == round.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

}  // namespace bench
