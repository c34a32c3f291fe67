#include "tools/vehicle_model.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "config/curves.h"
#include "config/notch.h"
#include "config/text.h"

namespace tools {

namespace {

// The last "RequiredNotch_Up" line of the powering parameter file, as the
// plug-in reads it: key first, then the notch each control step needs.
std::vector<int32_t> readRequiredNotches(const std::filesystem::path& path, config::LoadReport& report) {
    config::ConfigFile file(path, report);
    config::Text line;
    config::Fields fields;
    while (file.isOpen() && !file.atEnd()) {
        file.readLine(line);
        config::stripComment(line);
        config::trim(line);
        if (config::startsWith(line, u"RequiredNotch_Up")) config::splitFields(line, fields);
    }
    std::vector<int32_t> notches;
    for (std::size_t i = 1; i < fields.size(); ++i) notches.push_back(config::toInt(fields[i]));
    return notches;
}

// A curve's current at a speed, never below zero; an empty curve gives none
// (the lookup of an empty table would hand back the speed itself).
float curveCurrent(const panel::CurveTable& curve, double speed) {
    if (curve.empty()) return 0;
    return std::max(0.0f, panel::interpolateCurve(static_cast<float>(std::fabs(speed)), curve));
}

int32_t emergencyNotch(const VehicleModel& model) {
    return model.brakeNotches + 1;
}

// The braking step of the electric brake for a returned brake notch.
int32_t electricBrakeStep(const VehicleModel& model, int32_t brake) {
    if (brake <= 0 || brake == emergencyNotch(model)) return 0;
    return brake > emergencyNotch(model) ? brake - (emergencyNotch(model) + 1) : brake;
}

float targetBcPressure(const VehicleModel& model, int32_t brake) {
    if (brake <= 0 || brake > emergencyNotch(model)) return 0;
    if (brake == emergencyNotch(model) || model.brakeNotches <= 0) return kEmergencyBcKpa;
    return kServiceBcKpa * static_cast<float>(brake) / static_cast<float>(model.brakeNotches);
}

// The highest control step the power notch allows.
int32_t targetStep(const VehicleModel& model, const HandleCommand& command) {
    if (command.power <= 0 || command.reverser == 0 || command.brake > 0) return 0;
    int32_t step = 0;
    const std::vector<int32_t>& required = model.traction.requiredNotch;
    for (std::size_t k = 0; k < required.size() && required[k] <= command.power; ++k)
        step = static_cast<int32_t>(k + 1);
    return std::min<int32_t>(step, static_cast<int32_t>(model.traction.powerCurves.size()));
}

void advanceControlStep(VehicleModel& model, int32_t target, int32_t dtMs) {
    if (target <= model.controlStep) {
        model.controlStep = target;
        model.stepTimerMs = 0;
        return;
    }
    model.stepTimerMs += dtMs;
    while (model.controlStep < target && model.stepTimerMs >= kStepIntervalMs) {
        ++model.controlStep;
        model.stepTimerMs -= kStepIntervalMs;
    }
}

double runningResistance(double speed) {
    return 0.05 + 0.00002 * speed * speed;
}

// Moves the speed toward zero by `deceleration` x time, without passing it.
double slowed(double speed, double deceleration, double dtS) {
    const double magnitude = std::max(0.0, std::fabs(speed) - deceleration * dtS);
    return speed < 0 ? -magnitude : magnitude;
}

}  // namespace

TractionData loadTractionData(const std::filesystem::path& vehicleDirectory, config::LoadReport& report) {
    TractionData data;
    try {
        config::NotchConfig notch;
        config::loadNotchConfiguration(notch, vehicleDirectory, report);
        data.brakeCurves = notch.brakeCurrentCurves;
        data.requiredNotch = readRequiredNotches(notch.powerParamsPath, report);
        std::vector<uint64_t> columns;
        for (uint64_t step = 1; step <= data.requiredNotch.size(); ++step) columns.push_back(step);
        config::loadCurrentCurves(notch.powerCurrentPath, data.powerCurves, columns, report);
    } catch (const std::exception& error) {
        config::recordFailure(report, error);
    }
    return data;
}

float modelCurrent(const VehicleModel& model) {
    const TractionData& traction = model.traction;
    if (model.controlStep > 0)
        return curveCurrent(traction.powerCurves[static_cast<std::size_t>(model.controlStep - 1)], model.speed);
    const int32_t brakeStep = electricBrakeStep(model, model.command.brake);
    if (brakeStep <= 0 || traction.brakeCurves.empty()) return 0;
    const std::size_t curve =
        std::min<std::size_t>(static_cast<std::size_t>(brakeStep), traction.brakeCurves.size()) - 1;
    const float regenerated = curveCurrent(traction.brakeCurves[curve], model.speed);
    return regenerated > 0 ? -regenerated : 0.0f;
}

void advanceModel(VehicleModel& model, const HandleCommand& command, int32_t dtMs) {
    const double dtS = dtMs / 1000.0;
    model.command = command;
    advanceControlStep(model, targetStep(model, command), dtMs);
    const double current = modelCurrent(model);

    if (current > 0) model.speed += (command.reverser < 0 ? -1 : 1) * current * kAccelerationPerAmpere * dtS;
    double deceleration = runningResistance(model.speed) + model.bcPressure / kServiceBcKpa * kFullServiceDeceleration;
    if (command.brake > emergencyNotch(model)) deceleration += -current * kAccelerationPerAmpere;
    model.speed = slowed(model.speed, deceleration, dtS);

    const double lag = 1.0 - std::exp(-dtS / kBcTimeConstantS);
    const double target = targetBcPressure(model, command.brake);
    model.bcPressure += (target - model.bcPressure) * lag;
    // A valve settles: without this the pressure would creep for a minute
    // through ever smaller steps, and never read as steady.
    if (std::fabs(target - model.bcPressure) < kBcSettledKpa) model.bcPressure = target;
    model.location += model.speed / 3.6 * dtS;
}

}  // namespace tools
