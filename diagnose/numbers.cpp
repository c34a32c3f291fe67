#include "diagnose/numbers.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "diagnose/visible.h"
#include "messages/messages.h"
#include "platform/utf8.h"

namespace diagnose {

namespace {

bool isDigit(char16_t c) {
    return c >= '0' && c <= '9';
}

// How much of the text the plug-in's conversion reads as the number: the
// same grammar as config::toFloat and config::toInt.
std::size_t numberLength(const config::Text& text, NumberKind kind) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) ++digits;
    if (kind == NumberKind::Decimal && i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i) ++digits;
    if (digits == 0) return 0;
    if (kind == NumberKind::Decimal && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        const std::size_t first = j;
        while (j < text.size() && isDigit(text[j])) ++j;
        if (j > first) i = j;
    }
    return i;
}

bool holdsLookAlike(const config::Text& text) {
    for (const char16_t c : text)
        if (asciiLookAlike(c) != 0 || c == 0x30FC) return true;
    return false;
}

void addFinding(Diagnosis& diagnosis, const Place& place, Severity severity, const config::Text& text,
                std::string message, std::string fix, std::vector<Fix> fixes = {}) {
    Finding finding{severity, place.file, place.line, place.column, fieldName(place.field),
                    visibleText(text), std::move(message), std::move(fix), {}, std::move(fixes)};
    if (place.row > 0) finding.rows.push_back(place.row);
    add(diagnosis, std::move(finding));
}

// The field replaced whole by `replacement`.
std::vector<Fix> replaceField(const Place& place, const config::Text& text, const config::Text& replacement) {
    return {editFix(place.file, place.line, place.column, characterCount(text), replacement)};
}

std::string shownAscii(const config::Text& text) {
    return "`" + visibleText(text, 60, false) + "`";
}

bool sameLetters(std::u16string_view text, std::u16string_view word) {
    return config::equalsIgnoreCase(text, word);
}

// The units an author writes after a number of a column read in `unit`, with
// the factor that turns a value in them into that unit (1 for the unit itself).
struct UnitForm {
    std::u16string_view written;
    float factor;
};

std::optional<float> unitFactor(std::u16string_view unit, std::u16string_view written) {
    static constexpr UnitForm speed[] = {{u"km/h", 1}, {u"kmh", 1}, {u"km", 1}, {u"kph", 1}};
    static constexpr UnitForm current[] = {{u"A", 1}, {u"kA", 1000}};
    static constexpr UnitForm pressure[] = {{u"kPa", 1}, {u"MPa", 1000}, {u"bar", 100}};
    static constexpr UnitForm voltage[] = {{u"V", 1}, {u"kV", 1000}};
    std::u16string_view rest = written;
    while (!rest.empty() && config::isSpace(rest.front())) rest.remove_prefix(1);
    const auto find = [&](const auto& forms) -> std::optional<float> {
        for (const UnitForm& form : forms)
            if (form.written == rest || (form.factor == 1 && sameLetters(rest, form.written))) return form.factor;
        return std::nullopt;
    };
    if (unit == u"km/h") return find(speed);
    if (unit == u"A") return find(current);
    if (unit == u"kPa") return find(pressure);
    if (unit == u"V") return find(voltage);
    return std::nullopt;
}

// Letters typed for digits inside a number: O for 0, l and I for 1.
std::optional<config::Text> lettersAsDigits(const config::Text& text) {
    config::Text digits = text;
    bool changed = false;
    for (char16_t& c : digits) {
        if (c == 'O' || c == 'o') c = '0', changed = true;
        else if (c == 'l' || c == 'I') c = '1', changed = true;
    }
    if (!changed || !isWholeNumber(digits)) return std::nullopt;
    return digits;
}

// The code unit at which `column` (counted in characters, from 1) of `text`
// starts.
std::optional<std::size_t> unitAt(std::u16string_view text, int column) {
    std::size_t unit = 0;
    for (int at = 1; at < column; ++at) {
        if (unit >= text.size()) return std::nullopt;
        unit += (text[unit] >= 0xD800 && text[unit] <= 0xDBFF && unit + 1 < text.size()) ? 2 : 1;
    }
    return unit;
}

// The text without the characters that take no room, or nothing when it
// holds none.
std::optional<config::Text> withoutInvisible(const config::Text& text) {
    config::Text seen;
    for (const char16_t c : text)
        if (!takesNoRoom(c)) seen += c;
    if (seen.size() == text.size()) return std::nullopt;
    return seen;
}

