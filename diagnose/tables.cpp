// The comma-separated tables: current curves, the no-load current and the
// needle tables. Each row is followed through exactly the conversions the
// plug-in makes, so that a finding stands where the plug-in stops or reads
// something else than the author meant.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <set>

#include "config/text.h"
#include "diagnose/diagnosis.h"
#include "diagnose/encoding.h"
#include "diagnose/numbers.h"
#include "diagnose/visible.h"
#include "messages/messages.h"
#include "panel/curve.h"
#include "platform/utf8.h"

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
    // How the file writes decimals where that is beyond doubt: with a full
    // stop ("12.5", "1,300,000") or with a comma ("121,5" in quotes).
    bool usesPoint = false;
    bool usesComma = false;
};

bool isQuote(char16_t c) {
    return c == '"' || c == 0x201C || c == 0x201D;
}

// A number in quotes, as Excel writes one that holds a comma: the positions
// of both quotes in the row's text.
struct Quoted {
    std::size_t open;
    std::size_t close;
    config::Text inner;  // trimmed
};

std::vector<Quoted> quotedParts(const config::Text& text) {
    std::vector<Quoted> parts;
    std::size_t at = 0;
    while (true) {
        while (at < text.size() && !isQuote(text[at])) ++at;
        if (at >= text.size()) return parts;
        std::size_t close = at + 1;
        while (close < text.size() && !isQuote(text[close])) ++close;
        if (close >= text.size()) return parts;
        Quoted part{at, close, text.substr(at + 1, close - at - 1)};
        config::trim(part.inner);
        parts.push_back(std::move(part));
        at = close + 1;
    }
}

void learnConventions(Table& table) {
    for (const Row& row : table.rows) {
        for (const Quoted& part : quotedParts(row.text)) {
            const CommaNumber number = readCommaNumber(part.inner);
            if (!number.isCommaNumber) continue;
            if (number.asThousands.empty() && !number.asDecimal.empty()) table.usesComma = true;
            if (number.asDecimal.empty() && !number.asThousands.empty()) table.usesPoint = true;
            if (!number.meant.empty() && number.meant.find('.') != config::Text::npos &&
                !number.asThousands.empty())
                table.usesPoint = true;
        }
        for (const Cell& cell : row.cells)
            if (cell.text.find('.') != config::Text::npos && isWholeNumber(cell.text)) table.usesPoint = true;
    }
}

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
    learnConventions(table);
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

// A row of numbers separated by blanks alone, as a table copied from a PDF
// or a web page reads: the text split at its runs of blanks, when there are
// at least two pieces and every piece is a number.
std::optional<std::vector<config::Text>> blankSeparated(const config::Text& text) {
    std::vector<config::Text> pieces;
    std::size_t at = 0;
    while (true) {
        while (at < text.size() && config::isSpace(text[at])) ++at;
        if (at >= text.size()) break;
        std::size_t end = at;
        while (end < text.size() && !config::isSpace(text[end])) ++end;
        pieces.push_back(text.substr(at, end - at));
        if (!isWholeNumber(pieces.back())) return std::nullopt;
        at = end;
    }
    if (pieces.size() < 2) return std::nullopt;
    return pieces;
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
    if (blankSeparated(row.text))
        return messages::trf("the fields are separated by blanks: the plug-in sees one field, {1}",
                             {backquoted(row.cells.empty() ? row.text : row.cells[0].text)});
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

// A header line for a table whose first line holds numbers: the column
// titles the sample vehicle uses.
config::Text headerFor(const Table& table) {
    const std::string name = table.file.filename().u8string();
    if (name == "Speed.csv") return u"speed_kmh,needle";
    if (name == "Current.csv") return u"current_A,needle";
    if (name == "Pressure.csv") return u"pressure_kPa,needle";
    if (name == "Voltage.csv") return u"line_voltage_V,needle";
    config::Text header = u"speed_kmh";
    for (std::size_t step = 1; step < table.headerCells.size(); ++step) {
        const std::string title = ",step" + std::to_string(step);
        header += config::Text(title.begin(), title.end());
    }
    return header;
}

// The header line: a first line that holds numbers is a data row the plug-in
// never sees.
bool checkHeader(Diagnosis& diagnosis, const Table& table, const config::Text& titles = {}) {
    if (!table.header || table.headerCells.size() < 2 || !isWholeNumber(table.headerCells[0].text)) return false;
    const config::Text header = titles.empty() ? headerFor(table) : titles;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.line = 1;
    finding.column = 1;
    finding.found = visibleText(table.header->text);
    finding.message = messages::tr("the first line is a header and is never read, but it holds numbers: this row is lost");
    finding.fix = messages::trf("add a header line above it, such as {1}", {backquoted(header)});
    // The new line takes the file's own line ends.
    finding.fixes.push_back(editFix(table.file, 1, 1, 0, header + u"\n"));
    add(diagnosis, std::move(finding));
    return true;
}

// A row written with another separator. The file's other rows are most
// likely no better: the caller reads no further.
// The character a row is separated by instead of the comma, or 0.
char16_t separatorOf(const Row& row) {
    if (row.raw.find(',') != config::Text::npos) return 0;
    if (blankSeparated(row.text)) return u' ';
    for (const char16_t candidate : {u';', u'\t', u'\uFF0C'})
        if (row.raw.find(candidate) != config::Text::npos) return candidate;
    return 0;
}

// Every data row written with that separator, rewritten with commas.
std::vector<Fix> separatorFixes(const Table& table, char16_t separator) {
    std::vector<Fix> fixes;
    for (const Row& row : table.rows) {
        if (separatorOf(row) != separator) continue;
        config::Text rewritten = row.raw;
        if (separator == u' ') {
            // The numbers joined by commas; what follows the last one (blanks,
            // a comment) kept.
            std::size_t end = row.text.size();
            while (end > 0 && config::isSpace(row.text[end - 1])) --end;
            rewritten.clear();
            const std::vector<config::Text> pieces = blankSeparated(row.text).value_or(std::vector<config::Text>{});
            for (const config::Text& piece : pieces) {
                if (!rewritten.empty()) rewritten += u',';
                rewritten += piece;
            }
            rewritten += row.raw.substr(end);
        } else {
            std::replace(rewritten.begin(), rewritten.end(), separator, u',');
        }
        fixes.push_back(editFix(table.file, row.line, 1, characterCount(row.raw), rewritten));
    }
    return fixes;
}

bool checkSeparator(Diagnosis& diagnosis, const Table& table, const Row& row, bool stopsOnOneField) {
    const std::optional<std::string> problem = separatorProblem(row);
    if (!problem) return false;
    const Severity severity = stopsOnOneField ? stopSeverity(diagnosis, table.file, row.line) : Severity::Warning;
    Finding finding = lineFinding(table, row, severity, *problem,
                                  messages::tr("separate the fields with half-width commas (in Excel: save as "
                                               "\"CSV UTF-8 (comma delimited)\")"));
    if (const char16_t separator = separatorOf(row)) finding.fixes = separatorFixes(table, separator);
    add(diagnosis, std::move(finding));
    return true;
}

bool isDigits(const config::Text& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= '0' && c <= '9'; });
}

// A row with more fields than the header, the first extra one all digits:
// most likely a number written with a comma in it, which the reader cuts.
// Without quotes nothing tells which fields belong together, so no edit is
// offered.
void checkExtraFields(Diagnosis& diagnosis, const Table& table, const Row& row, std::size_t expected) {
    if (row.cells.size() <= expected || expected < 2 || !isDigits(row.cells[expected].text)) return;
    const config::Text& whole = row.cells[expected - 1].text;
    const config::Text joined = whole + u"," + row.cells[expected].text;
    const CommaNumber number = readCommaNumber(joined, table.usesPoint, table.usesComma);
    const std::string cut =
        messages::trf("the row has {1} fields and the header {2}: if {3} is one number, the plug-in reads only {4} of it",
                      {std::to_string(row.cells.size()), std::to_string(expected), backquoted(joined),
                       backquoted(whole)});
    std::string meaning;
    std::string fix;
    if (!number.asDecimal.empty() && !number.asThousands.empty() && number.meant.empty()) {
        meaning = messages::trf("{1} is {2} with a thousands separator, or {3} with a decimal comma",
                                {backquoted(joined), backquoted(number.asThousands), backquoted(number.asDecimal)});
        fix = messages::trf("write the number without a comma: {1} or {2}, whichever was meant",
                            {backquoted(number.asThousands), backquoted(number.asDecimal)});
    } else if (number.meant == number.asThousands) {
        meaning = messages::trf("with a thousands separator it is {1}", {backquoted(number.meant)});
        fix = messages::tr("write numbers without thousands separators (in Excel, format the cells as \"General\" "
                           "before saving)");
    } else {
        meaning = messages::trf("with a decimal comma it is {1}", {backquoted(number.meant)});
        fix = messages::tr("write the decimal point as a full stop '.' (in Excel, set the decimal separator to '.' "
                           "before saving)");
    }
    add(diagnosis, lineFinding(table, row, Severity::Warning, cut + "; " + meaning, std::move(fix)));
}

