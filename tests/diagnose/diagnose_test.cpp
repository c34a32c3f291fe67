// The parts of the diagnosis, and its agreement with the plug-in's own
// readers: what a finding says was read is what the loaded plug-in holds.
#include <algorithm>
#include <gtest/gtest.h>

#include "config/text.h"
#include "diagnose/diagnose.h"
#include "diagnose/diagnosis.h"
#include "diagnose/encoding.h"
#include "diagnose/library_file.h"
#include "diagnose/visible.h"
#include "messages/messages.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using diagnose::Encoding;
using diagnose::Finding;
using testing_support::TestFolder;

// A corpus case loaded by the plug-in's own Load, with its findings.
struct LoadedCase {
    explicit LoadedCase(const char* name) : folder(u"diagnose") {
        testing_support::copyFolder(fs::u8path("test-data/diagnose-corpus") / fs::u8path(name), folder);
        plugin.directory = folder.directory();
        plugin::load(plugin);
        findings = diagnose::diagnoseVehicle(plugin);
    }
    ~LoadedCase() { plugin::dispose(plugin); }

    TestFolder folder;
    plugin::Plugin plugin;
    std::vector<Finding> findings;
};

bool holdsPoint(const panel::CurveTable& table, float input, float output) {
    return std::any_of(table.begin(), table.end(),
                       [&](const panel::CurvePoint& p) { return p.input == input && p.output == output; });
}

TEST(DiagnosisAgreesWithTheReaders, WhatTheFindingsSayWasReadIsWhatWasLoaded) {
    {
        const LoadedCase loaded("decimal-comma");
        EXPECT_TRUE(holdsPoint(loaded.plugin.needles.speedTable, 120, 121));  // "120,121,5": only 121 of "121,5"
    }
    {
        // Steps 4, 5, 6, 5, 6 are selected: the first curve is column 4,
        // where "4O" stands, and the row "120km" gives speed 120.
        const LoadedCase loaded("text-after-number");
        ASSERT_FALSE(loaded.plugin.notch.powerCurrentCurves.empty());
        EXPECT_TRUE(holdsPoint(loaded.plugin.notch.powerCurrentCurves[0], 0, 4));
        EXPECT_TRUE(holdsPoint(loaded.plugin.notch.powerCurrentCurves[0], 120, 40));
    }
    {
        const LoadedCase loaded("header-missing");
        EXPECT_EQ(loaded.plugin.needles.speedTable.size(), 2u);  // the first row went as a header
    }
    {
        // "[ Brake ]" is no header: its Params replaced the powering one.
        const LoadedCase loaded("section-header-with-blanks");
        EXPECT_EQ(loaded.plugin.notch.powerParamsPath.filename(), "brake_params.txt");
        EXPECT_TRUE(loaded.plugin.notch.brakeParamsPath.empty());
    }
}

TEST(DiagnosisAgreesWithTheReaders, TheErrorStandsWhereLoadStopped) {
    for (const char* name : {"semicolon-separator", "excel-empty-rows", "quoted-fields", "header-doubled",
                             "breaker-delay-without-value"}) {
        SCOPED_TRACE(name);
        const LoadedCase loaded(name);
        ASSERT_TRUE(loaded.plugin.report.failure.has_value());
        ASSERT_FALSE(loaded.findings.empty());
        const Finding& first = loaded.findings.front();
        EXPECT_EQ(first.severity, diagnose::Severity::Error);
        EXPECT_EQ(first.line, loaded.plugin.report.failure->line);
        EXPECT_EQ(first.file.lexically_normal(), loaded.plugin.report.failure->file.lexically_normal());
        EXPECT_EQ(std::count_if(loaded.findings.begin(), loaded.findings.end(),
                                [](const Finding& f) { return f.severity == diagnose::Severity::Error; }),
                  1);
    }
}

TEST(Diagnosis, AnErrorItCannotExplainIsToldInTheAuthorsWordsWithTheLoadersKept) {
    TestFolder folder(u"diagnose");
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin.report.failure = config::LoadFailure{folder.path() / "detailmodulesx64.txt", 0, "file system", "device not ready"};
    const std::vector<Finding> findings = diagnose::diagnoseVehicle(plugin);
    const auto error = std::find_if(findings.begin(), findings.end(), [](const Finding& finding) {
        return finding.severity == diagnose::Severity::Error;
    });
    ASSERT_NE(error, findings.end());
    EXPECT_NE(error->message.find("could not tell whether this file or folder exists"), std::string::npos);
    EXPECT_EQ(error->found, "file system: device not ready");
}

