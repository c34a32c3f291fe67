// One frame of a cabhost run as the trace, the summary and the report see it.
#pragma once

#include <array>
#include <cstdint>

#include "plugin/abi.h"

namespace tools {

// The driver's handles as the scenario last set them.
struct DriverInput {
    int32_t power = 0;
    int32_t brake = 0;
    int32_t reverser = 0;
};

// The plug-in's own state after the frame, taken from the plug-in's code
// running in cabhost's process on the same inputs as the loaded library.
struct CoreView {
    int32_t holdStage = 0;  // 0, 1 or 2
    bool startCut = false;
    bool overlapCut = false;  // acted on this frame's output, even if it ended within the frame
    bool brakeShift = false;
    bool releaseWatch = false;
    float auxPressure = 0;  // kPa, the brake-shift accumulator
    float lineVoltage = 0;  // V
    float ammeter = 0;      // A, what the current needle is driven by
    // What the current was compared with at this frame's speed: the curves of
    // the five selected power steps (A), then the braking curves that keep
    // hold stage 1 and 2 alive (A).
    std::array<float, 5> powerCurves{};
    std::array<float, 2> holdCurves{};
};

struct FrameView {
    VehicleState state{};  // what Elapse was given
    DriverInput driver;
    HandleCommand command{};         // what Elapse returned
    const int32_t* panel = nullptr;  // PanelArraySize entries, after Elapse
    const int32_t* sound = nullptr;  // SoundArraySize entries, after Elapse
    const CoreView* core = nullptr;  // null when the run has no in-process core
};

}  // namespace tools
