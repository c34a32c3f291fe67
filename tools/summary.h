// The readable summary of a cabhost run: what the scenario did and what the
// plug-in showed in answer, one line per happening, in time order:
//   scenario  the scenario's events as written
//   lamps     the lamps at the start, then each lamp switching
//   sounds    sound commands: played (1), looped (0) and stopped (-10000),
//             each time an index takes one of them
//   handles   the handles Elapse returned, whenever they change
//   hold      hold stage 1 and 2 entered and left, as the plug-in's own state
//             has them (not guessed from the power output, which the cuts
//             also change)
//   cut       the start cut and the overlap cut beginning and ending
//   shift     the brake-shift mode on and off, and its release watch
//   digits    the four digit outputs of the adjustment mode
//   needles   the five needles, at the scenario's "needles" events and at the end
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/frame_view.h"
#include "tools/scenario.h"

namespace tools {

struct SummaryLine {
    int32_t timeMs;
    std::string topic;
    std::string text;
};

struct SummaryRecorder {
    std::vector<SummaryLine> lines;
    bool started = false;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    HandleCommand command{};
    CoreView core;  // the plug-in's state of the last frame, when the run has it
};

void summarizeEvent(SummaryRecorder& summary, int32_t timeMs, const ScenarioEvent& event);
void summarizeFrame(SummaryRecorder& summary, const FrameView& frame);
void summarizeNeedles(SummaryRecorder& summary, const FrameView& frame);

void writeSummary(const SummaryRecorder& summary, std::ostream& out);

}  // namespace tools
