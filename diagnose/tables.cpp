// The comma-separated tables: current curves, the no-load current and the
// needle tables. Each row is followed through exactly the conversions the
// plug-in makes, so that a finding stands where the plug-in stops or reads
// something else than the author meant.
#include <algorithm>
#include <optional>

#include "config/text.h"
#include "diagnose/diagnosis.h"
#include "diagnose/numbers.h"
#include "diagnose/visible.h"
#include "messages/messages.h"

namespace diagnose {

namespace {

struct Row {
    int line = 0;
    int number = 0;     // data row, from 1
    config::Text raw;   // as read, comment included
    config::Text text;  // without its comment
    std::vector<Cell> cells;
};

struct Table {
    std::filesystem::path file;
    std::optional<Line> header;
    std::vector<Cell> headerCells;
    std::vector<Row> rows;
};

// The rows as readTableRows hands them over: the first line passed over,
// comments cut, lines with nothing left skipped.
Table readTable(const std::filesystem::path& file) {
    Table table{file, std::nullopt, {}, {}};
    std::vector<Line> lines = readLines(file);
    for (Line& line : lines) {
        if (!table.header) {
            table.header = line;
            config::Text text = line.text;
            config::stripComment(text);
            table.headerCells = cellsOf(text);
            continue;
        }
        Row row;
        row.line = line.number;
        row.raw = line.text;
        row.text = line.text;
        config::stripComment(row.text);
        if (row.text.empty()) continue;
        row.number = static_cast<int>(table.rows.size()) + 1;
        row.cells = cellsOf(row.text);
        table.rows.push_back(std::move(row));
    }
    return table;
}

Finding lineFinding(const Table& table, const Row& row, Severity severity, std::string message, std::string fix) {
    return Finding{severity, table.file, row.line, 1, {}, visibleText(row.raw), std::move(message), std::move(fix),
                   {row.number}, {}};
}

Place placeOf(const Table& table, const Row& row, std::size_t cell) {
    return Place{table.file, row.line, row.cells[cell].column, static_cast<int>(cell) + 1, row.number};
}

bool holdsDigit(std::u16string_view text) {
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= '0' && c <= '9'; });
}

// A row written with another separator than the comma: ';' (which starts a
// comment), a tab, or a full-width comma. Returns the finding's message, or
// nothing for a row written with commas.
std::optional<std::string> separatorProblem(const Row& row) {
    const std::size_t semicolon = row.raw.find(';');
    if (semicolon != config::Text::npos && row.raw.find(',') > semicolon &&
        holdsDigit(std::u16string_view(row.raw).substr(semicolon, 3)))
        return messages::trf("the fields are separated by ';', which starts a comment: the plug-in reads only {1}",
                             {backquoted(row.text)});
    if (row.text.find(',') != config::Text::npos) return std::nullopt;
    if (row.cells.size() == 1 && row.cells[0].text.find('\t') != config::Text::npos)
        return messages::tr("the fields are separated by tabs: the plug-in sees one field");
    if (row.text.find(char16_t{0xFF0C}) != config::Text::npos)
        return messages::tr("the fields are separated by full-width commas '，': the plug-in sees one field");
    return std::nullopt;
}

bool isBlank(const config::Text& text) {
    return std::all_of(text.begin(), text.end(), config::isSpace);
}

bool sameCells(const std::vector<Cell>& a, const std::vector<Cell>& b) {
    if (a.size() != b.size() || a.empty()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].text != b[i].text) return false;
    return true;
}

// The header line: a first line that holds numbers is a data row the plug-in
// never sees.
void checkHeader(Diagnosis& diagnosis, const Table& table) {
    if (!table.header || table.headerCells.size() < 2 || !isWholeNumber(table.headerCells[0].text)) return;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.line = 1;
    finding.column = 1;
    finding.found = visibleText(table.header->text);
    finding.message = messages::tr("the first line is a header and is never read, but it holds numbers: this row is lost");
    finding.fix = messages::tr("add a header line above it, such as \"speed_kmh,needle\"");
    add(diagnosis, std::move(finding));
}

