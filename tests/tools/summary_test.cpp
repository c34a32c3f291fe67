#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "tools/summary.h"

namespace {

// The arrays of one frame, starting as the plug-in leaves them at rest.
struct Frame {
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    HandleCommand command{};
    int32_t timeMs = 0;

    Frame() {
        panel[42] = panel[43] = 1;
        for (int index : {220, 221, 222, 223}) panel[static_cast<std::size_t>(index)] = 10;
    }

    tools::FrameView view() const {
        tools::FrameView frame;
        frame.state.time = timeMs;
        frame.command = command;
        frame.panel = panel.data();
        frame.sound = sound.data();
        return frame;
    }
};

std::vector<std::string> linesAfter(tools::SummaryRecorder& summary, std::size_t from) {
    std::vector<std::string> lines;
    for (std::size_t k = from; k < summary.lines.size(); ++k)
        lines.push_back(summary.lines[k].topic + ": " + summary.lines[k].text);
    return lines;
}

TEST(Summary, TheFirstFrameListsLampsHandlesAndSounds) {
    tools::SummaryRecorder summary;
    Frame frame;
    frame.command = HandleCommand{8, 0, 0, 0};
    for (int index : {95, 96, 97, 98, 107}) frame.sound[static_cast<std::size_t>(index)] = SoundStop;
    tools::summarizeFrame(summary, frame.view());
    const std::vector<std::string> expected = {"handles: power 0, brake 8, reverser 0",
                                               "lamps: 41 off, 42 on, 43 on, 135 off, 136 off, 252 off",
                                               "sounds: stopped 95 96 97 98 107"};
    EXPECT_EQ(linesAfter(summary, 0), expected);
}

TEST(Summary, ReportsChangesOnly) {
    tools::SummaryRecorder summary;
    Frame frame;
    tools::summarizeFrame(summary, frame.view());
    const std::size_t start = summary.lines.size();

    frame.timeMs = 17;
    frame.panel[41] = 1;
    frame.panel[22] = 1234;  // needles are not happenings
    frame.sound[95] = SoundPlayOnce;
    frame.sound[228] = SoundStop;
    frame.sound[229] = SoundStop;
    tools::summarizeFrame(summary, frame.view());
    frame.timeMs = 33;
    frame.sound[95] = SoundContinue;  // 228 and 229 stay stopped: said once
    tools::summarizeFrame(summary, frame.view());

    const std::vector<std::string> expected = {
        "lamp: 41 on (current lamp)", "sound: played 95 (doors closed)",
        "sounds: stopped 228 (brake shift released), 229 (brake pressure rising)"};
    EXPECT_EQ(linesAfter(summary, start), expected);
}

// The hold stages and cuts come from the plug-in's state, not from the power
// output: an overlap cut that sets the power to 0 while hold stage 1 goes on
// must not read as the stage ending.
TEST(Summary, HoldStagesAndCutsFollowThePluginsOwnState) {
    tools::SummaryRecorder summary;
    Frame frame;
    tools::CoreView core;
    frame.command.reverser = 1;
    tools::FrameView view = frame.view();
    view.core = &core;
    tools::summarizeFrame(summary, view);
    const std::size_t start = summary.lines.size();
    struct Step {
        int32_t power;
        int32_t brake;
        int32_t stage;
        bool overlapCut;
    };
    for (const Step step : {Step{4, 0, 1, false}, Step{-4, 0, 1, false}, Step{0, 0, 1, true}, Step{0, 4, 1, false},
                            Step{-5, 0, 2, false}, Step{0, 0, 0, false}}) {
        frame.command.power = step.power;
        frame.command.brake = step.brake;
        core.holdStage = step.stage;
        core.overlapCut = step.overlapCut;
        view = frame.view();
        view.core = &core;
        tools::summarizeFrame(summary, view);
    }
    const std::vector<std::string> expected = {
        "handles: power 4, brake 0, reverser 1",
        "hold: stage 1 entered: power output 4",
        "handles: power -4, brake 0, reverser 1",
        "handles: power 0, brake 0, reverser 1",
        "cut: overlap cut began: power and brake output 0 until the current is 0",
        "handles: power 0, brake 4, reverser 1",
        "cut: overlap cut ended: the brake comes through, power output held at 0 while the overlap lasts",
        "handles: power -5, brake 0, reverser 1",
        "hold: stage 1 left: power output now -5",
        "hold: stage 2 entered: power output -5",
        "handles: power 0, brake 0, reverser 1",
        "hold: stage 2 left: power output now 0"};
    EXPECT_EQ(linesAfter(summary, start), expected);
}

TEST(Summary, WithoutTheCoreNoStageIsGuessedFromTheOutput) {
    tools::SummaryRecorder summary;
    Frame frame;
    for (int32_t power : {0, -4, -5, 0}) {
        frame.command.power = power;
        tools::summarizeFrame(summary, frame.view());
    }
    for (const tools::SummaryLine& line : summary.lines) EXPECT_NE(line.topic, "hold") << line.text;
}

TEST(Summary, DigitsShowTheAdjustmentValueAndBlanks) {
    tools::SummaryRecorder summary;
    Frame frame;
    tools::summarizeFrame(summary, frame.view());
    const std::size_t start = summary.lines.size();
    frame.panel[220] = 0;
    frame.panel[221] = 0;
    frame.panel[222] = 4;
    frame.panel[223] = 0;
    tools::summarizeFrame(summary, frame.view());
    frame.panel[220] = frame.panel[221] = frame.panel[222] = frame.panel[223] = 10;
    tools::summarizeFrame(summary, frame.view());
    const std::vector<std::string> expected = {"digits: 0040", "digits: ----"};
    EXPECT_EQ(linesAfter(summary, start), expected);
}

TEST(Summary, WritesOneAlignedLinePerHappening) {
    tools::SummaryRecorder summary;
    Frame frame;
    frame.timeMs = 12345;
    frame.panel[22] = 4266;
    tools::FrameView view = frame.view();
    view.state.speed = 42.3f;
    tools::summarizeNeedles(summary, view);
    std::ostringstream out;
    tools::writeSummary(summary, out);
    const std::string text = out.str();
    EXPECT_EQ(text.substr(0, text.find('\n')), "    12.345 s  needles   speed              22 = 4266    at 42.30 km/h");
    EXPECT_NE(text.find("\n                        current            26 = 0       at 0.0 A\n"), std::string::npos);
}

}  // namespace