// Why a field is no number at all, in the author's terms.
void explainUnreadable(Diagnosis& diagnosis, const Place& place, const config::Text& text) {
    const Severity severity = stopSeverity(diagnosis, place.file, place.line);
    const std::string field = fieldName(place.field);
    const std::string found = backquoted(text);
    if (text.empty()) {
        addFinding(diagnosis, place, severity, text,
                   messages::trf("{1} is empty, but a number is needed here", {field}),
                   messages::tr("write a number, or delete the row"));
    } else if (text[0] == '"' || text[0] == '\'' || text[0] == 0x201C || text[0] == 0x201D) {
        addFinding(diagnosis, place, severity, text,
                   messages::trf("{1} is {2} in quotes: the plug-in reads no quotes and finds no number", {field, found}),
                   messages::tr("remove the quotes (save from Excel as \"CSV UTF-8 (comma delimited)\", or delete them in Notepad)"));
    } else if (holdsLookAlike(text)) {
        // A minus sign or a dash from a PDF is no full-width character.
        const bool fullWidth = std::all_of(text.begin(), text.end(), [](char16_t c) {
            return asciiLookAlike(c) == 0 || (c >= 0xFF01 && c <= 0xFF5E) || c == 0x3000;
        });
        const std::string message =
            fullWidth ? messages::trf("{1} is {2} (full-width characters): the plug-in reads only the digits 0-9, '+', "
                                      "'-' and '.'",
                                      {field, found})
                      : messages::trf("{1} is {2} (characters that only look like '-' or digits, as a PDF or a web "
                                      "page gives them): the plug-in reads only the digits 0-9, '+', '-' and '.'",
                                      {field, found});
        const std::optional<config::Text> ascii = asciiDigits(text);
        if (ascii && isWholeNumber(*ascii)) {
            addFinding(diagnosis, place, severity, text, message,
                       messages::trf("write {1} in half-width characters", {shownAscii(*ascii)}),
                       replaceField(place, text, *ascii));
            return;
        }
        addFinding(diagnosis, place, severity, text, message,
                   messages::tr("write digits 0-9 in half-width (turn the Japanese input off)"));
    } else if (const std::optional<config::Text> seen = withoutInvisible(text); seen && isWholeNumber(*seen)) {
        addFinding(diagnosis, place, severity, text,
                   messages::trf("{1} is {2}: invisible characters stand in the number (as text copied from a web "
                                 "page or a PDF brings them), and the plug-in finds no number",
                                 {field, found}),
                   messages::trf("write {1} without them", {shownAscii(*seen)}), replaceField(place, text, *seen));
    } else if (const std::optional<config::Text> digits = lettersAsDigits(text)) {
        addFinding(diagnosis, place, severity, text,
                   messages::trf("{1} is {2}, which starts with a letter and is no number ({3} was most likely meant)",
                                 {field, found, shownAscii(*digits)}),
                   messages::trf("write {1}; the letters O and l are not the digits 0 and 1", {shownAscii(*digits)}),
                   replaceField(place, text, *digits));
    } else if (text.find('\t') != config::Text::npos) {
        addFinding(diagnosis, place, severity, text,
                   messages::trf("{1} is {2}: a tab does not separate fields in this file", {field, found}),
                   messages::tr("separate the fields with commas"));
    } else {
        addFinding(diagnosis, place, severity, text,
                   messages::trf("{1} is {2}, which is not a number", {field, found}),
                   messages::tr("write a number with digits 0-9 and a full stop as the decimal point"));
    }
}

