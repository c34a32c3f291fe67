#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "config/notch.h"
#include "support/test_folder.h"

using config::NotchConfig;
using testing_support::TestFolder;

namespace {

NotchConfig loadIndex(const TestFolder& folder, const std::string& text) {
    NotchConfig config;
    config::LoadReport report;
    config::loadNotchIndex(config, folder.write("notch/notch.txt", text), report);
    return config;
}

}  // namespace

TEST(NotchIndex, SectionsAndKeys) {
    TestFolder folder;
    const auto notch = folder.directory() / "notch" / "";
    const NotchConfig config = loadIndex(folder,
                                         "Params = before_header.txt\n"
                                         "  [power]  ; powering\n"
                                         "params = p.txt\n"
                                         "NoLoadCurrent = wrong_section.csv\n"
                                         "[ Power ]\n"
                                         "[Brake] x\n"
                                         "CURRENT = ..\\common\\pc.csv\n"
                                         "[BRAKE]\n"
                                         "Params = first.txt\n"
                                         "Params = b.txt # later line wins\n"
                                         "noloadcurrent = n.csv\n"
                                         "Current =\n");
    EXPECT_EQ(config.activeSection, config::BrakeSection);
    EXPECT_EQ(config.powerParamsPath, notch / "p.txt");
    EXPECT_EQ(config.powerCurrentPath, notch / ".." / "common" / "pc.csv");
    EXPECT_EQ(config.brakeParamsPath, notch / "b.txt");
    EXPECT_EQ(config.brakeNoLoadCurrentPath, notch / "n.csv");
    EXPECT_EQ(config.brakeCurrentPath, notch);
}

TEST(PowerParams, LastRequiredNotchLineSelectsTheSteps) {
    TestFolder folder;
    NotchConfig config;
    config::LoadReport report;
    config.powerParamsPath = folder.write("p.txt",
                                          "RequiredNotch_Up, 3, 3, 4\n"
                                          "requirednotch_up, 1, 1\n"
                                          "RequiredNotch_Up = 1, 2, 3 ; the key swallows the first value\n");
    config::loadPowerParams(config, report);
    EXPECT_EQ(config.powerCurveSteps, (std::vector<uint64_t>{1, 2, 1, 2}));
    EXPECT_EQ(config.powerCurrentCurves.size(), 4u);
}

TEST(PowerParams, BadValueIsReportedAtItsLine) {
    TestFolder folder;
    NotchConfig config;
    config::LoadReport report;
    config.powerParamsPath = folder.write("p.txt", "; powering\nRequiredNotch_Up, 1, two\nOther, 1\n\n");
    EXPECT_THROW(config::loadPowerParams(config, report), std::invalid_argument);
    EXPECT_EQ(report.currentFile, config.powerParamsPath);
    EXPECT_EQ(report.currentLine, 2);
}

TEST(BrakeParams, ReadsTheThreeKeys) {
    TestFolder folder;
    NotchConfig config;
    config::LoadReport report;
    config.brakeParamsPath = folder.write("b.txt",
                                          "BreakerDelay_On, 0.5\n"
                                          "BreakerDelay_On, 0.35 ; later line wins\n"
                                          "RequiredNotch_Up, x, y, z\n"
                                          "CurrentLimitingValue_Empty,360A\n");
    config::loadBrakeParams(config, report);
    EXPECT_EQ(config.breakerDelayOn, 0.35f);
    EXPECT_EQ(config.brakeStepCount, 3u);
    EXPECT_EQ(config.currentLimitingValueEmpty, 360.0f);
    config.brakeParamsPath = folder.write("b.txt", "RequiredNotch_Up,\nBreakerDelay_On 0.35\n");
    EXPECT_THROW(config::loadBrakeParams(config, report), std::out_of_range);
    EXPECT_EQ(config.brakeStepCount, 0u);
    EXPECT_EQ(report.currentLine, 2);
}

TEST(NoLoadCurrent, FirstRowWithThreeFieldsAndAFilledSecond) {
    TestFolder folder;
    NotchConfig config;
    config::LoadReport report;
    config.brakeNoLoadCurrentPath = folder.write("n.csv", "1,2,3\n0, 5\n\n0,,7\n0, 5, 7\n0, 6, 7\n");
    config::loadNoLoadCurrent(config, report);
    EXPECT_EQ(config.noLoadCurrent, 5.0f);
    config.brakeNoLoadCurrentPath = folder.write("n.csv", "h\n0, 5\n");
    config::loadNoLoadCurrent(config, report);
    EXPECT_EQ(config.noLoadCurrent, 5.0f);
}

TEST(NotchConfiguration, StartsAfreshAtEveryLoad) {
    TestFolder folder;
    folder.write("notch/notch.txt", "[Brake]\nParams = b.txt\nCurrent = b.csv\n");
    folder.write("notch/b.txt", "RequiredNotch_Up, 1, 2\nBreakerDelay_On, 2\n");
    folder.write("notch/b.csv", "h\n0,1,2\n");
    NotchConfig config;
    config.powerCurveSteps = {1};
    config.noLoadCurrent = 9;
    config::LoadReport report;
    for (int load = 0; load < 2; ++load) config::loadNotchConfiguration(config, folder.directory(), report);
    EXPECT_TRUE(config.powerCurveSteps.empty());
    EXPECT_TRUE(config.powerCurrentCurves.empty());
    EXPECT_EQ(config.noLoadCurrent, 0.0f);
    EXPECT_EQ(config.breakerDelayOn, 2.0f);
    ASSERT_EQ(config.brakeCurrentCurves.size(), 2u);
    EXPECT_EQ(config.brakeCurrentCurves[1].size(), 1u);
}
