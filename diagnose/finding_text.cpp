// Findings as text: the compiler form editors jump from, the explanation
// below it, and JSON for other tools.
#include <cstdio>

#include "config/text.h"
#include "diagnose/diagnose.h"
#include "diagnose/visible.h"
#include "messages/messages.h"

namespace diagnose {

const char* severityWord(Severity severity) {
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    }
    return "note";
}

std::string shownPath(const std::filesystem::path& file, const std::filesystem::path& vehicleFolder) {
    const std::filesystem::path folder = vehicleFolder.has_filename() ? vehicleFolder : vehicleFolder.parent_path();
    const std::filesystem::path relative = file.lexically_normal().lexically_relative(folder.lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return file.u8string();
    return relative.u8string();
}

std::string compilerLine(const Finding& finding, const std::filesystem::path& vehicleFolder) {
    std::string line = finding.file.empty() ? vehicleFolder.u8string() : shownPath(finding.file, vehicleFolder);
    if (finding.line > 0) {
        line += ":" + std::to_string(finding.line);
        if (finding.column > 0) line += ":" + std::to_string(finding.column);
    }
    return line + ": " + severityWord(finding.severity) + ": " + finding.message;
}

namespace {

std::string columnsOf(const Fix& fix) {
    if (fix.endColumn <= fix.firstColumn + 1) return messages::trf("column {1}", {std::to_string(fix.firstColumn)});
    return messages::trf("columns {1} to {2}", {std::to_string(fix.firstColumn), std::to_string(fix.endColumn - 1)});
}

std::string describeEdit(const Fix& fix, const std::string& file) {
    config::Text replacement;
    config::decodeUtf8(fix.replacement, replacement);
    const std::string where = messages::trf("{1}, line {2}", {file, std::to_string(fix.line)});
    const std::string shown = "`" + visibleText(replacement, 60, true) + "`";
    if (fix.endColumn <= fix.firstColumn) return messages::trf("in {1}: insert {2} at {3}", {where, shown, columnsOf(fix)});
    if (replacement.empty()) return messages::trf("in {1}: delete {2}", {where, columnsOf(fix)});
    return messages::trf("in {1}: replace {2} with {3}", {where, columnsOf(fix), shown});
}

}  // namespace

std::string describeFix(const Fix& fix, const std::filesystem::path& vehicleFolder) {
    const std::string file = "`" + shownPath(fix.file, vehicleFolder) + "`";
    switch (fix.kind) {
    case Fix::Kind::Edit: return describeEdit(fix, file);
    case Fix::Kind::Rename: {
        const std::string target = "`" + shownPath(fix.target, vehicleFolder) + "`";
        return fix.file.parent_path() == fix.target.parent_path()
                   ? messages::trf("rename {1} to {2}", {file, target})
                   : messages::trf("move {1} to {2}", {file, target});
    }
    case Fix::Kind::ResaveAsUtf8: return messages::trf("save {1} again as UTF-8", {file});
    case Fix::Kind::DeleteLine:
        return messages::trf("in {1}: delete line {2} whole (lines counted as checked)", {file, std::to_string(fix.line)});
    }
    return {};
}

std::string describe(const Finding& finding, const std::filesystem::path& vehicleFolder) {
    std::string text = compilerLine(finding, vehicleFolder) + '\n';
    if (!finding.found.empty()) {
        text += "    " + messages::trf("found: `{1}`", {finding.found});
        if (!finding.field.empty()) text += " (" + finding.field + ")";
        text += '\n';
    }
    if (!finding.fix.empty()) text += "    " + messages::trf("fix: {1}", {finding.fix}) + '\n';
    for (const Fix& fix : finding.fixes)
        text += "      " + messages::trf("cabhost fix: {1}", {describeFix(fix, vehicleFolder)}) + '\n';
    return text;
}

}  // namespace diagnose
