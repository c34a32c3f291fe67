#include "plugin/module_chain.h"

#include <stdexcept>
#include <string>

#include "config/text.h"
#include "plugin/entry_points.h"

namespace plugin {

namespace {

// "のバージョンが不正です。": the version of (the module before it) is invalid.
constexpr char16_t kInvalidVersionText[] = u"\u306E\u30D0\u30FC\u30B8\u30E7\u30F3\u304C\u4E0D\u6B63\u3067\u3059\u3002";

void note(config::LoadReport& report, const std::filesystem::path& path, config::ModuleOutcome outcome,
          std::string reason = {}) {
    report.modules.push_back({report.currentLine, path, outcome, std::move(reason)});
}

// One line of the list: load the module it names, call its Load, append it.
void loadModule(ModuleChain& chain, const config::Text& line, const std::filesystem::path& pluginDirectory,
                config::LoadReport& report) {
    const std::filesystem::path path = config::resolvePath(pluginDirectory, line);
    // The system would read such a name only up to the NUL: a different file.
    if (line.find(u'\0') != config::Text::npos)
        return note(report, path, config::ModuleOutcome::Absent, "the line holds a NUL character");
    if (!platform::exists(path)) return note(report, path, config::ModuleOutcome::Absent);
    std::string reason;
    const platform::LibraryHandle library = platform::loadLibrary(path, reason);
    if (library == nullptr) return note(report, path, config::ModuleOutcome::NotALibrary, std::move(reason));
    if (platform::isOwnLibrary(library)) {
        platform::unloadLibrary(library);
        return note(report, path, config::ModuleOutcome::NotALibrary,
                    "it is this plug-in, which cannot be its own module");
    }
    DetailModule module;
    module.library = library;
    module.entryPoints = lookUpEntryPoints(library);
    if (module.entryPoints.Load != nullptr) module.entryPoints.Load();
    chain.modules.push_back(module);
    note(report, path, config::ModuleOutcome::Loaded);
}

// Tells a module each handle that differs from what it was last due, or
// every handle in the initial run. The last-due value is kept even for an
// entry point the module lacks.
void passHandle(int32_t value, int32_t& lastDue, void (*setHandle)(int32_t), bool everyValue) {
    if (!everyValue && value == lastDue) return;
    if (setHandle != nullptr) setHandle(value);
    lastDue = value;
}

void passHandles(DetailModule& module, const DriverHandles& handles, bool everyValue) {
    passHandle(handles.power, module.lastPower, module.entryPoints.SetPower, everyValue);
    passHandle(handles.brake, module.lastBrake, module.entryPoints.SetBrake, everyValue);
    passHandle(handles.reverser, module.lastReverser, module.entryPoints.SetReverser, everyValue);
}

// Unloading a library whose Dispose has run must also drop its record, even
// when a later Dispose throws: a record left behind would point into an
// unloaded library.
struct DisposedPrefix {
    ModuleChain& chain;
    std::size_t count = 0;
    ~DisposedPrefix() {
        chain.modules.erase(chain.modules.begin(), chain.modules.begin() + static_cast<std::ptrdiff_t>(count));
    }
};

}  // namespace

void loadModuleChain(ModuleChain& chain, const std::filesystem::path& pluginDirectory, config::LoadReport& report) {
    config::ConfigFile list(pluginDirectory / "detailmodulesx64.txt", report);
    config::Text line;
    while (list.isOpen() && !list.atEnd()) {
        list.readLine(line);
        loadModule(chain, line, pluginDirectory, report);
    }
}

HandleCommand runModuleChain(ModuleChain& chain, const DriverHandles& handles, const VehicleState& state,
                             int32_t* panel, int32_t* sound) {
    const bool initialRun = chain.initialSyncPending;
    bool first = true;
    bool anyElapse = false;
    for (DetailModule& module : chain.modules) {
        const HandleCommand& output = chain.chainOutput;
        const DriverHandles due =
            initialRun || first ? handles : DriverHandles{output.power, output.brake, output.reverser};
        passHandles(module, due, initialRun);
        // The state goes by value: every module gets its own copy to change.
        if (module.entryPoints.Elapse != nullptr) {
            chain.chainOutput = module.entryPoints.Elapse(state, panel, sound);
            anyElapse = true;
        }
        first = false;
    }
    if (!chain.modules.empty()) chain.initialSyncPending = false;
    // Without any Elapse nothing would ever replace the zeros of chainOutput,
    // and the driver would lose brake and power: the chain then passes the
    // driver's handles through, as a module that changes nothing would.
    if (!anyElapse) return HandleCommand{handles.brake, handles.power, handles.reverser, 0};
    return chain.chainOutput;
}

void disposeModuleChain(ModuleChain& chain) {
    DisposedPrefix disposed{chain};
    for (const DetailModule& module : chain.modules) {
        if (module.entryPoints.Dispose != nullptr) module.entryPoints.Dispose();
        if (module.library != nullptr) platform::unloadLibrary(module.library);
        ++disposed.count;
    }
}

void checkModuleVersions(const ModuleChain& chain) {
    for (const DetailModule& module : chain.modules) {
        const host::EntryPoints& entryPoints = module.entryPoints;
        if (entryPoints.GetPluginVersion == nullptr || entryPoints.GetPluginVersion() == PluginInterfaceVersion)
            continue;
        throw std::runtime_error(platform::pathInMessageEncoding(platform::libraryPath(module.library)) +
                                 platform::toMessageEncoding(kInvalidVersionText));
    }
}

}  // namespace plugin
