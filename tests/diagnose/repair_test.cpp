// Applying the repairs of findings to a vehicle folder: the text edited where
// the diagnosis saw it whatever the file's encoding, the rest of the file as
// it was, the originals kept, and every repair that cannot be applied
// soundly refused with its reason.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "repair/repair.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using diagnose::Finding;
using diagnose::Fix;
using testing_support::TestFolder;

std::string contentOf(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

Finding withFixes(std::vector<Fix> fixes) {
    Finding finding;
    finding.severity = diagnose::Severity::Warning;
    finding.fixes = std::move(fixes);
    return finding;
}

Fix edit(const fs::path& file, int line, int first, int end, std::string replacement) {
    return Fix{Fix::Kind::Edit, file, line, first, end, std::move(replacement), {}};
}

Fix moveTo(const fs::path& file, const fs::path& target) {
    return Fix{Fix::Kind::Rename, file, 0, 0, 0, {}, target};
}

Fix deleteLine(const fs::path& file, int line) {
    return Fix{Fix::Kind::DeleteLine, file, line, 0, 0, {}, {}};
}

repair::Outcome planAndApply(const std::vector<Finding>& findings, const TestFolder& folder) {
    const repair::Plan plan = repair::planRepairs(findings, folder.path(), fs::file_time_type::clock::now());
    return repair::applyRepairs(plan, "2026-12-09T06-00-00");
}

TEST(Repair, EditsAUtf8FileKeepingItsMarkLineEndsAndOtherLinesAndKeepsTheOriginal) {
    TestFolder folder(u"車両");
    const std::string original = "\xEF\xBB\xBF[Power]\r\nParams = power.txt\xE3\x80\x80；力行\r\n; \xFF odd\nCurrent = a.csv";
    const fs::path notch = folder.write("notch/notch.txt", original);
    // Column 19 is the ideographic space after the name; the comment goes with it.
    const repair::Outcome outcome =
        planAndApply({withFixes({edit(notch, 2, 19, 23, " ; 力行"), edit(notch, 4, 13, 13, "x")})}, folder);
    EXPECT_TRUE(outcome.refused.empty());
    EXPECT_EQ(outcome.applied, std::vector<std::size_t>{0});
    EXPECT_EQ(contentOf(notch), "\xEF\xBB\xBF[Power]\r\nParams = power.txt ; 力行\r\n; \xFF odd\nCurrent = a.xcsv");
    EXPECT_EQ(contentOf(folder.file("cabhost-backup/2026-12-09T06-00-00/notch/notch.txt")), original);
}

TEST(Repair, AFileNotInUtf8IsEditedByItsCharactersAndWrittenAsUtf8WithAMark) {
    TestFolder folder;
    // Shift-JIS "電流" in a comment, then a name to edit.
    const fs::path shiftJis = folder.write("sjis.txt", "; \x93\x64\x97\xAC\r\nCurrent = A.csv\r\n");
    // UTF-16 with a character beyond the basic plane, which counts as one column.
    const std::u16string utf16 = u"\uFEFF\U0001F600x = 1\r\ny";
    std::string utf16Bytes;
    for (const char16_t unit : utf16) utf16Bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    const fs::path wide = folder.write("wide.txt", utf16Bytes);
    const repair::Outcome outcome =
        planAndApply({withFixes({edit(shiftJis, 2, 11, 12, "a")}), withFixes({edit(wide, 1, 2, 3, "y")})}, folder);
    EXPECT_EQ(outcome.applied.size(), 2u);
    EXPECT_EQ(contentOf(shiftJis), "\xEF\xBB\xBF; 電流\r\nCurrent = a.csv\r\n");
    EXPECT_EQ(contentOf(wide), "\xEF\xBB\xBF\xF0\x9F\x98\x80y = 1\r\ny");
    EXPECT_EQ(contentOf(folder.file("cabhost-backup/2026-12-09T06-00-00/wide.txt")), utf16Bytes);
}

TEST(Repair, LinesAnEditAddsTakeTheFilesLineEnds) {
    TestFolder folder;
    const fs::path windows = folder.write("windows.csv", "0,0\r\n40,40\r\n");
    const fs::path oneLine = folder.write("mac.csv", "a,b\r0,0");
    const repair::Outcome outcome = planAndApply(
        {withFixes({edit(windows, 1, 1, 1, "speed_kmh,needle\n")}),
         withFixes({edit(oneLine, 1, 1, 8, "a,b\n0,0\r\n")})},
        folder);
    EXPECT_EQ(outcome.applied.size(), 2u);
    EXPECT_EQ(contentOf(windows), "speed_kmh,needle\r\n0,0\r\n40,40\r\n");
    EXPECT_EQ(contentOf(oneLine), "a,b\r\n0,0\r\n");
}

TEST(Repair, DeletedLinesGoWithTheirLineEndsAndMoveNoOtherRepairsLine) {
    TestFolder folder;
    const fs::path list = folder.write("list.txt", "; note\r\n a.dll\r\nb.dll\r\nb.dll\r\nc.dll");
    // Every line number is the one the check saw; the deletions above line 5
    // must not move its edit, and the last line goes without a line end of its own.
    const repair::Outcome outcome = planAndApply(
        {withFixes({deleteLine(list, 1)}), withFixes({edit(list, 2, 1, 7, "a.dll")}), withFixes({deleteLine(list, 4)}),
         withFixes({edit(list, 5, 1, 2, "C")}), withFixes({deleteLine(list, 4)})},
        folder);
    EXPECT_TRUE(outcome.refused.empty()) << outcome.refused[0].reason;
    EXPECT_EQ(outcome.applied.size(), 5u);
    EXPECT_EQ(contentOf(list), "a.dll\r\nb.dll\r\nC.dll");

    const fs::path last = folder.write("last.txt", "a\nb");
    EXPECT_EQ(planAndApply({withFixes({deleteLine(last, 2)})}, folder).applied.size(), 1u);
    EXPECT_EQ(contentOf(last), "a\n");
}

TEST(Repair, ALineIsNotBothDeletedAndEdited) {
    TestFolder folder;
    const fs::path list = folder.write("list.txt", "a\nb\n");
    const std::vector<Finding> findings = {withFixes({deleteLine(list, 1)}), withFixes({edit(list, 1, 1, 2, "x")}),
                                           withFixes({edit(list, 2, 1, 2, "y")}), withFixes({deleteLine(list, 2)}),
                                           withFixes({deleteLine(list, 4)})};
    const repair::Plan plan = repair::planRepairs(findings, folder.path(), fs::file_time_type::clock::now());
    EXPECT_EQ(plan.accepted, (std::vector<std::size_t>{0, 2}));
    ASSERT_EQ(plan.refused.size(), 3u);
    repair::applyRepairs(plan, "now");
    EXPECT_EQ(contentOf(list), "y\n");
}

TEST(Repair, AFileEditedAndRenamedByOneRepairKeepsItsOriginalOnce) {
    TestFolder folder;
    const fs::path old = folder.write("old.txt", "a.dll\r\nb.dll\r\n");
    const repair::Outcome outcome =
        planAndApply({withFixes({edit(old, 2, 1, 6, "x64\\b.dll"), moveTo(old, folder.file("new.txt"))})}, folder);
    ASSERT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.applied.size(), 1u);
    EXPECT_FALSE(fs::exists(old));
    EXPECT_EQ(contentOf(folder.file("new.txt")), "a.dll\r\nx64\\b.dll\r\n");
    EXPECT_EQ(contentOf(folder.file("cabhost-backup/2026-12-09T06-00-00/old.txt")), "a.dll\r\nb.dll\r\n");
}

