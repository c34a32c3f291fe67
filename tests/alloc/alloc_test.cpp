// The frame allocates nothing: thousands of Elapse calls over the sample
// vehicle, with the driver's handles, keys and doors between frames, under
// a counting global operator new.
#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <vector>

#include "counting_allocator.h"
#include "plugin/abi.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

using testing_support::TestFolder;

constexpr int kRoundFrames = 600;  // one run of 9.6 s at 16 ms a frame
constexpr int32_t kKeys[] = {0, 5, 6, 8, 9, 12, 13, 14};

void loadSampleVehicle(const TestFolder& folder, plugin::Plugin& plugin) {
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    folder.write("PanelModify.txt", "");
    plugin.directory = folder.directory();
    plugin::load(plugin);
    plugin::setVehicleSpec(plugin, VehicleSpec{8, 5, 1, 6, 10});
    plugin::initialize(plugin, 0);
}

// Doors, handles and keys at fixed points of each round; every key is
// pressed, repeated and released, key 5 once with Shift held.
void driverEvents(plugin::Plugin& plugin, int frame) {
    const int phase = frame % kRoundFrames;
    switch (phase) {
    case 0: plugin::doorClose(plugin); plugin::setReverser(plugin, 1); plugin::setBrake(plugin, 0); break;
    case 10: plugin::setPower(plugin, 1); break;
    case 60: plugin::setPower(plugin, 4); break;
    case 300: plugin::setPower(plugin, 0); break;
    case 350: plugin::setBrake(plugin, 4); break;
    case 450: plugin::setBrake(plugin, 0); break;
    case 500: plugin::doorOpen(plugin); plugin::hornBlow(plugin, 1); break;
    case 520: plugin::setSignal(plugin, 3); plugin::setBeaconData(plugin, BeaconData{1, 3, 250.0f, 0}); break;
    case 590: plugin::initialize(plugin, 1); break;
    default: break;
    }
    const int keySlot = (phase - 100) / 10;
    if (phase < 100 || keySlot >= static_cast<int>(std::size(kKeys))) return;
    const int32_t key = kKeys[keySlot];
    if (phase % 10 == 0 || phase % 10 == 1) plugin::keyDown(plugin, key, key == 5 && frame / kRoundFrames % 2 == 1);
    if (phase % 10 == 5) plugin::keyUp(plugin, key);
}

// Accelerating with traction current, coasting, braking with regeneration.
VehicleState vehicleAt(int frame) {
    const int phase = frame % kRoundFrames;
    const float phaseTime = static_cast<float>(phase);
    VehicleState vehicle{};
    vehicle.time = 16 * frame + 1000;
    vehicle.location = frame * 0.3;
    if (phase < 300) {
        vehicle.speed = phaseTime * 0.25f;
        vehicle.current = phase < 20 ? 0.0f : 420.0f - vehicle.speed * 2;
    } else if (phase < 350) {
        vehicle.speed = 75.0f;
    } else if (phase < 450) {
        vehicle.speed = 75.0f - (phaseTime - 350) * 0.75f;
        vehicle.current = -250.0f;
    }
    vehicle.bcPressure = phase >= 350 && phase < 460 ? 300.0f : 0.0f;
    vehicle.mrPressure = 780.0f + static_cast<float>(frame % 50);
    return vehicle;
}

TEST(CountingAllocator, CountsEveryForm) {
    const long before = alloc_test::allocationCount();
    void* block = ::operator new(24);
    ::operator delete(block);
    std::vector<int> values;
    values.push_back(1);
    EXPECT_EQ(alloc_test::allocationCount() - before, 2);
}

TEST(FrameAllocations, ThousandsOfFramesWithEventsAllocateNothing) {
    TestFolder folder(u"alloc vehicle");
    plugin::Plugin plugin;
    loadSampleVehicle(folder, plugin);
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    constexpr int kFrames = 10 * kRoundFrames;

    const long before = alloc_test::allocationCount();
    for (int frame = 0; frame < kFrames; ++frame) {
        driverEvents(plugin, frame);
        panel[3] = frame / 200 % 3;  // what a module may leave for the blinking output
        plugin::elapse(plugin, vehicleAt(frame), panel.data(), sound.data());
    }
    const long allocations = alloc_test::allocationCount() - before;

    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(panel[43], 1) << "the frame ran";
    EXPECT_TRUE(plugin.adjust.enabled);
}

TEST(FrameAllocations, TheSampleVehicleCurvesLoaded) {
    TestFolder folder(u"alloc vehicle");
    plugin::Plugin plugin;
    loadSampleVehicle(folder, plugin);
    EXPECT_EQ(plugin.notch.powerCurrentCurves.size(), 8u);
}

}  // namespace
