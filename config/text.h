// The text reader shared by every configuration loader.
//
// File format common to all configuration files:
//  - UTF-8; a byte-order mark at the very start is skipped; invalid
//    sequences decode to U+FFFD. Text is held as 16-bit code units.
//  - Lines end at a line feed; a carriage return right before it is not part
//    of the line. A last line without a line feed still counts, and a line
//    feed at the very end yields one more, empty, line.
//  - The grammars of the individual files are documented beside their
//    loaders: notch.h (notch index, parameter files, no-load current),
//    curves.h (current curves), panel/needles.h (needle tables),
//    plugin/module_chain.h (module list).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/load_report.h"

namespace config {

using Text = std::u16string;
using Fields = std::vector<Text>;

// Longest line the reader accepts, in bytes. Real configuration lines are
// short; the limit keeps a file that is one endless line (a device, a stray
// binary) from exhausting the simulator's memory.
constexpr std::size_t kMaxLineBytes = std::size_t{16} * 1024 * 1024;

// One configuration file opened for reading. Only regular files are opened:
// a path that does not exist, cannot be opened, or names a folder, a device
// or a pipe is simply not open. Either way the outcome is noted in the
// report (an empty path, meaning no file was named, is not noted).
//
//   ConfigFile file(path, report);
//   Text line;
//   while (file.isOpen() && !file.atEnd()) { file.readLine(line); ... }
class ConfigFile {
public:
    ConfigFile(const std::filesystem::path& path, LoadReport& report);
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    bool isOpen() const { return open_; }
    // True once a read has run into the end of the file.
    bool atEnd() const { return atEnd_; }
    // Empties `line` and reads the next line into it, decoded. Throws
    // std::length_error for a line longer than kMaxLineBytes.
    void readLine(Text& line);

private:
    bool fillBuffer();

    std::ifstream stream_;
    LoadReport& report_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    std::string lineBytes_;
    bool open_ = false;
    bool atEnd_ = false;
    bool atStart_ = true;
};

// What a table's row handler wants after a row.
enum class RowOutcome { KeepReading, StopReading };
using RowHandler = std::function<RowOutcome(const Fields& fields)>;

// Reads a comma-separated table. The first line is a header and is passed
// over unseen. Every later line loses its comment; a line with nothing left
// is skipped, any other goes to `handleRow` cut into fields (splitFields),
// until the file ends or the handler says to stop. A file that is not open
// has no rows. The report names the file and the line of the row in hand,
// so an error the handler raises points at that row.
void readTableRows(const std::filesystem::path& path, LoadReport& report, const RowHandler& handleRow);

// Decodes UTF-8 into 16-bit code units; invalid sequences become U+FFFD.
void decodeUtf8(std::string_view bytes, Text& out);

// Cuts the line at its first ';' or '#'.
void stripComment(Text& line);
bool isSpace(char16_t c);
// Removes leading and trailing white space (ASCII and Unicode spaces).
void trim(Text& line);
// Splits at the first '=': key and value, both trimmed. Returns false, and
// leaves both untouched, when the line has no '='.
bool splitKeyValue(const Text& line, Text& key, Text& value);
// Cuts at commas; every field trimmed. An empty line leaves `fields` as it
// was; a last field that is empty before trimming is dropped.
void splitFields(const Text& line, Fields& fields);
// Same length and the same characters, ignoring ASCII letter case.
bool equalsIgnoreCase(std::u16string_view text, std::u16string_view literal);
// The text begins with the literal, letter case included.
bool startsWith(std::u16string_view text, std::u16string_view literal);

// Decimal number conversions independent of the process locale: optional
// sign, digits, and for floats an optional fraction and exponent ("inf",
// "nan" and hexadecimal are no number). Leading white space is skipped and
// text after the number ignored. No number: std::invalid_argument; beyond
// the type's range: std::out_of_range, with the messages
// "invalid stoi argument" / "stoi argument out of range" and
// "invalid stof argument" / "stof argument out of range". A float too small
// for even the smallest subnormal rounds to a signed zero instead: it lies
// inside the range and no dial could tell it from zero.
int32_t toInt(std::u16string_view field);
float toFloat(std::u16string_view field);

// Field `index`, or std::out_of_range("invalid vector subscript").
const Text& fieldAt(const Fields& fields, std::size_t index);

// A path written in a configuration file, with '\' read as a separator on
// systems whose separator is '/', so one vehicle folder serves both.
std::filesystem::path pathFromText(const Text& text);
// `text` joined to `base` by the system's path rules: a relative path is
// appended, an absolute one replaces the base.
std::filesystem::path resolvePath(const std::filesystem::path& base, const Text& text);

}  // namespace config
