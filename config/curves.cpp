#include "config/curves.h"

#include <optional>

namespace config {

namespace {
// Adds one row's points: for each wanted column with a filled cell, the
// speed of the row against that cell. The speed is converted only when a
// cell needs it, so a row whose cells are all empty never fails.
void addRow(const Fields& fields, const std::vector<uint64_t>& columns, std::vector<panel::CurveTable>& curves) {
    std::optional<float> speed;
    for (std::size_t j = 0; j < columns.size(); ++j) {
        const uint64_t column = columns[j];
        if (column >= fields.size() || fields[column].empty()) continue;
        if (!speed) speed = toFloat(fields[0]);
        curves[j].push_back({*speed, toFloat(fields[column])});
    }
}
}  // namespace

void selectPowerSteps(const Fields& requiredNotchLine, std::vector<uint64_t>& steps) {
    const uint64_t n = requiredNotchLine.empty() ? 0 : requiredNotchLine.size() - 1;
    int32_t runningNotch = 2;
    for (uint64_t i = 1; i <= n; ++i) {
        const int32_t required = toInt(requiredNotchLine[i]);
        if (required <= runningNotch) continue;
        steps.push_back(i - 1);
        steps.push_back(i);
        if (i < n) steps.push_back(i + 1);
        runningNotch = required;
    }
    if (n >= 1) steps.push_back(n - 1);
    steps.push_back(n);
}

void loadCurrentCurves(const std::filesystem::path& path, std::vector<panel::CurveTable>& curves,
                       const std::vector<uint64_t>& columns, LoadReport& report) {
    curves.clear();
    curves.resize(columns.size());
    readTableRows(path, report, [&](const Fields& fields) {
        addRow(fields, columns, curves);
        return RowOutcome::KeepReading;
    });
    for (panel::CurveTable& curve : curves) panel::sortPoints(curve);
    curves.shrink_to_fit();
}

void loadBrakeCurves(NotchConfig& config, LoadReport& report) {
    std::vector<uint64_t> columns(config.brakeStepCount);
    for (uint64_t step = 1; step <= config.brakeStepCount; ++step) columns[step - 1] = step;
    loadCurrentCurves(config.brakeCurrentPath, config.brakeCurrentCurves, columns, report);
}

}  // namespace config
