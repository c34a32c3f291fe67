// Which file each section of notch.txt names, judged from the files'
// content: a braking parameter file named under [Power] (its keys tell it),
// and curve files whose columns fit the other section's steps. When the two
// sections have plainly traded their files, the edit trades the values back.
#include <algorithm>
#include <iterator>
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
    std::optional<NamingLine> powerParams, powerCurrent, brakeParams, brakeCurrent, noLoadCurrent;
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
        if (config::equalsIgnoreCase(key, u"NoLoadCurrent") && section == 2) files.noLoadCurrent = naming;
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

// ---------------------------------------------------------------------------
// One file named under two keys that read different kinds of file: a
// parameter file (key lines), a current curve file (a header and a row per
// speed) and the no-load current file (a header and one row). No file is
// both, so one of the two lines names the wrong file; the file's content
// tells which.

enum class Kind { Params, Curves, NoLoad };

Kind kindOf(NotchKey key) {
    if (key == NotchKey::PowerParams || key == NotchKey::BrakeParams) return Kind::Params;
    return key == NotchKey::BrakeNoLoadCurrent ? Kind::NoLoad : Kind::Curves;
}

const char* keyName(NotchKey key) {
    switch (key) {
    case NotchKey::PowerParams: return "[Power] Params";
    case NotchKey::PowerCurrent: return "[Power] Current";
    case NotchKey::BrakeParams: return "[Brake] Params";
    case NotchKey::BrakeCurrent: return "[Brake] Current";
    case NotchKey::BrakeNoLoadCurrent: return "[Brake] NoLoadCurrent";
    }
    return "";
}

const std::filesystem::path& pathOf(const config::NotchConfig& notch, NotchKey key) {
    switch (key) {
    case NotchKey::PowerParams: return notch.powerParamsPath;
    case NotchKey::PowerCurrent: return notch.powerCurrentPath;
    case NotchKey::BrakeParams: return notch.brakeParamsPath;
    case NotchKey::BrakeCurrent: return notch.brakeCurrentPath;
    case NotchKey::BrakeNoLoadCurrent: return notch.brakeNoLoadCurrentPath;
    }
    return notch.powerParamsPath;
}

// The rows of a table file after its header that hold anything but a comment.
std::size_t dataRows(const std::filesystem::path& file) {
    const std::vector<Line> lines = readLines(file);
    std::size_t rows = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        config::Text text = lines[i].text;
        config::stripComment(text);
        config::trim(text);
        if (!text.empty()) ++rows;
    }
    return rows;
}

// What the file is by its content: key lines make a parameter file; a table
// of one row is a no-load current file, of more rows a curve file.
Kind contentOf(const std::filesystem::path& file) {
    if (holdsRequiredNotch(file) || holdsBrakeKeys(file)) return Kind::Params;
    return dataRows(file) > 1 ? Kind::Curves : Kind::NoLoad;
}

// Whether `file` suits `key`: the kind of file it reads, and for a parameter
// file the side its keys belong to.
bool suits(const std::filesystem::path& file, NotchKey key) {
    const Kind kind = contentOf(file);
    if (kind != kindOf(key)) return false;
    if (key == NotchKey::PowerParams) return !holdsBrakeKeys(file);
    if (key == NotchKey::BrakeParams) return holdsBrakeKeys(file);
    return true;
}

std::string whatItIs(Kind kind) {
    switch (kind) {
    case Kind::Params: return messages::tr("a parameter file");
    case Kind::Curves: return messages::tr("a current curve file");
    case Kind::NoLoad: return messages::tr("a table of one row, as the no-load current file is");
    }
    return {};
}

std::string whatIsRead(NotchKey key) {
    switch (kindOf(key)) {
    case Kind::Params: return messages::tr("the plug-in looks in it for the keys of a parameter file and finds none");
    case Kind::Curves: return messages::tr("the plug-in reads its lines as rows of speeds and currents");
    case Kind::NoLoad: return messages::tr("the plug-in takes the no-load current from field 2 of its first row");
    }
    return {};
}

