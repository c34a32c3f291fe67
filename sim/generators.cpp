#include "sim/generators.h"

#include <algorithm>

#include "panel/curve.h"

namespace sim {

namespace {

enum PanelIndex : int {
    BlinkSourcePanel = 3,
    BlinkPanel = 68,
    SweepPanel = 97,
};

constexpr int32_t kVoltageUpdateMs = 500;
constexpr float kVoltageStep = 10;
constexpr float kNominalMin = 1380, kNominalMax = 1620;
constexpr float kLineMin = 1310, kLineMax = 1700;
constexpr float kVoltageDropPerAmp = 0.2f;

constexpr int32_t kBlinkOnMs = 500;
constexpr int32_t kBlinkPeriodMs = 1000;

// The sweep oscillator: a triangle wave between -A and A, shaped so that it
// is slow near 0 and near the ends and fast in between. The breakpoints and
// levels are fractions of the amplitude.
constexpr float kSweepAmplitude = 10000;
constexpr float kInnerBreak = 0.1f, kOuterBreak = 0.7f;
constexpr float kInnerLevel = 0.025f, kOuterLevel = 0.975f;
constexpr float kInnerSlope = kInnerLevel / kInnerBreak;
constexpr float kMiddleSlope = (kOuterLevel - kInnerLevel) / (kOuterBreak - kInnerBreak);
constexpr float kOuterSlope = (1 - kOuterLevel) / (1 - kOuterBreak);
// Reversals are heard from this rate on.
constexpr float kAudibleReversalRate = 1.5f * kSweepAmplitude;

float shapeSweep(float x) {
    constexpr float A = kSweepAmplitude;
    if (x > kOuterBreak * A) return kOuterSlope * (x - kOuterBreak * A) + kOuterLevel * A;
    if (x > kInnerBreak * A) return kMiddleSlope * (x - kInnerBreak * A) + kInnerLevel * A;
    if (x > -kInnerBreak * A) return kInnerSlope * x;
    if (x > -kOuterBreak * A) return kMiddleSlope * (x + kInnerBreak * A) - kInnerLevel * A;
    return kOuterSlope * (x + kOuterBreak * A) - kOuterLevel * A;
}

// The no-load voltage walks by 10 V: up or down with 15 in 100 each.
void walkNominalVoltage(SimState& state) {
    const uint32_t roll = drawRandom(state.random) % 100;
    if (roll >= 85)
        state.nominalVoltage += kVoltageStep;
    else if (roll < 15)
        state.nominalVoltage -= kVoltageStep;
    state.nominalVoltage = std::clamp(state.nominalVoltage, kNominalMin, kNominalMax);
}

}  // namespace

void checkSweepReversal(SimState& state) {
    const bool reversed = state.sweepRising != state.prevSweepRising;
    state.prevSweepRising = state.sweepRising;
    if (reversed && state.sweepRate >= kAudibleReversalRate) requestPlay(state.sounds.sweepReversal);
}

void updateLineVoltage(SimState& state, float current, int32_t dtMs) {
    if (state.voltageTimerMs >= kVoltageUpdateMs) {
        walkNominalVoltage(state);
        // Only a drawing current lowers the voltage (a NaN current counts as none).
        const float load = current > 0 ? current : 0.0f;
        state.lineVoltage = std::clamp(state.nominalVoltage - kVoltageDropPerAmp * load, kLineMin, kLineMax);
        state.voltageTimerMs %= kVoltageUpdateMs;
    } else if (state.voltageTimerMs < 0) {
        state.voltageTimerMs = 0;
    }
    state.voltageTimerMs = wrappingAdd(state.voltageTimerMs, dtMs);
}

void updateBlinkOutput(SimState& state, int32_t* panel, int32_t dtMs) {
    const int32_t source = panel[BlinkSourcePanel];
    if (source == 0) {
        panel[BlinkPanel] = 0;
        state.blinkTimerMs = 0;
    } else if (source == 1 && state.blinkTimerMs < kBlinkPeriodMs) {
        panel[BlinkPanel] = state.blinkTimerMs <= kBlinkOnMs ? 1 : 2;
        state.blinkTimerMs = wrappingAdd(state.blinkTimerMs, dtMs);
    } else {
        // A full period has passed (or the source holds still): show 2 and
        // wrap the timer without advancing it this frame.
        panel[BlinkPanel] = 2;
        state.blinkTimerMs %= kBlinkPeriodMs;
    }
}

void advanceSweep(SimState& state, int32_t* panel, int32_t dtMs) {
    const float step = state.sweepRate / 1000 * static_cast<float>(dtMs);
    state.sweepPosition += state.sweepRising ? step : -step;
    if (state.sweepPosition > kSweepAmplitude) {
        state.sweepPosition = kSweepAmplitude;
        state.sweepRising = false;
    } else if (state.sweepPosition < -kSweepAmplitude) {
        state.sweepPosition = -kSweepAmplitude;
        state.sweepRising = true;
    }
    state.sweepOutput = shapeSweep(state.sweepPosition);
    panel[SweepPanel] = panel::toPanelValue(state.sweepOutput);
}

}  // namespace sim
