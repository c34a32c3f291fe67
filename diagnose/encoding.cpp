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

}  // namespace diagnose
