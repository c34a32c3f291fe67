#include "tools/summary.h"

#include <algorithm>
#include <cstdio>

#include "tools/panel_names.h"

namespace tools {

namespace {

constexpr int32_t kHoldStage1Power = -4;
constexpr int32_t kHoldStage2Power = -5;

void addLine(SummaryRecorder& summary, int32_t timeMs, const char* topic, std::string text) {
    summary.lines.push_back({timeMs, topic, std::move(text)});
}

std::string lampState(int32_t value) {
    if (value == 0) return "off";
    if (value == 1) return "on";
    return "at " + std::to_string(value);
}

std::string digitsShown(const int32_t* panel) {
    std::string shown;
    for (const int index : kDigitIndices) {
        const int32_t digit = panel[index];
        shown += digit == kBlankDigit ? std::string("-") : std::to_string(digit);
    }
    return shown;
}

bool digitsBlank(const int32_t* panel) {
    for (const int index : kDigitIndices)
        if (panel[index] != kBlankDigit) return false;
    return true;
}

std::string handlesText(const HandleCommand& command) {
    std::string text = "power " + std::to_string(command.power) + ", brake " + std::to_string(command.brake) +
                       ", reverser " + std::to_string(command.reverser);
    if (command.constantSpeed != 0) text += ", constant speed " + std::to_string(command.constantSpeed);
    return text;
}

bool sameHandles(const HandleCommand& a, const HandleCommand& b) {
    return a.power == b.power && a.brake == b.brake && a.reverser == b.reverser && a.constantSpeed == b.constantSpeed;
}

void summarizeHoldStage(SummaryRecorder& summary, int32_t timeMs, int stage, int32_t stagePower, int32_t before,
                        int32_t now) {
    const std::string name = "stage " + std::to_string(stage);
    if (before != stagePower && now == stagePower)
        addLine(summary, timeMs, "hold", name + " entered: power output " + std::to_string(stagePower));
    if (before == stagePower && now != stagePower)
        addLine(summary, timeMs, "hold", name + " left: power output now " + std::to_string(now));
}

void summarizeLamps(SummaryRecorder& summary, int32_t timeMs, const int32_t* panel) {
    for (const int index : kLampIndices) {
        if (panel[index] == summary.panel[static_cast<std::size_t>(index)]) continue;
        addLine(summary, timeMs, "lamp",
                std::to_string(index) + " " + lampState(panel[index]) + " (" + panelIndexName(index) + ")");
    }
}

void summarizeStartingLamps(SummaryRecorder& summary, int32_t timeMs, const int32_t* panel) {
    std::string text;
    for (const int index : kLampIndices) {
        if (!text.empty()) text += ", ";
        text += std::to_string(index) + " " + lampState(panel[index]);
    }
    addLine(summary, timeMs, "lamps", text);
}

// One line per kind of command that some index took in this frame.
void summarizeSounds(SummaryRecorder& summary, int32_t timeMs, const int32_t* sound) {
    const struct {
        int32_t command;
        const char* verb;
    } kinds[] = {{SoundPlayOnce, "played"}, {0, "looped"}, {SoundStop, "stopped"}};
    for (const auto& kind : kinds) {
        std::vector<int> indices;
        for (int i = 0; i < SoundArraySize; ++i)
            if (sound[i] == kind.command && summary.sound[static_cast<std::size_t>(i)] != kind.command)
                indices.push_back(i);
        if (indices.empty()) continue;
        // Names for a few sounds; a long list (the first frame's) reads better bare.
        const bool named = indices.size() <= 3;
        std::string text = kind.verb;
        for (std::size_t k = 0; k < indices.size(); ++k) {
            text += (k == 0 ? " " : named ? ", " : " ") + std::to_string(indices[k]);
            const char* name = soundIndexName(indices[k]);
            if (named && name != nullptr) text += std::string(" (") + name + ")";
        }
        addLine(summary, timeMs, indices.size() == 1 ? "sound" : "sounds", text);
    }
}

std::string needleLine(const char* name, int index, int32_t value, const char* input) {
    char text[160];
    std::snprintf(text, sizeof text, "%-15s %3d = %-7d %s", name, index, static_cast<int>(value), input);
    return text;
}

std::string inputText(const char* format, float value) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<double>(value));
    return text;
}

}  // namespace

void summarizeEvent(SummaryRecorder& summary, int32_t timeMs, const ScenarioEvent& event) {
    if (event.action == Action::Needles) return;
    if (event.action == Action::Note) {
        addLine(summary, timeMs, "note", event.text);
        return;
    }
    addLine(summary, timeMs, "scenario", event.statement);
}

void summarizeFrame(SummaryRecorder& summary, const FrameView& frame) {
    const int32_t timeMs = frame.state.time;
    if (!summary.started || !sameHandles(frame.command, summary.command))
        addLine(summary, timeMs, "handles", handlesText(frame.command));
    summarizeHoldStage(summary, timeMs, 1, kHoldStage1Power, summary.command.power, frame.command.power);
    summarizeHoldStage(summary, timeMs, 2, kHoldStage2Power, summary.command.power, frame.command.power);
    if (summary.started) {
        summarizeLamps(summary, timeMs, frame.panel);
        if (digitsShown(frame.panel) != digitsShown(summary.panel.data()))
            addLine(summary, timeMs, "digits", digitsShown(frame.panel));
    } else {
        summarizeStartingLamps(summary, timeMs, frame.panel);
        if (!digitsBlank(frame.panel)) addLine(summary, timeMs, "digits", digitsShown(frame.panel));
    }
    summarizeSounds(summary, timeMs, frame.sound);
    std::copy(frame.panel, frame.panel + PanelArraySize, summary.panel.begin());
    std::copy(frame.sound, frame.sound + SoundArraySize, summary.sound.begin());
    summary.command = frame.command;
    summary.started = true;
}

void summarizeNeedles(SummaryRecorder& summary, const FrameView& frame) {
    const VehicleState& state = frame.state;
    const std::string inputs[] = {inputText("at %.2f km/h", state.speed), inputText("at %.1f A", state.current),
                                  inputText("at %.1f kPa", state.bcPressure),
                                  inputText("at %.1f kPa", state.mrPressure), std::string()};
    for (std::size_t k = 0; k < kNeedles.size(); ++k) {
        const NeedleIndex& needle = kNeedles[k];
        addLine(summary, state.time, k == 0 ? "needles" : "",
                needleLine(needle.name, needle.index, frame.panel[needle.index], inputs[k].c_str()));
    }
}

void writeSummary(const SummaryRecorder& summary, std::ostream& out) {
    char prefix[64];
    for (const SummaryLine& line : summary.lines) {
        if (line.topic.empty())
            std::snprintf(prefix, sizeof prefix, "%24s", "");
        else
            std::snprintf(prefix, sizeof prefix, "%10.3f s  %-9s ", line.timeMs / 1000.0, line.topic.c_str());
        std::string text = std::string(prefix) + line.text;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << '\n';
    }
}

}  // namespace tools
