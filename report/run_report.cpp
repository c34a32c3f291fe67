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
constexpr std::array<SeriesColumn, kContinuousCount> kContinuous = {{
    {"speed", 3},      {"current", 2},    {"step1", 2},        {"step2", 2},        {"step3", 2},
    {"step4", 2},      {"step5", 2},      {"hold1", 2},        {"hold2", 2},        {"bc", 2},
    {"mr", 2},         {"line_voltage", 1}, {"needle_22", 0},  {"needle_26", 0},    {"needle_130", 0},
    {"needle_133", 0}, {"needle_232", 0}, {"ammeter", 2},
}};
constexpr std::array<const char*, kDiscreteCount> kDiscrete = {
    "power_in",   "brake_in",    "reverser_in", "power_out",   "brake_out",     "reverser_out",
    "hold_stage", "brake_shift", "start_cut",   "overlap_cut", "release_watch",
};

constexpr int kBlinkingOutput = 68;

// Panel indices kept as events: the lamps, the blinking output and the digits.
std::vector<int> eventPanelIndices() {
    std::vector<int> indices(tools::kLampIndices.begin(), tools::kLampIndices.end());
    indices.push_back(kBlinkingOutput);
    indices.insert(indices.end(), tools::kDigitIndices.begin(), tools::kDigitIndices.end());
    return indices;
}

template <typename List>
void writeList(std::ostream& out, const List& list) {
    out << '[';
    bool first = true;
    for (const auto& item : list) {
        out << (first ? "" : ",") << item;
        first = false;
    }
    out << ']';
}

void writeStrings(std::ostream& out, const std::vector<std::string>& texts) {
    out << '[';
    for (std::size_t k = 0; k < texts.size(); ++k) out << (k ? "," : "") << jsonString(texts[k]);
    out << ']';
}

void writeNames(std::ostream& out, const std::vector<IndexName>& names) {
    out << '[';
    for (std::size_t k = 0; k < names.size(); ++k)
        out << (k ? "," : "") << '[' << names[k].index << ',' << jsonString(names[k].name) << ']';
    out << ']';
}

void writeStartup(std::ostream& out, const StartupResult& startup) {
    out << "\"startup\":{\"known\":" << (startup.known ? "true" : "false")
        << ",\"stopped\":" << (startup.stopped ? "true" : "false") << ",\"stoppedAt\":" << jsonString(startup.stoppedAt)
        << ",\"warnings\":" << startup.warnings << ",\"lines\":";
    writeStrings(out, startup.lines);
    out << '}';
}

void writeMeta(std::ostream& out, const RunReportInfo& info, const RunReportWriter& writer) {
    out << "\"meta\":{\"scenario\":" << jsonString(info.scenario) << ",\"vehicle\":" << jsonString(info.vehicle)
        << ",\"stateSource\":" << jsonString(info.stateSource) << ",\"hasCore\":" << (info.hasCore ? "true" : "false")
        << ",\"frameMs\":";
    // In full: the page finds a frame's time as frame x frameMs, and a day's
    // run has millions of frames, so a rounded period would drift by frames.
    writeJsonNumber(out, info.frameMs, 15);
    out << ",\"endMs\":" << info.endMs << ",\"bucketFrames\":" << writer.bucketFrames
        << ",\"detailWindow\":" << kDetailWindow << ",\"continuous\":[";
    for (std::size_t k = 0; k < kContinuous.size(); ++k) out << (k ? "," : "") << '"' << kContinuous[k].name << '"';
    out << "],\"discrete\":[";
    for (std::size_t k = 0; k < kDiscrete.size(); ++k) out << (k ? "," : "") << '"' << kDiscrete[k] << '"';
    out << "],\"lamps\":";
    writeList(out, eventPanelIndices());
    out << ",\"digits\":";
    writeList(out, tools::kDigitIndices);
    out << ",\"sounds\":";
    writeList(out, tools::kPluginSoundIndices);
    out << ",\"powerSteps\":";
    writeList(out, info.powerSteps);
    out << ",\"panelNames\":";
    writeNames(out, info.panelNames);
    out << ",\"soundNames\":";
    writeNames(out, info.soundNames);
    out << "},";
    writeStartup(out, info.startup);
    out << ",\"markers\":[";
    for (std::size_t k = 0; k < info.markers.size(); ++k) {
        const Marker& marker = info.markers[k];
        out << (k ? "," : "") << '[';
        writeJsonNumber(out, marker.timeMs / 1000.0, 3);
        out << ',' << (marker.note ? 1 : 0) << ',' << jsonString(marker.text) << ']';
    }
    out << ']';
}

