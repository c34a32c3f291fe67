// The plug-in's own frame logic behind Elapse, and the points where Load,
// Initialize and SetVehicleSpec touch the simulation.
#pragma once

#include <cstdint>

#include "config/notch.h"
#include "panel/needles.h"
#include "panel/outputs.h"
#include "plugin/abi.h"
#include "sim/state.h"

namespace sim {

// Everything a frame reads besides its own state.
struct FrameContext {
    const config::NotchConfig& notch;
    const panel::NeedleTables& needles;
    panel::PanelAdjustState& adjust;
};

// Takes the absolute speed and current of the frame; runs before the chain.
void beginFrame(SimState& state, const VehicleState& vehicle);

// Gates and shifts the chain's handle command, runs lamps, hold stages,
// generators and sounds, writes the panel and sound arrays and returns the
// command for the simulator. Allocates nothing.
HandleCommand runFrame(SimState& state, FrameContext context, const VehicleState& vehicle,
                       HandleCommand chainCommand, int32_t* panel, int32_t* sound);

// End of Load: a fresh no-load voltage, switches A and B off.
void seedOnLoad(SimState& state);
// End of Initialize: forget the previous frame's pressures and currents.
void resetForInitialize(SimState& state);
void storeVehicleSpec(SimState& state, const VehicleSpec& spec);

}  // namespace sim