std::string shownFields(const Row& row) {
    std::string shown;
    for (const Cell& cell : row.cells) shown += (shown.empty() ? "" : ", ") + backquoted(cell.text);
    return shown;
}

// The numbers of a row written in quotes, as Excel writes one that holds a
// comma ("121,5", "1,300") or as some tools quote every field.
struct QuotedRow {
    bool hasNumbers = false;
    bool hasComma = false;
    bool certain = true;       // every number can be read only one way
    std::string meanings;      // of the numbers with a comma
    std::optional<Fix> edit;   // the row rewritten without quotes, when certain
};

QuotedRow quotedRow(const Table& table, const Row& row) {
    QuotedRow result;
    std::vector<std::pair<const Quoted*, config::Text>> numbers;
    const std::vector<Quoted> parts = quotedParts(row.text);
    for (const Quoted& part : parts) {
        const CommaNumber number = readCommaNumber(part.inner, table.usesPoint, table.usesComma);
        if (!number.isCommaNumber && !isWholeNumber(part.inner)) continue;
        numbers.emplace_back(&part, number.isCommaNumber ? number.meant : part.inner);
        if (!number.isCommaNumber) continue;
        result.hasComma = true;
        if (!result.meanings.empty()) result.meanings += "; ";
        const config::Text written = row.text.substr(part.open, part.close - part.open + 1);
        if (number.meant.empty()) {
            result.certain = false;
            result.meanings += messages::trf("{1} is {2} with a thousands separator, or {3} with a decimal comma",
                                             {backquoted(written), backquoted(number.asThousands),
                                              backquoted(number.asDecimal)});
        } else {
            result.meanings += messages::trf("{1} is most likely {2}", {backquoted(written), backquoted(number.meant)});
        }
    }
    if (numbers.empty()) return result;
    result.hasNumbers = true;
    if (!result.certain) return result;
    const std::size_t first = numbers.front().first->open;
    const std::size_t end = numbers.back().first->close + 1;
    config::Text rewritten;
    std::size_t copied = first;
    for (const auto& [part, meant] : numbers) {
        rewritten += row.text.substr(copied, part->open - copied) + meant;
        copied = part->close + 1;
    }
    const std::u16string_view text(row.text);
    result.edit = editFix(table.file, row.line, characterCount(text.substr(0, first)) + 1,
                          characterCount(text.substr(first, end - first)), rewritten);
    return result;
}

// Numbers in quotes: the reader knows no quotes and cuts a quoted number at
// its comma, so the row falls apart. Said once for the file, at its first
// such row; the edits rewrite every such row when each number in them can be
// read only one way. Returns true when the row has any.
bool checkQuotedNumbers(Diagnosis& diagnosis, const Table& table, const Row& row, bool& reported) {
    const QuotedRow quoted = quotedRow(table, row);
    if (!quoted.hasNumbers) return false;
    if (reported) return true;
    reported = true;
    std::vector<Fix> fixes;
    bool certain = true;
    for (const Row& later : table.rows) {
        if (later.number < row.number) continue;
        QuotedRow other = quotedRow(table, later);
        if (!other.hasNumbers) continue;
        certain = certain && other.edit.has_value();
        if (other.edit) fixes.push_back(*other.edit);
    }
    const std::string message =
        quoted.hasComma
            ? messages::trf("a number in quotes with a comma in it: the plug-in reads no quotes and cuts the field at "
                            "the comma, so the fields of this row are {1}; {2}",
                            {shownFields(row), quoted.meanings})
            : messages::trf("numbers in quotes: the plug-in reads no quotes, so the fields of this row are {1} and "
                            "none of them is a number",
                            {shownFields(row)});
    Finding finding = lineFinding(
        table, row, stopSeverity(diagnosis, table.file, row.line), message,
        certain ? messages::tr("remove the quotes and write each number with a full stop as its decimal point and "
                               "no thousands separator (in Excel: cells formatted as \"General\", saved as \"CSV "
                               "UTF-8 (comma delimited)\")")
                : messages::tr("write each number without quotes and without a comma, as it was meant (in Excel: "
                               "cells formatted as \"General\", saved as \"CSV UTF-8 (comma delimited)\")"));
    if (certain) finding.fixes = std::move(fixes);
    add(diagnosis, std::move(finding));
    return true;
}

// The row's text removed: the reader passes over a line with nothing on it.
// The repair that deletes a row whole, line end and all.
Fix deletedRow(const Table& table, const Row& row) {
    Fix fix;
    fix.kind = Fix::Kind::DeleteLine;
    fix.file = table.file;
    fix.line = row.line;
    return fix;
}

bool onlyBlanksAndCommas(const config::Text& text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c == u',' || config::isSpace(c); });
}

// A row the plug-in could not convert: said once, as a second header row
// when it repeats the header.
bool isRepeatedHeader(Diagnosis& diagnosis, const Table& table, const Row& row) {
    if (!sameCells(row.cells, table.headerCells)) return false;
    Finding finding = lineFinding(table, row, stopSeverity(diagnosis, table.file, row.line),
                                  messages::tr("a second header line: only the first line of the file is a header, "
                                               "this one is read as numbers"),
                                  messages::tr("delete this line"));
    finding.fixes.push_back(deletedRow(table, row));
    add(diagnosis, std::move(finding));
    return true;
}

// ---------------------------------------------------------------------------
// Current curves

SensibleRange speedRange() {
    return {-10, 500, messages::tr("a speed in km/h"), u"km/h"};
}

SensibleRange currentRange() {
    return {-10000, 10000, messages::tr("a current in A"), u"A"};
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
    if (needed <= present || table.rows.empty() || diagnosis.sectionFilesTraded) return;
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

struct CurvePoint {
    float speed;
    float current;
    const Row* row;
};

// The points of one column as the plug-in reads them, leaving out cells it
// cannot read (told already).
std::vector<CurvePoint> columnPoints(const Table& table, uint64_t column) {
    std::vector<CurvePoint> points;
    for (const Row& row : table.rows) {
        if (column >= row.cells.size() || row.cells[column].text.empty()) continue;
        if (!isWholeNumber(row.cells[0].text) || !isWholeNumber(row.cells[column].text)) continue;
        points.push_back({config::toFloat(row.cells[0].text), config::toFloat(row.cells[column].text), &row});
    }
    return points;
}

Finding curveFinding(const Table& table, const CurvePoint& point, uint64_t column, std::string message,
                     std::string fix) {
    Finding finding = lineFinding(table, *point.row, Severity::Warning, std::move(message), std::move(fix));
    finding.column = point.row->cells[column].column;
    finding.field = fieldName(static_cast<int>(column) + 1);
    return finding;
}

// One row per speed: two rows of one speed with different currents make the
// curve jump there.
bool checkRepeatedSpeeds(Diagnosis& diagnosis, const Table& table, uint64_t column,
                         const std::vector<CurvePoint>& points) {
    for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t j = 0; j < i; ++j) {
            if (points[j].speed != points[i].speed || points[j].current == points[i].current) continue;
            add(diagnosis, curveFinding(table, points[i], column,
                                        messages::trf("{1} km/h also stands on line {2}, with {3} A where this line "
                                                      "has {4} A: the curve of step {5} jumps at this speed",
                                                      {shownNumber(points[i].speed), std::to_string(points[j].row->line),
                                                       shownNumber(points[j].current), shownNumber(points[i].current),
                                                       std::to_string(column)}),
                                        messages::tr("give each speed one row; a speed mistyped?")));
            return true;
        }
    return false;
}

// The currents of one step share one sign: a lone value of the other sign is
// most likely a mistyped minus.
void checkSigns(Diagnosis& diagnosis, const Table& table, uint64_t column, const std::vector<CurvePoint>& points) {
    std::vector<const CurvePoint*> positive;
    std::vector<const CurvePoint*> negative;
    for (const CurvePoint& point : points) {
        if (point.current > 0) positive.push_back(&point);
        if (point.current < 0) negative.push_back(&point);
    }
    if (positive.empty() || negative.empty()) return;
    const std::vector<const CurvePoint*>& fewer = negative.size() <= positive.size() ? negative : positive;
    const std::vector<const CurvePoint*>& more = negative.size() <= positive.size() ? positive : negative;
    if (fewer.size() != 1 || more.size() < 2) return;
    const CurvePoint& odd = *fewer.front();
    add(diagnosis, curveFinding(table, odd, column,
                                messages::trf("{1} A at {2} km/h has the other sign than the {3} other currents of "
                                              "step {4}: the lamps compare the current with this curve",
                                              {shownNumber(odd.current), shownNumber(odd.speed),
                                               std::to_string(more.size()), std::to_string(column)}),
                                messages::tr("check the sign of this value")));
}

