// Applies the repairs (diagnose::Fix) of a list of findings to a vehicle
// folder. First a plan: every repair is checked against the folder as it is
// (its file inside the vehicle, its line and columns there, no two repairs on
// the same text, no rename onto another file), and a finding whose repairs do
// not all hold is refused whole, with the reason. Then the plan is applied:
// a file changed since the diagnosis is left alone, and every file changed or
// moved is first copied to cabhost-backup/NAME/ under its own relative path.
// Nothing outside the vehicle folder is read for writing, written or moved.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "diagnose/finding.h"

namespace repair {

// The folder inside the vehicle that keeps the originals.
inline constexpr const char* kBackupFolder = "cabhost-backup";

// A finding whose repairs are not applied, and why, in the author's language.
struct Refusal {
    std::size_t finding = 0;  // index in the finding list
    std::string reason;
};

// What a file or folder was when the plan was made.
struct Snapshot {
    std::filesystem::path path;
    bool isFolder = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written{};
    bool hasBytes = false;  // ordinary files up to the size of any text file keep their bytes
    std::string bytes;
};

struct PlannedFix {
    std::size_t finding = 0;  // index in the finding list
    diagnose::Fix fix;
};

struct Plan {
    std::filesystem::path vehicle;
    std::vector<std::size_t> accepted;  // findings whose repairs all hold, in order
    std::vector<PlannedFix> fixes;      // their repairs
    std::vector<Refusal> refused;
    std::vector<Snapshot> snapshots;    // every file the repairs touch
};

// Checks the repairs of `findings` against `vehicle`. A file written after
// `diagnosedAt` has changed since the diagnosis: its repairs are refused.
Plan planRepairs(const std::vector<diagnose::Finding>& findings, const std::filesystem::path& vehicle,
                 std::filesystem::file_time_type diagnosedAt);

struct Outcome {
    std::vector<std::size_t> applied;  // findings whose repairs were applied
    std::vector<Refusal> refused;      // the plan's, and those refused while applying
    std::filesystem::path backup;      // where the originals are; empty when nothing changed
    std::string error;                 // a failure that stopped the applying half-way, if any
};

// Applies the plan: the edits and re-saves of each file together, then the
// renames and moves. `backupName` names the backup folder (a time stamp);
// a folder of that name that exists already gets a number added.
Outcome applyRepairs(const Plan& plan, const std::string& backupName);

}  // namespace repair
