// What was read checked against what makes sense: the number forms an author
// writes, and correct but unusual vehicles that must draw no warning. (The
// edits are proven over the whole corpus by the corpus test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "diagnose/diagnose.h"
#include "diagnose/numbers.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using diagnose::Finding;
using diagnose::Severity;
using testing_support::TestFolder;

const fs::path kCorpus = fs::u8path("test-data/diagnose-corpus");

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


// A case's built-modules.txt names, one a line, a module library of the
// build and where the vehicle holds it ("chain_module modules/ats/ats.dll"),
// so that its modules really load on the system the test runs on. Returns
// how many were placed.
std::size_t placeBuiltModules(const fs::path& source, const TestFolder& folder) {
    std::ifstream list(source / "built-modules.txt");
    std::size_t placed = 0;
    std::string target;
    std::string place;
    while (list >> target >> place) {
        const fs::path file = folder.path() / fs::u8path(place);
        fs::create_directories(file.parent_path());
        fs::copy_file(testing_support::buildOutputFolder() / (target + ORVALIS_MODULE_SUFFIX), file);
        ++placed;
    }
    fs::remove(folder.path() / "built-modules.txt");
    return placed;
}

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
        const std::size_t modules = placeBuiltModules(source, folder);
        fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
        const Loaded loaded(folder);
        if (modules > 0) {
            EXPECT_EQ(loaded.plugin.chain.modules.size(), modules);
        }
        EXPECT_FALSE(loaded.plugin.report.failure.has_value());
        EXPECT_FALSE(loaded.plugin.notch.powerCurrentCurves.empty());
        for (const Finding& finding : loaded.findings)
            EXPECT_EQ(finding.severity, Severity::Note) << diagnose::describe(finding, folder.path());
    }
}

std::vector<Finding> diagnosedNeedleTable(const TestFolder& folder, const std::string& name, const std::string& bytes) {
    folder.write("NeedleTable/" + name, bytes);
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
    const Loaded loaded(folder);
    return loaded.findings;
}

TEST(ContentChecks, WhatThePluginReadsAsMeantDrawsNoWarning) {
    for (const char* table : {"speed,needle\r\n0,0\r\n120km/h,120\r",  // the column's own unit; a last lone CR joins nothing
                              "speed,needle\n0,0\n60,60\n120,120.5 ; 目盛り\n"}) {
        SCOPED_TRACE(table);
        TestFolder folder(u"meant");
        EXPECT_EQ(problems(diagnosedNeedleTable(folder, "Speed.csv", table)), 0u);
    }
}

TEST(ContentChecks, AUnitOfAnotherScaleIsConvertedInItsEdit) {
    TestFolder folder(u"scale");
    const std::vector<Finding> findings = diagnosedNeedleTable(folder, "Pressure.csv", "kPa,needle\n0,0\n0.5MPa,500\n");
    ASSERT_EQ(problems(findings), 1u);
    ASSERT_EQ(findings.front().fixes.size(), 1u);
    EXPECT_EQ(findings.front().fixes.front().replacement, "500");
    EXPECT_EQ(findings.front().fixes.front().firstColumn, 1);
    EXPECT_EQ(findings.front().fixes.front().endColumn, 7);
}

TEST(ContentChecks, AQuotedNumberInAColumnNotReadShiftsTheRowWithoutStoppingTheStartUp) {
    TestFolder folder(u"quoted");
    folder.write("notch/notch.txt", "[Power]\nParams = p.txt\nCurrent = c.csv\n");
    folder.write("notch/p.txt", "RequiredNotch_Up, 1, 1\n");
    folder.write("notch/c.csv", "speed,s1,s2,s3\n0,100,200,\"1,300\"\n");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
    const Loaded loaded(folder);
    EXPECT_FALSE(loaded.plugin.report.failure.has_value());
    ASSERT_EQ(problems(loaded.findings), 1u);
    EXPECT_EQ(loaded.findings.front().severity, Severity::Warning);
    EXPECT_TRUE(loaded.findings.front().fixes.empty());  // 1300 or 1.300: nothing in the file says which
}

}  // namespace
