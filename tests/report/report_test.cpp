// The report writers: the JSON they embed, the reduction of a long run per
// pixel column, the run report written while playing, and the data of the
// vehicle report. What the page makes of it is tested in a browser.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "plugin/plugin.h"
#include "report/json.h"
#include "report/run_report.h"
#include "report/vehicle_report.h"
#include "support/test_folder.h"

namespace {

using testing_support::TestFolder;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string number(double value, int decimals) {
    std::ostringstream out;
    report::writeJsonNumber(out, value, decimals);
    return out.str();
}

TEST(ReportJson, TextCannotLeaveTheDataElementAndNumbersStayJson) {
    EXPECT_EQ(report::jsonString("a\"b\\c\nd"), "\"a\\\"b\\\\c\\nd\"");
    EXPECT_EQ(report::jsonString("</script><b>&"), "\"\\u003c/script\\u003e\\u003cb\\u003e\\u0026\"");
    EXPECT_EQ(report::jsonString(std::string("\x01", 1)), "\"\\u0001\"");
    EXPECT_EQ(report::jsonString("\xE8\xBB\x8A\xE4\xB8\xA1"), "\"\xE8\xBB\x8A\xE4\xB8\xA1\"");  // UTF-8 kept as is
    EXPECT_EQ(number(12.5, 3), "12.5");
    EXPECT_EQ(number(-4, 0), "-4");
    EXPECT_EQ(number(-0.0001, 2), "0");
    EXPECT_EQ(number(std::nan(""), 2), "null");
    EXPECT_EQ(number(std::numeric_limits<double>::infinity(), 2), "null");
}

std::array<float, report::kContinuousCount> values(float speed, float current = 0) {
    std::array<float, report::kContinuousCount> v{};
    v[0] = speed;
    v[1] = current;
    return v;
}

TEST(ReportReduction, ShortRunsKeepEveryFrameLongOnesGroupByPixelColumn) {
    EXPECT_EQ(report::framesPerBucket(1), 1);
    EXPECT_EQ(report::framesPerBucket(report::kFullResolutionFrames), 1);
    EXPECT_EQ(report::framesPerBucket(report::kFullResolutionFrames + 1), 3);
    EXPECT_EQ(report::framesPerBucket(216000), 36);  // one hour at 60 frames a second
    EXPECT_LE(5184000 / report::framesPerBucket(5184000), report::kBuckets);
}

TEST(ReportReduction, AGroupKeepsEachSeriesExtremesAtTheTimeTheyOccurred) {
    report::Bucket bucket;
    report::addToBucket(bucket, 1000, values(5, 0));
    report::addToBucket(bucket, 1017, values(9, -3));  // speed peaks here, current dips here
    report::addToBucket(bucket, 1033, values(1, 7));
    report::addToBucket(bucket, 1050, values(4, 2));
    EXPECT_EQ(bucket.frames, 4);
    EXPECT_EQ(bucket.firstMs, 1000);
    EXPECT_EQ(bucket.lastMs, 1050);
    EXPECT_EQ(bucket.max[0], 9);
    EXPECT_EQ(bucket.maxMs[0], 1017);
    EXPECT_EQ(bucket.min[0], 1);
    EXPECT_EQ(bucket.minMs[0], 1033);
    EXPECT_EQ(bucket.min[1], -3);
    EXPECT_EQ(bucket.minMs[1], 1017);
    EXPECT_EQ(bucket.max[1], 7);
    EXPECT_EQ(bucket.maxMs[1], 1033);
}

TEST(ReportReduction, AValueMissingAtFirstDoesNotHideLaterValues) {
    report::Bucket bucket;
    const float none = std::numeric_limits<float>::quiet_NaN();
    report::addToBucket(bucket, 0, values(none));
    report::addToBucket(bucket, 17, values(6));
    report::addToBucket(bucket, 33, values(2));
    EXPECT_EQ(bucket.max[0], 6);
    EXPECT_EQ(bucket.maxMs[0], 17);
    EXPECT_EQ(bucket.min[0], 2);
    EXPECT_EQ(bucket.minMs[0], 33);
}

TEST(ReportReduction, TheDetailBudgetIsSpreadOverTheRun) {
    const int64_t frames = 5184000;
    EXPECT_TRUE(report::detailAllowed(0, 0, frames));
    EXPECT_FALSE(report::detailAllowed(report::kDetailBudget / 10, 0, frames));  // a busy start keeps a share only
    EXPECT_TRUE(report::detailAllowed(report::kDetailBudget / 2, frames / 2, frames));
    EXPECT_TRUE(report::detailAllowed(report::kDetailBudget - 1, frames, frames));
    EXPECT_FALSE(report::detailAllowed(report::kDetailBudget, frames, frames));
}

// A run played through the writer as cabhost feeds it: the lamp 41 blinks
// every 1000 frames, the power output follows it, sound 98 plays once at
// the spike of the speed.
struct PlayedRun {
    std::string html;
    std::string problem;
};

PlayedRun playRun(const TestFolder& folder, int64_t frames, int64_t spikeFrame, report::StartupResult startup = {}) {
    report::RunReportInfo info;
    info.scenario = "test <run>";
    info.frameMs = 1000.0 / 60;
    info.endMs = static_cast<int64_t>(std::floor(static_cast<double>(frames - 1) * info.frameMs));
    info.markers = {{500, true, "a note"}, {1000, false, "power 4"}};
    info.powerSteps = {6, 7, 8, 9, 10};
    info.startup = std::move(startup);
    const std::filesystem::path path = folder.file("run.html");
    report::RunReportWriter writer;
    PlayedRun run;
    run.problem = report::openRunReport(writer, info, path);
    if (!run.problem.empty()) return run;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    tools::FrameView frame;
    frame.panel = panel.data();
    frame.sound = sound.data();
    for (int64_t k = 0; k < frames; ++k) {
        frame.state.time = static_cast<int32_t>(std::llround(static_cast<double>(k) * info.frameMs));
        frame.state.speed = k == spikeFrame ? 99.5f : 10.0f;
        panel[41] = static_cast<int32_t>((k / 1000) % 2);
        frame.command.power = panel[41] * 4;
        sound[98] = k == spikeFrame ? 1 : 2;
        report::addReportFrame(writer, frame);
    }
    run.problem = report::finishRunReport(writer, {{1000, "hold", "stage 1 entered"}});
    run.html = readFile(path);
    EXPECT_FALSE(std::filesystem::exists(writer.eventsPath));
    EXPECT_FALSE(std::filesystem::exists(writer.detailPath));
    return run;
}

int count(const std::string& text, const std::string& part) {
    int found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
    return found;
}

std::string frameSeconds(int64_t frame) {
    return number(std::llround(static_cast<double>(frame) * 1000.0 / 60) / 1000.0, 3);
}

TEST(RunReport, AShortRunKeepsEveryFrameAndEveryChangeAtItsFrame) {
    TestFolder folder;
    const PlayedRun run = playRun(folder, 3000, 1234);
    ASSERT_EQ(run.problem, "");
    EXPECT_NE(run.html.find("\"end\":{\"frames\":3000,\"buckets\":0,\"detail\":3000,"), std::string::npos);
    EXPECT_NE(run.html.find("test \\u003crun\\u003e"), std::string::npos);
    EXPECT_NE(run.html.find("[0.5,1,\"a note\"]"), std::string::npos);
    EXPECT_NE(run.html.find("\"powerSteps\":[6,7,8,9,10]"), std::string::npos);
    EXPECT_NE(run.html.find("\"happenings\":[\n[1,\"hold\",\"stage 1 entered\"]]"), std::string::npos);
    // The lamp and the power output: their state at the start, then on at
    // frame 1000, off at 2000.
    EXPECT_EQ(count(run.html, ",\"p\",41,"), 3);
    EXPECT_NE(run.html.find("[" + frameSeconds(1000) + ",\"p\",41,1]"), std::string::npos);
    EXPECT_NE(run.html.find("[" + frameSeconds(2000) + ",\"v\",3,0]"), std::string::npos);
    EXPECT_EQ(count(run.html, ",\"v\",3,"), 3);
    EXPECT_EQ(count(run.html, ",\"v\",6,"), 0);  // without the plug-in's own state, no hold stage
    EXPECT_EQ(count(run.html, ",\"s\",98,1]"), 1);
    EXPECT_EQ(count(run.html, ",99.5,"), 1);
    EXPECT_EQ(count(run.html, "<script"), 3);
    // No address but the SVG namespace.
    EXPECT_EQ(run.html.find("http://"), run.html.find("http://www.w3.org/2000/svg"));
}

TEST(RunReport, ALongRunKeepsASpikeAtItsTimeEveryChangeAndDetailAroundEvents) {
    TestFolder folder;
    const int64_t frames = 40000;
    const PlayedRun run = playRun(folder, frames, 23456);
    ASSERT_EQ(run.problem, "");
    const int64_t perBucket = report::framesPerBucket(frames);
    EXPECT_NE(run.html.find("\"bucketFrames\":" + std::to_string(perBucket)), std::string::npos);
    EXPECT_NE(run.html.find("\"buckets\":" + std::to_string((frames + perBucket - 1) / perBucket)), std::string::npos);
    // The spike's group keeps 10 as its minimum from its first frame and 99.5
    // as its maximum at the spike's own time.
    const int64_t group = 23456 / perBucket;
    const std::string spike = ",10,99.5,0," + std::to_string(std::llround(23456 * 1000.0 / 60) -
                                                              std::llround(group * perBucket * 1000.0 / 60)) +
                              ",";
    EXPECT_EQ(count(run.html, spike), 1) << spike;
    EXPECT_EQ(count(run.html, ",\"p\",41,"), 40);  // every change of the lamp, none merged
    EXPECT_EQ(count(run.html, ",\"s\",98,1]"), 1);
    // The frames around the lamp's change at frame 5000 are kept as they were.
    EXPECT_NE(run.html.find("\n[" + frameSeconds(5000 - report::kDetailWindow + 1) + ",10,"), std::string::npos);
    EXPECT_NE(run.html.find("\n[" + frameSeconds(5000 + report::kDetailWindow - 1) + ",10,"), std::string::npos);
    EXPECT_EQ(run.html.find("\n[" + frameSeconds(5000 + report::kDetailWindow) + ",10,"), std::string::npos);
}

TEST(RunReport, AStoppedStartUpIsSaidWithItsLines) {
    TestFolder folder;
    report::StartupResult startup;
    startup.known = true;
    startup.stopped = true;
    startup.stoppedAt = "notch/notch.txt line 2";
    startup.lines = {"notch/notch.txt:2: error: invalid stof argument"};
    const PlayedRun run = playRun(folder, 10, -1, startup);
    ASSERT_EQ(run.problem, "");
    EXPECT_NE(run.html.find("\"startup\":{\"known\":true,\"stopped\":true,\"stoppedAt\":\"notch/notch.txt line 2\","
                            "\"warnings\":0,\"lines\":[\"notch/notch.txt:2: error: invalid stof argument\"]}"),
              std::string::npos);
}

TEST(RunReport, APathThatCannotBeWrittenFailsAtOnce) {
    TestFolder folder;
    report::RunReportWriter writer;
    const std::string problem =
        report::openRunReport(writer, report::RunReportInfo{}, folder.file("no such folder/run.html"));
    EXPECT_NE(problem, "");
}

TEST(VehicleReport, HoldsEveryStepTheUsedStepsNeedlesModulesAndMarkedRows) {
    TestFolder folder(u"\u8eca\u4e21");  // a Japanese folder name
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    plugin::Plugin loaded;
    loaded.directory = folder.directory();
    plugin::load(loaded);
    diagnose::Finding finding;
    finding.severity = diagnose::Severity::Warning;
    finding.file = folder.file("NeedleTable/Speed.csv");
    finding.line = 3;
    finding.rows = {2};
    finding.message = "read as 40";
    const std::string json = report::vehicleReportJson(loaded, {finding});
    plugin::dispose(loaded);
    EXPECT_NE(json.find("\"file\":\"notch/power_current.csv\",\"columns\":13,\"selected\":["), std::string::npos);
    EXPECT_NE(json.find("\"file\":\"notch/brake_current.csv\",\"columns\":7,\"selected\":[1,2,3,4,5,6]"),
              std::string::npos);
    EXPECT_NE(json.find("\"file\":\"NeedleTable/Speed.csv\",\"columns\":2"), std::string::npos);
    EXPECT_NE(json.find("{\"row\":2,\"line\":3,\"values\":[40,40.4]}"), std::string::npos);
    EXPECT_NE(json.find("\"file\":\"NeedleTable/Speed.csv\",\"line\":3,"), std::string::npos);
    EXPECT_NE(json.find("\"rows\":[2]"), std::string::npos);
    EXPECT_NE(json.find("\"outcome\":\"absent\""), std::string::npos);  // the sample names a module not copied here
    EXPECT_NE(json.find("\"failure\":null"), std::string::npos);
}

TEST(VehicleReport, AStoppedLoadAndABrokenRowStillGiveAReport) {
    TestFolder folder;
    folder.write("NeedleTable/Speed.csv", "speed,needle\n0,0\n40,forty\n80,80\n");
    plugin::Plugin loaded;
    loaded.directory = folder.directory();
    plugin::load(loaded);
    const std::string json = report::vehicleReportJson(loaded, {});
    ASSERT_TRUE(loaded.report.failure);
    EXPECT_EQ(json.find("\"failure\":null"), std::string::npos);
    // The row the plug-in stopped at shows without its output.
    EXPECT_NE(json.find("{\"row\":2,\"line\":3,\"values\":[40,null]}"), std::string::npos);
    EXPECT_NE(json.find("{\"row\":3,\"line\":4,\"values\":[80,80]}"), std::string::npos);
    EXPECT_EQ(report::writeVehicleReport(loaded, {}, folder.file("missing/report.html")).empty(), false);
    EXPECT_EQ(report::writeVehicleReport(loaded, {}, folder.file("report.html")), "");
}

TEST(FindingsJson, KeepsEveryFieldAndEscapesText) {
    diagnose::Finding finding;
    finding.severity = diagnose::Severity::Error;
    finding.file = std::filesystem::u8path("/v/notch/notch.txt");
    finding.line = 2;
    finding.found = "a \"b\"\t\\";
    finding.rows = {1, 3};
    const std::string json = report::findingsJson({finding}, std::filesystem::u8path("/v"));
    EXPECT_NE(json.find("\"severity\":\"error\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"found\":\"a \\\"b\\\"\\t\\\\\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"rows\":[1,3]"), std::string::npos) << json;
    EXPECT_NE(json.find("\"file\":\"notch/notch.txt\",\"line\":2,\"column\":0"), std::string::npos) << json;
    EXPECT_NE(json.find("\"path\":\"/v/notch/notch.txt\""), std::string::npos) << json;
    EXPECT_EQ(report::findingsJson({}, std::filesystem::u8path("/v")), "{\n  \"folder\": \"/v\",\n  \"findings\": []\n}\n");
}

TEST(FindingsJson, CarriesEachRepairAsData) {
    diagnose::Finding finding;
    finding.file = std::filesystem::u8path("/v/notch/notch.txt");
    finding.fixes = {{diagnose::Fix::Kind::Edit, finding.file, 3, 11, 14, "a\"b", {}},
                     {diagnose::Fix::Kind::Rename, std::filesystem::u8path("/v/notch/A.csv"), 0, 0, 0, {},
                      std::filesystem::u8path("/v/notch/a.csv")}};
    const std::string json = report::findingsJson({finding}, std::filesystem::u8path("/v"));
    EXPECT_NE(json.find("\"fixes\":[{\"kind\":\"edit\",\"file\":\"notch/notch.txt\",\"line\":3,\"firstColumn\":11,"
                        "\"endColumn\":14,\"replacement\":\"a\\\"b\",\"target\":\"\"},{\"kind\":\"rename\",\"file\":"
                        "\"notch/A.csv\",\"line\":0,\"firstColumn\":0,\"endColumn\":0,\"replacement\":\"\",\"target\":"
                        "\"notch/a.csv\"}]}"),
              std::string::npos)
        << json;
}

}  // namespace
