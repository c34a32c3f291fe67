// Names the plug-in did not find: every repair the diagnosis offers for the
// name cases of the corpus, applied to a copy, gives a vehicle the plug-in
// loads exactly as the author's intended one, and leaves nothing to repair.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "config/text.h"
#include "diagnose/diagnose.h"
#include "diagnose/encoding.h"
#include "diagnose/names.h"
#include "diagnose/visible.h"
#include "platform/utf8.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using diagnose::Finding;
using diagnose::Fix;
using testing_support::TestFolder;

const fs::path kCorpus = fs::u8path("test-data/diagnose-corpus");

std::string readFile(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

// The code unit where a character column (from 1) starts: surrogate pairs count once.
std::size_t unitOfColumn(const std::u16string& line, int column) {
    std::size_t unit = 0;
    for (int counted = 1; counted < column && unit < line.size(); ++counted)
        unit += (line[unit] >= 0xD800 && line[unit] <= 0xDBFF) ? 2 : 1;
    return unit;
}

void applyEdit(const Fix& fix) {
    const std::string bytes = readFile(fix.file);
    std::string result;
    std::size_t start = 0;
    for (int number = 1; start <= bytes.size(); ++number) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (number == fix.line) {
            const bool carriageReturn = !line.empty() && line.back() == '\r';
            if (carriageReturn) line.pop_back();
            config::Text text;
            config::decodeUtf8(line, text);
            const std::size_t first = unitOfColumn(text, fix.firstColumn);
            const std::size_t last = unitOfColumn(text, fix.endColumn);
            config::Text replacement;
            config::decodeUtf8(fix.replacement, replacement);
            text.replace(first, last - first, replacement);
            line = platform::toUtf8(text) + (carriageReturn ? "\r" : "");
        }
        result += line + (end < bytes.size() ? "\n" : "");
        start = end + 1;
    }
    std::ofstream(fix.file, std::ios::binary) << result;
}

