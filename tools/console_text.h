// UTF-8 text for a console: handed over in pieces, where a buffer may end
// inside a character (a console shows a cut character as garbage), and lined
// up in columns, where a Japanese character takes two.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tools {

// Number of leading bytes of `text` that end with a complete UTF-8
// character; the bytes after them begin a character still to be completed.
std::size_t completeUtf8Length(std::string_view text);

// The columns `text` takes in a terminal: two for a character of three or
// more bytes (Japanese), one for any other.
std::size_t displayWidth(std::string_view text);

// `text` with blanks after it up to `width` columns.
std::string padded(const std::string& text, std::size_t width);

}  // namespace tools