// Speeds covered: a column whose cells stop short of the speeds the other
// columns reach is extended along its last segment; when that line crosses
// 0 A before the file's highest speed the curve turns to the other sign.
void checkCoverage(Diagnosis& diagnosis, const Table& table, uint64_t column, std::vector<CurvePoint> points,
                   float highestSpeed) {
    if (points.size() < 2) return;
    std::stable_sort(points.begin(), points.end(),
                     [](const CurvePoint& a, const CurvePoint& b) { return a.speed < b.speed; });
    const CurvePoint& last = points.back();
    const CurvePoint& before = points[points.size() - 2];
    if (last.speed >= highestSpeed || last.speed == before.speed || last.current == 0) return;
    const float slope = (last.current - before.current) / (last.speed - before.speed);
    const float atHighest = last.current + slope * (highestSpeed - last.speed);
    if ((atHighest < 0) == (last.current < 0) || atHighest == 0) return;
    const float zero = last.speed - last.current / slope;
    add(diagnosis, curveFinding(table, last, column,
                                messages::trf("the curve of step {1} ends at {2} km/h, while the file goes on to {3} "
                                              "km/h: beyond its last row the plug-in extends its last segment, which "
                                              "reaches 0 A at {4} km/h and {5} A at {3} km/h",
                                              {std::to_string(column), shownNumber(last.speed),
                                               shownNumber(highestSpeed), shownNumber(zero), shownNumber(atHighest)}),
                                messages::tr("fill in the cells of this step up to the highest speed of the file")));
}

void checkCurveShapes(Diagnosis& diagnosis, const Table& table, const std::vector<uint64_t>& columns) {
    float highestSpeed = 0;
    for (const Row& row : table.rows)
        if (!row.cells.empty() && isWholeNumber(row.cells[0].text))
            highestSpeed = std::max(highestSpeed, config::toFloat(row.cells[0].text));
    for (const uint64_t column : columns) {
        if (column == 0) continue;
        const std::vector<CurvePoint> points = columnPoints(table, column);
        if (checkRepeatedSpeeds(diagnosis, table, column, points)) return;
        checkSigns(diagnosis, table, column, points);
        checkCoverage(diagnosis, table, column, points, highestSpeed);
    }
}

// ---------------------------------------------------------------------------
// Order of steps

// One step's curve as the plug-in read it, with its column in the file.
struct StepCurve {
    uint64_t column;
    const panel::CurveTable* curve;
};

// +1 when every current of the curve is 0 or more, -1 when every one is 0 or
// less (and some below), 0 when it holds both signs or is empty.
int signOf(const panel::CurveTable& curve) {
    bool positive = false;
    bool negative = false;
    for (const panel::CurvePoint& point : curve) {
        if (!std::isfinite(point.output) || !std::isfinite(point.input)) return 0;
        positive = positive || point.output > 0;
        negative = negative || point.output < 0;
    }
    if (curve.empty() || (positive && negative)) return 0;
    return negative ? -1 : 1;
}

// Where a step's curve lies below the one of the step before it.
struct Shortfall {
    float from;     // the speeds both curves cover
    float to;
    float speed;    // where the gap is largest
    float lower;    // the later step's current there (as written)
    float upper;    // the earlier step's
};

// Curves longer than any a vehicle has are left alone: each comparison
// looks every speed up along the whole curve.
constexpr std::size_t kLongestCompared = 2000;

// The later curve lies below the earlier one when, over the speeds both
// cover, it is nowhere above it and somewhere below it by more than the
// rounding of a written current (1 A, or 1 % of the current). Equal curves
// and curves that cross do not. Currents written negative (braking currents
// with their sign) are compared by their size.

std::optional<Shortfall> liesBelow(const panel::CurveTable& earlier, const panel::CurveTable& later) {
    if (earlier.size() > kLongestCompared || later.size() > kLongestCompared) return std::nullopt;
    const int sign = signOf(earlier);
    if (sign == 0 || signOf(later) != sign) return std::nullopt;
    const float from = std::max(earlier.front().input, later.front().input);
    const float to = std::min(earlier.back().input, later.back().input);
    if (from > to) return std::nullopt;
    std::vector<float> speeds{from, to};
    for (const panel::CurveTable* curve : {&earlier, &later})
        for (const panel::CurvePoint& point : *curve)
            if (point.input > from && point.input < to) speeds.push_back(point.input);
    std::optional<Shortfall> found;
    float widest = 0;
    for (const float speed : speeds) {
        const float upper = panel::interpolateCurve(speed, earlier);
        const float lower = panel::interpolateCurve(speed, later);
        if (!std::isfinite(upper) || !std::isfinite(lower)) return std::nullopt;
        // The lookup's own rounding (a few millionths at a shared point) is
        // no crossing.
        const float gap = sign > 0 ? upper - lower : lower - upper;
        if (gap < -std::max(0.01f, 1e-4f * std::abs(upper))) return std::nullopt;
        if (gap > std::max(1.0f, 0.01f * std::abs(upper)) && gap > widest) {
            widest = gap;
            found = Shortfall{from, to, speed, lower, upper};
        }
    }
    return found;
}

std::string stepName(bool braking, uint64_t column) {
    return braking ? messages::trf("braking step {1}", {std::to_string(column)})
                   : messages::trf("control step {1}", {std::to_string(column)});
}

// Where a cell's text starts in the row's text (cells count their columns in
// characters, the text in UTF-16 units).
std::size_t cellStart(const Row& row, const Cell& cell) {
    const std::u16string_view text(row.text);
    const auto isHigh = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto isLow = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    std::size_t at = 0;
    int counted = 0;  // characters before `at`, as characterCount counts them
    while (at < text.size()) {
        const bool low = isLow(text[at]);
        const bool secondHalf = low && at > 0 && isHigh(text[at - 1]);
        if (counted == cell.column - 1 && !secondHalf) break;
        if (!low) ++counted;
        ++at;
    }
    return at;
}

// The cells of columns `order.front()`.. laid out again in every row, the
// cell of column `first + k` taking the text of column `order[k]`, the
// blanks and commas between them kept. Nothing when a row holds some of
// these cells and not all of them.
std::optional<std::vector<Fix>> rearrangedColumns(const Table& table, uint64_t first,
                                                  const std::vector<uint64_t>& order) {
    const uint64_t last = first + order.size() - 1;
    std::vector<Fix> fixes;
    for (const Row& row : table.rows) {
        if (row.cells.size() <= first) continue;
        if (row.cells.size() <= last) {
            for (uint64_t column = first; column < row.cells.size(); ++column)
                if (!row.cells[column].text.empty()) return std::nullopt;
            continue;
        }
        config::Text rearranged;
        bool changed = false;
        for (uint64_t column = first; column <= last; ++column) {
            const config::Text& moved = row.cells[order[column - first]].text;
            changed = changed || moved != row.cells[column].text;
            rearranged += moved;
            if (column == last) break;
            const std::size_t end = cellStart(row, row.cells[column]) + row.cells[column].text.size();
            rearranged += row.text.substr(end, cellStart(row, row.cells[column + 1]) - end);
        }
        if (!changed) continue;
        const Cell& firstCell = row.cells[first];
        const Cell& lastCell = row.cells[last];
        fixes.push_back(editFix(table.file, row.line, firstCell.column,
                                lastCell.column + characterCount(lastCell.text) - firstCell.column, rearranged));
    }
    if (fixes.empty()) return std::nullopt;
    return fixes;
}

// A column's curve as the plug-in would read it, for a column it does not
// read (the steps it does read are taken from the plug-in itself).
panel::CurveTable curveOfColumn(const Table& table, uint64_t column) {
    panel::CurveTable curve;
    for (const CurvePoint& point : columnPoints(table, column)) curve.push_back({point.speed, point.current});
    panel::sortPoints(curve);
    return curve;
}

bool inOrder(const std::vector<const panel::CurveTable*>& curves) {
    for (std::size_t i = 1; i < curves.size(); ++i)
        if (liesBelow(*curves[i - 1], *curves[i])) return false;
    return true;
}

// The row of a step's column at the speed where its curve falls short most.
void placeAtShortfall(Finding& finding, const Table& table, uint64_t column, float speed) {
    finding.line = table.header ? table.header->number : 1;
    finding.column = 1;
    finding.field = fieldName(static_cast<int>(column) + 1);
    if (column < table.headerCells.size()) {
        finding.column = table.headerCells[column].column;
        finding.found = visibleText(table.headerCells[column].text);
    }
    for (const Row& row : table.rows)
        if (column < row.cells.size() && !row.cells[column].text.empty() && isWholeNumber(row.cells[0].text) &&
            config::toFloat(row.cells[0].text) == speed) {
            finding.line = row.line;
            finding.column = row.cells[column].column;
            finding.found = visibleText(row.raw);
            finding.rows = {row.number};
            return;
        }
}

std::string shortfallText(const std::string& lowerName, const std::string& upperName, const Shortfall& gap) {
    return messages::trf(
        "the curve of {1} lies below the curve of {2} over the speeds both cover ({3} to {4} km/h), by up to {5} A at "
        "{6} km/h ({7} A against {8} A): a higher step draws at least the current of the step before it",
        {lowerName, upperName, shownNumber(gap.from), shownNumber(gap.to), shownNumber(std::abs(gap.upper - gap.lower)),
         shownNumber(gap.speed), shownNumber(gap.lower), shownNumber(gap.upper)});
}

