#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <initializer_list>
#include <limits>

#include "config/notch.h"
#include "panel/needles.h"
#include "panel/outputs.h"
#include "plugin/abi.h"
#include "sim/frame.h"
#include "sim/input.h"

namespace {

panel::CurveTable flat(float amps) {
    return {{0, amps}, {100, amps}};
}

// One frame of a driving sequence: what the simulator and the module chain
// hand over, and the handle command and ammeter needle that must come back.
struct Step {
    float speed;
    float current;
    HandleCommand chain;  // brake, power, reverser
    HandleCommand expected;
    int32_t ammeter = -1;  // panel index 26; -1: not checked
    float bc = 0;
};

class FrameTest : public ::testing::Test {
protected:
    FrameTest() {
        // Power curves 0, 1, 2 are flat; curve 4 (full current) falls with speed:
        // 300 A at standstill, 250 A at 50 km/h. Brake curves 3 and 4 are 0 up to
        // 5 and 3 km/h and rise to 120 and 60 A at 15 km/h.
        notch.powerCurrentCurves = {flat(50), flat(100), flat(150), flat(200), {{0, 300}, {100, 200}}};
        notch.brakeCurrentCurves = {flat(0), flat(0), flat(0), {{0, 0}, {5, 0}, {15, 120}, {100, 120}},
                                    {{0, 0}, {3, 0}, {15, 60}, {100, 60}}};
        sim::storeVehicleSpec(state, VehicleSpec{8, 5, 1, 6, 10});
        sim::doorClose(state);
        sim::setReverser(state, 1);
        frame(0, 0, {0, 0, 1, 0});  // settles the first-frame stops and a 100 ms time step
    }

    HandleCommand frame(float speed, float current, HandleCommand chain, float bc = 0, int32_t stepMs = 100) {
        timeMs = sim::wrappingAdd(timeMs, stepMs);
        VehicleState vehicle{};
        vehicle.speed = speed;
        vehicle.time = timeMs;
        vehicle.bcPressure = bc;
        vehicle.current = current;
        sim::beginFrame(state, vehicle);
        return sim::runFrame(state, {notch, needles, adjust}, vehicle, chain, panel.data(), sound.data());
    }

    void run(std::initializer_list<Step> steps) {
        int index = 0;
        for (const Step& step : steps) {
            const HandleCommand out = frame(step.speed, step.current, step.chain, step.bc);
            SCOPED_TRACE(::testing::Message() << "step " << index++);
            EXPECT_EQ(out.brake, step.expected.brake);
            EXPECT_EQ(out.power, step.expected.power);
            EXPECT_EQ(out.reverser, step.expected.reverser);
            EXPECT_EQ(out.constantSpeed, 0);
            if (step.ammeter >= 0) {
                EXPECT_EQ(panel[26], step.ammeter);
            }
        }
    }