// The one file beside the wrongly named one that no line names and that
// suits the key: what the line most likely meant.
std::optional<std::filesystem::path> meantFile(const config::NotchConfig& notch, const std::filesystem::path& named,
                                               NotchKey key) {
    std::optional<std::filesystem::path> found;
    std::error_code error;
    int count = 0;
    for (std::filesystem::directory_iterator it(named.parent_path(), error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::path candidate = it->path();
        std::string extension = candidate.extension().u8string();
        for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if ((extension != ".txt" && extension != ".csv") || !std::filesystem::is_regular_file(candidate, error) ||
            candidate.filename() == "notch.txt")
            continue;
        bool namedAlready = false;
        for (const NotchKey other : {NotchKey::PowerParams, NotchKey::PowerCurrent, NotchKey::BrakeParams,
                                     NotchKey::BrakeCurrent, NotchKey::BrakeNoLoadCurrent})
            namedAlready = namedAlready || pathOf(notch, other).lexically_normal() == candidate.lexically_normal();
        if (namedAlready || !suits(candidate, key)) continue;
        found = candidate;
        ++count;
    }
    if (count != 1) return std::nullopt;
    return found;
}

void checkFileNamedTwice(Diagnosis& diagnosis, const std::filesystem::path& notchFile, const SectionFiles& files) {
    const config::NotchConfig& notch = diagnosis.plugin.notch;
    const std::pair<NotchKey, const std::optional<NamingLine>*> keys[] = {
        {NotchKey::PowerParams, &files.powerParams},     {NotchKey::PowerCurrent, &files.powerCurrent},
        {NotchKey::BrakeParams, &files.brakeParams},     {NotchKey::BrakeCurrent, &files.brakeCurrent},
        {NotchKey::BrakeNoLoadCurrent, &files.noLoadCurrent}};
    for (std::size_t a = 0; a < std::size(keys); ++a) {
        for (std::size_t b = a + 1; b < std::size(keys); ++b) {
            const NotchKey first = keys[a].first;
            const NotchKey second = keys[b].first;
            const std::filesystem::path& path = pathOf(notch, first);
            if (kindOf(first) == kindOf(second) || !*keys[a].second || !*keys[b].second || path.empty() ||
                path.lexically_normal() != pathOf(notch, second).lexically_normal() ||
                !std::filesystem::is_regular_file(path) || isMisnamed(diagnosis, first) ||
                isMisnamed(diagnosis, second))
                continue;
            // The line whose kind the content does not have is the wrong one;
            // when it fits neither, the later key is.
            const Kind content = contentOf(path);
            const NotchKey wrong = content == kindOf(second) ? first : second;
            const NotchKey right = wrong == first ? second : first;
            const NamingLine& line = **(wrong == first ? keys[a].second : keys[b].second);
            std::string message = messages::trf(
                "{1} names {2}, which {3} names too: it is {4}, and {5}",
                {keyName(wrong), backquoted(line.value), keyName(right), whatItIs(content), whatIsRead(wrong)});
            Finding finding = namingFinding(notchFile, line, std::move(message),
                                            messages::trf("name the file meant for {1} here", {keyName(wrong)}));
            const std::optional<config::LoadFailure>& failure = diagnosis.plugin.report.failure;
            if (failure && failure->file.lexically_normal() == path.lexically_normal() && !diagnosis.failureExplained) {
                finding.severity = Severity::Error;
                finding.message += std::string(" ") + messages::tr("(the plug-in's start-up stops at this file)");
                diagnosis.failureExplained = true;
            }
            const bool plainName = config::pathFromText(line.value).filename() == config::pathFromText(line.value);
            if (const std::optional<std::filesystem::path> meant = meantFile(notch, path, wrong); meant && plainName) {
                const std::u16string name = meant->filename().u16string();
                finding.fix = messages::trf("name {1} here", {backquoted(name)});
                finding.fixes.push_back(editFix(notchFile, line.line, line.valueColumn, characterCount(line.value), name));
            }
            diagnosis.misnamed.push_back(wrong);
            add(diagnosis, std::move(finding));
        }
    }
}

}  // namespace

bool isMisnamed(const Diagnosis& diagnosis, NotchKey key) {
    return std::find(diagnosis.misnamed.begin(), diagnosis.misnamed.end(), key) != diagnosis.misnamed.end();
}

void checkSectionFiles(Diagnosis& diagnosis, const std::filesystem::path& notchFile) {
    const SectionFiles files = namingLines(notchFile);
    checkFileNamedTwice(diagnosis, notchFile, files);
    checkParamsFiles(diagnosis, notchFile, files);
    checkCurrentFiles(diagnosis, notchFile, files);
}

}  // namespace diagnose
