// A detail module for the chain's tests, built in several variants from this
// one source: with every entry point, without Elapse, without any entry
// point, or idle (every entry point doing nothing, for the benchmark).
//
// It reports each call it receives, with the values it was given, as one
// line "<name> <call> <values>" to a sink that the test attaches; it
// scribbles on every record copy it is handed, so that a copy shared between
// modules shows; and its Elapse returns the command the test chose and
// writes the panel and sound entries the test chose. The test reaches the
// ChainModule_ controls by loading the same library file itself, which gives
// it the very instance that the plug-in loads.
#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "plugin/abi.h"

#if CHAIN_MODULE_IDLE

extern "C" {

void Load(void) {}
void Dispose(void) {}
int32_t GetPluginVersion(void) {
    return PluginInterfaceVersion;
}
void SetVehicleSpec(VehicleSpec) {}
void Initialize(int32_t) {}
HandleCommand Elapse(VehicleState, int32_t*, int32_t*) {
    return HandleCommand{};
}
void SetPower(int32_t) {}
void SetBrake(int32_t) {}
void SetReverser(int32_t) {}
void KeyDown(int32_t) {}
void KeyUp(int32_t) {}
void HornBlow(int32_t) {}
void DoorOpen(void) {}
void DoorClose(void) {}
void SetSignal(int32_t) {}
void SetBeaconData(BeaconData) {}

}  // extern "C"

#else

namespace {

char moduleName[32] = "?";
void (*sink)(const char* line) = nullptr;
HandleCommand result{};
int32_t version = PluginInterfaceVersion;
int32_t panelIndex = -1;
int32_t panelValue = 0;
int32_t soundIndex = -1;
int32_t soundValue = 0;
bool throwOnDispose = false;

[[maybe_unused]] std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Overwrites a record copy the module was handed. The stores are volatile so
// that the compiler keeps them although the copy is not read again.
template <typename Record>
void scribble(Record& record) {
    auto* bytes = reinterpret_cast<volatile unsigned char*>(&record);
    for (std::size_t i = 0; i < sizeof(Record); ++i) bytes[i] = 0xA5;
}

[[maybe_unused]] void report(const std::string& call) {
    if (sink != nullptr) sink((moduleName + (" " + call)).c_str());
}

}  // namespace

extern "C" {

void ChainModule_Attach(const char* name, void (*lineSink)(const char*)) {
    std::snprintf(moduleName, sizeof moduleName, "%s", name);
    sink = lineSink;
}

void ChainModule_Return(int32_t brake, int32_t power, int32_t reverser, int32_t constantSpeed) {
    result = HandleCommand{brake, power, reverser, constantSpeed};
}

void ChainModule_Write(int32_t panel, int32_t panelEntry, int32_t sound, int32_t soundEntry) {
    panelIndex = panel;
    panelValue = panelEntry;
    soundIndex = sound;
    soundValue = soundEntry;
}

void ChainModule_AnswerVersion(int32_t answer) {
    version = answer;
}

// Makes the next Dispose throw.
void ChainModule_ThrowOnDispose() {
    throwOnDispose = true;
}

#if CHAIN_MODULE_ENTRY_POINTS

void Load(void) {
    report("Load");
}

void Dispose(void) {
    report("Dispose");
    if (!throwOnDispose) return;
    throwOnDispose = false;
    throw std::runtime_error("module failed in Dispose");
}

int32_t GetPluginVersion(void) {
    report("GetPluginVersion");
    return version;
}

void SetVehicleSpec(VehicleSpec spec) {
    report("SetVehicleSpec " + std::to_string(spec.brakeNotches) + " " + std::to_string(spec.powerNotches) + " " +
           std::to_string(spec.atsNotch) + " " + std::to_string(spec.b67Notch) + " " + std::to_string(spec.cars));
    scribble(spec);
}

void Initialize(int32_t startPosition) {
    report("Initialize " + std::to_string(startPosition));
}

#if CHAIN_MODULE_ELAPSE
HandleCommand Elapse(VehicleState state, int32_t* panel, int32_t* sound) {
    report("Elapse " + number(state.location) + " " + number(state.speed) + " " + std::to_string(state.time) + " " +
           number(state.current));
    scribble(state);
    if (panelIndex >= 0) panel[panelIndex] = panelValue;
    if (soundIndex >= 0) sound[soundIndex] = soundValue;
    return result;
}
#endif

void SetPower(int32_t notch) {
    report("SetPower " + std::to_string(notch));
}

void SetBrake(int32_t notch) {
    report("SetBrake " + std::to_string(notch));
}

void SetReverser(int32_t position) {
    report("SetReverser " + std::to_string(position));
}

void KeyDown(int32_t key) {
    report("KeyDown " + std::to_string(key));
}

void KeyUp(int32_t key) {
    report("KeyUp " + std::to_string(key));
}

void HornBlow(int32_t hornType) {
    report("HornBlow " + std::to_string(hornType));
}

void DoorOpen(void) {
    report("DoorOpen");
}

void DoorClose(void) {
    report("DoorClose");
}

void SetSignal(int32_t aspect) {
    report("SetSignal " + std::to_string(aspect));
}

void SetBeaconData(BeaconData beacon) {
    report("SetBeaconData " + std::to_string(beacon.type) + " " + std::to_string(beacon.signal) + " " +
           number(beacon.distance) + " " + std::to_string(beacon.optional));
    scribble(beacon);
}

#endif

}  // extern "C"

#endif
