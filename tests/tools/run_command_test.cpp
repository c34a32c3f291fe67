// cabhost run as a whole, on vehicle folders laid out here with a copy of
// the built plug-in: what it says about the start-up, where it writes, and
// how it fails.
#include <gtest/gtest.h>

#include <sstream>

#include "modules/module_control.h"
#include "support/test_folder.h"
#include "tools/run_command.h"

namespace {

using testing_support::TestFolder;

struct RunResult {
    int status = 0;
    std::string out;
    std::string err;
};

const char* const kScenario = "at 0 doors close\nat 0 reverser 1\nat 0.1 power 4\nat 0.5 needles\nat 1 end\n";

// A vehicle folder holding the plug-in and the example module.
void layOutVehicle(const TestFolder& folder) {
    const std::filesystem::path build = testing_support::buildOutputFolder();
    std::filesystem::copy_file(build / ORVALIS_PLUGIN_FILE, folder.file(ORVALIS_PLUGIN_FILE));
    std::filesystem::copy_file(build / ORVALIS_EXAMPLE_MODULE_FILE, folder.file(ORVALIS_EXAMPLE_MODULE_FILE));
    folder.write("detailmodulesx64.txt", std::string(ORVALIS_EXAMPLE_MODULE_FILE) + "\n");
}

RunResult run(const tools::RunOptions& options) {
    std::ostringstream out, err;
    RunResult result;
    result.status = tools::runScenarioCommand(options, testing_support::buildOutputFolder(), out, err, false);
    result.out = out.str();
    result.err = err.str();
    return result;
}

TEST(RunCommand, JapaneseNamesKeepTheirTraceAndReportBesideIt) {
    TestFolder folder(u"\u8eca\u4e21");  // 車両
    layOutVehicle(folder);
    tools::RunOptions options;
    options.vehicle = folder.path();
    options.scenario = folder.write("\u767a\u8eca.txt", kScenario);  // 発車.txt
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const RunResult result = run(options);
    std::filesystem::current_path(before);
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_TRUE(std::filesystem::exists(folder.file("\u767a\u8eca-trace.csv")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("\u767a\u8eca-report.html")));
    EXPECT_NE(result.out.find("61 frames; trace written to"), std::string::npos) << result.out;
    // The in-process core ran beside the library with copies of the modules,
    // and left no copy behind.
    EXPECT_NE(result.out.find("own copies of the detail modules"), std::string::npos);
    EXPECT_EQ(result.err, "");
}

TEST(RunCommand, AStartUpStoppedByAnErrorIsToldPlayedAndEndsWithStatusOne) {
    TestFolder folder;
    layOutVehicle(folder);
    folder.write("NeedleTable/Speed.csv", "speed,needle\n0,0\n40,forty\n");
    folder.write("detailmodulesx64.txt", std::string(ORVALIS_EXAMPLE_MODULE_FILE) + "\nmissing.dll\n");
    tools::RunOptions options;
    options.vehicle = folder.path();
    options.scenario = folder.write("s.txt", kScenario);
    options.trace = folder.file("s.csv");
    const RunResult result = run(options);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("Speed.csv:3:4: error: field 2 is `forty`"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("detailmodulesx64.txt:2: warning: module"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("61 frames; trace written to"), std::string::npos);
    EXPECT_NE(result.out.find("The start-up stopped at an error"), std::string::npos);
}

// The library's chain and the in-process core each have their own instance
// of a module: the one the library loaded sees every frame exactly once.
TEST(RunCommand, EachModuleInstanceIsCalledOnceAFrame) {
    chain_testing::ModuleFolder vehicle(u"counted");
    std::filesystem::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE,
                               vehicle.folder.file(ORVALIS_PLUGIN_FILE));
    vehicle.add(chain_testing::kFullModule, "counted");
    vehicle.writeList();
    chain_testing::takeCalls();
    tools::RunOptions options;
    options.vehicle = vehicle.folder.path();
    options.scenario = vehicle.folder.write("s.txt", kScenario);
    options.trace = vehicle.folder.file("s.csv");
    const RunResult result = run(options);
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    int elapses = 0;
    for (const std::string& call : chain_testing::callsOf("counted")) elapses += call.rfind("Elapse ", 0) == 0;
    EXPECT_EQ(elapses, 61);
}

TEST(RunCommand, AnUnwritableTraceFailsBeforeAnythingRuns) {
    TestFolder folder;
    layOutVehicle(folder);
    tools::RunOptions options;
    options.vehicle = folder.path();
    options.scenario = folder.write("s.txt", kScenario);
    options.trace = folder.file("no such folder/s.csv");
    const RunResult result = run(options);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("cannot be written"), std::string::npos) << result.err;
}

}  // namespace
