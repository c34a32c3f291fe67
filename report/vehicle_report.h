// The HTML report of a vehicle folder for `cabhost check --report`: every
// current curve file plotted (every step, those the plug-in uses marked, the
// rows as points), every needle table, the module list with each line's
// outcome, and the findings of the check, with the rows they concern marked
// in the plots. One self-contained page, like the run report.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "diagnose/finding.h"
#include "plugin/plugin.h"

namespace report {

// `loaded` is a plug-in after plugin::load on the vehicle folder. Returns
// empty, or why the file could not be written.
std::string writeVehicleReport(const plugin::Plugin& loaded, const std::vector<diagnose::Finding>& findings,
                               const std::filesystem::path& file);

// The findings alone as a JSON document for other tools (cabhost check
// --json): {"folder": ..., "findings": [...]}, each finding with all its
// fields, "file" relative to the folder with '/', "path" in full.
std::string findingsJson(const std::vector<diagnose::Finding>& findings, const std::filesystem::path& folder);

// The report's data alone: the JSON the page reads.
std::string vehicleReportJson(const plugin::Plugin& loaded, const std::vector<diagnose::Finding>& findings);

}  // namespace report