// Removes the line with its line feed; the lines are counted as the check
// counted them, so the deletions of a file run from its end.
void applyDeletion(const Fix& fix) {
    const std::string bytes = readFile(fix.file);
    std::size_t start = 0;
    for (int number = 1; number < fix.line && start != std::string::npos; ++number) {
        start = bytes.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return;
    const std::size_t end = bytes.find('\n', start);
    std::ofstream(fix.file, std::ios::binary)
        << bytes.substr(0, start) + (end == std::string::npos ? std::string() : bytes.substr(end + 1));
}

void apply(const std::vector<Finding>& findings) {
    std::vector<Fix> deletions;
    for (const Finding& finding : findings)
        for (const Fix& fix : finding.fixes) {
            if (fix.kind == Fix::Kind::Edit) applyEdit(fix);
            if (fix.kind == Fix::Kind::DeleteLine) deletions.push_back(fix);
        }
    std::sort(deletions.begin(), deletions.end(),
              [](const Fix& a, const Fix& b) { return a.line != b.line ? a.line > b.line : a.file < b.file; });
    for (std::size_t k = 0; k < deletions.size(); ++k)
        if (k == 0 || deletions[k].line != deletions[k - 1].line || deletions[k].file != deletions[k - 1].file)
            applyDeletion(deletions[k]);
    for (const Finding& finding : findings)
        for (const Fix& fix : finding.fixes)
            if (fix.kind == Fix::Kind::Rename) {
                fs::create_directories(fix.target.parent_path());
                fs::rename(fix.file, fix.target);
            }
}

struct Vehicle {
    explicit Vehicle(const std::string& name) : folder(fs::u8path(name).u16string()) {
        testing_support::copyFolder(kCorpus / fs::u8path(name), folder);
        fs::remove(folder.path() / "expected.txt");
        fs::remove_all(folder.path() / "intended");
        fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
        plugin.directory = folder.directory();
    }
    ~Vehicle() { plugin::dispose(plugin); }

    std::vector<Finding> diagnose() {
        plugin::dispose(plugin);
        plugin = plugin::Plugin{};
        plugin.directory = folder.directory();
        plugin::load(plugin);
        return diagnose::diagnoseVehicle(plugin);
    }

    TestFolder folder;
    plugin::Plugin plugin;
};

bool fileNamesIgnoreCase() {
    TestFolder folder(u"case");
    folder.write("a.txt", "");
    return fs::exists(folder.path() / "A.TXT");
}

// A path of the vehicle as text; where names ignore letter case, paths that
// differ only in it name one file and read alike.
std::string shownPath(const fs::path& path, const fs::path& folder) {
    static const bool ignoreCase = fileNamesIgnoreCase();
    std::string text = path.lexically_normal().lexically_relative(folder).generic_u8string();
    if (ignoreCase)
        for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// What the plug-in loaded, in words, so that two loads compare in one line.
std::string loaded(const Vehicle& vehicle) {
    const plugin::Plugin& plugin = vehicle.plugin;
    std::ostringstream text;
    for (const config::FileNote& file : plugin.report.files)
        text << shownPath(file.path, vehicle.folder.path()) << ' ' << file.found << '\n';
    for (const config::ModuleNote& module : plugin.report.modules)
        text << "module " << module.line << ' ' << shownPath(module.path, vehicle.folder.path()) << ' '
             << static_cast<int>(module.outcome) << '\n';
    const auto curve = [&](const panel::CurveTable& table) {
        for (const panel::CurvePoint& point : table) text << point.input << ':' << point.output << ' ';
        text << '\n';
    };
    for (const uint64_t step : plugin.notch.powerCurveSteps) text << step << ' ';
    text << "\nbrake steps " << plugin.notch.brakeStepCount << " no-load " << plugin.notch.noLoadCurrent << '\n';
    for (const panel::CurveTable& table : plugin.notch.powerCurrentCurves) curve(table);
    for (const panel::CurveTable& table : plugin.notch.brakeCurrentCurves) curve(table);
    curve(plugin.needles.pressureTable);
    curve(plugin.needles.speedTable);
    curve(plugin.needles.currentTable);
    curve(plugin.needles.voltageTable);
    text << "adjust " << plugin.adjust.enabled << " failure " << plugin.report.failure.has_value() << '\n';
    return text.str();
}

void overlayIntended(const std::string& name, const TestFolder& folder) {
    const fs::path intended = kCorpus / fs::u8path(name) / "intended";
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(intended)) {
        const fs::path target = folder.path() / entry.path().lexically_relative(intended);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else {
            fs::create_directories(target.parent_path());
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        }
    }
}

// A case whose expected findings include one the author must settle: its
// repairs cannot give the intended vehicle alone.
bool leavesWorkByHand(const fs::path& source) {
    std::ifstream expected(source / "expected.txt");
    const std::string text((std::istreambuf_iterator<char>(expected)), std::istreambuf_iterator<char>());
    return text.find("@by-hand") != std::string::npos;
}

TEST(NameRepairs, EveryOfferedRepairLoadsTheIntendedVehicleAndLeavesNothingToRepair) {
    int repaired = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(kCorpus)) {
        const std::string name = entry.path().filename().u8string();
        if (name.rfind("names-", 0) != 0 && name.rfind("fixed-names-", 0) != 0 && name.rfind("module-", 0) != 0 &&
            name != "doubled-extensions" && name != "section-header-with-blanks")
            continue;
        if (!fs::exists(entry.path() / "intended") || leavesWorkByHand(entry.path())) continue;
        SCOPED_TRACE(name);
        Vehicle broken(name);
        const std::vector<Finding> findings = broken.diagnose();
        // Where something cannot be repaired, the intended files show what to
        // do by hand and no repair reaches them.
        const bool repairable = std::all_of(findings.begin(), findings.end(), [](const Finding& finding) {
            return finding.severity == diagnose::Severity::Note || !finding.fixes.empty() ||
                   finding.fix.find("as above") != std::string::npos ||
                   finding.fix.find(", below,") != std::string::npos;
        });
        if (!repairable) continue;
        apply(findings);
        const std::vector<Finding> after = broken.diagnose();
        for (const Finding& finding : after) {
            EXPECT_TRUE(finding.fixes.empty()) << diagnose::describe(finding, broken.folder.path());
            EXPECT_NE(finding.severity, diagnose::Severity::Error) << diagnose::describe(finding, broken.folder.path());
        }
        Vehicle intended(name);
        overlayIntended(name, intended.folder);
        intended.diagnose();
        EXPECT_EQ(loaded(broken), loaded(intended));
        ++repaired;
    }
    EXPECT_GE(repaired, 9);
}

