#include <gtest/gtest.h>

#include "messages/messages.h"
#include "support/test_folder.h"
#include "tools/command_line.h"

namespace {

using tools::Command;
using tools::parseCommandLine;

TEST(CommandLine, RunTakesAFolderAndAScenarioOrNeither) {
    const tools::CommandLine defaults = parseCommandLine({"run"});
    EXPECT_EQ(defaults.command, Command::Run);
    EXPECT_EQ(defaults.error, "");
    EXPECT_TRUE(defaults.run.vehicle.empty());

    const tools::CommandLine full = parseCommandLine(
        {"run", "train", "go.txt", "--plugin", "other.dll", "--trace=out.csv", "--frame", "20", "--spec", "cars=6"});
    EXPECT_EQ(full.error, "");
    EXPECT_EQ(full.run.vehicle, "train");
    EXPECT_EQ(full.run.scenario, "go.txt");
    EXPECT_EQ(full.run.plugin, "other.dll");
    EXPECT_EQ(full.run.trace, "out.csv");
    EXPECT_DOUBLE_EQ(full.run.frameMs, 20);
    EXPECT_EQ(full.run.spec, "cars=6");

    EXPECT_EQ(parseCommandLine({"run", "train"}).error, "run takes a vehicle folder and a scenario, or neither");
    EXPECT_EQ(parseCommandLine({"run", "--frame"}).error, "the option --frame needs a value");
    EXPECT_EQ(parseCommandLine({"run", "--frame", "0.5"}).error,
              "--frame needs a frame period in milliseconds from 1 to 1000, not '0.5'");
    EXPECT_EQ(parseCommandLine({"run", "--fast"}).error, "unknown option --fast for run");
}

TEST(CommandLine, CheckTakesOneFolder) {
    const tools::CommandLine strict = parseCommandLine({"check", "train", "--strict"});
    EXPECT_EQ(strict.command, Command::Check);
    EXPECT_EQ(strict.error, "");
    EXPECT_TRUE(strict.check.strict);
    EXPECT_EQ(strict.check.vehicle, "train");
    EXPECT_EQ(parseCommandLine({"check"}).error, "check takes one vehicle folder or a file in it");
    EXPECT_EQ(parseCommandLine({"check", "a", "b"}).error, "check takes one vehicle folder or a file in it");

    const tools::CommandLine both = parseCommandLine({"check", "train/notch/notch.txt", "--json", "--report", "v.html"});
    EXPECT_EQ(both.error, "");
    EXPECT_TRUE(both.check.json);
    EXPECT_EQ(both.check.report, "v.html");
    EXPECT_EQ(parseCommandLine({"check", "train", "--report"}).error, "the option --report needs a value");
    EXPECT_EQ(parseCommandLine({"drive"}).error, "unknown command 'drive'");
    EXPECT_EQ(parseCommandLine({}).command, Command::Help);
}

TEST(CommandLine, LanguageAndVersionStandAnywhere) {
    const tools::CommandLine japanese = parseCommandLine({"--lang", "ja", "check", "train"});
    EXPECT_EQ(japanese.error, "");
    EXPECT_EQ(japanese.command, Command::Check);
    EXPECT_EQ(japanese.language, "ja");
    EXPECT_EQ(japanese.check.vehicle, "train");
    EXPECT_EQ(parseCommandLine({"run", "--lang=en"}).language, "en");
    EXPECT_EQ(parseCommandLine({"run", "--lang=fr"}).error, "--lang takes ja or en, not 'fr'");
    EXPECT_EQ(parseCommandLine({"check", "train", "--version"}).command, Command::Version);

    const tools::CommandLine report = parseCommandLine({"run", "--report", "r.html"});
    EXPECT_EQ(report.error, "");
    EXPECT_EQ(report.run.report, "r.html");
}

// Explorer passes a folder or file dropped on cabhost.exe as the only
// argument; a name that is not there stays an unknown command.
TEST(CommandLine, ALoneExistingPathIsChecked) {
    const testing_support::TestFolder folder(u"\u8eca\u4e21");  // 車両
    const std::filesystem::path notch = folder.write("notch/notch.txt", "[Power]\n");
    const std::string folderName = folder.path().u8string();

    const tools::CommandLine dropped = parseCommandLine({folderName});
    EXPECT_EQ(dropped.error, "");
    EXPECT_EQ(dropped.command, Command::Check);
    EXPECT_EQ(dropped.check.vehicle, folder.path());
    EXPECT_TRUE(dropped.check.dropped);
    EXPECT_FALSE(parseCommandLine({"check", folderName}).check.dropped);

    const tools::CommandLine fix = parseCommandLine({"fix", folderName});
    EXPECT_EQ(fix.error, "");
    EXPECT_EQ(fix.command, Command::Fix);
    EXPECT_EQ(fix.check.vehicle, folder.path());
    EXPECT_EQ(parseCommandLine({"fix"}).error, "fix takes one vehicle folder or a file in it");
    EXPECT_EQ(parseCommandLine({"fix", folderName, "--strict"}).error, "fix takes one vehicle folder or a file in it");
    EXPECT_EQ(parseCommandLine({notch.u8string()}).check.vehicle, notch);
    EXPECT_EQ(parseCommandLine({"--lang", "ja", folderName}).command, Command::Check);

    EXPECT_EQ(parseCommandLine({folderName + "-gone"}).error, "unknown command '" + folderName + "-gone'");
    EXPECT_EQ(parseCommandLine({folderName, "extra"}).error, "unknown command '" + folderName + "'");
}

TEST(CommandLine, ErrorsAndUsageFollowTheLanguage) {
    messages::setLanguage(messages::Language::Japanese);
    const std::string error = parseCommandLine({"run", "--frame", "0"}).error;
    const std::string usage = tools::usage();
    messages::setLanguage(messages::Language::English);
    EXPECT_EQ(error, "--frame にはフレームの間隔を 1～1000 (ミリ秒) で指定してください ('0' は使えません)");
    EXPECT_EQ(usage.rfind("使い方:\n", 0), 0u);
    EXPECT_NE(usage.find("cabhost check 車両フォルダ"), std::string::npos);
    EXPECT_NE(tools::usage().find("--lang ja|en"), std::string::npos);
}

}  // namespace
