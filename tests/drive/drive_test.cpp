// Drives the built plug-in library the way the simulator does: loaded by
// path from a vehicle folder, its sixteen exports looked up by name and
// called with the host records.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>

#include "platform/platform.h"
#include "plugin/abi.h"
#include "support/test_folder.h"

namespace {

using testing_support::TestFolder;

struct LoadedPlugin {
    platform::LibraryHandle library = nullptr;
    host::LoadFn Load = nullptr;
    host::DisposeFn Dispose = nullptr;
    host::GetPluginVersionFn GetPluginVersion = nullptr;
    host::SetVehicleSpecFn SetVehicleSpec = nullptr;
    host::InitializeFn Initialize = nullptr;
    host::ElapseFn Elapse = nullptr;
    host::SetPowerFn SetPower = nullptr;
    host::SetBrakeFn SetBrake = nullptr;
    host::SetReverserFn SetReverser = nullptr;
    host::KeyDownFn KeyDown = nullptr;
    host::KeyUpFn KeyUp = nullptr;
    host::HornBlowFn HornBlow = nullptr;
    host::DoorOpenFn DoorOpen = nullptr;
    host::DoorCloseFn DoorClose = nullptr;
    host::SetSignalFn SetSignal = nullptr;
    host::SetBeaconDataFn SetBeaconData = nullptr;

    ~LoadedPlugin() {
        if (library != nullptr) platform::unloadLibrary(library);
    }
};

template <typename Fn>
void lookUp(platform::LibraryHandle library, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(platform::findExport(library, name));
    ASSERT_NE(fn, nullptr) << "missing export " << name;
}

// Copies the freshly built plug-in into `directory` and loads it from there.
void loadPluginFrom(const std::filesystem::path& directory, LoadedPlugin& plugin) {
    const std::filesystem::path built = testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE;
    const std::filesystem::path installed = directory / ORVALIS_PLUGIN_FILE;
    std::filesystem::copy_file(built, installed);
    std::string reason;
    plugin.library = platform::loadLibrary(installed, reason);
    ASSERT_NE(plugin.library, nullptr) << reason;
    lookUp(plugin.library, "Load", plugin.Load);
    lookUp(plugin.library, "Dispose", plugin.Dispose);
    lookUp(plugin.library, "GetPluginVersion", plugin.GetPluginVersion);
    lookUp(plugin.library, "SetVehicleSpec", plugin.SetVehicleSpec);
    lookUp(plugin.library, "Initialize", plugin.Initialize);
    lookUp(plugin.library, "Elapse", plugin.Elapse);
    lookUp(plugin.library, "SetPower", plugin.SetPower);
    lookUp(plugin.library, "SetBrake", plugin.SetBrake);
    lookUp(plugin.library, "SetReverser", plugin.SetReverser);
    lookUp(plugin.library, "KeyDown", plugin.KeyDown);
    lookUp(plugin.library, "KeyUp", plugin.KeyUp);
    lookUp(plugin.library, "HornBlow", plugin.HornBlow);
    lookUp(plugin.library, "DoorOpen", plugin.DoorOpen);
    lookUp(plugin.library, "DoorClose", plugin.DoorClose);
    lookUp(plugin.library, "SetSignal", plugin.SetSignal);
    lookUp(plugin.library, "SetBeaconData", plugin.SetBeaconData);
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
    LoadedPlugin plugin;
    ASSERT_NO_FATAL_FAILURE(loadPluginFrom(folder.path(), plugin));

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

TEST(DriveTest, APluginDeepInItsFolderTreeStillFindsItsFiles) {
    TestFolder folder(u"deep");
    std::filesystem::path deep = folder.path();
    while (deep.native().size() < 320) deep /= "a-rather-long-folder-name-for-a-vehicle";
    std::filesystem::create_directories(deep / "NeedleTable");
    std::ofstream(deep / "NeedleTable" / "Speed.csv") << "speed,needle\n0,0\n100,50\n";
    LoadedPlugin plugin;
    ASSERT_NO_FATAL_FAILURE(loadPluginFrom(deep, plugin));
    plugin.Load();
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    plugin.Elapse(stateAt(16, 40.0f, 0.0f), panel.data(), sound.data());
    EXPECT_EQ(panel[22], 2000);
    plugin.Dispose();
}

TEST(DriveTest, ALoadWithoutAnyFileLeavesThePluginUsable) {
    TestFolder folder(u"empty vehicle");
    LoadedPlugin plugin;
    ASSERT_NO_FATAL_FAILURE(loadPluginFrom(folder.path(), plugin));
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
