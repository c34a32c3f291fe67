#include "tools/summary.h"

#include <algorithm>
#include <cstdio>

#include "messages/messages.h"
#include "tools/console_text.h"
#include "tools/panel_names.h"

namespace tools {

namespace {

void addLine(SummaryRecorder& summary, int32_t timeMs, const char* topic, std::string text) {
    summary.lines.push_back({timeMs, topic, std::move(text)});
}

std::string lampState(int32_t value) {
    if (value == 0) return messages::tr("off");
    if (value == 1) return messages::tr("on");
    return messages::trf("at {1}", {std::to_string(value)});
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
    std::string text = messages::trf("power {1}, brake {2}, reverser {3}",
                                     {std::to_string(command.power), std::to_string(command.brake),
                                      std::to_string(command.reverser)});
    if (command.constantSpeed != 0)
        text += messages::trf(", constant speed {1}", {std::to_string(command.constantSpeed)});
    return text;
}

bool sameHandles(const HandleCommand& a, const HandleCommand& b) {
    return a.power == b.power && a.brake == b.brake && a.reverser == b.reverser && a.constantSpeed == b.constantSpeed;
}

void summarizeHoldStage(SummaryRecorder& summary, int32_t timeMs, int32_t before, int32_t now, int32_t power) {
    if (before == now) return;
    const std::string output = std::to_string(power);
    if (before != 0)
        addLine(summary, timeMs, "hold",
                messages::trf("stage {1} left: power output now {2}", {std::to_string(before), output}));
    if (now != 0)
        addLine(summary, timeMs, "hold",
                messages::trf("stage {1} entered: power output {2}", {std::to_string(now), output}));
}

void summarizeSwitch(SummaryRecorder& summary, int32_t timeMs, const char* topic, bool before, bool now,
                     const char* began, const char* ended) {
    if (before != now) addLine(summary, timeMs, topic, now ? began : ended);
}

// The plug-in's own state, as far as it changed since the last frame.
void summarizeCore(SummaryRecorder& summary, int32_t timeMs, const CoreView& now, const HandleCommand& command) {
    const CoreView& before = summary.core;
    summarizeHoldStage(summary, timeMs, before.holdStage, now.holdStage, command.power);
    summarizeSwitch(summary, timeMs, "cut", before.startCut, now.startCut,
                    messages::tr("start cut began: reverser output 0 until the current is 0"),
                    messages::tr("start cut ended"));
    summarizeSwitch(summary, timeMs, "cut", before.overlapCut, now.overlapCut,
                    messages::tr("overlap cut began: power and brake output 0 until the current is 0"),
                    messages::tr("overlap cut ended: the brake comes through, power output held at 0 while the "
                                 "overlap lasts"));
    summarizeSwitch(summary, timeMs, "shift", before.brakeShift, now.brakeShift, messages::tr("brake-shift mode on"),
                    messages::tr("brake-shift mode off"));
    summarizeSwitch(summary, timeMs, "shift", before.releaseWatch, now.releaseWatch,
                    messages::tr("release watch began"), messages::tr("release watch ended"));
    summary.core = now;
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
    for (const int index : kLampIndices)
        text = appendedToList(text, std::to_string(index) + " " + lampState(panel[index]));
    addLine(summary, timeMs, "lamps", text);
}

// One line per kind of command that some index took in this frame.
void summarizeSounds(SummaryRecorder& summary, int32_t timeMs, const int32_t* sound) {
    const struct {
        int32_t command;
        const char* verb;
    } kinds[] = {{SoundPlayOnce, messages::tr("played")}, {0, messages::tr("looped")},
                 {SoundStop, messages::tr("stopped")}};
    for (const auto& kind : kinds) {
        std::vector<int> indices;
        for (int i = 0; i < SoundArraySize; ++i)
            if (sound[i] == kind.command && summary.sound[static_cast<std::size_t>(i)] != kind.command)
                indices.push_back(i);
        if (indices.empty()) continue;
        // Names for a few sounds; a long list (the first frame's) reads better bare.
        const bool named = indices.size() <= 3;
        std::string list;
        for (const int index : indices) {
            const char* name = soundIndexName(index);
            const std::string item = named && name != nullptr ? std::to_string(index) + " (" + name + ")"
                                                              : std::to_string(index);
            if (named) {
                list = appendedToList(list, item);
            } else {
                if (!list.empty()) list += ' ';
                list += item;
            }
        }
        addLine(summary, timeMs, indices.size() == 1 ? "sound" : "sounds", std::string(kind.verb) + " " + list);
    }
}


std::string inputText(const char* format, float value) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<double>(value));
    return text;
}

// Wide enough for the longest topic and needle name in either language, so
// that English and Japanese summaries keep the same columns.
constexpr std::size_t kTopicWidth = 9;
constexpr std::size_t kNeedleNameWidth = 17;

// The topic as the author reads it; the record keeps the English key.
std::string topicWord(const std::string& topic) {
    if (topic == "scenario") return messages::tr("scenario");
    if (topic == "note") return messages::tr("note");
    if (topic == "handles") return messages::tr("handles");
    if (topic == "lamps") return messages::tr("lamps");
    if (topic == "lamp") return messages::tr("lamp");
    if (topic == "sound") return messages::tr("sound");
    if (topic == "sounds") return messages::tr("sounds");
    if (topic == "hold") return messages::tr("hold");
    if (topic == "cut") return messages::tr("cut");
    if (topic == "shift") return messages::tr("shift");
    if (topic == "digits") return messages::tr("digits");
    if (topic == "needles") return messages::tr("needles");
    return topic;
}

std::string needleLine(const char* name, int index, int32_t value, const char* input) {
    char text[96];
    std::snprintf(text, sizeof text, " %3d = %-7d %s", index, static_cast<int>(value), input);
    return padded(name, kNeedleNameWidth) + text;
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
    if (frame.core) summarizeCore(summary, timeMs, *frame.core, frame.command);
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
    const std::string inputs[] = {messages::trf("at {1} km/h", {inputText("%.2f", state.speed)}),
                                  messages::trf("at {1} A", {inputText("%.1f", state.current)}),
                                  messages::trf("at {1} kPa", {inputText("%.1f", state.bcPressure)}),
                                  messages::trf("at {1} kPa", {inputText("%.1f", state.mrPressure)}), std::string()};
    for (std::size_t k = 0; k < kNeedleIndices.size(); ++k) {
        const int index = kNeedleIndices[k];
        addLine(summary, state.time, k == 0 ? "needles" : "",
                needleLine(needleName(index), index, frame.panel[index], inputs[k].c_str()));
    }
}

void writeSummary(const SummaryRecorder& summary, std::ostream& out) {
    char prefix[64];
    for (const SummaryLine& line : summary.lines) {
        if (line.topic.empty()) {
            std::snprintf(prefix, sizeof prefix, "%24s", "");
        } else {
            const std::string topic = padded(topicWord(line.topic), kTopicWidth);
            std::snprintf(prefix, sizeof prefix, "%10.3f s  %s ", line.timeMs / 1000.0, topic.c_str());
        }
        std::string text = std::string(prefix) + line.text;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << '\n';
    }
}

}  // namespace tools
