// A polyline through (input, output) points, looked up with linear
// interpolation inside and linear extrapolation outside. Serves the notch
// current curves (speed to current) and the needle calibration tables.
#pragma once

#include <cstdint>
#include <vector>

namespace panel {

struct CurvePoint {
    float input;
    float output;
};
static_assert(sizeof(CurvePoint) == 8);

// Points in ascending order of input; several may share one input.
using CurveTable = std::vector<CurvePoint>;

// Single-precision lookup, in the order of operations the dials were
// calibrated with: an empty table returns `value`, a one-point table its
// output; outside the table the first or last segment is extended. Each
// segment's formula is anchored on its point of larger index. NaN falls
// past the last point.
float interpolateCurve(float value, const CurveTable& table);

// Sorts a table read from a file into ascending order of input, keeping
// points with equal inputs in the order they were read, and releases its
// spare capacity.
void sortPoints(CurveTable& table);

// Float to panel value: truncation toward zero, saturating at the int32
// bounds; NaN gives 0.
int32_t toPanelValue(float value);

}  // namespace panel
