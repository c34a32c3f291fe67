// Drives the built plug-in library the way the simulator does: loaded by
// path from a vehicle folder, its sixteen exports looked up by name and
// called with the host records.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/abi.h"
#include "plugin/entry_points.h"
#include "support/test_folder.h"

namespace {

using testing_support::TestFolder;

struct LoadedPlugin {
    platform::LibraryHandle library = nullptr;
    host::EntryPoints entryPoints;

    ~LoadedPlugin() {
        if (library != nullptr) platform::unloadLibrary(library);
    }
};

// Copies the freshly built plug-in into `directory` and loads it from there.
void loadPluginFrom(const std::filesystem::path& directory, LoadedPlugin& loaded) {
    const std::filesystem::path built = testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE;
    const std::filesystem::path installed = directory / ORVALIS_PLUGIN_FILE;
    std::filesystem::copy_file(built, installed);
    std::string reason;
    loaded.library = platform::loadLibrary(installed, reason);
    ASSERT_NE(loaded.library, nullptr) << reason;
    loaded.entryPoints = plugin::lookUpEntryPoints(loaded.library);
    ASSERT_EQ(plugin::missingEntryPoints(loaded.entryPoints), std::vector<std::string>{}) << "missing exports";
}

VehicleState stateAt(int32_t timeMs, float speed, float current) {
    VehicleState state{};
    state.location = 1234.5;
    state.speed = speed;
    state.time = timeMs;
    state.bcPressure = 390.8f;
    state.mrPressure = 800.0f;
    state.current = current;
    return state;
}

TEST(DriveTest, EveryEntryPointRunsFromAJapaneseFolder) {
    TestFolder folder(u"運転台プラグイン");
    folder.write("NeedleTable/Speed.csv", "speed,needle\n0,0\n100,50\n");
    LoadedPlugin loaded;
    ASSERT_NO_FATAL_FAILURE(loadPluginFrom(folder.path(), loaded));
    const host::EntryPoints& plugin = loaded.entryPoints;

    plugin.Load();
    EXPECT_EQ(plugin.GetPluginVersion(), PluginInterfaceVersion);
    plugin.SetVehicleSpec(VehicleSpec{8, 5, 1, 6, 10});
    plugin.Initialize(0);
    plugin.DoorClose();
    plugin.SetReverser(1);
    plugin.SetBrake(0);
    plugin.SetPower(0);
    plugin.HornBlow(1);
    plugin.SetSignal(4);
    plugin.SetBeaconData(BeaconData{1, 2, 300.0f, 7});
    plugin.KeyDown(12);
    plugin.KeyUp(12);

    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    panel.fill(-7);
    sound.fill(-7);
    const HandleCommand first = plugin.Elapse(stateAt(16, -40.0f, 0.0f), panel.data(), sound.data());
    EXPECT_EQ(first.constantSpeed, 0);
    // The speed needle follows the table from the vehicle's own folder: 40 km/h gives 20 x 100.
    EXPECT_EQ(panel[22], 2000);
    // Every owned sound index is stopped in the first frame.
    EXPECT_EQ(sound[95], SoundStop);
    EXPECT_EQ(sound[229], SoundStop);
    // Indices the plug-in does not own are left alone.
    EXPECT_EQ(panel[0], -7);
    EXPECT_EQ(sound[0], -7);

    const HandleCommand second = plugin.Elapse(stateAt(32, -40.0f, 0.0f), panel.data(), sound.data());
    EXPECT_EQ(second.reverser, 1);  // doors closed, no brake: the driver's reverser
    EXPECT_EQ(sound[95], SoundPlayOnce);  // the door-close request of before the first frame
    EXPECT_EQ(panel[252], 1);  // key 12 switched its lamp on
    plugin.Dispose();
    plugin.Dispose();
}

// Nested folders whose innermost path is longer than 260 characters, with
// a vehicle's speed table inside. Recursive removal in the Windows C runtime
// cannot be trusted on such paths (under Wine it loops), so the folders are
// taken down one entry at a time, innermost first; whatever the system
// refuses to delete stays in the temporary folder.
class DeepVehicleFolder {
public:
    DeepVehicleFolder() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        levels_.push_back(std::filesystem::temp_directory_path() / ("orvalis-deep-" + std::to_string(stamp)));
        while (levels_.back().native().size() < 320)
            levels_.push_back(levels_.back() / "a-rather-long-folder-name-for-a-vehicle");
        std::filesystem::create_directories(path() / "NeedleTable");
        std::ofstream(path() / "NeedleTable" / "Speed.csv") << "speed,needle\n0,0\n100,50\n";
    }
    ~DeepVehicleFolder() {
        std::error_code ignored;
        std::filesystem::remove(path() / ORVALIS_PLUGIN_FILE, ignored);
        std::filesystem::remove(path() / "NeedleTable" / "Speed.csv", ignored);
        std::filesystem::remove(path() / "NeedleTable", ignored);
        for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) std::filesystem::remove(*level, ignored);
    }
    DeepVehicleFolder(const DeepVehicleFolder&) = delete;
    DeepVehicleFolder& operator=(const DeepVehicleFolder&) = delete;

    const std::filesystem::path& path() const { return levels_.back(); }

private:
    std::vector<std::filesystem::path> levels_;
};

TEST(DriveTest, APluginDeepInItsFolderTreeStillFindsItsFiles) {
    const DeepVehicleFolder deep;
    LoadedPlugin loaded;
    ASSERT_NO_FATAL_FAILURE(loadPluginFrom(deep.path(), loaded));
    const host::EntryPoints& plugin = loaded.entryPoints;
    plugin.Load();
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    plugin.Elapse(stateAt(16, 40.0f, 0.0f), panel.data(), sound.data());
    EXPECT_EQ(panel[22], 2000);
    plugin.Dispose();
}

TEST(DriveTest, ALoadWithoutAnyFileLeavesThePluginUsable) {
    TestFolder folder(u"empty vehicle");
    LoadedPlugin loaded;
    ASSERT_NO_FATAL_FAILURE(loadPluginFrom(folder.path(), loaded));
    const host::EntryPoints& plugin = loaded.entryPoints;
    plugin.Load();
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    const HandleCommand command = plugin.Elapse(stateAt(500, 60.5f, 0.0f), panel.data(), sound.data());
    EXPECT_EQ(command.reverser, 0);  // doors never closed
    EXPECT_EQ(panel[22], 6050);      // no speed table: the raw speed x 100
    EXPECT_EQ(panel[130], 390);      // no pressure table: the raw pressure
    EXPECT_EQ(plugin.GetPluginVersion(), PluginInterfaceVersion);
    plugin.Dispose();
}

}  // namespace
