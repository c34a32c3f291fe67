// The example detail module, loaded as the plug-in loads it.
#include <gtest/gtest.h>

#include <array>

#include "plugin/entry_points.h"
#include "support/test_folder.h"
#include "tools/plugin_library.h"

namespace {

TEST(ExampleModule, PassesTheHandlesOnAndAsksForTheDoorLampWhileTheDoorsAreOpen) {
    tools::PluginLibrary library;
    std::string reason;
    ASSERT_TRUE(tools::openPluginLibrary(testing_support::buildOutputFolder() / ORVALIS_EXAMPLE_MODULE_FILE, library,
                                         reason))
        << reason;
    const host::EntryPoints& module = library.entryPoints;
    EXPECT_EQ(module.GetPluginVersion(), PluginInterfaceVersion);
    EXPECT_EQ(plugin::missingEntryPoints(module).size(), 9u);  // a module exports only what it needs
    ASSERT_NE(module.Elapse, nullptr);

    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    module.SetPower(3);
    module.SetBrake(2);
    module.SetReverser(-1);
    const HandleCommand command = module.Elapse(VehicleState{}, panel.data(), sound.data());
    EXPECT_EQ(command.power, 3);
    EXPECT_EQ(command.brake, 2);
    EXPECT_EQ(command.reverser, -1);
    EXPECT_EQ(command.constantSpeed, 0);
    EXPECT_EQ(panel[3], 1);  // the doors count as open until closed
    module.DoorClose();
    module.Elapse(VehicleState{}, panel.data(), sound.data());
    EXPECT_EQ(panel[3], 0);
    module.DoorOpen();
    module.Elapse(VehicleState{}, panel.data(), sound.data());
    EXPECT_EQ(panel[3], 1);
    tools::closePluginLibrary(library);
}

}  // namespace
