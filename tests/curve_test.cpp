#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "panel/curve.h"

using panel::CurveTable;
using panel::interpolateCurve;

TEST(InterpolateCurve, EmptyAndOnePointTables) {
    EXPECT_EQ(interpolateCurve(7.5f, {}), 7.5f);
    const CurveTable onePoint{{10, 3}};
    EXPECT_EQ(interpolateCurve(-1e9f, onePoint), 3.0f);
    EXPECT_EQ(interpolateCurve(10, onePoint), 3.0f);
}

TEST(InterpolateCurve, InterpolatesInsideAndExtrapolatesOutside) {
    const CurveTable line{{0, 0}, {100, 50}};
    EXPECT_EQ(interpolateCurve(50, line), 25.0f);
    EXPECT_EQ(interpolateCurve(150, line), 75.0f);
    EXPECT_EQ(interpolateCurve(-20, line), -10.0f);
    const CurveTable bent{{0, 0}, {40, 4000}, {120, 11000}};
    EXPECT_EQ(interpolateCurve(40, bent), 4000.0f);
    EXPECT_EQ(interpolateCurve(60, bent), 5750.0f);
    EXPECT_EQ(interpolateCurve(130, bent), 11875.0f);
    EXPECT_EQ(interpolateCurve(-5, bent), -500.0f);
}

TEST(InterpolateCurve, EqualInputsPickTheirSegmentsEnd) {
    const CurveTable stepAtStart{{0, 0}, {0, 5}, {10, 10}};
    EXPECT_EQ(interpolateCurve(-1, stepAtStart), 0.0f);
    EXPECT_EQ(interpolateCurve(0, stepAtStart), 0.0f);
    EXPECT_EQ(interpolateCurve(5, stepAtStart), 7.5f);
    const CurveTable stepAtEnd{{0, 0}, {10, 10}, {10, 20}};
    EXPECT_EQ(interpolateCurve(10, stepAtEnd), 10.0f);
    EXPECT_EQ(interpolateCurve(11, stepAtEnd), 20.0f);
    const CurveTable stepInside{{0, 0}, {5, 1}, {5, 9}, {10, 10}};
    EXPECT_EQ(interpolateCurve(5, stepInside), 1.0f);
    EXPECT_EQ(interpolateCurve(6, stepInside), 9.2f);
}

TEST(InterpolateCurve, SinglePrecisionAnchoredOnTheLaterPoint) {
    // Anchored on the earlier point, or computed in double, this gives
    // 0.739466727 instead.
    const CurveTable table{{0.1f, 0.3f}, {0.7f, 1.9f}};
    EXPECT_EQ(interpolateCurve(0.2648f, table), 0.739466667f);
}

TEST(InterpolateCurve, NotANumberFallsPastTheLastPoint) {
    const CurveTable table{{0, 0}, {10, 10}, {10, 20}};
    EXPECT_EQ(interpolateCurve(std::nanf(""), table), 20.0f);
}

TEST(CurvePoints, SortStablyByInputAndPanelValuesTruncate) {
    CurveTable table{{5, 1}, {0, 2}, {5, 3}, {-1, 4}};
    panel::sortPoints(table);
    const float outputs[] = {4, 2, 1, 3};
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].output, outputs[i]);
    EXPECT_EQ(panel::toPanelValue(-390.8f), -390);
    EXPECT_EQ(panel::toPanelValue(1e20f), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(panel::toPanelValue(-1e20f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(panel::toPanelValue(std::nanf("")), 0);
}
