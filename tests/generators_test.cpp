#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstddef>
#include <limits>
#include <set>

#include "plugin/abi.h"
#include "sim/frame.h"
#include "sim/generators.h"
#include "sim/state.h"

namespace {

// Loads the words the next voltage updates will draw.
void queueDraws(sim::SimState& state, std::initializer_list<uint32_t> words) {
    std::size_t i = 0;
    for (uint32_t word : words) state.random.words[i++] = word;
    state.random.next = 0;
}

TEST(LineVoltage, UpdatesEveryHalfSecondWithAWalkAndADropUnderLoad) {
    sim::SimState state;
    state.nominalVoltage = 1500;
    queueDraws(state, {85, 14, 50, 184});
    sim::updateLineVoltage(state, 0, 600);  // the first frame, whose step is the time itself
    EXPECT_EQ(state.lineVoltage, 0);
    EXPECT_EQ(state.voltageTimerMs, 600);

    sim::updateLineVoltage(state, 0, 16);  // 85: up 10 V
    EXPECT_EQ(state.lineVoltage, 1510);
    EXPECT_EQ(state.voltageTimerMs, 116);
    sim::updateLineVoltage(state, 1000, 384);
    EXPECT_EQ(state.lineVoltage, 1510) << "held between updates";
    sim::updateLineVoltage(state, 1000, 16);  // 14: down 10 V, less 200 V, clamped
    EXPECT_EQ(state.nominalVoltage, 1500);
    EXPECT_EQ(state.lineVoltage, 1310);
    state.voltageTimerMs = 500;
    sim::updateLineVoltage(state, -300, 16);  // 50: unchanged; no drop while feeding back
    EXPECT_EQ(state.lineVoltage, 1500);
    state.nominalVoltage = 1600;
    state.voltageTimerMs = 500;
    sim::updateLineVoltage(state, 1000, 16);  // 184 mod 100 = 84: unchanged
    EXPECT_EQ(state.lineVoltage, 1400);
    state.voltageTimerMs = 500;
    sim::updateLineVoltage(state, std::numeric_limits<float>::quiet_NaN(), 16);
    EXPECT_GE(state.lineVoltage, 1380) << "a NaN current draws nothing";
}

TEST(LineVoltage, NominalVoltageStaysInItsBandAndNegativeTimersRestart) {
    sim::SimState state;
    state.nominalVoltage = 1615;
    state.voltageTimerMs = 500;
    queueDraws(state, {99, 0});
    sim::updateLineVoltage(state, 0, 0);
    EXPECT_EQ(state.nominalVoltage, 1620);
    state.nominalVoltage = 1385;
    state.voltageTimerMs = INT_MAX;
    sim::updateLineVoltage(state, 0, INT_MAX);  // 147 + INT_MAX wraps around
    EXPECT_EQ(state.nominalVoltage, 1380);
    EXPECT_EQ(state.voltageTimerMs, INT_MIN + 146);
    sim::updateLineVoltage(state, 0, 40);
    EXPECT_EQ(state.voltageTimerMs, 40);
}

TEST(RandomSource, SystemDrawsVaryAcrossBatchesAndSeedsStayInRange) {
    sim::RandomPool pool;
    std::set<uint32_t> seen;
    for (int i = 0; i < 1000; ++i) seen.insert(sim::drawRandom(pool));
    EXPECT_GT(seen.size(), 990u);

    std::set<float> seeds;
    for (int i = 0; i < 200; ++i) {
        sim::SimState state;
        sim::seedOnLoad(state);
        EXPECT_GE(state.nominalVoltage, 1400);
        EXPECT_LE(state.nominalVoltage, 1599);
        seeds.insert(state.nominalVoltage);
    }
    EXPECT_GT(seeds.size(), 50u);
}

TEST(RandomSource, AFailingSourceStillGivesVaryingWords) {
    sim::RandomPool pool;
    const sim::RandomSource failing = [](uint32_t*, std::size_t) noexcept { return false; };
    std::set<uint32_t> seen;
    for (int i = 0; i < 200; ++i) seen.insert(sim::drawRandom(pool, failing));
    EXPECT_GT(seen.size(), 190u);
}

TEST(BlinkOutput, FollowsPanelIndexThree) {
    sim::SimState state;
    std::array<int32_t, PanelArraySize> panel{};
    panel[3] = 1;
    const int32_t expected[] = {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 1, 1};
    for (int32_t value : expected) {
        sim::updateBlinkOutput(state, panel.data(), 100);
        EXPECT_EQ(panel[68], value);
    }
    EXPECT_EQ(state.blinkTimerMs, 200);

    panel[3] = 2;  // steady 2, timer frozen
    sim::updateBlinkOutput(state, panel.data(), 100);
    sim::updateBlinkOutput(state, panel.data(), 100);
    EXPECT_EQ(panel[68], 2);
    EXPECT_EQ(state.blinkTimerMs, 200);
    state.blinkTimerMs = -1300;  // run backwards: the remainder keeps the dividend's sign
    sim::updateBlinkOutput(state, panel.data(), 100);
    EXPECT_EQ(state.blinkTimerMs, -300);

    panel[3] = 0;
    sim::updateBlinkOutput(state, panel.data(), 100);
    EXPECT_EQ(panel[68], 0);
    EXPECT_EQ(state.blinkTimerMs, 0);
}

TEST(SweepOscillator, ShapedTriangleWave) {
    sim::SimState state;
    std::array<int32_t, PanelArraySize> panel{};
    sim::advanceSweep(state, panel.data(), 100);
    EXPECT_EQ(panel[97], 10000) << "stands still at rate 0";

    state.sweepRate = 10000;  // 1000 units per 100 ms
    std::array<int32_t, 21> outputs{};
    for (int32_t& out : outputs) {
        sim::advanceSweep(state, panel.data(), 100);
        out = panel[97];
    }
    // Positions 9000, 8000, 5000, 0, -5000, -9000, -10000, then the turn.
    EXPECT_EQ(outputs[0], 9916);
    EXPECT_EQ(outputs[1], 9833);
    EXPECT_EQ(outputs[4], 6583);
    EXPECT_EQ(outputs[9], 0);
    EXPECT_EQ(outputs[14], -6583);
    EXPECT_EQ(outputs[18], -9916);
    EXPECT_EQ(outputs[19], -10000);
    EXPECT_EQ(outputs[20], -10000);
    EXPECT_TRUE(state.sweepRising) << "turned at the bottom";

    state.sweepPosition = 0;
    state.sweepRate = 5000;
    sim::advanceSweep(state, panel.data(), 100);
    EXPECT_EQ(panel[97], 125);
    sim::advanceSweep(state, panel.data(), -200);  // a negative step moves it the other way
    EXPECT_EQ(panel[97], -125);
}

TEST(SweepOscillator, ReversalsAreHeardFromRate15000) {
    for (float rate : {10000.0f, 15000.0f}) {
        sim::SimState state;
        state.sweepRate = rate;
        state.sounds.sweepReversal.initialStop = false;
        state.sweepRising = true;  // turned by the previous frame
        sim::checkSweepReversal(state);
        EXPECT_EQ(sim::emit(state.sounds.sweepReversal), rate >= 15000 ? SoundPlayOnce : SoundContinue);
        sim::checkSweepReversal(state);
        EXPECT_EQ(sim::emit(state.sounds.sweepReversal), SoundContinue);
    }
}

}  // namespace
