#include "tools/player.h"

#include <array>
#include <cmath>
#include <vector>

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
void releaseKeys(const host::EntryPoints& plugin, PlayState& play) {
    for (const int32_t key : play.keysToRelease)
        if (plugin.KeyUp) plugin.KeyUp(key);
    play.keysToRelease.clear();
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

void playScenario(const host::EntryPoints& plugin, const Scenario& scenario, const RunSettings& settings,
                  VehicleModel& model, RunRecord& record, const ProgressReport& progress) {
    PlayState play;
    InputChannel& mr = channelOf(play, Input::MrPressure);
    mr.mode = InputChannel::Mode::Fixed;
    mr.to = mr.last = kDefaultMrPressure;
    model.brakeNotches = settings.spec.brakeNotches;

    if (plugin.SetVehicleSpec) plugin.SetVehicleSpec(settings.spec);
    if (plugin.Initialize) plugin.Initialize(settings.initializeArgument);

    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    std::size_t nextEvent = 0;
    for (int64_t frame = 0;; ++frame) {
        const int64_t timeMs = frameTimeMs(frame, settings.frameMs);
        if (timeMs > scenario.endMs) break;
        releaseKeys(plugin, play);
        for (; nextEvent < scenario.events.size() && scenario.events[nextEvent].timeMs <= timeMs; ++nextEvent) {
            const ScenarioEvent& event = scenario.events[nextEvent];
            summarizeEvent(record.summary, static_cast<int32_t>(timeMs), event);
            deliverEvent(plugin, event, timeMs, play);
        }

        FrameView view;
        view.state = frameState(play, model, timeMs);
        view.driver = play.driver;
        view.command = plugin.Elapse ? plugin.Elapse(view.state, panel.data(), sound.data()) : HandleCommand{};
        view.panel = panel.data();
        view.sound = sound.data();
        const int64_t nextTimeMs = frameTimeMs(frame + 1, settings.frameMs);
        const bool lastFrame = nextTimeMs > scenario.endMs;
        recordTraceFrame(record.trace, view);
        summarizeFrame(record.summary, view);
        if (play.needlesWanted || lastFrame) summarizeNeedles(record.summary, view);
        play.needlesWanted = false;
        record.frames = frame + 1;
        if (progress) progress(view.state.time);

        advanceModel(model, view.command, static_cast<int32_t>(nextTimeMs - timeMs));
    }
}

}  // namespace tools
