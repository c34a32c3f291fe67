// cabhost run: loads the plug-in library of a vehicle folder by path,
// starts it as the simulator does (Load, GetPluginVersion, SetVehicleSpec,
// Initialize), says what the start-up did, plays the scenario beside an
// in-process copy of the plug-in's code (player.h) while writing the trace
// and the HTML report, disposes it, then prints the summary.
#pragma once

#include <filesystem>
#include <ostream>

#include "tools/command_line.h"

namespace tools {

// The sample vehicle and the scenarios that the build lays out beside cabhost.
std::filesystem::path defaultVehicleFolder(const std::filesystem::path& programFolder);
std::filesystem::path defaultScenario(const std::filesystem::path& programFolder);

// Returns the exit status: 0 when the run completed, 1 when it could not
// start (bad scenario, missing folder or library, a trace that cannot be
// written), when an error stopped the plug-in's Load (after playing the run),
// when the library and the plug-in's source disagreed, or when the trace or
// the report could not be written; 2 for a bad --spec. `showProgress` gets a progress line for long
// runs; pass false unless it is a terminal.
int runScenarioCommand(const RunOptions& options, const std::filesystem::path& programFolder, std::ostream& out,
                       std::ostream& err, bool showProgress);

}  // namespace tools
