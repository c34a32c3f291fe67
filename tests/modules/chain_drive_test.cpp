// Drives the built plug-in with real detail modules, the way the simulator
// would: the plug-in and copies of the test modules in a vehicle folder of
// their own per test (so every test has a fresh copy of the plug-in's
// process-wide state), the module list written there, the plug-in loaded by
// path and called through its sixteen exports.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "modules/module_control.h"
#include "platform/platform.h"
#include "plugin/abi.h"
#include "plugin/entry_points.h"

namespace {

using chain_testing::kFullModule;
using chain_testing::kModuleWithoutEntryPoints;
using chain_testing::takeCalls;
using plugin::lookUpEntryPoints;
using plugin::missingEntryPoints;
using Calls = std::vector<std::string>;

constexpr char kElapse[] = " Elapse 1234.5 -40 16 -300";

// The calls of the initial run for module `name` with the driver's handles
// all at 0.
Calls initialRun(const std::string& name) {
    return {name + " SetPower 0", name + " SetBrake 0", name + " SetReverser 0", name + kElapse};
}

class ChainDriveTest : public ::testing::Test {
protected:
    ChainDriveTest() { chain_testing::calls.clear(); }
    ~ChainDriveTest() override {
        if (library != nullptr) platform::unloadLibrary(library);
    }

    // Writes the list, installs the plug-in beside it and loads it by path.
    void startPlugin() {
        modules.writeList();
        const std::filesystem::path installed = modules.folder.file(ORVALIS_PLUGIN_FILE);
        std::filesystem::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, installed);
        std::string reason;
        library = platform::loadLibrary(installed, reason);
        ASSERT_NE(library, nullptr) << reason;
        plugin = lookUpEntryPoints(library);
        ASSERT_EQ(missingEntryPoints(plugin), std::vector<std::string>{}) << "missing exports";
    }

    HandleCommand frame() {
        VehicleState state{};
        state.location = 1234.5;
        state.speed = -40.0f;
        state.time = 16;
        state.current = -300.0f;
        return plugin.Elapse(state, panel.data(), sound.data());
    }

    chain_testing::ModuleFolder modules{u"運転台 chain drive"};
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    platform::LibraryHandle library = nullptr;
    host::EntryPoints plugin;
};

TEST_F(ChainDriveTest, EveryEventReachesEachModuleInListOrderWithItsOwnCopy) {
    modules.add(kFullModule, "a");
    modules.add(kModuleWithoutEntryPoints, "n");
    modules.add(kFullModule, "b");
    ASSERT_NO_FATAL_FAILURE(startPlugin());

    plugin.Load();
    EXPECT_EQ(plugin.GetPluginVersion(), PluginInterfaceVersion);
    plugin.SetVehicleSpec(VehicleSpec{8, 5, 1, 6, 10});
    plugin.Initialize(2);
    // The driver's handles reach the modules only through the next frame.
    plugin.SetPower(4);
    plugin.SetBrake(3);
    plugin.SetReverser(1);
    plugin.KeyDown(3);
    plugin.KeyUp(3);
    plugin.HornBlow(1);
    plugin.DoorOpen();
    plugin.DoorClose();
    plugin.SetSignal(4);
    plugin.SetBeaconData(BeaconData{1, 2, 312.5f, 7});
    plugin.Dispose();
    plugin.Dispose();
    // Every module scribbles on its copies: b still gets the caller's values.
    EXPECT_EQ(takeCalls(), (Calls{"a Load",
                                  "b Load",
                                  "a GetPluginVersion",
                                  "b GetPluginVersion",
                                  "a SetVehicleSpec 8 5 1 6 10",
                                  "b SetVehicleSpec 8 5 1 6 10",
                                  "a Initialize 2",
                                  "b Initialize 2",
                                  "a KeyDown 3",
                                  "b KeyDown 3",
                                  "a KeyUp 3",
                                  "b KeyUp 3",
                                  "a HornBlow 1",
                                  "b HornBlow 1",
                                  "a DoorOpen",
                                  "b DoorOpen",
                                  "a DoorClose",
                                  "b DoorClose",
                                  "a SetSignal 4",
                                  "b SetSignal 4",
                                  "a SetBeaconData 1 2 312.5 7",
                                  "b SetBeaconData 1 2 312.5 7",
                                  "a Dispose",
                                  "b Dispose"}));
}

TEST_F(ChainDriveTest, LinesThatNameNoModuleAreSkippedAndTheRestLoadInOrder) {
    const std::string a = chain_testing::libraryFileName("a");
    const std::string b = chain_testing::libraryFileName("b");
    modules.install(kFullModule, a, "a");
    modules.install(kFullModule, "sub/" + b, "b");
    modules.install(kModuleWithoutEntryPoints, chain_testing::libraryFileName("n"), "n");
    modules.folder.write(chain_testing::libraryFileName("text"), "not a library\n");
    // A blank before a name, an empty line, a missing file, a text file, the
    // plug-in itself (it must not load and call itself without end), a module
    // without entry points, the same module twice, and the empty line after
    // the last line feed.
    modules.list = " " + a + "\n\n" + chain_testing::libraryFileName("missing") + "\n" +
                   chain_testing::libraryFileName("text") + "\n" + ORVALIS_PLUGIN_FILE + "\n" + a + "\n" +
                   chain_testing::libraryFileName("n") + "\n" + "sub\\" + b + "\n" + a + "\n";
    ASSERT_NO_FATAL_FAILURE(startPlugin());

    plugin.Load();
    EXPECT_EQ(takeCalls(), (Calls{"a Load", "b Load", "a Load"}));
    frame();
    Calls expected = initialRun("a");
    for (const char* name : {"b", "a"}) {
        const Calls run = initialRun(name);
        expected.insert(expected.end(), run.begin(), run.end());
    }
    EXPECT_EQ(takeCalls(), expected);
    plugin.Dispose();
    EXPECT_EQ(takeCalls(), (Calls{"a Dispose", "b Dispose", "a Dispose"}));
}

