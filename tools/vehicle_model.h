// The demonstration vehicle model that cabhost runs when a scenario leaves an
// input to it. It is deliberately simple, enough to make the plug-in's lamps,
// hold stages and needles move plausibly, not to predict a real train:
//  - the traction controller climbs one control step every kStepIntervalMs
//    up to the highest step the returned power notch allows (the vehicle's
//    "RequiredNotch_Up" line), and drops at once when the notch falls;
//  - traction current is the vehicle's own current curve of the present
//    step at the present speed; braking draws the negative (regenerative)
//    current of the braking step's curve;
//  - speed integrates an acceleration proportional to the traction current,
//    less the air brake (proportional to brake-cylinder pressure) and a
//    running resistance; it never passes through zero under braking;
//  - brake-cylinder pressure follows the returned brake notch with a
//    first-order lag, settling once within kBcSettledKpa. The emergency
//    notch (brakeNotches + 1) asks for the emergency pressure; a notch above
//    it is read as the electric brake alone at the notch less (emergency
//    notch + 1), the way the plug-in's brake-shift mode returns it, with the
//    air brake released.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "config/load_report.h"
#include "panel/curve.h"
#include "plugin/abi.h"

namespace tools {

constexpr int32_t kStepIntervalMs = 250;
constexpr float kServiceBcKpa = 440;
constexpr float kEmergencyBcKpa = 480;
constexpr double kBcTimeConstantS = 0.8;
constexpr double kBcSettledKpa = 0.1;
constexpr double kAccelerationPerAmpere = 3.0 / 400;  // km/h/s per A
constexpr double kFullServiceDeceleration = 4.0;      // km/h/s at kServiceBcKpa

// The vehicle's traction data, read with the plug-in's own loaders.
struct TractionData {
    std::vector<int32_t> requiredNotch;         // entry k: the notch control step k + 1 needs
    std::vector<panel::CurveTable> powerCurves;  // entry k: the current of control step k + 1
    std::vector<panel::CurveTable> brakeCurves;  // entry k: the current of braking step k + 1
};

// Reads notch\notch.txt and the files it names from a vehicle folder. A file
// that is missing leaves its part empty; an error is recorded in `report`
// and the data read before it is kept.
TractionData loadTractionData(const std::filesystem::path& vehicleDirectory, config::LoadReport& report);

struct VehicleModel {
    TractionData traction;
    int32_t brakeNotches = 8;
    double speed = 0;     // km/h, negative when running backwards
    double location = 0;  // m
    double bcPressure = 0;
    int32_t controlStep = 0;
    int32_t stepTimerMs = 0;
    HandleCommand command{};  // the handles the model runs on: the last ones returned
};

// The traction current of the present state: positive when powering,
// negative when braking electrically.
float modelCurrent(const VehicleModel& model);

// Advances the model by `dtMs` under the handles the plug-in returned.
void advanceModel(VehicleModel& model, const HandleCommand& command, int32_t dtMs);

}  // namespace tools