// A row written with another separator. The file's other rows are most
// likely no better: the caller reads no further.
bool checkSeparator(Diagnosis& diagnosis, const Table& table, const Row& row, bool stopsOnOneField) {
    const std::optional<std::string> problem = separatorProblem(row);
    if (!problem) return false;
    const Severity severity = stopsOnOneField ? stopSeverity(diagnosis, table.file, row.line) : Severity::Warning;
    add(diagnosis, lineFinding(table, row, severity, *problem,
                               messages::tr("separate the fields with half-width commas (in Excel: save as "
                                            "\"CSV UTF-8 (comma delimited)\")")));
    return true;
}

bool isDigits(const config::Text& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= '0' && c <= '9'; });
}

// A row with more fields than the header, the first extra one all digits:
// most likely a number written with a decimal comma.
void checkExtraFields(Diagnosis& diagnosis, const Table& table, const Row& row, std::size_t expected) {
    if (row.cells.size() <= expected || expected < 2 || !isDigits(row.cells[expected].text)) return;
    const config::Text& whole = row.cells[expected - 1].text;
    const config::Text joined = whole + u"," + row.cells[expected].text;
    add(diagnosis, lineFinding(table, row, Severity::Warning,
                               messages::trf("the row has {1} fields and the header {2}: if {3} is one number written "
                                             "with a decimal comma, the plug-in reads only {4} of it",
                                             {std::to_string(row.cells.size()), std::to_string(expected),
                                              backquoted(joined), backquoted(whole)}),
                               messages::tr("write the decimal point as a full stop '.' (in Excel, set the decimal "
                                            "separator to '.' before saving)")));
}

// A row the plug-in could not convert: said once, as a second header row
// when it repeats the header.
bool isRepeatedHeader(Diagnosis& diagnosis, const Table& table, const Row& row) {
    if (!sameCells(row.cells, table.headerCells)) return false;
    add(diagnosis, lineFinding(table, row, stopSeverity(diagnosis, table.file, row.line),
                               messages::tr("a second header line: only the first line of the file is a header, this "
                                            "one is read as numbers"),
                               messages::tr("delete this line")));
    return true;
}

// ---------------------------------------------------------------------------
// Current curves

SensibleRange speedRange() {
    return {-10, 500, messages::tr("a speed in km/h")};
}

SensibleRange currentRange() {
    return {-10000, 10000, messages::tr("a current in A")};
}

// The columns a file holds beyond the speed: from the header, or from the
// widest row when there is no usable header.
std::size_t stepColumns(const Table& table) {
    std::size_t widest = table.headerCells.size();
    if (widest < 2)
        for (const Row& row : table.rows) widest = std::max(widest, row.cells.size());
    return widest > 0 ? widest - 1 : 0;
}

void checkColumns(Diagnosis& diagnosis, const Table& table, uint64_t needed, uint64_t steps) {
    const std::size_t present = stepColumns(table);
    if (needed <= present || table.rows.empty()) return;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.line = 1;
    finding.found = table.header ? visibleText(table.header->text) : std::string();
    finding.message =
        messages::trf("the plug-in reads the curves of steps up to {1} ({2} steps listed by RequiredNotch_Up), but "
                      "this file has columns for {3} steps: the missing curves count as 0 A",
                      {std::to_string(needed), std::to_string(steps), std::to_string(present)});
    finding.fix = messages::tr("add a column for every step, or list fewer steps on RequiredNotch_Up");
    add(diagnosis, std::move(finding));
}

// One curve row as config::loadCurrentCurves reads it: the speed converted
// once a wanted cell is filled, then each wanted cell. False when the
// plug-in stops at this row.
bool checkCurveRow(Diagnosis& diagnosis, const Table& table, const Row& row, const std::vector<uint64_t>& columns) {
    bool speedChecked = false;
    for (const uint64_t column : columns) {
        if (column >= row.cells.size() || row.cells[column].text.empty()) continue;
        if (!speedChecked) {
            if (isRepeatedHeader(diagnosis, table, row)) return false;
            if (!checkNumber(diagnosis, placeOf(table, row, 0), row.cells[0].text, NumberKind::Decimal, speedRange()))
                return false;
            speedChecked = true;
        }
        if (!checkNumber(diagnosis, placeOf(table, row, column), row.cells[column].text, NumberKind::Decimal,
                         currentRange()))
            return false;
    }
    return true;
}

