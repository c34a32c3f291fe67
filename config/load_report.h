// What happened while Load read a vehicle's files: which files were found,
// which detail modules loaded or were skipped and why, and the error that
// ended Load, with file and line. Load keeps the last report; the tools of
// this project print it for a vehicle author. The simulator never sees it.
#pragma once

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "version/version.h"

namespace config {

struct FileNote {
    std::filesystem::path path;
    bool found = false;
};

enum class ModuleOutcome { Loaded, Absent, NotALibrary };

struct ModuleNote {
    int line = 0;  // line of the module list, from 1
    std::filesystem::path path;
    ModuleOutcome outcome = ModuleOutcome::Loaded;
    std::string reason;  // the system's explanation when it did not load
};

// The error that ended Load. `line` is 0 when the error belongs to a path
// rather than to a line of a file (an existence test that failed).
struct LoadFailure {
    std::filesystem::path file;
    int line = 0;
    std::string kind;  // "invalid argument", "out of range", "file system", "too long", ...
    std::string message;
};

struct LoadReport {
    // The version of the plug-in whose Load made the report, so that a report
    // says which build read the files.
    const char* pluginVersion = orvalis::kVersion;
    std::vector<FileNote> files;
    std::vector<ModuleNote> modules;
    std::optional<LoadFailure> failure;

    // Where reading stands, kept up to date by the reader so that an error
    // raised while a line is handled can be traced to that line.
    std::filesystem::path currentFile;
    int currentLine = 0;
};

// Records an error that ended Load, taking file and line from the reader's
// position. Call from inside a catch block.
void recordFailure(LoadReport& report, const std::exception& error);
void recordUnknownFailure(LoadReport& report);

// The report as lines of plain text (UTF-8), for a debugger or a terminal.
std::string describeFailure(const LoadFailure& failure);

}  // namespace config
