#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <filesystem>
#include <limits>

#include "panel/outputs.h"
#include "plugin/abi.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

using testing_support::TestFolder;

class PanelOutputsTest : public ::testing::Test {
protected:
    void frame(panel::NeedleInputs inputs = {}) {
        panel::updatePanelOutputs(adjust, tables, inputs, panel.data());
    }
    void keys(int32_t key, int times) {
        for (int i = 0; i < times; ++i) panel::adjustKeyDown(adjust, key);
    }
    std::array<int32_t, 4> digits() const { return {panel[220], panel[221], panel[222], panel[223]}; }

    panel::PanelAdjustState adjust;
    panel::NeedleTables tables;
    std::array<int32_t, PanelArraySize> panel{};
};

using Digits = std::array<int32_t, 4>;

TEST_F(PanelOutputsTest, NeedlesThroughTheirTables) {
    frame({60.5f, 250.9f, 390.8f, -10.7f, 1499.9f});  // empty tables: the raw quantities
    EXPECT_EQ(panel[22], 6050);
    EXPECT_EQ(panel[26], 250);
    EXPECT_EQ(panel[130], 390);
    EXPECT_EQ(panel[133], -10);
    EXPECT_EQ(panel[232], 1499);

    tables.pressureTable = {{0, 0}, {100, 50}};
    tables.speedTable = {{0, 0}, {40, 20}};
    tables.currentTable = {{0, 0}, {200, 400}};
    tables.voltageTable = {{1000, 500}, {2000, 1500}};
    frame({40, 100, 50, 150, 1400});
    EXPECT_EQ(panel[22], 2000);
    EXPECT_EQ(panel[26], 200);
    EXPECT_EQ(panel[130], 25);
    EXPECT_EQ(panel[133], 75) << "one table for both pressures, extrapolated";
    EXPECT_EQ(panel[232], 900);
    EXPECT_EQ(digits(), (Digits{10, 10, 10, 10}));
}

TEST_F(PanelOutputsTest, OutOfRangeValuesSaturateAndNaNGivesZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    tables.pressureTable = {{0, 0}, {1, -1e30f}};  // a steep calibration segment
    frame({1e30f, nan, 5, nan, 3e9f});
    EXPECT_EQ(panel[22], INT_MAX);
    EXPECT_EQ(panel[26], 0);
    EXPECT_EQ(panel[130], INT_MIN);
    EXPECT_EQ(panel[133], 0);
    EXPECT_EQ(panel[232], INT_MAX);
}

TEST_F(PanelOutputsTest, ModeOffIgnoresTheKeys) {
    keys(0, 3);
    keys(5, 2);
    frame();
    EXPECT_EQ(adjust.target, 0);
    EXPECT_EQ(adjust.testValue, 0);
    EXPECT_EQ(digits(), (Digits{10, 10, 10, 10}));
}

TEST_F(PanelOutputsTest, SelectingAndSteppingATarget) {
    adjust.enabled = true;
    keys(5, 2);
    panel[132] = -7;
    frame();
    EXPECT_EQ(adjust.testValue, 0) << "target 0 does not step";
    EXPECT_EQ(digits(), (Digits{10, 10, 10, 10}));

    keys(0, 3);
    keys(5, 4);
    frame();
    EXPECT_EQ(adjust.target, 3);
    EXPECT_EQ(panel[132], 40);
    EXPECT_EQ(digits(), (Digits{0, 0, 4, 0}));

    keys(0, 2);
    adjust.testValue = 12000;
    frame({30, 0, 0, 0, 0});
    EXPECT_EQ(panel[22], 12000) << "the speed needle forced, in hundredths";
    EXPECT_EQ(digits(), (Digits{0, 1, 2, 0}));
    keys(6, 1);
    EXPECT_EQ(adjust.testValue, 11900);

    keys(0, 2);
    EXPECT_EQ(adjust.target, 7);
    keys(5, 1);
    keys(0, 1);
    EXPECT_EQ(adjust.target, 0);
    EXPECT_EQ(adjust.testValue, 0);
    keys(0, 1);
    adjust.testValue = 12345;
    frame();
    EXPECT_EQ(digits(), (Digits{2, 3, 4, 5}));
}

