#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "panel/curve.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

using panel::interpolateCurve;
using testing_support::TestFolder;

namespace {

// A copy of the sample vehicle without its module list, so that only the
// configuration is read.
void copySampleVehicle(const TestFolder& folder) {
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    std::filesystem::remove(folder.file("detailmodulesx64.txt"));
}

void loadFrom(plugin::Plugin& plugin, const TestFolder& folder) {
    plugin.directory = folder.directory();
    plugin::load(plugin);
}

bool wasRead(const config::LoadReport& report, const std::string& fileName, bool found = false) {
    return std::any_of(report.files.begin(), report.files.end(), [&](const config::FileNote& note) {
        return note.path.filename() == fileName && (note.found || !found);
    });
}

void expectSampleVehicle(const plugin::Plugin& plugin) {
    const config::NotchConfig& notch = plugin.notch;
    EXPECT_EQ(notch.powerCurveSteps, (std::vector<uint64_t>{6, 7, 8, 9, 10, 11, 11, 12}));
    ASSERT_EQ(notch.powerCurrentCurves.size(), 8u);
    for (const panel::CurveTable& curve : notch.powerCurrentCurves) EXPECT_EQ(curve.size(), 21u);
    EXPECT_FLOAT_EQ(interpolateCurve(52.5f, notch.powerCurrentCurves[1]), 214.75f);  // step 7
    EXPECT_FLOAT_EQ(interpolateCurve(62.5f, notch.powerCurrentCurves[4]), 326.9f);   // step 10
    EXPECT_EQ(notch.brakeStepCount, 6u);
    ASSERT_EQ(notch.brakeCurrentCurves.size(), 6u);
    EXPECT_FLOAT_EQ(interpolateCurve(12.5f, notch.brakeCurrentCurves[4]), 175.0f);  // step 5
    // Below 5 km/h step 4 has faded out while step 5 still regenerates.
    EXPECT_EQ(interpolateCurve(3.0f, notch.brakeCurrentCurves[3]), 0.0f);
    EXPECT_GT(interpolateCurve(3.0f, notch.brakeCurrentCurves[4]), 0.0f);
    EXPECT_EQ(notch.breakerDelayOn, 0.35f);
    EXPECT_EQ(notch.currentLimitingValueEmpty, 360.0f);
    EXPECT_EQ(notch.noLoadCurrent, 18.5f);

    const panel::NeedleTables& needles = plugin.needles;
    EXPECT_EQ(needles.pressureTable.size(), 5u);
    EXPECT_FLOAT_EQ(interpolateCurve(60, needles.speedTable), 60.5f);
    EXPECT_FLOAT_EQ(interpolateCurve(300, needles.currentTable), 307.5f);
    EXPECT_FLOAT_EQ(interpolateCurve(1400, needles.voltageTable), 1395.0f);

    const config::LoadReport& report = plugin.report;
    EXPECT_FALSE(report.failure) << config::describeFailure(*report.failure);
    for (const char* name : {"notch.txt", "power_params.txt", "brake_params.txt", "power_current.csv",
                             "brake_current.csv", "noload_current.csv", "Pressure.csv", "Speed.csv",
                             "Current.csv", "Voltage.csv"})
        EXPECT_TRUE(wasRead(report, name, true)) << name;
}

}  // namespace

TEST(VehicleLoad, ReadsTheSampleVehicle) {
    TestFolder folder(u"vehicle");
    copySampleVehicle(folder);
    plugin::Plugin plugin;
    loadFrom(plugin, folder);
    expectSampleVehicle(plugin);
    loadFrom(plugin, folder);  // a second Load gives the same configuration
    expectSampleVehicle(plugin);
}

TEST(VehicleLoad, ReadsAVehicleInAFolderWithAJapaneseName) {
    TestFolder folder(u"\u8ECA\u4E21\u30C7\u30FC\u30BF");
    copySampleVehicle(folder);
    plugin::Plugin plugin;
    loadFrom(plugin, folder);
    expectSampleVehicle(plugin);
}

TEST(VehicleLoad, BrokenNeedleTableStopsLoadThere) {
    TestFolder folder(u"vehicle");
    copySampleVehicle(folder);
    folder.write("NeedleTable/Speed.csv", "speed,needle\n0,0\n40,needle\n80,80.6\n");
    plugin::Plugin plugin;
    loadFrom(plugin, folder);
    ASSERT_TRUE(plugin.report.failure);
    const config::LoadFailure& failure = *plugin.report.failure;
    EXPECT_EQ(failure.file, folder.directory() / "NeedleTable" / "Speed.csv");
    EXPECT_EQ(failure.line, 3);
    EXPECT_EQ(failure.kind, "invalid argument");
    EXPECT_EQ(failure.message, "invalid stof argument");
    EXPECT_EQ(plugin.needles.pressureTable.size(), 5u);
    EXPECT_EQ(plugin.needles.speedTable.size(), 1u);
    EXPECT_TRUE(plugin.needles.currentTable.empty() && plugin.needles.voltageTable.empty());
    EXPECT_FALSE(wasRead(plugin.report, "Current.csv") || wasRead(plugin.report, "Voltage.csv"));
}

TEST(VehicleLoad, NotchErrorNamesTheRequiredNotchLine) {
    TestFolder folder(u"vehicle");
    copySampleVehicle(folder);
    folder.write("notch/power_params.txt", "; powering\nRequiredNotch_Up, 1, 2, three\n\n; end\n");
    plugin::Plugin plugin;
    loadFrom(plugin, folder);
    ASSERT_TRUE(plugin.report.failure);
    EXPECT_EQ(plugin.report.failure->file.filename(), "power_params.txt");
    EXPECT_EQ(plugin.report.failure->line, 2);
    EXPECT_EQ(plugin.report.failure->message, "invalid stoi argument");
    EXPECT_FALSE(wasRead(plugin.report, "brake_params.txt") || wasRead(plugin.report, "Pressure.csv"));
}
