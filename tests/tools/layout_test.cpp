// The terminal layout of cabhost in both languages: the usage text fits an
// 80-column console, and a Japanese check or run keeps the columns of the
// English one, whatever the width of the Japanese labels.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "messages/messages.h"
#include "support/test_folder.h"
#include "tools/check.h"
#include "tools/command_line.h"
#include "tools/console_text.h"
#include "tools/run_command.h"

namespace {

using testing_support::TestFolder;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The display columns where the fields of a line begin: the first text, and
// every text after a run of two or more blanks (how labels are padded).
std::vector<std::size_t> fieldColumns(const std::string& line) {
    std::vector<std::size_t> columns;
    std::size_t blanks = 0;
    bool started = false;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (line[at] == ' ') { ++blanks; continue; }
        if (!started || blanks >= 2) columns.push_back(tools::displayWidth(line.substr(0, at)));
        started = true;
        blanks = 0;
    }
    return columns;
}

class InLanguage {
public:
    explicit InLanguage(messages::Language language) { messages::setLanguage(language); }
    ~InLanguage() { messages::setLanguage(messages::Language::English); }
};

// Compares the layout of the same output in English and Japanese: the same
// lines, and in each line the fields that labels and names line up (those
// that begin before `alignedUpTo`) at the same columns.
void expectSameColumns(const std::string& english, const std::string& japanese, std::size_t alignedUpTo) {
    const auto englishLines = linesOf(english);
    const auto japaneseLines = linesOf(japanese);
    ASSERT_EQ(englishLines.size(), japaneseLines.size()) << english << japanese;
    int compared = 0;
    for (std::size_t k = 0; k < englishLines.size(); ++k) {
        auto englishColumns = fieldColumns(englishLines[k]);
        auto japaneseColumns = fieldColumns(japaneseLines[k]);
        const auto aligned = [&](std::vector<std::size_t>& columns) {
            while (!columns.empty() && columns.back() >= alignedUpTo) columns.pop_back();
        };
        aligned(englishColumns);
        aligned(japaneseColumns);
        if (englishColumns.size() < 2) continue;  // no label or name before a field
        ++compared;
        japaneseColumns.resize(std::min(japaneseColumns.size(), englishColumns.size()));
        EXPECT_EQ(englishColumns, japaneseColumns) << englishLines[k] << "\n" << japaneseLines[k];
    }
    EXPECT_GT(compared, 10) << "too few aligned lines to compare";
}

TEST(Layout, UsageFitsEightyColumnsInBothLanguages) {
    for (const auto language : {messages::Language::English, messages::Language::Japanese}) {
        InLanguage inLanguage(language);
        const std::string usage = tools::usage();
        for (const std::string& line : linesOf(usage))
            EXPECT_LE(tools::displayWidth(line), 80u) << line;
    }
}

// The option descriptions of run begin in one column, continuation included.
TEST(Layout, UsageOptionsLineUpInBothLanguages) {
    for (const auto language : {messages::Language::English, messages::Language::Japanese}) {
        InLanguage inLanguage(language);
        for (const std::string& line : linesOf(tools::usage())) {
            const auto columns = fieldColumns(line);
            if (line.rfind("      --", 0) == 0 && line.find("--spec") == std::string::npos) {
                ASSERT_GE(columns.size(), 2u) << line;
                EXPECT_EQ(columns[1], 26u) << line;
            } else if (line.rfind("                 ", 0) == 0) {  // a description continued
                EXPECT_EQ(columns[0], 26u) << line;
            }
        }
    }
}

std::string checked(const TestFolder& vehicle, messages::Language language) {
    InLanguage inLanguage(language);
    std::ostringstream out, err;
    tools::CheckOptions options;
    options.vehicle = vehicle.path();
    tools::checkVehicle(options, out, err);
    return out.str();
}

// A vehicle with a missing curve file, a missing module and a needle table
// that stops Load: every block of the check has lines to compare.
TEST(Layout, AJapaneseCheckOfABrokenVehicleKeepsTheEnglishColumns) {
    TestFolder vehicle(u"layout-check");
    vehicle.write("detailmodulesx64.txt", "missing_module.dll\n");
    vehicle.write("notch/notch.txt", "[Power]\nParams = power_params.txt\nCurrent = power_current.csv\n");
    vehicle.write("notch/power_params.txt", "RequiredNotch_Up, 1, 1, 2\n");
    vehicle.write("NeedleTable/Pressure.csv", "kPa,needle\n0,0\n800,80\n");
    vehicle.write("NeedleTable/Speed.csv", "speed,needle\n0,0\n40,forty\n");
    expectSameColumns(checked(vehicle, messages::Language::English), checked(vehicle, messages::Language::Japanese),
                      20);
}

std::string departure(const TestFolder& folder, messages::Language language) {
    InLanguage inLanguage(language);
    std::ostringstream out, err;
    tools::RunOptions options;
    options.trace = folder.file("departure-trace.csv");
    tools::runScenarioCommand(options, testing_support::buildOutputFolder(), out, err, false);
    return out.str();
}

// The departure beside cabhost: the start-up block, the summary's topics
// and the needle blocks begin their fields at the same columns.
TEST(Layout, AJapaneseDepartureKeepsTheEnglishColumns) {
    TestFolder folder(u"layout-run");
    expectSameColumns(departure(folder, messages::Language::English),
                      departure(folder, messages::Language::Japanese), 45);
}

}  // namespace
