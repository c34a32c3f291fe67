#include "panel/curve.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace panel {

float interpolateCurve(float value, const CurveTable& table) {
    const std::size_t n = table.size();
    if (n == 0) return value;
    if (n == 1) return table[0].output;
    std::size_t i = 0;
    while (i < n && !(table[i].input >= value)) ++i;
    if (i == 0) {
        const CurvePoint& p0 = table[0];
        const CurvePoint& p1 = table[1];
        if (p1.input == p0.input) return p0.output;
        return (value - p1.input) * ((p0.output - p1.output) / (p0.input - p1.input)) + p1.output;
    }
    const std::size_t upper = i < n ? i : n - 1;
    const CurvePoint& a = table[upper - 1];
    const CurvePoint& b = table[upper];
    if (a.input == b.input) return b.output;
    return (a.output - b.output) / (a.input - b.input) * (value - b.input) + b.output;
}

void sortPoints(CurveTable& table) {
    if (table.empty()) return;
    std::stable_sort(table.begin(), table.end(),
                     [](const CurvePoint& a, const CurvePoint& b) { return a.input < b.input; });
    table.shrink_to_fit();
}

int32_t toPanelValue(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace panel
