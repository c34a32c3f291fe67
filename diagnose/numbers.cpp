#include "diagnose/numbers.h"

#include <cstdio>
#include <stdexcept>

#include "diagnose/visible.h"
#include "messages/messages.h"

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
                std::string message, std::string fix) {
    Finding finding{severity, place.file, place.line, place.column, fieldName(place.field),
                    visibleText(text), std::move(message), std::move(fix), {}, {}};
    if (place.row > 0) finding.rows.push_back(place.row);
    add(diagnosis, std::move(finding));
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
        addFinding(diagnosis, place, severity, text,
                   messages::trf("{1} is {2} (full-width characters): the plug-in reads only the digits 0-9, '+', '-' and '.'",
                                 {field, found}),
                   messages::tr("write digits 0-9 in half-width (turn the Japanese input off)"));
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

// The number is read, but something follows it that the plug-in ignores.
void explainIgnoredRest(Diagnosis& diagnosis, const Place& place, const config::Text& text, std::size_t length,
                        float value, NumberKind kind) {
    const config::Text rest = text.substr(length);
    const std::string field = fieldName(place.field);
    std::string fix = messages::tr("delete what follows the number; the letters O and l are not the digits 0 and 1");
    if (kind == NumberKind::Whole && rest[0] == '.') fix = messages::tr("write a whole number here");
    if (rest[0] == 0xFF0C || rest[0] == '\t' || rest[0] == ';')
        fix = messages::tr("separate the fields with half-width commas ','");
    else if (holdsLookAlike(rest))
        fix = messages::tr("write digits 0-9 in half-width (turn the Japanese input off)");
    addFinding(diagnosis, place, Severity::Warning, text,
               messages::trf("{1} is {2} and is read as {3}: the plug-in ignores {4} after the number",
                             {field, backquoted(text), shownNumber(value), backquoted(rest)}),
               std::move(fix));
}

}  // namespace

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
        explainIgnoredRest(diagnosis, place, text, length, value, kind);
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