// A name the plug-in looks for under `notch`, with the file it must find.
std::vector<Finding> findingsFor(const TestFolder& folder, const std::string& notchLine) {
    folder.write("notch/notch.txt", "[Power]\n" + notchLine + "\n");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE,
                  fs::copy_options::overwrite_existing);
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);
    return findings;
}

TEST(NameRepairs, NeverRenameToANameWindowsRefusesOrToTheSameName) {
    TestFolder folder(u"names");
    folder.write("notch/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    for (const char* line : {"Params = \"power_params.txt\"", "Params = power_params.txt\xE2\x80\x8B",
                             "Params = power_params.txt\xE3\x80\x80\xEF\xBC\x9B note", "Params = power_params"}) {
        SCOPED_TRACE(line);
        const std::vector<Finding> findings = findingsFor(folder, line);
        ASSERT_FALSE(findings.empty());
        for (const Finding& finding : findings)
            for (const Fix& fix : finding.fixes) EXPECT_EQ(fix.kind, Fix::Kind::Edit) << "the line is wrong, not the file";
    }
}

TEST(NameRepairs, AFolderIsNeverTakenForTheFileWanted) {
    TestFolder folder(u"names");
    folder.write("notch/Power_Params/readme.txt", "");
    const std::vector<Finding> findings = findingsFor(folder, "Params = power_params");
    for (const Finding& finding : findings) EXPECT_TRUE(finding.fixes.empty()) << finding.message;
}

TEST(NameRepairs, TwoFilesThatCouldBeMeantGetNoRepairButBothAreNamed) {
    TestFolder folder(u"names");
    folder.write("notch/a/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    folder.write("notch/b/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    const std::vector<Finding> findings = findingsFor(folder, "Params = power_params.txt");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_TRUE(findings[0].fixes.empty());
    for (const char* candidate : {"a", "b"})
        EXPECT_NE(findings[0].found.find((fs::path("notch") / candidate / "power_params.txt").u8string()),
                  std::string::npos);
}

TEST(NameRepairs, TheOriginalsKeptByARepairAndAMacArchivesFilesAreNoCandidates) {
    TestFolder folder(u"names");
    folder.write("notch/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    folder.write("cabhost-backup/2026-01-01_00-00-00/notch/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    folder.write("__MACOSX/notch/power_params.txt", "");
    folder.write("notch/._power_params.txt", "");
    const std::vector<Finding> findings = findingsFor(folder, "Params = power_params");
    ASSERT_EQ(findings.size(), 1u);
    ASSERT_EQ(findings[0].fixes.size(), 1u);
    EXPECT_EQ(findings[0].fixes[0].replacement, "power_params.txt");
}

// Loads the plug-in from `folder`, applies every repair the check offers and
// loads it again: what the second load read.
plugin::Plugin repairedAndLoaded(const TestFolder& folder, std::vector<Finding>* before = nullptr) {
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE,
                  fs::copy_options::overwrite_existing);
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    const std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);
    apply(findings);
    if (before != nullptr) *before = findings;
    plugin::Plugin again;
    again.directory = folder.directory();
    plugin::load(again);
    plugin::dispose(again);
    return again;
}

