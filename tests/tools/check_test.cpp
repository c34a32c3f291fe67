#include <gtest/gtest.h>

#include <sstream>

#include "support/test_folder.h"
#include "tools/check.h"

namespace {

using testing_support::TestFolder;

struct Checked {
    tools::CheckOutcome outcome;
    std::string text;
};

Checked report(const plugin::Plugin& plugin) {
    std::ostringstream out;
    const tools::CheckOutcome outcome = tools::writeCheckReport(plugin, {}, out);
    return {outcome, out.str()};
}

// A plug-in as a complete Load of a small vehicle leaves it.
plugin::Plugin loadedPlugin() {
    plugin::Plugin plugin;
    plugin.directory = std::filesystem::u8path("/trains/cab/") / std::filesystem::path();
    plugin.report.files = {{plugin.directory / "notch" / "notch.txt", true},
                           {plugin.directory / "NeedleTable" / "Voltage.csv", false}};
    plugin.report.modules = {{1, plugin.directory / "a.dll", config::ModuleOutcome::Loaded, ""},
                             {2, plugin.directory / "b.dll", config::ModuleOutcome::NotALibrary, "bad image"},
                             {3, plugin.directory, config::ModuleOutcome::NotALibrary, "is a folder"},
                             {4, plugin.directory, config::ModuleOutcome::NotALibrary, "is a folder"}};
    plugin.notch.powerCurveSteps = {6, 7, 8, 9, 10, 11, 11, 12};
    plugin.notch.powerCurrentCurves.assign(8, panel::CurveTable{{0, 100}, {120, 50}});
    plugin.notch.brakeStepCount = 6;
    plugin.notch.brakeCurrentCurves.assign(6, panel::CurveTable{{0, 0}, {10, 60}});
    plugin.needles.speedTable = {{0, 0}, {40, 40.4f}, {160, 160}};
    return plugin;
}

bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CheckReport, ListsFilesModulesStepsAndTables) {
    const Checked checked = report(loadedPlugin());
    const std::string& text = checked.text;
    EXPECT_TRUE(holds(text, "Vehicle folder: /trains/cab/\n")) << text;
    EXPECT_TRUE(
        holds(text, "  found            " + std::filesystem::path("notch/notch.txt").make_preferred().u8string()))
        << text;
    EXPECT_TRUE(holds(text, "  missing          " +
                                std::filesystem::path("NeedleTable/Voltage.csv").make_preferred().u8string() +
                                "  (warning)"))
        << text;
    EXPECT_TRUE(holds(text, "  line 1           \"a.dll\" loaded\n")) << text;
    EXPECT_TRUE(holds(text, "  line 2           \"b.dll\" skipped: does not load as a library: bad image  (warning)"))
        << text;
    EXPECT_TRUE(holds(text, "  line 3           empty: names no module\n")) << text;
    EXPECT_FALSE(holds(text, "  line 4")) << text;  // the empty line after the last line feed
    EXPECT_TRUE(holds(text, "  selected steps   6, 7, 8, 9, 10, 11, 11, 12\n")) << text;
    EXPECT_TRUE(holds(text, "  step 10          2 points (0 to 120 km/h)\n")) << text;
    EXPECT_TRUE(holds(text, "  current lamp     lit at the current of step 7 (above step 6), put out at step 8\n"));
    EXPECT_TRUE(holds(text, "  full current     at step 10; it arms the hold stages\n"));
    EXPECT_TRUE(holds(text, "  Speed.csv        3 points: 0 to 160 km/h -> needle 0 to 160 (panel value 0 to 16000)"));
    EXPECT_TRUE(holds(text, "  Pressure.csv     no points: the needle shows the raw pressure\n"));
    EXPECT_TRUE(holds(text, "  adjustment mode  off (no PanelModify.txt)\n"));
    EXPECT_TRUE(holds(text, "  result           completed\n"));
    EXPECT_TRUE(holds(text, "Summary: Load completed, 2 warnings\n")) << text;
    EXPECT_EQ(checked.outcome.warnings, 2);
    EXPECT_EQ(tools::checkExitStatus(checked.outcome, false), 0);
    EXPECT_EQ(tools::checkExitStatus(checked.outcome, true), 1);
}

TEST(CheckReport, WarnsWhereTheFrameWouldReadCurvesThatAreNotThere) {
    plugin::Plugin plugin = loadedPlugin();
    plugin.notch.powerCurveSteps = {3, 4};
    plugin.notch.powerCurrentCurves = {{}, {{0, 10}}};
    plugin.notch.brakeStepCount = 4;
    plugin.notch.brakeCurrentCurves.resize(4);
    const std::string text = report(plugin).text;
    EXPECT_TRUE(holds(text, "warning: the lamps and hold stages read the 1st, 2nd, 3rd and 5th selected steps, and "
                            "only 2 are selected"))
        << text;
    EXPECT_TRUE(holds(text, "warning: the curve of step 3 has no points: the plug-in would compare the current with "
                            "the speed itself"))
        << text;
    EXPECT_TRUE(holds(text, "warning: the hold stages read the curves of braking steps 4 and 5")) << text;
}

TEST(CheckReport, AnErrorThatEndedLoadFailsTheCheck) {
    plugin::Plugin plugin = loadedPlugin();
    plugin.report.failure = config::LoadFailure{plugin.directory / "NeedleTable" / "Speed.csv", 3, "invalid argument",
                                                "invalid stof argument"};
    const Checked checked = report(plugin);
    EXPECT_TRUE(holds(checked.text, "  error: " +
                                        std::filesystem::path("NeedleTable/Speed.csv").make_preferred().u8string() +
                                        ", line 3: a value that must be a number holds no number the plug-in can read\n"))
        << checked.text;
    EXPECT_TRUE(holds(checked.text, "Summary: Load stopped by an error, 2 warnings\n"));
    EXPECT_EQ(tools::checkExitStatus(checked.outcome, false), 1);
}

