#include "plugin/plugin.h"

#include <exception>

#include "panel/outputs.h"
#include "sim/frame.h"
#include "sim/input.h"

namespace plugin {

std::filesystem::path directoryOf(const std::filesystem::path& libraryPath) {
    return libraryPath.parent_path() / std::filesystem::path();
}

void load(Plugin& plugin) {
    plugin.report = {};
    try {
        loadModuleChain(plugin.chain, plugin.directory, plugin.report);
        config::loadNotchConfiguration(plugin.notch, plugin.directory, plugin.report);
        plugin.report.currentFile.clear();
        plugin.report.currentLine = 0;
        panel::checkAdjustMode(plugin.adjust, plugin.directory);
        panel::loadNeedleTables(plugin.needles, plugin.directory, plugin.report);
        sim::seedOnLoad(plugin.sim);
    } catch (const std::exception& error) {
        config::recordFailure(plugin.report, error);
    } catch (...) {
        config::recordUnknownFailure(plugin.report);
    }
}

void dispose(Plugin& plugin) {
    disposeModuleChain(plugin.chain);
}

int32_t pluginVersion(const Plugin& plugin) {
    checkModuleVersions(plugin.chain);
    return PluginInterfaceVersion;
}

void setVehicleSpec(Plugin& plugin, const VehicleSpec& spec) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.SetVehicleSpec != nullptr) module.entryPoints.SetVehicleSpec(spec);
    });
    sim::storeVehicleSpec(plugin.sim, spec);
}

void initialize(Plugin& plugin, int32_t startPosition) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.Initialize != nullptr) module.entryPoints.Initialize(startPosition);
    });
    sim::resetForInitialize(plugin.sim);
}

HandleCommand elapse(Plugin& plugin, const VehicleState& state, int32_t* panel, int32_t* sound) {
    sim::beginFrame(plugin.sim, state);
    const DriverHandles handles{plugin.sim.powerInput, plugin.sim.brakeInput, plugin.sim.reverserInput};
    const HandleCommand chainCommand = runModuleChain(plugin.chain, handles, state, panel, sound);
    const sim::FrameContext context{plugin.notch, plugin.needles, plugin.adjust};
    return sim::runFrame(plugin.sim, context, state, chainCommand, panel, sound);
}

void setPower(Plugin& plugin, int32_t notch) {
    sim::setPower(plugin.sim, notch);
}

void setBrake(Plugin& plugin, int32_t notch) {
    sim::setBrake(plugin.sim, notch);
}

void setReverser(Plugin& plugin, int32_t position) {
    sim::setReverser(plugin.sim, position);
}

void keyDown(Plugin& plugin, int32_t key, bool shiftHeld) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.KeyDown != nullptr) module.entryPoints.KeyDown(key);
    });
    sim::keyDown(plugin.sim, plugin.adjust, key, shiftHeld);
}

void keyUp(Plugin& plugin, int32_t key) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.KeyUp != nullptr) module.entryPoints.KeyUp(key);
    });
    sim::keyUp(plugin.sim, key);
}

void hornBlow(Plugin& plugin, int32_t hornType) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.HornBlow != nullptr) module.entryPoints.HornBlow(hornType);
    });
}

void doorOpen(Plugin& plugin) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.DoorOpen != nullptr) module.entryPoints.DoorOpen();
    });
    sim::doorOpen(plugin.sim);
}

void doorClose(Plugin& plugin) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.DoorClose != nullptr) module.entryPoints.DoorClose();
    });
    sim::doorClose(plugin.sim);
}

void setSignal(Plugin& plugin, int32_t aspect) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.SetSignal != nullptr) module.entryPoints.SetSignal(aspect);
    });
}

void setBeaconData(Plugin& plugin, const BeaconData& beacon) {
    forEachModule(plugin.chain, [&](const DetailModule& module) {
        if (module.entryPoints.SetBeaconData != nullptr) module.entryPoints.SetBeaconData(beacon);
    });
}

}  // namespace plugin
