#include "tools/check.h"

#include <algorithm>
#include <cstdio>
#include <string>

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

void heading(Report& report, const char* title) {
    report.out << '\n' << title << '\n';
}

// "  label            text", the label column wide enough for a file name.
void item(Report& report, const std::string& label, const std::string& text) {
    std::string line = "  " + label;
    line.resize(std::max<std::size_t>(line.size() + 1, 19), ' ');
    report.out << line << text << '\n';
}

void warning(Report& report, const std::string& text) {
    ++report.warnings;
    report.out << "  warning: " << text << '\n';
}

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string listed(const std::vector<uint64_t>& steps) {
    std::string text;
    for (const uint64_t step : steps) text += (text.empty() ? "" : ", ") + std::to_string(step);
    return text;
}

std::string speedRange(const panel::CurveTable& curve) {
    if (curve.empty()) return "no points";
    return std::to_string(curve.size()) + (curve.size() == 1 ? " point" : " points") + " (" +
           number(curve.front().input) + " to " + number(curve.back().input) + " km/h)";
}

void reportFiles(Report& report, const config::LoadReport& load) {
    heading(report, "Files");
    if (load.files.empty()) report.out << "  none of the plug-in's files was looked at\n";
    for (const config::FileNote& file : load.files) {
        if (file.found) {
            item(report, "found", shownPath(report, file.path));
        } else {
            item(report, "missing", shownPath(report, file.path) + "  (warning)");
            ++report.warnings;
        }
    }
}

std::string skippedReason(const config::ModuleNote& module) {
    if (module.outcome == config::ModuleOutcome::Absent) return module.reason.empty() ? "no such file" : module.reason;
    return "does not load as a library: " + module.reason;
}

// An empty line of the list names the plug-in's folder itself. Editors often
// leave one at the end of a file; it loads nothing and harms nothing.
bool namesNothing(const Report& report, const config::ModuleNote& module) {
    return module.path.lexically_normal() == (report.folder / std::filesystem::path()).lexically_normal();
}

void reportModules(Report& report, const plugin::Plugin& plugin) {
    heading(report, "Detail modules (detailmodulesx64.txt)");
    if (plugin.report.modules.empty()) report.out << "  none\n";
    for (const config::ModuleNote& module : plugin.report.modules) {
        const std::string label = "line " + std::to_string(module.line);
        if (namesNothing(report, module)) {
            item(report, label, "empty: names no module");
        } else if (module.outcome == config::ModuleOutcome::Loaded) {
            item(report, label, "\"" + shownPath(report, module.path) + "\" loaded");
        } else {
            item(report, label,
                 "\"" + shownPath(report, module.path) + "\" skipped: " + skippedReason(module) + "  (warning)");
            ++report.warnings;
        }
    }
}

// The positions of the selected steps that the frame compares the current with.
void reportPowering(Report& report, const config::NotchConfig& notch) {
    heading(report, "Powering ([Power] of notch.txt)");
    const std::vector<uint64_t>& steps = notch.powerCurveSteps;
    item(report, "selected steps", steps.empty() ? "none" : listed(steps));
    for (std::size_t k = 0; k < steps.size() && k < notch.powerCurrentCurves.size(); ++k)
        item(report, "step " + std::to_string(steps[k]), speedRange(notch.powerCurrentCurves[k]));
    if (steps.size() >= 5) {
        item(report, "current lamp", "lit at the current of step " + std::to_string(steps[1]) + " (above step " +
                                         std::to_string(steps[0]) + "), put out at step " + std::to_string(steps[2]));
        item(report, "full current", "at step " + std::to_string(steps[4]) + "; it arms the hold stages");
    } else {
        warning(report, "the lamps and hold stages read the 1st, 2nd, 3rd and 5th selected steps, and only " +
                            std::to_string(steps.size()) + " are selected: a missing step counts as 0 A, so any "
                            "positive current lights the full-current lamp");
    }
    for (std::size_t k = 0; k < notch.powerCurrentCurves.size() && k < steps.size(); ++k)
        if (notch.powerCurrentCurves[k].empty() && (k <= 2 || k == 4))
            warning(report, "the curve of step " + std::to_string(steps[k]) +
                                " has no points: the plug-in would compare the current with the speed itself");
}

