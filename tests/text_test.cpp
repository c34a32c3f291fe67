#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/text.h"
#include "platform/utf8.h"
#include "support/test_folder.h"

using config::Text;
using testing_support::TestFolder;

namespace {

std::vector<Text> readLines(const std::filesystem::path& path, config::LoadReport& report) {
    config::ConfigFile file(path, report);
    std::vector<Text> lines;
    Text line;
    while (file.isOpen() && !file.atEnd()) {
        file.readLine(line);
        lines.push_back(line);
    }
    return lines;
}

std::vector<Text> readBytes(std::string_view bytes) {
    TestFolder folder;
    config::LoadReport report;
    return readLines(folder.write("file.txt", bytes), report);
}

template <typename Error>
void expectError(float (*convert)(std::u16string_view), std::u16string_view field, const char* message) {
    try {
        convert(field);
        ADD_FAILURE() << "no error for " << platform::toUtf8(field);
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), message) << platform::toUtf8(field);
    }
}

}  // namespace

TEST(TextReader, CutsLinesLikeTheLoaderLoop) {
    using Lines = std::vector<Text>;
    EXPECT_EQ(readBytes("a\nb"), (Lines{u"a", u"b"}));
    EXPECT_EQ(readBytes("a\nb\n"), (Lines{u"a", u"b", u""}));
    EXPECT_EQ(readBytes("a\r\nb\r\n"), (Lines{u"a", u"b", u""}));
    EXPECT_EQ(readBytes(""), (Lines{u""}));
    EXPECT_EQ(readBytes("a\rb\r"), (Lines{u"a\rb\r"}));  // a lone CR is data
    EXPECT_EQ(readBytes(std::string("a\0b", 3)), (Lines{Text(u"a\0b", 3)}));
}

TEST(TextReader, DecodesUtf8AndSkipsOnlyALeadingByteOrderMark) {
    using Lines = std::vector<Text>;
    EXPECT_EQ(readBytes("\xEF\xBB\xBF[Power]\n\xEF\xBB\xBFx"), (Lines{u"[Power]", u"\uFEFFx"}));
    EXPECT_EQ(readBytes("\xE3\x81\x82\xF0\x9F\x98\x80"), (Lines{u"\u3042\U0001F600"}));
    // Bad lead, cut sequence, overlong form, encoded surrogate, truncated end.
    EXPECT_EQ(readBytes("\xFF|\xC3(|\xC0\xAF|\xED\xA0\x80|\xE3\x81"),
              (Lines{u"\uFFFD|\uFFFD(|\uFFFD\uFFFD|\uFFFD|\uFFFD"}));
}

TEST(TextReader, NotesFilesAndKeepsTheLineNumber) {
    TestFolder folder;
    config::LoadReport report;
    const auto path = folder.write("a.txt", "1\n2\n3");
    readLines(path, report);
    readLines(folder.file("missing.txt"), report);
    readLines(folder.directory(), report);
    readLines({}, report);  // no file named: not noted
    auto cutShort = path.native();  // a NUL must not open the file before it
    cutShort.push_back(0);
    cutShort.push_back('x');
    readLines(cutShort, report);
    ASSERT_EQ(report.files.size(), 4u);
    EXPECT_TRUE(report.files[0].found);
    EXPECT_FALSE(report.files[1].found || report.files[2].found || report.files[3].found);
    readLines(path, report);
    EXPECT_EQ(report.currentFile, path);
    EXPECT_EQ(report.currentLine, 3);
}

TEST(TextReader, ReadsMillionCharacterLinesButNotEndlessOnes) {
    EXPECT_EQ(readBytes(std::string(1'000'000, 'x') + "\ny")[0].size(), 1'000'000u);
    EXPECT_THROW(readBytes(std::string(config::kMaxLineBytes + 1, 'x')), std::length_error);
}

TEST(TableRows, PassOverTheHeaderAndEmptyLinesAndStopWhenTheHandlerSays) {
    TestFolder folder;
    config::LoadReport report;
    const auto path = folder.write("t.csv", "1,header\n; note\n\n2, a\n3 ,b # c\n4,stop\n5,never\n");
    std::vector<config::Fields> rows;
    config::readTableRows(path, report, [&rows](const config::Fields& fields) {
        rows.push_back(fields);
        return fields.at(1) == u"stop" ? config::RowOutcome::StopReading : config::RowOutcome::KeepReading;
    });
    EXPECT_EQ(rows, (std::vector<config::Fields>{{u"2", u"a"}, {u"3", u"b"}, {u"4", u"stop"}}));
    EXPECT_EQ(report.currentFile, path);
    EXPECT_EQ(report.currentLine, 6);  // the row it stopped at
    rows.clear();
    config::readTableRows(folder.file("absent.csv"), report, [&rows](const config::Fields& fields) {
        rows.push_back(fields);
        return config::RowOutcome::KeepReading;
    });
    EXPECT_TRUE(rows.empty());
}