// The number is read, but something follows it that the plug-in ignores: a
// unit (harmless when it is the column's own), letters or full-width
// characters typed for digits, or a separator the reader does not know.
void explainIgnoredRest(Diagnosis& diagnosis, const Place& place, const config::Text& text, std::size_t length,
                        float value, NumberKind kind, const std::optional<SensibleRange>& range) {
    const config::Text rest = text.substr(length);
    const std::string field = fieldName(place.field);
    const std::string read = messages::trf("{1} is {2} and is read as {3}: the plug-in ignores {4} after the number",
                                           {field, backquoted(text), shownNumber(value), backquoted(rest)});
    if (range && !range->unit.empty()) {
        if (const std::optional<float> factor = unitFactor(range->unit, rest)) {
            if (*factor == 1) {
                addFinding(diagnosis, place, Severity::Note, text,
                           messages::trf("{1} is {2} and is read as {3} {4}: the unit after the number is ignored, "
                                         "which is what was meant",
                                         {field, backquoted(text), shownNumber(value), platform::toUtf8(range->unit)}),
                           {});
                return;
            }
            const std::string shown = shownNumber(value * *factor);
            const config::Text converted(shown.begin(), shown.end());
            addFinding(diagnosis, place, Severity::Warning, text,
                       messages::trf("{1}; this column is read in {2}, so {3} is most likely meant as {4} {2}",
                                     {read, platform::toUtf8(range->unit), backquoted(text), shownNumber(value * *factor)}),
                       messages::trf("write {1}", {shownAscii(converted)}), replaceField(place, text, converted));
            return;
        }
    }
    if (kind == NumberKind::Whole && rest[0] == '.') {
        addFinding(diagnosis, place, Severity::Warning, text, read, messages::tr("write a whole number here"));
        return;
    }
    // A comment begun with a full-width mark: the number is read as meant,
    // but the plug-in takes the comment for part of the field, and a comma in
    // it would start another field. The half-width mark makes it a comment.
    std::size_t mark = 0;
    while (mark < rest.size() && config::isSpace(rest[mark])) ++mark;
    if (mark < rest.size() && (rest[mark] == 0xFF1B || rest[mark] == 0xFF03)) {
        const config::Text ascii(1, rest[mark] == 0xFF1B ? u';' : u'#');
        const int column = place.column + characterCount(std::u16string_view(text).substr(0, length + mark));
        // The half-width mark cuts the line there: only where no field
        // follows does it leave what is read as it is.
        bool fieldsFollow = true;
        for (const Line& line : readLines(place.file)) {
            if (line.number != place.line) continue;
            config::Text after = line.text;
            const std::optional<std::size_t> unit = unitAt(after, column);
            if (!unit) break;
            after.erase(0, *unit);
            config::stripComment(after);
            fieldsFollow = after.find(u',') != config::Text::npos;
            break;
        }
        std::vector<Fix> fixes;
        if (!fieldsFollow) fixes.push_back(editFix(place.file, place.line, column, 1, ascii));
        addFinding(diagnosis, place, Severity::Note, text,
                   messages::trf("{1} is {2} and is read as {3}, as meant: the full-width {4} is no comment mark to the "
                                 "plug-in, so what follows it stays in the field, and a comma in it would start "
                                 "another field",
                                 {field, backquoted(text), shownNumber(value), backquoted(rest.substr(mark, 1))}),
                   fieldsFollow ? messages::trf("move the comment to the end of the row, after a half-width {1}",
                                                {shownAscii(ascii)})
                                : messages::trf("write the half-width {1}", {shownAscii(ascii)}),
                   std::move(fixes));
        return;
    }
    if (rest[0] == 0xFF0C || rest[0] == '\t' || rest[0] == ';') {
        addFinding(diagnosis, place, Severity::Warning, text, read,
                   messages::tr("separate the fields with half-width commas ','"));
        return;
    }
    if (const std::optional<config::Text> seen = withoutInvisible(text); seen && isWholeNumber(*seen)) {
        // Harmless where they only follow the number.
        const bool same = config::toFloat(*seen) == value;
        addFinding(diagnosis, place, same ? Severity::Note : Severity::Warning, text,
                   read + " " +
                       messages::trf("(invisible characters, as text copied from a web page or a PDF brings them; {1} "
                                     "was most likely meant)",
                                     {shownAscii(*seen)}),
                   messages::trf("write {1} without them", {shownAscii(*seen)}), replaceField(place, text, *seen));
        return;
    }
    std::optional<config::Text> meant;
    if (holdsLookAlike(rest)) {
        meant = asciiDigits(text);
        if (meant && !isWholeNumber(*meant)) meant.reset();
    } else {
        meant = lettersAsDigits(text);
    }
    if (meant) {
        addFinding(diagnosis, place, Severity::Warning, text, read + " " + messages::trf("({1} was most likely meant)", {shownAscii(*meant)}),
                   messages::trf("write {1}", {shownAscii(*meant)}), replaceField(place, text, *meant));
        return;
    }
    addFinding(diagnosis, place, Severity::Warning, text, read,
               holdsLookAlike(rest)
                   ? messages::tr("write digits 0-9 in half-width (turn the Japanese input off)")
               : rest.find_first_of(u"OolI") != config::Text::npos
                   ? messages::tr("delete what follows the number; the letters O and l are not the digits 0 and 1")
                   : messages::tr("delete what follows the number"));
}

}  // namespace

