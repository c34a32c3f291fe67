#include "sim/frame.h"

namespace sim {
void beginFrame(SimState&, const VehicleState&) {}
HandleCommand runFrame(SimState&, FrameContext, const VehicleState&, HandleCommand chainCommand, int32_t*, int32_t*) {
    return chainCommand;
}
void seedOnLoad(SimState&) {}
void resetForInitialize(SimState&) {}
void storeVehicleSpec(SimState&, const VehicleSpec&) {}
}  // namespace sim
