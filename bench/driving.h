// The frames the benchmarks drive: a round of 9.6 s at 16 ms a frame that
// starts on notch 4, coasts, brakes with regeneration to a stop and stands,
// so that the current curves, the needle tables, the hold-stage timers and
// the generators work on changing values as they do on a line.
#pragma once

#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/host_setup.h"
#include "plugin/abi.h"

namespace bench {

struct DrivingFrame {
    VehicleState vehicle;  // its time is left 0: the driving loop keeps the clock
    int32_t power;         // the driver's handles during this frame
    int32_t brake;
};

std::vector<DrivingFrame> drivingRound();

// One frame per iteration, the round over and over: the clock advances by
// 16 ms, SetPower and SetBrake come when the driver moves a handle (a few
// times a round, as in the simulator), then one Elapse through the pointer.
// Both handles are taken to start at 0. Everything is allocated before the
// timed loop.
void driveFrames(benchmark::State& state, const host::EntryPoints& calls);

}  // namespace bench
