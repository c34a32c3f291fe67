#include <gtest/gtest.h>

#include "panel/outputs.h"
#include "platform/platform.h"
#include "plugin/abi.h"
#include "sim/input.h"
#include "sim/state.h"

namespace {

// Every emission of the trigger after the first-frame stop.
int32_t pending(sim::SoundTrigger trigger) {
    trigger.initialStop = false;
    return sim::emit(trigger);
}

TEST(DriverHandles, StartCutOnlyWhenNotchingUpFromZeroCurrent) {
    sim::SimState state;
    sim::setPower(state, 3);
    EXPECT_TRUE(state.startCutPending);
    EXPECT_EQ(state.powerInput, 3);

    state.startCutPending = false;
    sim::setPower(state, 2);
    sim::setPower(state, 3);
    EXPECT_FALSE(state.startCutPending) << "not from notch 0";

    sim::setPower(state, 0);
    state.currentAbs = 0.5f;
    sim::setPower(state, 3);
    EXPECT_FALSE(state.startCutPending) << "current still flowing";

    sim::setPower(state, 0);
    state.currentAbs = 0;
    state.holdStage1 = true;
    sim::setPower(state, 3);
    EXPECT_FALSE(state.startCutPending) << "in the first hold stage";
}

TEST(DriverHandles, BrakeReleaseEndsTheSecondHoldStage) {
    sim::SimState state;
    state.holdStage2 = true;
    sim::setBrake(state, 4);
    EXPECT_TRUE(state.holdStage2);
    EXPECT_EQ(state.brakeInput, 4);
    sim::setBrake(state, 0);
    EXPECT_FALSE(state.holdStage2);
    sim::setReverser(state, -1);
    EXPECT_EQ(state.reverserInput, -1);
}

struct ToggleCase {
    int32_t key;
    bool sim::SimState::*setting;
    sim::SoundTrigger sim::SoundTriggers::*onSound;
    sim::SoundTrigger sim::SoundTriggers::*offSound;
};

TEST(DriverKeys, LatchedSwitchesToggleOncePerPressWithTheirSounds) {
    const ToggleCase cases[] = {
        {5, &sim::SimState::panelSwitchA, &sim::SoundTriggers::switchOn, &sim::SoundTriggers::switchOff},
        {6, &sim::SimState::panelSwitchB, &sim::SoundTriggers::switchBOn, &sim::SoundTriggers::switchBOff},
        {8, &sim::SimState::neutralOnBrake, &sim::SoundTriggers::switchOn, &sim::SoundTriggers::switchOff},
        {12, &sim::SimState::panelSwitchC, &sim::SoundTriggers::switchOn, &sim::SoundTriggers::switchOff},
    };
    for (const ToggleCase& cell : cases) {
        SCOPED_TRACE(cell.key);
        sim::SimState state;
        panel::PanelAdjustState adjust;
        sim::keyDown(state, adjust, cell.key, false);
        sim::keyDown(state, adjust, cell.key, false);  // auto-repeat
        EXPECT_TRUE(state.*cell.setting);
        EXPECT_EQ(pending(state.sounds.*cell.onSound), SoundPlayOnce);
        EXPECT_EQ(pending(state.sounds.*cell.offSound), SoundContinue);
        sim::keyUp(state, cell.key);
        sim::keyDown(state, adjust, cell.key, false);
        EXPECT_FALSE(state.*cell.setting);
        EXPECT_EQ(pending(state.sounds.*cell.offSound), SoundPlayOnce);
    }
}

TEST(DriverKeys, KeyNineSwitchesTheBrakeShiftModeWithThreeRequests) {
    sim::SimState state;
    panel::PanelAdjustState adjust;
    sim::keyDown(state, adjust, 9, false);
    sim::keyDown(state, adjust, 9, false);
    EXPECT_TRUE(state.brakeShiftMode);
    const sim::SoundTriggers on = state.sounds;
    EXPECT_EQ(pending(on.brakeShiftActive), SoundPlayOnce);
    EXPECT_EQ(pending(on.brakeShiftRelease), SoundStop);
    EXPECT_EQ(pending(on.brakeShiftOn), SoundPlayOnce);
    EXPECT_EQ(pending(on.brakeShiftOff), SoundContinue);

    sim::keyUp(state, 9);
    sim::keyDown(state, adjust, 9, false);
    EXPECT_FALSE(state.brakeShiftMode);
    EXPECT_EQ(pending(state.sounds.brakeShiftActive), SoundStop);
    EXPECT_EQ(pending(state.sounds.brakeShiftRelease), SoundPlayOnce);
    EXPECT_EQ(pending(state.sounds.brakeShiftOff), SoundPlayOnce);
}

TEST(DriverKeys, ShiftMakesKeysFiveAndSixDoNothing) {
    sim::SimState state;
    panel::PanelAdjustState adjust{true, 1, 0};
    platform::setShiftHeldForTesting(true);
    const bool shift = platform::shiftHeld();
    platform::setShiftHeldForTesting(false);
    ASSERT_TRUE(shift);
    sim::keyDown(state, adjust, 5, shift);
    sim::keyDown(state, adjust, 6, shift);
    EXPECT_FALSE(state.panelSwitchA || state.panelSwitchB || state.keys.key5Held || state.keys.key6Held);
    EXPECT_EQ(adjust.testValue, 0);

    sim::keyDown(state, adjust, 5, false);  // toggles at once: no latch was left
    EXPECT_TRUE(state.panelSwitchA);
    sim::keyDown(state, adjust, 5, shift);
    sim::keyUp(state, 5);  // released under Shift: the latch still clears
    EXPECT_FALSE(state.keys.key5Held);
}

TEST(DriverKeys, AdjustmentStepsOnEveryRepeatWhileTheToggleWaitsForRelease) {
    sim::SimState state;
    panel::PanelAdjustState adjust{true, 0, 0};
    sim::keyDown(state, adjust, 0, false);
    sim::keyDown(state, adjust, 5, false);
    sim::keyDown(state, adjust, 5, false);
    sim::keyDown(state, adjust, 5, false);
    sim::keyDown(state, adjust, 6, false);
    EXPECT_EQ(adjust.target, 1);
    EXPECT_EQ(adjust.testValue, 20);
    EXPECT_TRUE(state.panelSwitchA);
    EXPECT_TRUE(state.panelSwitchB);
}

TEST(DriverKeys, SweepRateKeysRepeatAndClamp) {
    sim::SimState state;
    panel::PanelAdjustState adjust;
    state.sweepRate = 500;
    sim::keyDown(state, adjust, 13, false);
    EXPECT_EQ(state.sweepRate, 0);
    state.sweepRate = 47500;
    sim::keyDown(state, adjust, 14, false);
    sim::keyDown(state, adjust, 14, false);
    EXPECT_EQ(state.sweepRate, 49500);
    sim::keyDown(state, adjust, 14, false);
    EXPECT_EQ(state.sweepRate, 50000);
}

TEST(DriverKeys, OtherKeysChangeNothing) {
    sim::SimState state;
    panel::PanelAdjustState adjust{true, 3, 40};
    for (int32_t key : {-1, 1, 2, 3, 4, 7, 10, 11, 15, 16, 1000}) {
        sim::keyDown(state, adjust, key, false);
        sim::keyUp(state, key);
    }
    EXPECT_FALSE(state.panelSwitchA || state.panelSwitchB || state.panelSwitchC || state.neutralOnBrake ||
                 state.brakeShiftMode);
    EXPECT_EQ(state.sweepRate, 0);
    EXPECT_EQ(adjust.target, 3);
    EXPECT_EQ(adjust.testValue, 40);
    EXPECT_EQ(pending(state.sounds.switchOn), SoundContinue);
}

}  // namespace
