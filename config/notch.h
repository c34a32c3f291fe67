// The notch configuration: the index file "notch\notch.txt" and the files it
// names, read once by Load into one NotchConfig record.
//
// Index file: sections "[Power]" and "[Brake]" (letter case ignored, nothing
// else on the line but white space and a comment); lines "key = value",
// keys ignoring letter case:
//   [Power]  Params, Current
//   [Brake]  Params, Current, NoLoadCurrent
// Values are paths relative to the folder "notch" (or absolute). ';' and '#'
// start comments. Unknown keys, keys in the wrong section and keys before
// the first header are ignored; a later line for a key replaces the earlier.
//
// Parameter files: lines "key, value, value, ..." (';' '#' comments), keys
// matched by prefix with letter case:
//   power:  RequiredNotch_Up, n1, n2, ...  (required notch of each control step)
//   brake:  BreakerDelay_On, v | RequiredNotch_Up, ... | CurrentLimitingValue_Empty, v
//
// No-load current file: a header line, then rows "a, current, c, ...": the
// first row with at least three fields and a non-empty second field counts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "config/load_report.h"
#include "config/text.h"
#include "panel/curve.h"

namespace config {

enum NotchSection : int32_t { NoSection = 0, PowerSection = 1, BrakeSection = 2 };

struct NotchConfig {
    NotchSection activeSection = NoSection;
    std::filesystem::path powerParamsPath;
    std::filesystem::path powerCurrentPath;
    std::filesystem::path brakeParamsPath;
    std::filesystem::path brakeCurrentPath;
    std::filesystem::path brakeNoLoadCurrentPath;
    std::vector<uint64_t> powerCurveSteps;
    std::vector<panel::CurveTable> powerCurrentCurves;
    uint64_t brakeStepCount = 0;
    std::vector<panel::CurveTable> brakeCurrentCurves;
    float currentLimitingValueEmpty = 0;
    float noLoadCurrent = 0;
    float breakerDelayOn = 0;
};

void loadNotchIndex(NotchConfig& config, const std::filesystem::path& indexPath, LoadReport& report);
void loadPowerParams(NotchConfig& config, LoadReport& report);
void loadBrakeParams(NotchConfig& config, LoadReport& report);
void loadNoLoadCurrent(NotchConfig& config, LoadReport& report);

// The whole loading order: starts `config` afresh (so a second Load gives
// the same result as the first), then index, power parameters, brake
// parameters, power curves, brake curves, no-load current. Errors propagate
// to the caller with the report positioned at the offending line.
void loadNotchConfiguration(NotchConfig& config, const std::filesystem::path& pluginDirectory,
                            LoadReport& report);

}  // namespace config
