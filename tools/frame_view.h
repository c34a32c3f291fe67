// One frame of a cabhost run as the trace and the summary see it.
#pragma once

#include <cstdint>

#include "plugin/abi.h"

namespace tools {

// The driver's handles as the scenario last set them.
struct DriverInput {
    int32_t power = 0;
    int32_t brake = 0;
    int32_t reverser = 0;
};

struct FrameView {
    VehicleState state{};  // what Elapse was given
    DriverInput driver;
    HandleCommand command{};       // what Elapse returned
    const int32_t* panel = nullptr;  // PanelArraySize entries, after Elapse
    const int32_t* sound = nullptr;  // SoundArraySize entries, after Elapse
};

}  // namespace tools
