// The player against a stand-in plug-in made of functions of this file, so
// that what cabhost calls, and when, can be seen call by call.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tools/player.h"

namespace {

std::vector<std::string> calls;
std::vector<VehicleState> states;
HandleCommand answer{};

void record(const std::string& call) {
    calls.push_back(call);
}

host::EntryPoints standInPlugin() {
    host::EntryPoints plugin;
    plugin.SetVehicleSpec = [](VehicleSpec spec) { record("SetVehicleSpec " + std::to_string(spec.brakeNotches)); };
    plugin.Initialize = [](int32_t position) { record("Initialize " + std::to_string(position)); };
    plugin.Elapse = [](VehicleState state, int32_t* panel, int32_t*) {
        record("Elapse " + std::to_string(state.time));
        states.push_back(state);
        panel[22] = static_cast<int32_t>(state.speed * 100);
        return answer;
    };
    plugin.SetPower = [](int32_t notch) { record("SetPower " + std::to_string(notch)); };
    plugin.KeyDown = [](int32_t key) { record("KeyDown " + std::to_string(key)); };
    plugin.KeyUp = [](int32_t key) { record("KeyUp " + std::to_string(key)); };
    plugin.DoorClose = [] { record("DoorClose"); };
    return plugin;
}

tools::RunRecord play(const std::string& text, double frameMs = 1000.0 / 60) {
    calls.clear();
    states.clear();
    answer = HandleCommand{};
    const tools::ParsedScenario parsed = tools::parseScenario(text, "test.txt");
    EXPECT_FALSE(parsed.error);
    tools::RunSettings settings{parsed.scenario.spec, parsed.scenario.initializeArgument, frameMs};
    tools::VehicleModel model;
    tools::RunRecord record;
    tools::playScenario(standInPlugin(), nullptr, parsed.scenario, settings, model, record, {});
    return record;
}

TEST(Player, StartsLikeTheSimulatorAndDeliversEventsBeforeTheirFrame) {
    const tools::RunRecord record = play("spec brakeNotches=6\ninitialize 1\nat 0 doors close\nat 0.02 power 2\n"
                                         "at 0.05 end\n");
    const std::vector<std::string> expected = {"SetVehicleSpec 6", "Initialize 1", "DoorClose", "Elapse 0",
                                               "Elapse 17", "SetPower 2", "Elapse 33", "Elapse 50"};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(record.frames, 4);
}

TEST(Player, AKeyPressIsReleasedBeforeTheNextFrame) {
    play("at 0.01 key press 9\nat 0.04 key down 5\nat 0.05 end\n", 10);
    const std::vector<std::string> expected = {"Elapse 0",  "KeyDown 9", "Elapse 10", "KeyUp 9",
                                               "Elapse 20", "Elapse 30", "KeyDown 5", "Elapse 40", "Elapse 50"};
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 2, calls.end()), expected);
}

TEST(Player, ScriptedInputsSetRampAndHandBackToTheModel) {
    play("at 0 speed 10\nat 0.1 speed 30 over 0.2\nat 0.4 current 55\nat 0.5 bc 200\nat 0.6 speed model\n"
         "at 0.7 end\n",
         100);
    ASSERT_EQ(states.size(), 8u);
    EXPECT_FLOAT_EQ(states[0].speed, 10);
    EXPECT_FLOAT_EQ(states[1].speed, 10);  // the ramp starts from the value it finds
    EXPECT_FLOAT_EQ(states[2].speed, 20);
    EXPECT_FLOAT_EQ(states[3].speed, 30);
    EXPECT_FLOAT_EQ(states[4].current, 55);
    EXPECT_FLOAT_EQ(states[5].bcPressure, 200);
    EXPECT_FLOAT_EQ(states[0].mrPressure, tools::kDefaultMrPressure);
    // Back on the model, the speed carries on from the scripted 30 km/h,
    // slowed a little by the scripted brake pressure.
    EXPECT_LT(states[6].speed, 30);
    EXPECT_GT(states[6].speed, 29.5f);
    EXPECT_GT(states[7].location, states[6].location);
}

TEST(Player, SummarizesTheNeedlesWhenAskedAndAtTheLastFrame) {
    const tools::RunRecord record = play("at 0 speed 42\nat 0.1 needles\nat 0.2 end\n", 100);
    int needleReadings = 0;
    for (const tools::SummaryLine& line : record.summary.lines)
        if (line.topic == "needles") {
            ++needleReadings;
            EXPECT_NE(line.text.find("22 = 4200"), std::string::npos) << line.text;
        }
    EXPECT_EQ(needleReadings, 2);
    EXPECT_EQ(record.frames, 3);
}