TEST(NameRepairs, TheIndexOneFolderTooDeepMovesWithTheFilesBesideIt) {
    TestFolder folder(u"names");
    folder.write("notch/readme.txt", "notes\n");
    folder.write("notch/notch/notch.txt", "[Brake]\nParams = brake_params.txt\nCurrent = csv\\brake_current.csv\n");
    folder.write("notch/notch/brake_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    folder.write("notch/notch/csv/brake_current.csv", "speed,1,2,3\n0,10,20,30\n");
    const plugin::Plugin plugin = repairedAndLoaded(folder);
    EXPECT_EQ(plugin.notch.brakeStepCount, 3u);
    ASSERT_EQ(plugin.notch.brakeCurrentCurves.size(), 3u);
    EXPECT_EQ(plugin.notch.brakeCurrentCurves[2].front().output, 30.0f);
}

TEST(NameRepairs, AFileNamingOthersRelativeToItIsNotMovedAwayFromThem) {
    // The index one folder too deep names a file beside its folder, and the
    // module list one folder too deep a module beside the vehicle: moved,
    // their names would lead elsewhere, so nothing is moved.
    TestFolder folder(u"names");
    folder.write("notch/notch/notch.txt", "[Power]\nParams = ..\\power_params.txt\n");
    folder.write("notch/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    folder.write("Train/detailmodulesx64.txt", "..\\ats.dll\n");
    folder.write("ats.dll", "");
    std::vector<Finding> findings;
    repairedAndLoaded(folder, &findings);
    ASSERT_GE(findings.size(), 2u);
    for (const Finding& finding : findings) EXPECT_TRUE(finding.fixes.empty()) << finding.message;
}

TEST(NameRepairs, AModuleListOneFolderTooDeepTakesTheModulesItNamesAlong) {
    TestFolder folder(u"names");
    folder.write("Train/detailmodulesx64.txt", "modules\\ats.dll\nbeside.dll\nnone.dll");
    folder.write("Train/modules/ats.dll", "");
    folder.write("Train/beside.dll", "");
    const plugin::Plugin plugin = repairedAndLoaded(folder);
    ASSERT_EQ(plugin.report.modules.size(), 3u);
    EXPECT_TRUE(fs::exists(folder.path() / "modules" / "ats.dll"));
    EXPECT_TRUE(fs::exists(folder.path() / "beside.dll"));
    EXPECT_TRUE(fs::exists(folder.path() / "detailmodulesx64.txt"));
}

TEST(NameRepairs, AFolderInAFilesPlaceIsNamedAndNeverRepaired) {
    TestFolder folder(u"names");
    folder.write("NeedleTable/Speed.csv/Speed.csv", "speed,needle\n0,0\n");
    fs::create_directories(folder.path() / "NeedleTable" / "Voltage.csv");
    std::vector<Finding> findings;
    repairedAndLoaded(folder, &findings);
    int folders = 0;
    for (const Finding& finding : findings) {
        EXPECT_TRUE(finding.fixes.empty()) << finding.message;
        if (finding.message.find("is a folder, not a file") != std::string::npos) ++folders;
    }
    EXPECT_EQ(folders, 2);
}

TEST(NameRepairs, FilesBesideThePluginsFolderAreNamedWithoutARepair) {
    TestFolder folder(u"names");
    folder.write("notch/notch.txt", "[Brake]\nParams = brake_params.txt\n");
    folder.write("notch/brake_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    fs::create_directories(folder.path() / "Plugin");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / "Plugin" / ORVALIS_PLUGIN_FILE);
    plugin::Plugin plugin;
    plugin.directory = folder.path() / "Plugin" / "";
    plugin::load(plugin);
    const std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].message.find("one folder up"), std::string::npos) << findings[0].message;
    EXPECT_TRUE(findings[0].fixes.empty());
}

TEST(NameRepairs, TablesLeftInThePluginsFolderMoveIntoANewFolderOfTheirs) {
    TestFolder folder(u"names");
    folder.write("Speed.csv", "speed,needle\n0,0\n100,50\n");
    const plugin::Plugin plugin = repairedAndLoaded(folder);
    ASSERT_EQ(plugin.needles.speedTable.size(), 2u);
    EXPECT_EQ(plugin.needles.speedTable.back().output, 50.0f);
}

TEST(NameRepairs, AFolderCopiedByExplorerIsRenamedAndAnUnrelatedOneIsNot) {
    TestFolder copied(u"names");
    copied.write("NeedleTable - \xE3\x82\xB3\xE3\x83\x94\xE3\x83\xBC (2)/Speed.csv", "speed,needle\n0,0\n100,50\n");
    EXPECT_EQ(repairedAndLoaded(copied).needles.speedTable.size(), 2u);

    // The original folder is there, but empty: the file moves into it.
    TestFolder besideAnEmptyOne(u"names");
    besideAnEmptyOne.write("NeedleTable - Copy/Speed.csv", "speed,needle\n0,0\n100,50\n");
    fs::create_directories(besideAnEmptyOne.path() / "NeedleTable");
    EXPECT_EQ(repairedAndLoaded(besideAnEmptyOne).needles.speedTable.size(), 2u);

    TestFolder unrelated(u"names");
    unrelated.write("Tables/Speed.csv", "speed,needle\n0,0\n100,50\n");
    std::vector<Finding> findings;
    EXPECT_TRUE(repairedAndLoaded(unrelated, &findings).needles.speedTable.empty());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_TRUE(findings[0].fixes.empty());
}

TEST(NameRepairs, TwoDifferencesAtOnceAreRepairedAndTwoFilesOfOneNameAreNot) {
    TestFolder folder(u"names");
    folder.write("notch/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    // Letter case and a hidden extension, then also full-width letters.
    for (const char* line : {"Params = Power_Params", "Params = \xEF\xBC\xB0ower_params"}) {
        SCOPED_TRACE(line);
        const std::vector<Finding> findings = findingsFor(folder, line);
        ASSERT_EQ(findings.size(), 1u);
        ASSERT_EQ(findings[0].fixes.size(), 1u);
        EXPECT_EQ(findings[0].fixes[0].replacement, "power_params.txt");
    }
    folder.write("notch/power_params.csv", "");
    const std::vector<Finding> findings = findingsFor(folder, "Params = Power_Params");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_TRUE(findings[0].fixes.empty());
    EXPECT_NE(findings[0].found.find("power_params.csv"), std::string::npos);
    EXPECT_NE(findings[0].found.find("power_params.txt"), std::string::npos);
}

TEST(NameRepairs, AModuleLineLeadsToTheOnly64BitBuildOfItsName) {
    const fs::path builds = kCorpus / "module-of-32-bit-with-64-bit-build";
    TestFolder folder(u"names");
    fs::create_directories(folder.path() / "x86");
    fs::create_directories(folder.path() / "x64");
    fs::copy_file(builds / "ats.dll", folder.path() / "x86" / "ats.dll");
    fs::copy_file(builds / "x64" / "ats.dll", folder.path() / "x64" / "ats.dll");
    fs::copy_file(builds / "x64" / "ats.dll", folder.path() / "eb_x64.dll");
    fs::copy_file(builds / "x64" / "ats.dll", folder.path() / "x64" / "eb64.dll");
    folder.write("detailmodulesx64.txt", "plugins\\ats.dll\neb_x86.dll");
    std::vector<Finding> findings;
    repairedAndLoaded(folder, &findings);
    ASSERT_EQ(findings.size(), 2u);
    // One 32-bit and one 64-bit library of the name: the 64-bit one is meant.
    ASSERT_EQ(findings[0].fixes.size(), 1u);
    EXPECT_EQ(findings[0].fixes[0].replacement, "x64\\ats.dll");
    // Two 64-bit builds that could both be meant: none is chosen.
    EXPECT_TRUE(findings[1].fixes.empty()) << findings[1].message;
}

TEST(NameRepairs, AFileInAFoldersPlaceIsNamedForWhatItIs) {
    TestFolder folder(u"names");
    // A zip archive named like the folder, its extension hidden, and a
    // plain file of the folder's name.
    folder.write("NeedleTable", std::string("PK\x03\x04", 4) + std::string(64, '\0'));
    folder.write("notch", "[Power]\n");
    std::vector<Finding> findings;
    repairedAndLoaded(folder, &findings);
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_NE(findings[0].message.find("is a file, not a folder"), std::string::npos) << findings[0].message;
    EXPECT_NE(findings[1].message.find("zip archive"), std::string::npos) << findings[1].message;
    for (const Finding& finding : findings) EXPECT_TRUE(finding.fixes.empty());
}

TEST(NameRepairs, ASwitchFileInAFolderIsToldButLeftWhereItIs) {
    TestFolder folder(u"names");
    folder.write("NeedleTable/PanelModify.txt", "");
    std::vector<Finding> findings;
    EXPECT_FALSE(repairedAndLoaded(folder, &findings).adjust.enabled);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].severity, diagnose::Severity::Note);
    EXPECT_TRUE(findings[0].fixes.empty());
}

