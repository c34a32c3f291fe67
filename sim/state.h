// The simulation's state: one plain record, written by the event handlers
// (input.h) and the frame (frame.h). Lives from library load to unload;
// Load and Initialize reset only the fields their functions name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/sound.h"

namespace sim {

// Non-deterministic 32-bit words, drawn from the system in batches so the
// frame never waits on the system.
struct RandomPool {
    static constexpr int kSize = 64;
    uint32_t words[kSize] = {};
    int next = kSize;
};

// Fills `count` words; false when the source failed.
using RandomSource = bool (*)(uint32_t* words, std::size_t count) noexcept;

// The next word of the pool, refilled from the system's source when used up.
uint32_t drawRandom(RandomPool& pool);
// The same with another source. Should the source fail, the batch is
// scrambled from the previous words and the clock instead, so the draws keep
// varying rather than repeating a batch (or all zeros at the first draw).
uint32_t drawRandom(RandomPool& pool, RandomSource source);

struct KeyLatches {
    bool key5Held = false;
    bool key6Held = false;
    bool key8Held = false;
    bool key9Held = false;
    bool key12Held = false;
};

struct SimState {
    // Frame inputs kept from frame to frame.
    float speedAbs = 0;
    float currentAbs = 0;
    float prevSpeedAbs = 0;
    float prevCurrentAbs = 0;
    float prevCurrent = 0;
    float prevBcPressure = 0;
    int32_t lastTimeMs = 0;
    int32_t frameDeltaMs = 0;
    int32_t emergencyNotch = 0;

    // Driver's handles, doors and switches.
    int32_t powerInput = 0;
    int32_t brakeInput = 0;
    int32_t reverserInput = 0;
    bool doorsClosed = false;
    bool neutralOnBrake = false;
    bool brakeShiftMode = false;
    bool panelSwitchA = false;
    bool panelSwitchB = false;
    bool panelSwitchC = false;
    KeyLatches keys;

    // Brake-shift pressure accumulator and release watch.
    float auxPressure = 0;
    float prevAuxPressure = 0;
    bool pressureWatch = false;
    bool awaitBcFall = false;
    int32_t nonFallingMs = 0;
    int32_t risingMs = 0;

    // Lamps, hold stages and cuts.
    bool curveLamp = false;
    bool curveLampLatch = false;
    bool curveLampSeen = false;
    bool fullCurrentLamp = false;
    bool holdStage1 = false;
    bool holdStage2 = false;
    bool startCutPending = false;
    bool overlapCut = false;
    bool overlapSeen = false;

    // Needle input worked out by the frame.
    float ammeterCurrent = 0;

    // Line voltage and panel generators.
    int32_t voltageTimerMs = 0;
    float nominalVoltage = 0;
    float lineVoltage = 0;
    int32_t blinkTimerMs = 0;
    float sweepRate = 0;
    float sweepPosition = 10000;
    bool sweepRising = false;
    bool prevSweepRising = false;
    float sweepOutput = 10000;

    SoundTriggers sounds;
    RandomPool random;
};

// Two's-complement wraparound arithmetic for the millisecond counters, so
// that a simulator clock jumping across the int32 range stays defined.
inline int32_t wrappingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrappingSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace sim
