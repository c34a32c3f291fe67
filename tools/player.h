// Plays a scenario against a plug-in's entry points: SetVehicleSpec, Initialize,
// then one Elapse per frame at a fixed frame period, with the scenario's
// events delivered before the first frame at or after their time, and the
// needles summarized at "needles" events and at the last frame. Inputs the
// scenario does not script come from the vehicle model, which runs on the
// handles Elapse returns.
//
// Beside the loaded library the player can drive a second copy of the
// plug-in's code in its own process (the core), call for call on the same
// inputs. The core is where the frame's inner state (hold stage, cuts,
// brake-shift mode) is read from; and since both run the same source, any
// frame in which their outputs differ ends the run with a divergence.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plugin/abi.h"
#include "plugin/plugin.h"
#include "tools/scenario.h"
#include "tools/summary.h"
#include "tools/frame_view.h"
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

// The in-process core and the arrays it writes. Its detail modules must be
// instances of their own, never the library's: a module called by both
// chains would see every call twice.
struct CoreMirror {
    plugin::Plugin plugin;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    CoreView view;
    bool overlapSeen = false;  // the core's, as of the frame before
};

// The line-voltage needle follows a random walk that each copy of the
// plug-in draws for itself, so it is left out of the comparison.
constexpr int kLineVoltageNeedle = 232;

// Empty when the library and the core returned the same outputs in this
// frame; otherwise what differed, in a few words.
std::string compareOutputs(const HandleCommand& library, const int32_t* libraryPanel, const int32_t* librarySound,
                           const HandleCommand& core, const int32_t* corePanel, const int32_t* coreSound);

// Reads the core's state after a frame into `core.view`.
void readCoreView(CoreMirror& core, const VehicleState& state);

using FrameObserver = std::function<void(const FrameView&)>;

struct RunRecord {
    SummaryRecorder summary;
    std::vector<FrameObserver> observers;  // each gets every frame, in order
    int64_t frames = 0;
    int32_t lastTimeMs = 0;  // of the last frame played
    // Set when the library and the core disagreed; the run stops at that frame.
    std::string divergence;
};

// Called after every frame with the frame's time.
using ProgressReport = std::function<void(int32_t timeMs)>;

// `core` may be null: the run then has the library alone and no inner state.
void playScenario(const host::EntryPoints& plugin, CoreMirror* core, const Scenario& scenario,
                  const RunSettings& settings, VehicleModel& model, RunRecord& record, const ProgressReport& progress);

}  // namespace tools
