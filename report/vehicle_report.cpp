#include "report/vehicle_report.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <limits>
#include <sstream>

#include "config/text.h"
#include "diagnose/diagnose.h"
#include "messages/messages.h"
#include "report/json.h"
#include "report/page.h"

namespace report {

namespace {

// One data row of a table as the plug-in's number reader takes it: field 0
// the input, then the outputs; NaN where a field holds no number.
struct TablePoint {
    int row = 0;   // from 1, counting the rows the reader hands over
    int line = 0;  // of the file, from 1
    std::vector<float> values;
};

struct Table {
    std::string file;
    std::size_t columns = 0;
    std::vector<uint64_t> selected;
    std::vector<TablePoint> points;
};

// The file as the findings and the tables both name it: relative to the
// vehicle folder with '/' where it lies inside, the full path otherwise.
std::string shownFile(const std::filesystem::path& file, const std::filesystem::path& folder) {
    const std::filesystem::path relative = file.lexically_normal().lexically_relative(folder.lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return file.u8string();
    return relative.generic_u8string();
}

float numberOrNan(const config::Text& field) {
    try {
        return config::toFloat(field);
    } catch (const std::exception&) {
        return std::numeric_limits<float>::quiet_NaN();
    }
}

// Reads a table the way the plug-in's readers cut it into rows and fields.
// False when the file is not there.
bool readTable(const std::filesystem::path& path, const std::filesystem::path& folder, Table& table) {
    std::error_code status;
    if (!std::filesystem::is_regular_file(path, status)) return false;
    table.file = shownFile(path, folder);
    config::LoadReport report;
    int row = 0;
    try {
        config::readTableRows(path, report, [&](const config::Fields& fields) {
            TablePoint point;
            point.row = ++row;
            point.line = report.currentLine;
            for (const config::Text& field : fields) point.values.push_back(numberOrNan(field));
            table.columns = std::max(table.columns, point.values.size());
            if (!point.values.empty() && !std::isnan(point.values[0])) table.points.push_back(std::move(point));
            return config::RowOutcome::KeepReading;
        });
    } catch (const std::exception&) {
        // What was read before a broken line is still shown; the check names the line.
    }
    std::stable_sort(table.points.begin(), table.points.end(),
                     [](const TablePoint& a, const TablePoint& b) { return a.values[0] < b.values[0]; });
    return true;
}

void writeTable(std::ostream& out, const Table& table) {
    out << "{\"file\":" << jsonString(table.file) << ",\"columns\":" << table.columns << ",\"selected\":[";
    for (std::size_t k = 0; k < table.selected.size(); ++k) out << (k ? "," : "") << table.selected[k];
    out << "],\"points\":[";
    for (std::size_t p = 0; p < table.points.size(); ++p) {
        const TablePoint& point = table.points[p];
        out << (p ? "," : "") << "{\"row\":" << point.row << ",\"line\":" << point.line << ",\"values\":[";
        for (std::size_t k = 0; k < table.columns; ++k) {
            if (k) out << ',';
            writeJsonNumber(out, k < point.values.size() ? point.values[k] : std::nan(""), 3);
        }
        out << "]}";
    }
    out << "]}";
}

const char* outcomeName(config::ModuleOutcome outcome) {
    switch (outcome) {
        case config::ModuleOutcome::Loaded: return "loaded";
        case config::ModuleOutcome::Absent: return "absent";
        case config::ModuleOutcome::NotALibrary: return "not a library";
    }
    return "";
}

void writeFinding(std::ostream& out, const diagnose::Finding& finding, const std::filesystem::path& folder) {
    out << "{\"severity\":\"" << diagnose::severityWord(finding.severity) << "\",\"file\":"
        << jsonString(finding.file.empty() ? std::string() : shownFile(finding.file, folder))
        << ",\"line\":" << finding.line << ",\"column\":" << finding.column
        << ",\"field\":" << jsonString(finding.field)
        << ",\"found\":" << jsonString(finding.found) << ",\"message\":" << jsonString(finding.message)
        << ",\"fix\":" << jsonString(finding.fix) << ",\"rows\":[";
    for (std::size_t k = 0; k < finding.rows.size(); ++k) out << (k ? "," : "") << finding.rows[k];
    out << "],\"path\":" << jsonString(finding.file.u8string()) << '}';
}

std::vector<Table> curveTables(const plugin::Plugin& loaded) {
    std::vector<Table> tables;
    const config::NotchConfig& notch = loaded.notch;
    Table power;
    power.selected = notch.powerCurveSteps;
    if (!notch.powerCurrentPath.empty() && readTable(notch.powerCurrentPath, loaded.directory, power))
        tables.push_back(std::move(power));
    Table brake;
    for (uint64_t step = 1; step <= notch.brakeStepCount; ++step) brake.selected.push_back(step);
    if (!notch.brakeCurrentPath.empty() && readTable(notch.brakeCurrentPath, loaded.directory, brake))
        tables.push_back(std::move(brake));
    return tables;
}

std::vector<Table> needleTables(const plugin::Plugin& loaded) {
    std::vector<Table> tables;
    for (const char* name : {"Pressure.csv", "Speed.csv", "Current.csv", "Voltage.csv"}) {
        Table table;
        table.selected = {1};
        if (readTable(loaded.directory / "NeedleTable" / name, loaded.directory, table)) {
            table.columns = std::min<std::size_t>(table.columns, 2);  // fields after the second are ignored
            tables.push_back(std::move(table));
        }
    }
    return tables;
}

void writeTables(std::ostream& out, const char* name, const std::vector<Table>& tables) {
    out << ",\"" << name << "\":[";
    for (std::size_t k = 0; k < tables.size(); ++k) {
        if (k) out << ',';
        writeTable(out, tables[k]);
    }
    out << ']';
}

}  // namespace

std::string vehicleReportJson(const plugin::Plugin& loaded, const std::vector<diagnose::Finding>& findings) {
    const std::filesystem::path& folder = loaded.directory;
    std::ostringstream out;
    out << "{\"kind\":\"vehicle\",\"texts\":" << pageTexts()
        << ",\"vehicle\":{\"folder\":" << jsonString(folder.u8string())
        << ",\"failure\":"
        << (loaded.report.failure ? jsonString(config::describeFailure(*loaded.report.failure)) : std::string("null"));
    writeTables(out, "curves", curveTables(loaded));
    writeTables(out, "needles", needleTables(loaded));
    out << ",\"modules\":[";
    for (std::size_t k = 0; k < loaded.report.modules.size(); ++k) {
        const config::ModuleNote& module = loaded.report.modules[k];
        out << (k ? "," : "") << "{\"line\":" << module.line
            << ",\"path\":" << jsonString(shownFile(module.path, folder))
            << ",\"outcome\":\"" << outcomeName(module.outcome) << "\",\"reason\":" << jsonString(module.reason) << '}';
    }
    out << "]},\"findings\":[";
    for (std::size_t k = 0; k < findings.size(); ++k) {
        if (k) out << ',';
        writeFinding(out, findings[k], folder);
    }
    out << "]}";
    return out.str();
}

std::string writeVehicleReport(const plugin::Plugin& loaded, const std::vector<diagnose::Finding>& findings,
                               const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return messages::tr("the file cannot be written");
    writePageStart(out, loaded.directory.u8string());
    out << vehicleReportJson(loaded, findings);
    writePageEnd(out);
    out.flush();
    if (!out) return messages::tr("writing the file failed");
    return {};
}

std::string findingsJson(const std::vector<diagnose::Finding>& findings, const std::filesystem::path& folder) {
    std::ostringstream out;
    out << "{\n  \"folder\": " << jsonString(folder.u8string()) << ",\n  \"findings\": [";
    const auto fixKind = [](diagnose::Fix::Kind kind) {
        switch (kind) {
            case diagnose::Fix::Kind::Edit: return "edit";
            case diagnose::Fix::Kind::Rename: return "rename";
            case diagnose::Fix::Kind::ResaveAsUtf8: return "resave-as-utf8";
        }
        return "";
    };
    for (std::size_t k = 0; k < findings.size(); ++k) {
        out << (k == 0 ? "\n    " : ",\n    ");
        // The finding's object, reopened to carry its repairs as data.
        std::ostringstream finding;
        writeFinding(finding, findings[k], folder);
        std::string text = finding.str();
        text.pop_back();
        out << text << ",\"fixes\":[";
        for (std::size_t f = 0; f < findings[k].fixes.size(); ++f) {
            const diagnose::Fix& fix = findings[k].fixes[f];
            out << (f ? "," : "") << "{\"kind\":\"" << fixKind(fix.kind) << "\",\"file\":"
                << jsonString(shownFile(fix.file, folder)) << ",\"line\":" << fix.line
                << ",\"firstColumn\":" << fix.firstColumn << ",\"endColumn\":" << fix.endColumn
                << ",\"replacement\":" << jsonString(fix.replacement) << ",\"target\":"
                << jsonString(fix.target.empty() ? std::string() : shownFile(fix.target, folder)) << '}';
        }
        out << "]}";
    }
    out << (findings.empty() ? "]\n}\n" : "\n  ]\n}\n");
    return out.str();
}

}  // namespace report
