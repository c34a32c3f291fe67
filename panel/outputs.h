// The five needles through their calibration tables, and the adjustment
// mode: with "PanelModify.txt" beside the plug-in, keys 0, 5 and 6 select a
// needle and force it to a test value shown on four digit outputs.
#pragma once

#include <cstdint>
#include <filesystem>

#include "panel/needles.h"

namespace panel {

struct PanelAdjustState {
    bool enabled = false;
    int32_t target = 0;  // 0 none, 1..7 the needle overridden
    int32_t testValue = 0;
};

struct NeedleInputs {
    float speedAbs;
    float ammeterCurrent;
    float bcPressure;
    float mrPressure;
    float lineVoltage;
};

// Load: the mode is on when an entry named "PanelModify.txt" exists beside
// the plug-in. Throws the file-system error when the test itself fails.
void checkAdjustMode(PanelAdjustState& adjust, const std::filesystem::path& pluginDirectory);

// Every frame: the five needles through their tables (speed x 100), then,
// in adjustment mode, the selected needle forced to the test value, the test
// value floored at 0 and the digits at 220..223 (10 where none is shown).
void updatePanelOutputs(PanelAdjustState& adjust, const NeedleTables& tables, const NeedleInputs& inputs,
                        int32_t* panel);

// In adjustment mode: key 0 selects the next target (0..7, then 0 again) and
// clears the test value; keys 5 and 6 step it up and down by 10 (by 100 for
// the speed needle), saturating at the int32 bounds.
void adjustKeyDown(PanelAdjustState& adjust, int32_t key);

}  // namespace panel
