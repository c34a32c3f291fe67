#include "tools/player.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "panel/curve.h"
#include "platform/platform.h"

namespace tools {

namespace {

struct PlayState {
    std::array<InputChannel, 4> inputs;
    DriverInput driver;
    std::vector<int32_t> keysToRelease;
    bool needlesWanted = false;
};

InputChannel& channelOf(PlayState& play, Input input) {
    return play.inputs[static_cast<std::size_t>(input)];
}

int64_t frameTimeMs(int64_t frame, double frameMs) {
    return std::llround(static_cast<double>(frame) * frameMs);
}

// A call to the in-process core contains its errors the way the exported
// entry points do, so that the core answers as the library would.
template <typename Call>
void guarded(Call call) noexcept {
    try {
        call();
    } catch (...) {
    }
}

void callCore(plugin::Plugin& core, const ScenarioEvent& event) {
    switch (event.action) {
        case Action::Power: return plugin::setPower(core, event.value);
        case Action::Brake: return plugin::setBrake(core, event.value);
        case Action::Reverser: return plugin::setReverser(core, event.value);
        case Action::KeyDown:
        case Action::KeyPress: return plugin::keyDown(core, event.value, platform::shiftHeld());
        case Action::KeyUp: return plugin::keyUp(core, event.value);
        case Action::DoorsOpen: return plugin::doorOpen(core);
        case Action::DoorsClose: return plugin::doorClose(core);
        case Action::Horn: return plugin::hornBlow(core, event.value);
        case Action::Signal: return plugin::setSignal(core, event.value);
        case Action::Beacon: return plugin::setBeaconData(core, event.beacon);
        default: return;
    }
}

// The same call to the in-process core, when there is one.
void deliverToCore(plugin::Plugin& core, const ScenarioEvent& event) {
    guarded([&] { callCore(core, event); });
}

void deliverEvent(const host::EntryPoints& plugin, const ScenarioEvent& event, int64_t timeMs, PlayState& play) {
    switch (event.action) {
        case Action::Power:
            play.driver.power = event.value;
            if (plugin.SetPower) plugin.SetPower(event.value);
            break;
        case Action::Brake:
            play.driver.brake = event.value;
            if (plugin.SetBrake) plugin.SetBrake(event.value);
            break;
        case Action::Reverser:
            play.driver.reverser = event.value;
            if (plugin.SetReverser) plugin.SetReverser(event.value);
            break;
        case Action::KeyDown:
            if (plugin.KeyDown) plugin.KeyDown(event.value);
            break;
        case Action::KeyUp:
            if (plugin.KeyUp) plugin.KeyUp(event.value);
            break;
        case Action::KeyPress:
            if (plugin.KeyDown) plugin.KeyDown(event.value);
            play.keysToRelease.push_back(event.value);
            break;
        case Action::DoorsOpen:
            if (plugin.DoorOpen) plugin.DoorOpen();
            break;
        case Action::DoorsClose:
            if (plugin.DoorClose) plugin.DoorClose();
            break;
        case Action::Horn:
            if (plugin.HornBlow) plugin.HornBlow(event.value);
            break;
        case Action::Signal:
            if (plugin.SetSignal) plugin.SetSignal(event.value);
            break;
        case Action::Beacon:
            if (plugin.SetBeaconData) plugin.SetBeaconData(event.beacon);
            break;
        case Action::SetInput:
        case Action::RampInput:
        case Action::ModelInput:
            applyInputEvent(channelOf(play, event.input), event, timeMs);
            break;
        case Action::Needles:
            play.needlesWanted = true;
            break;
        case Action::Note:
        case Action::End:
            break;
    }
}

// A key pressed in one frame is released before the next.
void releaseKeys(const host::EntryPoints& plugin, CoreMirror* core, PlayState& play) {
    for (const int32_t key : play.keysToRelease) {
        if (plugin.KeyUp) plugin.KeyUp(key);
        if (core) guarded([&] { plugin::keyUp(core->plugin, key); });
    }
    play.keysToRelease.clear();
}

std::string handlesText(const HandleCommand& command) {
    char text[96];
    std::snprintf(text, sizeof text, "power %d, brake %d, reverser %d, constant speed %d",
                  static_cast<int>(command.power), static_cast<int>(command.brake),
                  static_cast<int>(command.reverser), static_cast<int>(command.constantSpeed));
    return text;
}

std::string firstDifference(const char* what, const int32_t* library, const int32_t* core, int size, int skipped) {
    for (int i = 0; i < size; ++i) {
        if (i == skipped || library[i] == core[i]) continue;
        return std::string(what) + " " + std::to_string(i) + ": library " + std::to_string(library[i]) +
               ", source " + std::to_string(core[i]);
    }
    return {};
}

float curveValue(const std::vector<panel::CurveTable>& curves, std::size_t index, float speed) {
    return index < curves.size() ? panel::interpolateCurve(speed, curves[index]) : 0.0f;
}

// The vehicle state of this frame; scripted speed and pressure also become
// the model's, so it carries on from them when it takes over again.
VehicleState frameState(PlayState& play, VehicleModel& model, int64_t timeMs) {
    VehicleState state{};
    state.time = static_cast<int32_t>(timeMs);
    state.speed = channelValue(channelOf(play, Input::Speed), static_cast<float>(model.speed), timeMs);
    state.current = channelValue(channelOf(play, Input::Current), modelCurrent(model), timeMs);
    state.bcPressure = channelValue(channelOf(play, Input::BcPressure), static_cast<float>(model.bcPressure), timeMs);
    state.mrPressure = channelValue(channelOf(play, Input::MrPressure), kDefaultMrPressure, timeMs);
    model.speed = state.speed;
    model.bcPressure = state.bcPressure;
    state.location = model.location;
    return state;
}

}  // namespace

std::string compareOutputs(const HandleCommand& library, const int32_t* libraryPanel, const int32_t* librarySound,
                           const HandleCommand& core, const int32_t* corePanel, const int32_t* coreSound) {
    if (library.power != core.power || library.brake != core.brake || library.reverser != core.reverser ||
        library.constantSpeed != core.constantSpeed)
        return "handles: library " + handlesText(library) + "; source " + handlesText(core);
    std::string difference = firstDifference("panel", libraryPanel, corePanel, PanelArraySize, kLineVoltageNeedle);
    if (difference.empty()) difference = firstDifference("sound", librarySound, coreSound, SoundArraySize, -1);
    return difference;
}

void readCoreView(CoreMirror& core, const VehicleState& state) {
    const sim::SimState& sim = core.plugin.sim;
    CoreView& view = core.view;
    view.holdStage = sim.holdStage1 ? 1 : sim.holdStage2 ? 2 : 0;
    view.startCut = sim.startCutPending;
    // A cut that meets a current of 0 ends in the frame it begins; it still
    // zeroed that frame's power and brake output.
    view.overlapCut = sim.overlapCut || (sim.overlapSeen && !core.overlapSeen);
    core.overlapSeen = sim.overlapSeen;
    view.brakeShift = sim.brakeShiftMode;
    view.releaseWatch = sim.pressureWatch;
    view.auxPressure = sim.auxPressure;
    view.lineVoltage = sim.lineVoltage;
    view.ammeter = sim.ammeterCurrent;
    // The frame compares at the absolute speed, with the same lookup.
    const float speed = std::fabs(state.speed);
    const config::NotchConfig& notch = core.plugin.notch;
    for (std::size_t k = 0; k < view.powerCurves.size(); ++k)
        view.powerCurves[k] = curveValue(notch.powerCurrentCurves, k, speed);
    view.holdCurves = {curveValue(notch.brakeCurrentCurves, 3, speed), curveValue(notch.brakeCurrentCurves, 4, speed)};
}

float channelValue(InputChannel& channel, float modelValue, int64_t timeMs) {
    switch (channel.mode) {
        case InputChannel::Mode::Model:
            channel.last = modelValue;
            break;
        case InputChannel::Mode::Fixed:
            channel.last = channel.to;
            break;
        case InputChannel::Mode::Ramp:
            if (timeMs >= channel.endMs) {
                channel.mode = InputChannel::Mode::Fixed;
                channel.last = channel.to;
            } else {
                const double part = static_cast<double>(timeMs - channel.startMs) /
                                    static_cast<double>(channel.endMs - channel.startMs);
                channel.last = static_cast<float>(channel.from + (channel.to - channel.from) * part);
            }
            break;
    }
    return channel.last;
}

void applyInputEvent(InputChannel& channel, const ScenarioEvent& event, int64_t timeMs) {
    if (event.action == Action::ModelInput) {
        channel.mode = InputChannel::Mode::Model;
    } else if (event.action == Action::SetInput) {
        channel.mode = InputChannel::Mode::Fixed;
        channel.to = event.target;
    } else {
        channel.mode = InputChannel::Mode::Ramp;
        channel.from = channel.last;
        channel.to = event.target;
        channel.startMs = timeMs;
        channel.endMs = timeMs + event.rampMs;
    }
}

void playScenario(const host::EntryPoints& plugin, CoreMirror* core, const Scenario& scenario,
                  const RunSettings& settings, VehicleModel& model, RunRecord& record, const ProgressReport& progress) {
    PlayState play;
    InputChannel& mr = channelOf(play, Input::MrPressure);
    mr.mode = InputChannel::Mode::Fixed;
    mr.to = mr.last = kDefaultMrPressure;
    model.brakeNotches = settings.spec.brakeNotches;

    if (plugin.SetVehicleSpec) plugin.SetVehicleSpec(settings.spec);
    if (plugin.Initialize) plugin.Initialize(settings.initializeArgument);
    if (core) {
        guarded([&] { plugin::setVehicleSpec(core->plugin, settings.spec); });
        guarded([&] { plugin::initialize(core->plugin, settings.initializeArgument); });
    }

    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    std::size_t nextEvent = 0;
    for (int64_t frame = 0;; ++frame) {
        const int64_t timeMs = frameTimeMs(frame, settings.frameMs);
        if (timeMs > scenario.endMs) break;
        releaseKeys(plugin, core, play);
        for (; nextEvent < scenario.events.size() && scenario.events[nextEvent].timeMs <= timeMs; ++nextEvent) {
            const ScenarioEvent& event = scenario.events[nextEvent];
            summarizeEvent(record.summary, static_cast<int32_t>(timeMs), event);
            deliverEvent(plugin, event, timeMs, play);
            if (core) deliverToCore(core->plugin, event);
        }

        FrameView view;
        view.state = frameState(play, model, timeMs);
        view.driver = play.driver;
        view.command = plugin.Elapse ? plugin.Elapse(view.state, panel.data(), sound.data()) : HandleCommand{};
        view.panel = panel.data();
        view.sound = sound.data();
        if (core) {
            HandleCommand coreCommand{};
            guarded([&] {
                coreCommand = plugin::elapse(core->plugin, view.state, core->panel.data(), core->sound.data());
            });
            readCoreView(*core, view.state);
            view.core = &core->view;
            record.divergence = compareOutputs(view.command, view.panel, view.sound, coreCommand,
                                               core->panel.data(), core->sound.data());
        }
        const int64_t nextTimeMs = frameTimeMs(frame + 1, settings.frameMs);
        const bool lastFrame = nextTimeMs > scenario.endMs;
        for (const FrameObserver& observer : record.observers) observer(view);
        summarizeFrame(record.summary, view);
        if (play.needlesWanted || lastFrame) summarizeNeedles(record.summary, view);
        play.needlesWanted = false;
        record.frames = frame + 1;
        record.lastTimeMs = view.state.time;
        if (progress) progress(view.state.time);
        if (!record.divergence.empty()) break;

        advanceModel(model, view.command, static_cast<int32_t>(nextTimeMs - timeMs));
    }
}

}  // namespace tools
