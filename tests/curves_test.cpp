#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "config/curves.h"
#include "support/test_folder.h"

using testing_support::TestFolder;

namespace {

using Steps = std::vector<uint64_t>;
using Points = std::vector<std::pair<float, float>>;

Steps selectFrom(config::Fields line) {
    line.insert(line.begin(), u"RequiredNotch_Up");
    Steps steps;
    config::selectPowerSteps(line, steps);
    return steps;
}

std::vector<Points> loadCurves(const std::string& bytes, const Steps& columns) {
    TestFolder folder;
    config::LoadReport report;
    std::vector<panel::CurveTable> curves(9);
    config::loadCurrentCurves(folder.write("c.csv", bytes), curves, columns, report);
    std::vector<Points> result;
    for (const panel::CurveTable& curve : curves) {
        result.emplace_back();
        for (const panel::CurvePoint& point : curve) result.back().emplace_back(point.input, point.output);
    }
    return result;
}

}  // namespace

TEST(SelectPowerSteps, PicksTheStepsAroundEachRiseOfTheRequiredNotch) {
    EXPECT_EQ(selectFrom({u"1", u"1", u"1", u"2", u"2", u"2", u"3", u"3", u"3", u"4", u"4", u"4"}),
              (Steps{6, 7, 8, 9, 10, 11, 11, 12}));
    EXPECT_EQ(selectFrom({u"1", u"2", u"3", u"3", u"4", u"4", u"4", u"4", u"4"}), (Steps{2, 3, 4, 4, 5, 6, 8, 9}));
    EXPECT_EQ(selectFrom({u"1", u"2", u"3", u"4"}), (Steps{2, 3, 4, 3, 4, 3, 4}));
    EXPECT_EQ(selectFrom({u"3", u"3", u"4"}), (Steps{0, 1, 2, 2, 3, 2, 3}));
    EXPECT_EQ(selectFrom({u"1", u"1", u"2", u"2"}), (Steps{3, 4}));
    EXPECT_EQ(selectFrom({}), (Steps{0}));
    Steps appended{42};
    config::selectPowerSteps({u"RequiredNotch_Up", u"1"}, appended);
    EXPECT_EQ(appended, (Steps{42, 0, 1}));
}

TEST(SelectPowerSteps, EveryValueMustBeAnInteger) {
    EXPECT_THROW(selectFrom({u"1", u"x"}), std::invalid_argument);
    EXPECT_THROW(selectFrom({u"1", u""}), std::invalid_argument);
    EXPECT_THROW(selectFrom({u"9999999999"}), std::out_of_range);
}

TEST(CurrentCurves, OneCurvePerColumnFromFilledCells) {
    const auto curves = loadCurves("0,1,2\n"  // header, never data
                                   "20,21,22\n"
                                   "10,,12 ; step 1 empty here\n"
                                   "30,31\n"
                                   "\n"
                                   "10,11,13\n",
                                   {2, 1, 0, 2});
    ASSERT_EQ(curves.size(), 4u);
    EXPECT_EQ(curves[0], (Points{{10, 12}, {10, 13}, {20, 22}}));
    EXPECT_EQ(curves[1], (Points{{10, 11}, {20, 21}, {30, 31}}));
    EXPECT_EQ(curves[2], (Points{{10, 10}, {10, 10}, {20, 20}, {30, 30}}));
    EXPECT_EQ(curves[3], curves[0]);
}

TEST(CurrentCurves, MissingFileGivesEmptyCurves) {
    TestFolder folder;
    config::LoadReport report;
    std::vector<panel::CurveTable> curves{{{1, 1}}};
    config::loadCurrentCurves(folder.file("absent.csv"), curves, {3, 4, 5}, report);
    ASSERT_EQ(curves.size(), 3u);
    for (const auto& curve : curves) EXPECT_TRUE(curve.empty());
}

TEST(CurrentCurves, BadCellsRaiseOnlyWhenTheyAreRead) {
    EXPECT_EQ(loadCurves("h\nx,,\n", {1, 2})[0], Points{});  // no filled cell wanted: speed unread
    EXPECT_EQ(loadCurves("h\n5,1,x\n", {1})[0], (Points{{5, 1}}));
    EXPECT_THROW(loadCurves("h\n,1\n", {1}), std::invalid_argument);
    EXPECT_THROW(loadCurves("h\n5,1,x\n", {2}), std::invalid_argument);
    EXPECT_THROW(loadCurves("h\n5,1e40\n", {1}), std::out_of_range);
}

TEST(BrakeCurves, ColumnsOneToTheStepCount) {
    TestFolder folder;
    config::LoadReport report;
    config::NotchConfig config;
    config.brakeStepCount = 3;
    config.brakeCurrentPath = folder.write("b.csv", "h\n10,1,2,3,4\n");
    config::loadBrakeCurves(config, report);
    ASSERT_EQ(config.brakeCurrentCurves.size(), 3u);
    EXPECT_EQ(config.brakeCurrentCurves[2][0].output, 3.0f);
}
