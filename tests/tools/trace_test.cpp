#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>

#include "tools/trace.h"

namespace {

// The lines of a trace written from `frames`, and its comment lines apart.
struct WrittenTrace {
    std::vector<std::string> comments;
    std::vector<std::string> lines;  // the column names, then one row a frame
};

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> cells;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    return cells;
}

// The value of column `name` in each row; "?" when there is no such column.
std::vector<std::string> column(const WrittenTrace& trace, const std::string& name) {
    const std::vector<std::string> header = fields(trace.lines[0]);
    const auto at = static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    std::vector<std::string> values;
    for (std::size_t k = 1; k < trace.lines.size(); ++k) {
        const std::vector<std::string> row = fields(trace.lines[k]);
        EXPECT_EQ(row.size(), header.size()) << trace.lines[k];
        values.push_back(at < header.size() ? row[at] : "?");
    }
    return values;
}

struct TracedRun {
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    std::ostringstream out;
    tools::TraceWriter trace{&out};
    tools::FrameView frame;

    TracedRun() {
        frame.panel = panel.data();
        frame.sound = sound.data();
        tools::writeTraceHeader(trace, {"a run", "where the state comes from"});
    }
    void play() { tools::writeTraceFrame(trace, frame); }
    WrittenTrace written() const {
        WrittenTrace result;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            (line.rfind("# ", 0) == 0 ? result.comments : result.lines).push_back(line);
        return result;
    }
};

TEST(Trace, OneRowPerFrameWithInputsHandlesTheOwnedIndicesAndOtherChanges) {
    TracedRun run;
    run.frame.state.speed = 12.5f;
    run.frame.state.current = -300.25f;
    run.frame.driver = {0, 4, 1};
    run.frame.command = {0, -4, 1, 0};
    run.panel[22] = 1250;
    run.sound[95] = SoundStop;
    run.play();
    run.frame.state.time = 17;
    run.panel[22] = 1300;
    run.panel[200] = 7;  // an index only a module writes
    run.sound[5] = 1;
    run.sound[95] = SoundContinue;
    run.play();
    run.frame.state.time = 33;
    run.play();

    const WrittenTrace trace = run.written();
    EXPECT_EQ(trace.comments, (std::vector<std::string>{"# a run", "# where the state comes from"}));
    ASSERT_EQ(trace.lines.size(), 4u);
    EXPECT_EQ(trace.lines[0].rfind("time_s,time_ms,location_m,speed_kmh,current_a,bc_kpa,mr_kpa,power_in,brake_in,"
                                   "reverser_in,power_out,brake_out,reverser_out,constant_speed_out,hold_stage,",
                                   0),
              0u);
    EXPECT_EQ(trace.lines[2].rfind("0.017,17,0.00,12.500,-300.25,0.00,0.00,0,4,1,-4,0,1,0,,,", 0), 0u)
        << trace.lines[2];
    EXPECT_EQ(column(trace, "panel_22"), (std::vector<std::string>{"1250", "1300", "1300"}));
    EXPECT_EQ(column(trace, "sound_95"), (std::vector<std::string>{"-10000", "2", "2"}));
    EXPECT_EQ(column(trace, "sound_229"), (std::vector<std::string>{"0", "0", "0"}));
    EXPECT_EQ(column(trace, "other_changes"), (std::vector<std::string>{"", "panel 200=7 sound 5=1", ""}));
    EXPECT_EQ(column(trace, "panel_200"), (std::vector<std::string>{"?", "?", "?"}));
    EXPECT_EQ(column(trace, "hold_stage"), (std::vector<std::string>{"", "", ""}));  // no core in this run
}

TEST(Trace, ThePluginsStateAndTheCurvesItComparedWith) {
    TracedRun run;
    tools::CoreView core;
    core.holdStage = 2;
    core.overlapCut = true;
    core.lineVoltage = 1512.5f;
    core.powerCurves = {10, 20, 30, 40, 50.25f};
    core.holdCurves = {0, 133.3f};
    run.frame.core = &core;
    run.play();
    const WrittenTrace trace = run.written();
    EXPECT_EQ(column(trace, "hold_stage"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(column(trace, "overlap_cut"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(column(trace, "start_cut"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(column(trace, "line_voltage_v"), (std::vector<std::string>{"1512.5"}));
    EXPECT_EQ(column(trace, "step_curve_5"), (std::vector<std::string>{"50.25"}));
    EXPECT_EQ(column(trace, "hold2_curve_a"), (std::vector<std::string>{"133.30"}));
}

}  // namespace