TEST(Repair, ResavesAsUtf8OnlyWhatIsNotUtf8) {
    TestFolder folder;
    const fs::path wide = folder.write("wide.txt", std::string("\xFF\xFE" "a\0\n\0", 6));
    const fs::path plain = folder.write("plain.txt", "a\n");
    const Fix resaveWide{Fix::Kind::ResaveAsUtf8, wide, 0, 0, 0, {}, {}};
    const Fix resavePlain{Fix::Kind::ResaveAsUtf8, plain, 0, 0, 0, {}, {}};
    const repair::Outcome outcome = planAndApply({withFixes({resaveWide}), withFixes({resavePlain})}, folder);
    EXPECT_EQ(outcome.applied.size(), 2u);
    EXPECT_EQ(contentOf(wide), "\xEF\xBB\xBF" "a\n");
    EXPECT_EQ(contentOf(plain), "a\n");
    EXPECT_FALSE(fs::exists(folder.file("cabhost-backup/2026-12-09T06-00-00/plain.txt")));
}

TEST(Repair, RenamesAndMovesJapaneseNamesIntoNewFoldersAndChangesLetterCase) {
    TestFolder folder(u"車両");
    const fs::path table = folder.write("電流表.CSV", "a\n");
    const fs::path library = folder.write("Orvalis.DLL", "x");
    const repair::Outcome outcome =
        planAndApply({withFixes({moveTo(table, folder.file("notch/表/電流表.csv"))}),
                      withFixes({moveTo(library, folder.file("orvalis.dll"))})},
                     folder);
    EXPECT_EQ(outcome.applied.size(), 2u) << (outcome.refused.empty() ? "" : outcome.refused[0].reason);
    EXPECT_EQ(contentOf(folder.file("notch/表/電流表.csv")), "a\n");
    EXPECT_FALSE(fs::exists(table));
    EXPECT_EQ(contentOf(folder.file("cabhost-backup/2026-12-09T06-00-00/電流表.CSV")), "a\n");
    bool lowerCase = false;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.path()))
        lowerCase = lowerCase || entry.path().filename() == "orvalis.dll";
    EXPECT_TRUE(lowerCase);
}

