// The sixteen exported entry points. Each one reaches the one process-wide
// Plugin and contains every error: an exception must never unwind into the
// simulator, except the version error that GetPluginVersion is defined to
// raise.
#include <exception>

#include "config/load_report.h"
#include "platform/platform.h"
#include "plugin/abi.h"
#include "plugin/plugin.h"

namespace {

// Taken when the library is attached to the process.
const std::filesystem::path pluginDirectory = plugin::directoryOf(platform::ownLibraryPath());

plugin::Plugin& instance() {
    static plugin::Plugin plugin = [] {
        plugin::Plugin fresh;
        fresh.directory = pluginDirectory;
        return fresh;
    }();
    return plugin;
}

template <typename Call>
void guarded(Call call) noexcept {
    try {
        call(instance());
    } catch (...) {
    }
}

}  // namespace

extern "C" {

void Load(void) {
    guarded([](plugin::Plugin& plugin) {
        plugin::load(plugin);
        if (plugin.report.failure) platform::debugOutput("orvalis-cab: Load stopped: " +
                                                         config::describeFailure(*plugin.report.failure));
    });
}

void Dispose(void) {
    guarded([](plugin::Plugin& plugin) { plugin::dispose(plugin); });
}

int32_t GetPluginVersion(void) {
    return plugin::pluginVersion(instance());
}

void SetVehicleSpec(VehicleSpec spec) {
    guarded([&](plugin::Plugin& plugin) { plugin::setVehicleSpec(plugin, spec); });
}

void Initialize(int32_t startPosition) {
    guarded([&](plugin::Plugin& plugin) { plugin::initialize(plugin, startPosition); });
}

HandleCommand Elapse(VehicleState state, int32_t* panel, int32_t* sound) {
    HandleCommand command{};
    guarded([&](plugin::Plugin& plugin) { command = plugin::elapse(plugin, state, panel, sound); });
    return command;
}

void SetPower(int32_t notch) {
    guarded([&](plugin::Plugin& plugin) { plugin::setPower(plugin, notch); });
}

void SetBrake(int32_t notch) {
    guarded([&](plugin::Plugin& plugin) { plugin::setBrake(plugin, notch); });
}

void SetReverser(int32_t position) {
    guarded([&](plugin::Plugin& plugin) { plugin::setReverser(plugin, position); });
}

void KeyDown(int32_t key) {
    guarded([&](plugin::Plugin& plugin) { plugin::keyDown(plugin, key, platform::shiftHeld()); });
}

void KeyUp(int32_t key) {
    guarded([&](plugin::Plugin& plugin) { plugin::keyUp(plugin, key); });
}

void HornBlow(int32_t hornType) {
    guarded([&](plugin::Plugin& plugin) { plugin::hornBlow(plugin, hornType); });
}

void DoorOpen(void) {
    guarded([](plugin::Plugin& plugin) { plugin::doorOpen(plugin); });
}

void DoorClose(void) {
    guarded([](plugin::Plugin& plugin) { plugin::doorClose(plugin); });
}

void SetSignal(int32_t aspect) {
    guarded([&](plugin::Plugin& plugin) { plugin::setSignal(plugin, aspect); });
}

void SetBeaconData(BeaconData beacon) {
    guarded([&](plugin::Plugin& plugin) { plugin::setBeaconData(plugin, beacon); });
}

}  // extern "C"
