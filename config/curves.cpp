#include "config/curves.h"

namespace config {
void selectPowerSteps(const Fields&, std::vector<uint64_t>&) {}
void loadCurrentCurves(const std::filesystem::path&, std::vector<panel::CurveTable>&, const std::vector<uint64_t>&,
                       LoadReport&) {}
void loadBrakeCurves(NotchConfig&, LoadReport&) {}
}  // namespace config