void writeSeconds(std::ostream& out, int32_t timeMs) {
    writeJsonNumber(out, timeMs / 1000.0, 3);
}

// A group: [first time, last time, frames, then per series minimum, maximum,
// and the milliseconds after the first time at which each occurred].
void writeBucket(RunReportWriter& writer) {
    const Bucket& bucket = writer.bucket;
    if (bucket.frames == 0) return;
    std::ostream& out = writer.out;
    out << (writer.bucketCount == 0 ? "\n[" : ",\n[");
    writeSeconds(out, bucket.firstMs);
    out << ',';
    writeSeconds(out, bucket.lastMs);
    out << ',' << bucket.frames;
    for (std::size_t k = 0; k < kContinuousCount; ++k) {
        out << ',';
        writeJsonNumber(out, bucket.min[k], kContinuous[k].decimals);
        out << ',';
        writeJsonNumber(out, bucket.max[k], kContinuous[k].decimals);
        out << ',' << bucket.minMs[k] - bucket.firstMs << ',' << bucket.maxMs[k] - bucket.firstMs;
    }
    out << ']';
    ++writer.bucketCount;
    writer.bucket = Bucket{};
}

void writeDetail(RunReportWriter& writer, const DetailFrame& frame) {
    std::ostream& out = writer.detail;
    out << (writer.detailCount == 0 ? "\n[" : ",\n[");
    writeSeconds(out, frame.timeMs);
    for (std::size_t k = 0; k < kContinuousCount; ++k) {
        out << ',';
        writeJsonNumber(out, frame.values[k], kContinuous[k].decimals);
    }
    out << ']';
    ++writer.detailCount;
    writer.lastDetailFrame = frame.frame;
}

void writeEvent(RunReportWriter& writer, int32_t timeMs, char kind, std::size_t index, int32_t value) {
    std::ostream& out = writer.events;
    out << (writer.eventCount == 0 ? "\n[" : ",\n[");
    writeSeconds(out, timeMs);
    out << ",\"" << kind << "\"," << index << ',' << value << ']';
    ++writer.eventCount;
}

// Writes the changes since the last frame (everything in the first frame);
// returns whether anything changed after the first frame.
template <typename Indices, std::size_t Size>
bool recordEvents(RunReportWriter& writer, int32_t timeMs, char kind, const Indices& indices,
                  std::array<int32_t, Size>& last, const int32_t* now, bool first) {
    bool changed = false;
    for (const auto index : indices) {
        const auto at = static_cast<std::size_t>(index);
        if (!first && now[at] == last[at]) continue;
        last[at] = now[at];
        writeEvent(writer, timeMs, kind, at, now[at]);
        changed = !first;
    }
    return changed;
}

bool recordDiscrete(RunReportWriter& writer, int32_t timeMs, const FrameValues& values, bool hasCore, bool first) {
    bool changed = false;
    const std::size_t count = hasCore ? kDiscreteCount : kFirstCoreDiscrete;
    for (std::size_t k = 0; k < count; ++k) {
        if (!first && values.discrete[k] == writer.discrete[k]) continue;
        writer.discrete[k] = values.discrete[k];
        writeEvent(writer, timeMs, 'v', k, values.discrete[k]);
        changed = !first;
    }
    return changed;
}

bool markerReached(RunReportWriter& writer, int32_t timeMs) {
    bool reached = false;
    while (writer.nextMarker < writer.markerTimes.size() && writer.markerTimes[writer.nextMarker] <= timeMs) {
        ++writer.nextMarker;
        reached = true;
    }
    return reached;
}

