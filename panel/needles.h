// Needle calibration tables: "NeedleTable\Pressure.csv", "Speed.csv",
// "Current.csv" and "Voltage.csv" beside the plug-in.
//
// File format: a header line (never examined), then "input, output" rows;
// ';' and '#' start comments; fields after the second are ignored. An empty
// line is skipped; a row whose second field is empty adds nothing; a row
// with fewer than two fields is an error. Rows are sorted by input after
// reading (equal inputs keep file order).
#pragma once

#include <filesystem>

#include "config/load_report.h"
#include "panel/curve.h"

namespace panel {

struct NeedleTables {
    CurveTable pressureTable;  // brake-cylinder and main-reservoir pressure, kPa
    CurveTable speedTable;     // speed, km/h; output in hundredths of the panel value
    CurveTable currentTable;   // traction current, A
    CurveTable voltageTable;   // line voltage, V
};

void loadNeedleTable(const std::filesystem::path& path, CurveTable& table, config::LoadReport& report);

// Reads the four tables in the order pressure, speed, current, voltage.
void loadNeedleTables(NeedleTables& tables, const std::filesystem::path& pluginDirectory,
                      config::LoadReport& report);

}  // namespace panel
