// The small JSON writing the reports need: strings escaped so that the text
// can sit inside an HTML <script> element, and numbers that JSON accepts
// (a value that is not finite becomes null).
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace report {

// `text` (UTF-8) as a JSON string, quotes included. '<', '>' and '&' are
// written as \u escapes, so "</script>" in a vehicle's file name cannot end
// the element that holds the data.
std::string jsonString(std::string_view text);

// A number with up to `decimals` decimals, trailing zeros dropped; "null"
// for NaN and the infinities.
void writeJsonNumber(std::ostream& out, double value, int decimals);

}  // namespace report
