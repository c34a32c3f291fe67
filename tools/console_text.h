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

// The columns `text` takes in a terminal, by East Asian width: two for a wide
// or fullwidth character (kanji, kana, fullwidth digits and signs, most
// emoji), none for a combining mark or an invisible format character, one for
// any other character and for a byte that is not valid UTF-8.
std::size_t displayWidth(std::string_view text);

// `text` with blanks after it up to `width` columns.
std::string padded(const std::string& text, std::size_t width);

// `list` with `item` added after the separator of the author's language
// (", " in English, "、" in Japanese); `item` alone when `list` is empty.
std::string appendedToList(const std::string& list, const std::string& item);

}  // namespace tools
