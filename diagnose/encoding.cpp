#include "diagnose/encoding.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace diagnose {

namespace {

constexpr char16_t kCp932Table[] = {
#include "diagnose/cp932_table.inc"
};

constexpr std::size_t kTrailCount = 188;

// Code page 437 (the DOS code page archive programs fall back on), bytes 0x80 to 0xFF.
constexpr char16_t kCp437High[] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrailByte(unsigned char b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

bool isHalfWidthKatakana(unsigned char b) {
    return b >= 0xA1 && b <= 0xDF;
}

char16_t doubleByteCharacter(unsigned char lead, unsigned char trail) {
    const std::size_t row = lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31u;
    const std::size_t column = trail - 0x40u - (trail > 0x7F ? 1u : 0u);
    return kCp932Table[row * kTrailCount + column];
}

// Every byte forms a Shift-JIS character, and at least one is Japanese.
bool isShiftJis(std::string_view bytes) {
    bool japanese = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) continue;
        japanese = true;
        if (isHalfWidthKatakana(b)) continue;
        if (!isLeadByte(b) || i + 1 >= bytes.size()) return false;
        const auto trail = static_cast<unsigned char>(bytes[++i]);
        if (!isTrailByte(trail) || doubleByteCharacter(b, trail) == 0) return false;
    }
    return japanese;
}

// UTF-16 without a byte-order mark: ASCII text has a NUL in every other byte.
bool looksLikeUtf16(std::string_view bytes, std::size_t nulPosition) {
    std::size_t nuls = 0;
    std::size_t pairs = bytes.size() / 2;
    for (std::size_t i = 0; i < pairs; ++i)
        if (bytes[2 * i + nulPosition] == '\0' && bytes[2 * i + 1 - nulPosition] != '\0') ++nuls;
    return pairs > 0 && nuls * 2 >= pairs;
}

bool isControlByte(unsigned char b) {
    return (b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F;
}

}  // namespace

std::string readBytes(const std::filesystem::path& file, std::size_t limit) {
    // Reads in pieces up to the limit, so a small file costs only its own size.
    std::ifstream stream(file, std::ios::binary);
    std::string bytes;
    char piece[65536];
    while (stream && bytes.size() < limit) {
        stream.read(piece, static_cast<std::streamsize>(std::min(sizeof piece, limit - bytes.size())));
        bytes.append(piece, static_cast<std::size_t>(std::max<std::streamsize>(stream.gcount(), 0)));
    }
    return bytes;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                              : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (length == 0) return false;
        if (i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

Encoding encodingOf(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") return Encoding::Utf16Le;
    if (bytes.substr(0, 2) == "\xFE\xFF") return Encoding::Utf16Be;
    if (bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4)) return Encoding::Zip;
    // Programs, libraries and old .xls workbooks, by their signatures.
    if (bytes.substr(0, 2) == "MZ" || bytes.substr(0, 4) == "\x7F" "ELF" || bytes.substr(0, 4) == "\xD0\xCF\x11\xE0")
        return Encoding::Binary;
    if (bytes.find('\0') != std::string_view::npos) {
        if (looksLikeUtf16(bytes, 1)) return Encoding::Utf16Le;
        if (looksLikeUtf16(bytes, 0)) return Encoding::Utf16Be;
        return Encoding::Binary;
    }
    std::size_t controls = 0;
    for (const char b : bytes) controls += isControlByte(static_cast<unsigned char>(b)) ? 1 : 0;
    if (controls * 20 > bytes.size()) return Encoding::Binary;
    if (isValidUtf8(bytes)) return Encoding::Utf8;
    return isShiftJis(bytes) ? Encoding::ShiftJis : Encoding::Other8Bit;
}

std::u16string decodeShiftJis(std::string_view bytes) {
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            text += static_cast<char16_t>(b);
        } else if (isHalfWidthKatakana(b)) {
            text += static_cast<char16_t>(0xFF61 + (b - 0xA1));
        } else if (isLeadByte(b) && i + 1 < bytes.size() && isTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            const char16_t c = doubleByteCharacter(b, static_cast<unsigned char>(bytes[++i]));
            text += c != 0 ? c : char16_t{0xFFFD};
        } else {
            text += char16_t{0xFFFD};
        }
    }
    return text;
}

std::optional<std::u16string> shiftJisReadAsCp437(std::u16string_view name) {
    std::string bytes;
    bool high = false;
    for (const char16_t c : name) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
            continue;
        }
        const char16_t* entry = std::find(std::begin(kCp437High), std::end(kCp437High), c);
        if (entry == std::end(kCp437High)) return std::nullopt;
        bytes += static_cast<char>(0x80 + (entry - std::begin(kCp437High)));
        high = true;
    }
    // Names that are UTF-8 already were not read in the wrong code page.
    if (!high || isValidUtf8(bytes)) return std::nullopt;
    const std::u16string meant = decodeShiftJis(bytes);
    if (meant.find(u'\uFFFD') != std::u16string::npos) return std::nullopt;
    // Half-width katakana alone is what accented Latin letters of a
    // genuinely Western name also decode to; a Japanese name has more.
    const bool japanese = std::any_of(meant.begin(), meant.end(), [](char16_t c) { return c >= 0x3000 && c < 0xFF61; });
    if (!japanese) return std::nullopt;
    return meant;
}

}  // namespace diagnose
