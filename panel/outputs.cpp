#include "panel/outputs.h"

#include <cstddef>
#include <iterator>
#include <limits>

#include "panel/curve.h"
#include "platform/platform.h"

namespace panel {

namespace {

enum PanelIndex : int {
    SpeedNeedle = 22,
    CurrentNeedle = 26,
    BrakeCylinderNeedle = 130,
    MainReservoirNeedle = 133,
    VoltageNeedle = 232,
};

constexpr int kDigitPanels[4] = {220, 221, 222, 223};  // most significant first
constexpr int32_t kNoDigit = 10;

enum Key : int32_t { SelectTargetKey = 0, StepUpKey = 5, StepDownKey = 6 };

// The panel index each adjustment target forces; target 0 forces none.
// Targets 2 and 3 are indices the plug-in does not drive otherwise.
constexpr int kTargetPanels[] = {-1, BrakeCylinderNeedle, 131, 132, MainReservoirNeedle,
                                 SpeedNeedle, CurrentNeedle, VoltageNeedle};
constexpr int32_t kTargetCount = static_cast<int32_t>(std::size(kTargetPanels));
// The speed needle's value is in hundredths: it steps by 100 and its digits
// show the value divided by 100.
constexpr int32_t kSpeedTarget = 5;

bool selectsNeedle(int32_t target) {
    return target > 0 && target < kTargetCount;
}

int32_t saturatingAdd(int32_t value, int32_t step) {
    const int64_t sum = static_cast<int64_t>(value) + step;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

void writeNeedles(const NeedleTables& tables, const NeedleInputs& inputs, int32_t* panel) {
    panel[SpeedNeedle] = toPanelValue(interpolateCurve(inputs.speedAbs, tables.speedTable) * 100.0f);
    panel[CurrentNeedle] = toPanelValue(interpolateCurve(inputs.ammeterCurrent, tables.currentTable));
    panel[BrakeCylinderNeedle] = toPanelValue(interpolateCurve(inputs.bcPressure, tables.pressureTable));
    panel[MainReservoirNeedle] = toPanelValue(interpolateCurve(inputs.mrPressure, tables.pressureTable));
    panel[VoltageNeedle] = toPanelValue(interpolateCurve(inputs.lineVoltage, tables.voltageTable));
}

void blankDigits(int32_t* panel) {
    for (int index : kDigitPanels) panel[index] = kNoDigit;
}

// The four lowest decimal digits of the test value (of a hundredth of it
// for the speed needle); leading zeros are shown.
void writeDigits(const PanelAdjustState& adjust, int32_t* panel) {
    if (!selectsNeedle(adjust.target)) {
        blankDigits(panel);
        return;
    }
    int32_t shown = adjust.target == kSpeedTarget ? adjust.testValue / 100 : adjust.testValue;
    for (int digit = 3; digit >= 0; --digit) {
        panel[kDigitPanels[digit]] = shown % 10;
        shown /= 10;
    }
}

}  // namespace

void checkAdjustMode(PanelAdjustState& adjust, const std::filesystem::path& pluginDirectory) {
    adjust.enabled = false;  // stays off should the existence test throw
    adjust.enabled = platform::exists(pluginDirectory / "PanelModify.txt");
}

void updatePanelOutputs(PanelAdjustState& adjust, const NeedleTables& tables, const NeedleInputs& inputs,
                        int32_t* panel) {
    writeNeedles(tables, inputs, panel);
    if (!adjust.enabled) {
        blankDigits(panel);
        return;
    }
    // The needle sees a value stepped below zero once; the digits and every
    // later frame see it floored at 0.
    if (selectsNeedle(adjust.target)) panel[kTargetPanels[adjust.target]] = adjust.testValue;
    if (adjust.testValue < 0) adjust.testValue = 0;
    writeDigits(adjust, panel);
}

void adjustKeyDown(PanelAdjustState& adjust, int32_t key) {
    if (!adjust.enabled) return;
    if (key == SelectTargetKey) {
        adjust.testValue = 0;
        adjust.target = adjust.target >= 0 && adjust.target < kTargetCount - 1 ? adjust.target + 1 : 0;
        return;
    }
    if (!selectsNeedle(adjust.target)) return;
    const int32_t step = adjust.target == kSpeedTarget ? 100 : 10;
    if (key == StepUpKey) adjust.testValue = saturatingAdd(adjust.testValue, step);
    if (key == StepDownKey) adjust.testValue = saturatingAdd(adjust.testValue, -step);
}

}  // namespace panel