// Detail of a reduced run: on an event, the frames before it that the
// budget allows, then the frames up to kDetailWindow after it.
void keepDetail(RunReportWriter& writer, bool event) {
    const int64_t now = writer.frame;
    if (event) {
        writer.detailUntil = now + kDetailWindow - 1;
        const int64_t from = std::max(writer.lastDetailFrame + 1, now - kDetailWindow + 1);
        for (int64_t k = from; k < now; ++k) {
            if (!detailAllowed(writer.detailCount, now, writer.totalFrames)) return;
            writeDetail(writer, writer.recent[static_cast<std::size_t>(k % kDetailWindow)]);
        }
    }
    if (now <= writer.detailUntil && detailAllowed(writer.detailCount, now, writer.totalFrames))
        writeDetail(writer, writer.recent[static_cast<std::size_t>(now % kDetailWindow)]);
}

float flag(bool on) {
    return on ? 1.0f : 0.0f;
}

}  // namespace

FrameValues frameValues(const tools::FrameView& frame) {
    const float none = std::numeric_limits<float>::quiet_NaN();
    const VehicleState& s = frame.state;
    const tools::CoreView* core = frame.core;
    FrameValues values;
    auto& v = values.continuous;
    v[0] = s.speed;
    v[1] = s.current;
    for (std::size_t k = 0; k < 5; ++k) v[2 + k] = core ? core->powerCurves[k] : none;
    v[7] = core ? core->holdCurves[0] : none;
    v[8] = core ? core->holdCurves[1] : none;
    v[9] = s.bcPressure;
    v[10] = s.mrPressure;
    v[11] = core ? core->lineVoltage : none;
    for (std::size_t k = 0; k < tools::kNeedleIndices.size(); ++k)
        v[12 + k] = static_cast<float>(frame.panel[tools::kNeedleIndices[k]]);
    v[17] = core ? core->ammeter : none;
    values.discrete = {frame.driver.power,  frame.driver.brake,    frame.driver.reverser,
                       frame.command.power, frame.command.brake,   frame.command.reverser,
                       core ? core->holdStage : 0,
                       core ? static_cast<int32_t>(flag(core->brakeShift)) : 0,
                       core ? static_cast<int32_t>(flag(core->startCut)) : 0,
                       core ? static_cast<int32_t>(flag(core->overlapCut)) : 0,
                       core ? static_cast<int32_t>(flag(core->releaseWatch)) : 0};
    return values;
}

int64_t framesPerBucket(int64_t frames) {
    if (frames <= kFullResolutionFrames) return 1;
    return (frames + kBuckets - 1) / kBuckets;
}

void addToBucket(Bucket& bucket, int32_t timeMs, const std::array<float, kContinuousCount>& values) {
    if (bucket.frames == 0) {
        bucket.firstMs = timeMs;
        bucket.min = bucket.max = values;
        bucket.minMs.fill(timeMs);
        bucket.maxMs.fill(timeMs);
    }
    bucket.lastMs = timeMs;
    ++bucket.frames;
    for (std::size_t k = 0; k < kContinuousCount; ++k) {
        const float value = values[k];
        // NaN compares false either way and is never taken over a number.
        if (std::isnan(bucket.min[k]) && !std::isnan(value)) {
            bucket.min[k] = bucket.max[k] = value;
            bucket.minMs[k] = bucket.maxMs[k] = timeMs;
        }
        if (value < bucket.min[k]) {
            bucket.min[k] = value;
            bucket.minMs[k] = timeMs;
        }
        if (value > bucket.max[k]) {
            bucket.max[k] = value;
            bucket.maxMs[k] = timeMs;
        }
    }
}

bool detailAllowed(int64_t used, int64_t frame, int64_t totalFrames) {
    constexpr int64_t kAtOnce = kDetailBudget / 10;
    const int64_t share = (kDetailBudget - kAtOnce) * std::min(frame, totalFrames) / std::max<int64_t>(1, totalFrames);
    return used < kAtOnce + share;
}

