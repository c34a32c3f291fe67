#include "sim/frame.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "panel/curve.h"
#include "sim/generators.h"

namespace sim {

namespace {

enum PanelIndex : int {
    CurveLampPanel = 41,
    SteadyLampPanel42 = 42,  // 42 and 43 are lit in every frame
    SteadyLampPanel43 = 43,
    SwitchLampAPanel = 135,
    SwitchLampBPanel = 136,
    SwitchCPanel = 252,
};

// In the brake-shift mode a brake output below this notch is replaced by the
// notch past the emergency notch; from this notch on it passes unchanged.
constexpr int32_t kShiftKeepsBrakeFrom = 6;
constexpr float kAuxPressureLimit = 320;   // kPa: the accumulator stops filling here
constexpr float kAuxFillPerMs = 0.16f;     // kPa/ms while regenerating
constexpr float kAuxDecayPerMs = 0.1f;     // kPa/ms once the mode is off
constexpr int32_t kWatchThresholdMs = 100;
constexpr float kCrossingSpeed = 5;        // km/h

// Values of the brake current curves at this frame's speed; they keep the
// hold stages alive and floor the ammeter during them.
struct HoldCurves {
    float stage1;  // brake curve 3
    float stage2;  // brake curve 4
};

// A curve that the notch configuration does not provide reads as 0.
float curveAt(const std::vector<panel::CurveTable>& curves, std::size_t index, float speed) {
    return index < curves.size() ? panel::interpolateCurve(speed, curves[index]) : 0.0f;
}

void emitInto(int32_t* sound, SoundIndex index, SoundTrigger& trigger) {
    sound[index] = emit(trigger);
}

void gateReverser(const SimState& state, HandleCommand& command) {
    command.reverser = state.doorsClosed ? state.reverserInput : 0;
    if (state.neutralOnBrake && command.power == 0 && command.brake > 0) command.reverser = 0;
}

// Brake-shift mode on: the brake output goes past the emergency notch, and
// while the motors regenerate an auxiliary pressure builds up that the
// release watch adds to the brake-cylinder pressure once the mode is left.
void shiftBrake(SimState& state, HandleCommand& command, float current, float bc, int32_t dt) {
    if (command.brake == 0 && command.power == 0) command.reverser = 0;
    const int32_t shiftedNotch = wrappingAdd(state.emergencyNotch, 1);
    if (current < 0 && command.power >= 0)
        command.brake = wrappingAdd(command.brake, shiftedNotch);
    else if (command.brake < kShiftKeepsBrakeFrom)
        command.brake = shiftedNotch;

    state.pressureWatch = true;
    state.awaitBcFall = true;
    state.nonFallingMs = 0;
    state.risingMs = 0;
    if (current < 0) {
        if (bc + state.auxPressure < kAuxPressureLimit) state.auxPressure += static_cast<float>(dt) * kAuxFillPerMs;
        if (bc > state.prevBcPressure) state.auxPressure -= bc - state.prevBcPressure;
    }
}

// After the mode is left: once the brake-cylinder pressure has first fallen,
// times how long the pressure sum stops falling (stops sound 228) and how
// long it rises (plays sound 229 and ends the watch).
void watchRelease(SimState& state, float bc, int32_t dt) {
    const float sum = bc + state.auxPressure;
    const float previousSum = state.prevBcPressure + state.prevAuxPressure;
    if (!state.awaitBcFall) {
        if (sum >= previousSum) state.nonFallingMs = wrappingAdd(state.nonFallingMs, dt);
        if (sum > previousSum) state.risingMs = wrappingAdd(state.risingMs, dt);
    }
    if (state.prevBcPressure > bc) state.awaitBcFall = false;
    if (state.nonFallingMs > kWatchThresholdMs) requestStop(state.sounds.brakeShiftRelease);
    if (state.risingMs > kWatchThresholdMs) {
        state.pressureWatch = false;
        requestPlay(state.sounds.releaseRising);
    }
}

// Runs on the previous frame's time step: the new one is measured later.
void runBrakeShift(SimState& state, HandleCommand& command, float current, float bc) {
    const int32_t dt = state.frameDeltaMs;
    if (state.brakeShiftMode) {
        shiftBrake(state, command, current, bc, dt);
    } else {
        if (state.pressureWatch) watchRelease(state, bc, dt);
        if (state.auxPressure > 0) state.auxPressure -= static_cast<float>(dt) * kAuxDecayPerMs;
    }
    if (state.auxPressure < 0) state.auxPressure = 0;
    state.prevBcPressure = bc;
    state.prevAuxPressure = state.auxPressure;
}

void emitBrakeShiftSounds(SoundTriggers& triggers, int32_t* sound) {
    emitInto(sound, BrakeShiftActiveSound, triggers.brakeShiftActive);
    emitInto(sound, BrakeShiftReleaseSound, triggers.brakeShiftRelease);
    emitInto(sound, ReleaseRisingSound, triggers.releaseRising);
    emitInto(sound, BrakeShiftOnSound, triggers.brakeShiftOn);
    emitInto(sound, BrakeShiftOffSound, triggers.brakeShiftOff);
}

int32_t measureTimeStep(SimState& state, int32_t timeMs) {
    state.frameDeltaMs = wrappingSub(timeMs, state.lastTimeMs);
    state.lastTimeMs = timeMs;
    return state.frameDeltaMs;
}

// The curve lamp lights when the current meets power curve 1 above power
// curve 0, and goes out and latches when it meets power curve 2 or jumps by
// more than 1 A after having been lit. Reaching power curve 4 is full
// current: its lamp lights and the first hold stage begins.
HoldCurves trackCurves(SimState& state, const config::NotchConfig& notch, float current) {
    const auto& power = notch.powerCurrentCurves;
    const float speed = state.speedAbs;
    const float amps = state.currentAbs;
    if (amps > curveAt(power, 0, speed) + 0.1f && std::fabs(amps - curveAt(power, 1, speed)) < 2 && current > 0 &&
        !state.curveLampLatch)
        state.curveLamp = true;

    const bool onCurve2 = std::fabs(amps - curveAt(power, 2, speed)) < 0.5f && current > 0;
    const bool latchFires = onCurve2 ? state.curveLampSeen || state.prevCurrentAbs == 0
                                     : state.curveLampSeen && !state.curveLampLatch && current > state.prevCurrent + 1;
    if (latchFires) {
        state.curveLamp = false;
        state.curveLampLatch = true;
    }

    if (amps > curveAt(power, 4, speed) - 0.1f && current > 0) {
        state.fullCurrentLamp = true;
        state.holdStage1 = true;
    }
    return {curveAt(notch.brakeCurrentCurves, 3, speed), curveAt(notch.brakeCurrentCurves, 4, speed)};
}

// With the driver's power handle at 0 the power output becomes -4 in the
// first hold stage and -5 in the second; each stage lasts until the current
// is no longer positive and its brake curve has fallen to 0.
void runHoldStages(SimState& state, HandleCommand& command, float current, HoldCurves curves) {
    if (state.reverserInput == 0) {
        state.holdStage1 = false;
        state.holdStage2 = false;
        return;
    }
    const bool driverPowerOff = state.powerInput == 0 && command.reverser != 0;
    if (state.holdStage1) {
        state.holdStage2 = false;
        if (driverPowerOff) command.power = -4;
        if (!(current <= 0 && curves.stage1 == 0)) return;
        state.holdStage1 = false;
        state.holdStage2 = true;
    }
    if (state.holdStage2) {
        if (driverPowerOff) command.power = -5;
        if (current <= 0 && curves.stage2 == 0) state.holdStage2 = false;
    }
}

void cutReverser(SimState& state, HandleCommand& command, float current) {
    if (state.startCutPending) {
        command.reverser = 0;
        if (current == 0) state.startCutPending = false;
    }
    if (state.holdStage1) return;
    if (!state.holdStage2 && command.brake > 0) command.reverser = 0;
    if (command.power >= -3 && command.power <= -1 && command.brake <= 2) {
        command.reverser = 0;
        command.brake = 2;
    }
}

// A negative power output meeting a brake output cuts both to 0 until the
// current has died away, once per brake application; afterwards only the
// power output is held at 0.
void cutOverlap(SimState& state, HandleCommand& command, float current) {
    if (command.brake == 0) state.overlapSeen = false;
    const bool overlap = command.power < 0 && command.brake > 0;
    if (overlap && !state.overlapSeen) state.overlapCut = true;
    if (state.overlapCut) {
        command.brake = 0;
        command.power = 0;
        if (current == 0) {
            state.overlapCut = false;
            state.overlapSeen = true;
        }
    } else if (overlap) {
        command.power = 0;
    }
}

// Lamps, hold stages and cuts: everything that shapes the handle command
// once the time step is known. Returns the hold-stage curve values.
HoldCurves shapeCommand(SimState& state, const config::NotchConfig& notch, float current, HandleCommand& command) {
    const HoldCurves curves = trackCurves(state, notch, current);
    runHoldStages(state, command, current, curves);
    cutReverser(state, command, current);
    cutOverlap(state, command, current);
    if (current == 0 || command.power <= 0) {
        state.curveLamp = false;
        state.fullCurrentLamp = false;
    }
    return curves;
}

void emitEventSounds(SimState& state, int32_t* sound) {
    SoundTriggers& triggers = state.sounds;
    emitInto(sound, SwitchOnSound, triggers.switchOn);
    emitInto(sound, SwitchOffSound, triggers.switchOff);
    emitInto(sound, SwitchBOffSound, triggers.switchBOff);
    emitInto(sound, SwitchBOnSound, triggers.switchBOn);

    checkSweepReversal(state);
    emitInto(sound, SweepReversalSound, triggers.sweepReversal);

    emitInto(sound, DoorClosedSound, triggers.doorClosed);
    emitInto(sound, DoorOpenedSound, triggers.doorOpened);

    if (state.prevSpeedAbs < kCrossingSpeed && state.speedAbs >= kCrossingSpeed) requestPlay(triggers.reached5);
    if (state.prevSpeedAbs >= kCrossingSpeed && state.speedAbs < kCrossingSpeed) requestPlay(triggers.slowedBelow5);
    emitInto(sound, SlowedBelow5Sound, triggers.slowedBelow5);
    emitInto(sound, Reached5Sound, triggers.reached5);
}

void writeSwitchLamps(const SimState& state, int32_t* panel) {
    panel[SwitchLampAPanel] = state.panelSwitchA && !state.panelSwitchB ? 1 : 0;
    panel[SwitchLampBPanel] = state.panelSwitchA && state.panelSwitchB ? 1 : 0;
}

float ammeterReading(const SimState& state, HoldCurves curves) {
    if (state.holdStage1) return std::max(curves.stage1, state.currentAbs);
    if (state.holdStage2) return std::max(curves.stage2, state.currentAbs);
    return state.currentAbs;
}

void endFrame(SimState& state, const VehicleState& vehicle) {
    state.prevBcPressure = vehicle.bcPressure;
    state.prevCurrentAbs = state.currentAbs;
    state.prevCurrent = vehicle.current;
    state.prevSpeedAbs = state.speedAbs;
    if (state.curveLamp) state.curveLampSeen = true;
    if (state.currentAbs == 0) {
        state.curveLampSeen = false;
        state.curveLampLatch = false;
    }
}

}  // namespace

void beginFrame(SimState& state, const VehicleState& vehicle) {
    state.speedAbs = std::fabs(vehicle.speed);
    state.currentAbs = std::fabs(vehicle.current);
}

HandleCommand runFrame(SimState& state, FrameContext context, const VehicleState& vehicle,
                       HandleCommand chainCommand, int32_t* panel, int32_t* sound) {
    HandleCommand command = chainCommand;
    const float current = vehicle.current;

    gateReverser(state, command);
    runBrakeShift(state, command, current, vehicle.bcPressure);
    emitBrakeShiftSounds(state.sounds, sound);
    command.constantSpeed = 0;
    const int32_t dt = measureTimeStep(state, vehicle.time);

    const HoldCurves holdCurves = shapeCommand(state, context.notch, current, command);
    emitEventSounds(state, sound);

    // A positive power output right after a frame of negative current waits
    // one frame; the negative hold-stage outputs are left alone.
    if (state.prevCurrent < 0 && command.power > 0) command.power = 0;
    panel[SteadyLampPanel42] = 1;
    panel[CurveLampPanel] = state.curveLamp || state.fullCurrentLamp ? 1 : 0;
    panel[SteadyLampPanel43] = 1;

    updateLineVoltage(state, current, dt);
    updateBlinkOutput(state, panel, dt);
    writeSwitchLamps(state, panel);
    advanceSweep(state, panel, dt);

    state.ammeterCurrent = ammeterReading(state, holdCurves);
    panel[SwitchCPanel] = state.panelSwitchC ? 1 : 0;
    const panel::NeedleInputs needles{state.speedAbs, state.ammeterCurrent, vehicle.bcPressure, vehicle.mrPressure,
                                      state.lineVoltage};
    panel::updatePanelOutputs(context.adjust, context.needles, needles, panel);

    endFrame(state, vehicle);
    return command;
}

void seedOnLoad(SimState& state) {
    state.nominalVoltage = static_cast<float>(1400 + drawRandom(state.random) % 200);
    state.panelSwitchA = false;
    state.panelSwitchB = false;
}

void resetForInitialize(SimState& state) {
    state.prevBcPressure = 0;
    state.prevCurrentAbs = 0;
    state.prevCurrent = 0;
    state.blinkTimerMs = 0;
}

void storeVehicleSpec(SimState& state, const VehicleSpec& spec) {
    state.emergencyNotch = wrappingAdd(spec.brakeNotches, 1);
}

}  // namespace sim