void reportBraking(Report& report, const config::NotchConfig& notch) {
    heading(report, "Braking ([Brake] of notch.txt)");
    item(report, "steps", std::to_string(notch.brakeStepCount));
    for (std::size_t k = 0; k < notch.brakeCurrentCurves.size(); ++k)
        item(report, "step " + std::to_string(k + 1), speedRange(notch.brakeCurrentCurves[k]));
    if (notch.brakeCurrentCurves.size() < 5)
        warning(report, "the hold stages read the curves of braking steps 4 and 5; a missing one counts as 0 A, "
                        "so its hold stage ends as soon as the current is 0 or less");
    item(report, "other values", "no-load current " + number(notch.noLoadCurrent) + " A, breaker delay " +
                                     number(notch.breakerDelayOn) + ", current limit when empty " +
                                     number(notch.currentLimitingValueEmpty) + " A");
}

void reportNeedleTable(Report& report, const char* file, const panel::CurveTable& table, const char* unit,
                       const char* quantity, bool speed) {
    if (table.empty()) {
        item(report, file, std::string("no points: the needle shows the raw ") + quantity);
        return;
    }
    const auto [lowest, highest] =
        std::minmax_element(table.begin(), table.end(),
                            [](const panel::CurvePoint& a, const panel::CurvePoint& b) { return a.output < b.output; });
    std::string text = std::to_string(table.size()) + (table.size() == 1 ? " point: " : " points: ") +
                       number(table.front().input) + " to " + number(table.back().input) + " " + unit +
                       " -> needle " + number(lowest->output) + " to " + number(highest->output);
    if (speed)
        text += " (panel value " + number(lowest->output * 100) + " to " + number(highest->output * 100) + ")";
    item(report, file, text);
}

void reportNeedles(Report& report, const panel::NeedleTables& needles) {
    heading(report, "Needle tables (folder NeedleTable)");
    reportNeedleTable(report, "Pressure.csv", needles.pressureTable, "kPa", "pressure", false);
    reportNeedleTable(report, "Speed.csv", needles.speedTable, "km/h", "speed", true);
    reportNeedleTable(report, "Current.csv", needles.currentTable, "A", "current", false);
    reportNeedleTable(report, "Voltage.csv", needles.voltageTable, "V", "voltage", false);
}

void reportLoad(Report& report, const plugin::Plugin& plugin) {
    heading(report, "Load");
    item(report, "adjustment mode",
         plugin.adjust.enabled ? "on (PanelModify.txt found): keys 0, 5 and 6 set the needles"
                               : "off (no PanelModify.txt)");
    const std::optional<config::LoadFailure>& failure = plugin.report.failure;
    if (!failure) {
        item(report, "result", "completed");
        return;
    }
    std::string where = failure->file.empty() ? std::string("(no file)") : shownPath(report, failure->file);
    if (failure->line > 0) where += ", line " + std::to_string(failure->line);
    item(report, "result", "stopped by an error");
    report.out << "  error: " << where << ": " << failure->kind << ": " << failure->message << '\n'
               << "  The steps of Load after this one did not run; the plug-in works with what was read before.\n";
}

}  // namespace

CheckOutcome writeCheckReport(const plugin::Plugin& plugin, std::ostream& out) {
    Report report{out, plugin.directory.has_filename() ? plugin.directory : plugin.directory.parent_path()};
    out << "Vehicle folder: " << plugin.directory.u8string() << '\n';
    reportFiles(report, plugin.report);
    reportModules(report, plugin);
    reportPowering(report, plugin.notch);
    reportBraking(report, plugin.notch);
    reportNeedles(report, plugin.needles);
    reportLoad(report, plugin);

    CheckOutcome outcome{report.warnings, plugin.report.failure.has_value()};
    out << "\nSummary: " << (outcome.loadStopped ? "Load stopped by an error" : "Load completed") << ", "
        << outcome.warnings << (outcome.warnings == 1 ? " warning" : " warnings") << '\n';
    return outcome;
}

int checkExitStatus(const CheckOutcome& outcome, bool strict) {
    return outcome.loadStopped || (strict && outcome.warnings > 0) ? 1 : 0;
}

int checkVehicle(const std::filesystem::path& folder, bool strict, std::ostream& out, std::ostream& err) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        err << "cabhost check: no such folder: " << folder.u8string() << '\n';
        return 1;
    }
    plugin::Plugin plugin;
    plugin.directory = std::filesystem::absolute(folder).lexically_normal() / std::filesystem::path();
    plugin::load(plugin);
    const CheckOutcome outcome = writeCheckReport(plugin, out);
    plugin::dispose(plugin);
    return checkExitStatus(outcome, strict);
}

}  // namespace tools
