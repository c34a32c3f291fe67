// cabhost check: runs the plug-in's own Load on a vehicle folder, in this
// process and with the very code of the plug-in, and reports what a vehicle
// author needs to know: the files found and missing, the detail modules
// loaded or skipped and why, the selected power steps and the points of each
// current curve, the range of each needle table, the adjustment mode, and the
// error that ended Load, with file, line and message.
#pragma once

#include <filesystem>
#include <ostream>

#include "plugin/plugin.h"

namespace tools {

struct CheckOutcome {
    int warnings = 0;
    bool loadStopped = false;
};

// The report on a plug-in after its Load.
CheckOutcome writeCheckReport(const plugin::Plugin& plugin, std::ostream& out);

// 1 when an error ended Load, or under `strict` when there were warnings;
// else 0.
int checkExitStatus(const CheckOutcome& outcome, bool strict);

// Loads the vehicle folder with a fresh plug-in, reports, disposes it.
// Returns the exit status.
int checkVehicle(const std::filesystem::path& folder, bool strict, std::ostream& out, std::ostream& err);

}  // namespace tools