TEST(LineOperations, CommentsTrimmingAndKeys) {
    Text line = u"Current = a#b.csv";
    config::stripComment(line);
    EXPECT_EQ(line, u"Current = a");
    line = u"\u3000\u00A0\t [Power] \u2003\r";
    config::trim(line);
    EXPECT_EQ(line, u"[Power]");
    Text key = u"old", value = u"old";
    EXPECT_FALSE(config::splitKeyValue(u"no separator", key, value));
    EXPECT_EQ(key + value, u"oldold");
    EXPECT_TRUE(config::splitKeyValue(u" a = b = c ", key, value));
    EXPECT_EQ(key, u"a");
    EXPECT_EQ(value, u"b = c");
    EXPECT_TRUE(config::equalsIgnoreCase(u"[bRAKE]", u"[Brake]"));
    EXPECT_FALSE(config::equalsIgnoreCase(u"[Brake] ", u"[Brake]"));
    EXPECT_TRUE(config::startsWith(u"RequiredNotch_Up2", u"RequiredNotch_Up"));
    EXPECT_FALSE(config::startsWith(u"requirednotch_up", u"RequiredNotch_Up"));
}

TEST(LineOperations, SplitsFieldsAtCommas) {
    using Fields = config::Fields;
    const auto split = [](const Text& line) {
        Fields fields{u"kept"};
        config::splitFields(line, fields);
        return fields;
    };
    EXPECT_EQ(split(u"a,,b"), (Fields{u"a", u"", u"b"}));
    EXPECT_EQ(split(u"a,b,"), (Fields{u"a", u"b"}));
    EXPECT_EQ(split(u",a"), (Fields{u"", u"a"}));
    EXPECT_EQ(split(u" a , "), (Fields{u"a", u""}));
    EXPECT_EQ(split(u""), (Fields{u"kept"}));
    EXPECT_THROW(config::fieldAt(Fields{u"5"}, 1), std::out_of_range);
}

TEST(Numbers, ConvertLeadingDecimalNumbers) {
    EXPECT_EQ(config::toFloat(u"1.5x"), 1.5f);
    EXPECT_EQ(config::toFloat(u" -.5e1km"), -5.0f);
    EXPECT_EQ(config::toFloat(u"+2.e"), 2.0f);
    EXPECT_EQ(config::toFloat(u"0x10"), 0.0f);
    EXPECT_EQ(config::toFloat(u"3.4028234e38"), 3.4028234e38f);
    EXPECT_GT(config::toFloat(u"1e-45"), 0.0f);
    EXPECT_EQ(config::toInt(u"3 steps"), 3);
    EXPECT_EQ(config::toInt(u"-2147483648"), INT32_MIN);
    EXPECT_EQ(config::toInt(u"+12.9"), 12);
}

TEST(Numbers, TinyFloatsRoundToSignedZero) {
    EXPECT_EQ(config::toFloat(u"1e-60"), 0.0f);
    EXPECT_TRUE(std::signbit(config::toFloat(u"-0.0000001e-99999999999999999999")));
}

TEST(Numbers, RaiseTheStandardErrors) {
    for (const char16_t* field : {u"", u"abc", u"inf", u"nan", u"-", u".", u"e5", u"\uFF11"})
        expectError<std::invalid_argument>(config::toFloat, field, "invalid stof argument");
    for (const char16_t* field : {u"1e39", u"-3.5e38", u"1000000000000000000000000000000000000000"})
        expectError<std::out_of_range>(config::toFloat, field, "stof argument out of range");
    try {
        config::toInt(u"2147483648");
        ADD_FAILURE();
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "stoi argument out of range");
    }
    EXPECT_THROW(config::toInt(u"x1"), std::invalid_argument);
}

TEST(Paths, BackslashesSeparateAndAbsolutePathsReplaceTheBase) {
    TestFolder folder;
    const auto base = folder.directory() / "notch" / "";
    EXPECT_EQ(config::resolvePath(base, u"..\\common\\power.txt"), base / ".." / "common" / "power.txt");
    EXPECT_EQ(config::resolvePath(base, folder.path().u16string()), folder.path());
}
