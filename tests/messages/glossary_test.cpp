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

// The ruled-out forms are the third column of the glossary table, separated by 、.
std::vector<std::string> ruledOutForms() {
    const std::filesystem::path readme = ORVALIS_SOURCE_DIR "/messages/ja/README.md";
    std::stringstream lines(readFile(readme));
    std::vector<std::string> forms;
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
            if (!rest.substr(0, at).empty()) forms.push_back(rest.substr(0, at));
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

}  // namespace

TEST(Glossary, JapaneseTextsUseNoRuledOutForm) {
    const auto forms = ruledOutForms();
    ASSERT_GE(forms.size(), 8u) << "the glossary table was not found or lost rows";
    for (const auto& file : japaneseTexts()) {
        std::stringstream lines(readFile(file));
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            if (file.extension() == ".po" && line.rfind("msgid", 0) == 0) continue;
            for (const auto& form : forms)
                EXPECT_EQ(line.find(form), std::string::npos)
                    << file.filename().string() << ":" << number << " uses " << form;
        }
    }
}
