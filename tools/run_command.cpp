#include "tools/run_command.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "config/text.h"
#include "diagnose/diagnose.h"
#include "load_errors/load_errors.h"
#include "messages/messages.h"
#include "plugin/entry_points.h"
#include "report/run_report.h"
#include "tools/console_text.h"
#include "tools/panel_names.h"
#include "tools/player.h"
#include "tools/plugin_library.h"
#include "tools/scenario.h"
#include "tools/trace.h"
#include "tools/vehicle_model.h"

namespace tools {

namespace {

// A progress line only pays for itself on runs longer than this.
constexpr int32_t kLongRunMs = 30'000;
constexpr int32_t kProgressStepMs = 1'000;

std::string seconds(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / 1000.0);
    return text;
}

std::string milliseconds(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f ms", ms);
    return text;
}

std::string hexadecimal(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string specText(const VehicleSpec& spec) {
    return "brakeNotches=" + std::to_string(spec.brakeNotches) + " powerNotches=" + std::to_string(spec.powerNotches) +
           " atsNotch=" + std::to_string(spec.atsNotch) + " b67Notch=" + std::to_string(spec.b67Notch) +
           " cars=" + std::to_string(spec.cars);
}

std::string modelText(const TractionData& traction) {
    if (traction.requiredNotch.empty() || traction.powerCurves.empty())
        return messages::tr("no powering steps found: the model draws no traction current");
    return messages::trf("{1} control steps for notches {2} to {3}, {4} braking steps",
                         {std::to_string(traction.requiredNotch.size()), std::to_string(traction.requiredNotch.front()),
                          std::to_string(traction.requiredNotch.back()), std::to_string(traction.brakeCurves.size())});
}

// "  label      text": two blanks at least after the widest label of either
// language (プラグイン takes ten columns).
void line(std::ostream& out, const char* label, const std::string& text) {
    out << "  " << padded(label, 11) << ' ' << text << '\n';
}

// The simulator asks for the version right after Load and refuses a plug-in
// that answers another; cabhost says so and carries on, to show the rest.
std::string versionText(const host::EntryPoints& plugin) {
    if (!plugin.GetPluginVersion) return messages::tr("no GetPluginVersion: the simulator would refuse this plug-in");
    try {
        const int32_t version = plugin.GetPluginVersion();
        if (version == PluginInterfaceVersion) return messages::trf("interface version {1}", {hexadecimal(version)});
        return messages::trf("interface version {1}, not {2}: the simulator would refuse this plug-in",
                             {hexadecimal(version), hexadecimal(PluginInterfaceVersion)});
    } catch (const std::exception& error) {
        return messages::trf("GetPluginVersion raised an error: {1}", {error.what()});
    } catch (...) {
        return messages::tr("GetPluginVersion raised an error");
    }
}

std::string missingText(const std::vector<std::string>& missing) {
    std::string names;
    for (const std::string& name : missing) names = appendedToList(names, name);
    return messages::trf("the library lacks {1}; those calls are skipped", {names});
}

ProgressReport progressLine(std::ostream& err, int64_t endMs, bool wanted) {
    if (!wanted || endMs < kLongRunMs) return {};
    return [&err, endMs, nextMs = int32_t{0}](int32_t timeMs) mutable {
        if (timeMs < nextMs) return;
        nextMs = timeMs + kProgressStepMs;
        err << '\r'
            << messages::trf("  running: {1} s of {2} s", {std::to_string(timeMs / 1000), std::to_string(endMs / 1000)})
            << std::flush;
    };
}

void clearProgressLine(std::ostream& err, const ProgressReport& progress) {
    if (progress) err << '\r' << std::string(40, ' ') << '\r' << std::flush;
}

// Made in path space: a scenario named in Japanese keeps its name on Windows
// too, where a narrow string would go through the ANSI code page.
std::filesystem::path tracePath(const RunOptions& options, const std::filesystem::path& scenario) {
    if (!options.trace.empty()) return options.trace;
    std::filesystem::path path = std::filesystem::current_path() / scenario.stem();
    path += "-trace.csv";
    return path;
}

std::filesystem::path reportPath(const RunOptions& options, const std::filesystem::path& scenario,
                                 const std::filesystem::path& trace) {
    if (!options.report.empty()) return options.report;
    // A trace sent to a device (/dev/null, NUL) has no folder to sit beside.
    std::error_code status;
    const bool device = std::filesystem::exists(trace, status) && !std::filesystem::is_regular_file(trace, status);
    std::filesystem::path path = (device ? std::filesystem::current_path() : trace.parent_path()) / scenario.stem();
    path += "-report.html";
    return path;
}

// What a run is to do, worked out from the command line before anything is
// loaded.
struct RunPlan {
    Scenario scenario;
    RunSettings settings;
    std::filesystem::path folder;  // the vehicle folder, absolute, ending in a separator
    std::filesystem::path pluginPath;
    std::filesystem::path tracePath;
    std::filesystem::path reportPath;
};

// Returns 0 with `plan` filled, or the exit status of what was wrong.
int planRun(const RunOptions& options, const std::filesystem::path& programFolder, RunPlan& plan, std::ostream& err) {
    const std::filesystem::path vehicle =
        options.vehicle.empty() ? defaultVehicleFolder(programFolder) : options.vehicle;
    const std::filesystem::path scenario = options.scenario.empty() ? defaultScenario(programFolder) : options.scenario;
    ParsedScenario parsed = readScenarioFile(scenario);
    if (parsed.error) {
        err << "cabhost run: " << describeError(*parsed.error) << '\n';
        return 1;
    }
    plan.scenario = std::move(parsed.scenario);
    plan.settings = RunSettings{plan.scenario.spec, plan.scenario.initializeArgument,
                                options.frameMs > 0 ? options.frameMs : kDefaultFrameMs};
    const std::string specProblem = options.spec.empty() ? "" : applySpecAssignments(options.spec, plan.settings.spec);
    if (!specProblem.empty()) {
        err << "cabhost run: --spec: " << specProblem << '\n';
        return 2;
    }
    std::error_code status;
    if (!std::filesystem::is_directory(vehicle, status)) {
        err << "cabhost run: " << messages::trf("no such vehicle folder: {1}", {vehicle.u8string()}) << '\n';
        return 1;
    }
    plan.folder = std::filesystem::absolute(vehicle).lexically_normal() / std::filesystem::path();
    plan.pluginPath =
        options.plugin.empty() ? plan.folder / ORVALIS_PLUGIN_FILE : std::filesystem::absolute(options.plugin);
    plan.tracePath = tracePath(options, scenario);
    plan.reportPath = reportPath(options, scenario, plan.tracePath);
    return 0;
}

// The in-process core reads the plug-in folder through a copy of it, so
// that the detail modules it loads are instances of their own: the library
// and the core each call their own modules once a frame, and no module sees
// a call twice.
struct CoreCopy {
    std::filesystem::path folder;  // the copy, ending in a separator; empty when there is none
    std::string whyNone;
};

bool insideFolder(const std::filesystem::path& path, std::filesystem::path folder) {
    folder = folder.lexically_normal();
    if (folder.filename().empty()) folder = folder.parent_path();
    const std::filesystem::path normal = path.lexically_normal();
    auto inFolder = folder.begin();
    for (auto part = normal.begin(); inFolder != folder.end(); ++inFolder, ++part)
        if (part == normal.end() || *part != *inFolder) return false;
    return true;
}

// A module listed outside the copied folder would be the library's own
// instance again.
std::string moduleOutsideCopy(const std::filesystem::path& copy) {
    config::LoadReport ignored;
    config::ConfigFile list(copy / "detailmodulesx64.txt", ignored);
    config::Text line;
    for (int number = 1; list.isOpen() && !list.atEnd(); ++number) {
        list.readLine(line);
        const std::filesystem::path module = config::resolvePath(copy, line);
        if (!insideFolder(module, copy))
            return messages::trf("line {1} of detailmodulesx64.txt names {2}, outside the plug-in folder",
                                 {std::to_string(number), module.u8string()});
    }
    return {};
}

std::filesystem::path freshCopyFolder() {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0;; ++attempt) {
        std::filesystem::path folder = std::filesystem::temp_directory_path() / "cabhost-core-";
        folder += std::to_string(tick) + "-" + std::to_string(attempt);
        if (std::filesystem::create_directories(folder)) return folder;
    }
}

// Files are copied with their content (a link is followed), so that no
// library of the copy is the very file the library's chain loaded.
void copyFolderContents(const std::filesystem::path& source, const std::filesystem::path& target,
                        const std::filesystem::path& leftOut) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(source)) {
        const std::filesystem::path relative = entry.path().lexically_relative(source);
        if (entry.is_directory()) {
            std::filesystem::create_directories(target / relative);
        } else if (entry.is_regular_file() && entry.path().lexically_normal() != leftOut) {
            std::filesystem::create_directories((target / relative).parent_path());
            std::filesystem::copy_file(entry.path(), target / relative);
        }
    }
}

