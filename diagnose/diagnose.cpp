#include "diagnose/diagnose.h"

#include <algorithm>
#include <exception>

#include "diagnose/diagnosis.h"
#include "diagnose/encoding.h"
#include "diagnose/visible.h"
#include "load_errors/load_errors.h"
#include "messages/messages.h"
#include "platform/utf8.h"

namespace diagnose {

namespace {

// Bytes looked at to tell a file's encoding: enough for any real
// configuration file, and a bound for anything else.
constexpr std::size_t kSniffBytes = std::size_t{1} << 20;

bool samePath(const std::filesystem::path& a, const std::filesystem::path& b) {
    return a.lexically_normal() == b.lexically_normal();
}

// The files Load reads, in its order, each with its check.
struct Role {
    std::filesystem::path path;
    void (*check)(Diagnosis&, const std::filesystem::path&);
    TextKind kind;
};

std::vector<Role> rolesOf(const plugin::Plugin& loaded) {
    const std::filesystem::path& folder = loaded.directory;
    const config::NotchConfig& notch = loaded.notch;
    const std::filesystem::path needles = folder / "NeedleTable";
    const TextKind names{true, true, 0};
    const TextKind keys{false, true, 0};
    const TextKind table{false, true, 1};
    return {{folder / "detailmodulesx64.txt", checkModuleList, {true, false, 0}},
            {folder / "notch" / "notch.txt", checkNotchIndex, names},
            {notch.powerParamsPath, checkPowerParams, keys},
            {notch.brakeParamsPath, checkBrakeParams, keys},
            {notch.powerCurrentPath, checkPowerCurves, table},
            {notch.brakeCurrentPath, checkBrakeCurves, table},
            {notch.brakeNoLoadCurrentPath, checkNoLoadCurrent, table},
            {needles / "Pressure.csv", checkNeedleTable, table},
            {needles / "Speed.csv", checkNeedleTable, table},
            {needles / "Current.csv", checkNeedleTable, table},
            {needles / "Voltage.csv", checkNeedleTable, table}};
}

Finding fileFinding(const std::filesystem::path& file, Severity severity, std::string message, std::string fix) {
    return Finding{severity, file, 0, 0, {}, {}, std::move(message), std::move(fix), {}, {}};
}

Severity fileSeverity(const Diagnosis& diagnosis, const std::filesystem::path& file) {
    const std::optional<config::LoadFailure>& failure = diagnosis.plugin.report.failure;
    return failure && samePath(failure->file, file) ? Severity::Error : Severity::Warning;
}

// The file decoded as the diagnosis read it and written as UTF-8: certain
// for UTF-16 and Shift-JIS, which the plug-in cannot read.
Fix resavedAsUtf8(const std::filesystem::path& file) {
    Fix fix;
    fix.kind = Fix::Kind::ResaveAsUtf8;
    fix.file = file;
    return fix;
}

// The raw lines of a file, split at line feeds, without carriage returns.
std::vector<std::string> rawLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// Shift-JIS: harmless in comments (and in the header line of a table, which
// is never read), but a name written in it is not found.
void checkShiftJis(Diagnosis& diagnosis, const std::filesystem::path& file, const std::string& bytes,
                   const TextKind& kind) {
    bool harmless = false;
    const std::vector<std::string> lines = rawLines(bytes);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (isValidUtf8(lines[i])) continue;
        const std::u16string text = decodeShiftJis(lines[i]);
        const std::size_t comment = kind.comments ? text.find_first_of(u";#") : std::u16string::npos;
        const std::u16string_view read = std::u16string_view(text).substr(0, comment);
        const bool inRead = std::any_of(read.begin(), read.end(), [](char16_t c) { return c >= 0x80; });
        if (!inRead || static_cast<int>(i) < kind.headerLines) {
            harmless = true;
            continue;
        }
        Finding finding = fileFinding(
            file, Severity::Warning,
            kind.namesFiles ? messages::tr("a name written in Shift-JIS: the plug-in reads the file as UTF-8, so it looks "
                                      "for a different name and does not find the file")
                       : messages::tr("Japanese text in Shift-JIS outside a comment: the plug-in reads the file as "
                                      "UTF-8 and sees undecodable characters here"),
            messages::tr("save the file as UTF-8 (in Notepad: \"Save As\", encoding \"UTF-8\")"));
        finding.line = static_cast<int>(i) + 1;
        finding.column = 1;
        finding.found = visibleText(text, 120);
        finding.fixes.push_back(resavedAsUtf8(file));
        add(diagnosis, std::move(finding));
    }
    if (harmless)
        add(diagnosis, fileFinding(file, Severity::Note,
                                   messages::tr("the file is saved in Shift-JIS: Japanese in its comments (and in the "
                                                "header line of a table) is harmless, but names of files and "
                                                "folders written in Shift-JIS are not found"),
                                   messages::tr("save the file as UTF-8 (in Notepad: \"Save As\", encoding \"UTF-8\")")));
}

void explainUnexplainedFailure(Diagnosis& diagnosis) {
    const std::optional<config::LoadFailure>& failure = diagnosis.plugin.report.failure;
    if (!failure || diagnosis.failureExplained) return;
    Finding finding = fileFinding(failure->file, Severity::Error,
                                  messages::trf("the plug-in's start-up stopped here: {1}",
                                                {load_errors::loadErrorText(*failure)}),
                                  messages::tr("put this right: the files after it were not read"));
    finding.line = failure->line;
    finding.found = failure->kind + ": " + failure->message;
    diagnosis.findings.push_back(std::move(finding));
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared by the checks

bool stoppedAt(const Diagnosis& diagnosis, const std::filesystem::path& file, int line) {
    const std::optional<config::LoadFailure>& failure = diagnosis.plugin.report.failure;
    return failure && failure->line == line && samePath(failure->file, file);
}

Severity stopSeverity(const Diagnosis& diagnosis, const std::filesystem::path& file, int line) {
    return stoppedAt(diagnosis, file, line) ? Severity::Error : Severity::Warning;
}

void add(Diagnosis& diagnosis, Finding finding) {
    const std::optional<config::LoadFailure>& failure = diagnosis.plugin.report.failure;
    if (finding.severity == Severity::Error && failure && samePath(failure->file, finding.file) &&
        !diagnosis.failureExplained) {
        diagnosis.failureExplained = true;
        finding.message += std::string(" ") + messages::tr("(the plug-in's start-up stops here; the files after it are not read)");
    }
    diagnosis.findings.push_back(std::move(finding));
}

std::vector<Line> readLines(const std::filesystem::path& file) {
    std::vector<Line> lines;
    config::LoadReport scratch;
    try {
        config::ConfigFile reader(file, scratch);
        while (reader.isOpen() && !reader.atEnd()) {
            Line line;
            reader.readLine(line.text);
            line.number = scratch.currentLine;
            lines.push_back(std::move(line));
        }
    } catch (const std::exception&) {
        // An over-long line: the plug-in's own error says so.
    }
    return lines;
}

std::vector<Cell> cellsOf(const config::Text& line, int firstColumn) {
    std::vector<Cell> cells;
    if (line.empty()) return cells;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        const std::size_t end = comma == config::Text::npos ? line.size() : comma;
        if (comma == config::Text::npos && start >= line.size()) break;
        std::size_t lead = start;
        while (lead < end && config::isSpace(line[lead])) ++lead;
        Cell cell;
        cell.text = line.substr(start, end - start);
        config::trim(cell.text);
        cell.column = firstColumn + characterCount(std::u16string_view(line).substr(0, lead));
        cells.push_back(std::move(cell));
        if (comma == config::Text::npos) break;
        start = comma + 1;
    }
    return cells;
}

std::string backquoted(const config::Text& text) {
    return "`" + visibleText(text, 60, false) + "`";
}

int editDistance(std::u16string_view a, std::u16string_view b) {
    const auto lower = [](char16_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c; };
    if (a.size() > 64 || b.size() > 64) return 64;
    std::vector<int> previous(b.size() + 1);
    std::vector<int> current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int substitution = previous[j - 1] + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

bool checkEncoding(Diagnosis& diagnosis, const std::filesystem::path& file, const TextKind& kind) {
    std::string bytes = readBytes(file, kSniffBytes);
    // A character cut at the end of what was read says nothing of the file.
    const std::size_t lastLineFeed = bytes.find_last_of('\n');
    if (bytes.size() == kSniffBytes && lastLineFeed != std::string::npos) bytes.erase(lastLineFeed + 1);
    const std::string saveAsUtf8 = messages::tr("save the file as UTF-8 (in Notepad: \"Save As\", encoding \"UTF-8\")");
    switch (encodingOf(bytes)) {
    case Encoding::Utf8:
        return checkTextFormat(diagnosis, file, bytes, true);
    case Encoding::ShiftJis:
        checkShiftJis(diagnosis, file, bytes, kind);
        return checkTextFormat(diagnosis, file, bytes, false);
    case Encoding::Other8Bit:
        add(diagnosis, fileFinding(file, Severity::Warning,
                                   messages::tr("the file is neither UTF-8 nor Shift-JIS: characters beyond ASCII are "
                                                "read as undecodable"),
                                   saveAsUtf8));
        return true;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        Finding finding = fileFinding(file, fileSeverity(diagnosis, file),
                                      messages::tr("the file is saved as UTF-16 (Notepad's \"Unicode\"): the plug-in "
                                                   "reads UTF-8 only and finds nothing usable in it"),
                                      saveAsUtf8);
        finding.fixes.push_back(resavedAsUtf8(file));
        add(diagnosis, std::move(finding));
        return false;
    }
    case Encoding::Zip:
        add(diagnosis, fileFinding(file, fileSeverity(diagnosis, file),
                                   messages::tr("the file is a zip archive, most likely an Excel workbook (.xlsx) "
                                                "renamed: the plug-in reads text only"),
                                   messages::tr("open it in Excel and save it with \"Save As\", type \"CSV UTF-8 "
                                                "(comma delimited)\"")));
        return false;
    case Encoding::Binary:
        add(diagnosis, fileFinding(file, fileSeverity(diagnosis, file),
                                   messages::tr("the file is not text (it holds binary data): the plug-in reads text "
                                                "only"),
                                   messages::tr("replace it with the text file meant here; an Excel sheet must be "
                                                "saved as \"CSV UTF-8 (comma delimited)\"")));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------

std::vector<Finding> diagnoseVehicle(const plugin::Plugin& loaded) {
    Diagnosis diagnosis{loaded, loaded.directory.parent_path(), {}, false, false, {}};
    try {
        checkFolder(diagnosis);
        const std::vector<Role> roles = rolesOf(loaded);
        std::size_t next = 0;
        for (const config::FileNote& file : loaded.report.files) {
            while (next < roles.size() && !samePath(roles[next].path, file.path)) ++next;
            if (next == roles.size()) break;
            const Role& role = roles[next++];
            if (!file.found) {
                checkMissingFile(diagnosis, file.path);
            } else if (checkEncoding(diagnosis, file.path, role.kind)) {
                role.check(diagnosis, file.path);
            }
        }
    } catch (const std::exception& error) {
        diagnosis.findings.push_back(fileFinding({}, Severity::Note,
                                                 messages::trf("the check could not look at everything: {1}",
                                                               {error.what()}),
                                                 {}));
    }
    explainUnexplainedFailure(diagnosis);
    std::stable_partition(diagnosis.findings.begin(), diagnosis.findings.end(),
                          [](const Finding& finding) { return finding.severity == Severity::Error; });
    return std::move(diagnosis.findings);
}

}  // namespace diagnose
