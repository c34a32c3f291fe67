#include "sim/input.h"

#include <algorithm>

namespace sim {

namespace {

enum Key : int32_t {
    AdjustSelectKey = 0,
    SwitchAKey = 5,
    SwitchBKey = 6,
    NeutralOnBrakeKey = 8,
    BrakeShiftKey = 9,
    SwitchCKey = 12,
    SweepSlowerKey = 13,
    SweepFasterKey = 14,
};

constexpr float kSweepRateStep = 1000;
constexpr float kSweepRateMax = 50000;

// Inverts `setting` once per press: while the key's latch is set (keyboard
// auto-repeat of a held key) nothing happens. True when it toggled.
bool toggleLatched(bool& latch, bool& setting) {
    if (latch) return false;
    latch = true;
    setting = !setting;
    return true;
}

void toggleWithSound(bool& latch, bool& setting, SoundTrigger& onSound, SoundTrigger& offSound) {
    if (toggleLatched(latch, setting)) requestPlay(setting ? onSound : offSound);
}

void toggleBrakeShift(SimState& state) {
    if (!toggleLatched(state.keys.key9Held, state.brakeShiftMode)) return;
    SoundTriggers& sounds = state.sounds;
    if (state.brakeShiftMode) {
        requestPlay(sounds.brakeShiftActive);
        requestStop(sounds.brakeShiftRelease);
        requestPlay(sounds.brakeShiftOn);
    } else {
        requestStop(sounds.brakeShiftActive);
        requestPlay(sounds.brakeShiftRelease);
        requestPlay(sounds.brakeShiftOff);
    }
}

}  // namespace

void setPower(SimState& state, int32_t notch) {
    // Notching up from standstill current holds the reverser at neutral
    // until the frame sees zero current.
    if (!state.holdStage1 && state.currentAbs == 0 && notch > 0 && state.powerInput == 0)
        state.startCutPending = true;
    state.powerInput = notch;
}

void setBrake(SimState& state, int32_t notch) {
    state.brakeInput = notch;
    if (state.holdStage2 && notch == 0) state.holdStage2 = false;
}

void setReverser(SimState& state, int32_t position) {
    state.reverserInput = position;
}

void doorOpen(SimState& state) {
    state.doorsClosed = false;
    requestPlay(state.sounds.doorOpened);
}

void doorClose(SimState& state) {
    state.doorsClosed = true;
    requestPlay(state.sounds.doorClosed);
}

void keyDown(SimState& state, panel::PanelAdjustState& adjust, int32_t key, bool shiftHeld) {
    SoundTriggers& sounds = state.sounds;
    switch (key) {
    case AdjustSelectKey:
        panel::adjustKeyDown(adjust, key);
        break;
    case SwitchAKey:
        if (shiftHeld) break;
        toggleWithSound(state.keys.key5Held, state.panelSwitchA, sounds.switchOn, sounds.switchOff);
        panel::adjustKeyDown(adjust, key);
        break;
    case SwitchBKey:
        if (shiftHeld) break;
        toggleWithSound(state.keys.key6Held, state.panelSwitchB, sounds.switchBOn, sounds.switchBOff);
        panel::adjustKeyDown(adjust, key);
        break;
    case NeutralOnBrakeKey:
        toggleWithSound(state.keys.key8Held, state.neutralOnBrake, sounds.switchOn, sounds.switchOff);
        break;
    case BrakeShiftKey:
        toggleBrakeShift(state);
        break;
    case SwitchCKey:
        toggleWithSound(state.keys.key12Held, state.panelSwitchC, sounds.switchOn, sounds.switchOff);
        break;
    case SweepSlowerKey:
        state.sweepRate = std::max(state.sweepRate - kSweepRateStep, 0.0f);
        break;
    case SweepFasterKey:
        state.sweepRate = std::min(state.sweepRate + kSweepRateStep, kSweepRateMax);
        break;
    default:
        break;
    }
}

void keyUp(SimState& state, int32_t key) {
    switch (key) {
    case SwitchAKey: state.keys.key5Held = false; break;
    case SwitchBKey: state.keys.key6Held = false; break;
    case NeutralOnBrakeKey: state.keys.key8Held = false; break;
    case BrakeShiftKey: state.keys.key9Held = false; break;
    case SwitchCKey: state.keys.key12Held = false; break;
    default: break;
    }
}

}  // namespace sim
