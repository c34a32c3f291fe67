#include "tools/run_command.h"

#include <cstdio>
#include <exception>
#include <string>

#include "plugin/entry_points.h"
#include "tools/player.h"
#include "tools/plugin_library.h"
#include "tools/scenario.h"
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
        return "no powering steps found: the model draws no traction current";
    std::string text = std::to_string(traction.requiredNotch.size()) + " control steps for notches " +
                       std::to_string(traction.requiredNotch.front()) + " to " +
                       std::to_string(traction.requiredNotch.back());
    return text + ", " + std::to_string(traction.brakeCurves.size()) + " braking steps";
}

void line(std::ostream& out, const char* label, const std::string& text) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "  %-10s ", label);
    out << prefix << text << '\n';
}

// The simulator asks for the version right after Load and refuses a plug-in
// that answers another; cabhost says so and carries on, to show the rest.
std::string versionText(const host::EntryPoints& plugin) {
    if (!plugin.GetPluginVersion) return "no GetPluginVersion: the simulator would refuse this plug-in";
    try {
        const int32_t version = plugin.GetPluginVersion();
        if (version == PluginInterfaceVersion) return "interface version " + hexadecimal(version);
        return "interface version " + hexadecimal(version) + ", not " + hexadecimal(PluginInterfaceVersion) +
               ": the simulator would refuse this plug-in";
    } catch (const std::exception& error) {
        return std::string("GetPluginVersion raised an error: ") + error.what();
    } catch (...) {
        return "GetPluginVersion raised an error";
    }
}

std::string missingText(const std::vector<std::string>& missing) {
    std::string text = "the library lacks";
    for (std::size_t k = 0; k < missing.size(); ++k) text += (k == 0 ? " " : ", ") + missing[k];
    return text + "; those calls are skipped";
}

ProgressReport progressLine(std::ostream& err, int64_t endMs, bool wanted) {
    if (!wanted || endMs < kLongRunMs) return {};
    return [&err, endMs, nextMs = int32_t{0}](int32_t timeMs) mutable {
        if (timeMs < nextMs) return;
        nextMs = timeMs + kProgressStepMs;
        err << "\r  running: " << timeMs / 1000 << " s of " << endMs / 1000 << " s" << std::flush;
    };
}

void clearProgressLine(std::ostream& err, const ProgressReport& progress) {
    if (progress) err << '\r' << std::string(40, ' ') << '\r' << std::flush;
}

std::filesystem::path tracePath(const RunOptions& options, const std::filesystem::path& scenario) {
    if (!options.trace.empty()) return options.trace;
    return std::filesystem::current_path() / (scenario.stem().u8string() + "-trace.csv");
}

// What a run is to do, worked out from the command line before anything is
// loaded.
struct RunPlan {
    Scenario scenario;
    RunSettings settings;
    std::filesystem::path folder;  // the vehicle folder, absolute, ending in a separator
    std::filesystem::path pluginPath;
    std::filesystem::path tracePath;
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
        err << "cabhost run: no such vehicle folder: " << vehicle.u8string() << '\n';
        return 1;
    }
    plan.folder = std::filesystem::absolute(vehicle).lexically_normal() / std::filesystem::path();
    plan.pluginPath = options.plugin.empty() ? plan.folder / ORVALIS_PLUGIN_FILE : options.plugin;
    plan.tracePath = tracePath(options, scenario);
    return 0;
}

void printHeader(std::ostream& out, const RunPlan& plan, const host::EntryPoints& entryPoints,
                 const TractionData& traction, const config::LoadReport& modelReport) {
    out << "cabhost run: " << plan.scenario.name << '\n';
    line(out, "vehicle", plan.folder.u8string());
    line(out, "plug-in", plan.pluginPath.u8string());
    const std::vector<std::string> missing = plugin::missingEntryPoints(entryPoints);
    if (!missing.empty()) line(out, "", missingText(missing));
    line(out, "", versionText(entryPoints));
    line(out, "model", modelText(traction));
    if (modelReport.failure)
        line(out, "", "the model stopped reading at " + config::describeFailure(*modelReport.failure));
    line(out, "spec", specText(plan.settings.spec));
    line(out, "frames", "every " + milliseconds(plan.settings.frameMs) + " up to " + seconds(plan.scenario.endMs));
    out << '\n' << std::flush;
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
    PluginLibrary library;
    std::string reason;
    if (!openPluginLibrary(plan.pluginPath, library, reason)) {
        err << "cabhost run: cannot load the plug-in " << plan.pluginPath.u8string() << ": " << reason << '\n';
        return 1;
    }
    VehicleModel model;
    config::LoadReport modelReport;
    model.traction = loadTractionData(plan.folder, modelReport);

    const host::EntryPoints& plugin = library.entryPoints;
    if (plugin.Load) plugin.Load();
    printHeader(out, plan, plugin, model.traction, modelReport);
    RunRecord record;
    const ProgressReport progress = progressLine(err, plan.scenario.endMs, showProgress);
    playScenario(plugin, plan.scenario, plan.settings, model, record, progress);
    if (plugin.Dispose) plugin.Dispose();
    closePluginLibrary(library);
    clearProgressLine(err, progress);

    writeSummary(record.summary, out);
    const std::string problem = writeTraceFile(record.trace, plan.tracePath);
    if (!problem.empty()) {
        err << "cabhost run: the trace " << plan.tracePath.u8string() << ": " << problem << '\n';
        return 1;
    }
    out << '\n' << record.frames << " frames; trace written to " << plan.tracePath.u8string() << '\n';
    return 0;
}

}  // namespace tools
