#include <gtest/gtest.h>

#include "support/test_folder.h"
#include "tools/vehicle_model.h"

namespace {

using tools::VehicleModel;

constexpr HandleCommand kPowering4{0, 4, 1, 0};

// Three control steps needing notches 1, 1 and 2, with flat curves of 100,
// 200 and 300 A; two braking steps of 50 and 80 A above 10 km/h.
VehicleModel smallVehicle() {
    VehicleModel model;
    model.brakeNotches = 8;
    model.traction.requiredNotch = {1, 1, 2};
    model.traction.powerCurves = {{{0, 100}, {100, 100}}, {{0, 200}, {100, 200}}, {{0, 300}, {100, 300}}};
    model.traction.brakeCurves = {{{0, 0}, {10, 50}, {100, 50}}, {{0, 0}, {10, 80}, {100, 80}}};
    return model;
}

TEST(VehicleModel, TheControllerClimbsOneStepAtATimeToTheNotchsHighestStep) {
    VehicleModel model = smallVehicle();
    const HandleCommand notch1{0, 1, 1, 0};
    advanceModel(model, notch1, tools::kStepIntervalMs - 1);
    EXPECT_EQ(model.controlStep, 0);
    advanceModel(model, notch1, 1);
    EXPECT_EQ(model.controlStep, 1);
    EXPECT_FLOAT_EQ(modelCurrent(model), 100);
    advanceModel(model, notch1, 10 * tools::kStepIntervalMs);
    EXPECT_EQ(model.controlStep, 2);  // notch 1 allows steps 1 and 2 only
    advanceModel(model, kPowering4, tools::kStepIntervalMs);
    EXPECT_EQ(model.controlStep, 3);
    EXPECT_FLOAT_EQ(modelCurrent(model), 300);
    advanceModel(model, HandleCommand{0, -4, 1, 0}, 16);  // a hold-stage notch draws nothing
    EXPECT_EQ(model.controlStep, 0);
    EXPECT_FLOAT_EQ(modelCurrent(model), 0);
}

TEST(VehicleModel, NoTractionWithoutReverserOrUnderBrake) {
    VehicleModel model = smallVehicle();
    advanceModel(model, HandleCommand{0, 4, 0, 0}, 1000);
    EXPECT_EQ(model.controlStep, 0);
    advanceModel(model, HandleCommand{2, 4, 1, 0}, 1000);
    EXPECT_EQ(model.controlStep, 0);
    EXPECT_DOUBLE_EQ(model.speed, 0);
}

TEST(VehicleModel, SpeedFollowsTractionAndBrakesWithoutPassingZero) {
    VehicleModel model = smallVehicle();
    for (int frame = 0; frame < 600; ++frame) advanceModel(model, kPowering4, 16);
    EXPECT_GT(model.speed, 15);
    EXPECT_GT(model.location, 0);
    VehicleModel backwards = smallVehicle();
    for (int frame = 0; frame < 600; ++frame) advanceModel(backwards, HandleCommand{0, 4, -1, 0}, 16);
    EXPECT_LT(backwards.speed, -15);
    for (int frame = 0; frame < 3000; ++frame) advanceModel(model, HandleCommand{8, 0, 0, 0}, 16);
    EXPECT_DOUBLE_EQ(model.speed, 0);
}

TEST(VehicleModel, BrakingDrawsRegenerativeCurrentAndFillsTheCylinder) {
    VehicleModel model = smallVehicle();
    model.speed = 50;
    advanceModel(model, HandleCommand{1, 0, 0, 0}, 16);
    EXPECT_FLOAT_EQ(modelCurrent(model), -50);
    advanceModel(model, HandleCommand{4, 0, 0, 0}, 16);
    EXPECT_FLOAT_EQ(modelCurrent(model), -80);  // above the last braking step: the last curve
    for (int frame = 0; frame < 1000; ++frame) advanceModel(model, HandleCommand{4, 0, 0, 0}, 16);
    EXPECT_DOUBLE_EQ(model.bcPressure, tools::kServiceBcKpa / 2);  // settled at half the service pressure
    advanceModel(model, HandleCommand{9, 0, 0, 0}, 16);             // the emergency notch: air only
    EXPECT_FLOAT_EQ(modelCurrent(model), 0);
}

TEST(VehicleModel, AShiftedBrakeNotchIsTheElectricBrakeAlone) {
    VehicleModel model = smallVehicle();
    model.speed = 60;
    model.bcPressure = 300;
    const HandleCommand shifted{7 + 9 + 1, 0, 0, 0};
    advanceModel(model, shifted, 16);
    EXPECT_FLOAT_EQ(modelCurrent(model), -80);
    const double before = model.speed;
    for (int frame = 0; frame < 600; ++frame) advanceModel(model, shifted, 16);
    EXPECT_DOUBLE_EQ(model.bcPressure, 0);
    EXPECT_LT(model.speed, before - 5);  // the electric brake alone slows the train
}

TEST(VehicleModel, ReadsTheVehiclesOwnFilesWithThePluginsLoaders) {
    testing_support::TestFolder folder;
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    config::LoadReport report;
    const tools::TractionData data = tools::loadTractionData(folder.directory(), report);
    EXPECT_FALSE(report.failure);
    EXPECT_EQ(data.requiredNotch, (std::vector<int32_t>{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
    ASSERT_EQ(data.powerCurves.size(), 12u);
    EXPECT_FLOAT_EQ(panel::interpolateCurve(10, data.powerCurves[11]), 400);
    EXPECT_EQ(data.brakeCurves.size(), 6u);

    folder.write("notch/power_params.txt", "RequiredNotch_Up, 1, x\n");
    const tools::TractionData broken = tools::loadTractionData(folder.directory(), report);
    ASSERT_TRUE(report.failure);
    EXPECT_EQ(report.failure->message, "invalid stoi argument");
    EXPECT_EQ(broken.brakeCurves.size(), 0u);
}

}  // namespace
