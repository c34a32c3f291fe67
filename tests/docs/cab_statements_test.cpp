// What the README and the author guides say about the handles, the panel
// indices, the sounds and the keys, checked on the plug-in itself: each test
// is one statement (or one row of a table) of "What the plug-in drives", so
// that a change of behaviour shows which sentence has become untrue.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>

#include "plugin/plugin.h"
#include "sim/frame.h"
#include "support/test_folder.h"
#include "tools/panel_names.h"

namespace {

constexpr int32_t kUntouched = -7;

panel::CurveTable flat(float amps) {
    return {{0, amps}, {100, amps}};
}

// The plug-in with a vehicle of simple curves: the selected power steps at
// 50, 100, 150, 200 and 300 A (full current), braking step 4 at 0 A below
// 5 km/h rising to 120 A at 15 km/h, braking step 5 at 0 A below 3 km/h rising
// to 60 A. Eight brake notches, so the emergency notch is 9.
class Cab : public ::testing::Test {
protected:
    explicit Cab(bool adjustmentMode = false, bool withCurves = true) {
        if (adjustmentMode) folder.write("PanelModify.txt", "");
        plugin.directory = folder.directory();
        plugin::load(plugin);
        if (withCurves) {
            plugin.notch.powerCurrentCurves = {flat(50), flat(100), flat(150), flat(200), flat(300)};
            plugin.notch.brakeCurrentCurves = {flat(0), flat(0), flat(0), {{0, 0}, {5, 0}, {15, 120}, {100, 120}},
                                               {{0, 0}, {3, 0}, {15, 60}, {100, 60}}};
        }
        plugin::setVehicleSpec(plugin, VehicleSpec{8, 4, 1, 6, 4});
        plugin::initialize(plugin, 0);
        panel.fill(kUntouched);
        sound.fill(kUntouched);
    }

    HandleCommand frame(float speed, float current, float bc = 0) {
        timeMs += 100;
        VehicleState vehicle{};
        vehicle.speed = speed;
        vehicle.current = current;
        vehicle.bcPressure = bc;
        vehicle.mrPressure = 800;
        vehicle.time = timeMs;
        return plugin::elapse(plugin, vehicle, panel.data(), sound.data());
    }

    // Doors closed, reverser forward, the first frame's stops done.
    void readyToDrive() {
        plugin::doorClose(plugin);
        plugin::setReverser(plugin, 1);
        frame(0, 0);
    }

    // Powers at notch 4 up to full current at `speed`, then returns the
    // power handle to 0: hold stage 1 is on.
    void runAtFullCurrent(float speed) {
        plugin::setPower(plugin, 4);
        frame(speed, 0);
        frame(speed, 300);
        plugin::setPower(plugin, 0);
    }

    void press(int key, bool shift = false) {
        plugin::keyDown(plugin, key, shift);
        plugin::keyUp(plugin, key);
    }