    sim::SimState state;
    config::NotchConfig notch;
    panel::NeedleTables needles;  // empty: needles show the raw quantities
    panel::PanelAdjustState adjust;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    int32_t timeMs = 0;
};

TEST_F(FrameTest, NotchUpToFullCurrentAndBackThroughBothHoldStages) {
    frame(0, 0, {0, 0, 1, 0});
    sim::setPower(state, 1);  // from zero current: the start cut holds the reverser for one frame
    run({{0, 0, {0, 1, 1, 0}, {0, 1, 0, 0}},
         {10, 60, {0, 1, 1, 7}, {0, 1, 1, 0}, 60}});
    EXPECT_EQ(panel[41], 0);
    run({{10, 99, {0, 1, 1, 0}, {0, 1, 1, 0}}});
    EXPECT_EQ(panel[41], 1) << "on power curve 1";
    run({{10, 150.2f, {0, 1, 1, 0}, {0, 1, 1, 0}}});
    EXPECT_EQ(panel[41], 0) << "on power curve 2 the lamp goes out and latches";
    run({{10, 99, {0, 1, 1, 0}, {0, 1, 1, 0}}});
    EXPECT_EQ(panel[41], 0);
    run({{50, 250, {0, 1, 1, 0}, {0, 1, 1, 0}, 250}});
    EXPECT_EQ(panel[41], 1) << "full current";
    EXPECT_TRUE(state.holdStage1);

    sim::setPower(state, 0);
    EXPECT_FALSE(state.startCutPending);
    run({{50, 100, {0, 0, 1, 0}, {0, -4, 1, 0}, 120},   // ammeter floored at brake curve 3
         {30, 0, {0, 0, 1, 0}, {0, -4, 1, 0}, 120},
         {4, 0, {0, 0, 1, 0}, {0, -5, 1, 0}, 5},       // brake curve 3 at 0: second stage, floor 5 A
         {2, 0, {0, 0, 1, 0}, {0, -5, 1, 0}, 0},       // brake curve 4 at 0: the last -5
         {2, 0, {0, 0, 1, 0}, {0, 0, 1, 0}, 0}});
    EXPECT_EQ(panel[41], 0);
    EXPECT_FALSE(state.holdStage1 || state.holdStage2);
}

TEST_F(FrameTest, HoldStagesEndAtNeutralAndWithoutCurves) {
    run({{50, 250, {0, 0, 1, 0}, {0, -4, 1, 0}}});
    sim::setReverser(state, 0);
    run({{50, 0, {0, 0, 1, 0}, {0, 0, 0, 0}}});
    EXPECT_FALSE(state.holdStage1);

    // Without curves power curve 4 is 0, so any drawing current starts the
    // first stage, and both stages end in the first frame without current.
    notch = {};
    sim::setReverser(state, 1);
    run({{50, 1, {0, 0, 1, 0}, {0, -4, 1, 0}},
         {50, 0, {0, 0, 1, 0}, {0, -5, 1, 0}},
         {50, 0, {0, 0, 1, 0}, {0, 0, 1, 0}}});
}

TEST_F(FrameTest, CurveLampLatchesOnACurrentJumpUntilTheCurrentStops) {
    run({{10, 99, {0, 1, 1, 0}, {0, 1, 1, 0}}});
    EXPECT_EQ(panel[41], 1);
    run({{10, 101, {0, 1, 1, 0}, {0, 1, 1, 0}}});  // rose by more than 1 A
    EXPECT_EQ(panel[41], 0);
    run({{10, 99, {0, 1, 1, 0}, {0, 1, 1, 0}}});
    EXPECT_EQ(panel[41], 0);
    run({{10, 0, {0, 1, 1, 0}, {0, 1, 1, 0}},
         {10, 99, {0, 1, 1, 0}, {0, 1, 1, 0}}});
    EXPECT_EQ(panel[41], 1) << "zero current releases the latch";
    run({{10, 0, {0, 1, 1, 0}, {0, 1, 1, 0}},
         {10, 150.2f, {0, 1, 1, 0}, {0, 1, 1, 0}},  // straight onto curve 2 from zero current
         {10, 99, {0, 1, 1, 0}, {0, 1, 1, 0}}});
    EXPECT_EQ(panel[41], 0);
}

TEST_F(FrameTest, BrakeShiftModeWithItsPressureWatchAndSounds) {
    sim::keyDown(state, adjust, 9, false);
    run({{0, 0, {0, 0, 1, 0}, {10, 0, 0, 0}, -1, 100}});  // no brake given: one past the emergency notch
    EXPECT_EQ(sound[227], 1);
    EXPECT_EQ(sound[228], SoundStop);
    EXPECT_EQ(sound[229], SoundContinue);
    EXPECT_EQ(sound[223], 1);
    EXPECT_EQ(sound[224], SoundContinue);

    // Regenerating: the brake is shifted by the notch past emergency and the
    // accumulator fills at 0.16 kPa/ms, less any brake-cylinder rise.
    run({{40, -200, {3, 0, 1, 0}, {13, 0, 0, 0}, -1, 100},
         {40, -200, {3, 0, 1, 0}, {13, 0, 0, 0}, -1, 100}});
    EXPECT_FLOAT_EQ(state.auxPressure, 32);
    run({{40, -200, {7, 0, 1, 0}, {17, 0, 0, 0}, -1, 110}});
    EXPECT_FLOAT_EQ(state.auxPressure, 38);
    run({{40, 0, {7, 0, 1, 0}, {7, 0, 0, 0}, -1, 110},   // 6 or more passes without regeneration
         {40, 0, {2, 0, 1, 0}, {10, 0, 0, 0}, -1, 110}});
    EXPECT_FLOAT_EQ(state.auxPressure, 38);
    EXPECT_EQ(sound[227], SoundContinue);

    sim::keyUp(state, 9);
    sim::keyDown(state, adjust, 9, false);
    // Sums of brake-cylinder and accumulator pressure, which decays by 10 kPa a
    // frame: the watch waits for the first fall (110 to 100), then counts.
    const float bcSteps[] = {100, 100, 100, 130, 140, 150};
    const int32_t expected228[] = {1, SoundContinue, SoundStop, SoundStop, SoundStop, SoundContinue};
    const int32_t expected229[] = {SoundContinue, SoundContinue, SoundContinue, SoundContinue, 1, SoundContinue};
    const float expectedAux[] = {28, 18, 8, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frame(40, 0, {0, 0, 1, 0}, bcSteps[i]).brake, 0);
        EXPECT_EQ(sound[227], i == 0 ? SoundStop : SoundContinue);
        EXPECT_EQ(sound[224], i == 0 ? 1 : SoundContinue);
        EXPECT_EQ(sound[228], expected228[i]);
        EXPECT_EQ(sound[229], expected229[i]);
        EXPECT_FLOAT_EQ(state.auxPressure, expectedAux[i]);
    }
    EXPECT_FALSE(state.pressureWatch);
}

