#include <gtest/gtest.h>

#include "messages/messages.h"
#include "tools/scenario.h"

namespace {

using tools::Action;
using tools::Input;
using tools::ParsedScenario;
using tools::parseScenario;

ParsedScenario parse(const std::string& text) {
    return parseScenario(text, "test.txt");
}

// The error of a scenario that must not parse, as the terminal shows it.
std::string errorOf(const std::string& text) {
    const ParsedScenario parsed = parse(text);
    EXPECT_TRUE(parsed.error.has_value()) << "parsed without error: " << text;
    return parsed.error ? tools::describeError(*parsed.error) : std::string();
}

TEST(ScenarioGrammar, ReadsSettingsEventsAndComments) {
    const ParsedScenario parsed = parse(
        "; departure\r\n"
        "spec brakeNotches=7 cars=10   # the rest keep their defaults\n"
        "initialize 2\n"
        "\n"
        "at 0 doors close\n"
        "at 1.5 reverser -1\n"
        "at +0.25 power 4 ; notch 4\n"
        "at 2 key press 9\n"
        "at 3 beacon 3 2 450.5\n"
        "at 4 horn 1\n"
        "at 4 note doors   closed, away we go\n"
        "at 5 end\n");
    ASSERT_FALSE(parsed.error) << tools::describeError(*parsed.error);
    const tools::Scenario& scenario = parsed.scenario;
    EXPECT_EQ(scenario.spec.brakeNotches, 7);
    EXPECT_EQ(scenario.spec.powerNotches, 4);
    EXPECT_EQ(scenario.spec.cars, 10);
    EXPECT_EQ(scenario.initializeArgument, 2);
    ASSERT_EQ(scenario.events.size(), 8u);
    EXPECT_EQ(scenario.events[1].action, Action::Reverser);
    EXPECT_EQ(scenario.events[1].value, -1);
    EXPECT_EQ(scenario.events[2].timeMs, 1750);  // relative to the event before
    EXPECT_EQ(scenario.events[2].statement, "power 4");
    EXPECT_EQ(scenario.events[3].action, Action::KeyPress);
    EXPECT_EQ(scenario.events[4].beacon.distance, 450.5f);
    EXPECT_EQ(scenario.events[4].beacon.optional, 0);
    EXPECT_EQ(scenario.events[6].text, "doors   closed, away we go");
    EXPECT_EQ(scenario.endMs, 5000);
}

TEST(ScenarioGrammar, ScriptsInputsBySettingRampingOrTheModel) {
    const ParsedScenario parsed = parse(
        "at 0 speed 60\n"
        "at 1 current -250.5 over 2.5\n"
        "at 2 bc model\n"
        "at 3 mr 780\n");
    ASSERT_FALSE(parsed.error) << tools::describeError(*parsed.error);
    const auto& events = parsed.scenario.events;
    EXPECT_EQ(events[0].action, Action::SetInput);
    EXPECT_EQ(events[0].input, Input::Speed);
    EXPECT_EQ(events[0].target, 60.0f);
    EXPECT_EQ(events[1].action, Action::RampInput);
    EXPECT_EQ(events[1].target, -250.5f);
    EXPECT_EQ(events[1].rampMs, 2500);
    EXPECT_EQ(events[2].action, Action::ModelInput);
    EXPECT_EQ(events[2].input, Input::BcPressure);
    EXPECT_EQ(events[3].input, Input::MrPressure);
    // Without "end" the run lasts one second past the last event.
    EXPECT_EQ(parsed.scenario.endMs, 4000);
}

TEST(ScenarioGrammar, ErrorsNameFileLineAndWhatWasExpected) {
    EXPECT_EQ(errorOf("at 0 doors close\nat 1 power four\n"),
              "test.txt:2: expected a power notch (a whole number, 0 or more) after 'power', found 'four'");
    EXPECT_EQ(errorOf("at 1 brake\n"),
              "test.txt:1: expected a brake notch (a whole number, 0 or more) after 'brake', but the line ends there");
    EXPECT_EQ(errorOf("at soon power 1\n"),
              "test.txt:1: expected a time in seconds after 'at' (like 12.5, or +0.5 after the event before), "
              "found 'soon'");
    EXPECT_EQ(errorOf("at\n"), "test.txt:1: expected a time in seconds after 'at' (like 12.5, or +0.5 after the "
                               "event before), but the line ends there");
    EXPECT_EQ(errorOf("at 1\n"), "test.txt:1: expected an action after the time (power, brake, reverser, key, doors, "
                                 "horn, signal, beacon, speed, current, bc, mr, needles, note or end)");
    EXPECT_EQ(errorOf("at 1 key\n"),
              "test.txt:1: expected 'down', 'up' or 'press' after 'key', but the line ends there");
    EXPECT_EQ(errorOf("power 1\n"),
              "test.txt:1: expected 'at TIME ACTION', 'spec NAME=VALUE ...' or 'initialize N', found 'power'");
    EXPECT_EQ(errorOf("at 1 jump\n"),
              "test.txt:1: unknown action 'jump'; expected power, brake, reverser, key, doors, horn, signal, beacon, "
              "speed, current, bc, mr, needles, note or end");
    EXPECT_EQ(errorOf("at 1 power 2 3\n"), "test.txt:1: unexpected '3' after 'at 1 power 2'");
    EXPECT_EQ(errorOf("at 5 power 1\nat 4 power 2\n"),
              "test.txt:2: events must be in time order: 4 s is earlier than 5 s of the event at line 1");
    EXPECT_EQ(errorOf("at 1 end\nat 2 power 1\n"),
              "test.txt:2: the scenario already ended at line 1: expected no event after 'end'");
    EXPECT_EQ(errorOf("; nothing\n"), "test.txt: no events: expected at least one line 'at TIME ACTION'");
}

TEST(ScenarioGrammar, RejectsValuesOutsideWhatTheSimulatorSends) {
    EXPECT_NE(errorOf("at 1 reverser 2\n").find("expected a reverser position (-1, 0 or 1)"), std::string::npos);
    EXPECT_NE(errorOf("at 1 key press 16\n").find("expected a key number from 0 to 15, found '16'"), std::string::npos);
    EXPECT_NE(errorOf("at 1 key hold 9\n").find("expected 'down', 'up' or 'press' after 'key', found 'hold'"),
              std::string::npos);
    EXPECT_NE(errorOf("at 1 doors ajar\n").find("expected 'open' or 'close' after 'doors', found 'ajar'"),
              std::string::npos);
    EXPECT_NE(errorOf("at 1 power -1\n").find("0 or more"), std::string::npos);
    EXPECT_NE(errorOf("at -1 power 1\n").find("expected a time in seconds"), std::string::npos);
    EXPECT_NE(errorOf("at 90000 power 1\n").find("expected a time in seconds"), std::string::npos);
    EXPECT_NE(errorOf("at 1 power 99999999999\n").find("expected a power notch"), std::string::npos);
    EXPECT_NE(errorOf("at 1 speed nan\n").find("expected a value or 'model' after 'speed', found 'nan'"),
              std::string::npos);
    EXPECT_NE(errorOf("at 1 speed 1e39\n").find("within the range of a float"), std::string::npos);
}

TEST(ScenarioGrammar, RampsAndModelNeedTheirWords) {
    EXPECT_NE(errorOf("at 1 speed 50 in 3\n").find("expected 'over' after the value"), std::string::npos);
    EXPECT_NE(errorOf("at 1 speed 50 over\n").find("the length of the ramp in seconds after 'over', but the line ends"),
              std::string::npos);
    EXPECT_NE(errorOf("at 1 speed 50 over 0\n").find("expected a ramp length above 0 s"), std::string::npos);
    EXPECT_NE(errorOf("at 1 mr model\n").find("the main-reservoir pressure has no model"), std::string::npos);
    EXPECT_NE(errorOf("at 1 note\n").find("expected the text of the note"), std::string::npos);
}

TEST(ScenarioGrammar, SpecAssignmentsServeTheScenarioAndTheOption) {
    VehicleSpec spec{8, 4, 1, 6, 4};
    EXPECT_EQ(tools::applySpecAssignments("brakeNotches=5,powerNotches=3 cars=2", spec), "");
    EXPECT_EQ(spec.brakeNotches, 5);
    EXPECT_EQ(spec.powerNotches, 3);
    EXPECT_EQ(spec.cars, 2);
    EXPECT_EQ(spec.atsNotch, 1);
    EXPECT_NE(tools::applySpecAssignments("brakes=5", spec).find("found 'brakes=5'"), std::string::npos);
    EXPECT_NE(tools::applySpecAssignments("cars=-1", spec).find("after 'cars=', found '-1'"), std::string::npos);
    EXPECT_NE(errorOf("spec\nat 0 end\n").find("test.txt:1: expected NAME=VALUE after 'spec'"), std::string::npos);
}

// In Japanese the errors keep the statement words the author wrote (power,
// at, over) and the file and line, whatever order the sentence takes.
TEST(ScenarioGrammar, ErrorsInJapaneseKeepFileLineAndTheAuthorsWords) {
    messages::setLanguage(messages::Language::Japanese);
    const std::string power = errorOf("at 0 doors close\nat 1 power four\n");
    const std::string ramp = errorOf("at 0 speed 30 during 2\n");
    const std::string order = errorOf("at 5 brake 1\nat 4 brake 2\n");
    messages::setLanguage(messages::Language::English);
    EXPECT_EQ(power, "test.txt:2: 'power' の後に力行ノッチ (0 以上の整数)が必要ですが、'four' と書かれています");
    EXPECT_EQ(ramp, "test.txt:1: 値の後 (時間をかけて変える場合は「値 over 秒数」)には 'over' が必要ですが、'during' と書かれています");
    EXPECT_EQ(order, "test.txt:2: イベントは時刻の順に書いてください。4 s は 1 行目のイベントの 5 s より前です");
}

}  // namespace
