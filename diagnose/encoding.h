// What kind of bytes a file holds, told from the bytes alone: the plug-in
// reads UTF-8 only, while Notepad also saves "Unicode" (UTF-16) and
// Shift-JIS ("ANSI" on a Japanese Windows), and Excel saves workbooks that
// authors name .csv.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace diagnose {

enum class Encoding {
    Utf8,      // UTF-8 or plain ASCII: what the plug-in reads
    Utf16Le,   // Notepad's "Unicode"
    Utf16Be,   // Notepad's "Unicode big endian"
    ShiftJis,  // valid Shift-JIS with Japanese characters, not valid UTF-8
    Other8Bit, // neither UTF-8 nor Shift-JIS, but text
    Zip,       // an .xlsx workbook, or another zip archive
    Binary,    // a program, an old .xls workbook, an image, ...
};

// At most `limit` bytes from the start of the file; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& file, std::size_t limit);

Encoding encodingOf(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

// Shift-JIS (code page 932) decoded into UTF-16; bytes that form no character
// become U+FFFD.
std::u16string decodeShiftJis(std::string_view bytes);

// A name as an archive program leaves it when it reads Shift-JIS names (a
// zip made on a Japanese Windows) as code page 437, the code page such
// programs use when the archive does not say: the name meant, when every
// character maps back to a byte and the bytes are Shift-JIS text with
// Japanese in it; nothing otherwise.
std::optional<std::u16string> shiftJisReadAsCp437(std::u16string_view name);

}  // namespace diagnose