TEST_F(FrameTest, OverlapCutRunsOncePerBrakeApplication) {
    run({{0, 50, {3, -1, 1, 0}, {0, 0, 0, 0}},
         {0, 0, {3, -1, 1, 0}, {0, 0, 0, 0}},     // current gone: the cut ends
         {0, 30, {3, -1, 1, 0}, {3, 0, 0, 0}},    // same application: only power held at 0
         {0, 0, {0, 0, 1, 0}, {0, 0, 1, 0}},      // brake released
         {0, 20, {3, -1, 1, 0}, {0, 0, 0, 0}},
         // A small negative notch on a light brake sets brake 2 and neutral.
         {0, 0, {1, -2, 1, 0}, {0, 0, 0, 0}},
         {0, 10, {1, -2, 1, 0}, {2, 0, 0, 0}}});
}

TEST_F(FrameTest, PositivePowerWaitsOneFrameAfterNegativeCurrent) {
    run({{0, -50, {0, 3, 1, 0}, {0, 3, 1, 0}},
         {0, 100, {0, 3, 1, 0}, {0, 0, 1, 0}},
         {0, 100, {0, 3, 1, 0}, {0, 3, 1, 0}}});
    state.holdStage1 = true;
    run({{30, -10, {0, 0, 1, 0}, {0, -4, 1, 0}},
         {30, -10, {0, 0, 1, 0}, {0, -4, 1, 0}}});
}

TEST_F(FrameTest, DoorsAndNeutralOnBrakeGateTheReverser) {
    sim::doorOpen(state);
    run({{0, 0, {0, 0, 1, 0}, {0, 0, 0, 0}}});
    EXPECT_EQ(sound[96], 1);
    sim::doorClose(state);
    run({{0, 0, {0, 0, 1, 0}, {0, 0, 1, 0}}});
    EXPECT_EQ(sound[95], 1);

    // In the first hold stage a brake keeps the reverser, and the power handle
    // at 0 gives -4, which then meets the brake and is cut.
    run({{50, 250, {0, 0, 1, 0}, {0, -4, 1, 0}},
         {50, 250, {2, 0, 1, 0}, {0, 0, 1, 0}}});
    sim::keyDown(state, adjust, 8, false);
    run({{50, 250, {2, 0, 1, 0}, {0, 0, 0, 0}}});  // neutral on brake: no -4, still in the cut
    run({{50, 0, {2, 0, 1, 0}, {0, 0, 0, 0}},
         {50, 0, {2, 0, 1, 0}, {2, 0, 0, 0}}});
}

TEST_F(FrameTest, SoundsOfCrossingsAndTheirEmissionOrder) {
    const float speeds[] = {4.9f, 5.0f, 5.0f, 4.9f, -6.0f};
    const int32_t expected97[] = {SoundContinue, SoundContinue, SoundContinue, 1, SoundContinue};
    const int32_t expected98[] = {SoundContinue, 1, SoundContinue, SoundContinue, 1};
    for (int i = 0; i < 5; ++i) {
        frame(speeds[i], 0, {0, 0, 1, 0});
        EXPECT_EQ(sound[97], expected97[i]) << i;
        EXPECT_EQ(sound[98], expected98[i]) << i;
    }
}

TEST_F(FrameTest, LampsAndSwitchOutputs) {
    struct Case {
        bool a, b, c;
        int32_t lamp135, lamp136, out252;
    };
    for (const Case& cell : {Case{false, false, false, 0, 0, 0}, Case{true, false, true, 1, 0, 1},
                             Case{true, true, false, 0, 1, 0}, Case{false, true, true, 0, 0, 1}}) {
        state.panelSwitchA = cell.a;
        state.panelSwitchB = cell.b;
        state.panelSwitchC = cell.c;
        frame(0, 0, {0, 0, 1, 0});
        EXPECT_EQ(panel[135], cell.lamp135);
        EXPECT_EQ(panel[136], cell.lamp136);
        EXPECT_EQ(panel[252], cell.out252);
        EXPECT_EQ(panel[42], 1);
        EXPECT_EQ(panel[43], 1);
    }
}