CoreCopy copyPluginFolder(const std::filesystem::path& pluginPath) {
    CoreCopy copy;
    const std::filesystem::path source = plugin::directoryOf(pluginPath).parent_path();
    std::filesystem::path folder;
    try {
        folder = freshCopyFolder();
        // Without the plug-in's own library: listed as a module, the library
        // refuses it, and the core skips it as absent.
        copyFolderContents(source, folder, pluginPath.lexically_normal());
        copy.whyNone = moduleOutsideCopy(folder);
        if (copy.whyNone.empty()) {
            copy.folder = folder / std::filesystem::path();
            return copy;
        }
    } catch (const std::exception& error) {
        copy.whyNone = messages::trf("the plug-in folder could not be copied: {1}", {error.what()});
    }
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    return copy;
}

void removeCopy(const CoreCopy& copy) {
    std::error_code ignored;
    if (!copy.folder.empty()) std::filesystem::remove_all(copy.folder, ignored);
}

// A path of the copy as the same path in the plug-in folder.
std::filesystem::path inFolder(const std::filesystem::path& path, const CoreCopy& copy,
                               const std::filesystem::path& folder) {
    if (path.empty()) return path;
    const std::filesystem::path relative = path.lexically_normal().lexically_relative(copy.folder.lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return path;
    return folder / relative;
}

// The core as if it had loaded the plug-in folder itself: what the diagnosis
// reads then names the author's files, not the copy's.
plugin::Plugin asPluginFolder(const plugin::Plugin& core, const CoreCopy& copy, const std::filesystem::path& folder) {
    plugin::Plugin view = core;
    view.directory = folder;
    const auto place = [&](std::filesystem::path& path) { path = inFolder(path, copy, folder); };
    config::NotchConfig& notch = view.notch;
    for (std::filesystem::path* path : {&notch.powerParamsPath, &notch.powerCurrentPath, &notch.brakeParamsPath,
                                        &notch.brakeCurrentPath, &notch.brakeNoLoadCurrentPath})
        place(*path);
    for (config::FileNote& file : view.report.files) place(file.path);
    for (config::ModuleNote& module : view.report.modules) place(module.path);
    if (view.report.failure) place(view.report.failure->file);
    place(view.report.currentFile);
    return view;
}

std::string coreWay(const CoreCopy& copy) {
    if (copy.folder.empty())
        return messages::trf("state columns empty: no in-process copy of the plug-in's code ({1})", {copy.whyNone});
    return messages::tr("state columns from the plug-in's own code run inside cabhost on the same inputs as the "
                        "loaded library, with its own copies of the detail modules (each module instance is called "
                        "once a frame); a frame in which the two return different outputs ends the run");
}

// What the start-up did, one line each: the error that stopped Load and
// every warning of the diagnosis, in the form editors jump from.
report::StartupResult startupResult(const plugin::Plugin& loaded) {
    report::StartupResult result;
    result.known = true;
    result.stopped = loaded.report.failure.has_value();
    if (loaded.report.failure) result.stoppedAt = config::describeFailure(*loaded.report.failure);
    for (const config::ModuleNote& module : loaded.report.modules) {
        if (module.outcome == config::ModuleOutcome::Loaded) continue;
        const std::string reason = module.reason.empty() ? messages::tr("no such file") : module.reason;
        const std::filesystem::path shown = module.path.lexically_relative(loaded.directory);
        if (shown == ".") continue;  // an empty line, such as the one after the last line feed: no module named
        // "warning" stays in English: editors look for that word.
        result.lines.push_back(
            "detailmodulesx64.txt:" + std::to_string(module.line) + ": warning: " +
            messages::trf("module \"{1}\" skipped: {2}", {(shown.empty() ? module.path : shown).u8string(), reason}));
        ++result.warnings;
    }
    for (const diagnose::Finding& finding : diagnose::diagnoseVehicle(loaded)) {
        if (finding.severity == diagnose::Severity::Note) continue;
        if (finding.severity == diagnose::Severity::Warning) ++result.warnings;
        result.lines.push_back(diagnose::compilerLine(finding, loaded.directory));
    }
    return result;
}

void printStartup(std::ostream& out, const report::StartupResult& startup) {
    for (const std::string& text : startup.lines) out << "  " << text << '\n';
}

void printReminder(std::ostream& out, bool hasCore, int warnings, bool stopped, const std::filesystem::path& folder) {
    if (!hasCore)
        out << messages::trf("\nWithout the in-process copy this run cannot tell what the start-up read: "
                             "cabhost check \"{1}\" does.\n",
                             {folder.u8string()});
    else if (stopped)
        out << messages::trf("\nThe start-up stopped at an error (see above): the simulator would run this vehicle "
                             "the same way, without the files after it. cabhost check \"{1}\" tells more.\n",
                             {folder.u8string()});
    else if (warnings > 0)
        out << messages::trf("\n{1} start-up warnings (see above); cabhost check \"{2}\" tells more.\n",
                             {std::to_string(warnings), folder.u8string()});
}

void printHeader(std::ostream& out, const RunPlan& plan, const host::EntryPoints& entryPoints,
                 const TractionData& traction, const config::LoadReport& modelReport, const std::string& way) {
    out << "cabhost run: " << plan.scenario.name << '\n';
    line(out, messages::tr("vehicle"), plan.folder.u8string());
    line(out, messages::tr("plug-in"), plan.pluginPath.u8string());
    const std::vector<std::string> missing = plugin::missingEntryPoints(entryPoints);
    if (!missing.empty()) line(out, "", missingText(missing));
    line(out, "", versionText(entryPoints));
    line(out, messages::tr("model"), modelText(traction));
    if (const std::optional<config::LoadFailure>& failure = modelReport.failure) {
        std::string place = failure->file.u8string();
        if (failure->line > 0) place += ":" + std::to_string(failure->line);
        line(out, "", messages::trf("the model stopped reading at {1}: {2}", {place, load_errors::loadErrorText(*failure)}));
    }
    line(out, messages::tr("spec"), specText(plan.settings.spec));
    line(out, messages::tr("frames"),
         messages::trf("every {1} up to {2}", {milliseconds(plan.settings.frameMs), seconds(plan.scenario.endMs)}));
    line(out, messages::tr("state"), way);
    out << std::flush;
}

// Opens the trace before anything plays, so that a path that cannot be
// written fails at once.
std::string openTrace(std::ofstream& file, const std::filesystem::path& path) {
    file.open(path, std::ios::binary | std::ios::trunc);
    if (!file) return messages::trf("the trace {1} cannot be written", {path.u8string()});
    return {};
}

report::RunReportInfo reportInfo(const RunPlan& plan, const std::string& way, const CoreMirror* mirror,
                                 report::StartupResult startup) {
    const bool hasCore = mirror != nullptr;
    report::RunReportInfo info;
    info.scenario = plan.scenario.name;
    info.vehicle = plan.folder.u8string();
    info.stateSource = way;
    info.hasCore = hasCore;
    info.frameMs = plan.settings.frameMs;
    info.endMs = plan.scenario.endMs;
    for (const ScenarioEvent& event : plan.scenario.events) {
        if (event.action == Action::End) continue;
        const bool note = event.action == Action::Note;
        info.markers.push_back({static_cast<int32_t>(event.timeMs), note, note ? event.text : event.statement});
    }
    for (int index = 0; index < PanelArraySize; ++index)
        if (const char* name = panelIndexName(index)) info.panelNames.push_back({index, name});
    for (int index = 0; index < SoundArraySize; ++index)
        if (const char* name = soundIndexName(index)) info.soundNames.push_back({index, name});
    if (mirror) info.powerSteps = mirror->plugin.notch.powerCurveSteps;
    info.startup = std::move(startup);
    return info;
}

// The summary's lines for the report, the needle readings left out (the
// panel view shows them at every frame).
std::vector<report::Happening> happenings(const SummaryRecorder& summary) {
    std::vector<report::Happening> list;
    for (const SummaryLine& line : summary.lines)
        if (line.topic != "needles" && !line.topic.empty()) list.push_back({line.timeMs, line.topic, line.text});
    return list;
}

}  // namespace

