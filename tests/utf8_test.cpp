#include <gtest/gtest.h>

#include <string>

#include "platform/utf8.h"

namespace {

TEST(Utf8, EncodesEveryLengthAndJoinsSurrogatePairs) {
    EXPECT_EQ(platform::toUtf8(u""), "");
    EXPECT_EQ(platform::toUtf8(u"a\u00E9\u3042\U0001F600"), "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80");
    EXPECT_EQ(platform::toUtf8(u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"),
              "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    EXPECT_EQ(platform::toUtf8(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
}

TEST(Utf8, ALoneSurrogateBecomesTheReplacementCharacter) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(platform::toUtf8(std::u16string{0xD83D}), replacement);                // high at the end
    EXPECT_EQ(platform::toUtf8(std::u16string{0xDE00, u'x'}), replacement + "x");    // low first
    EXPECT_EQ(platform::toUtf8(std::u16string{0xD83D, u'x'}), replacement + "x");    // high, no low
    EXPECT_EQ(platform::toUtf8(std::u16string{0xD83D, 0xD83D, 0xDE00}), replacement + "\xF0\x9F\x98\x80");
}

}  // namespace
