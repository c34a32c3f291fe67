#include "config/notch.h"

namespace config {
void loadNotchIndex(NotchConfig&, const std::filesystem::path&, LoadReport&) {}
void loadPowerParams(NotchConfig&, LoadReport&) {}
void loadBrakeParams(NotchConfig&, LoadReport&) {}
void loadNoLoadCurrent(NotchConfig&, LoadReport&) {}
void loadNotchConfiguration(NotchConfig&, const std::filesystem::path&, LoadReport&) {}
}  // namespace config
