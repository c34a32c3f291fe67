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
    return number(static_cast<double>(std::llround(static_cast<double>(frame) * 1000.0 / 60)) / 1000.0, 3);
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

// The page finds the time of a frame as frame x frameMs: the period it reads
// must give a day's last frame at the run's own time, not drift away.
TEST(RunReport, TheFramePeriodIsWrittenInFull) {
    TestFolder folder;
    const PlayedRun run = playRun(folder, 100, 50);
    ASSERT_EQ(run.problem, "");
    const std::string key = "\"frameMs\":";
    const std::size_t at = run.html.find(key);
    ASSERT_NE(at, std::string::npos);
    const double written = std::stod(run.html.substr(at + key.size(), 30));
    for (const int64_t frame : {int64_t{12345}, int64_t{216000}, int64_t{5184000}})
        EXPECT_EQ(std::llround(static_cast<double>(frame) * written),
                  std::llround(static_cast<double>(frame) * 1000.0 / 60))
            << "frame " << frame;
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
                                                              std::llround(static_cast<double>(group * perBucket) * 1000.0 / 60)) +
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

// The vehicle report of a folder after the plug-in's own Load, with the
// diagnosis's findings (or those a test gives).
std::string vehicleJson(const TestFolder& folder, const std::vector<diagnose::Finding>& findings = {}) {
    plugin::Plugin loaded;
    loaded.directory = folder.directory();
    plugin::load(loaded);
    std::string json = report::vehicleReportJson(loaded, findings);
    plugin::dispose(loaded);
    return json;
}

std::string tableOf(const std::string& json, const std::string& file) {
    const std::size_t start = json.find("\"file\":\"" + file + "\",\"status\"");
    if (start == std::string::npos) return {};
    return json.substr(start, json.find("\"marks\":", start) - start + json.substr(json.find("\"marks\":", start)).find(']') + 1);
}

TEST(VehicleReport, DrawsTheLoadedCurvesNamedByStepAndRoleEachPointWithItsLine) {
    TestFolder folder(u"\u8eca\u4e21");  // a Japanese folder name
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    const std::string json = vehicleJson(folder);
    // Selected steps 6, 7, 8, 9, 10, 11, 11, 12: one curve per column, step 11 once.
    const std::string power = tableOf(json, "notch/power_current.csv");
    EXPECT_NE(power.find("\"status\":\"read\""), std::string::npos) << power;
    EXPECT_NE(power.find("\"column\":10,\"name\":\"step 10 (full current)\",\"used\":true"), std::string::npos);
    EXPECT_NE(power.find("\"column\":9,\"name\":\"step 9 (loaded, not used)\",\"used\":false"), std::string::npos);
    EXPECT_EQ(count(power, "\"column\":11,"), 1);
    EXPECT_EQ(power.find("\"column\":5,"), std::string::npos);  // in the file, not loaded
    EXPECT_NE(tableOf(json, "notch/brake_current.csv").find("\"name\":\"braking step 4 (hold stage 1)\""),
              std::string::npos);
    // The header line carries a comment; the first data row is line 2.
    EXPECT_NE(tableOf(json, "NeedleTable/Speed.csv").find("\"points\":[[0,0,2],[40,40.4,3],"), std::string::npos);
    EXPECT_NE(json.find("\"outcome\":\"absent\""), std::string::npos);  // the sample names a module not copied here
    EXPECT_NE(json.find("\"failure\":null"), std::string::npos);
}

TEST(VehicleReport, AStoppedStartUpMarksTheUnreadFilesAndKeepsTheUnreadableRowAtItsCell) {
    TestFolder folder;
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    folder.write("NeedleTable/Pressure.csv", "pressure_kPa,needle\n0,0\n; calibrated 2024\n\n"
                                             "\xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x90,198\n400,400\n");
    diagnose::Finding finding;  // as the check says it: line 5, the first field
    finding.severity = diagnose::Severity::Error;
    finding.file = folder.file("NeedleTable/Pressure.csv");
    finding.line = 5;
    finding.column = 1;
    finding.field = "field 1";
    const std::string json = vehicleJson(folder, {finding});
    const std::string pressure = tableOf(json, "NeedleTable/Pressure.csv");
    EXPECT_NE(pressure.find("\"status\":\"stopped\""), std::string::npos) << pressure;
    EXPECT_NE(pressure.find("\"points\":[[0,0,2]]"), std::string::npos) << pressure;
    EXPECT_NE(pressure.find("\"unreadable\":{\"line\":5,\"field\":0,\"cells\":[\"\xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x90\","
                            "\"198\"]}"),
              std::string::npos)
        << pressure;
    EXPECT_NE(pressure.find("\"marks\":[{\"finding\":0,\"line\":5,\"field\":0}]"), std::string::npos) << pressure;
    for (const char* unread : {"NeedleTable/Speed.csv", "NeedleTable/Current.csv", "NeedleTable/Voltage.csv"}) {
        const std::string table = tableOf(json, unread);
        EXPECT_NE(table.find("\"status\":\"not read\",\"statusText\":\"not read: the start-up stopped at "
                             "NeedleTable/Pressure.csv, line 5\",\"series\":[]"),
                  std::string::npos)
            << table;
    }
    EXPECT_NE(tableOf(json, "notch/power_current.csv").find("\"status\":\"read\""), std::string::npos);
    EXPECT_NE(json.find("The start-up stopped at NeedleTable/Pressure.csv, line 5 (invalid stof argument)"),
              std::string::npos);
}