TEST(FrameSounds, FirstFrameStopsAllFourteenThenEmitsPendingRequests) {
    sim::SimState state;
    config::NotchConfig notch;
    panel::NeedleTables needles;
    panel::PanelAdjustState adjust;
    std::array<int32_t, SoundArraySize> sound{};
    std::array<int32_t, PanelArraySize> panel{};
    const int owned[] = {95, 96, 97, 98, 107, 108, 109, 110, 111, 223, 224, 227, 228, 229};
    sim::doorClose(state);  // during start-up, before the first frame
    for (int frameIndex = 0; frameIndex < 3; ++frameIndex) {
        sound.fill(77);  // what a detail module wrote this frame
        VehicleState vehicle{};
        vehicle.time = 16 * (frameIndex + 1);
        sim::beginFrame(state, vehicle);
        sim::runFrame(state, {notch, needles, adjust}, vehicle, HandleCommand{}, panel.data(), sound.data());
        for (int index : owned) {
            const int32_t expected = frameIndex == 0                  ? SoundStop
                                     : frameIndex == 1 && index == 95 ? SoundPlayOnce
                                                                      : SoundContinue;
            EXPECT_EQ(sound[index], expected) << "frame " << frameIndex << " index " << index;
        }
        EXPECT_EQ(sound[0], 77);
        EXPECT_EQ(sound[99], 77);
    }
}

TEST_F(FrameTest, TimeStepWrapsAndRunsBackwards) {
    sim::SimState fresh;
    VehicleState vehicle{};
    vehicle.time = 640;
    sim::runFrame(fresh, {notch, needles, adjust}, vehicle, {}, panel.data(), sound.data());
    EXPECT_EQ(fresh.frameDeltaMs, 640) << "the first frame measures from 0";

    // Backwards: a negative step makes the accumulator grow in the next frame.
    state.auxPressure = 50;
    frame(0, 0, {0, 0, 1, 0}, 0, -100);
    EXPECT_FLOAT_EQ(state.auxPressure, 40);
    frame(0, 0, {0, 0, 1, 0}, 0, 100);
    EXPECT_FLOAT_EQ(state.auxPressure, 50);

    timeMs = INT_MAX - 49;
    frame(0, 0, {0, 0, 1, 0}, 0, 0);
    timeMs = INT_MIN + 50;
    frame(0, 0, {0, 0, 1, 0}, 0, 0);
    EXPECT_EQ(state.frameDeltaMs, 100) << "across the int32 range";
}

TEST_F(FrameTest, ExtremeInputsStayDefined) {
    state.sweepRate = 50000;
    state.nonFallingMs = INT_MAX - 10;
    state.risingMs = INT_MIN + 10;
    panel[3] = 1;
    const int32_t times[] = {INT_MAX, 0, INT_MIN, INT_MAX, -1, INT_MIN, INT_MAX};
    for (int i = 0; i < 7; ++i) {
        timeMs = times[i];
        state.brakeShiftMode = i % 2 == 1;
        state.pressureWatch = true;
        state.awaitBcFall = false;
        // Brake-shift frames push a brake of INT_MAX past the emergency notch.
        frame(1e30f, -1e30f, {INT_MAX, i % 2 == 0 ? INT_MIN : 0, 1, 0}, i % 2 == 0 ? -1e30f : 1e30f, 0);
        EXPECT_EQ(panel[22], INT_MAX);
        EXPECT_EQ(panel[130], i % 2 == 0 ? INT_MIN : INT_MAX);
        EXPECT_GE(panel[97], -10000);
        EXPECT_LE(panel[97], 10000);
        EXPECT_GE(state.auxPressure, 0);
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    frame(nan, nan, {0, 0, 1, 0}, nan);
    EXPECT_EQ(panel[22], 0);
    EXPECT_EQ(panel[26], 0);
    EXPECT_EQ(panel[130], 0);
}

TEST(FrameLifecycle, SeedInitializeAndVehicleSpec) {
    sim::SimState state;
    state.random.words[0] = 12345;  // 12345 mod 200 = 145
    state.random.next = 0;
    state.panelSwitchA = state.panelSwitchB = state.panelSwitchC = true;
    state.sweepRate = 3000;
    sim::seedOnLoad(state);
    EXPECT_EQ(state.nominalVoltage, 1545);
    EXPECT_FALSE(state.panelSwitchA || state.panelSwitchB);
    EXPECT_TRUE(state.panelSwitchC);
    EXPECT_EQ(state.sweepRate, 3000);

    state.prevBcPressure = state.prevCurrentAbs = state.prevCurrent = 5;
    state.blinkTimerMs = 300;
    state.lastTimeMs = 9000;
    sim::resetForInitialize(state);
    EXPECT_EQ(state.prevBcPressure + state.prevCurrentAbs + state.prevCurrent, 0);
    EXPECT_EQ(state.blinkTimerMs, 0);
    EXPECT_EQ(state.lastTimeMs, 9000);

    sim::storeVehicleSpec(state, VehicleSpec{8, 5, 1, 6, 10});
    EXPECT_EQ(state.emergencyNotch, 9);
    sim::storeVehicleSpec(state, VehicleSpec{INT_MAX, 0, 0, 0, 0});
    EXPECT_EQ(state.emergencyNotch, INT_MIN);
}

}  // namespace
