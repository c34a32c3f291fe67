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
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "diagnose/diagnose.h"
#include "plugin/plugin.h"
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
        if (entry.severity == "@case-sensitive") {
            if (!caseSensitive) continue;
            words >> entry.severity;
        }
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

void checkCase(const fs::path& source, bool caseSensitive) {
    const std::u16string name = source.filename().u16string();
    TestFolder folder(name);
    testing_support::copyFolder(source, folder);
    fs::remove(folder.path() / "expected.txt");
    fs::remove_all(folder.path() / "intended");
    if (name != u"plugin-library-missing")
        fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);

    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    const std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    plugin::dispose(plugin);

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

TEST(DiagnosisCorpus, EveryCaseGivesExactlyItsExpectedFindings) {
    const bool caseSensitive = fileNamesAreCaseSensitive();
    const std::vector<fs::path> cases = corpusCases();
    EXPECT_GE(cases.size(), 25u);
    for (const fs::path& source : cases) {
        SCOPED_TRACE(source.filename().u8string());
        checkCase(source, caseSensitive);
    }
}

}  // namespace
