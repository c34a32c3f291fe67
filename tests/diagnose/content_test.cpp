// What was read checked against what makes sense: the number forms an author
// writes, and the proof of each edit the diagnosis offers for them: applied
// to the broken vehicle, the plug-in then reads what it reads from the
// author's intended files, and the finding is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "config/text.h"
#include "diagnose/diagnose.h"
#include "diagnose/numbers.h"
#include "platform/utf8.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using diagnose::Finding;
using diagnose::Fix;
using diagnose::Severity;
using testing_support::TestFolder;

const fs::path kCorpus = fs::u8path("test-data/diagnose-corpus");

std::string readFile(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// Code-unit offset of a 1-based column counted in characters.
std::size_t offsetOf(const config::Text& line, int column) {
    std::size_t at = 0;
    for (int c = 1; c < column && at < line.size(); ++c) at += (line[at] >= 0xD800 && line[at] <= 0xDBFF) ? 2 : 1;
    return at;
}

// Applies the edits to the files, right to left within a line, the way an
// author would make them in an editor.
void applyEdits(std::vector<Fix> fixes) {
    std::sort(fixes.begin(), fixes.end(), [](const Fix& a, const Fix& b) {
        return std::tie(a.file, a.line, a.firstColumn) > std::tie(b.file, b.line, b.firstColumn);
    });
    for (const Fix& fix : fixes) {
        ASSERT_EQ(fix.kind, Fix::Kind::Edit);
        std::string bytes = readFile(fix.file);
        const std::string bom = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? "\xEF\xBB\xBF" : "";
        bytes.erase(0, bom.size());
        std::size_t start = 0;
        for (int line = 1; line < fix.line; ++line) start = bytes.find('\n', start) + 1;
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        if (end < bytes.size() && end > start && bytes[end - 1] == '\r') --end;
        config::Text text;
        config::decodeUtf8(std::string_view(bytes).substr(start, end - start), text);
        config::Text replacement;
        config::decodeUtf8(fix.replacement, replacement);
        const std::size_t first = offsetOf(text, fix.firstColumn);
        text.replace(first, offsetOf(text, fix.endColumn) - first, replacement);
        bytes.replace(start, end - start, platform::toUtf8(text));
        std::ofstream(fix.file, std::ios::binary) << bom << bytes;
    }
}

struct Loaded {
    explicit Loaded(const TestFolder& folder) {
        plugin.directory = folder.directory();
        plugin::load(plugin);
        findings = diagnose::diagnoseVehicle(plugin);
    }
    ~Loaded() { plugin::dispose(plugin); }
    plugin::Plugin plugin;
    std::vector<Finding> findings;
};

bool sameTable(const panel::CurveTable& a, const panel::CurveTable& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const panel::CurvePoint& p, const panel::CurvePoint& q) {
        return p.input == q.input && p.output == q.output;
    });
}

bool sameCurves(const std::vector<panel::CurveTable>& a, const std::vector<panel::CurveTable>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameTable);
}

void expectSameReading(const plugin::Plugin& fixed, const plugin::Plugin& intended) {
    EXPECT_EQ(fixed.report.failure.has_value(), intended.report.failure.has_value());
    EXPECT_TRUE(sameTable(fixed.needles.speedTable, intended.needles.speedTable));
    EXPECT_TRUE(sameTable(fixed.needles.currentTable, intended.needles.currentTable));
    EXPECT_TRUE(sameTable(fixed.needles.pressureTable, intended.needles.pressureTable));
    EXPECT_TRUE(sameTable(fixed.needles.voltageTable, intended.needles.voltageTable));
    EXPECT_TRUE(sameCurves(fixed.notch.powerCurrentCurves, intended.notch.powerCurrentCurves));
    EXPECT_TRUE(sameCurves(fixed.notch.brakeCurrentCurves, intended.notch.brakeCurrentCurves));
    EXPECT_EQ(fixed.notch.powerCurveSteps, intended.notch.powerCurveSteps);
    EXPECT_EQ(fixed.notch.brakeStepCount, intended.notch.brakeStepCount);
    EXPECT_EQ(fixed.notch.noLoadCurrent, intended.notch.noLoadCurrent);
    EXPECT_EQ(fixed.notch.breakerDelayOn, intended.notch.breakerDelayOn);
    EXPECT_EQ(fixed.notch.currentLimitingValueEmpty, intended.notch.currentLimitingValueEmpty);
}

// Copies the case (its intended/ overlaid when `intended`), without the
// files that only the tests read.
void copyCase(const std::string& name, const TestFolder& folder, bool intended) {
    testing_support::copyFolder(kCorpus / fs::u8path(name), folder);
    fs::remove(folder.path() / "expected.txt");
    fs::remove_all(folder.path() / "intended");
    if (intended) testing_support::copyFolder(kCorpus / fs::u8path(name) / "intended", folder);
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
}

std::size_t problems(const std::vector<Finding>& findings) {
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(),
                                                  [](const Finding& f) { return f.severity != Severity::Note; }));
}