// Another column of the file with exactly the same cells as `column` (not
// all of them 0): a column pasted in the wrong place.
std::optional<uint64_t> copiedFrom(const Table& table, uint64_t column) {
    const std::vector<CurvePoint> points = columnPoints(table, column);
    const auto same = [](const CurvePoint& a, const CurvePoint& b) {
        return a.speed == b.speed && a.current == b.current;
    };
    const auto noCurrent = [](const CurvePoint& point) { return point.current == 0; };
    if (points.size() < 2 || std::all_of(points.begin(), points.end(), noCurrent)) return std::nullopt;
    for (uint64_t other = 1; other <= stepColumns(table); ++other) {
        if (other == column) continue;
        const std::vector<CurvePoint> candidate = columnPoints(table, other);
        if (std::equal(points.begin(), points.end(), candidate.begin(), candidate.end(), same)) return other;
    }
    return std::nullopt;
}

// The curves of a file's steps, taken in the order of the steps the plug-in
// reads, rise with the step: a higher step draws at least the current of the
// one below it at every speed. A step whose curve lies below the step
// before it most likely has its column traded with that step's, or a column
// mistyped. Two patterns have a certain repair, when undoing them puts
// every step in order: two neighbouring columns traded, and the columns
// written in the reverse order of the steps (the highest step first).
void checkStepOrder(Diagnosis& diagnosis, const Table& table, std::vector<StepCurve> steps, bool braking) {
    std::stable_sort(steps.begin(), steps.end(),
                     [](const StepCurve& a, const StepCurve& b) { return a.column < b.column; });
    // A step without current at any speed (an emergency step that brakes by
    // air alone) says so on purpose: it is left out of the order.
    const auto withoutCurrent = [](const StepCurve& step) {
        return std::all_of(step.curve->begin(), step.curve->end(),
                           [](const panel::CurvePoint& point) { return point.output == 0; });
    };
    steps.erase(std::remove_if(steps.begin(), steps.end(),
                               [&](const StepCurve& step) { return step.column == 0 || withoutCurrent(step); }),
                steps.end());
    steps.erase(std::unique(steps.begin(), steps.end(),
                            [](const StepCurve& a, const StepCurve& b) { return a.column == b.column; }),
                steps.end());
    std::vector<std::size_t> falling;  // i: step i lies below step i - 1
    for (std::size_t i = 1; i < steps.size(); ++i)
        if (liesBelow(*steps[i - 1].curve, *steps[i].curve)) falling.push_back(i);
    if (falling.empty()) return;

    // Every step below the one before it: the columns written from the
    // highest step down.
    const std::size_t columnCount = stepColumns(table);
    if (falling.size() >= 2 && falling.size() + 1 == steps.size() && steps.back().column <= columnCount) {
        std::vector<panel::CurveTable> reversed;
        reversed.reserve(steps.size());
        for (const StepCurve& step : steps) reversed.push_back(curveOfColumn(table, columnCount + 1 - step.column));
        std::vector<const panel::CurveTable*> curves;
        curves.reserve(reversed.size());
        for (const panel::CurveTable& curve : reversed) curves.push_back(&curve);
        std::vector<uint64_t> order;
        for (uint64_t column = columnCount; column >= 1; --column) order.push_back(column);
        const std::optional<std::vector<Fix>> fixes =
            inOrder(curves) ? rearrangedColumns(table, 1, order) : std::nullopt;
        if (fixes) {
            const Shortfall gap = *liesBelow(*steps[0].curve, *steps[1].curve);
            const std::string firstName = stepName(braking, steps.front().column);
            const std::string lastName = stepName(braking, steps.back().column);
            Finding finding;
            finding.severity = Severity::Warning;
            finding.file = table.file;
            placeAtShortfall(finding, table, steps[1].column, gap.speed);
            finding.message = messages::trf(
                "the curves fall with the step from {1} to {2} ({3} lies below {1} by up to {4} A at {5} km/h): a "
                "higher step draws at least the current of the step before it; with the {6} columns of the file in "
                "the reverse order every step's curve lies at or above the one before it, so the columns are most "
                "likely written from the highest step down",
                {firstName, lastName, stepName(braking, steps[1].column), shownNumber(std::abs(gap.upper - gap.lower)),
                 shownNumber(gap.speed), std::to_string(columnCount)});
            finding.fix = messages::tr("write the columns in the order of the steps, step 1 first (the plug-in takes "
                                       "column k as step k)");
            finding.fixes = *fixes;
            add(diagnosis, std::move(finding));
            return;
        }
    }

    // One pair of neighbouring columns out of order, traded back.
    std::optional<std::vector<Fix>> swap;
    const std::size_t first = falling.front();
    if (falling.size() == 1 && steps[first].column == steps[first - 1].column + 1) {
        std::vector<const panel::CurveTable*> traded;
        traded.reserve(steps.size());
        for (const StepCurve& step : steps) traded.push_back(step.curve);
        std::swap(traded[first], traded[first - 1]);
        if (inOrder(traded))
            swap = rearrangedColumns(table, steps[first - 1].column, {steps[first].column, steps[first - 1].column});
    }

    for (const std::size_t i : falling) {
        const StepCurve& earlier = steps[i - 1];
        const StepCurve& later = steps[i];
        const Shortfall gap = *liesBelow(*earlier.curve, *later.curve);
        const std::string lowerName = stepName(braking, later.column);
        const std::string upperName = stepName(braking, earlier.column);
        Finding finding;
        finding.severity = Severity::Warning;
        finding.file = table.file;
        placeAtShortfall(finding, table, later.column, gap.speed);
        const std::string read = shortfallText(lowerName, upperName, gap);
        if (swap) {
            finding.message = read + "; " + messages::trf("with the columns of {1} and {2} traded back, every step's "
                                                          "curve lies at or above the one before it: the two columns "
                                                          "are most likely traded",
                                                          {upperName, lowerName});
            finding.fix = messages::trf("trade the columns of {1} and {2} back (the plug-in takes column k as step k)",
                                        {upperName, lowerName});
            finding.fixes = *swap;
        } else if (const std::optional<uint64_t> source = copiedFrom(table, later.column)) {
            finding.message = read + "; " + messages::trf("the column of {1} holds exactly the currents of {2}: it "
                                                          "was most likely copied from the wrong column",
                                                          {lowerName, stepName(braking, *source)});
            finding.fix = messages::trf("write the currents of {1} in its column", {lowerName});
        } else {
            finding.message = read + "; " + messages::tr("the columns are most likely traded, shifted or mistyped");
            finding.fix = messages::trf("check the columns of {1} and {2}: the plug-in takes column k of the file as "
                                        "step k",
                                        {upperName, lowerName});
        }
        add(diagnosis, std::move(finding));
    }
}

// A curve table written the other way round, one row per step and one column
// per speed (copied from a sheet laid out so, or pasted transposed): the
// header holds rising speeds and the first fields count the steps. The
// plug-in then reads the step numbers as speeds and every column as a step,
// and no check of the curves' shape says anything true.
bool checkTransposed(Diagnosis& diagnosis, const Table& table) {
    if (!table.header || table.headerCells.size() < 3 || table.rows.size() < 2) return false;
    // Titles 1, 2, 3, ... over the columns number the steps of a table read
    // the right way round.
    bool counts = true;
    double before = -1;
    for (std::size_t i = 1; i < table.headerCells.size(); ++i) {
        const config::Text& cell = table.headerCells[i].text;
        if (cell.empty() || !std::all_of(cell.begin(), cell.end(), [](char16_t c) { return (c >= '0' && c <= '9') || c == '.'; }))
            return false;
        const std::string digits = platform::toUtf8(cell);
        char* end = nullptr;
        const double speed = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size() || speed <= before) return false;
        counts = counts && (speed == static_cast<double>(i) || speed == static_cast<double>(i - 1));
        before = speed;
    }
    if (counts) return false;
    const int first = table.rows.front().cells.empty() || table.rows.front().cells[0].text != u"0" ? 1 : 0;
    for (std::size_t k = 0; k < table.rows.size(); ++k) {
        const Row& row = table.rows[k];
        const std::string step = std::to_string(static_cast<int>(k) + first);
        if (row.cells.empty() || row.cells[0].text != config::Text(step.begin(), step.end())) return false;
    }
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.line = table.header->number;
    finding.column = 1;
    finding.found = visibleText(table.header->text, 60);
    finding.message = messages::trf(
        "the table is written with one row per step and the speeds across the header ({1} to {2}): the plug-in "
        "takes each row as one speed, so it reads the step numbers {3} to {4} as speeds in km/h, and each column as "
        "one step",
        {backquoted(table.headerCells[1].text), backquoted(table.headerCells.back().text), std::to_string(first),
         std::to_string(static_cast<int>(table.rows.size()) - 1 + first)});
    finding.fix = messages::tr("write one row per speed: the speed first, then the current of each step (in Excel: "
                               "copy the table and paste it with \"Transpose\")");
    add(diagnosis, std::move(finding));
    return true;
}