void checkCurves(Diagnosis& diagnosis, const std::filesystem::path& file, std::vector<uint64_t> columns,
                 uint64_t steps) {
    const Table table = readTable(file);
    checkHeader(diagnosis, table);
    // A column named twice is read twice; once is enough to check it.
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    for (const Row& row : table.rows) {
        if (checkSeparator(diagnosis, table, row, false)) return;
        checkExtraFields(diagnosis, table, row, table.headerCells.size());
        if (!checkCurveRow(diagnosis, table, row, columns)) return;
    }
    checkColumns(diagnosis, table, columns.empty() ? 0 : columns.back(), steps);
}

// ---------------------------------------------------------------------------
// Needle tables

struct ReadPoint {
    float input;
    float output;
    int row;
    int line;
};

std::optional<SensibleRange> needleInputRange(const std::filesystem::path& file) {
    const std::string name = file.filename().u8string();
    if (name == "Pressure.csv") return SensibleRange{-50, 2000, messages::tr("a pressure in kPa")};
    if (name == "Speed.csv") return speedRange();
    if (name == "Current.csv") return currentRange();
    if (name == "Voltage.csv") return SensibleRange{0, 5000, messages::tr("a voltage in V")};
    return std::nullopt;
}

// A row with fewer than two fields: the plug-in stops at it.
void explainShortRow(Diagnosis& diagnosis, const Table& table, const Row& row) {
    const Severity severity = stopSeverity(diagnosis, table.file, row.line);
    if (isBlank(row.text)) {
        add(diagnosis, lineFinding(table, row, severity,
                                   messages::tr("the line holds only blanks: the plug-in takes it for a row without a "
                                                "second field"),
                                   messages::tr("delete the line, including any line of blanks at the end of the file")));
    } else if (row.cells.size() == 1 && row.cells[0].text.empty()) {
        add(diagnosis, lineFinding(table, row, severity,
                                   messages::tr("an empty row (only a comma): the plug-in takes it for a row without a "
                                                "second field"),
                                   messages::tr("delete the empty rows below the table (in Excel: select the rows "
                                                "and delete them, not just their contents)")));
    } else {
        add(diagnosis, lineFinding(table, row, severity,
                                   messages::trf("the row has one field, {1}: every row needs an input and an "
                                                 "output",
                                                 {backquoted(row.cells[0].text)}),
                                   messages::tr("write the row as \"input, output\"")));
    }
}

// Equal inputs: between them the needle jumps, and at either end of the
// table it stays flat where it should go on rising.
void checkDuplicateInputs(Diagnosis& diagnosis, const Table& table, const std::vector<ReadPoint>& points) {
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (points[i].input != points[i - 1].input) continue;
        const bool atEnd = i == 1 || i + 1 == points.size();
        Finding finding;
        finding.severity = Severity::Warning;
        finding.file = table.file;
        finding.line = points[i].line;
        finding.column = 1;
        finding.found = shownNumber(points[i].input);
        finding.message =
            atEnd ? messages::trf("input {1} also stands on line {2}: at this end of the table the needle stays flat at "
                                  "{3} instead of following the table on",
                                  {shownNumber(points[i].input), std::to_string(points[i - 1].line),
                                   shownNumber(i == 1 ? points[0].output : points[i].output)})
                  : messages::trf("input {1} also stands on line {2}: at {1} the needle shows {3} (line {2}), just "
                                  "above it follows {4} (this line), so it jumps",
                                  {shownNumber(points[i].input), std::to_string(points[i - 1].line),
                                   shownNumber(points[i - 1].output), shownNumber(points[i].output)});
        finding.fix = messages::tr("give every row its own input");
        finding.rows = {points[i - 1].row, points[i].row};
        add(diagnosis, std::move(finding));
    }
}

// Outputs that rise and then fall (or the reverse) in order of input: the
// needle turns back, most often from a mistyped value.
void checkTurningBack(Diagnosis& diagnosis, const Table& table, const std::vector<ReadPoint>& points) {
    int direction = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const float step = points[i].output - points[i - 1].output;
        const int now = step > 0 ? 1 : step < 0 ? -1 : 0;
        if (now == 0 || points[i].input == points[i - 1].input) continue;
        if (direction != 0 && now != direction) {
            Finding finding;
            finding.severity = Severity::Warning;
            finding.file = table.file;
            finding.line = points[i].line;
            finding.column = 1;
            finding.found = shownNumber(points[i].input) + ", " + shownNumber(points[i].output);
            finding.message = messages::trf("the output goes back from {1} to {2} here, in order of input: the "
                                            "needle turns back between {3} and {4}",
                                            {shownNumber(points[i - 1].output), shownNumber(points[i].output),
                                             shownNumber(points[i - 1].input), shownNumber(points[i].input)});
            finding.fix = messages::tr("check the output of this row and of the row before it (in order of input)");
            finding.rows = {points[i - 1].row, points[i].row};
            add(diagnosis, std::move(finding));
            return;
        }
        direction = now;
    }
}

