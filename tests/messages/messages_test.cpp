#include <gtest/gtest.h>

#include "messages/messages.h"
#include "source_messages.h"

namespace {

using messages::Language;

class Messages : public ::testing::Test {
protected:
    void TearDown() override { messages::setLanguage(Language::English); }
};

TEST_F(Messages, EnglishIsTheKeyAndJapaneseComesFromTheCatalogue) {
    EXPECT_STREQ(messages::tr("no such scenario file"), "no such scenario file");
    messages::setLanguage(Language::Japanese);
    EXPECT_STREQ(messages::tr("no such scenario file"), "シナリオファイルがありません");
    // A message without a Japanese text is shown in English rather than not at all.
    EXPECT_STREQ(messages::tr("a message nobody wrote"), "a message nobody wrote");
}

TEST_F(Messages, PlaceholdersTakeTheArgumentsInTheTranslationsOrder) {
    EXPECT_EQ(messages::trf("unexpected '{1}' after '{2}'", {"x", "at 1 power 3"}), "unexpected 'x' after 'at 1 power 3'");
    messages::setLanguage(Language::Japanese);
    EXPECT_EQ(messages::trf("unexpected '{1}' after '{2}'", {"x", "at 1 power 3"}), "'at 1 power 3' の後の 'x' は余分です");
    // The same placeholder twice, and an argument that looks like a placeholder itself.
    EXPECT_EQ(messages::trf("{1} and {1}", {"{2}", "b"}), "{2} and {2}");
    // A placeholder without its argument stays visible instead of reading past the list.
    EXPECT_EQ(messages::trf("{1}, {3}", {"a"}), "a, {3}");
    EXPECT_EQ(messages::trf("{1", {"a"}), "{1");
}

TEST_F(Messages, LanguageNamesOfEverySystem) {
    EXPECT_EQ(messages::languageFromName("ja"), Language::Japanese);
    EXPECT_EQ(messages::languageFromName("ja_JP.UTF-8"), Language::Japanese);
    EXPECT_EQ(messages::languageFromName("Japanese_Japan.932"), Language::Japanese);
    EXPECT_EQ(messages::languageFromName("en_GB.UTF-8"), Language::English);
    EXPECT_EQ(messages::languageFromName("C"), Language::English);
    EXPECT_EQ(messages::languageFromName("C.UTF-8"), Language::English);
    EXPECT_EQ(messages::languageFromName("POSIX"), Language::English);
    EXPECT_EQ(messages::languageFromName("fr_FR.UTF-8"), std::nullopt);
    EXPECT_EQ(messages::languageFromName(""), std::nullopt);
}

TEST(SourceMessages, FindsTheLiteralKeysTheProgramUses) {
    const auto found = test_messages::findMessages(
        "// messages::tr(\"in a comment\")\n"
        "const char* a = \"messages::tr(\\\"in a string\\\")\";\n"
        "constexpr long day = 86'400'000; char16_t quote = u'\"';\n"
        "out << messages::tr(\"first \\\"quoted\\\"\\n\");\n"
        "out << messages::trf(\n    \"joined \"\n    \"literal {1}\", {x});\n"
        "out << messages::tr(name);\n"
        "/* messages::tr(\"in a block\") */ out << messages::tr(\"a\" + b);\n");
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].text, "first \"quoted\"\n");
    EXPECT_EQ(found[0].line, 4);
    EXPECT_EQ(found[1].text, "joined literal {1}");
    EXPECT_EQ(found[1].line, 6);
    EXPECT_EQ(found[1].error, "");
    EXPECT_EQ(found[2].error, "the first argument is not a string literal");
    EXPECT_EQ(found[3].error, "the first argument is more than a string literal");
}

}  // namespace