// Curves whose largest current is a few amperes at most: the simulator's
// traction current is in A and reaches hundreds, so the lamps would light at
// once. Such a file is most likely written in kA.
void checkCurrentScale(Diagnosis& diagnosis, const std::filesystem::path& file, const std::vector<StepCurve>& curves) {
    float highest = 0;
    for (const StepCurve& step : curves) {
        if (step.column == 0) continue;  // the speed column read as a current
        for (const panel::CurvePoint& point : *step.curve) highest = std::max(highest, std::fabs(point.output));
    }
    if (highest <= 0 || highest >= 5) return;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = file;
    finding.message = messages::trf("the largest current of the curves the plug-in reads is {1} A: the traction "
                                    "current it is compared with is in A and reaches hundreds, so the curves are "
                                    "most likely written in kA ({1} kA is {2} A)",
                                    {shownNumber(highest), shownNumber(highest * 1000)});
    finding.fix = messages::tr("write the currents in A (multiply them by 1000)");
    add(diagnosis, std::move(finding));
}

// The step a header title numbers ("step3", "P3", "3段", "ノッチ３"): its one
// run of digits, or -1 when it holds none or several.
long titledStep(const config::Text& title) {
    long number = -1;
    bool inRun = false;
    int runs = 0;
    for (const char16_t c : title) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 0xFF10 && c <= 0xFF19 ? c - 0xFF10 : -1;
        if (digit < 0) {
            inRun = false;
            continue;
        }
        if (!inRun && ++runs > 1) return -1;
        number = (inRun ? number : 0) * 10 + digit;
        if (number > 100000) return -1;
        inRun = true;
    }
    return number;
}

// Columns without a step number in front of the numbered ones ("speed,off,
// step1,step2,..."): the plug-in takes column k as step k, so every step is
// read from the column of the step before it. Deleting the columns in front
// gives each step its own column.
bool checkColumnsInFront(Diagnosis& diagnosis, const Table& table) {
    const std::vector<Cell>& titles = table.headerCells;
    if (!table.header || titles.size() < 5) return false;
    std::size_t front = 1;
    while (front < titles.size() && titledStep(titles[front].text) < 0) ++front;
    const std::size_t extra = front - 1;
    if (extra == 0 || titles.size() - front < 3) return false;
    for (std::size_t k = front; k < titles.size(); ++k)
        if (titledStep(titles[k].text) != static_cast<long>(k - extra)) return false;
    // Every row must hold the columns in front, so that deleting them is
    // the same edit throughout.
    std::vector<Fix> fixes;
    const auto cut = [&](int line, const std::vector<Cell>& cells) {
        fixes.push_back(editFix(table.file, line, cells[1].column, cells[front].column - cells[1].column, u""));
    };
    cut(table.header->number, titles);
    for (const Row& row : table.rows) {
        if (row.cells.size() <= front) {
            fixes.clear();
            break;
        }
        cut(row.line, row.cells);
    }
    config::Text names;
    for (std::size_t k = 1; k < front; ++k) names += (k > 1 ? u", " : u"") + titles[k].text;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.line = table.header->number;
    finding.column = titles[1].column;
    finding.found = visibleText(table.header->text, 60);
    finding.message = messages::trf(
        "the header numbers the steps from column {1} ({2}), behind {3}: the plug-in takes column k as step k, so it "
        "reads each step k from the column titled for step k - {4}",
        {std::to_string(front), backquoted(titles[front].text), backquoted(names), std::to_string(extra)});
    finding.fix = messages::trf("delete {1} from every row, so that column k holds step k", {backquoted(names)});
    finding.fixes = std::move(fixes);
    add(diagnosis, std::move(finding));
    return true;
}

void checkCurves(Diagnosis& diagnosis, const std::filesystem::path& file, std::vector<uint64_t> columns,
                 uint64_t steps, const std::vector<StepCurve>& curves, bool braking) {
    const Table table = readTable(file);
    if (checkTransposed(diagnosis, table) || checkColumnsInFront(diagnosis, table)) return;
    checkHeader(diagnosis, table);
    // A column named twice is read twice; once is enough to check it.
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    bool quotesReported = false;
    for (const Row& row : table.rows) {
        if (checkSeparator(diagnosis, table, row, false)) return;
        if (checkQuotedNumbers(diagnosis, table, row, quotesReported)) continue;
        checkExtraFields(diagnosis, table, row, table.headerCells.size());
        // The later rows are still looked at, so that every row the author
        // has to mend is named, not only the one the plug-in stopped at.
        checkCurveRow(diagnosis, table, row, columns);
    }
    checkColumns(diagnosis, table, columns.empty() ? 0 : columns.back(), steps);
    checkCurveShapes(diagnosis, table, columns);
    checkCurrentScale(diagnosis, file, curves);
    // Curves the plug-in did not finish reading, or files of the other
    // section, say nothing about the order of the steps.
    const std::optional<config::LoadFailure>& failure = diagnosis.plugin.report.failure;
    if (diagnosis.sectionFilesTraded ||
        (failure && failure->file.lexically_normal() == file.lexically_normal()))
        return;
    checkStepOrder(diagnosis, table, curves, braking);
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
    if (name == "Pressure.csv") return SensibleRange{-50, 2000, messages::tr("a pressure in kPa"), u"kPa"};
    if (name == "Speed.csv") return speedRange();
    if (name == "Current.csv") return currentRange();
    if (name == "Voltage.csv") return SensibleRange{0, 5000, messages::tr("a voltage in V"), u"V"};
    return std::nullopt;
}

// A row with fewer than two fields: the plug-in stops at it.
// The rows from `row` on that hold nothing but blanks and commas, deleted:
// Excel and editors leave several of them below a table.
std::vector<Fix> deletedBlankRows(const Table& table, const Row& row) {
    std::vector<Fix> fixes;
    for (const Row& later : table.rows)
        if (later.number >= row.number && onlyBlanksAndCommas(later.text)) fixes.push_back(deletedRow(table, later));
    return fixes;
}

