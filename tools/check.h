// cabhost check: runs the plug-in's own Load on a vehicle folder, in this
// process and with the very code of the plug-in, and reports what a vehicle
// author needs to know: the files found and missing, the detail modules
// loaded or skipped and why, the selected power steps and the points of each
// current curve, the range of each needle table, the adjustment mode, and the
// error that ended Load, with file, line and message; then the findings of
// the diagnosis (diagnose/diagnose.h) on the files Load read.
#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

#include "diagnose/finding.h"
#include "plugin/plugin.h"
#include "tools/command_line.h"

namespace tools {

struct CheckOutcome {
    int warnings = 0;
    bool loadStopped = false;
};

// The report on a plug-in after its Load, with the findings on its folder.
// A finding that explains what the report already counts as a warning (a
// missing file, a skipped module) is not counted again.
CheckOutcome writeCheckReport(const plugin::Plugin& plugin, const std::vector<diagnose::Finding>& findings,
                              std::ostream& out);

// 1 when an error ended Load, or under `strict` when there were warnings;
// else 0.
int checkExitStatus(const CheckOutcome& outcome, bool strict);

// The vehicle folder a path given to `cabhost check` means: a folder, or
// the folder of a file; when that is a folder inside a vehicle (notch,
// NeedleTable, ...), the nearest folder above that holds the plug-in's
// files. Empty when the path does not exist.
std::filesystem::path vehicleFolderOf(const std::filesystem::path& path);

// Loads the vehicle folder with a fresh plug-in, diagnoses, reports (as JSON
// under options.json), disposes it. Returns the exit status.
int checkVehicle(const CheckOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tools