TEST(Repair, RefusesWhatWouldLeaveTheVehicleOrCannotBeAppliedSoundly) {
    TestFolder outside;
    TestFolder folder;
    const fs::path file = folder.write("notch/notch.txt", "abc\n");
    const fs::path other = folder.write("b.txt", "b\n");
    const fs::path stranger = outside.write("x.txt", "x\n");
    const std::vector<Finding> findings = {
        withFixes({edit(file, 1, 1, 2, "A")}),
        withFixes({edit(file, 1, 1, 3, "AB")}),                          // the same text as the one before
        withFixes({edit(file, 1, 3, 3, "!"), edit(file, 9, 1, 1, "x")}),  // one of them names no line: neither
        withFixes({edit(file, 1, 4, 6, "x")}),                           // beyond the line's end
        withFixes({edit(file, 1, 2, 2, "\r")}),                          // a line end for no reader
        withFixes({edit(folder.path() / "notch" / ".." / ".." / outside.path().filename() / "x.txt", 1, 1, 1, "y")}),
        withFixes({moveTo(other, stranger)}),
        withFixes({moveTo(other, file)}),                                // onto another file
        withFixes({moveTo(folder.file("notch"), folder.file("notch/sub"))}),
        withFixes({moveTo(folder.file("missing.txt"), folder.file("m.txt"))}),
        withFixes({edit(folder.file("cabhost-backup/old/notch.txt"), 1, 1, 1, "y")}),
    };
    folder.write("cabhost-backup/old/notch.txt", "abc\n");
    const repair::Plan plan = repair::planRepairs(findings, folder.path(), fs::file_time_type::clock::now());
    EXPECT_EQ(plan.accepted, std::vector<std::size_t>{0});
    ASSERT_EQ(plan.refused.size(), findings.size() - 1);
    for (const repair::Refusal& refusal : plan.refused) EXPECT_FALSE(refusal.reason.empty()) << refusal.finding;
    const repair::Outcome outcome = repair::applyRepairs(plan, "now");
    EXPECT_EQ(contentOf(file), "Abc\n");
    EXPECT_EQ(contentOf(stranger), "x\n");
    EXPECT_EQ(contentOf(other), "b\n");
}

TEST(Repair, RefusesAFileChangedSinceTheCheck) {
    TestFolder folder;
    const fs::path early = folder.write("early.txt", "abc\n");
    const fs::path late = folder.write("late.txt", "abc\n");
    const fs::file_time_type diagnosedAt = fs::last_write_time(early) - std::chrono::seconds(5);
    fs::last_write_time(early, diagnosedAt - std::chrono::seconds(5));
    const std::vector<Finding> findings = {withFixes({edit(early, 1, 1, 2, "A")}),
                                           withFixes({edit(late, 1, 1, 2, "A")})};
    repair::Plan plan = repair::planRepairs(findings, folder.path(), diagnosedAt);
    EXPECT_EQ(plan.accepted, std::vector<std::size_t>{0});
    ASSERT_EQ(plan.refused.size(), 1u);
    EXPECT_EQ(plan.refused[0].finding, 1u);

    // Changed between the plan and its applying: left alone too.
    folder.write("early.txt", "xyz\n");
    const repair::Outcome outcome = repair::applyRepairs(plan, "now");
    EXPECT_TRUE(outcome.applied.empty());
    EXPECT_EQ(outcome.refused.size(), 2u);
    EXPECT_EQ(contentOf(early), "xyz\n");
    EXPECT_TRUE(outcome.backup.empty());
}

}  // namespace
