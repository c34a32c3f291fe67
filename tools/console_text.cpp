#include "tools/console_text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "messages/messages.h"

namespace tools {

namespace {

struct CodeRange {
    char32_t first;
    char32_t last;
};

// Characters a terminal shows in no column: combining marks (they sit on
// the character before them), variation selectors and invisible format
// characters such as the zero-width space and the byte-order mark.
constexpr CodeRange kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064},
    {0x20D0, 0x20FF}, {0x302A, 0x302D}, {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
    {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// Characters of East Asian width Wide or Fullwidth, which take two columns.
constexpr CodeRange kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x23F0, 0x23F0},
    {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},   {0x267F, 0x267F},
    {0x2693, 0x2693},   {0x26A1, 0x26A1},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
    {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},
    {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},
    {0x27B0, 0x27B0},   {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},
    {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4}, {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF},
    {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F202},
    {0x1F210, 0x1F23B}, {0x1F240, 0x1F248}, {0x1F250, 0x1F251}, {0x1F260, 0x1F265}, {0x1F300, 0x1F64F},
    {0x1F680, 0x1F6FF}, {0x1F7E0, 0x1F7EB}, {0x1F90C, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
};

template <std::size_t N>
bool contains(const CodeRange (&ranges)[N], char32_t code) {
    const auto* after = std::upper_bound(std::begin(ranges), std::end(ranges), code,
                                         [](char32_t value, const CodeRange& range) { return value < range.first; });
    return after != std::begin(ranges) && code <= std::prev(after)->last;
}

std::size_t columnsOf(char32_t code) {
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return 0;  // control characters
    if (contains(kZeroWidth, code)) return 0;
    return contains(kWide, code) ? 2 : 1;
}

// The length of the UTF-8 sequence that `lead` starts, or 0 when `lead`
// starts none.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

std::size_t completeUtf8Length(std::string_view text) {
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return needed > back ? size - back : size;
    }
    return size;
}

std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = sequenceLength(lead);
        bool valid = length > 0 && at + length <= text.size();
        char32_t code = length == 1 ? lead : length > 1 ? lead & (0x7F >> length) : 0;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[at + k]);
            valid = (byte & 0xC0) == 0x80;
            code = (code << 6) | (byte & 0x3F);
        }
        if (!valid) {  // a stray byte: a terminal shows it as one replacement character
            ++width;
            ++at;
            continue;
        }
        width += columnsOf(code);
        at += length;
    }
    return width;
}

std::string padded(const std::string& text, std::size_t width) {
    const std::size_t columns = displayWidth(text);
    return columns >= width ? text : text + std::string(width - columns, ' ');
}

std::string appendedToList(const std::string& list, const std::string& item) {
    return list.empty() ? item : messages::trf("{1}, {2}", {list, item});
}

}  // namespace tools
