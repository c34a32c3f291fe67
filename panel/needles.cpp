#include "panel/needles.h"

namespace panel {
void loadNeedleTable(const std::filesystem::path&, CurveTable&, config::LoadReport&) {}
void loadNeedleTables(NeedleTables&, const std::filesystem::path&, config::LoadReport&) {}
}  // namespace panel