std::string openRunReport(RunReportWriter& writer, const RunReportInfo& info, const std::filesystem::path& path) {
    writer.path = path;
    writer.detailPath = path;
    writer.detailPath += ".detail.part";
    writer.eventsPath = path;
    writer.eventsPath += ".events.part";
    writer.out.open(path, std::ios::binary | std::ios::trunc);
    if (!writer.out) return messages::tr("the file cannot be written");
    writer.detail.open(writer.detailPath, std::ios::binary | std::ios::trunc);
    writer.events.open(writer.eventsPath, std::ios::binary | std::ios::trunc);
    if (!writer.detail || !writer.events) {
        writer.detail.close();
        writer.events.close();
        std::error_code ignored;
        std::filesystem::remove(writer.detailPath, ignored);
        std::filesystem::remove(writer.eventsPath, ignored);
        return messages::tr("the file cannot be written");
    }
    writer.totalFrames =
        info.frameMs > 0 ? static_cast<int64_t>(std::floor(static_cast<double>(info.endMs) / info.frameMs)) + 1 : 1;
    writer.bucketFrames = framesPerBucket(writer.totalFrames);
    for (const Marker& marker : info.markers) writer.markerTimes.push_back(marker.timeMs);
    std::sort(writer.markerTimes.begin(), writer.markerTimes.end());
    writePageStart(writer.out, info.scenario);
    writer.out << "{\"kind\":\"run\",\"texts\":" << pageTexts() << ',';
    writeMeta(writer.out, info, writer);
    writer.out << ",\"buckets\":[";
    return {};
}

void addReportFrame(RunReportWriter& writer, const tools::FrameView& frame) {
    const int32_t timeMs = frame.state.time;
    const bool first = writer.frame == 0;
    static const std::vector<int> panelIndices = eventPanelIndices();
    const FrameValues values = frameValues(frame);
    bool changed = recordDiscrete(writer, timeMs, values, frame.core != nullptr, first);
    changed = recordEvents(writer, timeMs, 'p', panelIndices, writer.panel, frame.panel, first) || changed;
    recordEvents(writer, timeMs, 's', tools::kPluginSoundIndices, writer.sound, frame.sound, first);
    DetailFrame& now = writer.recent[static_cast<std::size_t>(writer.frame % kDetailWindow)];
    now = {writer.frame, timeMs, values.continuous};
    if (writer.bucketFrames == 1) {
        writeDetail(writer, now);
    } else {
        const bool marker = markerReached(writer, timeMs);
        keepDetail(writer, first || changed || marker);
        addToBucket(writer.bucket, timeMs, values.continuous);
        if (writer.bucket.frames >= writer.bucketFrames) writeBucket(writer);
    }
    ++writer.frame;
}

std::string finishRunReport(RunReportWriter& writer, const std::vector<Happening>& happenings) {
    writeBucket(writer);
    writer.detail.flush();
    writer.events.flush();
    const bool spooled = writer.detail && writer.events;
    writer.detail.close();
    writer.events.close();
    std::ostream& out = writer.out;
    const auto copySpool = [&out](const std::filesystem::path& spool, int64_t count) {
        std::ifstream in(spool, std::ios::binary);
        if (count > 0) out << in.rdbuf();
    };
    out << "],\"detail\":[";
    copySpool(writer.detailPath, writer.detailCount);
    out << "],\"events\":[";
    copySpool(writer.eventsPath, writer.eventCount);
    std::error_code ignored;
    std::filesystem::remove(writer.detailPath, ignored);
    std::filesystem::remove(writer.eventsPath, ignored);
    out << "],\"happenings\":[";
    for (std::size_t k = 0; k < happenings.size(); ++k) {
        out << (k ? ",\n[" : "\n[");
        writeSeconds(out, happenings[k].timeMs);
        out << ',' << jsonString(happenings[k].topic) << ',' << jsonString(happenings[k].text) << ']';
    }
    out << "],\"end\":{\"frames\":" << writer.frame << ",\"buckets\":" << writer.bucketCount
        << ",\"detail\":" << writer.detailCount << ",\"events\":" << writer.eventCount << "}}";
    writePageEnd(out);
    out.flush();
    if (!out || !spooled) return messages::tr("writing the file failed");
    writer.out.close();
    return {};
}

}  // namespace report
