#include "report/page.h"

#include <vector>

#include "messages/messages.h"
#include "report/json.h"

namespace report {

extern const char kChartScript[];
extern const char kChartStyle[];
extern const char kPageScript[];
extern const char kRunReportScript[];
extern const char kVehicleReportScript[];
extern const char kReportStyle[];

namespace {

// The words of the page: the key the script asks for, and the text.
struct PageWord {
    const char* key;
    const char* text;
};

std::vector<PageWord> pageWords() {
    return {
        {"hint", messages::tr("Drag across a chart to zoom, double-click to zoom out. The panel view follows the "
                              "cursor; the slider moves it too.")},
        {"vehicle_label", messages::tr("vehicle")},
        {"state_label", messages::tr("state of the plug-in")},
        {"Current curves", messages::tr("Current curves")},
        {"Findings", messages::tr("Findings")},
        {"Handles", messages::tr("Handles")},
        {"Load", messages::tr("Load")},
        {"Module list", messages::tr("Module list")},
        {"Needle tables", messages::tr("Needle tables")},
        {"No findings.", messages::tr("No findings.")},
        {"Panel", messages::tr("Panel")},
        {"Pressure (kPa) and line voltage (V)", messages::tr("Pressure (kPa) and line voltage (V)")},
        {"Scenario events", messages::tr("Scenario events")},
        {"Speed (km/h)", messages::tr("Speed (km/h)")},
        {"Traction current (A)", messages::tr("Traction current (A)")},
        {"Vehicle", messages::tr("Vehicle")},
        {"brake (driver)", messages::tr("brake (driver)")},
        {"brake (returned)", messages::tr("brake (returned)")},
        {"brake cylinder", messages::tr("brake cylinder")},
        {"brake-shift mode", messages::tr("brake-shift mode")},
        {"current", messages::tr("current")},
        {"digits", messages::tr("digits")},
        {"events", messages::tr("events")},
        {"file", messages::tr("file")},
        {"frames", messages::tr("frames")},
        {"hold stage", messages::tr("hold stage")},
        {"how to fix it", messages::tr("how to fix it")},
        {"input", messages::tr("input")},
        {"line voltage", messages::tr("line voltage")},
        {"line", messages::tr("line")},
        {"looped", messages::tr("looped")},
        {"main reservoir", messages::tr("main reservoir")},
        {"note", messages::tr("note")},
        {"outcome", messages::tr("outcome")},
        {"output", messages::tr("output")},
        {"overlap cut", messages::tr("overlap cut")},
        {"played", messages::tr("played")},
        {"power (driver)", messages::tr("power (driver)")},
        {"power (returned)", messages::tr("power (returned)")},
        {"reverser (driver)", messages::tr("reverser (driver)")},
        {"reverser (returned)", messages::tr("reverser (returned)")},
        {"severity", messages::tr("severity")},
        {"sound", messages::tr("sound")},
        {"speed", messages::tr("speed")},
        {"start cut", messages::tr("start cut")},
        {"stopped", messages::tr("stopped")},
        {"time (s)", messages::tr("time (s)")},
        {"time", messages::tr("time")},
        {"what the plug-in does", messages::tr("what the plug-in does")},
        {"what was found", messages::tr("what was found")},
        {"loaded", messages::tr("loaded")},
        {"on", messages::tr("on")},
        {"off", messages::tr("off")},
        {"absent", messages::tr("absent")},
        {"not a library", messages::tr("not a library")},
        {"an empty line: it names no module", messages::tr("an empty line: it names no module")},
        // The run report's own words.
        {"What happened",
         messages::tr("What happened")},
        {"Without the in-process copy the start-up's result is not known.",
         messages::tr("Without the in-process copy the start-up's result is not known.")},
        {"The start-up stopped at an error: {1}",
         messages::tr("The start-up stopped at an error: {1}")},
        {"The start-up completed with {1} warnings.",
         messages::tr("The start-up completed with {1} warnings.")},
        {"The start-up completed.",
         messages::tr("The start-up completed.")},
        {"a band is the minimum and maximum of {1} frames",
         messages::tr("a band is the minimum and maximum of {1} frames")},
        {"full resolution around the scenario's events and every change",
         messages::tr("full resolution around the scenario's events and every change")},
        {"Happenings (click to go there)",
         messages::tr("Happenings (click to go there)")},
        {"scenario event",
         messages::tr("scenario event")},
        {"step {1} ({2})",
         messages::tr("step {1} ({2})")},
        {"lamp floor",
         messages::tr("lamp floor")},
        {"current lamp on",
         messages::tr("current lamp on")},
        {"current lamp off",
         messages::tr("current lamp off")},
        {"not used",
         messages::tr("not used")},
        {"full current",
         messages::tr("full current")},
        {"zoomed past the stored resolution: a band is the minimum and maximum of {1} frames ({2})",
         messages::tr("zoomed past the stored resolution: a band is the minimum and maximum of {1} frames ({2})")},
        {"braking step {1} (hold stage {2})",
         messages::tr("braking step {1} (hold stage {2})")},
        {"ammeter input (current needle)",
         messages::tr("ammeter input (current needle)")},
        {"release watch",
         messages::tr("release watch")},
        {"States, lamps and sounds",
         messages::tr("States, lamps and sounds")},
        {"The line voltage is a random walk: its curve is the in-process copy's, the needle 232 the loaded library's. Each draws its own random numbers, so the two differ by design.",
         messages::tr("The line voltage is a random walk: its curve is the in-process copy's, the needle 232 the loaded library's. Each draws its own random numbers, so the two differ by design.")},
        {"needle 232: the loaded library's value; its input below the dial: the in-process copy's line voltage",
         messages::tr("needle 232: the loaded library's value; its input below the dial: the in-process copy's line voltage")},
        {"a range here: minimum .. maximum of the {1} frames from {2} to {3}",
         messages::tr("a range here: minimum .. maximum of the {1} frames from {2} to {3}")},
        {"min .. max", messages::tr("min .. max")},
        {"line {1}", messages::tr("line {1}")},
        {": ", messages::tr(": ")},
        {", ", messages::tr(", ")},
        {"severity-error", messages::tr("error")},
        {"severity-warning", messages::tr("warning")},
        {"severity-note", messages::tr("note")},
        {"the points as the plug-in read them", messages::tr("the points as the plug-in read them")},
        {"powering curves", messages::tr("powering curves")},
        {"braking curves", messages::tr("braking curves")},
    };
}

}  // namespace

void writePageStart(std::ostream& out, const std::string& title) {
    const bool japanese = messages::currentLanguage() == messages::Language::Japanese;
    out << "<!DOCTYPE html>\n<html lang=\"" << (japanese ? "ja" : "en") << "\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src 'unsafe-inline'; "
           "style-src 'unsafe-inline'; img-src data:\">\n<title>";
    for (const char c : title) {
        if (c == '<') out << "&lt;";
        else if (c == '&') out << "&amp;";
        else out << c;
    }
    out << "</title>\n<style>\n" << kChartStyle << "\n" << kReportStyle << "\n</style>\n</head>\n<body>\n"
        << "<div id=\"app\"></div>\n<script type=\"application/json\" id=\"report-data\">";
}

void writePageEnd(std::ostream& out) {
    out << "</script>\n<script>\n" << kChartScript << "\n</script>\n<script>\n" << kPageScript << "\n"
        << kRunReportScript << "\n" << kVehicleReportScript << "\norvalisPage.start();\n</script>\n</body>\n</html>\n";
}

std::string pageTexts() {
    std::string json = "{";
    for (const PageWord& word : pageWords()) {
        if (json.size() > 1) json += ',';
        json += jsonString(word.key) + ':' + jsonString(word.text);
    }
    return json + "}";
}

}  // namespace report
