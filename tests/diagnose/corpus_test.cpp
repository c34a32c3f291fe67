// The corpus of author mistakes: each folder of test-data/diagnose-corpus is
// a small vehicle with one kind of mistake, and its expected.txt lists the
// findings the diagnosis must make, one a line:
//
//   SEVERITY FILE LINE PHRASE
//
// FILE relative to the vehicle folder ('.' for the folder itself), LINE '-'
// for the whole file, PHRASE a part of the message or of what was found. A
// line starting with "@case-sensitive" is expected only where file names
// are case-sensitive. Every error and warning the diagnosis makes must be
// expected; notes need not be.
//
// Beside the broken files, intended/ holds the files as the author meant
// them (only those that differ). The repairs the findings carry are applied
// to a copy of the case, and must leave no finding they repair, make no new
// error, and make the plug-in load exactly what it loads from the case with
// intended/ laid over it. A finding no repair can settle (the author must
// choose between readings) is marked "@by-hand" in expected.txt: it must
// carry no repair and is all that may be left after the repairs; the
// intended vehicle of such a case must then give no error or warning.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "diagnose/diagnose.h"
#include "plugin/plugin.h"
#include "repair/repair.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using diagnose::Finding;
using testing_support::TestFolder;

struct Expected {
    std::string severity;
    std::string file;
    int line = 0;
    std::string phrase;
    std::string text;  // the whole line, for messages
    bool byHand = false;
};

std::vector<Expected> readExpected(const fs::path& file, bool caseSensitive) {
    std::vector<Expected> expected;
    std::ifstream stream(file);
    std::string text;
    while (std::getline(stream, text)) {
        std::istringstream words(text);
        Expected entry;
        std::string line;
        words >> entry.severity;
        if (entry.severity.empty()) continue;
        bool wanted = true;
        while (!entry.severity.empty() && entry.severity[0] == '@') {
            if (entry.severity == "@case-sensitive") wanted = wanted && caseSensitive;
            if (entry.severity == "@by-hand") entry.byHand = true;
            words >> entry.severity;
        }
        if (!wanted) continue;
        words >> entry.file >> line >> std::ws;
        std::getline(words, entry.phrase);
        entry.line = line == "-" ? 0 : std::stoi(line);
        entry.text = text;
        expected.push_back(entry);
    }
    return expected;
}

std::string relativeFile(const Finding& finding, const fs::path& folder) {
    if (finding.file.empty()) return ".";
    return finding.file.lexically_normal().lexically_relative(folder.lexically_normal()).generic_u8string();
}

bool matches(const Expected& expected, const Finding& finding, const fs::path& folder) {
    return expected.severity == diagnose::severityWord(finding.severity) &&
           expected.file == relativeFile(finding, folder) && expected.line == finding.line &&
           (finding.message.find(expected.phrase) != std::string::npos ||
            finding.found.find(expected.phrase) != std::string::npos);
}

bool fileNamesAreCaseSensitive() {
    TestFolder folder(u"case");
    folder.write("a.txt", "");
    return !fs::exists(folder.path() / "A.TXT");
}

std::vector<fs::path> corpusCases() {
    std::vector<fs::path> cases;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path("test-data/diagnose-corpus")))
        if (entry.is_directory()) cases.push_back(entry.path());
    return cases;
}

// The case's vehicle: its files without expected.txt and intended/, with
// the plug-in library beside them (unless the case is about its absence,
// which the intended vehicle does not share).
void layOut(const fs::path& source, const TestFolder& folder, bool intended = false) {
    testing_support::copyFolder(source, folder);
    fs::remove(folder.path() / "expected.txt");
    fs::remove_all(folder.path() / "intended");
    if (intended || source.filename() != "plugin-library-missing")
        fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
}

std::vector<Finding> diagnosed(const TestFolder& folder) {
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);
    return findings;
}

