#include "sim/generators.h"

namespace sim {
void checkSweepReversal(SimState&) {}
void updateLineVoltage(SimState&, float, int32_t) {}
void updateBlinkOutput(SimState&, int32_t*, int32_t) {}
void advanceSweep(SimState&, int32_t*, int32_t) {}
}  // namespace sim
