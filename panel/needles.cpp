#include "panel/needles.h"

#include "config/text.h"

namespace panel {

void loadNeedleTable(const std::filesystem::path& path, CurveTable& table, config::LoadReport& report) {
    table.clear();
    config::ConfigFile file(path, report);
    if (file.isOpen()) {
        config::Text line;
        config::Fields fields;
        file.readLine(line);  // header
        while (!file.atEnd()) {
            file.readLine(line);
            config::stripComment(line);
            if (line.empty()) continue;
            config::splitFields(line, fields);
            const config::Text& outputField = config::fieldAt(fields, 1);
            if (outputField.empty()) continue;
            const float input = config::toFloat(fields[0]);
            table.push_back({input, config::toFloat(outputField)});
        }
    }
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
