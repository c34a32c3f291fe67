// The module list's findings where the corpus has no case: the lines that
// only look like mistakes, and why the 32-bit simulator's list is not
// simply renamed.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "diagnose/diagnose.h"
#include "plugin/plugin.h"
#include "repair/repair.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using diagnose::Finding;
using diagnose::Fix;
using testing_support::TestFolder;

const fs::path kCorpus = fs::u8path("test-data/diagnose-corpus");
const fs::path kModule64 = kCorpus / "module-names" / "ats.dll";
const fs::path kModule32 = kCorpus / "module-of-32-bit-with-64-bit-build" / "ats.dll";

void place(const TestFolder& folder, const fs::path& library, const std::string& relative) {
    const fs::path target = folder.path() / fs::u8path(relative);
    fs::create_directories(target.parent_path());
    fs::copy_file(library, target, fs::copy_options::overwrite_existing);
}

std::vector<Finding> diagnosed(const TestFolder& folder) {
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);
    return findings;
}

const Finding* findingAt(const std::vector<Finding>& findings, const std::string& file, int line) {
    const auto found = std::find_if(findings.begin(), findings.end(), [&](const Finding& finding) {
        return finding.file.filename() == fs::u8path(file) && finding.line == line &&
               finding.severity != diagnose::Severity::Note;
    });
    return found == findings.end() ? nullptr : &*found;
}

TEST(ModuleList, LinesThatOnlyLookLikeMistakesAreNotDeletedOrRewritten) {
    TestFolder folder(u"modules");
    place(folder, kModule64, "ats.dll");
    // A note naming a file that is there, and a yen sign that does not lead
    // to a module when read as a separator.
    folder.write("#1", "");
    folder.write("detailmodulesx64.txt", "#1\nmodules\xC2\xA5" "ats.dll\nats.dll\n");
    const std::vector<Finding> findings = diagnosed(folder);
    const Finding* note = findingAt(findings, "detailmodulesx64.txt", 1);
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->fixes.empty());
    const Finding* yen = findingAt(findings, "detailmodulesx64.txt", 2);
    if (yen != nullptr) {
        EXPECT_TRUE(yen->fixes.empty()) << yen->message;
    }
    EXPECT_EQ(findingAt(findings, "detailmodulesx64.txt", 3), nullptr);
}

// Modules kept once in a folder beside several vehicles: a line leaving
// the vehicle folder is worth a warning only when it finds nothing, or
// when the vehicle holds a module of that name too.
TEST(ModuleList, AModuleBesideTheVehicleIsNoWarningWhereItIsFound) {
    TestFolder folder(u"modules");
    place(folder, kModule64, "shared/ats.dll");
    fs::create_directories(folder.path() / "train");
    std::ofstream(folder.path() / "train" / "detailmodulesx64.txt") << "..\\shared\\ats.dll\n..\\shared\\tims.dll\n";
    place(folder, kModule32, "train/x86/ats.dll");  // the build for the 32-bit simulator
    const auto diagnosedTrain = [&] {
        plugin::Plugin plugin;
        plugin.directory = folder.path() / "train" / "";
        plugin::load(plugin);
        std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
        plugin::dispose(plugin);
        return findings;
    };
    const std::vector<Finding> findings = diagnosedTrain();
    EXPECT_EQ(findingAt(findings, "detailmodulesx64.txt", 1), nullptr);
    EXPECT_NE(findingAt(findings, "detailmodulesx64.txt", 2), nullptr);
    // A 64-bit module of that name in the vehicle as well: which one is
    // meant is left to the author.
    place(folder, kModule64, "train/ats.dll");
    const std::vector<Finding> again = diagnosedTrain();
    const Finding* both = findingAt(again, "detailmodulesx64.txt", 1);
    ASSERT_NE(both, nullptr);
    EXPECT_TRUE(both->fixes.empty());
}

TEST(ModuleList, NamesOfOtherLetterCaseAreOneModuleOnlyWhereTheSystemSaysSo) {
    TestFolder folder(u"modules");
    place(folder, kModule64, "ats.dll");
    folder.write("detailmodulesx64.txt", "ats.dll\nATS.DLL\n");
    const bool oneFile = fs::exists(folder.path() / "ATS.DLL");
    if (!oneFile) place(folder, kModule64, "ATS.DLL");
    const std::vector<Finding> findings = diagnosed(folder);
    EXPECT_EQ(findingAt(findings, "detailmodulesx64.txt", 2) != nullptr, oneFile);
}

TEST(ModuleList, BlanksAroundANameNamingNothingAreNotTrimmedIntoAnotherName) {
    TestFolder folder(u"modules");
    folder.write("detailmodulesx64.txt", " ats.dll\n");
    const std::vector<Finding> findings = diagnosed(folder);
    const Finding* blanks = findingAt(findings, "detailmodulesx64.txt", 1);
    ASSERT_NE(blanks, nullptr);
    EXPECT_TRUE(blanks->fixes.empty());
}

TEST(ModuleList, AModuleListedTwiceThatIsThePluginItselfGoesWithOneDeletionOfItsLine) {
    TestFolder folder(u"modules");
    place(folder, kModule64, "ats.dll");
    folder.write("orvalis_cab.dll", "");
    const fs::path list = folder.write("detailmodulesx64.txt", "orvalis_cab.dll\r\nats.dll\r\norvalis_cab.dll\r\n");
    const std::vector<Finding> findings = diagnosed(folder);
    const repair::Plan plan = repair::planRepairs(findings, folder.path(), fs::file_time_type::clock::now());
    EXPECT_TRUE(plan.refused.empty()) << plan.refused.front().reason;
    ASSERT_EQ(repair::applyRepairs(plan, "now").error, "");
    std::ifstream stream(list, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()), "ats.dll\r\n");
}

