#include "tools/trace.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>

#include "tools/panel_names.h"

namespace tools {

namespace {

template <std::size_t Size>
void recordChanges(std::array<int32_t, Size>& last, const int32_t* now, bool sound, uint32_t frame,
                   std::vector<IndexChange>& changes) {
    static_assert(Size <= 256, "an index must fit the change record");
    for (std::size_t i = 0; i < Size; ++i) {
        if (now[i] == last[i]) continue;
        last[i] = now[i];
        changes.push_back({frame, sound, static_cast<uint8_t>(i), now[i]});
    }
}

template <std::size_t Owned>
std::vector<int> tracedIndices(const std::array<int, Owned>& owned, const std::vector<IndexChange>& changes,
                               bool sound) {
    std::vector<int> indices(owned.begin(), owned.end());
    for (const IndexChange& change : changes)
        if (change.sound == sound && change.value != 0) indices.push_back(change.index);
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

void writeHeader(const std::vector<int>& panelIndices, const std::vector<int>& soundIndices, std::ostream& out) {
    out << "time_s,time_ms,location_m,speed_kmh,current_a,bc_kpa,mr_kpa,power_in,brake_in,reverser_in,"
           "power_out,brake_out,reverser_out,constant_speed_out";
    for (const int index : panelIndices) out << ",panel_" << index;
    for (const int index : soundIndices) out << ",sound_" << index;
    out << '\n';
}

void writeFixedColumns(const TraceRow& row, std::ostream& out) {
    char text[320];
    const VehicleState& s = row.state;
    std::snprintf(text, sizeof text, "%.3f,%" PRId32 ",%.2f,%.3f,%.2f,%.2f,%.2f,%" PRId32 ",%" PRId32 ",%" PRId32
                  ",%" PRId32 ",%" PRId32 ",%" PRId32 ",%" PRId32,
                  s.time / 1000.0, s.time, s.location, static_cast<double>(s.speed), static_cast<double>(s.current),
                  static_cast<double>(s.bcPressure), static_cast<double>(s.mrPressure), row.driver.power,
                  row.driver.brake, row.driver.reverser, row.command.power, row.command.brake, row.command.reverser,
                  row.command.constantSpeed);
    out << text;
}

}  // namespace

void recordTraceFrame(TraceRecorder& trace, const FrameView& frame) {
    const auto frameNumber = static_cast<uint32_t>(trace.rows.size());
    trace.rows.push_back({frame.state, frame.driver, frame.command});
    recordChanges(trace.panel, frame.panel, false, frameNumber, trace.changes);
    recordChanges(trace.sound, frame.sound, true, frameNumber, trace.changes);
}

std::vector<int> tracedPanelIndices(const TraceRecorder& trace) {
    return tracedIndices(kPluginPanelIndices, trace.changes, false);
}

std::vector<int> tracedSoundIndices(const TraceRecorder& trace) {
    return tracedIndices(kPluginSoundIndices, trace.changes, true);
}

void writeTraceCsv(const TraceRecorder& trace, std::ostream& out) {
    const std::vector<int> panelIndices = tracedPanelIndices(trace);
    const std::vector<int> soundIndices = tracedSoundIndices(trace);
    writeHeader(panelIndices, soundIndices, out);
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    std::size_t nextChange = 0;
    for (uint32_t frame = 0; frame < trace.rows.size(); ++frame) {
        for (; nextChange < trace.changes.size() && trace.changes[nextChange].frame == frame; ++nextChange) {
            const IndexChange& change = trace.changes[nextChange];
            (change.sound ? sound : panel)[change.index] = change.value;
        }
        writeFixedColumns(trace.rows[frame], out);
        for (const int index : panelIndices) out << ',' << panel[static_cast<std::size_t>(index)];
        for (const int index : soundIndices) out << ',' << sound[static_cast<std::size_t>(index)];
        out << '\n';
    }
}

std::string writeTraceFile(const TraceRecorder& trace, const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return "cannot open the file for writing";
    writeTraceCsv(trace, out);
    out.flush();
    if (!out) return "writing the file failed";
    return {};
}

}  // namespace tools