    testing_support::TestFolder folder;
    plugin::Plugin plugin;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    int32_t timeMs = 0;
};

class CabInAdjustmentMode : public Cab {
protected:
    CabInAdjustmentMode() : Cab(true) {}
};

class CabWithoutTractionFiles : public Cab {
protected:
    CabWithoutTractionFiles() : Cab(false, false) {}
};

void expectHandles(const HandleCommand& out, int32_t brake, int32_t power, int32_t reverser) {
    EXPECT_EQ(out.brake, brake);
    EXPECT_EQ(out.power, power);
    EXPECT_EQ(out.reverser, reverser);
}

// ---- Installing: without the traction files every positive current is full current.

TEST_F(CabWithoutTractionFiles, EveryPositiveCurrentLightsLamp41AndStartsAHoldStage) {
    readyToDrive();
    plugin::setPower(plugin, 1);
    frame(0, 0);
    frame(3, 5);
    EXPECT_EQ(panel[41], 1);
    plugin::setPower(plugin, 0);
    EXPECT_EQ(frame(3, 5).power, -4);
}

// ---- Handles: the reverser.

TEST_F(Cab, ReverserIsNeutralWhileTheDoorsAreOpen) {
    plugin::setReverser(plugin, 1);
    EXPECT_EQ(frame(0, 0).reverser, 0);  // the doors are open until the first DoorClose
    plugin::doorClose(plugin);
    EXPECT_EQ(frame(0, 0).reverser, 1);
    plugin::doorOpen(plugin);
    EXPECT_EQ(frame(0, 0).reverser, 0);
}

TEST_F(Cab, BrakingMakesTheReverserNeutralExceptInAHoldStage) {
    readyToDrive();
    plugin::setBrake(plugin, 2);
    expectHandles(frame(30, 0), 2, 0, 0);
    plugin::setBrake(plugin, 0);
    runAtFullCurrent(30);
    plugin::setBrake(plugin, 3);
    // Power against brake cuts both outputs until the current is 0; the
    // reverser stays engaged and the hold stage stays on (ammeter floor 120 A).
    expectHandles(frame(30, 100), 0, 0, 1);
    EXPECT_EQ(panel[26], 120);
    expectHandles(frame(30, 0), 0, 0, 1);
    expectHandles(frame(30, -50), 3, 0, 1);
    EXPECT_EQ(panel[26], 120);
}

TEST_F(Cab, NotchingUpFromZeroCurrentCutsTheReverserUntilAFrameWithZeroCurrent) {
    readyToDrive();
    plugin::setPower(plugin, 1);
    EXPECT_EQ(frame(0, 0).reverser, 0);
    EXPECT_EQ(frame(0, 20).reverser, 1);

    // Not while hold stage 1 is on: at 30 km/h braking step 4 gives 120 A, so
    // the stage outlasts the current.
    runAtFullCurrent(30);
    frame(30, 0);
    plugin::setPower(plugin, 2);
    EXPECT_EQ(frame(30, 0).reverser, 1);
}

TEST_F(Cab, Switch8MakesTheReverserNeutralWhileBrakingWithPower0InTheHoldStagesToo) {
    readyToDrive();
    press(8);
    runAtFullCurrent(30);
    plugin::setBrake(plugin, 3);
    expectHandles(frame(30, 100), 3, 0, 0);
    press(8);
    plugin::setBrake(plugin, 0);
    plugin::setBrake(plugin, 3);
    EXPECT_EQ(frame(30, 100).reverser, 1);
}

TEST_F(Cab, APowerOfMinus1To3FromAModuleGivesNeutralAndBrake2) {
    readyToDrive();
    const sim::FrameContext context{plugin.notch, plugin.needles, plugin.adjust};
    VehicleState vehicle{};
    vehicle.speed = 30;
    vehicle.time = timeMs += 100;
    sim::beginFrame(plugin.sim, vehicle);
    // Power against brake first cuts both to 0 in this frame of zero current...
    expectHandles(sim::runFrame(plugin.sim, context, vehicle, {1, -2, 1, 0}, panel.data(), sound.data()), 0, 0, 0);
    vehicle.time = timeMs += 100;
    sim::beginFrame(plugin.sim, vehicle);
    // ... and then holds only the power at 0.
    expectHandles(sim::runFrame(plugin.sim, context, vehicle, {1, -2, 1, 0}, panel.data(), sound.data()), 2, 0, 0);
}

// ---- Handles: the hold stages.

TEST_F(Cab, HoldStage1GivesPowerMinus4AndRaisesTheAmmeterToBrakingStep4) {
    readyToDrive();
    plugin::setPower(plugin, 4);
    frame(10, 0);
    EXPECT_EQ(frame(10, 300).power, 4);  // full current: stage 1 begins, lamp 41 lit
    EXPECT_EQ(panel[41], 1);
    plugin::setPower(plugin, 0);
    EXPECT_EQ(frame(10, 100).power, -4);
    EXPECT_EQ(panel[26], 100);
    EXPECT_EQ(frame(10, 20).power, -4);
    EXPECT_EQ(panel[26], 60);  // braking step 4 at 10 km/h
    EXPECT_EQ(panel[41], 0);   // the power output is not positive
}

TEST_F(Cab, HoldStage1NeedsTheReverserOffNeutral) {
    plugin::doorClose(plugin);
    frame(0, 0);
    plugin::setPower(plugin, 4);
    frame(10, 0);
    frame(10, 300);
    plugin::setPower(plugin, 0);
    plugin::setReverser(plugin, 1);
    EXPECT_EQ(frame(10, 100).power, 0);
}

TEST_F(Cab, Stage2FollowsWhenBrakingStep4GivesNothingAndEndsWithBrakingStep5) {
    readyToDrive();
    runAtFullCurrent(10);
    EXPECT_EQ(frame(4, 0).power, -5);  // current 0, braking step 4 gives 0 below 5 km/h
    EXPECT_EQ(panel[26], 5);           // braking step 5 at 4 km/h
    EXPECT_EQ(frame(4, -10).power, -5);
    frame(2, 0);                       // braking step 5 gives 0 too: stage 2 ends
    EXPECT_EQ(frame(2, 0).power, 0);
}

TEST_F(Cab, Stage2EndsWithTheBrakeHandleAt0OrTheReverserAtNeutral) {
    readyToDrive();
    runAtFullCurrent(10);
    EXPECT_EQ(frame(4, 0).power, -5);
    plugin::setBrake(plugin, 0);
    EXPECT_EQ(frame(4, 0).power, 0);

    runAtFullCurrent(10);
    EXPECT_EQ(frame(4, 0).power, -5);
    plugin::setReverser(plugin, 0);
    frame(4, 0);
    plugin::setReverser(plugin, 1);
    EXPECT_EQ(frame(4, 0).power, 0);
}

TEST_F(Cab, FullCurrentInStage2StartsStage1Anew) {
    readyToDrive();
    runAtFullCurrent(10);
    EXPECT_EQ(frame(4, 0).power, -5);
    EXPECT_EQ(frame(4, 300).power, -4);
}

TEST_F(Cab, PowerAgainstBrakeCutsBothUntilTheCurrentIs0OncePerApplication) {
    readyToDrive();
    runAtFullCurrent(30);
    plugin::setBrake(plugin, 2);
    expectHandles(frame(30, 80), 0, 0, 1);
    expectHandles(frame(30, 0), 0, 0, 1);
    expectHandles(frame(30, 40), 2, 0, 1);  // the cut ran once: now only the power is held
    plugin::setBrake(plugin, 0);
    frame(30, 0);
    plugin::setBrake(plugin, 2);
    expectHandles(frame(30, 40), 0, 0, 1);  // a new application cuts again
}

TEST_F(Cab, BrakeShiftModeMovesTheBrakeOutputPastTheEmergencyNotch) {
    readyToDrive();
    press(9);
    expectHandles(frame(30, 0), 10, 0, 0);  // no brake: emergency notch + 1
    plugin::setBrake(plugin, 3);
    expectHandles(frame(30, -50), 13, 0, 0);  // regenerating: 3 + 9 + 1
    expectHandles(frame(30, 0), 10, 0, 0);    // not regenerating: below 6 becomes 10
    plugin::setBrake(plugin, 7);
    expectHandles(frame(30, 0), 7, 0, 0);  // 6 or more passes unchanged
    press(9);
    plugin::setBrake(plugin, 0);
    expectHandles(frame(30, 0), 0, 0, 1);
}

TEST_F(Cab, AfterNegativeCurrentAPositivePowerOutputIs0ButHoldStagesStay) {
    readyToDrive();
    plugin::setPower(plugin, 2);
    frame(30, 20);
    frame(30, -5);
    EXPECT_EQ(frame(30, 20).power, 0);
    EXPECT_EQ(frame(30, 20).power, 2);

    runAtFullCurrent(30);
    frame(30, -5);
    EXPECT_EQ(frame(30, -5).power, -4);
}

// ---- Panel indices.

TEST_F(Cab, TheCurrentLampFollowsTheSelectedStepsCurves) {
    readyToDrive();
    plugin::setPower(plugin, 3);
    frame(30, 0);
    frame(30, 99);
    EXPECT_EQ(panel[41], 1);  // within 2 A of the 2nd step (100 A), above the 1st (50 A)
    frame(30, 150);
    EXPECT_EQ(panel[41], 0);  // meets the 3rd step
    frame(30, 100);
    EXPECT_EQ(panel[41], 0);  // latched until the current has been 0
    frame(30, 0);
    frame(30, 99);
    EXPECT_EQ(panel[41], 1);
    frame(30, 101);
    EXPECT_EQ(panel[41], 0);  // rose by more than 1 A after having been lit
    frame(30, 300);
    EXPECT_EQ(panel[41], 1);  // full current
    plugin::setPower(plugin, 0);
    frame(30, 300);
    EXPECT_EQ(panel[41], 0);  // the power output is not positive
}

TEST_F(Cab, Lamps42And43AreAlwaysLit) {
    for (float current : {0.f, 150.f, -80.f}) {
        frame(20, current);
        EXPECT_EQ(panel[42], 1);
        EXPECT_EQ(panel[43], 1);
    }
}

TEST_F(Cab, Index68BlinksAsIndex3Asks) {
    panel[3] = 1;
    std::array<int32_t, 20> seen{};
    for (int32_t& value : seen) {
        frame(0, 0);
        value = panel[68];
    }
    // 1 and 2 in turn, about half a second (five or six frames of 100 ms) each.
    EXPECT_EQ(std::count(seen.begin(), seen.begin() + 6, 1), 6);
    EXPECT_EQ(std::count(seen.begin() + 6, seen.begin() + 11, 2), 5);
    EXPECT_EQ(seen[11], 1);
    EXPECT_EQ(panel[3], 1);  // read, never written
    panel[3] = 0;
    frame(0, 0);
    EXPECT_EQ(panel[68], 0);
    panel[3] = 7;
    frame(0, 0);
    EXPECT_EQ(panel[68], 2);
}

TEST_F(Cab, TheSweepStartsAt10000StandingStillAndKeys13And14SetItsSpeed) {
    frame(0, 0);
    frame(0, 0);
    EXPECT_EQ(panel[97], 10000);
    plugin::keyDown(plugin, 14, false);
    frame(0, 0);
    EXPECT_LT(panel[97], 10000);
    for (int k = 0; k < 60; ++k) plugin::keyDown(plugin, 14, false);  // up to 50000 at most
    for (int k = 0; k < 200; ++k) {
        frame(0, 0);
        EXPECT_GE(panel[97], -10000);
        EXPECT_LE(panel[97], 10000);
    }
    for (int k = 0; k < 60; ++k) plugin::keyDown(plugin, 13, false);  // down to 0, not below
    frame(0, 0);
    const int32_t stopped = panel[97];
    frame(0, 0);
    EXPECT_EQ(panel[97], stopped);
}

TEST_F(Cab, SwitchLampsFollowKeys5_6And12) {
    press(5);
    frame(0, 0);
    EXPECT_EQ(panel[135], 1);
    EXPECT_EQ(panel[136], 0);
    press(6);
    frame(0, 0);
    EXPECT_EQ(panel[135], 0);
    EXPECT_EQ(panel[136], 1);
    press(5);
    frame(0, 0);
    EXPECT_EQ(panel[135], 0);
    EXPECT_EQ(panel[136], 0);
    EXPECT_EQ(panel[252], 0);
    press(12);
    frame(0, 0);
    EXPECT_EQ(panel[252], 1);
}

TEST_F(Cab, DigitsAreBlankWhileTheAdjustmentModeIsOff) {
    press(0);
    press(5);
    frame(0, 0, 200);
    for (int index = 220; index <= 223; ++index) EXPECT_EQ(panel[index], 10);
    EXPECT_EQ(panel[131], kUntouched);
    EXPECT_EQ(panel[132], kUntouched);
    EXPECT_EQ(panel[130], 200);  // key 0 selected nothing: the needle shows the pressure
}

TEST_F(CabInAdjustmentMode, KeysSelectANeedleAndStepTheTestValueShownOnTheDigits) {
    frame(0, 0);
    for (int index = 220; index <= 223; ++index) EXPECT_EQ(panel[index], 10);  // no needle selected
    press(0);
    press(0);  // index 131
    press(5);
    press(5);
    frame(0, 0);
    EXPECT_EQ(panel[131], 20);
    EXPECT_EQ(panel[132], kUntouched);
    EXPECT_EQ((std::array<int32_t, 4>{panel[220], panel[221], panel[222], panel[223]}),
              (std::array<int32_t, 4>{0, 0, 2, 0}));
    press(0);
    press(0);
    press(0);  // speed (22): steps of 100, digits of the value / 100
    for (int k = 0; k < 3; ++k) plugin::keyDown(plugin, 5, false);  // auto-repeat steps every time
    plugin::keyUp(plugin, 5);
    frame(0, 0);
    EXPECT_EQ(panel[22], 300);
    EXPECT_EQ(panel[223], 3);
}

TEST_F(Cab, TheLineVoltageWandersWithin1380To1620AndSags02VPerAmpere) {
    for (int k = 0; k < 200; ++k) {
        frame(30, 0);
        if (k > 5) {
            EXPECT_GE(panel[232], 1380);
            EXPECT_LE(panel[232], 1620);
        }
    }
    for (int k = 0; k < 200; ++k) {
        frame(30, 1000);
        if (k > 5) {
            EXPECT_GE(panel[232], 1310);
            EXPECT_LE(panel[232], 1420);
        }
    }
}

TEST_F(CabInAdjustmentMode, ThePlugInWritesOnlyTheIndicesOfItsTable) {
    readyToDrive();
    press(5);
    press(12);
    press(14);
    press(0);
    press(0);
    press(0);  // index 132 in the adjustment mode
    plugin::setPower(plugin, 4);
    for (int k = 0; k < 50; ++k) frame(static_cast<float>(k), 300);
    for (int index = 0; index < PanelArraySize; ++index) {
        const bool listed = index != 3 && std::find(tools::kPluginPanelIndices.begin(),
                                                    tools::kPluginPanelIndices.end(),
                                                    index) != tools::kPluginPanelIndices.end();
        if (!listed) {
            EXPECT_EQ(panel[index], kUntouched) << "panel index " << index;
        } else if (index != 131) {
            EXPECT_NE(panel[index], kUntouched) << "panel index " << index;
        }
    }
}

// ---- Sound indices.

TEST_F(Cab, EverySoundIndexGetsACommandInEveryFrameAndAllStopInTheFirst) {
    frame(0, 0);
    for (int index = 0; index < SoundArraySize; ++index) {
        const bool listed = std::find(tools::kPluginSoundIndices.begin(), tools::kPluginSoundIndices.end(), index) !=
                            tools::kPluginSoundIndices.end();
        EXPECT_EQ(sound[index], listed ? -10000 : kUntouched) << "sound index " << index;
    }
    for (int k = 0; k < 5; ++k) {
        sound.fill(kUntouched);
        frame(static_cast<float>(k * 3), 0);
        for (int index : tools::kPluginSoundIndices) {
            EXPECT_TRUE(sound[index] == 1 || sound[index] == -10000 || sound[index] == 2) << "sound index " << index;
        }
    }
}

TEST_F(Cab, DoorsAndTheFiveKmhMarkPlayTheirSounds) {
    frame(0, 0);
    plugin::doorClose(plugin);
    frame(0, 0);
    EXPECT_EQ(sound[95], 1);  // in the frame after the event
    EXPECT_EQ(sound[96], 2);
    plugin::doorOpen(plugin);
    frame(0, 0);
    EXPECT_EQ(sound[96], 1);
    frame(4.9f, 0);
    frame(5.0f, 0);
    EXPECT_EQ(sound[98], 1);
    frame(4.9f, 0);
    EXPECT_EQ(sound[97], 1);
    EXPECT_EQ(sound[98], 2);
}

TEST_F(Cab, SwitchKeysPlayTheirSounds) {
    frame(0, 0);
    for (int key : {5, 8, 12}) {
        press(key);
        frame(0, 0);
        EXPECT_EQ(sound[107], 1) << "key " << key;
        press(key);
        frame(0, 0);
        EXPECT_EQ(sound[108], 1) << "key " << key;
    }
    press(6);
    frame(0, 0);
    EXPECT_EQ(sound[110], 1);
    press(6);
    frame(0, 0);
    EXPECT_EQ(sound[109], 1);
}

TEST_F(Cab, TheSweepIsHeardAtRatesOf15000AndMore) {
    frame(0, 0);
    auto heard = [&](int presses) {
        for (int k = 0; k < presses; ++k) plugin::keyDown(plugin, 14, false);
        int played = 0;
        for (int k = 0; k < 100; ++k) {
            frame(0, 0);
            played += sound[111] == 1;
        }
        return played;
    };
    EXPECT_EQ(heard(10), 0);  // 10000
    EXPECT_GT(heard(5), 0);   // 15000
}

TEST_F(Cab, TheBrakeShiftModeSoundsAndThePressureWatchAfterIt) {
    readyToDrive();
    press(9);
    frame(0, 0, 300);
    EXPECT_EQ(sound[223], 1);
    EXPECT_EQ(sound[227], 1);
    EXPECT_EQ(sound[228], -10000);
    press(9);
    frame(0, 0, 300);
    EXPECT_EQ(sound[224], 1);
    EXPECT_EQ(sound[228], 1);
    EXPECT_EQ(sound[227], -10000);
    frame(0, 0, 250);  // the pressure first falls
    frame(0, 0, 250);
    EXPECT_EQ(sound[228], 2);
    frame(0, 0, 250);  // has not fallen for more than 0.1 s
    EXPECT_EQ(sound[228], -10000);
    frame(0, 0, 260);
    EXPECT_EQ(sound[229], 2);
    frame(0, 0, 270);  // has risen for more than 0.1 s
    EXPECT_EQ(sound[229], 1);
}

// ---- Keys.

TEST_F(Cab, HoldingAKeySwitchesOnceAndShiftMakesKeys5And6DoNothing) {
    for (int k = 0; k < 4; ++k) plugin::keyDown(plugin, 5, false);
    frame(0, 0);
    EXPECT_EQ(panel[135], 1);
    plugin::keyUp(plugin, 5);
    press(5, true);
    press(6, true);
    frame(0, 0);
    EXPECT_EQ(panel[135], 1);
    EXPECT_EQ(panel[136], 0);
}

}  // namespace
