// One-shot sound requests. Event handlers and the frame leave requests in a
// SoundTrigger; the frame emits every trigger as exactly one sound command
// per frame, so each owned sound index carries a defined command always.
#pragma once

#include <cstdint>

namespace sim {

struct SoundTrigger {
    bool playRequest = false;
    bool stopRequest = false;
    bool initialStop = true;  // stop once at the first emission after library load
};

inline void requestPlay(SoundTrigger& trigger) {
    trigger.playRequest = true;
    trigger.stopRequest = false;
}

inline void requestStop(SoundTrigger& trigger) {
    trigger.playRequest = false;
    trigger.stopRequest = true;
}

// The command for this frame: initial stop, then a pending play, then a
// pending stop, else "continue". The initial stop leaves requests pending.
int32_t emit(SoundTrigger& trigger);

// The fourteen sound indices the plug-in owns, one trigger each.
struct SoundTriggers {
    SoundTrigger doorClosed;       // 95
    SoundTrigger doorOpened;       // 96
    SoundTrigger slowedBelow5;     // 97
    SoundTrigger reached5;         // 98
    SoundTrigger switchOn;         // 107
    SoundTrigger switchOff;        // 108
    SoundTrigger switchBOff;       // 109
    SoundTrigger switchBOn;        // 110
    SoundTrigger sweepReversal;    // 111
    SoundTrigger brakeShiftOn;     // 223
    SoundTrigger brakeShiftOff;    // 224
    SoundTrigger brakeShiftActive; // 227
    SoundTrigger brakeShiftRelease; // 228
    SoundTrigger releaseRising;    // 229
};

enum SoundIndex : int {
    DoorClosedSound = 95,
    DoorOpenedSound = 96,
    SlowedBelow5Sound = 97,
    Reached5Sound = 98,
    SwitchOnSound = 107,
    SwitchOffSound = 108,
    SwitchBOffSound = 109,
    SwitchBOnSound = 110,
    SweepReversalSound = 111,
    BrakeShiftOnSound = 223,
    BrakeShiftOffSound = 224,
    BrakeShiftActiveSound = 227,
    BrakeShiftReleaseSound = 228,
    ReleaseRisingSound = 229,
};

}  // namespace sim
