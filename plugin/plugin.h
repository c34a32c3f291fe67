// The plug-in as one plain record and the lifecycle of its entry points.
// The exported functions (exports.cpp) own the one process-wide Plugin;
// tests build their own.
#pragma once

#include <cstdint>
#include <filesystem>

#include "config/load_report.h"
#include "config/notch.h"
#include "panel/needles.h"
#include "panel/outputs.h"
#include "plugin/abi.h"
#include "plugin/module_chain.h"
#include "sim/state.h"

namespace plugin {

struct Plugin {
    std::filesystem::path directory;  // the plug-in's folder, ending in a separator
    ModuleChain chain;
    config::NotchConfig notch;
    sim::SimState sim;
    panel::NeedleTables needles;
    panel::PanelAdjustState adjust;
    config::LoadReport report;  // of the last Load
};

// The folder of a library path, ending in a separator ("D:\Train\Cab\").
std::filesystem::path directoryOf(const std::filesystem::path& libraryPath);

// Modules, notch configuration, adjustment switch, needle tables, seeding.
// An error ends Load at its step and is recorded in plugin.report; Load
// itself never throws.
void load(Plugin& plugin);
void dispose(Plugin& plugin);
// Throws the version error when a module answers another version.
int32_t pluginVersion(const Plugin& plugin);
void setVehicleSpec(Plugin& plugin, const VehicleSpec& spec);
void initialize(Plugin& plugin, int32_t startPosition);
HandleCommand elapse(Plugin& plugin, const VehicleState& state, int32_t* panel, int32_t* sound);
void setPower(Plugin& plugin, int32_t notch);
void setBrake(Plugin& plugin, int32_t notch);
void setReverser(Plugin& plugin, int32_t position);
void keyDown(Plugin& plugin, int32_t key, bool shiftHeld);
void keyUp(Plugin& plugin, int32_t key);
void hornBlow(Plugin& plugin, int32_t hornType);
void doorOpen(Plugin& plugin);
void doorClose(Plugin& plugin);
void setSignal(Plugin& plugin, int32_t aspect);
void setBeaconData(Plugin& plugin, const BeaconData& beacon);

}  // namespace plugin
