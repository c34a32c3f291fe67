// Scenarios for cabhost: a small text file of timed events that plays the
// part of the driver and of the vehicle.
//
//   ; comments start with ';' or '#'; blank lines are ignored
//   spec brakeNotches=8 powerNotches=4 atsNotch=1 b67Notch=6 cars=4
//   initialize 0
//   at 0     doors close
//   at 1.5   reverser 1
//   at +0.5  power 4            ; half a second after the event before
//   at 10    current 300 over 2 ; ramp the traction current to 300 A in 2 s
//   at 12    current model      ; hand the current back to the vehicle model
//   at 20    key press 9
//   at 30    needles
//   at 60    end
//
// Settings: "spec" with any of its five names (the rest keep their
// defaults) and "initialize N" (the argument of Initialize). Events: "at
// TIME ACTION"; times in seconds, in file order, "+S" counting from the event
// before. Actions: power N, brake N, reverser -1|0|1, key down|up|press K
// (0 to 15; press releases the key at the next frame), doors open|close,
// horn N, signal N, beacon TYPE SIGNAL DISTANCE [OPTIONAL], speed, current,
// bc, mr followed by VALUE, VALUE over SECONDS, or model (not for mr),
// needles, note TEXT, end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/abi.h"

namespace tools {

// The vehicle state inputs a scenario can script.
enum class Input { Speed, Current, BcPressure, MrPressure };

enum class Action {
    Power,
    Brake,
    Reverser,
    KeyDown,
    KeyUp,
    KeyPress,
    DoorsOpen,
    DoorsClose,
    Horn,
    Signal,
    Beacon,
    SetInput,
    RampInput,
    ModelInput,
    Needles,
    Note,
    End,
};

struct ScenarioEvent {
    int64_t timeMs = 0;
    Action action = Action::End;
    int32_t value = 0;  // notch, position, key, horn type or signal aspect
    Input input = Input::Speed;
    float target = 0;    // value set, or reached at the end of a ramp
    int64_t rampMs = 0;  // length of a ramp
    BeaconData beacon{};
    std::string statement;  // the action as written, for the summary
    std::string text;       // of a note
};

struct Scenario {
    std::string name;  // the file name, for messages
    VehicleSpec spec{8, 4, 1, 6, 4};
    int32_t initializeArgument = 0;
    std::vector<ScenarioEvent> events;
    int64_t endMs = 0;  // the "end" event, else one second after the last event
};

struct ScenarioError {
    std::string file;
    int line = 0;  // 0: the error concerns the whole file
    std::string message;
};

struct ParsedScenario {
    Scenario scenario;
    std::optional<ScenarioError> error;
};

// Longest scenario: one day, so every frame time fits the simulator's int32
// millisecond clock.
constexpr int64_t kMaxScenarioMs = 86'400'000;

ParsedScenario parseScenario(std::string_view text, const std::string& fileName);
ParsedScenario readScenarioFile(const std::filesystem::path& path);

// "file:line: message", ready for a terminal.
std::string describeError(const ScenarioError& error);

// Applies "name=value" words (separated by blanks or commas) to `spec`; the
// grammar of the "spec" setting and of cabhost's --spec option. Returns an
// empty string, or what was wrong.
std::string applySpecAssignments(std::string_view words, VehicleSpec& spec);

}  // namespace tools
