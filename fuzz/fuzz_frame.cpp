// Arbitrary sequences of entry-point calls against the sample vehicle:
// handles, keys (adjustment keys included, with and without Shift), doors,
// Initialize, Load/Dispose pairs, and frames with arbitrary floats and
// times. After every frame the outputs must stay within their contracts.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "plugin/plugin.h"

namespace {

class ByteReader {
public:
    ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return position_ >= size_; }
    uint8_t byte() { return empty() ? 0 : data_[position_++]; }
    int32_t word() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | byte();
        int32_t result;
        std::memcpy(&result, &value, sizeof result);
        return result;
    }
    float real() {
        const int32_t bits = word();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

const int kOwnedSounds[] = {95, 96, 97, 98, 107, 108, 109, 110, 111, 223, 224, 227, 228, 229};

const plugin::Plugin& loadedSample() {
    static const plugin::Plugin sample = [] {
        plugin::Plugin fresh;
        fresh.directory = std::filesystem::path(ORVALIS_SAMPLE_VEHICLE) / std::filesystem::path();
        plugin::load(fresh);
        return fresh;
    }();
    return sample;
}

void checkFrame(const plugin::Plugin& plugin, const HandleCommand& command, const int32_t* panel,
                const int32_t* sound, bool voltageUpdated) {
    if (command.constantSpeed != 0) std::abort();
    for (int index : kOwnedSounds)
        if (sound[index] != SoundStop && sound[index] != SoundPlayOnce && sound[index] != SoundContinue) std::abort();
    for (int index = 220; index <= 223; ++index)
        if (panel[index] < 0 || panel[index] > 10) std::abort();
    const float voltage = plugin.sim.lineVoltage;
    if (voltageUpdated && !(voltage >= 1310.0f && voltage <= 1700.0f)) std::abort();
}

VehicleState readState(ByteReader& reader) {
    VehicleState state{};
    state.location = reader.real();
    state.speed = reader.real();
    state.time = reader.word();
    state.bcPressure = reader.real();
    state.mrPressure = reader.real();
    state.current = reader.real();
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    plugin::Plugin plugin = loadedSample();
    ByteReader reader(data, size);
    int32_t panel[PanelArraySize] = {};
    int32_t sound[SoundArraySize] = {};
    bool voltageUpdated = false;
    while (!reader.empty()) {
        const uint8_t op = reader.byte();
        switch (op % 12) {
        case 0: plugin::setPower(plugin, static_cast<int8_t>(reader.byte())); break;
        case 1: plugin::setBrake(plugin, static_cast<int8_t>(reader.byte())); break;
        case 2: plugin::setReverser(plugin, static_cast<int8_t>(reader.byte())); break;
        case 3: plugin::keyDown(plugin, static_cast<int8_t>(reader.byte()) % 20, (op & 0x80) != 0); break;
        case 4: plugin::keyUp(plugin, static_cast<int8_t>(reader.byte()) % 20); break;
        case 5: plugin::doorOpen(plugin); break;
        case 6: plugin::doorClose(plugin); break;
        case 7: plugin::initialize(plugin, reader.word()); break;
        case 8:
            if ((op & 0xF0) == 0xF0) {
                plugin::dispose(plugin);
                plugin::load(plugin);
            } else {
                plugin::setVehicleSpec(plugin, VehicleSpec{reader.word(), reader.word(), 0, 0, 1});
            }
            break;
        case 9: plugin::setPower(plugin, reader.word()); break;
        default: {
            const VehicleState state = readState(reader);
            panel[3] = static_cast<int8_t>(reader.byte()) % 3;
            const HandleCommand command = plugin::elapse(plugin, state, panel, sound);
            voltageUpdated = voltageUpdated || plugin.sim.lineVoltage != 0.0f;
            checkFrame(plugin, command, panel, sound, voltageUpdated);
        }
        }
    }
    return 0;
}