TEST_F(PanelOutputsTest, ASteppedBelowZeroValueReachesTheNeedleOnce) {
    adjust = {true, 1, 0};
    keys(6, 1);
    frame({0, 0, 300, 0, 0});
    EXPECT_EQ(panel[130], -10);
    EXPECT_EQ(adjust.testValue, 0);
    EXPECT_EQ(digits(), (Digits{0, 0, 0, 0}));
    frame({0, 0, 300, 0, 0});
    EXPECT_EQ(panel[130], 0);
}

TEST_F(PanelOutputsTest, TestValueSaturatesAtTheInt32Bounds) {
    adjust = {true, 1, INT_MAX - 5};
    keys(5, 3);
    EXPECT_EQ(adjust.testValue, INT_MAX);
    frame();
    EXPECT_EQ(digits(), (Digits{3, 6, 4, 7}));
    adjust.target = 5;
    keys(5, 1);
    EXPECT_EQ(adjust.testValue, INT_MAX);
    frame();
    EXPECT_EQ(digits(), (Digits{4, 8, 3, 6}));
    adjust.testValue = INT_MIN + 50;
    keys(6, 2);
    EXPECT_EQ(adjust.testValue, INT_MIN);
}

TEST(AdjustMode, PresenceOfTheSwitchFile) {
    TestFolder folder(u"adjust");
    panel::PanelAdjustState adjust;
    panel::checkAdjustMode(adjust, folder.directory());
    EXPECT_FALSE(adjust.enabled);
    folder.write("PanelModify.txt", "");
    panel::checkAdjustMode(adjust, folder.directory());
    EXPECT_TRUE(adjust.enabled);
    std::filesystem::remove(folder.file("PanelModify.txt"));
    std::filesystem::create_directory(folder.file("PanelModify.txt"));
    panel::checkAdjustMode(adjust, folder.directory());
    EXPECT_TRUE(adjust.enabled) << "a folder of that name counts";
}

TEST(AdjustMode, AFailedExistenceTestLeavesTheModeOff) {
    TestFolder folder(u"adjust loop");
    std::error_code error;
    std::filesystem::create_directory_symlink("loop", folder.file("loop"), error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    panel::PanelAdjustState adjust{true, 2, 30};
    EXPECT_THROW(panel::checkAdjustMode(adjust, folder.file("loop") / ""), std::filesystem::filesystem_error);
    EXPECT_FALSE(adjust.enabled);
}

TEST(AdjustMode, EndToEndThroughLoadKeysAndFrames) {
    TestFolder folder(u"adjust vehicle");
    folder.write("PanelModify.txt", "");
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    ASSERT_TRUE(plugin.adjust.enabled);

    for (int i = 0; i < 6; ++i) plugin::keyDown(plugin, 0, false);
    for (int i = 0; i < 3; ++i) plugin::keyDown(plugin, 5, false);
    plugin::keyDown(plugin, 5, true);  // Shift held: no step
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    VehicleState vehicle{};
    vehicle.time = 16;
    vehicle.current = 120;
    plugin::elapse(plugin, vehicle, panel.data(), sound.data());
    EXPECT_EQ(panel[26], 30) << "the current needle forced";
    EXPECT_EQ((Digits{panel[220], panel[221], panel[222], panel[223]}), (Digits{0, 0, 3, 0}));

    std::filesystem::remove(folder.file("PanelModify.txt"));
    plugin::load(plugin);
    EXPECT_FALSE(plugin.adjust.enabled);
    plugin::keyDown(plugin, 0, false);
    folder.write("PanelModify.txt", "");
    plugin::load(plugin);
    EXPECT_TRUE(plugin.adjust.enabled);
    EXPECT_EQ(plugin.adjust.target, 6);
    EXPECT_EQ(plugin.adjust.testValue, 30);
}

}  // namespace
