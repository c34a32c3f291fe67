// The simulator's plug-in interface: the records it exchanges with a plug-in
// and the sixteen entry points it calls. The very same records and
// signatures are used when this plug-in calls its detail modules, so the
// layouts below are fixed in both directions.
//
// All records are little-endian plain data with natural alignment and no
// padding between fields. int32 is a signed 32-bit integer, float an IEEE
// 32-bit float, double an IEEE 64-bit float.
//
// Calling facts (64-bit Windows; other platforms use their own standard
// convention for the same C signatures):
//  - A record larger than 8 bytes passed by value (VehicleSpec, VehicleState,
//    BeaconData) travels as a pointer to a copy made by the caller. The callee
//    may change that copy freely; it never reaches anybody else.
//  - HandleCommand is returned by value: the caller passes a hidden pointer to
//    a 16-byte result area ahead of the other arguments.
//  - Integer arguments are 32-bit.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// Given to SetVehicleSpec once per vehicle, after Load.
// The plug-in reads only brakeNotches; modules receive the whole record.
struct VehicleSpec {
    int32_t brakeNotches;  // number of service brake notches
    int32_t powerNotches;  // number of power notches
    int32_t atsNotch;      // brake notch of the train-protection check
    int32_t b67Notch;      // brake notch equivalent to the 67-degree position
    int32_t cars;          // number of cars
};

// Given to Elapse every frame. The plug-in reads speed, time, bcPressure,
// mrPressure and current; the rest is only passed on to the modules.
struct VehicleState {
    double location;    // train position, m
    float speed;        // km/h, may be negative
    int32_t time;       // simulation time, ms
    float bcPressure;   // brake-cylinder pressure, kPa
    float mrPressure;   // main-reservoir pressure, kPa
    float erPressure;   // equalising-reservoir pressure, kPa
    float bpPressure;   // brake-pipe pressure, kPa
    float sapPressure;  // straight-air-pipe pressure, kPa
    float current;      // traction current, A, signed
};

// The result of Elapse: the handle positions the simulator is to apply.
// The plug-in may return power -4 and -5 (hold stages) and always returns
// constantSpeed 0.
struct HandleCommand {
    int32_t brake;
    int32_t power;
    int32_t reverser;  // 0 = neutral
    int32_t constantSpeed;
};

// Given to SetBeaconData; the plug-in only passes it on.
struct BeaconData {
    int32_t type;
    int32_t signal;
    float distance;  // m
    int32_t optional;
};

// Sound command values written into the simulator's sound array.
enum SoundCommand : int32_t {
    SoundStop = -10000,
    SoundPlayOnce = 1,
    SoundContinue = 2,
};

// The interface version every conforming plug-in and module answers.
enum : int32_t { PluginInterfaceVersion = 0x20000 };

// Both arrays belong to the simulator: 256 int32 entries each, valid only
// during the Elapse call that hands them over. Nobody keeps the pointers.
enum : int { PanelArraySize = 256, SoundArraySize = 256 };

// ---------------------------------------------------------------------------
// Entry points, exported under these plain names. Called by the simulator on
// one thread, one call at a time. The plug-in calls a module's entry points
// with the same signatures.

// Called once after the library is attached: reads every configuration file
// beside the library and loads the detail modules. Never throws.
void Load(void);
// Called when the vehicle is unloaded: disposes and unloads every module.
// The plug-in's own state survives until the library is unloaded.
void Dispose(void);
// Answers PluginInterfaceVersion. The only entry point that may throw: a
// std::runtime_error naming the first module that answers another version.
int32_t GetPluginVersion(void);
// Called after Load with the vehicle's notch counts.
void SetVehicleSpec(VehicleSpec spec);
// Called at every (re)start of the scenario; the argument is only passed on.
void Initialize(int32_t startPosition);
// Called once per frame. panel and sound point to the simulator's arrays of
// PanelArraySize and SoundArraySize entries.
HandleCommand Elapse(VehicleState state, int32_t* panel, int32_t* sound);
// Driver's handles: stored, and passed to the modules at the next frame.
void SetPower(int32_t notch);
void SetBrake(int32_t notch);
void SetReverser(int32_t position);
// Keys 0 to 15 of the simulator's key assignment.
void KeyDown(int32_t key);
void KeyUp(int32_t key);
void HornBlow(int32_t hornType);
void DoorOpen(void);
void DoorClose(void);
void SetSignal(int32_t aspect);
void SetBeaconData(BeaconData beacon);

}  // extern "C"

