#include "tools/trace.h"

#include <cinttypes>
#include <cstdio>

#include "tools/panel_names.h"

namespace tools {

namespace {

bool owned(int index, bool sound) {
    if (sound) {
        for (const int own : kPluginSoundIndices)
            if (own == index) return true;
        return false;
    }
    for (const int own : kPluginPanelIndices)
        if (own == index) return true;
    return false;
}

void writeFixedColumns(const FrameView& frame, std::ostream& out) {
    char text[320];
    const VehicleState& s = frame.state;
    const int length =
        std::snprintf(text, sizeof text,
                      "%.3f,%" PRId32 ",%.2f,%.3f,%.2f,%.2f,%.2f,%" PRId32 ",%" PRId32 ",%" PRId32 ",%" PRId32
                      ",%" PRId32 ",%" PRId32 ",%" PRId32,
                      s.time / 1000.0, s.time, s.location, static_cast<double>(s.speed),
                      static_cast<double>(s.current), static_cast<double>(s.bcPressure),
                      static_cast<double>(s.mrPressure), frame.driver.power, frame.driver.brake,
                      frame.driver.reverser, frame.command.power, frame.command.brake, frame.command.reverser,
                      frame.command.constantSpeed);
    out.write(text, length);
}

void writeCoreColumns(const CoreView* core, std::ostream& out) {
    if (core == nullptr) {
        out << ",,,,,,,,,,,,,,,";
        return;
    }
    char text[320];
    const auto& p = core->powerCurves;
    const int length = std::snprintf(
        text, sizeof text, ",%d,%d,%d,%d,%d,%.2f,%.1f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f",
        static_cast<int>(core->holdStage), core->startCut ? 1 : 0, core->overlapCut ? 1 : 0,
        core->brakeShift ? 1 : 0, core->releaseWatch ? 1 : 0, static_cast<double>(core->auxPressure),
        static_cast<double>(core->lineVoltage), static_cast<double>(core->ammeter), static_cast<double>(p[0]),
        static_cast<double>(p[1]), static_cast<double>(p[2]), static_cast<double>(p[3]), static_cast<double>(p[4]),
        static_cast<double>(core->holdCurves[0]), static_cast<double>(core->holdCurves[1]));
    out.write(text, length);
}

// Indices nobody but a detail module writes: only their changes, in one cell.
template <std::size_t Size>
void writeOtherChanges(std::array<int32_t, Size>& last, const int32_t* now, bool sound, bool& first,
                       std::ostream& out) {
    for (std::size_t i = 0; i < Size; ++i) {
        if (now[i] == last[i]) continue;
        last[i] = now[i];
        if (owned(static_cast<int>(i), sound)) continue;
        out << (first ? "" : " ") << (sound ? "sound " : "panel ") << i << '=' << now[i];
        first = false;
    }
}

}  // namespace

void writeTraceHeader(TraceWriter& trace, const std::vector<std::string>& comments) {
    std::ostream& out = *trace.out;
    for (const std::string& comment : comments) out << "# " << comment << '\n';
    out << "time_s,time_ms,location_m,speed_kmh,current_a,bc_kpa,mr_kpa,power_in,brake_in,reverser_in,"
           "power_out,brake_out,reverser_out,constant_speed_out,"
           "hold_stage,start_cut,overlap_cut,brake_shift,release_watch,aux_kpa,line_voltage_v,ammeter_a,"
           "step_curve_1,step_curve_2,step_curve_3,step_curve_4,step_curve_5,hold1_curve_a,hold2_curve_a";
    for (const int index : kPluginPanelIndices) out << ",panel_" << index;
    for (const int index : kPluginSoundIndices) out << ",sound_" << index;
    out << ",other_changes\n";
}

void writeTraceFrame(TraceWriter& trace, const FrameView& frame) {
    std::ostream& out = *trace.out;
    writeFixedColumns(frame, out);
    writeCoreColumns(frame.core, out);
    for (const int index : kPluginPanelIndices) out << ',' << frame.panel[index];
    for (const int index : kPluginSoundIndices) out << ',' << frame.sound[index];
    out << ',';
    bool first = true;
    writeOtherChanges(trace.panel, frame.panel, false, first, out);
    writeOtherChanges(trace.sound, frame.sound, true, first, out);
    out << '\n';
}

}  // namespace tools
