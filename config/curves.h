// Current curve files: a header line, then rows "speed, step 1, step 2, ...".
// Column k is the curve of control step k (current in A against speed in
// km/h). Cells may be empty or missing; ';' and '#' start comments; rows need
// not be ordered.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "config/load_report.h"
#include "config/notch.h"
#include "config/text.h"
#include "panel/curve.h"

namespace config {

// Appends the control steps whose curves the simulation reads, chosen from
// the fields of a powering "RequiredNotch_Up" line (field 0 the key).
void selectPowerSteps(const Fields& requiredNotchLine, std::vector<uint64_t>& steps);

// Replaces `curves` with one curve per entry of `columns`, read from the
// file at `path` (that many empty curves when the file is missing).
void loadCurrentCurves(const std::filesystem::path& path, std::vector<panel::CurveTable>& curves,
                       const std::vector<uint64_t>& columns, LoadReport& report);

// Braking curves: columns 1 to brakeStepCount of the braking curve file.
void loadBrakeCurves(NotchConfig& config, LoadReport& report);

}  // namespace config
