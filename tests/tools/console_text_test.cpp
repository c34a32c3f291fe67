#include <gtest/gtest.h>

#include "tools/console_text.h"

namespace {

using tools::completeUtf8Length;

// The console writes only whole characters; a character cut by the end of
// the buffer waits for the bytes that complete it.
TEST(ConsoleText, AWholeCharacterIsNeverCut) {
    const std::string text = "車両 ok 🚃";  // three-byte and four-byte characters
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const std::size_t complete = completeUtf8Length(std::string_view(text).substr(0, cut));
        EXPECT_LE(complete, cut);
        EXPECT_GE(complete + 3, cut);
        // What is written always ends at a character boundary.
        EXPECT_TRUE(complete == text.size() || (static_cast<unsigned char>(text[complete]) & 0xC0) != 0x80)
            << "cut " << cut;
    }
    EXPECT_EQ(completeUtf8Length(""), 0u);
    EXPECT_EQ(completeUtf8Length("abc"), 3u);
    EXPECT_EQ(completeUtf8Length("a\xE8\xBB"), 1u);       // 車 without its last byte
    EXPECT_EQ(completeUtf8Length("a\xE8\xBB\x8A"), 4u);   // 車
    // Stray continuation bytes are passed on: waiting would hold them forever.
    EXPECT_EQ(completeUtf8Length("\x80\x80\x80\x80"), 4u);
}

}  // namespace

namespace {

using tools::displayWidth;
using tools::padded;

// Columns by East Asian width: what a Japanese console shows.
TEST(ConsoleText, WideAndFullwidthCharactersTakeTwoColumns) {
    EXPECT_EQ(displayWidth(""), 0u);
    EXPECT_EQ(displayWidth("found"), 5u);
    EXPECT_EQ(displayWidth("ブレーキシリンダ"), 16u);  // katakana and the long vowel mark
    EXPECT_EQ(displayWidth("元空気溜め"), 10u);        // kanji and hiragana
    EXPECT_EQ(displayWidth("１２０，"), 8u);           // fullwidth digits and comma
    EXPECT_EQ(displayWidth("、。「」"), 8u);           // Japanese punctuation
    EXPECT_EQ(displayWidth("～"), 2u);
    EXPECT_EQ(displayWidth("\xE3\x80\x80"), 2u);       // the ideographic space
    EXPECT_EQ(displayWidth("🚃"), 2u);
}

TEST(ConsoleText, NarrowThreeByteCharactersTakeOneColumn) {
    EXPECT_EQ(displayWidth("ｶﾞ"), 2u);      // halfwidth katakana
    EXPECT_EQ(displayWidth("1380–1620 V"), 11u);  // en dash
    EXPECT_EQ(displayWidth("→ −0.2 V/A"), 10u);  // arrow and minus sign
    EXPECT_EQ(displayWidth("× 100 °"), 7u);
}

TEST(ConsoleText, MarksAndInvisibleCharactersTakeNoColumn) {
    EXPECT_EQ(displayWidth("カ\xE3\x82\x99"), 2u);   // カ with a combining voiced mark
    EXPECT_EQ(displayWidth("e\xCC\x81"), 1u);         // e with a combining acute accent
    EXPECT_EQ(displayWidth("\xEF\xBB\xBF" "ab"), 2u); // byte-order mark
    EXPECT_EQ(displayWidth("a\xE2\x80\x8B" "b"), 2u); // zero-width space
    EXPECT_EQ(displayWidth("a\tb"), 2u);
}

// A byte that starts or continues no character is shown as one replacement.
TEST(ConsoleText, BrokenBytesTakeOneColumnEach) {
    EXPECT_EQ(displayWidth("\x80"), 1u);
    EXPECT_EQ(displayWidth("\xE8\xBB"), 2u);       // 車 cut short
    EXPECT_EQ(displayWidth("\xE8\xBB" "a"), 3u);   // ... and followed by ASCII
    EXPECT_EQ(displayWidth("\xFF\xFE"), 2u);
    EXPECT_EQ(displayWidth("\xF0\x9F\x9A"), 3u);   // an emoji cut short
}

TEST(ConsoleText, JapaneseAndEnglishLabelsEndInTheSameColumn) {
    for (const char* label : {"found", "missing", "なし", "あり", "選ばれた段", "バージョン", "ブレーキシリンダ"}) {
        const std::string line = padded(label, 17) + "|";
        EXPECT_EQ(displayWidth(line), 18u) << label;
    }
    // A label wider than the field is left whole.
    EXPECT_EQ(padded("プラグインのバージョン", 10), "プラグインのバージョン");
}

}  // namespace
