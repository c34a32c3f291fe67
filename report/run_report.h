// The HTML report of a cabhost run: one self-contained page (the charting
// library, the page's script and style and the run's data as JSON inside it)
// written while the run plays, fed the same frames as the trace.
//
// A run keeps two kinds of series apart:
// - discrete series (handles, hold stage, cuts, modes, lamps, digits,
//   sounds) are kept as events, one at every change, at the frame's own
//   time, whatever the run's length;
// - continuous series (speed, current, curves, pressures, voltage, needles)
//   are kept frame by frame ("detail") up to kFullResolutionFrames frames.
//   A longer run is cut into about kBuckets groups of equal frame count;
//   each group keeps every series' minimum and maximum with the time at
//   which each occurred, and the frames around the scenario's events and
//   every discrete change stay as detail, within a budget that keeps the
//   file's size bounded whatever the run's length.
// Nothing grows with the run in memory: the groups go to the file as they
// close, detail and events wait in spool files beside the report.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/frame_view.h"

namespace report {

constexpr int64_t kFullResolutionFrames = 12000;
constexpr int64_t kBuckets = 6000;
// Frames kept as detail before and after each event of a reduced run.
constexpr int64_t kDetailWindow = 30;
// Detail frames a reduced run may keep in all, spread over its length.
constexpr int64_t kDetailBudget = 40000;

// The continuous series, in the order of the page's "continuous" list.
constexpr std::size_t kContinuousCount = 18;
// The discrete series, in the order of the page's "discrete" list; the ones
// from kFirstCoreDiscrete on are the plug-in's own state.
constexpr std::size_t kDiscreteCount = 11;
constexpr std::size_t kFirstCoreDiscrete = 6;

struct FrameValues {
    std::array<float, kContinuousCount> continuous{};  // NaN where the run has no value
    std::array<int32_t, kDiscreteCount> discrete{};
};

struct Marker {
    int32_t timeMs = 0;
    bool note = false;  // a note of the scenario; otherwise one of its events
    std::string text;
};

struct IndexName {
    int index = 0;
    std::string name;
};

// What the plug-in's start-up did, as the terminal says it.
struct StartupResult {
    bool known = false;    // the run has an in-process copy that saw the start-up
    bool stopped = false;  // an error ended Load
    std::string stoppedAt;
    std::vector<std::string> lines;  // the error and the warnings, one line each
    int warnings = 0;
};

// One line of the run's summary: what happened, at the frame it happened.
struct Happening {
    int32_t timeMs = 0;
    std::string topic;
    std::string text;
};

struct RunReportInfo {
    std::string scenario;
    std::string vehicle;
    std::string stateSource;  // how the plug-in's state was obtained
    bool hasCore = false;
    double frameMs = 0;
    int64_t endMs = 0;
    std::vector<Marker> markers;  // in time order
    std::vector<IndexName> panelNames;  // for the lamps and digits
    std::vector<IndexName> soundNames;
    std::vector<uint64_t> powerSteps;  // the selected power steps, as the author's file numbers them
    StartupResult startup;
};

// One group of frames: each continuous series' extremes and when they were.
struct Bucket {
    int64_t frames = 0;
    int32_t firstMs = 0;
    int32_t lastMs = 0;
    std::array<float, kContinuousCount> min{};
    std::array<float, kContinuousCount> max{};
    std::array<int32_t, kContinuousCount> minMs{};
    std::array<int32_t, kContinuousCount> maxMs{};
};

struct DetailFrame {
    int64_t frame = -1;
    int32_t timeMs = 0;
    std::array<float, kContinuousCount> values{};
};

FrameValues frameValues(const tools::FrameView& frame);

// Frames a group takes for a run of `frames` frames; 1 keeps every frame.
int64_t framesPerBucket(int64_t frames);

void addToBucket(Bucket& bucket, int32_t timeMs, const std::array<float, kContinuousCount>& values);

// Whether a reduced run may keep one more detail frame at `frame` of
// `totalFrames`, having kept `used`: a share grows with the run, so that a
// busy start does not take what its end needs.
bool detailAllowed(int64_t used, int64_t frame, int64_t totalFrames);

struct RunReportWriter {
    std::ofstream out;
    std::ofstream detail;
    std::ofstream events;
    std::filesystem::path path;
    std::filesystem::path detailPath;
    std::filesystem::path eventsPath;
    int64_t totalFrames = 1;
    int64_t bucketFrames = 1;
    Bucket bucket;
    int64_t frame = 0;
    int64_t bucketCount = 0;
    int64_t detailCount = 0;
    int64_t eventCount = 0;
    // The last kDetailWindow frames, for the detail before an event.
    std::array<DetailFrame, kDetailWindow> recent{};
    int64_t lastDetailFrame = -1;
    int64_t detailUntil = -1;
    std::vector<int32_t> markerTimes;
    std::size_t nextMarker = 0;
    std::array<int32_t, kDiscreteCount> discrete{};
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
};

// Opens the report and its spools and writes the page up to the groups.
// Returns empty, or why the report cannot be written.
std::string openRunReport(RunReportWriter& writer, const RunReportInfo& info, const std::filesystem::path& path);
void addReportFrame(RunReportWriter& writer, const tools::FrameView& frame);
// Writes the rest of the page with the run's happenings and removes the
// spools. Returns empty, or why the report could not be written.
std::string finishRunReport(RunReportWriter& writer, const std::vector<Happening>& happenings);

}  // namespace report
