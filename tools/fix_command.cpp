#include "tools/fix_command.h"

#include <chrono>
#include <ctime>
#include <sstream>

#include "diagnose/diagnose.h"
#include "messages/messages.h"
#include "plugin/plugin.h"
#include "repair/repair.h"
#include "tools/check.h"

namespace tools {

namespace {

using diagnose::Finding;

struct Diagnosed {
    std::vector<Finding> findings;
    CheckOutcome outcome;
};

Diagnosed diagnosed(const std::filesystem::path& folder) {
    plugin::Plugin plugin;
    plugin.directory = folder / std::filesystem::path();
    plugin::load(plugin);
    Diagnosed result;
    result.findings = diagnose::diagnoseVehicle(plugin);
    std::ostringstream ignored;
    result.outcome = writeCheckReport(plugin, result.findings, ignored);
    plugin::dispose(plugin);
    return result;
}

// The backup folder's name: the time in UTC, in characters every system
// allows in a file name.
std::string timeStamp() {
    const std::time_t now = std::time(nullptr);
    const std::tm* utc = std::gmtime(&now);
    char text[32] = "backup";
    if (utc != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d_%H-%M-%S", utc);
    return text;
}

void showRepairs(const repair::Plan& plan, const std::vector<Finding>& findings, const std::filesystem::path& folder,
                 std::ostream& out) {
    if (plan.accepted.empty()) {
        out << '\n' << messages::tr("Nothing here can be repaired for certain.") << '\n';
        return;
    }
    out << '\n' << messages::tr("Repairs") << '\n';
    for (const std::size_t k : plan.accepted) {
        out << "  " << diagnose::compilerLine(findings[k], folder) << '\n';
        for (const repair::PlannedFix& planned : plan.fixes)
            if (planned.finding == k) out << "      " << diagnose::describeFix(planned.fix, folder) << '\n';
    }
}

// What the check after the repairs still finds: a finding that a repair of
// another one settled is not left. A refused repair says why beside it.
void showLeft(const repair::Outcome& outcome, const std::vector<Finding>& before, const std::vector<Finding>& after,
              const std::filesystem::path& folder, std::ostream& out) {
    std::ostringstream left;
    for (const Finding& finding : after) {
        if (finding.severity == diagnose::Severity::Note) continue;
        left << diagnose::describe(finding, folder);
        for (const repair::Refusal& refusal : outcome.refused) {
            const Finding& refused = before[refusal.finding];
            if (refused.file == finding.file && refused.severity == finding.severity && refused.message == finding.message)
                left << "    " << messages::trf("not repaired: {1}", {refusal.reason}) << '\n';
        }
    }
    if (left.str().empty()) return;
    out << '\n' << messages::tr("Left to do by hand") << '\n' << left.str();
}

void showSummary(const repair::Outcome& outcome, const Diagnosed& after, const std::filesystem::path& folder,
                 std::ostream& out) {
    out << '\n';
    const std::string count = std::to_string(outcome.applied.size());
    if (!outcome.applied.empty()) {
        out << (outcome.applied.size() == 1 ? messages::trf("{1} finding repaired", {count})
                                            : messages::trf("{1} findings repaired", {count}));
        out << "; " << messages::trf("the original files are kept in {1}", {diagnose::shownPath(outcome.backup, folder)})
            << '\n';
    }
    const std::string warnings = std::to_string(after.outcome.warnings);
    const bool one = after.outcome.warnings == 1;
    if (after.outcome.loadStopped)
        out << (one ? messages::trf("Check after the repairs: Load stopped by an error, {1} warning", {warnings})
                    : messages::trf("Check after the repairs: Load stopped by an error, {1} warnings", {warnings}));
    else
        out << (one ? messages::trf("Check after the repairs: Load completed, {1} warning", {warnings})
                    : messages::trf("Check after the repairs: Load completed, {1} warnings", {warnings}));
    out << '\n';
}

}  // namespace

int fixVehicle(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    const std::filesystem::path folder = vehicleFolderOf(options.vehicle);
    if (folder.empty()) {
        err << messages::trf("cabhost fix: no such file or folder: {1}", {options.vehicle.u8string()}) << '\n';
        return 1;
    }
    // Taken before Load reads anything: a file written later has changed
    // since the diagnosis.
    const std::filesystem::file_time_type diagnosedAt = std::filesystem::file_time_type::clock::now();
    const Diagnosed before = diagnosed(folder);
    out << messages::trf("Vehicle folder: {1}", {folder.u8string()}) << '\n';
    const repair::Plan plan = repair::planRepairs(before.findings, folder, diagnosedAt);
    showRepairs(plan, before.findings, folder, out);
    const repair::Outcome outcome = repair::applyRepairs(plan, timeStamp());
    if (!outcome.error.empty())
        err << "cabhost fix: " << messages::trf("the repairs stopped half-way: {1}", {outcome.error}) << '\n';
    const Diagnosed after = diagnosed(folder);
    showLeft(outcome, before.findings, after.findings, folder, out);
    showSummary(outcome, after, folder, out);
    return outcome.error.empty() && !after.outcome.loadStopped ? 0 : 1;
}

}  // namespace tools
