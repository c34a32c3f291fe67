#include "config/text.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "platform/utf8.h"

namespace config {

namespace {
constexpr std::size_t kChunkSize = std::size_t{64} * 1024;
constexpr char16_t kReplacement = 0xFFFD;

// A NUL inside a path would cut it short at the system call and open a
// different file.
bool holdsNul(const std::filesystem::path& path) {
    return path.native().find(std::filesystem::path::value_type{}) != std::filesystem::path::string_type::npos;
}

// Only regular files are read: a device or a pipe could block or never end.
bool isReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    return !holdsNul(path) && std::filesystem::is_regular_file(path, error);
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool isAsciiSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

char16_t toUpperAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

void appendCodePoint(char32_t c, Text& out) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// The extent of a decimal number at the start of `text` (after white space):
// optional sign, digits with an optional fraction, optional exponent.
// Returns the ASCII form of the number, empty when none starts there.
std::string scanDecimal(std::u16string_view text, bool allowFraction) {
    std::size_t i = 0;
    while (i < text.size() && isAsciiSpace(text[i])) ++i;
    std::string number;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') number += '-';
        ++i;
    }
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) number += static_cast<char>(text[i]);
    if (allowFraction && i < text.size() && text[i] == u'.') {
        std::string fraction = ".";
        std::size_t j = i + 1;
        for (; j < text.size() && isDigit(text[j]); ++j, ++digits) fraction += static_cast<char>(text[j]);
        number += fraction;
        i = j;
    }
    if (digits == 0) return {};
    if (allowFraction && i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) exponent += static_cast<char>(text[j++]);
        const std::size_t firstDigit = j;
        for (; j < text.size() && isDigit(text[j]); ++j) exponent += static_cast<char>(text[j]);
        if (j > firstDigit) number += exponent;
    }
    return number;
}

// The exponent written after 'e', clamped far beyond anything that could
// offset the digits of a line (which kMaxLineBytes bounds).
long long clampedExponent(std::string_view text) {
    constexpr long long kLimit = 1'000'000'000'000;
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
    long long value = 0;
    for (; i < text.size() && value < kLimit; ++i) value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

// For a scanned number that does not fit a float: true when it is too
// small (its first significant digit lies below the units place), false
// when it is too large.
bool isUnderflow(std::string_view number) {
    const std::size_t exponentMark = number.find('e');
    const std::string_view mantissa = number.substr(0, exponentMark);
    const std::size_t firstSignificant = mantissa.find_first_of("123456789");
    if (firstSignificant == std::string_view::npos) return true;
    const auto point = static_cast<long long>(std::min(mantissa.find('.'), mantissa.size()));
    const auto first = static_cast<long long>(firstSignificant);
    long long exponent = first < point ? point - first - 1 : point - first;
    if (exponentMark != std::string_view::npos) exponent += clampedExponent(number.substr(exponentMark + 1));
    return exponent < 0;
}
}  // namespace

// ---------------------------------------------------------------------------

ConfigFile::ConfigFile(const std::filesystem::path& path, LoadReport& report) : report_(report) {
    report.currentFile = path;
    report.currentLine = 0;
    if (path.empty()) return;
    if (isReadableFile(path)) stream_.open(path, std::ios::in | std::ios::binary);
    open_ = stream_.is_open();
    report.files.push_back({path, open_});
    if (open_) buffer_.resize(kChunkSize);
}

bool ConfigFile::fillBuffer() {
    if (!stream_) return false;
    stream_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    filled_ = static_cast<std::size_t>(stream_.gcount());
    position_ = 0;
    return filled_ > 0;
}

