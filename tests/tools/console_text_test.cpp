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
