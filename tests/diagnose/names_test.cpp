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
            if (fix.kind == Fix::Kind::Rename) fs::rename(fix.file, fix.target);
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

// What the plug-in loaded, in words, so that two loads compare in one line.
std::string loaded(const Vehicle& vehicle) {
    const plugin::Plugin& plugin = vehicle.plugin;
    std::ostringstream text;
    for (const config::FileNote& file : plugin.report.files)
        text << file.path.lexically_normal().lexically_relative(vehicle.folder.path()).generic_u8string() << ' '
             << file.found << '\n';
    for (const config::ModuleNote& module : plugin.report.modules)
        text << "module " << module.line << ' '
             << module.path.lexically_normal().lexically_relative(vehicle.folder.path()).generic_u8string() << ' '
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
                   finding.fix.find("as above") != std::string::npos;
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

TEST(NameRepairs, TheIndexNestedInAFolderOfItsOwnNameIsNotMovedAwayFromItsFiles) {
    TestFolder folder(u"names");
    folder.write("notch/notch/notch.txt", "[Power]\nParams = power_params.txt\n");
    folder.write("notch/notch/power_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    const std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);
    ASSERT_FALSE(findings.empty());
    for (const Finding& finding : findings) EXPECT_TRUE(finding.fixes.empty()) << finding.message;
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