TEST(VehicleReport, ACurveFileStoppedMidwayShowsWhatWasReadAndACellFindingMarksItsColumnOnly) {
    TestFolder folder;
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    std::ifstream in(folder.file("notch/power_current.csv"));
    std::string header, first, second;
    std::getline(in, header);
    std::getline(in, first);
    std::getline(in, second);
    in.close();
    // Step 7's cell of the third data row (line 4) holds a letter O.
    folder.write("notch/power_current.csv", header + "\n" + second + "\n" + first + "\n10,1,2,3,4,5,6,O,8\n");
    diagnose::Finding finding;
    finding.severity = diagnose::Severity::Error;
    finding.file = folder.file("notch/power_current.csv");
    finding.line = 4;
    finding.column = 17;  // "10,1,2,3,4,5,6,O": the O
    finding.field = "field 8";
    const std::string json = vehicleJson(folder, {finding});
    const std::string power = tableOf(json, "notch/power_current.csv");
    EXPECT_NE(power.find("\"status\":\"stopped\""), std::string::npos);
    // Step 6 got its point of line 4 before step 7 failed; the points stay in file order, unsorted.
    EXPECT_NE(power.find("\"column\":6,\"name\":\"step 6 (the current lamp lights only above it)\",\"used\":true,"
                         "\"points\":[[5,220,2],[0,220,3],[10,6,4]]"),
              std::string::npos)
        << power;
    EXPECT_NE(power.find("\"unreadable\":{\"line\":4,\"field\":7,"), std::string::npos) << power;
    EXPECT_NE(power.find("\"marks\":[{\"finding\":0,\"line\":4,\"field\":7}]"), std::string::npos) << power;
    EXPECT_NE(tableOf(json, "notch/brake_current.csv").find("\"status\":\"not read\""), std::string::npos);
}

TEST(VehicleReport, FindingsOnDataRowsMarkTheirFileLines) {
    TestFolder folder;
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    folder.write("NeedleTable/Voltage.csv", "v,needle\n; comment\n0,0\n\n1500,1500\n1500,1600\n");
    diagnose::Finding finding;  // the duplicate input of data rows 2 and 3
    finding.severity = diagnose::Severity::Warning;
    finding.file = folder.file("NeedleTable/Voltage.csv");
    finding.line = 6;
    finding.column = 1;
    finding.rows = {2, 3};
    const std::string voltage = tableOf(vehicleJson(folder, {finding}), "NeedleTable/Voltage.csv");
    EXPECT_NE(voltage.find("\"points\":[[0,0,3],[1500,1500,5],[1500,1600,6]]"), std::string::npos) << voltage;
    EXPECT_NE(voltage.find("\"marks\":[{\"finding\":0,\"line\":6,\"field\":-1},{\"finding\":0,\"line\":5,"
                           "\"field\":-1}]"),
              std::string::npos)
        << voltage;
}

TEST(VehicleReport, ASkippedModuleIsAFindingOnceAndAStoppedLoadStillGivesAReport) {
    TestFolder folder;
    folder.write("detailmodulesx64.txt", "missing_one.dll\nmissing_two.dll\n");
    diagnose::Finding own;
    own.severity = diagnose::Severity::Warning;
    own.file = folder.file("detailmodulesx64.txt");
    own.line = 2;
    own.message = "the diagnosis's own";
    const std::string json = vehicleJson(folder, {own});
    EXPECT_EQ(count(json, "\"file\":\"detailmodulesx64.txt\",\"line\":"), 2) << json;
    // The empty line after the last module names no module: no finding, and
    // the module table says what it is.
    EXPECT_EQ(count(json, "\"empty\":false"), 2) << json;
    EXPECT_EQ(count(json, "\"empty\":true"), 1) << json;
    EXPECT_NE(json.find("\"line\":1,\"column\":0,\"field\":\"\",\"found\":\"missing_one.dll\",\"message\":\"the "
                        "plug-in skips this module: no such file\""),
              std::string::npos)
        << json;

    folder.write("NeedleTable/Speed.csv", "speed,needle\n0,0\n40,forty\n80,80\n");
    plugin::Plugin loaded;
    loaded.directory = folder.directory();
    plugin::load(loaded);
    ASSERT_TRUE(loaded.report.failure);
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
