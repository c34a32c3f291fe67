#include "sim/input.h"

namespace sim {
void setPower(SimState&, int32_t) {}
void setBrake(SimState&, int32_t) {}
void setReverser(SimState&, int32_t) {}
void doorOpen(SimState&) {}
void doorClose(SimState&) {}
void keyDown(SimState&, panel::PanelAdjustState&, int32_t, bool) {}
void keyUp(SimState&, int32_t) {}
}  // namespace sim
