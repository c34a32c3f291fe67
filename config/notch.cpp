#include "config/notch.h"

#include "config/curves.h"

namespace config {

namespace {
// Reads the next line of a key file, without its comment and surrounding
// white space.
void readCleanLine(ConfigFile& file, Text& line) {
    file.readLine(line);
    stripComment(line);
    trim(line);
}

bool readsHeader(const Text& line, NotchConfig& config) {
    if (equalsIgnoreCase(line, u"[Power]")) {
        config.activeSection = PowerSection;
    } else if (equalsIgnoreCase(line, u"[Brake]")) {
        config.activeSection = BrakeSection;
    } else {
        return false;
    }
    return true;
}

// The path field that `key` sets in the section in force, or nullptr.
std::filesystem::path* pathForKey(NotchConfig& config, const Text& key) {
    if (config.activeSection == PowerSection) {
        if (equalsIgnoreCase(key, u"Params")) return &config.powerParamsPath;
        if (equalsIgnoreCase(key, u"Current")) return &config.powerCurrentPath;
    } else if (config.activeSection == BrakeSection) {
        if (equalsIgnoreCase(key, u"Params")) return &config.brakeParamsPath;
        if (equalsIgnoreCase(key, u"Current")) return &config.brakeCurrentPath;
        if (equalsIgnoreCase(key, u"NoLoadCurrent")) return &config.brakeNoLoadCurrentPath;
    }
    return nullptr;
}
}  // namespace

void loadNotchIndex(NotchConfig& config, const std::filesystem::path& indexPath, LoadReport& report) {
    const std::filesystem::path notchDirectory = std::filesystem::path(indexPath).remove_filename();
    ConfigFile file(indexPath, report);
    Text line;
    Text key;
    Text value;
    while (file.isOpen() && !file.atEnd()) {
        readCleanLine(file, line);
        if (line.empty() || readsHeader(line, config)) continue;
        if (!splitKeyValue(line, key, value)) continue;
        if (std::filesystem::path* field = pathForKey(config, key)) *field = resolvePath(notchDirectory, value);
    }
}

void loadPowerParams(NotchConfig& config, LoadReport& report) {
    ConfigFile file(config.powerParamsPath, report);
    Text line;
    Fields requiredNotches;
    int requiredNotchLine = 0;
    while (file.isOpen() && !file.atEnd()) {
        readCleanLine(file, line);
        if (!startsWith(line, u"RequiredNotch_Up")) continue;
        splitFields(line, requiredNotches);
        requiredNotchLine = report.currentLine;
    }
    if (requiredNotchLine == 0) return;
    // The values are converted only now; an error must still name their line.
    report.currentFile = config.powerParamsPath;
    report.currentLine = requiredNotchLine;
    selectPowerSteps(requiredNotches, config.powerCurveSteps);
    config.powerCurrentCurves.assign(config.powerCurveSteps.size(), {});
}

void loadBrakeParams(NotchConfig& config, LoadReport& report) {
    ConfigFile file(config.brakeParamsPath, report);
    Text line;
    Fields fields;
    while (file.isOpen() && !file.atEnd()) {
        readCleanLine(file, line);
        if (startsWith(line, u"BreakerDelay_On")) {
            splitFields(line, fields);
            config.breakerDelayOn = toFloat(fieldAt(fields, 1));
        } else if (startsWith(line, u"RequiredNotch_Up")) {
            splitFields(line, fields);
            config.brakeStepCount = fields.size() - 1;
        } else if (startsWith(line, u"CurrentLimitingValue_Empty")) {
            splitFields(line, fields);
            config.currentLimitingValueEmpty = toFloat(fieldAt(fields, 1));
        }
    }
}

void loadNoLoadCurrent(NotchConfig& config, LoadReport& report) {
    readTableRows(config.brakeNoLoadCurrentPath, report, [&config](const Fields& fields) {
        if (fields.size() < 3 || fields[1].empty()) return RowOutcome::KeepReading;
        config.noLoadCurrent = toFloat(fields[1]);
        return RowOutcome::StopReading;
    });
}

void loadNotchConfiguration(NotchConfig& config, const std::filesystem::path& pluginDirectory,
                            LoadReport& report) {
    config = NotchConfig{};
    loadNotchIndex(config, pluginDirectory / "notch" / "notch.txt", report);
    loadPowerParams(config, report);
    loadBrakeParams(config, report);
    loadCurrentCurves(config.powerCurrentPath, config.powerCurrentCurves, config.powerCurveSteps, report);
    loadBrakeCurves(config, report);
    loadNoLoadCurrent(config, report);
}

}  // namespace config
