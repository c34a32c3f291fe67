// The tables of keys, panel indices and sound indices in the README and in
// both author guides against the program's own lists: a row that is missing,
// or one for an index the plug-in does not use, fails here. A table is found
// by the comment line "<!-- table: NAME -->" above it; the first cell of each
// row names its indices ("42, 43", "220 to 223", "220 から 223").
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tools/panel_names.h"

namespace {

std::string readDocument(const std::string& relative) {
    std::ifstream file(std::filesystem::u8path(ORVALIS_SOURCE_DIR) / std::filesystem::u8path(relative),
                       std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The indices named by a table's first cell: numbers, and ranges written
// "A to B", "A から B" or "A〜B".
void addIndices(const std::string& cell, std::set<int>& indices) {
    std::vector<int> numbers;
    std::vector<bool> rangeBefore;
    bool range = false;
    for (std::size_t k = 0; k < cell.size();) {
        if (std::isdigit(static_cast<unsigned char>(cell[k]))) {
            std::size_t end = k;
            while (end < cell.size() && std::isdigit(static_cast<unsigned char>(cell[end]))) ++end;
            numbers.push_back(std::stoi(cell.substr(k, end - k)));
            rangeBefore.push_back(range);
            range = false;
            k = end;
        } else {
            for (const char* word : {"to", "から", "〜", "～"}) {
                if (cell.compare(k, std::string(word).size(), word) == 0) range = true;
            }
            ++k;
        }
    }
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        if (rangeBefore[k] && k > 0)
            for (int index = numbers[k - 1] + 1; index <= numbers[k]; ++index) indices.insert(index);
        else
            indices.insert(numbers[k]);
    }
}

// The indices of the table under "<!-- table: NAME -->"; `found` tells
// whether the document has that table at all.
std::set<int> tableIndices(const std::string& document, const std::string& name, bool& found) {
    std::set<int> indices;
    const std::size_t marker = document.find("<!-- table: " + name + " -->");
    found = marker != std::string::npos;
    if (!found) return indices;
    std::size_t line = document.find('\n', marker) + 1;
    int row = 0;
    while (line < document.size() && document[line] == '|') {
        const std::size_t end = document.find('\n', line);
        const std::string text = document.substr(line, end - line);
        if (++row > 2) addIndices(text.substr(1, text.find('|', 1) - 1), indices);  // after the header rows
        line = end == std::string::npos ? document.size() : end + 1;
    }
    return indices;
}

template <std::size_t N>
std::set<int> asSet(const std::array<int, N>& list) {
    return {list.begin(), list.end()};
}

class DocumentTables : public ::testing::TestWithParam<const char*> {};

TEST_P(DocumentTables, ListTheProgramsPanelIndicesSoundIndicesAndKeys) {
    const std::string document = readDocument(GetParam());
    ASSERT_FALSE(document.empty()) << GetParam() << " cannot be read";
    const struct {
        const char* table;
        std::set<int> program;
    } tables[] = {{"panel indices", asSet(tools::kPluginPanelIndices)},
                  {"sound indices", asSet(tools::kPluginSoundIndices)},
                  {"keys", asSet(tools::kPluginKeys)}};
    for (const auto& table : tables) {
        bool found = false;
        const std::set<int> listed = tableIndices(document, table.table, found);
        EXPECT_TRUE(found) << GetParam() << " has no line <!-- table: " << table.table << " -->";
        for (int index : table.program)
            if (listed.count(index) == 0) ADD_FAILURE() << GetParam() << ": the " << table.table << " table lacks " << index;
        for (int index : listed)
            if (table.program.count(index) == 0)
                ADD_FAILURE() << GetParam() << ": the " << table.table << " table lists " << index
                              << ", which the plug-in does not use";
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentTables,
                         ::testing::Values("README.md", "docs/author-guide.md", "docs/author-guide.ja.md"));

TEST(DocumentTableReading, RangesAndListsOfIndices) {
    std::set<int> indices;
    addIndices(" 220 to 223 ", indices);
    addIndices("42, 43", indices);
    addIndices("131〜132", indices);
    addIndices("5 から 6", indices);
    EXPECT_EQ(indices, (std::set<int>{5, 6, 42, 43, 131, 132, 220, 221, 222, 223}));
}

}  // namespace