// Function pointer types of the entry points, for hosts and for the chain.
namespace host {
using LoadFn = void (*)();
using DisposeFn = void (*)();
using GetPluginVersionFn = int32_t (*)();
using SetVehicleSpecFn = void (*)(VehicleSpec);
using InitializeFn = void (*)(int32_t);
using ElapseFn = HandleCommand (*)(VehicleState, int32_t*, int32_t*);
using SetPowerFn = void (*)(int32_t);
using SetBrakeFn = void (*)(int32_t);
using SetReverserFn = void (*)(int32_t);
using KeyDownFn = void (*)(int32_t);
using KeyUpFn = void (*)(int32_t);
using HornBlowFn = void (*)(int32_t);
using DoorOpenFn = void (*)();
using DoorCloseFn = void (*)();
using SetSignalFn = void (*)(int32_t);
using SetBeaconDataFn = void (*)(BeaconData);

// The sixteen export names, in the order modules' entry points are looked up.
inline constexpr const char* kEntryPointNames[16] = {
    "Load",     "Dispose",     "GetPluginVersion", "SetVehicleSpec", "Initialize", "Elapse",
    "SetPower", "SetBrake",    "SetReverser",      "KeyDown",        "KeyUp",      "HornBlow",
    "DoorOpen", "DoorClose",   "SetSignal",        "SetBeaconData",
};

// The entry points of one loaded library, in the order of kEntryPointNames.
// A library need not export all sixteen: the ones it lacks are null, and a
// host skips those calls.
struct EntryPoints {
    LoadFn Load = nullptr;
    DisposeFn Dispose = nullptr;
    GetPluginVersionFn GetPluginVersion = nullptr;
    SetVehicleSpecFn SetVehicleSpec = nullptr;
    InitializeFn Initialize = nullptr;
    ElapseFn Elapse = nullptr;
    SetPowerFn SetPower = nullptr;
    SetBrakeFn SetBrake = nullptr;
    SetReverserFn SetReverser = nullptr;
    KeyDownFn KeyDown = nullptr;
    KeyUpFn KeyUp = nullptr;
    HornBlowFn HornBlow = nullptr;
    DoorOpenFn DoorOpen = nullptr;
    DoorCloseFn DoorClose = nullptr;
    SetSignalFn SetSignal = nullptr;
    SetBeaconDataFn SetBeaconData = nullptr;
};
}  // namespace host

// Layout checks: these records cross library boundaries.
static_assert(sizeof(int32_t) == 4 && sizeof(float) == 4 && sizeof(double) == 8);
static_assert(sizeof(VehicleSpec) == 20);
static_assert(offsetof(VehicleSpec, brakeNotches) == 0);
static_assert(offsetof(VehicleSpec, powerNotches) == 4);
static_assert(offsetof(VehicleSpec, atsNotch) == 8);
static_assert(offsetof(VehicleSpec, b67Notch) == 12);
static_assert(offsetof(VehicleSpec, cars) == 16);
static_assert(sizeof(VehicleState) == 40);
static_assert(offsetof(VehicleState, location) == 0);
static_assert(offsetof(VehicleState, speed) == 8);
static_assert(offsetof(VehicleState, time) == 12);
static_assert(offsetof(VehicleState, bcPressure) == 16);
static_assert(offsetof(VehicleState, mrPressure) == 20);
static_assert(offsetof(VehicleState, erPressure) == 24);
static_assert(offsetof(VehicleState, bpPressure) == 28);
static_assert(offsetof(VehicleState, sapPressure) == 32);
static_assert(offsetof(VehicleState, current) == 36);
static_assert(sizeof(HandleCommand) == 16);
static_assert(offsetof(HandleCommand, brake) == 0);
static_assert(offsetof(HandleCommand, power) == 4);
static_assert(offsetof(HandleCommand, reverser) == 8);
static_assert(offsetof(HandleCommand, constantSpeed) == 12);
static_assert(sizeof(BeaconData) == 16);
static_assert(offsetof(BeaconData, type) == 0);
static_assert(offsetof(BeaconData, signal) == 4);
static_assert(offsetof(BeaconData, distance) == 8);
static_assert(offsetof(BeaconData, optional) == 12);
