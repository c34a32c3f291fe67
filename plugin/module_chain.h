// Detail modules: further plug-ins listed in "detailmodulesx64.txt" beside
// this one, loaded at Load, handed the simulator's calls, chained through
// Elapse, and unloaded at Dispose.
//
// Module list: one module path per line, taken literally (no comments, no
// trimming), so blanks around a name belong to the name. Every line is one
// attempt to load a module; an empty line names the plug-in's folder itself
// and loads nothing. Absolute paths are used as they are; any other line is
// relative to the plug-in's folder. '\' and '/' both separate folders. On
// Windows a line starting with a separator is placed on the plug-in's drive,
// and the drive-letter and network-share forms are understood; elsewhere a
// line starting with either separator is absolute.
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
    host::EntryPoints entryPoints;  // those the module lacks are null
    // The handle values this module was last due to receive.
    int32_t lastBrake = 0;
    int32_t lastPower = 0;
    int32_t lastReverser = 0;
};

struct ModuleChain {
    std::vector<DetailModule> modules;
    // Each module's Elapse result replaces it whole; it is never reset, so it
    // carries from module to module and from frame to frame.
    HandleCommand chainOutput{};
    // The first run tells every module every handle; later runs pass changes
    // only. Set once per loaded plug-in: neither Load nor Dispose re-arms it.
    bool initialSyncPending = true;
};

// The driver's handles as the simulator last set them.
struct DriverHandles {
    int32_t power;
    int32_t brake;
    int32_t reverser;
};

// Reads the module list and appends every module that loads, calling its
// Load as it goes. Each line is noted in the report. A name that does not
// exist or does not load is skipped; the plug-in's own library is refused,
// since calling its own entry points would recurse without end. An existence
// test that fails for another reason than absence throws and ends the list.
void loadModuleChain(ModuleChain& chain, const std::filesystem::path& pluginDirectory, config::LoadReport& report);

// One frame of the chain: the first module is told the driver's handles,
// each later one the handles in chainOutput, each only when the value
// differs from what it was last due (every value in the initial run); then
// its Elapse runs on a fresh copy of the state. Returns chainOutput, or,
// when no module of the chain has Elapse (an empty chain included), the
// driver's handles with constant speed 0; chainOutput is then left as it is.
// Allocates nothing.
HandleCommand runModuleChain(ModuleChain& chain, const DriverHandles& handles, const VehicleState& state,
                             int32_t* panel, int32_t* sound);

// Each module's Dispose, then its library unloaded, in list order; the list
// emptied. Should a module's Dispose throw, the modules already unloaded are
// gone from the list all the same, so no call can reach an unloaded library.
void disposeModuleChain(ModuleChain& chain);

// Asks each module with GetPluginVersion, in list order, for its version;
// throws std::runtime_error at the first that answers another version than
// PluginInterfaceVersion. The message is the module's full path followed by
// "のバージョンが不正です。" ("the version of ... is invalid"), in the
// system's message encoding, never shortened.
void checkModuleVersions(const ModuleChain& chain);

// Calls `call(module)` for every module, in list order.
template <typename Call>
void forEachModule(const ModuleChain& chain, Call call) {
    for (const DetailModule& module : chain.modules) call(module);
}

}  // namespace plugin