TEST(Diagnosis, SpeaksTheAuthorsLanguage) {
    messages::setLanguage(messages::Language::Japanese);
    const LoadedCase loaded("日本語の車両-全角数字");
    const std::string text =
        loaded.findings.empty() ? std::string() : diagnose::describe(loaded.findings.front(), loaded.folder.path());
    messages::setLanguage(messages::Language::English);
    EXPECT_NE(text.find(":2:1: error: 1 列目が `０` (全角文字) です"), std::string::npos) << text;
    EXPECT_NE(text.find("見つかった内容: `<U+FF10 全角の 0>` (1 列目)"), std::string::npos) << text;
}

// ---------------------------------------------------------------------------
// Text

// The text the fix of the finding on `file` gives in backquotes, or nothing.
std::string quotedFix(const std::vector<Finding>& findings, const fs::path& file) {
    for (const Finding& finding : findings) {
        const std::size_t open = finding.fix.find('`');
        const std::size_t close = finding.fix.find('`', open + 1);
        if (finding.file.lexically_normal() == file.lexically_normal() && close != std::string::npos) return finding.fix.substr(open + 1, close - open - 1);
    }
    return {};
}

TEST(Diagnosis, TheFixOfAKeyRunTogetherWithItsValuesLoadsEveryValue) {
    for (const char* written : {"RequiredNotch_Up = 1, 1, 2, 3", "RequiredNotch_Up 1, 1, 2, 3",
                                "RequiredNotch_Up\uFF1A1, 1, 2, 3"}) {
        SCOPED_TRACE(written);
        TestFolder folder(u"diagnose");
        folder.write("notch/notch.txt", "[Power]\nParams = power_params.txt\n");
        folder.write("notch/power_params.txt", std::string(written) + "\n");
        const fs::path params = folder.path() / "notch" / "power_params.txt";
        plugin::Plugin broken;
        broken.directory = folder.directory();
        plugin::load(broken);
        const std::string fixed = quotedFix(diagnose::diagnoseVehicle(broken), params);
        EXPECT_EQ(fixed, "RequiredNotch_Up, 1, 1, 2, 3");

        folder.write("notch/power_params.txt", fixed + "\n");
        plugin::Plugin mended;
        mended.directory = folder.directory();
        plugin::load(mended);
        EXPECT_EQ(mended.notch.powerCurveSteps, (std::vector<uint64_t>{3, 4, 3, 4}));
        for (const Finding& finding : diagnose::diagnoseVehicle(mended))
            EXPECT_NE(finding.file.lexically_normal(), params.lexically_normal()) << finding.message;
    }
}

// Files that notch.txt names beside the vehicle rather than in it: they are
// found now, and lost when the vehicle folder is copied on its own. A name
// that climbs out of the notch folder and stays inside the vehicle is fine.
TEST(Diagnosis, ANotchFileNamedOutsideTheVehicleIsToldAndOneInsideItIsNot) {
    TestFolder folder(u"diagnose");
    folder.write("common/brake_params.txt", "RequiredNotch_Up, 1, 2, 3\n");
    folder.write("vehicle/shared/power_params.txt", "RequiredNotch_Up, 1, 1, 2\n");
    folder.write("vehicle/notch/notch.txt",
                 "[Power]\nParams = ..\\shared\\power_params.txt\n[Brake]\nParams = ..\\..\\common\\brake_params.txt\n");
    plugin::Plugin loaded;
    loaded.directory = folder.path() / "vehicle" / "";
    plugin::load(loaded);
    ASSERT_EQ(loaded.notch.brakeStepCount, 3);  // the file outside is read
    std::vector<int> lines;
    for (const Finding& finding : diagnose::diagnoseVehicle(loaded))
        if (finding.message.find("leaves the vehicle folder") != std::string::npos) lines.push_back(finding.line);
    EXPECT_EQ(lines, std::vector<int>{4});
    plugin::dispose(loaded);
}

