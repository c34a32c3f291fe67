// Text as a vehicle author can read it in a message: every character that
// cannot be seen (tabs, blanks other than the plain space, control
// characters) or that looks like an ASCII character but is not (full-width
// digits, signs, commas, brackets) is written out by name, so that
// `０` shows as `<U+FF10 full-width 0>`.
#pragma once

#include <string>
#include <string_view>

namespace diagnose {

// The UTF-8 form of `text` with the characters above made visible. Long texts
// are cut after `limit` characters and end in "...". Without
// `nameLookAlikes` only what cannot be seen is named, so that the text reads
// as the author wrote it.
std::string visibleText(std::u16string_view text, std::size_t limit = 60, bool nameLookAlikes = true);

// The ASCII character a full-width form stands for (U+FF01 to U+FF5E, the
// ideographic space, the minus sign), or 0 when `c` is none of them.
char asciiLookAlike(char16_t c);

// A character that takes no room on screen: zero-width spaces and joiners,
// direction marks and embeddings, the word joiner, a byte-order mark and
// the soft hyphen.
inline bool takesNoRoom(char16_t c) {
    return c == 0x00AD || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || c == 0x2060 || c == 0xFEFF;
}

// Letters in the character count of an editor's column: UTF-16 surrogate
// pairs count once.
int characterCount(std::u16string_view text);

// The text in composed form (NFC) for the pairs of a letter and one
// combining mark: a name a Mac saved as "ハ" + U+3099 becomes "バ", as
// Windows programs write it.
std::u16string composed(std::u16string_view text);

}  // namespace diagnose
