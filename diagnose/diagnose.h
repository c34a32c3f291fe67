// The diagnosis of a vehicle folder: after the plug-in's own Load has run on
// the folder, it looks again at every file the plug-in read or looked for and
// tells the author what was read otherwise than meant, what was ignored and
// what stopped the start-up, each with the place, what was found and how to
// fix it. It reads the files on its own and never changes what the plug-in's
// readers do; where the two meet (a number, a field, a row) it uses the very
// same reader functions, so what it says is what the plug-in did.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "diagnose/finding.h"
#include "plugin/plugin.h"

namespace diagnose {

// The findings on the folder of `loaded`, after plugin::load on it: errors
// first in file order, then the warnings and notes in the order of the files
// the plug-in reads. Never throws for anything the folder holds.
std::vector<Finding> diagnoseVehicle(const plugin::Plugin& loaded);

// "error", "warning" or "note" (not translated: editors look for these words).
const char* severityWord(Severity severity);

// The path of `file` relative to the vehicle folder where it lies inside it,
// with the system's separators; the full path otherwise.
std::string shownPath(const std::filesystem::path& file, const std::filesystem::path& vehicleFolder);

// The finding in one line of the compiler form editors jump from:
// "FILE:LINE:COLUMN: warning: message" (":LINE" and ":COLUMN" left out when
// they are 0; a finding about the folder as a whole shows the folder).
std::string compilerLine(const Finding& finding, const std::filesystem::path& vehicleFolder);

// One repair in the author's words: which file, which line and columns, and
// the text written there; or the file renamed, moved or saved again.
std::string describeFix(const Fix& fix, const std::filesystem::path& vehicleFolder);

// compilerLine, then the found text, the field and the fix indented below it,
// one line each, and each repair `cabhost fix` would apply, every line
// ending in a line feed.
std::string describe(const Finding& finding, const std::filesystem::path& vehicleFolder);

}  // namespace diagnose
