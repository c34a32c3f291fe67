// The catalogue against the tools' source: every message that cabhost can
// show has its Japanese text, every Japanese text belongs to a message, and
// both say the same placeholders. Failures name the file, the line and the
// message, so that whoever adds a message knows what to add to which .po file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "messages/messages.h"
#include "source_messages.h"

namespace {

namespace fs = std::filesystem;

struct Use {
    std::string place;  // "tools/check.cpp:12"
};

// Every messages::tr/trf literal under the folders whose programs talk to
// authors, with where it is used.
std::map<std::string, std::vector<Use>> messagesInSource(std::vector<std::string>& problems) {
    std::map<std::string, std::vector<Use>> messages;
    const fs::path root = fs::u8path(ORVALIS_SOURCE_DIR);
    for (const char* folder : {"tools", "load_errors", "diagnose", "repair", "report"}) {
        if (!fs::is_directory(root / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
            std::ifstream file(entry.path(), std::ios::binary);
            const std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            const std::string name = entry.path().lexically_relative(root).generic_string();
            for (const auto& message : test_messages::findMessages(source)) {
                const std::string place = name + ":" + std::to_string(message.line);
                if (!message.error.empty())
                    problems.push_back(place + ": " + message.error);
                else
                    messages[message.text].push_back({place});
            }
        }
    }
    return messages;
}

std::multiset<std::string> placeholders(const std::string& text) {
    std::multiset<std::string> found;
    for (std::size_t k = 0; k + 2 < text.size(); ++k)
        if (text[k] == '{' && text[k + 1] >= '1' && text[k + 1] <= '9' && text[k + 2] == '}') found.insert(text.substr(k, 3));
    return found;
}

std::set<std::string> distinct(const std::multiset<std::string>& all) {
    return {all.begin(), all.end()};
}

TEST(CatalogueCoverage, TheCatalogueReadsWithoutProblems) {
    for (const std::string& problem : messages::catalogueProblems()) ADD_FAILURE() << "messages/ja/" << problem;
}

TEST(CatalogueCoverage, EveryMessageOfTheToolsHasItsJapaneseText) {
    std::vector<std::string> problems;
    const auto messages = messagesInSource(problems);
    for (const std::string& problem : problems) ADD_FAILURE() << problem;
    ASSERT_FALSE(messages.empty()) << "no messages found under " << ORVALIS_SOURCE_DIR;
    for (const auto& [english, uses] : messages) {
        if (messages::japaneseText(english) == nullptr)
            ADD_FAILURE() << uses.front().place << ": no Japanese text in messages/ja/*.po for\n  msgid \"" << english
                          << "\"";
    }
}

TEST(CatalogueCoverage, EveryJapaneseTextBelongsToAMessage) {
    std::vector<std::string> problems;
    const auto messages = messagesInSource(problems);
    for (const std::string& key : messages::catalogueKeys()) {
        if (messages.count(key) == 0)
            ADD_FAILURE() << "messages/ja/*.po has a text that no messages::tr or messages::trf uses:\n  msgid \""
                          << key << "\"";
    }
}

// A translation that drops or invents a placeholder loses a file name or a
// line number, or shows "{2}" to the author.
TEST(CatalogueCoverage, JapaneseTextsSayTheSamePlaceholders) {
    for (const std::string& key : messages::catalogueKeys()) {
        const std::string japanese = messages::japaneseText(key);
        EXPECT_EQ(distinct(placeholders(key)), distinct(placeholders(japanese)))
            << "placeholders differ between\n  msgid \"" << key << "\"\n  msgstr \"" << japanese << "\"";
    }
}

}  // namespace
