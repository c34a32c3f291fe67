#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>

#include "tools/trace.h"

namespace {

std::vector<std::string> csvLines(const tools::TraceRecorder& trace) {
    std::ostringstream out;
    tools::writeTraceCsv(trace, out);
    std::istringstream in(out.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The value of column `name` in each data row.
std::vector<std::string> column(const std::vector<std::string>& lines, const std::string& name) {
    auto fields = [](const std::string& line) {
        std::vector<std::string> cells;
        std::istringstream in(line);
        for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
        return cells;
    };
    const std::vector<std::string> header = fields(lines[0]);
    const auto at = static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    std::vector<std::string> values;
    for (std::size_t k = 1; k < lines.size(); ++k) values.push_back(at < header.size() ? fields(lines[k])[at] : "?");
    return values;
}

TEST(Trace, OneRowPerFrameWithInputsHandlesAndEveryIndexWritten) {
    tools::TraceRecorder trace;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    tools::FrameView frame;
    frame.panel = panel.data();
    frame.sound = sound.data();
    frame.state.speed = 12.5f;
    frame.state.current = -300.25f;
    frame.driver = {0, 4, 1};
    frame.command = {0, -4, 1, 0};
    panel[22] = 1250;
    sound[95] = SoundStop;
    tools::recordTraceFrame(trace, frame);
    frame.state.time = 17;
    panel[22] = 1300;
    panel[200] = 7;  // an index only a module writes
    sound[95] = SoundContinue;
    tools::recordTraceFrame(trace, frame);
    frame.state.time = 33;
    tools::recordTraceFrame(trace, frame);

    const std::vector<std::string> lines = csvLines(trace);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("time_s,time_ms,location_m,speed_kmh,current_a,bc_kpa,mr_kpa,power_in,brake_in,"
                             "reverser_in,power_out,brake_out,reverser_out,constant_speed_out,panel_3,panel_22,",
                             0),
              0u);
    EXPECT_EQ(lines[2].rfind("0.017,17,0.00,12.500,-300.25,0.00,0.00,0,4,1,-4,0,1,0,0,1300,0,0,", 0), 0u) << lines[2];
    EXPECT_EQ(column(lines, "panel_22"), (std::vector<std::string>{"1250", "1300", "1300"}));
    EXPECT_EQ(column(lines, "panel_200"), (std::vector<std::string>{"0", "7", "7"}));
    EXPECT_EQ(column(lines, "sound_95"), (std::vector<std::string>{"-10000", "2", "2"}));
    EXPECT_EQ(column(lines, "sound_229"), (std::vector<std::string>{"0", "0", "0"}));
    EXPECT_EQ(column(lines, "panel_201"), (std::vector<std::string>{"?", "?", "?"}));  // never written: no column
}

}  // namespace
