#include "repair/text_file.h"

#include "config/text.h"
#include "platform/utf8.h"

namespace repair {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Lines cut at line feeds as the plug-in's reader cuts them: a carriage
// return right before the line feed belongs to the line end.
template <typename Char, typename Emit>
void cutLines(std::basic_string_view<Char> text, Emit emit) {
    std::size_t start = 0;
    while (true) {
        const std::size_t lineFeed = text.find(Char('\n'), start);
        if (lineFeed == std::basic_string_view<Char>::npos) {
            emit(text.substr(start), std::string());
            return;
        }
        std::size_t end = lineFeed;
        const bool carriageReturn = end > start && text[end - 1] == Char('\r');
        if (carriageReturn) --end;
        emit(text.substr(start, end - start), std::string(carriageReturn ? "\r\n" : "\n"));
        start = lineFeed + 1;
    }
}

std::optional<TextFile> decodeBytes(std::string_view bytes, diagnose::Encoding encoding) {
    TextFile file;
    file.encoding = encoding;
    if (encoding == diagnose::Encoding::Utf8 && bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        file.byteOrderMark = true;
        bytes.remove_prefix(kUtf8Mark.size());
    }
    cutLines(bytes, [&](std::string_view line, std::string end) {
        TextLine decoded;
        decoded.bytes = std::string(line);
        decoded.end = std::move(end);
        if (encoding == diagnose::Encoding::Utf8) {
            config::decodeUtf8(line, decoded.text);
            decoded.decodable = diagnose::isValidUtf8(line);
        } else {
            decoded.text = diagnose::decodeShiftJis(line);
            decoded.decodable = decoded.text.find(char16_t{0xFFFD}) == std::u16string::npos;
        }
        file.lines.push_back(std::move(decoded));
    });
    return file;
}

std::optional<TextFile> decodeUtf16(std::string_view bytes, diagnose::Encoding encoding) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    const bool littleEndian = encoding == diagnose::Encoding::Utf16Le;
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(littleEndian ? first | (second << 8) : (first << 8) | second);
    }
    TextFile file;
    file.encoding = encoding;
    std::u16string_view text = units;
    if (!text.empty() && text.front() == 0xFEFF) {
        file.byteOrderMark = true;
        text.remove_prefix(1);
    }
    cutLines(text, [&](std::u16string_view line, std::string end) {
        TextLine decoded;
        decoded.text = std::u16string(line);
        decoded.end = std::move(end);
        file.lines.push_back(std::move(decoded));
    });
    return file;
}

}  // namespace

std::optional<TextFile> decodeTextFile(std::string_view bytes) {
    // A UTF-8 mark says what the file is, even with a stray byte in it.
    const diagnose::Encoding encoding = bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark
                                            ? diagnose::Encoding::Utf8
                                            : diagnose::encodingOf(bytes);
    switch (encoding) {
    case diagnose::Encoding::Utf8:
    case diagnose::Encoding::ShiftJis: return decodeBytes(bytes, encoding);
    case diagnose::Encoding::Utf16Le:
    case diagnose::Encoding::Utf16Be: return decodeUtf16(bytes, encoding);
    default: return std::nullopt;
    }
}

std::string encodeTextFile(const TextFile& file) {
    const bool keepsBytes = file.encoding == diagnose::Encoding::Utf8;
    std::string bytes = !keepsBytes || file.byteOrderMark ? std::string(kUtf8Mark) : std::string();
    for (const TextLine& line : file.lines) {
        if (line.deleted) continue;
        bytes += keepsBytes && !line.edited ? line.bytes : platform::toUtf8(line.text);
        bytes += line.end;
    }
    return bytes;
}

std::optional<std::size_t> unitOfColumn(std::u16string_view text, int column) {
    if (column < 1) return std::nullopt;
    std::size_t unit = 0;
    for (int at = 1; at < column; ++at) {
        if (unit >= text.size()) return std::nullopt;
        unit += isHighSurrogate(text[unit]) && unit + 1 < text.size() && isLowSurrogate(text[unit + 1]) ? 2 : 1;
    }
    return unit;
}

}  // namespace repair