TEST(Diagnosis, AVehicleWithOnlyThe32BitModuleListIsToldWhichListThePluginReads) {
    TestFolder folder(u"diagnose");
    folder.write("detailmodules.txt", "ats.dll\n");
    const fs::path list = folder.path() / "detailmodulesx64.txt";
    const auto aboutList = [&](const std::vector<Finding>& findings) {
        return std::count_if(findings.begin(), findings.end(), [&](const Finding& finding) {
            return finding.file.lexically_normal() == list.lexically_normal() &&
                   finding.message.find("detailmodules.txt") != std::string::npos;
        });
    };
    plugin::Plugin before;
    before.directory = folder.directory();
    plugin::load(before);
    EXPECT_EQ(aboutList(diagnose::diagnoseVehicle(before)), 1);

    // Following the advice: the plug-in reads the new list and the finding goes.
    folder.write("detailmodulesx64.txt", "ats64.dll");
    plugin::Plugin after;
    after.directory = folder.directory();
    plugin::load(after);
    ASSERT_EQ(after.report.modules.size(), 1u);
    EXPECT_EQ(after.report.modules[0].path.filename(), fs::path("ats64.dll"));
    EXPECT_EQ(aboutList(diagnose::diagnoseVehicle(after)), 0);
}

TEST(VisibleText, NamesWhatCannotBeSeenOrLooksLikeAscii) {
    EXPECT_EQ(diagnose::visibleText(u"\uFF10"), "<U+FF10 full-width 0>");
    EXPECT_EQ(diagnose::visibleText(u"1\t2"), "1<TAB>2");
    EXPECT_EQ(diagnose::visibleText(u"a\u3000b"), "a<U+3000 full-width space>b");
    EXPECT_EQ(diagnose::visibleText(u"0\uFF0C5"), "0<U+FF0C full-width comma>5");
    EXPECT_EQ(diagnose::visibleText(u"力行.txt"), "力行.txt");
    // A long vowel mark after a kana is Japanese as written; elsewhere it
    // stands for a dash it only looks like.
    EXPECT_EQ(diagnose::visibleText(u"パラメータ.txt"), "パラメータ.txt");
    EXPECT_EQ(diagnose::visibleText(u"\u30FC5"), "<U+30FC long vowel mark>5");
    EXPECT_EQ(diagnose::visibleText(u"abcdef", 3), "abc...");
}

