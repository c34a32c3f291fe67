#include "report/run_report.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "messages/messages.h"
#include "report/json.h"
#include "report/page.h"
#include "tools/panel_names.h"

namespace report {

namespace {

// Series names (the page's keys) and the decimals each is written with.
struct SeriesColumn {
    const char* name;
    int decimals;
};
constexpr std::array<SeriesColumn, kSeriesCount> kSeries = {{
    {"speed", 3},       {"current", 2},     {"step1", 2},         {"step2", 2},          {"step3", 2},
    {"step4", 2},       {"step5", 2},       {"hold1", 2},         {"hold2", 2},          {"power_in", 0},
    {"brake_in", 0},    {"reverser_in", 0}, {"power_out", 0},     {"brake_out", 0},      {"reverser_out", 0},
    {"hold_stage", 0},  {"brake_shift", 0}, {"start_cut", 0},     {"overlap_cut", 0},    {"bc", 2},
    {"mr", 2},          {"line_voltage", 1}, {"needle_22", 0},    {"needle_26", 0},      {"needle_130", 0},
    {"needle_133", 0},  {"needle_232", 0},  {"ammeter", 2},
}};

constexpr int kBlinkingOutput = 68;

// Panel indices kept as events: the lamps, the blinking output and the digits.
std::vector<int> eventPanelIndices() {
    std::vector<int> indices(tools::kLampIndices.begin(), tools::kLampIndices.end());
    indices.push_back(kBlinkingOutput);
    indices.insert(indices.end(), tools::kDigitIndices.begin(), tools::kDigitIndices.end());
    return indices;
}

void writeNames(std::ostream& out, const std::vector<IndexName>& names) {
    out << '[';
    for (std::size_t k = 0; k < names.size(); ++k)
        out << (k ? "," : "") << '[' << names[k].index << ',' << jsonString(names[k].name) << ']';
    out << ']';
}

void writeMeta(std::ostream& out, const RunReportInfo& info, int64_t bucketFrames) {
    out << "\"meta\":{\"scenario\":" << jsonString(info.scenario) << ",\"vehicle\":" << jsonString(info.vehicle)
        << ",\"stateSource\":" << jsonString(info.stateSource) << ",\"hasCore\":" << (info.hasCore ? "true" : "false")
        << ",\"frameMs\":";
    writeJsonNumber(out, info.frameMs, 4);
    out << ",\"endMs\":" << info.endMs << ",\"bucketFrames\":" << bucketFrames << ",\"series\":[";
    for (std::size_t k = 0; k < kSeries.size(); ++k) out << (k ? "," : "") << '"' << kSeries[k].name << '"';
    out << "],\"lamps\":[";
    const std::vector<int> panel = eventPanelIndices();
    for (std::size_t k = 0; k < panel.size(); ++k) out << (k ? "," : "") << panel[k];
    out << "],\"digits\":[";
    for (std::size_t k = 0; k < tools::kDigitIndices.size(); ++k) out << (k ? "," : "") << tools::kDigitIndices[k];
    out << "],\"sounds\":[";
    for (std::size_t k = 0; k < tools::kPluginSoundIndices.size(); ++k)
        out << (k ? "," : "") << tools::kPluginSoundIndices[k];
    out << "],\"panelNames\":";
    writeNames(out, info.panelNames);
    out << ",\"soundNames\":";
    writeNames(out, info.soundNames);
    out << "},\"markers\":[";
    for (std::size_t k = 0; k < info.markers.size(); ++k) {
        const Marker& marker = info.markers[k];
        out << (k ? "," : "") << '[';
        writeJsonNumber(out, marker.timeMs / 1000.0, 3);
        out << ',' << (marker.note ? 1 : 0) << ',' << jsonString(marker.text) << ']';
    }
    out << ']';
}

void writeRow(RunReportWriter& writer, const ReportRow& row) {
    std::ostream& out = writer.out;
    out << (writer.rows == 0 ? "\n[" : ",\n[");
    writeJsonNumber(out, row.timeMs / 1000.0, 3);
    for (std::size_t k = 0; k < kSeriesCount; ++k) {
        out << ',';
        writeJsonNumber(out, row.values[k], kSeries[k].decimals);
    }
    out << ']';
    ++writer.rows;
}

void flushBucket(RunReportWriter& writer) {
    ReportRow rows[2];
    const int count = bucketRows(writer.bucket, rows);
    for (int k = 0; k < count; ++k) writeRow(writer, rows[k]);
    writer.bucket = Bucket{};
}

void writeEvent(RunReportWriter& writer, int32_t timeMs, char kind, int index, int32_t value) {
    std::ostream& out = writer.events;
    out << (writer.eventCount == 0 ? "\n[" : ",\n[");
    writeJsonNumber(out, timeMs / 1000.0, 3);
    out << ",\"" << kind << "\"," << index << ',' << value << ']';
    ++writer.eventCount;
}

template <typename Indices, std::size_t Size>
void recordEvents(RunReportWriter& writer, int32_t timeMs, char kind, const Indices& indices,
                  std::array<int32_t, Size>& last, const int32_t* now, bool first) {
    for (const int index : indices) {
        const auto at = static_cast<std::size_t>(index);
        if (!first && now[at] == last[at]) continue;
        last[at] = now[at];
        writeEvent(writer, timeMs, kind, index, now[at]);
    }
}

float flag(bool on) {
    return on ? 1.0f : 0.0f;
}

}  // namespace

SeriesValues seriesValues(const tools::FrameView& frame) {
    const float none = std::numeric_limits<float>::quiet_NaN();
    const VehicleState& s = frame.state;
    const tools::CoreView* core = frame.core;
    const auto number = [](int32_t value) { return static_cast<float>(value); };
    SeriesValues v{};
    v[0] = s.speed;
    v[1] = s.current;
    for (std::size_t k = 0; k < 5; ++k) v[2 + k] = core ? core->powerCurves[k] : none;
    v[7] = core ? core->holdCurves[0] : none;
    v[8] = core ? core->holdCurves[1] : none;
    v[9] = number(frame.driver.power);
    v[10] = number(frame.driver.brake);
    v[11] = number(frame.driver.reverser);
    v[12] = number(frame.command.power);
    v[13] = number(frame.command.brake);
    v[14] = number(frame.command.reverser);
    v[15] = core ? number(core->holdStage) : none;
    v[16] = core ? flag(core->brakeShift) : none;
    v[17] = core ? flag(core->startCut) : none;
    v[18] = core ? flag(core->overlapCut) : none;
    v[19] = s.bcPressure;
    v[20] = s.mrPressure;
    v[21] = core ? core->lineVoltage : none;
    for (std::size_t k = 0; k < tools::kNeedleIndices.size(); ++k)
        v[22 + k] = number(frame.panel[tools::kNeedleIndices[k]]);
    v[27] = core ? core->ammeter : none;
    return v;
}

int64_t framesPerBucket(int64_t frames) {
    if (frames <= kFullResolutionFrames) return 1;
    return (frames + kBuckets - 1) / kBuckets;
}

void addToBucket(Bucket& bucket, int64_t frame, int32_t timeMs, const SeriesValues& values) {
    if (bucket.frames == 0) {
        bucket.firstMs = timeMs;
        bucket.min = bucket.max = values;
        bucket.minAt.fill(frame);
        bucket.maxAt.fill(frame);
    }
    bucket.lastMs = timeMs;
    ++bucket.frames;
    for (std::size_t k = 0; k < kSeriesCount; ++k) {
        const float value = values[k];
        // NaN compares false either way and is never taken over a number.
        if (std::isnan(bucket.min[k]) && !std::isnan(value)) {
            bucket.min[k] = bucket.max[k] = value;
            bucket.minAt[k] = bucket.maxAt[k] = frame;
        }
        if (value < bucket.min[k]) {
            bucket.min[k] = value;
            bucket.minAt[k] = frame;
        }
        if (value > bucket.max[k]) {
            bucket.max[k] = value;
            bucket.maxAt[k] = frame;
        }
    }
}

int bucketRows(const Bucket& bucket, ReportRow (&rows)[2]) {
    if (bucket.frames == 0) return 0;
    if (bucket.frames == 1) {
        rows[0] = {bucket.firstMs, bucket.min};
        return 1;
    }
    rows[0].timeMs = bucket.firstMs;
    rows[1].timeMs = bucket.lastMs;
    for (std::size_t k = 0; k < kSeriesCount; ++k) {
        const bool minFirst = bucket.minAt[k] <= bucket.maxAt[k];
        rows[0].values[k] = minFirst ? bucket.min[k] : bucket.max[k];
        rows[1].values[k] = minFirst ? bucket.max[k] : bucket.min[k];
    }
    return 2;
}

std::string openRunReport(RunReportWriter& writer, const RunReportInfo& info, const std::filesystem::path& path) {
    writer.path = path;
    writer.eventsPath = path;
    writer.eventsPath += ".events.part";
    writer.out.open(path, std::ios::binary | std::ios::trunc);
    if (!writer.out) return messages::tr("the file cannot be written");
    writer.events.open(writer.eventsPath, std::ios::binary | std::ios::trunc);
    if (!writer.events) return messages::tr("the file cannot be written");
    const int64_t frames =
        info.frameMs > 0 ? static_cast<int64_t>(std::floor(static_cast<double>(info.endMs) / info.frameMs)) + 1 : 1;
    writer.bucketFrames = framesPerBucket(frames);
    writePageStart(writer.out, info.scenario);
    writer.out << "{\"kind\":\"run\",\"texts\":" << pageTexts() << ',';
    writeMeta(writer.out, info, writer.bucketFrames);
    writer.out << ",\"rows\":[";
    return {};
}

void addReportFrame(RunReportWriter& writer, const tools::FrameView& frame) {
    const int32_t timeMs = frame.state.time;
    const bool first = writer.frame == 0;
    static const std::vector<int> panelIndices = eventPanelIndices();
    recordEvents(writer, timeMs, 'p', panelIndices, writer.panel, frame.panel, first);
    recordEvents(writer, timeMs, 's', tools::kPluginSoundIndices, writer.sound, frame.sound, first);
    addToBucket(writer.bucket, writer.frame, timeMs, seriesValues(frame));
    ++writer.frame;
    if (writer.bucket.frames >= writer.bucketFrames) flushBucket(writer);
}

std::string finishRunReport(RunReportWriter& writer) {
    flushBucket(writer);
    writer.events.flush();
    const bool spooled = static_cast<bool>(writer.events);
    writer.events.close();
    std::ostream& out = writer.out;
    out << "],\"events\":[";
    {
        std::ifstream spool(writer.eventsPath, std::ios::binary);
        if (writer.eventCount > 0) out << spool.rdbuf();
    }
    std::error_code ignored;
    std::filesystem::remove(writer.eventsPath, ignored);
    out << "],\"end\":{\"frames\":" << writer.frame << ",\"rows\":" << writer.rows << ",\"events\":"
        << writer.eventCount << "}}";
    writePageEnd(out);
    out.flush();
    if (!out || !spooled) return messages::tr("writing the file failed");
    writer.out.close();
    return {};
}

}  // namespace report