// The cases whose every finding carries an edit.
TEST(ContentFixes, AppliedTheyMakeThePluginReadTheIntendedValues) {
    for (const char* name : {"quoted-decimal-comma", "quoted-thousands", "quoted-fields", "full-width-digits-in-table",
                             "unit-of-another-scale", "text-after-number",
                             "params-files-traded",
                             "current-files-traded", "required-notch-with-equals", "semicolon-separator",
                             "tab-separator", "full-width-comma", "trailing-blank-line", "excel-empty-rows",
                             "header-doubled", "speed-needle-in-hundredths",
                             "日本語の車両-全角数字", "speed-needle-panel-values"}) {
        SCOPED_TRACE(name);
        TestFolder broken(u"broken");
        TestFolder intended(u"intended");
        copyCase(name, broken, false);
        copyCase(name, intended, true);
        std::vector<Fix> fixes;
        {
            const Loaded before(broken);
            ASSERT_GT(problems(before.findings), 0u);
            for (const Finding& finding : before.findings) {
                if (finding.severity == Severity::Note) continue;
                EXPECT_FALSE(finding.fixes.empty()) << diagnose::describe(finding, broken.path());
                fixes.insert(fixes.end(), finding.fixes.begin(), finding.fixes.end());
            }
        }
        applyEdits(fixes);
        const Loaded fixed(broken);
        const Loaded meant(intended);
        EXPECT_EQ(problems(fixed.findings), 0u);
        EXPECT_EQ(problems(meant.findings), 0u);
        expectSameReading(fixed.plugin, meant.plugin);
    }
}

TEST(ContentFixes, ANumberThatCouldBeReadTwoWaysGetsNoEdit) {
    TestFolder broken(u"broken");
    copyCase("quoted-comma-either-way", broken, false);
    const Loaded loaded(broken);
    ASSERT_EQ(problems(loaded.findings), 1u);
    EXPECT_TRUE(loaded.findings.front().fixes.empty());
    EXPECT_NE(loaded.findings.front().message.find("`1200`"), std::string::npos);
    EXPECT_NE(loaded.findings.front().message.find("`1.200`"), std::string::npos);
}

TEST(CommaNumbers, ReadOneWayOnlyWhenTheFormLeavesNoDoubt) {
    using diagnose::readCommaNumber;
    EXPECT_EQ(readCommaNumber(u"121,5").meant, u"121.5");
    EXPECT_EQ(readCommaNumber(u"0,300").meant, u"0.300");      // a leading 0 groups nothing
    EXPECT_EQ(readCommaNumber(u"1300,5").meant, u"1300.5");    // a first group of four digits
    EXPECT_EQ(readCommaNumber(u"1,234,567").meant, u"1234567");
    EXPECT_EQ(readCommaNumber(u"1,300.5").meant, u"1300.5");
    EXPECT_EQ(readCommaNumber(u"1.300,5").meant, u"1300.5");
    EXPECT_EQ(readCommaNumber(u"-2,5").meant, u"-2.5");
    EXPECT_TRUE(readCommaNumber(u"1,300").meant.empty());
    EXPECT_EQ(readCommaNumber(u"1,300", true, false).meant, u"1300");
    EXPECT_EQ(readCommaNumber(u"1,300", false, true).meant, u"1.300");
    EXPECT_TRUE(readCommaNumber(u"1,2,3").meant.empty());
    EXPECT_FALSE(readCommaNumber(u"12").isCommaNumber);
    EXPECT_FALSE(readCommaNumber(u"a,5").isCommaNumber);
}

TEST(CommaNumbers, FullWidthDigitsAndSignsWrittenInAscii) {
    EXPECT_EQ(diagnose::asciiDigits(u"\uFF11\uFF12\uFF0E\uFF15"), u"12.5");
    EXPECT_EQ(diagnose::asciiDigits(u"\u30FC\uFF15"), u"-5");  // a long vowel mark typed for the minus
    EXPECT_EQ(diagnose::asciiDigits(u"\u2212" u"5"), u"-5");
    EXPECT_FALSE(diagnose::asciiDigits(u"125").has_value());
}

}  // namespace

// Correct vehicles written in the many ways authors do: each must load
// without an error and be diagnosed without an error or a warning.
TEST(CorrectVehicles, GetNoErrorAndNoWarning) {
    std::vector<fs::path> cases;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path("test-data/diagnose-correct")))
        if (entry.is_directory()) cases.push_back(entry.path());
    EXPECT_GE(cases.size(), 8u);
    for (const fs::path& source : cases) {
        SCOPED_TRACE(source.filename().u8string());
        TestFolder folder(source.filename().u16string());
        testing_support::copyFolder(source, folder);
        fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
        const Loaded loaded(folder);
        EXPECT_FALSE(loaded.plugin.report.failure.has_value());
        EXPECT_FALSE(loaded.plugin.notch.powerCurrentCurves.empty());
        for (const Finding& finding : loaded.findings)
            EXPECT_EQ(finding.severity, Severity::Note) << diagnose::describe(finding, folder.path());
    }
}
