// The driver's handles, keys and doors. Each handler only updates the state
// and leaves sound requests; the next frame produces every output.
#pragma once

#include <cstdint>

#include "panel/outputs.h"
#include "sim/state.h"

namespace sim {

void setPower(SimState& state, int32_t notch);
void setBrake(SimState& state, int32_t notch);
void setReverser(SimState& state, int32_t position);
void doorOpen(SimState& state);
void doorClose(SimState& state);
// `shiftHeld` is the Shift key's state at the time of the call; it makes
// keys 5 and 6 do nothing here.
void keyDown(SimState& state, panel::PanelAdjustState& adjust, int32_t key, bool shiftHeld);
void keyUp(SimState& state, int32_t key);

}  // namespace sim
