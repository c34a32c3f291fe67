// Plays a scenario against a plug-in's entry points: SetVehicleSpec, Initialize,
// then one Elapse per frame at a fixed frame period, with the scenario's
// events delivered before the first frame at or after their time, and the
// needles summarized at "needles" events and at the last frame. Inputs the
// scenario does not script come from the vehicle model, which runs on the
// handles Elapse returns.
#pragma once

#include <cstdint>
#include <functional>

#include "plugin/abi.h"
#include "tools/scenario.h"
#include "tools/summary.h"
#include "tools/trace.h"
#include "tools/vehicle_model.h"

namespace tools {

constexpr double kDefaultFrameMs = 1000.0 / 60.0;
constexpr float kDefaultMrPressure = 800;

struct RunSettings {
    VehicleSpec spec{};
    int32_t initializeArgument = 0;
    double frameMs = kDefaultFrameMs;
};

// Where one vehicle state input comes from.
struct InputChannel {
    enum class Mode { Model, Fixed, Ramp };
    Mode mode = Mode::Model;
    float from = 0;
    float to = 0;
    int64_t startMs = 0;
    int64_t endMs = 0;
    float last = 0;  // the value of the last frame
};

// The input's value at `timeMs`: the model's value, the value set, or the
// point reached on the ramp. Remembers it as the channel's last value.
float channelValue(InputChannel& channel, float modelValue, int64_t timeMs);

// Points the channel at what an input event asks for, from `timeMs` on.
void applyInputEvent(InputChannel& channel, const ScenarioEvent& event, int64_t timeMs);

struct RunRecord {
    TraceRecorder trace;
    SummaryRecorder summary;
    int64_t frames = 0;
};

// Called after every frame with the frame's time.
using ProgressReport = std::function<void(int32_t timeMs)>;

void playScenario(const host::EntryPoints& plugin, const Scenario& scenario, const RunSettings& settings,
                  VehicleModel& model, RunRecord& record, const ProgressReport& progress);

}  // namespace tools
