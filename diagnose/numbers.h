// The numbers of the configuration files as the plug-in converts them
// (config::toInt, config::toFloat), and what an author most likely meant.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "diagnose/diagnosis.h"

namespace diagnose {

// Where a field stands: file, line, column, which field of the line (from 1)
// and, in a table, which data row (from 1; 0 when not in a table).
struct Place {
    std::filesystem::path file;
    int line = 0;
    int column = 0;
    int field = 0;
    int row = 0;
};

enum class NumberKind { Whole, Decimal };

// The values that make sense in a column; a value outside is worth a warning.
struct SensibleRange {
    float lowest;
    float highest;
    std::string what;  // in the author's language, e.g. "a speed in km/h"
    // The unit the column is read in, as authors write it after a number
    // ("km/h", "A", "kPa", "V"); empty when the column has none.
    std::u16string unit;
};

// Converts the field as the plug-in does and adds a finding when it is read
// otherwise than meant (text after the number, a value out of the sensible
// range) or cannot be read at all. Returns the value read, or nothing when the
// conversion fails (the plug-in stops there).
std::optional<float> checkNumber(Diagnosis& diagnosis, const Place& place, const config::Text& text,
                                 NumberKind kind, const std::optional<SensibleRange>& range = std::nullopt);

// What a number written with a comma in it most likely means: with a
// decimal comma ("121,5" is 121.5) or with thousands separators ("1,300" is
// 1300, "1.300,5" is 1300.5). `meant` is the number as the plug-in reads it
// completely, and empty when the text is no such number or could be read
// either way ("1,300" is 1.3 or 1300) without the file saying which.
struct CommaNumber {
    bool isCommaNumber = false;  // digits with ',' (and perhaps '.') between them
    config::Text meant;          // certain meaning, ASCII; empty when not certain
    config::Text asDecimal;      // the reading with a decimal comma, when that reading is possible
    config::Text asThousands;    // the reading with thousands separators, when that reading is possible
};
// `fileUsesPoint`: the file writes decimals with a full stop elsewhere, so its
// commas are thousands separators; `fileUsesComma`: it writes decimal commas
// elsewhere.
CommaNumber readCommaNumber(std::u16string_view text, bool fileUsesPoint = false, bool fileUsesComma = false);

// The text with full-width digits and signs (and a long vowel mark or minus
// sign standing for '-') written in ASCII, or nothing when it holds none.
std::optional<config::Text> asciiDigits(std::u16string_view text);

// An Edit fix that replaces `length` characters from `column` of the line.
Fix editFix(const std::filesystem::path& file, int line, int column, int length, const config::Text& replacement);

// A value as the messages show it ("4", "121.5").
std::string shownNumber(float value);

// "field 2"
std::string fieldName(int field);

// True when the whole text is one number the plug-in reads completely.
bool isWholeNumber(const config::Text& text);

}  // namespace diagnose
