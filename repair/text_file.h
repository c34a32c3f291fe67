// A text file of a vehicle as lines the repairs can edit by character
// columns: decoded as the diagnosis reads it (UTF-8 with or without a
// byte-order mark; Shift-JIS and UTF-16, which Notepad and Excel write), and
// written back with its line ends as they were. A file that was not UTF-8 is
// written as UTF-8 with a byte-order mark, which the plug-in reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnose/encoding.h"

namespace repair {

struct TextLine {
    std::u16string text;
    std::string end;         // "\n", "\r\n", or "" for the last line
    std::string bytes;       // as it stood in a UTF-8 file
    bool decodable = true;   // false: it holds bytes the decoding cannot give back
    bool edited = false;
    bool deleted = false;    // written neither with its text nor with its line end
};

struct TextFile {
    diagnose::Encoding encoding = diagnose::Encoding::Utf8;
    bool byteOrderMark = false;
    std::vector<TextLine> lines;
};

// Nothing when the encoding is not one of those above.
std::optional<TextFile> decodeTextFile(std::string_view bytes);

// The file's bytes: a UTF-8 file keeps every line not edited byte for byte;
// deleted lines are left out.
std::string encodeTextFile(const TextFile& file);

// The code unit where character column `column` (from 1; a surrogate pair
// is one character) of `text` starts; nothing when the line is shorter than
// column - 1 characters.
std::optional<std::size_t> unitOfColumn(std::u16string_view text, int column);

}  // namespace repair