void checkTooFewPoints(Diagnosis& diagnosis, const Table& table, const std::vector<ReadPoint>& points) {
    if (points.size() != 1) return;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.line = points[0].line;
    finding.message = messages::trf("only one row is read: the needle stays at {1} whatever the value",
                                    {shownNumber(points[0].output)});
    finding.fix = messages::tr("give the table at least two rows, so that the plug-in can interpolate");
    finding.rows = {points[0].row};
    add(diagnosis, std::move(finding));
}

}  // namespace

void checkPowerCurves(Diagnosis& diagnosis, const std::filesystem::path& file) {
    const config::NotchConfig& notch = diagnosis.plugin.notch;
    const std::vector<uint64_t>& steps = notch.powerCurveSteps;
    checkCurves(diagnosis, file, steps, steps.empty() ? 0 : steps.back());
}

void checkBrakeCurves(Diagnosis& diagnosis, const std::filesystem::path& file) {
    const uint64_t count = diagnosis.plugin.notch.brakeStepCount;
    std::vector<uint64_t> columns;
    for (uint64_t step = 1; step <= count && step <= 10000; ++step) columns.push_back(step);
    checkCurves(diagnosis, file, columns, count);
}

void checkNoLoadCurrent(Diagnosis& diagnosis, const std::filesystem::path& file) {
    const Table table = readTable(file);
    checkHeader(diagnosis, table);
    for (const Row& row : table.rows) {
        if (checkSeparator(diagnosis, table, row, false)) return;
        if (row.cells.size() < 3) {
            if (row.cells.size() == 2 && !row.cells[1].text.empty())
                add(diagnosis, lineFinding(table, row, Severity::Warning,
                                           messages::tr("the row has two fields and is skipped: the plug-in takes the "
                                                        "first row with at least three fields"),
                                           messages::tr("write the row as \"voltage, no-load current, auxiliary "
                                                        "current\"")));
            continue;
        }
        if (row.cells[1].text.empty()) continue;
        checkExtraFields(diagnosis, table, row, table.headerCells.size());
        checkNumber(diagnosis, placeOf(table, row, 1), row.cells[1].text, NumberKind::Decimal,
                    SensibleRange{0, 1000, messages::tr("a no-load current in A")});
        return;
    }
    if (table.rows.empty() && !table.header) return;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.message = messages::tr("no row with three fields and a second field: the no-load current stays 0 A");
    finding.fix = messages::tr("write a row \"voltage, no-load current, auxiliary current\" below the header");
    add(diagnosis, std::move(finding));
}

void checkNeedleTable(Diagnosis& diagnosis, const std::filesystem::path& file) {
    const Table table = readTable(file);
    checkHeader(diagnosis, table);
    std::vector<ReadPoint> points;
    for (const Row& row : table.rows) {
        if (checkSeparator(diagnosis, table, row, true)) return;
        if (row.cells.size() < 2) return explainShortRow(diagnosis, table, row);
        checkExtraFields(diagnosis, table, row, std::max<std::size_t>(table.headerCells.size(), 2));
        if (row.cells[1].text.empty()) continue;
        if (isRepeatedHeader(diagnosis, table, row)) return;
        const std::optional<float> input = checkNumber(diagnosis, placeOf(table, row, 0), row.cells[0].text,
                                                       NumberKind::Decimal, needleInputRange(file));
        if (!input) return;
        const std::optional<float> output =
            checkNumber(diagnosis, placeOf(table, row, 1), row.cells[1].text, NumberKind::Decimal);
        if (!output) return;
        points.push_back({*input, *output, row.number, row.line});
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const ReadPoint& a, const ReadPoint& b) { return a.input < b.input; });
    checkDuplicateInputs(diagnosis, table, points);
    checkTurningBack(diagnosis, table, points);
    checkTooFewPoints(diagnosis, table, points);
}

}  // namespace diagnose
