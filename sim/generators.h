// The free-running generators advanced by the frame: the line voltage, the
// blinking output at panel index 68 and the sweep oscillator at index 97.
#pragma once

#include <cstdint>

#include "sim/state.h"

namespace sim {

void checkSweepReversal(SimState& state);
void updateLineVoltage(SimState& state, float current, int32_t dtMs);
void updateBlinkOutput(SimState& state, int32_t* panel, int32_t dtMs);
void advanceSweep(SimState& state, int32_t* panel, int32_t dtMs);

}  // namespace sim
