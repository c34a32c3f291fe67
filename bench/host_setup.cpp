#include "bench/host_setup.h"

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/load_report.h"
#include "plugin/entry_points.h"
#include "plugin/plugin.h"

namespace bench {

namespace {

constexpr VehicleSpec kSampleVehicleSpec{8, 5, 1, 6, 10};
constexpr int kSpeedNeedlePanel = 22;
// The sample vehicle's speed table shows 40 km/h as 40.4, that is 4040 on the
// panel; without the table the panel would show the raw 4000.
constexpr int32_t kTableSpeedNeedleLow = 4030;
constexpr int32_t kTableSpeedNeedleHigh = 4050;

}  // namespace

LoadedLibrary::LoadedLibrary(const std::filesystem::path& file) {
    std::string reason;
    handle_ = platform::loadLibrary(file, reason);
    if (handle_ == nullptr) throw std::runtime_error("cannot load " + file.u8string() + ": " + reason);
}

LoadedLibrary::~LoadedLibrary() {
    platform::unloadLibrary(handle_);
}

host::EntryPoints LoadedLibrary::entryPoints() const {
    const host::EntryPoints found = plugin::lookUpEntryPoints(handle_);
    const std::vector<std::string> missing = plugin::missingEntryPoints(found);
    if (!missing.empty()) {
        std::string names;
        for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
        throw std::runtime_error("the library lacks the entry points " + names);
    }
    return found;
}

void copySampleVehicle(const testing_support::TestFolder& folder) {
    const std::filesystem::path sample = testing_support::sampleVehicleFolder();
    if (!std::filesystem::is_directory(sample))
        throw std::runtime_error("no sample vehicle at " + sample.u8string() + " (run from the build's bin folder)");
    testing_support::copyFolder(sample, folder);
}

std::filesystem::path idleModuleFile() {
    return testing_support::buildOutputFolder() / ORVALIS_IDLE_MODULE_FILE;
}

void listIdleModules(const testing_support::TestFolder& folder, std::size_t count) {
    const std::filesystem::path built = idleModuleFile();
    const std::string suffix = built.extension().u8string();
    std::string list;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = "modules/idle_" + std::to_string(i) + suffix;
        std::filesystem::create_directories(folder.file(name).parent_path());
        std::filesystem::copy_file(built, folder.file(name));
        list += name + "\n";
    }
    folder.write("detailmodulesx64.txt", list);
}

std::filesystem::path installPlugin(const testing_support::TestFolder& folder) {
    std::filesystem::path installed = folder.file(ORVALIS_PLUGIN_FILE);
    std::filesystem::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, installed);
    return installed;
}

std::size_t checkVehicleLoads(const testing_support::TestFolder& folder) {
    plugin::Plugin record;
    record.directory = folder.directory();
    plugin::load(record);
    const std::size_t modules = record.chain.modules.size();
    plugin::dispose(record);
    if (record.report.failure)
        throw std::runtime_error("Load stopped: " + config::describeFailure(*record.report.failure));
    if (record.notch.powerCurrentCurves.empty() || record.notch.brakeCurrentCurves.empty())
        throw std::runtime_error("the vehicle's current curves did not load");
    return modules;
}

void startPlugin(const host::EntryPoints& plugin) {
    plugin.Load();
    plugin.SetVehicleSpec(kSampleVehicleSpec);
    plugin.Initialize(0);
    plugin.DoorClose();
    plugin.SetReverser(1);

    VehicleState vehicle{};
    vehicle.speed = 40.0f;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    plugin.Elapse(vehicle, panel.data(), sound.data());
    const int32_t needle = panel[kSpeedNeedlePanel];
    if (needle < kTableSpeedNeedleLow || needle > kTableSpeedNeedleHigh)
        throw std::runtime_error("the plug-in shows 40 km/h as " + std::to_string(needle) +
                                 ": it did not read the sample vehicle's speed table");
}

}  // namespace bench
