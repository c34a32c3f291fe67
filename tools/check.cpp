#include "tools/check.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>

#include "diagnose/diagnose.h"
#include "diagnose/names.h"
#include "diagnose/visible.h"
#include "load_errors/load_errors.h"
#include "messages/messages.h"
#include "report/vehicle_report.h"
#include "tools/console_text.h"

namespace tools {

namespace {

// Counts and prints warnings; remembers the folder paths are shown against.
struct Report {
    std::ostream& out;
    std::filesystem::path folder;
    int warnings = 0;
};

std::string shownPath(const Report& report, const std::filesystem::path& path) {
    const std::filesystem::path relative = path.lexically_relative(report.folder);
    if (relative.empty() || *relative.begin() == "..") return path.u8string();
    return relative.u8string();
}

void heading(Report& report, const std::string& title) {
    report.out << '\n' << title << '\n';
}

// "  label            text", the label column wide enough for a file name.
void item(Report& report, const std::string& label, const std::string& text) {
    const std::string line = "  " + label;
    report.out << padded(line, std::max<std::size_t>(19, displayWidth(line) + 1)) << text << '\n';
}

void warning(Report& report, const std::string& text) {
    ++report.warnings;
    report.out << "  " << messages::trf("warning: {1}", {text}) << '\n';
}

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string listed(const std::vector<uint64_t>& steps) {
    std::string text;
    for (const uint64_t step : steps) text = appendedToList(text, std::to_string(step));
    return text;
}

std::string speedRange(const panel::CurveTable& curve) {
    if (curve.empty()) return messages::tr("no points");
    const std::string count = std::to_string(curve.size());
    const std::string from = number(curve.front().input);
    const std::string to = number(curve.back().input);
    return curve.size() == 1 ? messages::trf("{1} point ({2} to {3} km/h)", {count, from, to})
                             : messages::trf("{1} points ({2} to {3} km/h)", {count, from, to});
}

// The one file a correct vehicle may well lack: without a module list the
// plug-in simply runs no detail modules.
bool isOptional(const plugin::Plugin& plugin, const std::filesystem::path& file) {
    return file == plugin.directory / "detailmodulesx64.txt";
}

// A name as the author can read it: what cannot be seen is spelled out,
// Japanese stays as written.
std::string shownName(const Report& report, const std::filesystem::path& path) {
    return diagnose::visibleText(std::filesystem::u8path(shownPath(report, path)).u16string(), 200, false);
}

void reportFiles(Report& report, const plugin::Plugin& plugin) {
    const config::LoadReport& load = plugin.report;
    heading(report, messages::tr("Files"));
    if (load.files.empty()) report.out << "  " << messages::tr("none of the plug-in's files was looked at") << '\n';
    for (const config::FileNote& file : load.files) {
        if (file.found) {
            item(report, messages::tr("found"), shownName(report, file.path));
        } else if (isOptional(plugin, file.path)) {
            item(report, messages::tr("missing"),
                 messages::trf("{1}  (optional: no detail modules)", {shownName(report, file.path)}));
        } else if (const std::optional<std::filesystem::path> written = diagnose::shiftJisName(plugin, file.path)) {
            // Shown decoded: the bytes the plug-in read as UTF-8 are no name anyone can read.
            item(report, messages::tr("missing"),
                 messages::trf("{1}  (written in Shift-JIS, so the plug-in looks for another name; warning)",
                               {shownName(report, *written)}));
            ++report.warnings;
        } else {
            item(report, messages::tr("missing"), messages::trf("{1}  (warning)", {shownName(report, file.path)}));
            ++report.warnings;
        }
    }
}

std::string skippedReason(const config::ModuleNote& module) {
    if (module.outcome == config::ModuleOutcome::Absent)
        return module.reason.empty() ? messages::tr("no such file") : module.reason;
    return messages::trf("does not load as a library: {1}", {module.reason});
}

// An empty line of the list names the plug-in's folder itself. Editors often
// leave one at the end of a file; it loads nothing and harms nothing.
bool namesNothing(const Report& report, const config::ModuleNote& module) {
    return module.path.lexically_normal() == (report.folder / std::filesystem::path()).lexically_normal();
}

void reportModules(Report& report, const plugin::Plugin& plugin) {
    heading(report, messages::tr("Detail modules (detailmodulesx64.txt)"));
    if (plugin.report.modules.empty()) report.out << "  " << messages::tr("none") << '\n';
    const std::vector<config::ModuleNote>& modules = plugin.report.modules;
    for (const config::ModuleNote& module : modules) {
        const std::string label = messages::trf("line {1}", {std::to_string(module.line)});
        // The empty line after the last line feed is where every file ends.
        if (&module == &modules.back() && namesNothing(report, module) && module.line > 1) continue;
        const std::string name = "\"" + shownPath(report, module.path) + "\"";
        if (namesNothing(report, module)) {
            item(report, label, messages::tr("empty: names no module"));
        } else if (module.outcome == config::ModuleOutcome::Loaded) {
            item(report, label, messages::trf("{1} loaded", {name}));
        } else {
            item(report, label, messages::trf("{1} skipped: {2}  (warning)", {name, skippedReason(module)}));
            ++report.warnings;
        }
    }
}

// The positions of the selected steps that the frame compares the current with.
void reportPowering(Report& report, const config::NotchConfig& notch) {
    heading(report, messages::tr("Powering ([Power] of notch.txt)"));
    const std::vector<uint64_t>& steps = notch.powerCurveSteps;
    item(report, messages::tr("selected steps"), steps.empty() ? messages::tr("none") : listed(steps));
    for (std::size_t k = 0; k < steps.size() && k < notch.powerCurrentCurves.size(); ++k)
        item(report, messages::trf("step {1}", {std::to_string(steps[k])}), speedRange(notch.powerCurrentCurves[k]));
    if (steps.size() >= 5) {
        item(report, messages::tr("current lamp"),
             messages::trf("lit at the current of step {1} (above step {2}), put out at step {3}",
                           {std::to_string(steps[1]), std::to_string(steps[0]), std::to_string(steps[2])}));
        item(report, messages::tr("full current"),
             messages::trf("at step {1}; it arms the hold stages", {std::to_string(steps[4])}));
    } else {
        warning(report, messages::trf("the lamps and hold stages read the 1st, 2nd, 3rd and 5th selected steps, and "
                                      "only {1} are selected: a missing step counts as 0 A, so any positive current "
                                      "lights the full-current lamp",
                                      {std::to_string(steps.size())}));
    }
    for (std::size_t k = 0; k < notch.powerCurrentCurves.size() && k < steps.size(); ++k)
        if (notch.powerCurrentCurves[k].empty() && (k <= 2 || k == 4))
            warning(report, messages::trf("the curve of step {1} has no points: the plug-in would compare the "
                                          "current with the speed itself",
                                          {std::to_string(steps[k])}));
}

void reportBraking(Report& report, const config::NotchConfig& notch) {
    heading(report, messages::tr("Braking ([Brake] of notch.txt)"));
    item(report, messages::tr("steps"), std::to_string(notch.brakeStepCount));
    for (std::size_t k = 0; k < notch.brakeCurrentCurves.size(); ++k)
        item(report, messages::trf("step {1}", {std::to_string(k + 1)}), speedRange(notch.brakeCurrentCurves[k]));
    if (notch.brakeCurrentCurves.size() < 5)
        warning(report, messages::tr("the hold stages read the curves of braking steps 4 and 5; a missing one counts "
                                     "as 0 A, so its hold stage ends as soon as the current is 0 or less"));
    item(report, messages::tr("other values"),
         messages::trf("no-load current {1} A, breaker delay {2} s, current limit when empty {3} A",
                       {number(notch.noLoadCurrent), number(notch.breakerDelayOn),
                        number(notch.currentLimitingValueEmpty)}));
}

void reportNeedleTable(Report& report, const char* file, const panel::CurveTable& table, const char* unit,
                       const std::string& quantity, bool speed) {
    if (table.empty()) {
        item(report, file, messages::trf("no points: the needle shows the raw {1}", {quantity}));
        return;
    }
    const auto [lowest, highest] =
        std::minmax_element(table.begin(), table.end(),
                            [](const panel::CurvePoint& a, const panel::CurvePoint& b) { return a.output < b.output; });
    const std::string count = std::to_string(table.size());
    const std::string from = number(table.front().input);
    const std::string to = number(table.back().input) + " " + unit;
    std::string text = table.size() == 1
                           ? messages::trf("{1} point: {2} to {3} -> needle {4} to {5}",
                                           {count, from, to, number(lowest->output), number(highest->output)})
                           : messages::trf("{1} points: {2} to {3} -> needle {4} to {5}",
                                           {count, from, to, number(lowest->output), number(highest->output)});
    if (speed)
        text += " " + messages::trf("(panel value {1} to {2})",
                                    {number(lowest->output * 100), number(highest->output * 100)});
    item(report, file, text);
}

void reportNeedles(Report& report, const panel::NeedleTables& needles) {
    heading(report, messages::tr("Needle tables (folder NeedleTable)"));
    reportNeedleTable(report, "Pressure.csv", needles.pressureTable, "kPa", messages::tr("pressure"), false);
    reportNeedleTable(report, "Speed.csv", needles.speedTable, "km/h", messages::tr("speed"), true);
    reportNeedleTable(report, "Current.csv", needles.currentTable, "A", messages::tr("current"), false);
    reportNeedleTable(report, "Voltage.csv", needles.voltageTable, "V", messages::tr("voltage"), false);
}

void reportLoad(Report& report, const plugin::Plugin& plugin) {
    heading(report, messages::tr("Load"));
    item(report, messages::tr("plug-in version"), plugin.report.pluginVersion);
    item(report, messages::tr("adjustment mode"),
         plugin.adjust.enabled ? messages::tr("on (PanelModify.txt found): keys 0, 5 and 6 set the needles")
                               : messages::tr("off (no PanelModify.txt)"));
    const std::optional<config::LoadFailure>& failure = plugin.report.failure;
    if (!failure) {
        item(report, messages::tr("result"), messages::tr("completed"));
        return;
    }
    std::string where = failure->file.empty() ? messages::tr("(no file)") : shownPath(report, failure->file);
    if (failure->line > 0) where = messages::trf("{1}, line {2}", {where, std::to_string(failure->line)});
    item(report, messages::tr("result"), messages::tr("stopped by an error"));
    report.out << "  " << messages::trf("error: {1}: {2}", {where, load_errors::loadErrorText(*failure)}) << '\n'
               << "  "
               << messages::tr("The steps of Load after this one did not run; the plug-in works with what was read "
                               "before.")
               << '\n';
}

// Whether a finding explains a warning the report has counted already: a
// file it looked for and did not find, or a skipped module (by its line of
// the module list, or by its path).
bool explainsCountedWarning(const plugin::Plugin& plugin, const diagnose::Finding& finding) {
    const config::LoadReport& load = plugin.report;
    for (const config::FileNote& file : load.files)
        if (!file.found && file.path == finding.file) return !isOptional(plugin, file.path);
    const bool onModuleList = finding.file == plugin.directory / "detailmodulesx64.txt";
    return std::any_of(load.modules.begin(), load.modules.end(), [&](const config::ModuleNote& module) {
        return module.outcome != config::ModuleOutcome::Loaded &&
               ((onModuleList && module.line == finding.line) || module.path == finding.file);
    });
}

int reportFindings(Report& report, const plugin::Plugin& plugin, const std::vector<diagnose::Finding>& findings) {
    if (findings.empty()) return 0;
    heading(report, messages::tr("Findings"));
    int warnings = 0;
    for (const diagnose::Finding& finding : findings) {
        report.out << diagnose::describe(finding, report.folder);
        if (finding.severity == diagnose::Severity::Warning && !explainsCountedWarning(plugin, finding)) ++warnings;
    }
    return warnings;
}

bool looksLikeVehicleFolder(const std::filesystem::path& folder) {
    std::error_code error;
    for (const char* name : {"detailmodulesx64.txt", "notch", "NeedleTable", "PanelModify.txt", "orvalis_cab.dll",
                             ORVALIS_PLUGIN_FILE})
        if (std::filesystem::exists(folder / name, error)) return true;
    return false;
}

}  // namespace

CheckOutcome writeCheckReport(const plugin::Plugin& plugin, const std::vector<diagnose::Finding>& findings,
                              std::ostream& out) {
    Report report{out, plugin.directory.has_filename() ? plugin.directory : plugin.directory.parent_path()};
    out << messages::trf("Vehicle folder: {1}", {plugin.directory.u8string()}) << '\n';
    reportFiles(report, plugin);
    reportModules(report, plugin);
    reportPowering(report, plugin.notch);
    reportBraking(report, plugin.notch);
    reportNeedles(report, plugin.needles);
    reportLoad(report, plugin);
    report.warnings += reportFindings(report, plugin, findings);

    CheckOutcome outcome{report.warnings, plugin.report.failure.has_value()};
    const std::string count = std::to_string(outcome.warnings);
    if (outcome.loadStopped)
        out << '\n'
            << (outcome.warnings == 1 ? messages::trf("Summary: Load stopped by an error, {1} warning", {count})
                                      : messages::trf("Summary: Load stopped by an error, {1} warnings", {count}));
    else
        out << '\n'
            << (outcome.warnings == 1 ? messages::trf("Summary: Load completed, {1} warning", {count})
                                      : messages::trf("Summary: Load completed, {1} warnings", {count}));
    out << '\n';
    return outcome;
}

int checkExitStatus(const CheckOutcome& outcome, bool strict) {
    return outcome.loadStopped || (strict && outcome.warnings > 0) ? 1 : 0;
}

std::filesystem::path vehicleFolderOf(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return {};
    const std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    std::filesystem::path start = std::filesystem::is_directory(absolute, error) ? absolute : absolute.parent_path();
    if (!start.has_filename()) start = start.parent_path();
    // Files named in notch.txt may lie a few folders down.
    std::filesystem::path folder = start;
    for (int level = 0; level < 4 && folder.has_relative_path(); ++level, folder = folder.parent_path())
        if (looksLikeVehicleFolder(folder)) return folder;
    return start;
}

int checkVehicle(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    const std::filesystem::path folder = vehicleFolderOf(options.vehicle);
    if (folder.empty()) {
        err << messages::trf("cabhost check: no such file or folder: {1}", {options.vehicle.u8string()}) << '\n';
        return 1;
    }
    plugin::Plugin plugin;
    plugin.directory = folder / std::filesystem::path();
    plugin::load(plugin);
    const std::vector<diagnose::Finding> findings = diagnose::diagnoseVehicle(plugin);
    CheckOutcome outcome;
    if (options.json) {
        std::ostringstream ignored;
        outcome = writeCheckReport(plugin, findings, ignored);
        out << report::findingsJson(findings, folder);
    } else {
        outcome = writeCheckReport(plugin, findings, out);
    }
    int status = checkExitStatus(outcome, options.strict);
    if (!options.report.empty()) {
        const std::string problem = report::writeVehicleReport(plugin, findings, options.report);
        // With --json the standard output carries the JSON alone.
        std::ostream& told = options.json ? err : out;
        if (problem.empty()) {
            told << messages::trf("report written to {1}", {options.report.u8string()}) << '\n';
        } else {
            err << "cabhost check: " << messages::trf("the report {1}: {2}", {options.report.u8string(), problem}) << '\n';
            status = 1;
        }
    }
    plugin::dispose(plugin);
    return status;
}

}  // namespace tools