// A letter left out, mistyped or traded, a separator between words, or the
// name saved without its extension or as a document, is a switch meant to be
// on; a name with something added at an end is one put aside.
TEST(NameRepairs, AMistypedSwitchIsRenamedAndOnePutAsideIsLeftAlone) {
    for (const char* name : {"PanelModfy.txt", "PanleModify.txt", "Panel-Modify.txt", "PanelMod1fy.TXT", "PanelModify",
                             "PanelModify.rtf", "PanelModify.txt.rtf"}) {
        SCOPED_TRACE(name);
        TestFolder folder(u"names");
        folder.write(name, "");
        EXPECT_TRUE(repairedAndLoaded(folder).adjust.enabled);
    }
    for (const char* name : {"_PanelModify.txt", "PanelModify_off.txt", "PanelModify2.txt", "PanelModify.bak",
                             "OldPanelModify.txt", "PanelModify.txt.off"}) {
        SCOPED_TRACE(name);
        TestFolder folder(u"names");
        folder.write(name, "");
        std::vector<Finding> findings;
        EXPECT_FALSE(repairedAndLoaded(folder, &findings).adjust.enabled);
        EXPECT_TRUE(findings.empty());
    }
}

TEST(NameRepairs, AFolderInTheWrongPlaceWithItsFilesNamedInOtherLetterCaseComesRightInOneGo) {
    TestFolder folder(u"names");
    folder.write("Train/Notch/Notch.txt", "[Brake]\nParams = brake_params.txt\n");
    folder.write("Train/Notch/brake_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    folder.write("Train/needletable/speed.csv", "speed,needle\n0,0\n100,50\n");
    folder.write("Train/needletable/voltage.csv", "voltage,needle\n0,0\n1500,75\n");
    const plugin::Plugin plugin = repairedAndLoaded(folder);
    EXPECT_EQ(plugin.notch.brakeStepCount, 3u);
    EXPECT_EQ(plugin.needles.speedTable.size(), 2u);
    EXPECT_EQ(plugin.needles.voltageTable.size(), 2u);
}

TEST(NameRepairs, AModuleLineIsNeverLedToThePluginItself) {
    TestFolder folder(u"names");
    folder.write("detailmodulesx64.txt", "orvalis_cab\norvalis_cab32.dll");
    std::vector<Finding> findings;
    repairedAndLoaded(folder, &findings);
    for (const Finding& finding : findings)
        for (const Fix& fix : finding.fixes) EXPECT_EQ(fix.replacement.find("orvalis_cab"), std::string::npos);
}

TEST(NameRepairs, AHeaderOrKeyMeantAsOneOfTheGrammarsReadsAsItOnceRepaired) {
    for (const char* index : {"[Power]\n  [ Brake ]  ; braking\nParams = brake_params.txt\n",
                              "[Power]\n\xEF\xBC\xBB" "Brake\xEF\xBC\xBD\nParams = brake_params.txt\n",
                              "[Brake]\nParam = brake_params.txt\n", "[Brak]\nPARAMS = brake_params.txt\n"}) {
        SCOPED_TRACE(index);
        TestFolder folder(u"names");
        folder.write("notch/notch.txt", index);
        folder.write("notch/brake_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
        fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
        plugin::Plugin plugin;
        plugin.directory = folder.directory();
        plugin::load(plugin);
        apply(diagnose::diagnoseVehicle(plugin));
        plugin::dispose(plugin);
        plugin = plugin::Plugin{};
        plugin.directory = folder.directory();
        plugin::load(plugin);
        EXPECT_EQ(plugin.notch.brakeStepCount, 3u);
        plugin::dispose(plugin);
    }
}

TEST(WrittenNames, AShiftJisNameIsShownDecodedAndAUtf8NameNotAtAll) {
    Vehicle vehicle("\xE3\x82\xB7\xE3\x83\x95\xE3\x83\x88JIS\xE3\x81\xAE\xE8\xBB\x8A\xE4\xB8\xA1");
    vehicle.diagnose();
    const std::optional<fs::path> written = diagnose::shiftJisName(vehicle.plugin, vehicle.plugin.notch.powerParamsPath);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->lexically_normal(), (vehicle.folder.path() / "notch" / fs::u8path("\xE5\x8A\x9B\xE8\xA1\x8C.txt")).lexically_normal());

    Vehicle utf8("names-without-extension");
    utf8.diagnose();
    EXPECT_FALSE(diagnose::shiftJisName(utf8.plugin, utf8.plugin.notch.powerParamsPath).has_value());
}

TEST(ComposedText, JoinsALetterAndItsMarkAsWindowsProgramsWriteThem) {
    EXPECT_EQ(diagnose::composed(u"\u30CF\u309A\u30E9\u30E1\u30FC\u30BF"), u"\u30D1\u30E9\u30E1\u30FC\u30BF");
    EXPECT_EQ(diagnose::composed(u"e\u0301t\u00E9"), u"\u00E9t\u00E9");
    EXPECT_EQ(diagnose::composed(u"\u309A"), u"\u309A");  // a mark with nothing before it stays
    EXPECT_EQ(diagnose::composed(u"power.csv"), u"power.csv");
}

}  // namespace