void explainShortRow(Diagnosis& diagnosis, const Table& table, const Row& row) {
    const Severity severity = stopSeverity(diagnosis, table.file, row.line);
    const bool blank = isBlank(row.text);
    if (blank || (row.cells.size() == 1 && row.cells[0].text.empty())) {
        Finding finding =
            blank ? lineFinding(table, row, severity,
                                messages::tr("the line holds only blanks: the plug-in takes it for a row without a "
                                             "second field"),
                                messages::tr("delete the line, including any line of blanks at the end of the file"))
                  : lineFinding(table, row, severity,
                                messages::tr("an empty row (only a comma): the plug-in takes it for a row without a "
                                             "second field"),
                                messages::tr("delete the empty rows below the table (in Excel: select the rows and "
                                             "delete them, not just their contents)"));
        finding.fixes = deletedBlankRows(table, row);
        add(diagnosis, std::move(finding));
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
        // A row written twice: inside the table it changes nothing, at an end
        // it holds the needle there, a way to stop it at the end of its dial.
        if (points[i].output == points[i - 1].output) {
            if (atEnd)
                add(diagnosis, Finding{Severity::Note, table.file, points[i].line, 1, {}, shownNumber(points[i].input),
                                       i == 1 ? messages::trf("the row repeats line {1}: below {2} the needle "
                                                              "holds at {3}",
                                                              {std::to_string(points[i - 1].line),
                                                               shownNumber(points[i].input),
                                                               shownNumber(points[i].output)})
                                              : messages::trf("the row repeats line {1}: beyond {2} the needle "
                                                              "holds at {3}",
                                                              {std::to_string(points[i - 1].line),
                                                               shownNumber(points[i].input),
                                                               shownNumber(points[i].output)}),
                                       {}, {points[i - 1].row, points[i].row}, {}});
            continue;
        }
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

// The speed table's output is one hundredth of the panel value: the plug-in
// multiplies it by 100. Outputs about 100 times the speeds are panel values
// already, and reach the panel 100 times too large; dividing each by 100
// gives the panel exactly the values written.
void checkSpeedHundredths(Diagnosis& diagnosis, const Table& table, const std::vector<ReadPoint>& points) {
    if (table.file.filename() != "Speed.csv") return;
    std::vector<const ReadPoint*> moving;
    for (const ReadPoint& point : points)
        if (point.input > 0) moving.push_back(&point);
    if (moving.size() < 2) return;
    for (const ReadPoint* point : moving) {
        const float ratio = point->output / point->input;
        if (ratio < 50 || ratio > 200) return;
    }
    const ReadPoint& top = *moving.back();
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.line = top.line;
    finding.column = 1;
    finding.message = messages::trf("the outputs are about 100 times the speeds ({1} at {2} km/h): the plug-in "
                                    "multiplies this table's output by 100 itself, so at {2} km/h the panel receives "
                                    "{3}",
                                    {shownNumber(top.output), shownNumber(top.input), shownNumber(top.output * 100)});
    finding.fix = messages::tr("write the needle value of each speed divided by 100 (40.4 for the panel value 4040)");
    for (const Row& row : table.rows) {
        if (row.cells.size() < 2 || !isWholeNumber(row.cells[1].text)) continue;
        const std::string divided = shownNumber(config::toFloat(row.cells[1].text) / 100);
        finding.fixes.push_back(editFix(table.file, row.line, row.cells[1].column, characterCount(row.cells[1].text),
                                        config::Text(divided.begin(), divided.end())));
        finding.rows.push_back(row.number);
    }
    add(diagnosis, std::move(finding));
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

// ---------------------------------------------------------------------------
// What the panel can show

// The range a needle's quantity takes in a frame, and how the table's output
// becomes the panel value: the output (times 100 for the speed) cut toward
// zero to a whole number, held at the ends of int32.
struct NeedleQuantity {
    const panel::CurveTable* table;
    float lowest;
    float highest;
    float factor;
    std::string unit;
    std::string largerUnit;  // a thousand times the unit; empty for the speed
    std::string what;        // in the author's language
};

constexpr float kFrameSpeed = 300;          // km/h
constexpr float kFramePressure = 1000;      // kPa, the brake cylinder and the main reservoir
constexpr float kFrameVoltageLow = 1310;    // V, the plug-in's line voltage under load ...
constexpr float kFrameVoltageHigh = 1620;   // ... and without
constexpr float kFrameCurrentDefault = 1000;  // A, without current curves to tell

// The largest current the vehicle's curves give: what the ammeter is driven to.
float highestCurrent(const config::NotchConfig& notch) {
    float highest = 0;
    for (const auto* curves : {&notch.powerCurrentCurves, &notch.brakeCurrentCurves})
        for (const panel::CurveTable& curve : *curves)
            for (const panel::CurvePoint& point : curve)
                if (std::isfinite(point.output)) highest = std::max(highest, std::abs(point.output));
    return highest > 0 ? highest : kFrameCurrentDefault;
}

std::optional<NeedleQuantity> needleQuantity(const Diagnosis& diagnosis, const std::filesystem::path& file) {
    const panel::NeedleTables& tables = diagnosis.plugin.needles;
    const std::string name = file.filename().u8string();
    if (name == "Pressure.csv")
        return NeedleQuantity{&tables.pressureTable, 0, kFramePressure, 1, "kPa", "MPa",
                              messages::tr("the brake-cylinder and main-reservoir pressure")};
    if (name == "Speed.csv")
        return NeedleQuantity{&tables.speedTable, 0, kFrameSpeed, 100, "km/h", "", messages::tr("the speed")};
    if (name == "Current.csv")
        return NeedleQuantity{&tables.currentTable, 0, highestCurrent(diagnosis.plugin.notch), 1, "A", "kA",
                              messages::tr("the traction current")};
    if (name == "Voltage.csv")
        return NeedleQuantity{&tables.voltageTable, kFrameVoltageLow, kFrameVoltageHigh, 1, "V", "kV",
                              messages::tr("the line voltage")};
    return std::nullopt;
}

// The panel value before it is cut to a whole number.
float panelFloat(const NeedleQuantity& quantity, float value) {
    return panel::interpolateCurve(value, *quantity.table) * quantity.factor;
}

// The quantity's range in even steps, and every input of the table within it.
std::vector<float> frameValues(const NeedleQuantity& quantity) {
    constexpr int kSteps = 1000;
    std::vector<float> values;
    for (int i = 0; i <= kSteps; ++i)
        values.push_back(quantity.lowest + (quantity.highest - quantity.lowest) * static_cast<float>(i) / kSteps);
    if (quantity.table->size() > kLongestCompared) return values;
    for (const panel::CurvePoint& point : *quantity.table)
        if (point.input > quantity.lowest && point.input < quantity.highest) values.push_back(point.input);
    return values;
}

std::string rangeText(const NeedleQuantity& quantity) {
    return messages::trf("{1} to {2} {3}, the range {4} takes", {shownNumber(quantity.lowest),
                                                                shownNumber(quantity.highest), quantity.unit,
                                                                quantity.what});
}

Finding needleFinding(const Table& table, const ReadPoint& point, std::string message, std::string fix) {
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.line = point.line;
    finding.column = 1;
    finding.found = shownNumber(point.input) + ", " + shownNumber(point.output);
    finding.message = std::move(message);
    finding.fix = std::move(fix);
    finding.rows = {point.row};
    return finding;
}

// A panel value holds -2147483648 to 2147483647: beyond, the plug-in holds
// the needle at that end, which no dial is made for.
void checkBeyondPanelValues(Diagnosis& diagnosis, const Table& table, const std::vector<ReadPoint>& points,
                            const NeedleQuantity& quantity) {
    constexpr float kLimit = 2147483648.0f;
    float worst = 0;
    float at = 0;
    for (const float value : frameValues(quantity)) {
        const float shown = panelFloat(quantity, value);
        if (std::isnan(shown) || std::abs(shown) <= std::abs(worst)) continue;
        worst = shown;
        at = value;
    }
    if (std::abs(worst) < kLimit) return;
    const ReadPoint* largest = &points.front();
    for (const ReadPoint& point : points)
        if (std::abs(point.output) > std::abs(largest->output)) largest = &point;
    add(diagnosis,
        needleFinding(table, *largest,
                      messages::trf("at {1} {2} the table gives the panel {3}, beyond what a panel value holds "
                                    "(-2147483648 to 2147483647): the plug-in gives the panel {4} instead, and the "
                                    "needle stays at the end of its travel",
                                    {shownNumber(at), quantity.unit, shownNumber(worst),
                                     std::to_string(panel::toPanelValue(worst))}),
                      messages::tr("check the outputs of the table: a digit too many, or a value meant for another "
                                   "column?")));
}

// The panel takes whole numbers, cut toward zero: outputs that stay within
// a few units over the quantity's range (a pressure written in MPa: 0.49
// becomes 0) leave the needle only a few positions. A table that steps on
// purpose (whole outputs, with ramps between them only over short inputs)
// loses little to the cut and is left alone.
void checkFewPanelValues(Diagnosis& diagnosis, const Table& table, const std::vector<ReadPoint>& points,
                         const NeedleQuantity& quantity) {
    constexpr std::size_t kFewValues = 5;
    std::set<int32_t> shown;
    float lowest = std::numeric_limits<float>::infinity();
    float highest = -lowest;
    int cut = 0;
    const std::vector<float> values = frameValues(quantity);
    for (const float value : values) {
        const float output = panelFloat(quantity, value);
        if (!std::isfinite(output)) return;
        lowest = std::min(lowest, output);
        highest = std::max(highest, output);
        const int32_t whole = panel::toPanelValue(output);
        if (static_cast<float>(whole) != output) ++cut;
        shown.insert(whole);
        if (shown.size() > kFewValues) return;
    }
    if (!(highest > lowest) || cut * 2 < static_cast<int>(values.size())) return;
    // The example: a row within the range whose output the cut changes, or
    // else the middle of the range, told at the row its segment ends at.
    const ReadPoint* example = nullptr;
    for (const ReadPoint& point : points) {
        const float output = point.output * quantity.factor;
        if (point.input >= quantity.lowest && point.input <= quantity.highest &&
            static_cast<float>(panel::toPanelValue(output)) != output) {
            example = &point;
            break;
        }
    }
    float exampleInput = 0;
    if (example != nullptr) {
        exampleInput = example->input;
    } else {
        exampleInput = (quantity.lowest + quantity.highest) / 2;
        example = &points.back();
        for (const ReadPoint& point : points)
            if (point.input >= exampleInput) {
                example = &point;
                break;
            }
    }
    std::string list;
    for (const int32_t value : shown) list += (list.empty() ? "" : ", ") + std::to_string(value);
    const float exampleOutput = panelFloat(quantity, exampleInput);
    std::string message = messages::trf(
        "over {1}, the panel values of this table lie between {2} and {3}; the panel takes whole numbers, cut toward "
        "zero, so the needle shows only {4} ({5} {6} gives {7}, shown as {8})",
        {rangeText(quantity), shownNumber(lowest), shownNumber(highest), list, shownNumber(exampleInput),
         quantity.unit, shownNumber(exampleOutput), std::to_string(panel::toPanelValue(exampleOutput))});
    // Outputs about a thousandth of their inputs: written in the next larger
    // unit (MPa, kV, kA) where the needle's scale counts in the table's own.
    const float ratio = exampleOutput != 0 ? exampleInput / exampleOutput : 0;
    std::string fix = messages::tr("write the outputs in the units of the needle's scale, so that one step of the "
                                   "needle is at least 1");
    if (ratio > 500 && ratio < 2000 && !quantity.largerUnit.empty()) {
        message += "; " + messages::trf("the outputs are about a thousandth of the inputs, as if written in {1} "
                                        "where the needle counts {2}",
                                        {quantity.largerUnit, quantity.unit});
        fix = messages::trf("write the outputs in {1}, as the inputs are ({2} rather than {3})",
                            {quantity.unit, shownNumber(exampleOutput * 1000), shownNumber(exampleOutput)});
    }
    add(diagnosis, needleFinding(table, *example, std::move(message), std::move(fix)));
}

// The needle's outputs share one sign over the range in use: a lone output
// of the other sign where the needle would otherwise move one way is most
// likely a mistyped minus. An output below zero at the start of a rising
// table (a needle resting below its zero) is no such thing. Returns true
// when it made a finding.
bool checkPanelSigns(Diagnosis& diagnosis, const Table& table, const std::vector<ReadPoint>& points,
                     const NeedleQuantity& quantity) {
    // The rows from the one the lowest value of the range starts from: rows
    // below it (a voltage table's row for 0 V) never reach the panel.
    std::size_t first = 0;
    const std::size_t last = points.size() - 1;
    while (first + 1 < points.size() && points[first + 1].input <= quantity.lowest) ++first;
    if (last < first + 2) return false;
    std::vector<const ReadPoint*> positive;
    std::vector<const ReadPoint*> negative;
    for (std::size_t i = first; i <= last; ++i) {
        if (points[i].output > 0) positive.push_back(&points[i]);
        if (points[i].output < 0) negative.push_back(&points[i]);
    }
    const bool loneNegative = negative.size() == 1 && positive.size() >= 2;
    const bool lonePositive = positive.size() == 1 && negative.size() >= 2;
    if (!loneNegative && !lonePositive) return false;
    const ReadPoint& odd = loneNegative ? *negative.front() : *positive.front();
    const auto monotone = [&](bool flipped) {
        int direction = 0;
        float before = 0;
        for (std::size_t i = first; i <= last; ++i) {
            const float output = (flipped && &points[i] == &odd) ? -points[i].output : points[i].output;
            if (i > first) {
                const int now = output > before ? 1 : output < before ? -1 : 0;
                if (now != 0 && direction != 0 && now != direction) return false;
                if (now != 0) direction = now;
            }
            before = output;
        }
        return true;
    };
    if (monotone(false) || !monotone(true)) return false;
    add(diagnosis,
        needleFinding(table, odd,
                      messages::trf("the output {1} at {2} {3} has the other sign than the {4} other outputs: the "
                                    "needle swings back past zero there and returns ({5} was most likely meant)",
                                    {shownNumber(odd.output), shownNumber(odd.input), quantity.unit,
                                     std::to_string(loneNegative ? positive.size() : negative.size()),
                                     shownNumber(-odd.output)}),
                      messages::tr("check the sign of this value")));
    return true;
}

// Inputs written in a larger unit than the one the plug-in looks the
// quantity up in (MPa or kgf/cm² for kPa, kV for V, kA for A): every row lies
// far below the values the quantity takes, and beyond the last row the
// plug-in extends the last segment, so the needle runs far past every output
// the table holds. Returns true when it made a finding.
bool checkInputScale(Diagnosis& diagnosis, const Table& table, const std::vector<ReadPoint>& points,
                     const NeedleQuantity& quantity) {
    const ReadPoint* top = &points.front();
    float highestOutput = 0;
    for (const ReadPoint& point : points) {
        if (std::abs(point.input) > std::abs(top->input)) top = &point;
        highestOutput = std::max(highestOutput, std::abs(point.output) * quantity.factor);
    }
    // A unit written after the number has its own finding.
    if (!isWholeNumber(table.rows[static_cast<std::size_t>(top->row) - 1].cells[0].text)) return false;
    const float typical = quantity.lowest > 0 ? quantity.lowest : quantity.highest;
    const float reach = std::abs(top->input);
    // Outputs many times their inputs: in the needle's scale where the inputs
    // are not. A short table that only sets the slope (0,0 and 1,1) is
    // extended faithfully and is no such thing.
    if (!(reach > 0) || reach * 50 > typical || highestOutput < reach * 50) return false;
    const float middle = (quantity.lowest + quantity.highest) / 2;
    const float shown = panelFloat(quantity, middle);
    if (!(std::abs(shown) > highestOutput * 2)) return false;
    // The units whose values would fit the quantity's range.
    const auto fits = [&](float factor) { return reach * factor >= typical / 5 && reach * factor <= typical * 2; };
    std::vector<std::pair<std::string, float>> units;
    if (!quantity.largerUnit.empty() && fits(1000)) units.push_back({quantity.largerUnit, 1000});
    if (quantity.unit == "kPa" && fits(98.0665f)) units.push_back({"kgf/cm²", 98.0665f});
    std::string message = messages::trf(
        "the inputs end at {1} {2}, far below {3}: beyond the last row the plug-in extends the table's last segment, so "
        "at {4} {2} the panel receives {5}, where the table's outputs reach only {6}",
        {shownNumber(top->input), quantity.unit, rangeText(quantity), shownNumber(middle),
         std::to_string(panel::toPanelValue(shown)), shownNumber(highestOutput)});
    std::string fix = messages::trf("write the inputs in {1}, the unit the plug-in looks {2} up in",
                                    {quantity.unit, quantity.what});
    if (units.size() == 1) {
        message += "; " + messages::trf("the inputs look written in {1}", {units[0].first});
        fix = messages::trf("write the inputs in {1} ({2} rather than {3})",
                            {quantity.unit, shownNumber(top->input * units[0].second), shownNumber(top->input)});
    }
    add(diagnosis, needleFinding(table, *top, std::move(message), std::move(fix)));
    return true;
}

// A needle table without rows: the needle is driven by the quantity itself.
void checkNoRows(Diagnosis& diagnosis, const Table& table) {
    if (!table.rows.empty()) return;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    const bool speed = table.file.filename() == "Speed.csv";
    finding.message =
        table.header && !table.header->text.empty()
            ? messages::tr("the file holds a header line and no rows: the plug-in reads no points")
            : messages::tr("the file is empty: the plug-in reads no points");
    finding.message += std::string("; ") + (speed ? messages::tr("the panel then receives the speed in km/h times 100, as if the "
                                                    "table gave every speed itself")
                                     : messages::tr("the panel then receives the quantity itself, in its unit"));
    finding.fix = messages::tr("write the table's rows \"input, output\" below a header line, or delete the file if "
                               "the needle is meant to show the quantity as it is");
    add(diagnosis, std::move(finding));
}

}  // namespace

void checkPowerCurves(Diagnosis& diagnosis, const std::filesystem::path& file) {
    if (isMisnamed(diagnosis, NotchKey::PowerCurrent)) return;
    const config::NotchConfig& notch = diagnosis.plugin.notch;
    const std::vector<uint64_t>& steps = notch.powerCurveSteps;
    std::vector<StepCurve> curves;
    for (std::size_t j = 0; j < steps.size() && j < notch.powerCurrentCurves.size(); ++j)
        curves.push_back({steps[j], &notch.powerCurrentCurves[j]});
    checkCurves(diagnosis, file, steps, steps.empty() ? 0 : steps.back(), curves, false);
}

void checkBrakeCurves(Diagnosis& diagnosis, const std::filesystem::path& file) {
    if (isMisnamed(diagnosis, NotchKey::BrakeCurrent)) return;
    const config::NotchConfig& notch = diagnosis.plugin.notch;
    const uint64_t count = notch.brakeStepCount;
    std::vector<uint64_t> columns;
    std::vector<StepCurve> curves;
    for (uint64_t step = 1; step <= count && step <= 10000; ++step) {
        columns.push_back(step);
        if (step <= notch.brakeCurrentCurves.size()) curves.push_back({step, &notch.brakeCurrentCurves[step - 1]});
    }
    checkCurves(diagnosis, file, columns, count, curves, true);
}

void checkNoLoadCurrent(Diagnosis& diagnosis, const std::filesystem::path& file) {
    if (isMisnamed(diagnosis, NotchKey::BrakeNoLoadCurrent)) return;
    const Table table = readTable(file);
    const bool rowAsHeader = checkHeader(diagnosis, table, u"line_voltage_V,no_load_current_A,auxiliary_A");
    bool quotesReported = false;
    for (const Row& row : table.rows) {
        if (checkSeparator(diagnosis, table, row, false)) return;
        if (checkQuotedNumbers(diagnosis, table, row, quotesReported)) return;
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
                    SensibleRange{0, 1000, messages::tr("a no-load current in A"), u"A"});
        return;
    }
    // A lone row written as the header is told above, with its cause.
    if ((table.rows.empty() && !table.header) || (table.rows.empty() && rowAsHeader)) return;
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = table.file;
    finding.message = messages::tr("no row with three fields and a second field: the no-load current stays 0 A");
    finding.fix = messages::tr("write a row \"voltage, no-load current, auxiliary current\" below the header");
    add(diagnosis, std::move(finding));
}

namespace {

// A row of words below the numbers: a note, a total or an average added in
// Excel or Notepad. Its first field starts with a letter of a word (Japanese,
// a reference mark, bytes the plug-in cannot decode, or two Latin letters)
// and is no number mistyped with letters or look-alike characters.
bool startsWithWords(const config::Text& text, bool belowHeader) {
    if (text.empty()) return false;
    try {
        config::toFloat(text);  // whatever the plug-in converts is a number
        return false;
    } catch (const std::exception&) {
    }
    config::Text digits = text;
    for (char16_t& l : digits) l = (l == 'O' || l == 'o') ? u'0' : (l == 'l' || l == 'I') ? u'1' : l;
    if (isWholeNumber(digits)) return false;
    if (const std::optional<config::Text> ascii = asciiDigits(text); ascii && isWholeNumber(*ascii)) return false;
    const char16_t c = text[0];
    const auto latin = [](char16_t l) { return (l >= 'a' && l <= 'z') || (l >= 'A' && l <= 'Z'); };
    // Just below the header, a units row ("km/h", "A", "(V)") is a second header.
    if (belowHeader && (latin(c) || c == '(' || c == '[')) return true;
    return c == 0xFFFD || c == 0x203B || (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xFF66 && c <= 0xFF9F) ||
           (latin(c) && text.size() > 1 && latin(text[1]));
}

// The line as its author wrote it: decoded from Shift-JIS where the file's
// bytes are no UTF-8, so that Japanese shows as written.
config::Text asWritten(const Table& table, const Row& row) {
    const std::string bytes = readBytes(table.file, 1 << 20);
    std::size_t start = 0;
    for (int line = 1; line < row.line && start != std::string::npos; ++line) {
        start = bytes.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos || encodingOf(bytes) != Encoding::ShiftJis) return row.raw;
    std::string line = bytes.substr(start, bytes.find('\n', start) - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return decodeShiftJis(line);
}

bool checkTextRow(Diagnosis& diagnosis, const Table& table, const Row& row) {
    if (row.cells.empty() || sameCells(row.cells, table.headerCells) ||
        !startsWithWords(row.cells[0].text, row.number == 1))
        return false;
    const config::Text written = asWritten(table, row);
    Finding finding = lineFinding(
        table, row, stopSeverity(diagnosis, table.file, row.line),
        row.number == 1
            ? messages::tr("a second header line: only the first line of the file is a header, this one is read as "
                           "numbers")
            : messages::trf("a row of words, {1}: the plug-in reads every line below the header as a row of numbers",
                            {backquoted(written)}),
        messages::tr("make the line a comment by writing ';' at its start, or delete it"));
    finding.found = visibleText(written);
    finding.fixes.push_back(editFix(table.file, row.line, 1, 0, u"; "));
    add(diagnosis, std::move(finding));
    return true;
}

// Another needle table of the folder with the very same bytes: a copy made to
// be edited for this needle, or left as it came.
std::optional<std::filesystem::path> sameAsOtherTable(const std::filesystem::path& file) {
    const std::string bytes = readBytes(file, 1 << 20);
    if (bytes.empty()) return std::nullopt;
    for (const char* other : {"Pressure.csv", "Speed.csv", "Current.csv", "Voltage.csv"}) {
        const std::filesystem::path path = file.parent_path() / other;
        if (path.filename() != file.filename() && readBytes(path, 1 << 20) == bytes) return path;
    }
    return std::nullopt;
}

// A copy of another needle's table: told once, with what its inputs say,
// instead of at every input outside this needle's range.
void checkCopiedTable(Diagnosis& diagnosis, const Table& table, const std::filesystem::path& other,
                      const std::vector<ReadPoint>& points, const SensibleRange& range) {
    std::vector<const ReadPoint*> outside;
    for (const ReadPoint& point : points)
        if (point.input < range.lowest || point.input > range.highest) outside.push_back(&point);
    const std::string otherName = other.filename().u8string();
    Finding finding;
    finding.file = table.file;
    if (outside.empty()) {
        finding.severity = Severity::Note;
        finding.message = messages::trf("the file is the same as {1}", {otherName});
    } else {
        finding.severity = Severity::Warning;
        finding.line = outside.front()->line;
        finding.column = 1;
        finding.found = shownNumber(outside.front()->input) + ", " + shownNumber(outside.front()->output);
        finding.message = messages::trf("the file is the same as {1}, and {2} of its {3} inputs lie outside {4} to {5}, "
                                        "the usual values of {6}: a copy of {1} not yet written for this needle",
                                        {otherName, std::to_string(outside.size()), std::to_string(points.size()),
                                         shownNumber(range.lowest), shownNumber(range.highest), range.what});
        finding.fix = messages::trf("write this needle's own table into {1}", {table.file.filename().u8string()});
        for (const ReadPoint* point : outside) finding.rows.push_back(point->row);
    }
    add(diagnosis, std::move(finding));
}

// A header that is not on the first line: the plug-in discards the first
// line (empty, blanks and commas only, or only a comment, as a paste or an
// empty first row in Excel leaves it) and reads the header as numbers. The
// header written on the first line (above its comment, if it has one) and
// removed from its own gives the rows as the file means them.
bool checkHeaderBelow(Diagnosis& diagnosis, const Table& table) {
    if (!table.header || table.rows.empty()) return false;
    config::Text first = table.header->text;
    const bool byteOrderMark = !first.empty() && first.front() == 0xFEFF;
    if (byteOrderMark) first.erase(0, 1);
    config::Text withoutComment = first;
    config::stripComment(withoutComment);
    if (!onlyBlanksAndCommas(withoutComment)) return false;
    const Row& row = table.rows.front();
    if (row.cells.size() < 2 || row.cells[0].text.empty() || holdsDigit(row.cells[0].text)) return false;
    try {
        config::toFloat(row.cells[0].text);
        return false;
    } catch (const std::exception&) {
    }
    Finding finding = lineFinding(
        table, row, stopSeverity(diagnosis, table.file, row.line),
        first.empty() ? messages::tr("this is the header line, but the file's first line is empty: the plug-in takes "
                                     "the first line for the header and reads this one as numbers")
                      : messages::trf("this is the header line, but the file's first line is {1}: the plug-in takes "
                                      "the first line for the header and reads this one as numbers",
                                      {backquoted(first)}),
        messages::tr("make the header the first line of the file"));
    const bool comment = withoutComment.size() < first.size();
    config::Text replacement = row.raw;
    if (comment) replacement += u"\n" + first;
    finding.fixes.push_back(editFix(table.file, 1, 1, characterCount(first), replacement));
    Fix removed;
    removed.kind = Fix::Kind::DeleteLine;
    removed.file = table.file;
    removed.line = row.line;
    finding.fixes.push_back(removed);
    add(diagnosis, std::move(finding));
    return true;
}

}  // namespace

void checkNeedleTable(Diagnosis& diagnosis, const std::filesystem::path& file) {
    const Table table = readTable(file);
    checkHeader(diagnosis, table);
    checkNoRows(diagnosis, table);
    if (checkHeaderBelow(diagnosis, table)) return;
    std::vector<ReadPoint> points;
    bool quotesReported = false;
    bool unreadable = false;
    const std::optional<SensibleRange> inputRange = needleInputRange(file);
    const std::optional<std::filesystem::path> copy = sameAsOtherTable(file);
    bool shortRowSeen = false;
    for (const Row& row : table.rows) {
        if (checkSeparator(diagnosis, table, row, true)) return;
        if (checkQuotedNumbers(diagnosis, table, row, quotesReported)) {
            unreadable = true;
            continue;
        }
        if (checkTextRow(diagnosis, table, row)) {
            unreadable = true;
            continue;
        }
        // Empty rows below the first one are deleted by its repair; the rows
        // after them are still looked at.
        if (shortRowSeen && onlyBlanksAndCommas(row.text)) continue;
        if (row.cells.size() < 2) {
            explainShortRow(diagnosis, table, row);
            shortRowSeen = unreadable = true;
            continue;
        }
        checkExtraFields(diagnosis, table, row, std::max<std::size_t>(table.headerCells.size(), 2));
        if (row.cells[1].text.empty()) continue;
        if (isRepeatedHeader(diagnosis, table, row)) return;
        const std::optional<float> input = checkNumber(diagnosis, placeOf(table, row, 0), row.cells[0].text,
                                                       NumberKind::Decimal, copy ? std::nullopt : inputRange);
        // The output is looked at even when the input stops the plug-in, so
        // that a row with both fields to mend is mended whole.
        const std::optional<float> output =
            checkNumber(diagnosis, placeOf(table, row, 1), row.cells[1].text, NumberKind::Decimal);
        // The later rows are still looked at, so that every row to mend is
        // named; the shape of a table the plug-in did not finish says nothing.
        if (!input || !output) unreadable = true;
        else points.push_back({*input, *output, row.number, row.line});
    }
    if (unreadable) return;
    if (copy && inputRange) checkCopiedTable(diagnosis, table, *copy, points, *inputRange);
    std::stable_sort(points.begin(), points.end(),
                     [](const ReadPoint& a, const ReadPoint& b) { return a.input < b.input; });
    checkDuplicateInputs(diagnosis, table, points);
    const std::optional<NeedleQuantity> quantity = needleQuantity(diagnosis, file);
    const std::optional<config::LoadFailure>& failure = diagnosis.plugin.report.failure;
    // What the panel shows follows from the table as the plug-in holds it,
    // once it has read it whole.
    const bool readWhole = quantity && points.size() >= 2 && quantity->table->size() == points.size() &&
                           !(failure && failure->file.lexically_normal() == file.lexically_normal());
    if (!(readWhole && checkPanelSigns(diagnosis, table, points, *quantity)))
        checkTurningBack(diagnosis, table, points);
    checkTooFewPoints(diagnosis, table, points);
    checkSpeedHundredths(diagnosis, table, points);
    if (readWhole && checkInputScale(diagnosis, table, points, *quantity)) return;
    if (readWhole) {
        checkBeyondPanelValues(diagnosis, table, points, *quantity);
        checkFewPanelValues(diagnosis, table, points, *quantity);
    }
}

}  // namespace diagnose