void checkCase(const fs::path& source, bool caseSensitive) {
    TestFolder folder(source.filename().u16string());
    layOut(source, folder);
    const std::vector<Finding> findings = diagnosed(folder);

    std::string all;
    for (const Finding& finding : findings) all += diagnose::describe(finding, folder.path());
    const std::vector<Expected> expected = readExpected(source / "expected.txt", caseSensitive);
    for (const Expected& entry : expected) {
        const bool found = std::any_of(findings.begin(), findings.end(),
                                       [&](const Finding& finding) { return matches(entry, finding, folder.path()); });
        EXPECT_TRUE(found) << "missing: " << entry.text << "\nfindings:\n" << all;
    }
    for (const Finding& finding : findings) {
        if (finding.severity == diagnose::Severity::Note) continue;
        const bool wanted = std::any_of(expected.begin(), expected.end(),
                                        [&](const Expected& entry) { return matches(entry, finding, folder.path()); });
        EXPECT_TRUE(wanted) << "not expected: " << diagnose::describe(finding, folder.path());
    }
}

// ---------------------------------------------------------------------------
// Proven repairs

// Everything the plug-in's Load read, as text with the vehicle's paths made
// relative, so that two vehicles in different folders compare.
std::string loadedText(const TestFolder& folder) {
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    const fs::path root = folder.path().lexically_normal();
    // Where names ignore letter case, paths that differ only in it name one file.
    const bool caseSensitive = fileNamesAreCaseSensitive();
    const auto shown = [&](const fs::path& path) {
        if (path.empty()) return std::string("-");
        std::string text = path.lexically_normal().lexically_relative(root).generic_u8string();
        if (!caseSensitive)
            for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return text;
    };
    const auto curve = [](std::ostream& out, const panel::CurveTable& table) {
        for (const panel::CurvePoint& point : table) out << ' ' << point.input << ':' << point.output;
        out << '\n';
    };
    std::ostringstream out;
    const config::LoadReport& report = plugin.report;
    for (const config::FileNote& file : report.files) out << "file " << shown(file.path) << ' ' << file.found << '\n';
    for (const config::ModuleNote& module : report.modules)
        out << "module " << module.line << ' ' << shown(module.path) << ' ' << static_cast<int>(module.outcome) << '\n';
    if (report.failure)
        out << "failure " << shown(report.failure->file) << ':' << report.failure->line << ' ' << report.failure->kind
            << ": " << report.failure->message << '\n';
    const config::NotchConfig& notch = plugin.notch;
    out << "params " << shown(notch.powerParamsPath) << ' ' << shown(notch.brakeParamsPath) << '\n'
        << "currents " << shown(notch.powerCurrentPath) << ' ' << shown(notch.brakeCurrentPath) << ' '
        << shown(notch.brakeNoLoadCurrentPath) << '\n'
        << "values " << notch.currentLimitingValueEmpty << ' ' << notch.noLoadCurrent << ' ' << notch.breakerDelayOn
        << " brake steps " << notch.brakeStepCount << "\npower steps";
    for (const uint64_t step : notch.powerCurveSteps) out << ' ' << step;
    out << '\n';
    for (const panel::CurveTable& table : notch.powerCurrentCurves) curve(out << "power", table);
    for (const panel::CurveTable& table : notch.brakeCurrentCurves) curve(out << "brake", table);
    curve(out << "pressure needle", plugin.needles.pressureTable);
    curve(out << "speed needle", plugin.needles.speedTable);
    curve(out << "current needle", plugin.needles.currentTable);
    curve(out << "voltage needle", plugin.needles.voltageTable);
    out << "adjustment " << plugin.adjust.enabled << '\n';
    plugin::dispose(plugin);
    return out.str();
}

// The line a finding made after the repairs stood on before them: the
// lines the repairs deleted from its file moved it up.
int lineBeforeRepairs(const Finding& finding, const repair::Plan& plan) {
    std::vector<int> deleted;
    for (const repair::PlannedFix& planned : plan.fixes)
        if (planned.fix.kind == diagnose::Fix::Kind::DeleteLine && planned.fix.file == finding.file)
            deleted.push_back(planned.fix.line);
    std::sort(deleted.begin(), deleted.end());
    deleted.erase(std::unique(deleted.begin(), deleted.end()), deleted.end());
    int line = finding.line;
    for (const int gone : deleted)
        if (line > 0 && gone <= line) ++line;
    return line;
}