// An archive program that reads Shift-JIS names as code page 437 leaves
// names that are taken back; names that merely hold such characters are not.
TEST(GarbledNames, OnlyJapaneseNamesReadInTheWrongCodePageAreTakenBack) {
    using diagnose::shiftJisReadAsCp437;
    EXPECT_EQ(shiftJisReadAsCp437(u"\u00EF\u00F1\u00C6\u2569"), u"\u5171\u901A");                   // 共通
    EXPECT_EQ(shiftJisReadAsCp437(u"\u00C9\u00BA\u00F4\u00AB.txt"), u"\u5236\u52D5.txt");           // 制動.txt
    for (const char16_t* name : {u"Caf\u00E9.txt", u"\u00D1and\u00FA", u"\u5171\u901A", u"power.txt", u"\u00FF"})
        EXPECT_FALSE(shiftJisReadAsCp437(name).has_value());
}

TEST(GarbledNames, ARenameOntoANameTakenIsNotOffered) {
    TestFolder folder(u"names");
    folder.write("\xE5\x85\xB1\xE9\x80\x9A/readme.txt", "");  // 共通, taken
    folder.write("\xC3\xAF\xC3\xB1\xC3\x86\xE2\x95\xA9/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    const std::vector<Finding> findings = findingsFor(folder, "Params = ..\\\xE5\x85\xB1\xE9\x80\x9A\\power_params.txt");
    const auto garbled = std::find_if(findings.begin(), findings.end(), [](const Finding& finding) {
        return finding.message.find("garbled") != std::string::npos;
    });
    ASSERT_NE(garbled, findings.end());
    EXPECT_TRUE(garbled->fixes.empty());
}

// A library kept in a folder below reads the files beside it there: the
// finding says where it is instead of only that it is missing.
TEST(PluginLibrary, ALibraryInAFolderBelowIsNamedWhereItIs) {
    TestFolder folder(u"library");
    folder.write("notch/notch.txt", "[Power]\nParams = power_params.txt\n");
    folder.write("notch/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    fs::create_directories(folder.path() / "x64");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / "x64" / ORVALIS_PLUGIN_FILE);
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    const std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);
    const auto library = std::find_if(findings.begin(), findings.end(), [](const Finding& finding) {
        return finding.message.find("plug-in library") != std::string::npos;
    });
    ASSERT_NE(library, findings.end());
    EXPECT_NE(library->found.find("x64"), std::string::npos) << library->message;
    EXPECT_TRUE(library->fixes.empty());
}

// A vehicle copied from another one can still name the other one's files:
// the plug-in reads those, and the vehicle's own copies are left unread.
TEST(NamesLeavingTheVehicle, AnotherVehiclesFileIsAWarningOnlyWhereThisOneHoldsItsOwn) {
    TestFolder folder(u"vehicles");
    folder.write("OldTrain/notch/power_current.csv", "speed,s1\n0,100\n100,50\n");
    folder.write("NewTrain/notch/notch.txt",
                 "[Power]\nParams = power_params.txt\nCurrent = ..\\..\\OldTrain\\notch\\power_current.csv\n");
    folder.write("NewTrain/notch/power_params.txt", "RequiredNotch_Up, 1\n");
    folder.write("NewTrain/notch/power_current.csv", "speed,s1\n0,120\n100,60\n");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / "NewTrain" / ORVALIS_PLUGIN_FILE);
    const auto warningsAtLine3 = [&] {
        plugin::Plugin plugin;
        plugin.directory = folder.path() / "NewTrain" / "";
        plugin::load(plugin);
        const std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
        plugin::dispose(plugin);
        std::vector<Finding> atLine;
        for (const Finding& finding : findings)
            if (finding.line == 3 && finding.severity == diagnose::Severity::Warning) atLine.push_back(finding);
        return atLine;
    };
    const std::vector<Finding> copied = warningsAtLine3();
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_TRUE(copied.front().fixes.empty());
    EXPECT_NE(copied.front().fix.find("power_current.csv"), std::string::npos);
    // Without a file of its own the other folder is a shared one: no warning.
    fs::remove(folder.path() / "NewTrain" / "notch" / "power_current.csv");
    EXPECT_TRUE(warningsAtLine3().empty());
}

TEST(AdjustmentSwitch, ASwitchFileBesideTheVehicleFolderIsANoteOnly) {
    TestFolder folder(u"switch");
    folder.write("PanelModify.txt", "");
    folder.write("train/notch/notch.txt", "[Power]\nParams = power_params.txt\n");
    folder.write("train/notch/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / "train" / ORVALIS_PLUGIN_FILE);
    plugin::Plugin plugin;
    plugin.directory = folder.path() / "train" / "";
    plugin::load(plugin);
    const std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);
    EXPECT_FALSE(plugin.adjust.enabled);
    const auto aside = std::find_if(findings.begin(), findings.end(), [](const Finding& finding) {
        return finding.file.filename() == "PanelModify.txt";
    });
    ASSERT_NE(aside, findings.end());
    EXPECT_EQ(aside->severity, diagnose::Severity::Note);
    EXPECT_TRUE(aside->fixes.empty());
}
