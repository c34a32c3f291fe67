#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "panel/needles.h"
#include "support/test_folder.h"

using panel::CurveTable;
using testing_support::TestFolder;

namespace {

using Points = std::vector<std::pair<float, float>>;

Points pointsOf(const CurveTable& table) {
    Points points;
    for (const panel::CurvePoint& point : table) points.emplace_back(point.input, point.output);
    return points;
}

// Loads a needle table from a file holding exactly `bytes`; an error is
// recorded in the report as Load records it.
Points loadBytes(const std::string& bytes, config::LoadReport& report) {
    TestFolder folder;
    CurveTable table{{99, 99}};
    try {
        panel::loadNeedleTable(folder.write("NeedleTable/Speed.csv", bytes), table, report);
    } catch (const std::exception& error) {
        config::recordFailure(report, error);
    }
    return pointsOf(table);
}

Points loadBytes(const std::string& bytes) {
    config::LoadReport report;
    return loadBytes(bytes, report);
}

// The message and line of the error that loading `bytes` raises.
std::pair<std::string, int> errorOf(const std::string& bytes) {
    config::LoadReport report;
    loadBytes(bytes, report);
    if (!report.failure) return {"no error", 0};
    return {report.failure->message, report.failure->line};
}

}  // namespace

TEST(NeedleTable, ReadsRowsAfterTheHeader) {
    EXPECT_EQ(loadBytes(""), Points{});
    EXPECT_EQ(loadBytes("1,2"), Points{});  // the header, however numeric
    EXPECT_EQ(loadBytes("\xEF\xBB\xBF" "speed,needle\n0,0"), (Points{{0, 0}}));
    EXPECT_EQ(loadBytes("h\n5,10,99\n 12.5 , 30 ; note\n12km,30\n"), (Points{{5, 10}, {12, 30}, {12.5f, 30}}));
    EXPECT_EQ(loadBytes("h\r\n1,2\r\n\r\n# c\r\n3,4"), (Points{{1, 2}, {3, 4}}));
    EXPECT_EQ(loadBytes("h\n5, \n5,,7\n6,\t\n"), Points{});  // empty second fields add nothing
    EXPECT_EQ(loadBytes(std::string("h\n1\0,2", 6)), (Points{{1, 2}}));
}

TEST(NeedleTable, SortsByInputKeepingFileOrderForEqualInputs) {
    EXPECT_EQ(loadBytes("h\n30,3\n10,1\n20,2\n10,9"), (Points{{10, 1}, {10, 9}, {20, 2}, {30, 3}}));
}

TEST(NeedleTable, BadRowsRaiseTheStandardErrorsAtTheirLine) {
    using Error = std::pair<std::string, int>;
    EXPECT_EQ(errorOf("h\n0,0\n5,"), (Error{"invalid vector subscript", 3}));
    EXPECT_EQ(errorOf("h\n5"), (Error{"invalid vector subscript", 2}));
    EXPECT_EQ(errorOf("h\n   "), (Error{"invalid vector subscript", 2}));
    EXPECT_EQ(errorOf("h\n  ; note"), (Error{"invalid vector subscript", 2}));
    EXPECT_EQ(errorOf("h\n,5"), (Error{"invalid stof argument", 2}));
    EXPECT_EQ(errorOf("h\n5,x"), (Error{"invalid stof argument", 2}));
    EXPECT_EQ(errorOf("h\n1e39,5"), (Error{"stof argument out of range", 2}));
    EXPECT_EQ(errorOf("h\n\xFF\xFE,1"), (Error{"invalid stof argument", 2}));
    EXPECT_EQ(errorOf(std::string("h\n\0,2", 5)), (Error{"invalid stof argument", 2}));
}

TEST(NeedleTable, KeepsRowsReadBeforeAnErrorUnsorted) {
    config::LoadReport report;
    EXPECT_EQ(loadBytes("h\n10,1\n0,0\nbad,1\n5,5", report), (Points{{10, 1}, {0, 0}}));
    ASSERT_TRUE(report.failure);
    EXPECT_EQ(report.failure->line, 4);
}

TEST(NeedleTable, MissingFileOrFolderEmptiesTheTable) {
    TestFolder folder;
    config::LoadReport report;
    CurveTable table{{1, 1}};
    panel::loadNeedleTable(folder.file("absent.csv"), table, report);
    EXPECT_TRUE(table.empty());
    table = {{1, 1}};
    panel::loadNeedleTable(folder.write("Speed.csv/inside.txt", "").parent_path(), table, report);
    EXPECT_TRUE(table.empty());
    EXPECT_FALSE(report.files.at(0).found || report.files.at(1).found);
}

TEST(NeedleTable, SurvivesGarbage) {
    std::string garbage = "h\n";
    uint32_t seed = 7;
    for (int i = 0; i < 100'000; ++i) garbage += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    loadBytes(garbage);  // a standard error or none, but no crash
    EXPECT_EQ(loadBytes("h\n1," + std::string(1'000'000, ' ') + "2"), (Points{{1, 2}}));
}