// Needs the driver's handles stored by SetPower, SetBrake and SetReverser.
TEST_F(ChainDriveTest, TheDriversHandlesAndEachResultPassOnOnlyWhenChanged) {
    modules.add(kFullModule, "a").returns({2, 3, 1, 0});
    modules.add(kFullModule, "b").returns({4, 1, 1, 0});
    modules.add(kFullModule, "c");
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    plugin.Load();
    plugin.SetReverser(1);
    plugin.SetBrake(8);
    plugin.SetPower(0);
    takeCalls();

    frame();
    Calls initial;
    for (const std::string name : {"a", "b", "c"}) {
        const Calls run{name + " SetPower 0", name + " SetBrake 8", name + " SetReverser 1", name + kElapse};
        initial.insert(initial.end(), run.begin(), run.end());
    }
    EXPECT_EQ(takeCalls(), initial);
    frame();
    EXPECT_EQ(takeCalls(), (Calls{std::string("a") + kElapse, "b SetPower 3", "b SetBrake 2",
                                  std::string("b") + kElapse, "c SetPower 1", "c SetBrake 4",
                                  std::string("c") + kElapse}));
    plugin.SetBrake(0);
    frame();
    EXPECT_EQ(takeCalls(), (Calls{"a SetBrake 0", std::string("a") + kElapse, std::string("b") + kElapse,
                                  std::string("c") + kElapse}));
    plugin.Dispose();
}

// Needs the driver's handles stored by SetBrake.
TEST_F(ChainDriveTest, ALoadAfterDisposeGivesTheNewModulesNoInitialRun) {
    modules.add(kFullModule, "a").returns({2, 0, 0, 0});
    modules.add(kFullModule, "b");
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    plugin.Load();
    plugin.SetBrake(8);
    frame();
    plugin.Dispose();
    plugin.Load();
    EXPECT_EQ(takeCalls().back(), "b Load");

    frame();
    EXPECT_EQ(takeCalls(), (Calls{"a SetBrake 8", std::string("a") + kElapse, "b SetBrake 2",
                                  std::string("b") + kElapse}));
    plugin.Dispose();
}

TEST_F(ChainDriveTest, AnotherModuleVersionRaisesTheVersionErrorNamingThatModule) {
    modules.add(kFullModule, "a");
    modules.add(kFullModule, "b").answersVersion(0x10000);
    modules.add(kFullModule, "c").answersVersion(0x30000);
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    plugin.Load();
    takeCalls();
    std::string message;
    try {
        plugin.GetPluginVersion();
    } catch (const std::runtime_error& error) {
        message = error.what();
    }
    EXPECT_EQ(takeCalls(), (Calls{"a GetPluginVersion", "b GetPluginVersion"}));
    const std::string path =
        platform::pathInMessageEncoding(modules.folder.file(chain_testing::libraryFileName("b")));
    EXPECT_EQ(message, path + platform::toMessageEncoding(u"のバージョンが不正です。"));
    plugin.Dispose();
}

// With no module that has Elapse the plug-in starts from the driver's
// handles; the chain's zeros would take brake and power from the driver.
class ChainWithoutElapseTest : public ChainDriveTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ChainWithoutElapseTest, TheDriversHandlesReachThePluginsFrame) {
    if (GetParam()) modules.add(chain_testing::kModuleWithoutElapse, "w");
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    plugin.Load();
    plugin.SetReverser(1);
    plugin.SetBrake(5);
    EXPECT_EQ(frame().brake, 5);
    plugin.SetBrake(7);
    EXPECT_EQ(frame().brake, 7);
    plugin.Dispose();
}

INSTANTIATE_TEST_SUITE_P(NoListOrAModuleWithoutElapse, ChainWithoutElapseTest, ::testing::Bool());

// Needs the plug-in's own frame: its panel, sound and command outputs.
TEST_F(ChainDriveTest, ThePluginsOwnOutputsReplaceWhatTheModulesWrote) {
    modules.add(kFullModule, "a").writes(22, 111, 200, SoundPlayOnce);
    modules.add(kFullModule, "b").writes(22, 777, 95, SoundContinue);
    modules.add(kFullModule, "c").returns({0, 0, 0, 5});
    ASSERT_NO_FATAL_FAILURE(startPlugin());
    plugin.Load();
    const HandleCommand command = frame();
    EXPECT_EQ(command.constantSpeed, 0);
    EXPECT_EQ(panel[22], 4000);      // the speed needle: 40 km/h without a table
    EXPECT_EQ(sound[95], SoundStop);  // every owned sound is stopped in the first frame
    EXPECT_EQ(sound[200], SoundPlayOnce);  // an index the plug-in does not own keeps the module's entry
    plugin.Dispose();
}

}  // namespace
