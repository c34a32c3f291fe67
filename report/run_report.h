// The HTML report of a cabhost run: one self-contained page (the charting
// library, the page's script and style and the run's data as JSON inside it)
// written while the run plays, fed the same frames as the trace.
//
// The run is reduced per pixel column without being held in memory: up to
// kFullResolutionFrames frames every frame is one row; a longer run is cut
// into kBuckets groups of equal frame count, and each group gives two rows,
// its first and last time, carrying each series' minimum and maximum in the
// order they occurred. Every change of a lamp, a digit or a sound is kept as
// an event; the events wait in a spool file beside the report until the rows
// are done.
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

// The series of a row after its time, in this order; see run_report.cpp.
constexpr std::size_t kSeriesCount = 28;
using SeriesValues = std::array<float, kSeriesCount>;

struct Marker {
    int32_t timeMs = 0;
    bool note = false;  // a note of the scenario; otherwise one of its events
    std::string text;
};

struct IndexName {
    int index = 0;
    std::string name;
};

struct RunReportInfo {
    std::string scenario;
    std::string vehicle;
    std::string stateSource;  // how the plug-in's state was obtained
    bool hasCore = false;
    double frameMs = 0;
    int64_t endMs = 0;
    std::vector<Marker> markers;
    std::vector<IndexName> panelNames;  // for the lamps and digits
    std::vector<IndexName> soundNames;
};

// One group of frames: each series' extremes and the frames they came from.
struct Bucket {
    int64_t frames = 0;
    int32_t firstMs = 0;
    int32_t lastMs = 0;
    SeriesValues min{};
    SeriesValues max{};
    std::array<int64_t, kSeriesCount> minAt{};
    std::array<int64_t, kSeriesCount> maxAt{};
};

struct ReportRow {
    int32_t timeMs = 0;
    SeriesValues values{};
};

// The values of a frame; NaN where the run has no value (the plug-in's state
// without an in-process core).
SeriesValues seriesValues(const tools::FrameView& frame);

// Frames a group takes for a run of `frames` frames.
int64_t framesPerBucket(int64_t frames);

void addToBucket(Bucket& bucket, int64_t frame, int32_t timeMs, const SeriesValues& values);
// The rows of a full or final group, in time order: one for a single frame,
// two otherwise. Returns the number written into `rows`.
int bucketRows(const Bucket& bucket, ReportRow (&rows)[2]);

struct RunReportWriter {
    std::ofstream out;
    std::ofstream events;
    std::filesystem::path path;
    std::filesystem::path eventsPath;
    int64_t bucketFrames = 1;
    Bucket bucket;
    int64_t frame = 0;
    int64_t rows = 0;
    int64_t eventCount = 0;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
};

// Opens the report and its spool and writes the page up to the rows.
// Returns empty, or why the report cannot be written.
std::string openRunReport(RunReportWriter& writer, const RunReportInfo& info, const std::filesystem::path& path);
void addReportFrame(RunReportWriter& writer, const tools::FrameView& frame);
// Writes the rest of the page and removes the spool. Returns empty, or why
// the report could not be written.
std::string finishRunReport(RunReportWriter& writer);

}  // namespace report