void ConfigFile::readLine(Text& line) {
    line.clear();
    lineBytes_.clear();
    if (report_.currentLine < std::numeric_limits<int>::max()) ++report_.currentLine;
    bool foundLineFeed = false;
    while (!foundLineFeed) {
        if (position_ == filled_ && !fillBuffer()) {
            atEnd_ = true;
            break;
        }
        const char* begin = buffer_.data() + position_;
        const char* end = buffer_.data() + filled_;
        const char* lineFeed = std::find(begin, end, '\n');
        lineBytes_.append(begin, lineFeed);
        if (lineBytes_.size() > kMaxLineBytes)
            throw std::length_error("line longer than " + std::to_string(kMaxLineBytes) + " bytes");
        foundLineFeed = lineFeed != end;
        position_ = static_cast<std::size_t>(lineFeed - buffer_.data()) + (foundLineFeed ? 1 : 0);
    }
    if (foundLineFeed && !lineBytes_.empty() && lineBytes_.back() == '\r') lineBytes_.pop_back();
    std::string_view bytes = lineBytes_;
    if (atStart_ && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    atStart_ = false;
    decodeUtf8(bytes, line);
}

void readTableRows(const std::filesystem::path& path, LoadReport& report, const RowHandler& handleRow) {
    ConfigFile file(path, report);
    if (!file.isOpen()) return;
    Text line;
    Fields fields;
    file.readLine(line);  // header
    while (!file.atEnd()) {
        file.readLine(line);
        stripComment(line);
        if (line.empty()) continue;
        splitFields(line, fields);
        if (handleRow(fields) == RowOutcome::StopReading) return;
    }
}

// ---------------------------------------------------------------------------

void decodeUtf8(std::string_view bytes, Text& out) {
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, minimum = 0x10000;
        }
        std::size_t used = 1;
        bool valid = length != 0;
        for (; valid && used < length; ++used) {
            if (i + used >= n) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(bytes[i + used]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = (c << 6) | (next & 0x3F);
        }
        if (valid && (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
        if (valid) {
            appendCodePoint(c, out);
            i += length;
        } else {
            out += kReplacement;
            i += std::max<std::size_t>(used, 1);
        }
    }
}

// ---------------------------------------------------------------------------

void stripComment(Text& line) {
    const std::size_t mark = line.find_first_of(u";#");
    if (mark != Text::npos) line.erase(mark);
}

bool isSpace(char16_t c) {
    switch (c) {
    case 0x0085: case 0x00A0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return isAsciiSpace(c) || (c >= 0x2000 && c <= 0x200A);
    }
}

void trim(Text& line) {
    std::size_t end = line.size();
    while (end > 0 && isSpace(line[end - 1])) --end;
    std::size_t begin = 0;
    while (begin < end && isSpace(line[begin])) ++begin;
    line.erase(end);
    line.erase(0, begin);
}

bool splitKeyValue(const Text& line, Text& key, Text& value) {
    const std::size_t equals = line.find(u'=');
    if (equals == Text::npos) return false;
    key.assign(line, 0, equals);
    value.assign(line, equals + 1, Text::npos);
    trim(key);
    trim(value);
    return true;
}

void splitFields(const Text& line, Fields& fields) {
    if (line.empty()) return;
    fields.clear();
    std::size_t start = 0;
    for (std::size_t comma = line.find(u','); comma != Text::npos; comma = line.find(u',', start)) {
        fields.emplace_back(line, start, comma - start);
        start = comma + 1;
    }
    if (start < line.size()) fields.emplace_back(line, start, Text::npos);
    for (Text& field : fields) trim(field);
}

bool equalsIgnoreCase(std::u16string_view text, std::u16string_view literal) {
    if (text.size() != literal.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (toUpperAscii(text[i]) != toUpperAscii(literal[i])) return false;
    return true;
}

bool startsWith(std::u16string_view text, std::u16string_view literal) {
    return text.substr(0, literal.size()) == literal;
}

int32_t toInt(std::u16string_view field) {
    const std::string number = scanDecimal(field, false);
    if (number.empty()) throw std::invalid_argument("invalid stoi argument");
    int32_t value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) throw std::out_of_range("stoi argument out of range");
    return value;
}

float toFloat(std::u16string_view field) {
    const std::string number = scanDecimal(field, true);
    if (number.empty()) throw std::invalid_argument("invalid stof argument");
    float value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (!isUnderflow(number)) throw std::out_of_range("stof argument out of range");
        return number[0] == '-' ? -0.0f : 0.0f;
    }
    return value;
}

const Text& fieldAt(const Fields& fields, std::size_t index) {
    if (index >= fields.size()) throw std::out_of_range("invalid vector subscript");
    return fields[index];
}

std::filesystem::path pathFromText(const Text& text) {
    if (std::filesystem::path::preferred_separator == '\\') return std::filesystem::path(text);
    Text portable = text;
    std::replace(portable.begin(), portable.end(), u'\\', u'/');
    return std::filesystem::path(platform::toUtf8(portable));
}

std::filesystem::path resolvePath(const std::filesystem::path& base, const Text& text) {
    return base / pathFromText(text);
}

}  // namespace config
