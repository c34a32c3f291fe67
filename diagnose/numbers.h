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
};

// Converts the field as the plug-in does and adds a finding when it is read
// otherwise than meant (text after the number, a value out of the sensible
// range) or cannot be read at all. Returns the value read, or nothing when the
// conversion fails (the plug-in stops there).
std::optional<float> checkNumber(Diagnosis& diagnosis, const Place& place, const config::Text& text,
                                 NumberKind kind, const std::optional<SensibleRange>& range = std::nullopt);

// A value as the messages show it ("4", "121.5").
std::string shownNumber(float value);

// "field 2"
std::string fieldName(int field);

// True when the whole text is one number the plug-in reads completely.
bool isWholeNumber(const config::Text& text);

}  // namespace diagnose
