// Detail modules: further plug-ins listed in "detailmodulesx64.txt" beside
// this one, loaded at Load, handed the simulator's calls, chained through
// Elapse, and unloaded at Dispose.
//
// Module list: one module path per line, taken literally (no comments, no
// trimming). Absolute paths are used as they are; any other line is relative
// to the plug-in's folder. '\' and '/' both separate folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "config/load_report.h"
#include "platform/platform.h"
#include "plugin/abi.h"

namespace plugin {

struct DetailModule {
    platform::LibraryHandle library = nullptr;
    host::LoadFn Load = nullptr;
    host::DisposeFn Dispose = nullptr;
    host::GetPluginVersionFn GetPluginVersion = nullptr;
    host::SetVehicleSpecFn SetVehicleSpec = nullptr;
    host::InitializeFn Initialize = nullptr;
    host::ElapseFn Elapse = nullptr;
    host::SetPowerFn SetPower = nullptr;
    host::SetBrakeFn SetBrake = nullptr;
    host::SetReverserFn SetReverser = nullptr;
    host::KeyDownFn KeyDown = nullptr;
    host::KeyUpFn KeyUp = nullptr;
    host::HornBlowFn HornBlow = nullptr;
    host::DoorOpenFn DoorOpen = nullptr;
    host::DoorCloseFn DoorClose = nullptr;
    host::SetSignalFn SetSignal = nullptr;
    host::SetBeaconDataFn SetBeaconData = nullptr;
    // The handle values this module was last due to receive.
    int32_t lastBrake = 0;
    int32_t lastPower = 0;
    int32_t lastReverser = 0;
};

struct ModuleChain {
    std::vector<DetailModule> modules;
    HandleCommand output{};  // carried from module to module and frame to frame
    bool initialSyncPending = true;
};

// The driver's handles as the simulator last set them.
struct DriverHandles {
    int32_t power;
    int32_t brake;
    int32_t reverser;
};

// Reads the module list and appends every module that loads, calling its
// Load as it goes. Each line is noted in the report.
void loadModuleChain(ModuleChain& chain, const std::filesystem::path& pluginDirectory, config::LoadReport& report);

// One frame of the chain: passes changed handles on, runs each module's
// Elapse on a fresh copy of the state, returns the last result.
HandleCommand runModuleChain(ModuleChain& chain, const DriverHandles& handles, const VehicleState& state,
                             int32_t* panel, int32_t* sound);

// Each module's Dispose, then its library unloaded, in list order; the list emptied.
void disposeModuleChain(ModuleChain& chain);

// Asks each module for its version; throws std::runtime_error naming the
// first module that answers another version than PluginInterfaceVersion.
void checkModuleVersions(const ModuleChain& chain);

// Calls `call(module)` for every module, in list order.
template <typename Call>
void forEachModule(const ModuleChain& chain, Call call) {
    for (const DetailModule& module : chain.modules) call(module);
}

}  // namespace plugin
