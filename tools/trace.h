// The per-frame trace of a cabhost run, written as CSV once the run is over:
//   time_s, time_ms, location_m, speed_kmh, current_a, bc_kpa, mr_kpa,
//   power_in, brake_in, reverser_in (the driver's handles),
//   power_out, brake_out, reverser_out, constant_speed_out (what Elapse returned),
//   panel_N ... and sound_N ... for every index the plug-in owns and every
//   other index that took a value other than 0 during the run.
// Only the changes of the two arrays are kept while running, so a long run
// stays small in memory.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tools/frame_view.h"

namespace tools {

struct TraceRow {
    VehicleState state;
    DriverInput driver;
    HandleCommand command;
};

struct IndexChange {
    uint32_t frame;
    bool sound;
    uint8_t index;
    int32_t value;
};

struct TraceRecorder {
    std::vector<TraceRow> rows;
    std::vector<IndexChange> changes;
    // The arrays as of the last frame; the simulator's arrays start at zero.
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
};

void recordTraceFrame(TraceRecorder& trace, const FrameView& frame);

// The indices that get a column, ascending.
std::vector<int> tracedPanelIndices(const TraceRecorder& trace);
std::vector<int> tracedSoundIndices(const TraceRecorder& trace);

void writeTraceCsv(const TraceRecorder& trace, std::ostream& out);
// Returns an empty string, or why the file could not be written.
std::string writeTraceFile(const TraceRecorder& trace, const std::filesystem::path& path);

}  // namespace tools
