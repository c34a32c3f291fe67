#include "report/vehicle_report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "config/text.h"
#include "platform/utf8.h"
#include "diagnose/diagnose.h"
#include "messages/messages.h"
#include "report/json.h"
#include "report/page.h"

namespace report {

namespace {

namespace fs = std::filesystem;

// A point of a loaded table, with the file line it came from (0 when the
// line cannot be told).
struct PlottedPoint {
    float input = 0;
    float output = 0;
    int line = 0;
};

// One loaded curve: a column of the file and the positions of the plug-in's
// list that hold it (a column may be selected twice).
struct PlottedSeries {
    uint64_t column = 0;
    std::vector<std::size_t> entries;
    std::vector<PlottedPoint> points;
};

// The row at which the plug-in's reader stopped, as the reader cut it.
struct UnreadableRow {
    int line = 0;
    std::vector<std::string> cells;
    std::size_t field = 0;  // the field whose conversion failed (may lie past the cells)
};

// A place of a table a finding concerns; `field` is -1 for the whole row, and
// `line` 0 for the whole file.
struct Mark {
    std::size_t finding = 0;
    int line = 0;
    int field = -1;
};

enum class TableKind { Power, Brake, Needle };
enum class TableStatus { Read, Stopped, Missing, NotRead, NotNamed };

struct PlottedTable {
    TableKind kind = TableKind::Needle;
    fs::path path;
    TableStatus status = TableStatus::Read;
    std::string statusText;
    std::vector<PlottedSeries> series;
    std::optional<UnreadableRow> unreadable;
    std::vector<Mark> marks;
};

// The file as the findings and the tables both name it: relative to the
// vehicle folder with '/' where it lies inside, the full path otherwise.
std::string shownFile(const fs::path& file, const fs::path& folder) {
    const fs::path relative = file.lexically_normal().lexically_relative(folder.lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return file.u8string();
    return relative.generic_u8string();
}

// Where the start-up stopped, as the page says it: "FILE, line N".
std::string failurePlace(const config::LoadFailure& failure, const fs::path& folder) {
    const std::string file = failure.file.empty() ? messages::tr("(no file)") : shownFile(failure.file, folder);
    return failure.line > 0 ? messages::trf("{1}, line {2}", {file, std::to_string(failure.line)}) : file;
}

// The points each column gets from the file, in the order the plug-in's
// reader appends them, each with its line; the row the reader stops at. The
// file is read again with the plug-in's own row reader and conversions, so
// the lines belong to exactly the points the plug-in loaded.
struct Provenance {
    std::vector<std::vector<PlottedPoint>> columns;  // one list per entry of the column list
    std::optional<UnreadableRow> unreadable;
};

Provenance traceRows(const fs::path& path, const std::vector<uint64_t>& columns, bool needleTable) {
    Provenance provenance;
    provenance.columns.resize(columns.size());
    config::LoadReport report;
    std::size_t field = 0;
    auto convert = [&field](const config::Fields& fields, std::size_t index) {
        field = index;
        return config::toFloat(config::fieldAt(fields, index));
    };
    auto addNeedleRow = [&](const config::Fields& fields) {
        field = 1;
        if (config::fieldAt(fields, 1).empty()) return;
        const float input = convert(fields, 0);
        provenance.columns[0].push_back({input, convert(fields, 1), report.currentLine});
    };
    auto addCurveRow = [&](const config::Fields& fields) {
        std::optional<float> speed;
        for (std::size_t j = 0; j < columns.size(); ++j) {
            if (columns[j] >= fields.size() || fields[columns[j]].empty()) continue;
            if (!speed) speed = convert(fields, 0);
            provenance.columns[j].push_back({*speed, convert(fields, columns[j]), report.currentLine});
        }
    };
    try {
        config::readTableRows(path, report, [&](const config::Fields& fields) {
            try {
                if (needleTable) addNeedleRow(fields);
                else addCurveRow(fields);
            } catch (const std::exception&) {
                UnreadableRow row{report.currentLine, {}, field};
                for (const config::Text& cell : fields) row.cells.push_back(platform::toUtf8(cell));
                provenance.unreadable = std::move(row);
                return config::RowOutcome::StopReading;
            }
            return config::RowOutcome::KeepReading;
        });
    } catch (const std::exception&) {
        // A line the reader cannot take (too long): what came before it stands.
        UnreadableRow row;
        row.line = report.currentLine;
        provenance.unreadable = std::move(row);
    }
    // The plug-in sorts a table only when it has read the whole file.
    if (!provenance.unreadable)
        for (std::vector<PlottedPoint>& points : provenance.columns)
            std::stable_sort(points.begin(), points.end(),
                             [](const PlottedPoint& a, const PlottedPoint& b) { return a.input < b.input; });
    return provenance;
}

// The loaded points, each given the line of the re-read point it equals.
std::vector<PlottedPoint> withLines(const panel::CurveTable& loaded, const std::vector<PlottedPoint>& traced) {
    std::vector<PlottedPoint> points;
    for (std::size_t k = 0; k < loaded.size(); ++k) {
        const bool same = k < traced.size() && traced[k].input == loaded[k].input &&
                          traced[k].output == loaded[k].output;
        points.push_back({loaded[k].input, loaded[k].output, same ? traced[k].line : 0});
    }
    return points;
}

const config::FileNote* noteOf(const plugin::Plugin& loaded, const fs::path& path) {
    for (const config::FileNote& note : loaded.report.files)
        if (note.path == path) return &note;
    return nullptr;
}

// Whether the plug-in read the file, and what the page says of it.
void describeStatus(const plugin::Plugin& loaded, PlottedTable& table) {
    const std::optional<config::LoadFailure>& failure = loaded.report.failure;
    const config::FileNote* note = table.path.empty() ? nullptr : noteOf(loaded, table.path);
    const std::string stop = failure ? failurePlace(*failure, loaded.directory) : std::string();
    if (note && note->found && failure && failure->file == table.path) {
        table.status = TableStatus::Stopped;
        table.statusText = messages::trf("the start-up stopped at line {1} of this file ({2}): that line and the "
                                         "rows below it were not read",
                                         {std::to_string(failure->line), failure->message});
    } else if (note) {
        table.status = note->found ? TableStatus::Read : TableStatus::Missing;
        if (!note->found) table.statusText = messages::tr("missing: the plug-in looked for this file and did not find it");
    } else if (failure) {
        table.status = TableStatus::NotRead;
        table.statusText = messages::trf("not read: the start-up stopped at {1}", {stop});
    } else {
        table.status = TableStatus::NotNamed;
        table.statusText = messages::tr("no file named: notch.txt names none for this section");
    }
}

PlottedTable curveTable(const plugin::Plugin& loaded, TableKind kind, const fs::path& path,
                        const std::vector<uint64_t>& columns, const std::vector<panel::CurveTable>& curves) {
    PlottedTable table;
    table.kind = kind;
    table.path = path;
    describeStatus(loaded, table);
    if (table.status != TableStatus::Read && table.status != TableStatus::Stopped) return table;
    Provenance provenance = traceRows(path, columns, false);
    table.unreadable = std::move(provenance.unreadable);
    for (std::size_t j = 0; j < columns.size() && j < curves.size(); ++j) {
        auto same = std::find_if(table.series.begin(), table.series.end(),
                                 [&](const PlottedSeries& series) { return series.column == columns[j]; });
        if (same != table.series.end()) {
            same->entries.push_back(j);
            continue;
        }
        table.series.push_back({columns[j], {j}, withLines(curves[j], provenance.columns[j])});
    }
    return table;
}

PlottedTable needleTable(const plugin::Plugin& loaded, const char* name, const panel::CurveTable& points) {
    PlottedTable table;
    table.path = loaded.directory / "NeedleTable" / name;
    describeStatus(loaded, table);
    if (table.status != TableStatus::Read && table.status != TableStatus::Stopped) return table;
    Provenance provenance = traceRows(table.path, {1}, true);
    table.unreadable = std::move(provenance.unreadable);
    table.series.push_back({1, {0}, withLines(points, provenance.columns[0])});
    return table;
}

std::vector<PlottedTable> plottedTables(const plugin::Plugin& loaded) {
    const config::NotchConfig& notch = loaded.notch;
    std::vector<uint64_t> brakeColumns;
    for (uint64_t step = 1; step <= notch.brakeStepCount && step <= notch.brakeCurrentCurves.size(); ++step)
        brakeColumns.push_back(step);
    std::vector<PlottedTable> tables;
    tables.push_back(curveTable(loaded, TableKind::Power, notch.powerCurrentPath, notch.powerCurveSteps,
                                notch.powerCurrentCurves));
    tables.push_back(
        curveTable(loaded, TableKind::Brake, notch.brakeCurrentPath, brakeColumns, notch.brakeCurrentCurves));
    const panel::NeedleTables& needles = loaded.needles;
    tables.push_back(needleTable(loaded, "Pressure.csv", needles.pressureTable));
    tables.push_back(needleTable(loaded, "Speed.csv", needles.speedTable));
    tables.push_back(needleTable(loaded, "Current.csv", needles.currentTable));
    tables.push_back(needleTable(loaded, "Voltage.csv", needles.voltageTable));
    return tables;
}

// The lines of a file as the plug-in's reader decodes them, those asked for only.
std::map<int, config::Text> linesOf(const fs::path& path, std::map<int, config::Text> wanted) {
    config::LoadReport report;
    config::ConfigFile file(path, report);
    config::Text line;
    int number = 0;
    try {
        while (file.isOpen() && !file.atEnd() && number < wanted.rbegin()->first) {
            file.readLine(line);
            auto found = wanted.find(++number);
            if (found != wanted.end()) found->second = line;
        }
    } catch (const std::exception&) {
        // An over-long line: the lines after it stay unknown.
    }
    return wanted;
}

// The field of a comma-separated line that holds character `column` (from 1).
int fieldAtColumn(const config::Text& line, int column) {
    int field = 0;
    int characters = 0;
    for (const char16_t unit : line) {
        const bool continuesPair = unit >= 0xDC00 && unit <= 0xDFFF;
        if (!continuesPair && ++characters >= column) break;
        if (unit == ',') ++field;
    }
    return field;
}

// The places of each table that the findings concern: the finding's cell
// where it names a field, else its line, and the data rows it lists.
void markFindings(std::vector<PlottedTable>& tables, const std::vector<diagnose::Finding>& findings) {
    for (PlottedTable& table : tables) {
        if (table.path.empty()) continue;
        std::map<int, config::Text> wanted;
        for (const diagnose::Finding& finding : findings)
            if (finding.file == table.path && finding.line > 0 && !finding.field.empty() && finding.column > 0)
                wanted[finding.line];
        if (!wanted.empty()) wanted = linesOf(table.path, std::move(wanted));
        for (std::size_t k = 0; k < findings.size(); ++k) {
            const diagnose::Finding& finding = findings[k];
            if (finding.file != table.path) continue;
            const auto line = wanted.find(finding.line);
            const int field = line != wanted.end() ? fieldAtColumn(line->second, finding.column) : -1;
            table.marks.push_back({k, finding.line, field});
        }
    }
}

// Data rows (counted as the plug-in's row reader hands them over) to file lines.
std::map<int, int> linesOfRows(const fs::path& path) {
    std::map<int, int> lines;
    config::LoadReport report;
    int row = 0;
    try {
        config::readTableRows(path, report, [&](const config::Fields&) {
            lines[++row] = report.currentLine;
            return config::RowOutcome::KeepReading;
        });
    } catch (const std::exception&) {
        // Rows past an over-long line are not numbered.
    }
    return lines;
}

// A finding that lists data rows marks each of their lines too.
void markFindingRows(std::vector<PlottedTable>& tables, const std::vector<diagnose::Finding>& findings) {
    for (PlottedTable& table : tables) {
        std::map<int, int> lines;
        for (std::size_t k = 0; k < findings.size(); ++k) {
            const diagnose::Finding& finding = findings[k];
            if (finding.file != table.path || finding.rows.empty()) continue;
            if (lines.empty()) lines = linesOfRows(table.path);
            for (const int row : finding.rows) {
                const auto line = lines.find(row);
                if (line != lines.end() && line->second != finding.line) table.marks.push_back({k, line->second, -1});
            }
        }
    }
}

// What the frame does with a curve of the plug-in's list, by its position.
const char* curveRole(TableKind kind, std::size_t entry) {
    if (kind == TableKind::Power) {
        switch (entry) {
            case 0: return messages::tr("the current lamp lights only above it");
            case 1: return messages::tr("the current lamp lights near it");
            case 2: return messages::tr("the current lamp goes out near it");
            case 4: return messages::tr("full current");
            default: return nullptr;
        }
    }
    if (kind == TableKind::Brake && entry == 3) return messages::tr("hold stage 1");
    if (kind == TableKind::Brake && entry == 4) return messages::tr("hold stage 2");
    return nullptr;
}

// "step 7 (the current lamp lights near it)", "braking step 2 (loaded, not used)".
std::string seriesName(TableKind kind, const PlottedSeries& series) {
    if (kind == TableKind::Needle) return messages::tr("output");
    const std::string step = std::to_string(series.column);
    std::string name = kind == TableKind::Power ? messages::trf("step {1}", {step})
                                                : messages::trf("braking step {1}", {step});
    std::string roles;
    for (const std::size_t entry : series.entries)
        if (const char* role = curveRole(kind, entry))
            roles += (roles.empty() ? "" : messages::tr(", ")) + std::string(role);
    return name + " (" + (roles.empty() ? std::string(messages::tr("loaded, not used")) : roles) + ")";
}

bool isUsed(TableKind kind, const PlottedSeries& series) {
    return std::any_of(series.entries.begin(), series.entries.end(),
                       [kind](std::size_t entry) { return curveRole(kind, entry) != nullptr; }) ||
           kind == TableKind::Needle;
}

const char* kindName(TableKind kind) {
    switch (kind) {
        case TableKind::Power: return "power";
        case TableKind::Brake: return "brake";
        case TableKind::Needle: return "needle";
    }
    return "";
}

const char* statusName(TableStatus status) {
    switch (status) {
        case TableStatus::Read: return "read";
        case TableStatus::Stopped: return "stopped";
        case TableStatus::Missing: return "missing";
        case TableStatus::NotRead: return "not read";
        case TableStatus::NotNamed: return "not named";
    }
    return "";
}

// A loaded value with the fewest decimals that still read back as the same
// float: 40.4, not 40.400002.
void writeLoadedNumber(std::ostream& out, float value) {
    int decimals = 0;
    char text[64];
    while (decimals < 9) {
        std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
        ++decimals;
    }
    writeJsonNumber(out, value, decimals);
}

void writeTable(std::ostream& out, const PlottedTable& table, const fs::path& folder) {
    out << "{\"kind\":\"" << kindName(table.kind) << "\",\"file\":"
        << jsonString(table.path.empty() ? std::string() : shownFile(table.path, folder)) << ",\"status\":\""
        << statusName(table.status) << "\",\"statusText\":" << jsonString(table.statusText) << ",\"series\":[";
    for (std::size_t s = 0; s < table.series.size(); ++s) {
        const PlottedSeries& series = table.series[s];
        out << (s ? "," : "") << "{\"column\":" << series.column << ",\"name\":"
            << jsonString(seriesName(table.kind, series)) << ",\"used\":" << (isUsed(table.kind, series) ? "true" : "false")
            << ",\"points\":[";
        for (std::size_t p = 0; p < series.points.size(); ++p) {
            out << (p ? ",[" : "[");
            writeLoadedNumber(out, series.points[p].input);
            out << ',';
            writeLoadedNumber(out, series.points[p].output);
            out << ',' << series.points[p].line << ']';
        }
        out << "]}";
    }
    out << "],\"unreadable\":";
    if (!table.unreadable) {
        out << "null";
    } else {
        out << "{\"line\":" << table.unreadable->line << ",\"field\":" << table.unreadable->field << ",\"cells\":[";
        for (std::size_t c = 0; c < table.unreadable->cells.size(); ++c)
            out << (c ? "," : "") << jsonString(table.unreadable->cells[c]);
        out << "]}";
    }
    out << ",\"marks\":[";
    for (std::size_t m = 0; m < table.marks.size(); ++m)
        out << (m ? "," : "") << "{\"finding\":" << table.marks[m].finding << ",\"line\":" << table.marks[m].line
            << ",\"field\":" << table.marks[m].field << '}';
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

// An empty line of the module list names the plug-in's folder: it loads
// nothing and is no module.
bool namesNoModule(const config::ModuleNote& module, const fs::path& folder) {
    return module.path.lexically_normal() == (folder / fs::path()).lexically_normal();
}

// Every skipped module stands among the findings: the diagnosis's own where
// it has one, else one that says why the plug-in skipped it.
std::vector<diagnose::Finding> withSkippedModules(const plugin::Plugin& loaded,
                                                  std::vector<diagnose::Finding> findings) {
    const fs::path list = loaded.directory / "detailmodulesx64.txt";
    for (const config::ModuleNote& module : loaded.report.modules) {
        if (module.outcome == config::ModuleOutcome::Loaded || namesNoModule(module, loaded.directory)) continue;
        const bool explained = std::any_of(findings.begin(), findings.end(), [&](const diagnose::Finding& finding) {
            return (finding.file == list && finding.line == module.line) || finding.file == module.path;
        });
        if (explained) continue;
        diagnose::Finding finding;
        finding.severity = diagnose::Severity::Warning;
        finding.file = list;
        finding.line = module.line;
        finding.found = shownFile(module.path, loaded.directory);
        const std::string reason = module.outcome == config::ModuleOutcome::Absent
                                       ? (module.reason.empty() ? messages::tr("no such file") : module.reason)
                                       : messages::trf("does not load as a library: {1}", {module.reason});
        finding.message = messages::trf("the plug-in skips this module: {1}", {reason});
        findings.push_back(std::move(finding));
    }
    return findings;
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

std::string failureJson(const plugin::Plugin& loaded) {
    const std::optional<config::LoadFailure>& failure = loaded.report.failure;
    if (!failure) return "null";
    return "{\"place\":" + jsonString(failurePlace(*failure, loaded.directory)) +
           ",\"file\":" + jsonString(failure->file.empty() ? std::string() : shownFile(failure->file, loaded.directory)) +
           ",\"line\":" + std::to_string(failure->line) + ",\"kind\":" + jsonString(failure->kind) +
           ",\"message\":" + jsonString(failure->message) + '}';
}

std::string outcomeSentence(const plugin::Plugin& loaded) {
    const std::optional<config::LoadFailure>& failure = loaded.report.failure;
    if (!failure) return messages::tr("The start-up completed.");
    return messages::trf("The start-up stopped at {1} ({2}): the files after it were not read.",
                         {failurePlace(*failure, loaded.directory), failure->message});
}

}  // namespace

std::string vehicleReportJson(const plugin::Plugin& loaded, const std::vector<diagnose::Finding>& diagnosed) {
    const fs::path& folder = loaded.directory;
    const std::vector<diagnose::Finding> findings = withSkippedModules(loaded, diagnosed);
    std::vector<PlottedTable> tables = plottedTables(loaded);
    markFindings(tables, findings);
    markFindingRows(tables, findings);
    std::ostringstream out;
    out << "{\"kind\":\"vehicle\",\"texts\":" << pageTexts() << ",\"vehicle\":{\"folder\":" << jsonString(folder.u8string())
        << ",\"outcome\":" << jsonString(outcomeSentence(loaded)) << ",\"failure\":" << failureJson(loaded)
        << ",\"tables\":[";
    for (std::size_t k = 0; k < tables.size(); ++k) {
        if (k) out << ',';
        writeTable(out, tables[k], folder);
    }
    out << "],\"modules\":[";
    for (std::size_t k = 0; k < loaded.report.modules.size(); ++k) {
        const config::ModuleNote& module = loaded.report.modules[k];
        out << (k ? "," : "") << "{\"line\":" << module.line << ",\"path\":" << jsonString(shownFile(module.path, folder))
            << ",\"outcome\":\"" << outcomeName(module.outcome) << "\",\"reason\":" << jsonString(module.reason)
            << ",\"empty\":" << (namesNoModule(module, folder) ? "true" : "false") << '}';
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
            case diagnose::Fix::Kind::DeleteLine: return "delete-line";
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