namespace {

bool allDigits(std::u16string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

// Splits at `separator`; every piece must be digits.
std::optional<std::vector<std::u16string_view>> digitGroups(std::u16string_view text, char16_t separator) {
    std::vector<std::u16string_view> groups;
    while (true) {
        const std::size_t at = text.find(separator);
        groups.push_back(text.substr(0, at));
        if (!allDigits(groups.back())) return std::nullopt;
        if (at == std::u16string_view::npos) return groups;
        text.remove_prefix(at + 1);
    }
}

// Whole-number groups written with thousands separators: a first group of
// one to three digits (not a lone leading 0), then groups of three.
bool areThousands(const std::vector<std::u16string_view>& groups) {
    if (groups.size() < 2 || groups[0].size() > 3 || (groups[0].size() > 1 && groups[0][0] == '0') ||
        groups[0] == u"0")
        return false;
    return std::all_of(groups.begin() + 1, groups.end(), [](std::u16string_view g) { return g.size() == 3; });
}

config::Text joined(const std::vector<std::u16string_view>& groups) {
    config::Text text;
    for (const std::u16string_view group : groups) text += group;
    return text;
}

}  // namespace

CommaNumber readCommaNumber(std::u16string_view text, bool fileUsesPoint, bool fileUsesComma) {
    CommaNumber number;
    config::Text sign;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        if (text[0] == '-') sign = u"-";
        text.remove_prefix(1);
    }
    const std::size_t comma = text.find(',');
    if (comma == std::u16string_view::npos) return number;
    const std::size_t point = text.find('.');
    if (point != std::u16string_view::npos) {
        // Both separators: the one written last is the decimal point.
        const std::size_t lastPoint = text.rfind('.');
        const std::size_t lastComma = text.rfind(',');
        const char16_t decimal = lastPoint > lastComma ? u'.' : u',';
        const char16_t grouping = decimal == u'.' ? u',' : u'.';
        const std::size_t at = decimal == u'.' ? lastPoint : lastComma;
        const std::optional<std::vector<std::u16string_view>> whole = digitGroups(text.substr(0, at), grouping);
        const std::u16string_view fraction = text.substr(at + 1);
        if (!whole || !allDigits(fraction) || !areThousands(*whole)) return number;
        number.isCommaNumber = true;
        number.meant = sign + joined(*whole) + u"." + config::Text(fraction);
        (decimal == u',' ? number.asDecimal : number.asThousands) = number.meant;
        return number;
    }
    const std::optional<std::vector<std::u16string_view>> groups = digitGroups(text, u',');
    if (!groups) return number;
    number.isCommaNumber = true;
    if (groups->size() == 2)
        number.asDecimal = sign + config::Text((*groups)[0]) + u"." + config::Text((*groups)[1]);
    if (areThousands(*groups)) number.asThousands = sign + joined(*groups);
    if (number.asThousands.empty()) number.meant = number.asDecimal;
    else if (number.asDecimal.empty()) number.meant = number.asThousands;
    else if (fileUsesPoint != fileUsesComma) number.meant = fileUsesPoint ? number.asThousands : number.asDecimal;
    return number;
}

std::optional<config::Text> asciiDigits(std::u16string_view text) {
    config::Text ascii;
    bool changed = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        char meant = asciiLookAlike(c);
        // A long vowel mark or a dash typed for the minus sign, before digits.
        if ((c == 0x30FC || c == 0x2010 || c == 0x2013 || c == 0xFF70) && ascii.empty()) meant = '-';
        if (meant == 0) {
            ascii += c;
            continue;
        }
        ascii += static_cast<char16_t>(meant);
        changed = true;
    }
    if (!changed) return std::nullopt;
    return ascii;
}

Fix editFix(const std::filesystem::path& file, int line, int column, int length, const config::Text& replacement) {
    Fix fix;
    fix.kind = Fix::Kind::Edit;
    fix.file = file;
    fix.line = line;
    fix.firstColumn = column;
    fix.endColumn = column + length;
    fix.replacement = platform::toUtf8(replacement);
    return fix;
}

std::string shownNumber(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
    return text;
}

std::string fieldName(int field) {
    return field > 0 ? messages::trf("field {1}", {std::to_string(field)}) : std::string();
}

bool isWholeNumber(const config::Text& text) {
    try {
        config::toFloat(text);
    } catch (const std::exception&) {
        return false;
    }
    return numberLength(text, NumberKind::Decimal) == text.size();
}

std::optional<float> checkNumber(Diagnosis& diagnosis, const Place& place, const config::Text& text,
                                 NumberKind kind, const std::optional<SensibleRange>& range) {
    float value = 0;
    try {
        value = kind == NumberKind::Whole ? static_cast<float>(config::toInt(text)) : config::toFloat(text);
    } catch (const std::out_of_range&) {
        addFinding(diagnosis, place, stopSeverity(diagnosis, place.file, place.line), text,
                   messages::trf("{1} is {2}, a number too large for the plug-in", {fieldName(place.field), backquoted(text)}),
                   messages::tr("write a smaller number"));
        return std::nullopt;
    } catch (const std::exception&) {
        explainUnreadable(diagnosis, place, text);
        return std::nullopt;
    }
    const std::size_t length = numberLength(text, kind);
    if (length < text.size()) {
        explainIgnoredRest(diagnosis, place, text, length, value, kind, range);
    } else if (range && (value < range->lowest || value > range->highest)) {
        addFinding(diagnosis, place, Severity::Warning, text,
                   messages::trf("{1} is {2}, outside {3} to {4}, the usual values of {5}",
                                 {fieldName(place.field), shownNumber(value), shownNumber(range->lowest),
                                  shownNumber(range->highest), range->what}),
                   messages::tr("check the value: a digit too many or a column shifted?"));
    }
    return value;
}

}  // namespace diagnose