// A library made of the plug-in's own code, on a Plugin of its own: it
// behaves exactly as its source.
plugin::Plugin libraryCore;

host::EntryPoints libraryFromSource() {
    host::EntryPoints library;
    library.SetVehicleSpec = [](VehicleSpec spec) { plugin::setVehicleSpec(libraryCore, spec); };
    library.Initialize = [](int32_t position) { plugin::initialize(libraryCore, position); };
    library.Elapse = [](VehicleState state, int32_t* panel, int32_t* sound) {
        return plugin::elapse(libraryCore, state, panel, sound);
    };
    library.SetPower = [](int32_t notch) { plugin::setPower(libraryCore, notch); };
    library.SetBrake = [](int32_t notch) { plugin::setBrake(libraryCore, notch); };
    library.SetReverser = [](int32_t position) { plugin::setReverser(libraryCore, position); };
    library.DoorClose = [] { plugin::doorClose(libraryCore); };
    return library;
}

tools::RunRecord playWithCore(const host::EntryPoints& library, tools::CoreMirror& core, const std::string& text) {
    const tools::ParsedScenario parsed = tools::parseScenario(text, "test.txt");
    EXPECT_FALSE(parsed.error);
    tools::RunSettings settings{parsed.scenario.spec, parsed.scenario.initializeArgument, 100};
    tools::VehicleModel model;
    tools::RunRecord record;
    record.observers.push_back([&record](const tools::FrameView& frame) {
        ASSERT_NE(frame.core, nullptr);
        record.summary.lines.push_back({frame.state.time, "state", std::to_string(frame.core->holdStage)});
    });
    tools::playScenario(library, &core, parsed.scenario, settings, model, record, {});
    return record;
}

// Without curves the full-current test passes at any positive current, so
// powering alone starts hold stage 1 and the power output turns -4 once the
// driver's handle is back at 0.
const char* const kHoldStageRun =
    "at 0 doors close\nat 0 reverser 1\nat 0.1 current 100\nat 0.1 power 2\nat 0.3 power 0\nat 0.5 end\n";

TEST(Player, TheStateComesFromTheInProcessCoreFrameByFrame) {
    libraryCore = plugin::Plugin{};
    tools::CoreMirror core;
    const tools::RunRecord record = playWithCore(libraryFromSource(), core, kHoldStageRun);
    EXPECT_EQ(record.divergence, "");
    EXPECT_EQ(record.frames, 6);
    std::vector<std::string> stages;
    for (const tools::SummaryLine& line : record.summary.lines)
        if (line.topic == "state") stages.push_back(line.text);
    EXPECT_EQ(stages, (std::vector<std::string>{"0", "1", "1", "1", "1", "1"}));
    EXPECT_EQ(core.plugin.sim.holdStage1, true);
}

TEST(Player, ALibraryThatAnswersOtherwiseThanItsSourceStopsTheRunAtThatFrame) {
    calls.clear();
    states.clear();
    answer = HandleCommand{};
    tools::CoreMirror core;
    const tools::RunRecord record = playWithCore(standInPlugin(), core, kHoldStageRun);
    // The stand-in returns the reverser at 0 where the plug-in passes it on.
    EXPECT_EQ(record.frames, 1);
    EXPECT_EQ(record.divergence, "handles: library power 0, brake 0, reverser 0, constant speed 0; "
                                 "source power 0, brake 0, reverser 1, constant speed 0");
    // With the same handles, the lamps it leaves dark differ.
    answer = HandleCommand{0, 0, 1, 0};
    std::array<int32_t, PanelArraySize> panel{}, corePanel{};
    std::array<int32_t, SoundArraySize> sound{};
    corePanel[42] = 1;
    EXPECT_EQ(tools::compareOutputs(answer, panel.data(), sound.data(), answer, corePanel.data(), sound.data()),
              "panel 42: library 0, source 1");
    corePanel[42] = 0;
    corePanel[tools::kLineVoltageNeedle] = 1500;  // each copy draws its own voltage walk
    EXPECT_EQ(tools::compareOutputs(answer, panel.data(), sound.data(), answer, corePanel.data(), sound.data()), "");
}

}  // namespace