// A finding that explains a warning the report counted already (here the
// missing Voltage.csv) is not counted twice; others are.
TEST(CheckReport, FindingsFollowTheReportAndCountOnce) {
    const plugin::Plugin plugin = loadedPlugin();
    diagnose::Finding explaining;
    explaining.severity = diagnose::Severity::Warning;
    explaining.file = plugin.directory / "NeedleTable" / "Voltage.csv";
    explaining.message = "there is Voltage.csv.txt";
    diagnose::Finding other = explaining;
    other.file = plugin.directory / "notch" / "notch.txt";
    other.line = 4;
    other.column = 1;
    other.message = "not read as the section header [Brake]";
    diagnose::Finding note = other;
    note.severity = diagnose::Severity::Note;
    std::ostringstream out;
    const tools::CheckOutcome outcome = tools::writeCheckReport(plugin, {explaining, other, note}, out);
    EXPECT_EQ(outcome.warnings, 3);
    const std::string notch = std::filesystem::path("notch/notch.txt").make_preferred().u8string();
    EXPECT_TRUE(holds(out.str(), "\nFindings\n")) << out.str();
    EXPECT_TRUE(holds(out.str(), "\n" + notch + ":4:1: warning: not read as the section header [Brake]\n")) << out.str();
}

TEST(CheckReport, AMissingModuleListIsNoWarningButAFindingOnItCounts) {
    plugin::Plugin plugin = loadedPlugin();
    plugin.report.modules.clear();
    plugin.report.files.insert(plugin.report.files.begin(), {plugin.directory / "detailmodulesx64.txt", false});
    plugin.report.files.back().found = true;
    const Checked alone = report(plugin);
    EXPECT_EQ(alone.outcome.warnings, 0) << alone.text;
    EXPECT_EQ(tools::checkExitStatus(alone.outcome, true), 0);
    EXPECT_TRUE(holds(alone.text, "detailmodulesx64.txt  (optional: no detail modules)")) << alone.text;

    diagnose::Finding oldList;
    oldList.severity = diagnose::Severity::Warning;
    oldList.file = plugin.directory / "detailmodulesx64.txt";
    oldList.message = "there is detailmodules.txt";
    std::ostringstream out;
    EXPECT_EQ(tools::writeCheckReport(plugin, {oldList}, out).warnings, 1) << out.str();
}

TEST(CheckVehicle, RunsThePluginsOwnLoadOnTheFolder) {
    TestFolder folder(u"車両 check");
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    folder.write("detailmodulesx64.txt", "");
    folder.write("PanelModify.txt", "");
    folder.write("NeedleTable/Current.csv", "current,needle\n0,0\n400,410\n800, \n900\n");
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(tools::checkVehicle(tools::CheckOptions{folder.path(), false, false, {}}, out, err), 1);
    const std::string text = out.str();
    EXPECT_TRUE(holds(text, "selected steps   6, 7, 8, 9, 10, 11, 11, 12")) << text;
    EXPECT_TRUE(holds(text, "adjustment mode  on")) << text;
    const std::string current = std::filesystem::path("NeedleTable/Current.csv").make_preferred().u8string();
    EXPECT_TRUE(holds(text, current + ", line 5: a value is missing: the line has no field after the comma")) << text;
    EXPECT_TRUE(holds(text, current + ":5:1: error: the row has one field, `900`")) << text;
    EXPECT_EQ(err.str(), "");

    std::ostringstream json;
    EXPECT_EQ(tools::checkVehicle(tools::CheckOptions{folder.path(), false, true, {}}, json, err), 1);
    EXPECT_EQ(json.str().rfind("{\n  \"folder\": ", 0), 0u) << json.str();
    EXPECT_TRUE(holds(json.str(), "\"severity\":\"error\"")) << json.str();

    std::ostringstream ignored;
    EXPECT_EQ(tools::checkVehicle(tools::CheckOptions{folder.path() / "no such folder", false, false, {}}, ignored, err), 1);
    EXPECT_TRUE(holds(err.str(), "cabhost check: no such file or folder: ")) << err.str();
}

// A file, or a folder inside the vehicle, stands for the vehicle folder.
TEST(CheckVehicle, APathInsideAVehicleMeansThatVehicle) {
    TestFolder folder(u"車両 path");
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    const std::filesystem::path vehicle = tools::vehicleFolderOf(folder.path());
    EXPECT_EQ(vehicle, std::filesystem::absolute(folder.path()).lexically_normal());
    EXPECT_EQ(tools::vehicleFolderOf(folder.file("notch/notch.txt")), vehicle);
    EXPECT_EQ(tools::vehicleFolderOf(folder.file("NeedleTable/Speed.csv")), vehicle);
    EXPECT_EQ(tools::vehicleFolderOf(folder.path() / "notch"), vehicle);
    EXPECT_EQ(tools::vehicleFolderOf(folder.file("detailmodulesx64.txt")), vehicle);
    EXPECT_TRUE(tools::vehicleFolderOf(folder.file("missing.txt")).empty());

    TestFolder plain(u"plain");
    plain.write("sub/notes.txt", "");
    EXPECT_EQ(tools::vehicleFolderOf(plain.file("sub/notes.txt")),
              std::filesystem::absolute(plain.path() / "sub").lexically_normal());
}

}  // namespace