TEST(ModuleList, AFolderOfTwoModulesIsNamedWithoutARepair) {
    TestFolder folder(u"modules");
    place(folder, kModule64, "ats/ats.dll");
    place(folder, kModule64, "ats/ats_debug.dll");
    folder.write("detailmodulesx64.txt", "ats\n");
    const std::vector<Finding> findings = diagnosed(folder);
    const Finding* finding = findingAt(findings, "detailmodulesx64.txt", 1);
    ASSERT_NE(finding, nullptr);
    EXPECT_TRUE(finding->fixes.empty());
    EXPECT_NE(finding->fix.find('2'), std::string::npos) << finding->fix;
}

// A helper listed below the module that needs it is loaded too late: its
// line moves above the module, and is then a helper, not a finding.
TEST(ModuleList, AHelperListedBelowItsModuleMovesAbove) {
    TestFolder folder(u"modules");
    place(folder, kCorpus / "module-libraries" / "modules" / "needs-helper.dll", "modules/ats.dll");
    place(folder, kCorpus / "module-libraries" / "modules" / "not-a-plugin.dll", "modules/atshelper.dll");
    place(folder, kModule64, "tims.dll");
    const fs::path list = folder.write("detailmodulesx64.txt", "modules\\ats.dll\r\ntims.dll\r\nmodules\\atshelper.dll\r\n");
    const std::vector<Finding> findings = diagnosed(folder);
    const repair::Plan plan = repair::planRepairs(findings, folder.path(), fs::file_time_type::clock::now());
    EXPECT_TRUE(plan.refused.empty());
    ASSERT_EQ(repair::applyRepairs(plan, "now").error, "");
    std::ifstream stream(list, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()),
              "modules\\atshelper.dll\r\nmodules\\ats.dll\r\ntims.dll\r\n");
    const std::vector<Finding> after = diagnosed(folder);
    for (int line = 1; line <= 3; ++line)
        EXPECT_EQ(findingAt(after, "detailmodulesx64.txt", line), nullptr) << line;
}

// Lines no author writes on purpose: whatever the check makes of them, it
// does not fail, and every repair it offers can be applied.
TEST(ModuleList, OddLinesGetFindingsWhoseRepairsAllHold) {
    const std::string lists[] = {
        ".\n..\n\\\n/\n:\nC:\n\xC2\xA5\n\xEF\xBF\xA5\xEF\xBF\xA5" "ats.dll\n",
        std::string("\0\x01\xFF\xFE\r\r\n \t \n;\n#\n", 15),
        std::string(5000, 'a') + "\n" + std::string(3000, '\n'),
        "ats.dll\nats.dll\nats.dll \n ats.dll\n.\\ats.dll\nsub\\..\\ats.dll\n",
    };
    for (const std::string& list : lists) {
        SCOPED_TRACE(list.substr(0, 40));
        TestFolder folder(u"modules");
        place(folder, kModule64, "ats.dll");
        place(folder, kModule64, "sub/tims.dll");
        folder.write("detailmodulesx64.txt", list);
        folder.write("detailmodules.txt", list);
        const std::vector<Finding> findings = diagnosed(folder);
        const repair::Plan plan = repair::planRepairs(findings, folder.path(), fs::file_time_type::clock::now());
        for (const repair::Refusal& refusal : plan.refused)
            ADD_FAILURE() << refusal.reason << ": " << diagnose::describe(findings[refusal.finding], folder.path());
        EXPECT_EQ(repair::applyRepairs(plan, "now").error, "");
    }
}

// The 32-bit list and what stands in the way of renaming it.
TEST(ModuleList, TheThirtyTwoBitListIsRenamedOnlyWhenEveryModuleCarriesOver) {
    struct Case {
        const char* list;
        const char* why;  // a part of the fix text; empty when the rename is offered
    };
    const Case cases[] = {
        {"ats.dll\r\n\r\n", ""},                          // an empty line loads nothing either way
        {"ats.dll\r\nmissing.dll\r\n", "missing.dll"},    // not there
        {"ats.dll\r\nats.dll\r\n", "again"},              // listed twice
        {" ats.dll\r\n", "not a plain path"},             // would draw its own finding
        {"ats32.dll\r\n", ""},                           // ats.dll is its 64-bit build
        {"atc.dll\r\n", "32-bit"},                        // no 64-bit build in the vehicle
        {"readme.txt\r\n", "no native 64-bit library"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.list);
        TestFolder folder(u"modules");
        place(folder, kModule64, "ats.dll");
        place(folder, kModule32, "ats32.dll");
        place(folder, kModule32, "atc.dll");
        folder.write("readme.txt", "not a library");
        folder.write("detailmodules.txt", entry.list);
        const std::vector<Finding> findings = diagnosed(folder);
        const Finding* finding = findingAt(findings, "detailmodulesx64.txt", 0);
        ASSERT_NE(finding, nullptr);
        if (*entry.why == '\0') {
            ASSERT_FALSE(finding->fixes.empty()) << finding->fix;
            EXPECT_EQ(std::count_if(finding->fixes.begin(), finding->fixes.end(),
                                    [](const Fix& fix) { return fix.kind == Fix::Kind::Rename; }),
                      1);
        } else {
            EXPECT_TRUE(finding->fixes.empty());
            EXPECT_NE(finding->fix.find(entry.why), std::string::npos) << finding->fix;
        }
    }
}

}  // namespace