TEST(Cells, CutLikeTheReaderWithTheColumnOfEachText) {
    for (const std::u16string line : {u"0, 1,,  2 ,", u"a,b, ", u" ", u",", u",,,", u"x"}) {
        config::Fields fields;
        config::splitFields(line, fields);
        const std::vector<diagnose::Cell> cells = diagnose::cellsOf(line);
        ASSERT_EQ(cells.size(), fields.size());
        for (std::size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(cells[i].text, fields[i]);
    }
    const std::vector<diagnose::Cell> cells = diagnose::cellsOf(u"力行, 12,  x", 3);
    EXPECT_EQ(cells[0].column, 3);
    EXPECT_EQ(cells[1].column, 7);
    EXPECT_EQ(cells[2].column, 12);
}

TEST(Encodings, ToldFromTheBytes) {
    EXPECT_EQ(diagnose::encodingOf("\xEF\xBB\xBFspeed,needle\n"), Encoding::Utf8);
    EXPECT_EQ(diagnose::encodingOf("; \xE5\x8A\x9B\xE8\xA1\x8C\n"), Encoding::Utf8);
    EXPECT_EQ(diagnose::encodingOf("; \x97\xCD\x8D\x73\n"), Encoding::ShiftJis);
    EXPECT_EQ(diagnose::encodingOf(std::string("s\0p\0", 4)), Encoding::Utf16Le);
    EXPECT_EQ(diagnose::encodingOf(std::string("\0s\0p", 4)), Encoding::Utf16Be);
    EXPECT_EQ(diagnose::encodingOf("\xFF\xFE"), Encoding::Utf16Le);
    EXPECT_EQ(diagnose::encodingOf(std::string("PK\x03\x04\0\0", 6)), Encoding::Zip);
    EXPECT_EQ(diagnose::encodingOf(std::string("MZ\x90\0\x03\0\0\0\x04\0\0\0", 12)), Encoding::Binary);
    EXPECT_EQ(diagnose::encodingOf("caf\xE9\n"), Encoding::Other8Bit);
    EXPECT_EQ(diagnose::decodeShiftJis("\x97\xCD\x8D\x73.txt \xB1"), u"力行.txt \uFF71");
    EXPECT_EQ(diagnose::decodeShiftJis("\x97"), u"\uFFFD");
}

TEST(LibraryFiles, CutHeadersAreNoLibraryAndNeverReadPastTheirEnd) {
    std::string header(0x200, '\0');
    header[0] = 'M';
    header[1] = 'Z';
    header[0x3C] = 0x40;
    header.replace(0x40, 4, std::string("PE\0\0", 4));
    for (std::size_t size = 0; size <= header.size(); size += 7) {
        const diagnose::LibraryFile library = diagnose::examineLibraryBytes(std::string_view(header).substr(0, size));
        EXPECT_EQ(library.format == diagnose::LibraryFormat::Pe, size >= 0x58) << size;
        EXPECT_TRUE(library.exports.empty());
    }
    EXPECT_EQ(diagnose::examineLibraryBytes("\x7F" "ELF\x02\x01").format, diagnose::LibraryFormat::Elf);
    EXPECT_EQ(diagnose::examineLibraryBytes("not a library").format, diagnose::LibraryFormat::None);
}

// ---------------------------------------------------------------------------
// Findings as text

TEST(FindingText, CompilerFormRelativeToTheVehicleFolder) {
    const fs::path folder = fs::u8path("/trains/車両");
    Finding finding;
    finding.severity = diagnose::Severity::Warning;
    finding.file = folder / "NeedleTable" / "Speed.csv";
    finding.line = 3;
    finding.column = 5;
    finding.field = "field 2";
    finding.found = "4O";
    finding.message = "read as 4";
    finding.fix = "write 40";
    const std::string path = (fs::path("NeedleTable") / "Speed.csv").u8string();
    EXPECT_EQ(diagnose::compilerLine(finding, folder), path + ":3:5: warning: read as 4");
    EXPECT_EQ(diagnose::describe(finding, folder),
              path + ":3:5: warning: read as 4\n    found: `4O` (field 2)\n    fix: write 40\n");
    finding.column = 0;
    finding.file.clear();
    EXPECT_EQ(diagnose::compilerLine(finding, folder), folder.u8string() + ":3: warning: read as 4");
    finding.line = 0;
    finding.file = fs::u8path("/elsewhere/a.dll");
    EXPECT_EQ(diagnose::compilerLine(finding, folder), finding.file.u8string() + ": warning: read as 4");
}

TEST(FindingText, EachRepairIsShownWithItsFileLineColumnsAndText) {
    const fs::path folder = fs::u8path("/trains/車両");
    const fs::path notch = folder / "notch" / "notch.txt";
    const std::string shown = (fs::path("notch") / "notch.txt").u8string();
    diagnose::Fix edit{diagnose::Fix::Kind::Edit, notch, 4, 11, 14, "power.csv\xE2\x80\x8B", {}};
    EXPECT_EQ(diagnose::describeFix(edit, folder).rfind("in `" + shown + "`, line 4: replace columns 11 to 13 with `power.csv<U+200B", 0),
              0u);
    edit.replacement.clear();
    edit.endColumn = 12;
    EXPECT_EQ(diagnose::describeFix(edit, folder), "in `" + shown + "`, line 4: delete column 11");
    edit.replacement = ".csv";
    edit.endColumn = 11;
    EXPECT_EQ(diagnose::describeFix(edit, folder), "in `" + shown + "`, line 4: insert `.csv` at column 11");

    const diagnose::Fix rename{diagnose::Fix::Kind::Rename, folder / "notch" / "A.CSV", 0, 0, 0, {}, folder / "notch" / "a.csv"};
    EXPECT_EQ(diagnose::describeFix(rename, folder),
              "rename `" + (fs::path("notch") / "A.CSV").u8string() + "` to `" + (fs::path("notch") / "a.csv").u8string() + "`");
    const diagnose::Fix move{diagnose::Fix::Kind::Rename, folder / "a.csv", 0, 0, 0, {}, folder / "notch" / "a.csv"};
    EXPECT_EQ(diagnose::describeFix(move, folder).rfind("move `a.csv` to ", 0), 0u);

    Finding finding;
    finding.severity = diagnose::Severity::Warning;
    finding.file = notch;
    finding.message = "saved as UTF-16";
    finding.fix = "save it as UTF-8";
    finding.fixes = {{diagnose::Fix::Kind::ResaveAsUtf8, notch, 0, 0, 0, {}, {}}};
    EXPECT_EQ(diagnose::describe(finding, folder), shown + ": warning: saved as UTF-16\n    fix: save it as UTF-8\n"
                                                   "      cabhost fix: save `" + shown + "` again as UTF-8\n");
}

}  // namespace
