// The messages cabhost shows a vehicle author, in the author's language.
//
// Every message is written in the source in English, as a string literal
// passed to tr() or trf(); that English text is the message's key, as with
// gettext. A long message may be split into adjacent literals ("..." "...")
// that the compiler joins; it may not be built from variables or macros, since
// the test below reads the keys from the source. The Japanese texts live in the catalogue files ja/*.po (one file
// an area of the tools), in gettext's .po form:
//
//   # a comment for translators
//   msgid "the trace {1} cannot be written: {2}"
//   msgstr "トレース {1} を書き込めません: {2}"
//
// Placeholders are {1} to {9}; a translation may use them in any order. The
// build embeds the catalogue into the program, so cabhost carries it alone.
// A test (tests/messages) checks that every tr()/trf() literal in tools/,
// diagnose/ and report/ has a Japanese text with the same placeholders, and
// that the catalogue holds no text that nothing uses; it names the file, the
// line and the message.
//
// The language is set once, at the start of cabhost, before any message is
// made; the functions are not meant for the plug-in, which shows no text.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace messages {

enum class Language { English, Japanese };

void setLanguage(Language language);
Language currentLanguage();

// "ja", "en", or a locale name such as "ja_JP.UTF-8", "en_US", "C", "Japanese_Japan.932".
// Empty when the name says no language this catalogue has.
std::optional<Language> languageFromName(std::string_view name);

// The message `english` in the current language; `english` itself when the
// language is English or the catalogue has no text for it. The result lives
// as long as the program.
const char* tr(const char* english);

// tr(english) with {1}, {2}, ... replaced by the arguments in order. A
// placeholder without an argument is left as it is.
std::string trf(const char* english, std::initializer_list<std::string_view> arguments);

// Only for tests: the Japanese text of `english`, or null.
const char* japaneseText(std::string_view english);
// Only for tests: every key of the Japanese catalogue, and the catalogue
// entries that could not be read ("FILE:LINE: what is wrong").
std::vector<std::string> catalogueKeys();
std::vector<std::string> catalogueProblems();

}  // namespace messages
