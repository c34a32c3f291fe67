// Which file each section of notch.txt names, judged from the files'
// content: a braking parameter file named under [Power] (its keys tell it),
// and curve files whose columns fit the other section's steps. When the two
// sections have plainly traded their files, the edit trades the values back.
#include <optional>

#include "config/text.h"
#include "diagnose/diagnosis.h"
#include "diagnose/numbers.h"
#include "diagnose/visible.h"
#include "messages/messages.h"

namespace diagnose {

namespace {

constexpr std::u16string_view kBrakeOnlyKeys[] = {u"BreakerDelay_On", u"CurrentLimitingValue_Empty"};

// A "Params" or "Current" line of notch.txt as the plug-in took it: the last
// one of its section, with the place of its value.
struct NamingLine {
    int line = 0;
    int valueColumn = 0;
    config::Text value;
};

struct SectionFiles {
    std::optional<NamingLine> powerParams, powerCurrent, brakeParams, brakeCurrent;
    int powerParamsLines = 0;  // more than one: a line meant for [Brake] most likely, told as such already
};

SectionFiles namingLines(const std::filesystem::path& notchFile) {
    SectionFiles files;
    int section = 0;  // 1 [Power], 2 [Brake]
    for (const Line& line : readLines(notchFile)) {
        config::Text text = line.text;
        config::stripComment(text);
        std::size_t lead = 0;
        while (lead < text.size() && config::isSpace(text[lead])) ++lead;
        const int column = characterCount(std::u16string_view(text).substr(0, lead)) + 1;
        config::trim(text);
        if (config::equalsIgnoreCase(text, u"[Power]")) section = 1;
        if (config::equalsIgnoreCase(text, u"[Brake]")) section = 2;
        config::Text key;
        config::Text value;
        if (section == 0 || !config::splitKeyValue(text, key, value) || value.empty()) continue;
        std::size_t start = text.find('=') + 1;
        while (start < text.size() && config::isSpace(text[start])) ++start;
        const NamingLine naming{line.number, column + characterCount(std::u16string_view(text).substr(0, start)), value};
        if (config::equalsIgnoreCase(key, u"Params")) (section == 1 ? files.powerParams : files.brakeParams) = naming;
        if (config::equalsIgnoreCase(key, u"Params") && section == 1) ++files.powerParamsLines;
        if (config::equalsIgnoreCase(key, u"Current")) (section == 1 ? files.powerCurrent : files.brakeCurrent) = naming;
    }
    return files;
}

bool holdsBrakeKeys(const std::filesystem::path& file) {
    for (const Line& line : readLines(file)) {
        config::Text text = line.text;
        config::stripComment(text);
        config::trim(text);
        for (const std::u16string_view key : kBrakeOnlyKeys)
            if (config::startsWith(text, key)) return true;
    }
    return false;
}

bool holdsRequiredNotch(const std::filesystem::path& file) {
    for (const Line& line : readLines(file)) {
        config::Text text = line.text;
        config::stripComment(text);
        config::trim(text);
        if (config::startsWith(text, u"RequiredNotch_Up")) return true;
    }
    return false;
}

// The step columns of a curve file: the header's fields after the speed.
std::size_t curveColumns(const std::filesystem::path& file) {
    const std::vector<Line> lines = readLines(file);
    if (lines.empty()) return 0;
    config::Text header = lines.front().text;
    config::stripComment(header);
    config::Fields fields;
    config::splitFields(header, fields);
    return fields.empty() ? 0 : fields.size() - 1;
}

std::vector<Fix> tradeValues(const std::filesystem::path& notchFile, const NamingLine& a, const NamingLine& b) {
    return {editFix(notchFile, a.line, a.valueColumn, characterCount(a.value), b.value),
            editFix(notchFile, b.line, b.valueColumn, characterCount(b.value), a.value)};
}

Finding namingFinding(const std::filesystem::path& notchFile, const NamingLine& line, std::string message,
                      std::string fix) {
    Finding finding;
    finding.severity = Severity::Warning;
    finding.file = notchFile;
    finding.line = line.line;
    finding.column = line.valueColumn;
    finding.found = visibleText(line.value);
    finding.message = std::move(message);
    finding.fix = std::move(fix);
    return finding;
}

void checkParamsFiles(Diagnosis& diagnosis, const std::filesystem::path& notchFile, const SectionFiles& files) {
    const config::NotchConfig& notch = diagnosis.plugin.notch;
    if (!files.powerParams || files.powerParamsLines > 1 || !std::filesystem::is_regular_file(notch.powerParamsPath) ||
        !holdsBrakeKeys(notch.powerParamsPath))
        return;
    const bool traded = files.brakeParams && std::filesystem::is_regular_file(notch.brakeParamsPath) &&
                        notch.brakeParamsPath.lexically_normal() != notch.powerParamsPath.lexically_normal() &&
                        !holdsBrakeKeys(notch.brakeParamsPath) && holdsRequiredNotch(notch.brakeParamsPath);
    const std::string power = backquoted(files.powerParams->value);
    if (traded) {
        const std::string brake = backquoted(files.brakeParams->value);
        Finding finding = namingFinding(
            notchFile, *files.powerParams,
            messages::trf("[Power] names {1}, which holds the keys of a braking parameter file (BreakerDelay_On, "
                          "CurrentLimitingValue_Empty), and [Brake] names {2}, which holds none of them: the two "
                          "sections have traded their parameter files, so the powering steps are read from the "
                          "braking file",
                          {power, brake}),
            messages::trf("write Params = {1} under [Power] and Params = {2} under [Brake]", {brake, power}));
        finding.fixes = tradeValues(notchFile, *files.powerParams, *files.brakeParams);
        diagnosis.sectionFilesTraded = true;
        add(diagnosis, std::move(finding));
        return;
    }
    add(diagnosis, namingFinding(notchFile, *files.powerParams,
                                 messages::trf("[Power] names {1}, which holds the keys of a braking parameter file "
                                               "(BreakerDelay_On, CurrentLimitingValue_Empty): the powering steps are "
                                               "read from its RequiredNotch_Up line",
                                               {power}),
                                 messages::tr("name the powering parameter file under [Power], and this one under "
                                              "[Brake]")));
}

// Each curve file has exactly the columns of the other section's steps: the
// two Current lines have traded their files.
void checkCurrentFiles(Diagnosis& diagnosis, const std::filesystem::path& notchFile, const SectionFiles& files) {
    const config::NotchConfig& notch = diagnosis.plugin.notch;
    // Traded parameter files trade the step counts too: the curve files then fit.
    if (diagnosis.sectionFilesTraded) return;
    if (!files.powerCurrent || !files.brakeCurrent || notch.powerCurveSteps.empty() || notch.brakeStepCount == 0 ||
        !std::filesystem::is_regular_file(notch.powerCurrentPath) ||
        !std::filesystem::is_regular_file(notch.brakeCurrentPath))
        return;
    std::size_t powerNeeded = 0;
    for (const uint64_t step : notch.powerCurveSteps) powerNeeded = std::max<std::size_t>(powerNeeded, step);
    const std::size_t brakeNeeded = static_cast<std::size_t>(notch.brakeStepCount);
    const std::size_t powerHas = curveColumns(notch.powerCurrentPath);
    const std::size_t brakeHas = curveColumns(notch.brakeCurrentPath);
    if (powerHas == brakeHas || powerHas != brakeNeeded || brakeHas != powerNeeded) return;
    const std::string power = backquoted(files.powerCurrent->value);
    const std::string brake = backquoted(files.brakeCurrent->value);
    Finding finding = namingFinding(
        notchFile, *files.powerCurrent,
        messages::trf("[Power] names {1} with curves for {2} steps where the powering side reads steps up to {3}, "
                      "and [Brake] names {4} with curves for {5} steps where the braking side has {6}: the two "
                      "sections have traded their curve files",
                      {power, std::to_string(powerHas), std::to_string(powerNeeded), brake, std::to_string(brakeHas),
                       std::to_string(brakeNeeded)}),
        messages::trf("write Current = {1} under [Power] and Current = {2} under [Brake]", {brake, power}));
    finding.fixes = tradeValues(notchFile, *files.powerCurrent, *files.brakeCurrent);
    diagnosis.sectionFilesTraded = true;
    add(diagnosis, std::move(finding));
}

}  // namespace

void checkSectionFiles(Diagnosis& diagnosis, const std::filesystem::path& notchFile) {
    const SectionFiles files = namingLines(notchFile);
    checkParamsFiles(diagnosis, notchFile, files);
    checkCurrentFiles(diagnosis, notchFile, files);
}

}  // namespace diagnose
