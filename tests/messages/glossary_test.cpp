#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> splitCells(const std::string& row) {
    std::vector<std::string> cells;
    std::stringstream in(row);
    std::string cell;
    while (std::getline(in, cell, '|')) {
        const auto first = cell.find_first_not_of(' ');
        const auto last = cell.find_last_not_of(' ');
        cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    return cells;
}

// A ruled-out form, with what must not stand before or after it for a match:
// "レバーサ(?!ー)" rules out レバーサ except as the start of レバーサー, and
// "(?<!読み)飛ばし" rules out 飛ばし except as the end of 読み飛ばし.
struct Form {
    std::string text;
    std::string notBefore;  // a match is void when this precedes it
    std::string notAfter;   // a match is void when this follows it
};

Form parseForm(std::string cell) {
    Form form;
    const std::string behind = "(?<!";
    if (cell.rfind(behind, 0) == 0) {
        const auto close = cell.find(')');
        form.notBefore = cell.substr(behind.size(), close - behind.size());
        cell = cell.substr(close + 1);
    }
    const std::string ahead = "(?!";
    const auto open = cell.find(ahead);
    if (open != std::string::npos && cell.back() == ')') {
        form.notAfter = cell.substr(open + ahead.size(), cell.size() - open - ahead.size() - 1);
        cell = cell.substr(0, open);
    }
    form.text = cell;
    return form;
}

bool uses(const std::string& line, const Form& form) {
    for (auto at = line.find(form.text); at != std::string::npos; at = line.find(form.text, at + 1)) {
        const bool voidBefore = !form.notBefore.empty() && at >= form.notBefore.size() &&
                                line.compare(at - form.notBefore.size(), form.notBefore.size(), form.notBefore) == 0;
        const auto end = at + form.text.size();
        const bool voidAfter = !form.notAfter.empty() && line.compare(end, form.notAfter.size(), form.notAfter) == 0;
        if (!voidBefore && !voidAfter) return true;
    }
    return false;
}

// The ruled-out forms are the third column of the glossary table, separated by 、.
std::vector<Form> ruledOutForms() {
    const std::filesystem::path readme = ORVALIS_SOURCE_DIR "/messages/ja/README.md";
    std::stringstream lines(readFile(readme));
    std::vector<Form> forms;
    std::string line;
    bool inGlossary = false;
    while (std::getline(lines, line)) {
        if (line.rfind("| concept |", 0) == 0) { inGlossary = true; continue; }
        if (!inGlossary || line.rfind("|---", 0) == 0) continue;
        if (line.rfind('|', 0) != 0) break;
        const auto cells = splitCells(line);
        if (cells.size() < 4) continue;
        const std::string separator = "、";
        std::string rest = cells[3];
        for (auto at = rest.find(separator); ; at = rest.find(separator)) {
            if (!rest.substr(0, at).empty()) forms.push_back(parseForm(rest.substr(0, at)));
            if (at == std::string::npos) break;
            rest = rest.substr(at + separator.size());
        }
    }
    return forms;
}

std::vector<std::filesystem::path> japaneseTexts() {
    std::vector<std::filesystem::path> files{ORVALIS_SOURCE_DIR "/docs/author-guide.ja.md"};
    for (const auto& entry : std::filesystem::directory_iterator(ORVALIS_SOURCE_DIR "/messages/ja"))
        if (entry.path().extension() == ".po") files.push_back(entry.path());
    return files;
}

// The Japanese lines of a file: the whole guide, and in a catalogue the
// msgstr lines with their continuations (the msgid lines are English).
std::vector<std::pair<int, std::string>> japaneseLines(const std::filesystem::path& file) {
    std::vector<std::pair<int, std::string>> kept;
    std::stringstream lines(readFile(file));
    std::string line;
    bool inKey = false;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (file.extension() == ".po") {
            if (line.rfind("msgid", 0) == 0) inKey = true;
            if (line.rfind("msgstr", 0) == 0) inKey = false;
            if (inKey) continue;
        }
        kept.emplace_back(number, line);
    }
    return kept;
}

}  // namespace

TEST(Glossary, FormsMatchOnlyOutsideTheirAllowedNeighbours) {
    const Form stem = parseForm("レバーサ(?!ー)");
    EXPECT_TRUE(uses("レバーサを中立に", stem));
    EXPECT_TRUE(uses("レバーサー、レバーサ", stem));
    EXPECT_FALSE(uses("レバーサーを中立に", stem));
    const Form tail = parseForm("(?<!読み)飛ばし");
    EXPECT_TRUE(uses("行を飛ばしました", tail));
    EXPECT_FALSE(uses("行を読み飛ばしました", tail));
    EXPECT_TRUE(uses("飛ばし", tail));
    const Form plain = parseForm("元空気だめ");
    EXPECT_TRUE(uses("元空気だめ圧力", plain));
    EXPECT_TRUE(plain.notBefore.empty() && plain.notAfter.empty());
}

TEST(Glossary, JapaneseTextsUseNoRuledOutForm) {
    const auto forms = ruledOutForms();
    ASSERT_GE(forms.size(), 30u) << "the glossary table was not found or lost rows";
    for (const auto& file : japaneseTexts())
        for (const auto& [number, line] : japaneseLines(file))
            for (const auto& form : forms)
                EXPECT_FALSE(uses(line, form))
                    << file.filename().string() << ":" << number << " uses " << form.text;
}
