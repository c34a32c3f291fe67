#include "panel/needles.h"

#include "config/text.h"

namespace panel {

void loadNeedleTable(const std::filesystem::path& path, CurveTable& table, config::LoadReport& report) {
    table.clear();
    config::readTableRows(path, report, [&table](const config::Fields& fields) {
        const config::Text& outputField = config::fieldAt(fields, 1);
        if (outputField.empty()) return config::RowOutcome::KeepReading;
        const float input = config::toFloat(fields[0]);
        table.push_back({input, config::toFloat(outputField)});
        return config::RowOutcome::KeepReading;
    });
    sortPoints(table);
}

void loadNeedleTables(NeedleTables& tables, const std::filesystem::path& pluginDirectory,
                      config::LoadReport& report) {
    const std::filesystem::path folder = pluginDirectory / "NeedleTable";
    loadNeedleTable(folder / "Pressure.csv", tables.pressureTable, report);
    loadNeedleTable(folder / "Speed.csv", tables.speedTable, report);
    loadNeedleTable(folder / "Current.csv", tables.currentTable, report);
    loadNeedleTable(folder / "Voltage.csv", tables.voltageTable, report);
}

}  // namespace panel
