// The per-frame trace of a cabhost run, written as CSV while the run plays,
// one row a frame, so that memory stays the same however long the run is.
// Lines starting with '#' come first and say what the run was and where the
// state columns come from. Then the columns:
//   time_s, time_ms, location_m, speed_kmh, current_a, bc_kpa, mr_kpa,
//   power_in, brake_in, reverser_in (the driver's handles),
//   power_out, brake_out, reverser_out, constant_speed_out (what Elapse returned),
//   hold_stage, start_cut, overlap_cut, brake_shift, release_watch, aux_kpa,
//   line_voltage_v, ammeter_a, step_curve_1 ... step_curve_5, hold1_curve_a,
//   hold2_curve_a (the plug-in's own state and the curve values it compared
//   the current with; empty when the run has no in-process core),
//   panel_N ... and sound_N ... for every index the plug-in owns,
//   other_changes: any other index that changed in the frame, as
//   "panel 200=7 sound 5=1" (empty when none did).
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/frame_view.h"

namespace tools {

struct TraceWriter {
    std::ostream* out = nullptr;
    // The arrays as of the last frame; the simulator's arrays start at zero.
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
};

// The comment lines (each written after "# "), then the column names.
void writeTraceHeader(TraceWriter& trace, const std::vector<std::string>& comments);
void writeTraceFrame(TraceWriter& trace, const FrameView& frame);

}  // namespace tools
