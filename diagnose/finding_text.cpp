// Findings as text: the compiler form editors jump from, the explanation
// below it, and JSON for other tools.
#include <cstdio>

#include "diagnose/diagnose.h"
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

std::string describe(const Finding& finding, const std::filesystem::path& vehicleFolder) {
    std::string text = compilerLine(finding, vehicleFolder) + '\n';
    if (!finding.found.empty()) {
        text += "    " + messages::trf("found: `{1}`", {finding.found});
        if (!finding.field.empty()) text += " (" + finding.field + ")";
        text += '\n';
    }
    if (!finding.fix.empty()) text += "    " + messages::trf("fix: {1}", {finding.fix}) + '\n';
    return text;
}

}  // namespace diagnose