bool sameFinding(const Finding& a, const Finding& b) {
    return a.severity == b.severity && a.message == b.message;
}

void checkRepairs(const fs::path& source, bool caseSensitive) {
    TestFolder folder(source.filename().u16string());
    layOut(source, folder);
    const std::vector<Finding> before = diagnosed(folder);
    const repair::Plan plan = repair::planRepairs(before, folder.path(), fs::file_time_type::clock::now());
    for (const repair::Refusal& refusal : plan.refused)
        ADD_FAILURE() << "repair refused: " << refusal.reason << "\n" << diagnose::describe(before[refusal.finding], folder.path());
    const repair::Outcome outcome = repair::applyRepairs(plan, "proof");
    ASSERT_EQ(outcome.error, "");
    const std::vector<Finding> after = diagnosed(folder);

    std::string all;
    for (const Finding& finding : after) all += diagnose::describe(finding, folder.path());
    for (const std::size_t repaired : outcome.applied) {
        const bool left = std::any_of(after.begin(), after.end(),
                                      [&](const Finding& finding) { return sameFinding(finding, before[repaired]); });
        EXPECT_FALSE(left) << "still there after its repair: " << diagnose::describe(before[repaired], folder.path());
    }
    for (const Finding& finding : after) {
        if (finding.severity != diagnose::Severity::Error) continue;
        const bool old = std::any_of(before.begin(), before.end(),
                                     [&](const Finding& earlier) { return sameFinding(finding, earlier); });
        EXPECT_TRUE(old) << "a new error after the repairs: " << diagnose::describe(finding, folder.path());
    }

    std::vector<Expected> byHand = readExpected(source / "expected.txt", caseSensitive);
    byHand.erase(std::remove_if(byHand.begin(), byHand.end(), [](const Expected& entry) { return !entry.byHand; }),
                 byHand.end());
    const auto markedByHand = [&](const Finding& finding) {
        return std::any_of(byHand.begin(), byHand.end(),
                           [&](const Expected& entry) { return matches(entry, finding, folder.path()); });
    };
    for (const Finding& finding : before) {
        if (!markedByHand(finding)) continue;
        EXPECT_TRUE(finding.fixes.empty()) << "marked @by-hand, but it carries a repair: "
                                           << diagnose::describe(finding, folder.path());
    }
    for (const Finding& finding : after) {
        Finding asBefore = finding;
        asBefore.line = lineBeforeRepairs(finding, plan);
        if (finding.severity != diagnose::Severity::Note && !markedByHand(asBefore))
            ADD_FAILURE() << "left after the repairs: " << diagnose::describe(finding, folder.path());
    }

    TestFolder intended(source.filename().u16string());
    layOut(source, intended, true);
    fs::copy(source / "intended", intended.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (const Finding& finding : diagnosed(intended)) {
        if (finding.severity != diagnose::Severity::Note)
            ADD_FAILURE() << "the intended vehicle: " << diagnose::describe(finding, intended.path());
    }
    if (!byHand.empty()) return;
    EXPECT_EQ(loadedText(folder), loadedText(intended)) << "findings after the repairs:\n" << all;
}

TEST(DiagnosisCorpus, EveryCaseGivesExactlyItsExpectedFindings) {
    const bool caseSensitive = fileNamesAreCaseSensitive();
    const std::vector<fs::path> cases = corpusCases();
    EXPECT_GE(cases.size(), 25u);
    for (const fs::path& source : cases) {
        SCOPED_TRACE(source.filename().u8string());
        checkCase(source, caseSensitive);
    }
}

TEST(DiagnosisCorpus, EveryRepairGivesWhatTheAuthorMeant) {
    const bool caseSensitive = fileNamesAreCaseSensitive();
    for (const fs::path& source : corpusCases()) {
        SCOPED_TRACE(source.filename().u8string());
        if (fs::is_directory(source / "intended"))
            checkRepairs(source, caseSensitive);
        else
            ADD_FAILURE() << "the case has no intended/ folder";
    }
}

}  // namespace