std::filesystem::path defaultVehicleFolder(const std::filesystem::path& programFolder) {
    return programFolder / "sample-vehicle";
}

std::filesystem::path defaultScenario(const std::filesystem::path& programFolder) {
    return programFolder / "scenarios" / "departure.txt";
}

int runScenarioCommand(const RunOptions& options, const std::filesystem::path& programFolder, std::ostream& out,
                       std::ostream& err, bool showProgress) {
    RunPlan plan;
    if (const int status = planRun(options, programFolder, plan, err); status != 0) return status;
    std::ofstream traceFile;
    if (const std::string problem = openTrace(traceFile, plan.tracePath); !problem.empty()) {
        err << "cabhost run: " << problem << '\n';
        return 1;
    }
    PluginLibrary library;
    std::string reason;
    if (!openPluginLibrary(plan.pluginPath, library, reason)) {
        err << "cabhost run: "
            << messages::trf("cannot load the plug-in {1}: {2}", {plan.pluginPath.u8string(), reason}) << '\n';
        return 1;
    }
    VehicleModel model;
    config::LoadReport modelReport;
    model.traction = loadTractionData(plan.folder, modelReport);

    const host::EntryPoints& plugin = library.entryPoints;
    if (plugin.Load) plugin.Load();
    const CoreCopy copy = copyPluginFolder(plan.pluginPath);
    auto core = std::make_unique<CoreMirror>();
    if (!copy.folder.empty()) {
        core->plugin.directory = copy.folder;
        plugin::load(core->plugin);
    }
    CoreMirror* const mirror = copy.folder.empty() ? nullptr : core.get();
    const std::string way = coreWay(copy);
    printHeader(out, plan, plugin, model.traction, modelReport, way);
    const std::filesystem::path pluginFolder = plugin::directoryOf(plan.pluginPath);
    report::StartupResult startup;
    if (mirror) startup = startupResult(asPluginFolder(mirror->plugin, copy, pluginFolder));
    const int warnings = startup.warnings;
    const bool loadStopped = startup.stopped;
    printStartup(out, startup);
    out << '\n' << std::flush;

    TraceWriter trace{&traceFile};
    writeTraceHeader(trace, {"cabhost run: " + plan.scenario.name + ", vehicle " + plan.folder.u8string() +
                                 ", plug-in " + plan.pluginPath.u8string(),
                             way});
    report::RunReportWriter reportWriter;
    const std::string reportProblem =
        report::openRunReport(reportWriter, reportInfo(plan, way, mirror, std::move(startup)), plan.reportPath);
    RunRecord record;
    record.observers.push_back([&trace](const FrameView& frame) { writeTraceFrame(trace, frame); });
    if (reportProblem.empty())
        record.observers.push_back(
            [&reportWriter](const FrameView& frame) { report::addReportFrame(reportWriter, frame); });
    const ProgressReport progress = progressLine(err, plan.scenario.endMs, showProgress);
    playScenario(plugin, mirror, plan.scenario, plan.settings, model, record, progress);
    if (plugin.Dispose) plugin.Dispose();
    closePluginLibrary(library);
    if (mirror) {
        // As the exported Dispose does: a module's error stays inside.
        try {
            plugin::dispose(mirror->plugin);
        } catch (...) {
        }
    }
    removeCopy(copy);
    clearProgressLine(err, progress);

    writeSummary(record.summary, out);
    traceFile.flush();
    int status = 0;
    if (!traceFile) {
        err << "cabhost run: " << messages::trf("writing the trace {1} failed", {plan.tracePath.u8string()}) << '\n';
        status = 1;
    } else {
        out << '\n' << messages::trf("{1} frames; trace written to {2}", {std::to_string(record.frames),
                                                                          plan.tracePath.u8string()})
            << '\n';
    }
    const std::string reportEnd =
        reportProblem.empty() ? report::finishRunReport(reportWriter, happenings(record.summary)) : reportProblem;
    if (reportEnd.empty()) {
        out << messages::trf("report written to {1}", {plan.reportPath.u8string()}) << '\n';
    } else {
        err << "cabhost run: " << messages::trf("the report {1}: {2}", {plan.reportPath.u8string(), reportEnd})
            << '\n';
        status = 1;
    }
    if (!record.divergence.empty()) {
        err << "cabhost run: "
            << messages::trf("frame {1} ({2}): the loaded library and the plug-in's source returned different "
                             "outputs ({3}); the run stopped there. A library built from other source, or a detail "
                             "module that does not repeat itself (random numbers, the clock, files), does this.",
                             {std::to_string(record.frames - 1), seconds(record.lastTimeMs), record.divergence})
            << '\n';
        status = 1;
    }
    printReminder(out, mirror != nullptr, warnings, loadStopped, pluginFolder);
    return loadStopped ? 1 : status;
}

}  // namespace tools
