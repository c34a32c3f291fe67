// A text file's format before its lines: a rich-text or web-page file where
// plain text is wanted, and line ends the reader does not know. Either makes
// every line-by-line finding beside the point, so the file's lines are then
// not looked at.
#include <algorithm>
#include <string_view>

#include "config/text.h"
#include "diagnose/diagnosis.h"
#include "diagnose/numbers.h"
#include "diagnose/visible.h"
#include "messages/messages.h"

namespace diagnose {

namespace {

std::string_view withoutByteOrderMark(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return bytes;
}

std::string lowered(std::string_view bytes, std::size_t limit) {
    std::string text(bytes.substr(0, limit));
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return text;
}

enum class Format { PlainText, RichText, WebPage, SpreadsheetXml };

Format formatOf(std::string_view bytes) {
    bytes = withoutByteOrderMark(bytes);
    while (!bytes.empty() && (bytes.front() == ' ' || bytes.front() == '\t' || bytes.front() == '\r' ||
                              bytes.front() == '\n'))
        bytes.remove_prefix(1);
    if (bytes.substr(0, 5) == "{\\rtf") return Format::RichText;
    const std::string start = lowered(bytes, 4096);
    if (start.rfind("<?xml", 0) == 0 && start.find("urn:schemas-microsoft-com:office:spreadsheet") != std::string::npos)
        return Format::SpreadsheetXml;
    for (const char* opening : {"<!doctype html", "<html", "<table", "<?xml"})
        if (start.rfind(opening, 0) == 0 && (start.find("<html") != std::string::npos ||
                                             start.find("<table") != std::string::npos))
            return Format::WebPage;
    return Format::PlainText;
}

Finding fileFinding(const std::filesystem::path& file, Severity severity, std::string message, std::string fix) {
    Finding finding;
    finding.severity = severity;
    finding.file = file;
    finding.message = std::move(message);
    finding.fix = std::move(fix);
    return finding;
}

Severity severityFor(const Diagnosis& diagnosis, const std::filesystem::path& file) {
    const std::optional<config::LoadFailure>& failure = diagnosis.plugin.report.failure;
    return failure && failure->file.lexically_normal() == file.lexically_normal() ? Severity::Error
                                                                                : Severity::Warning;
}

bool checkFormat(Diagnosis& diagnosis, const std::filesystem::path& file, std::string_view bytes) {
    const Format format = formatOf(bytes);
    if (format == Format::PlainText) return true;
    const Severity severity = severityFor(diagnosis, file);
    if (format == Format::RichText) {
        add(diagnosis, fileFinding(file, severity,
                                   messages::tr("the file is rich text (RTF), as TextEdit or WordPad saves it: the "
                                                "plug-in reads its formatting codes as text"),
                                   messages::tr("save it as plain text (TextEdit: Format > Make Plain Text; WordPad: "
                                                "Save As \"Text Document\"), encoding UTF-8")));
    } else if (format == Format::SpreadsheetXml) {
        add(diagnosis, fileFinding(file, severity,
                                   messages::tr("the file is an Excel workbook saved as XML: the plug-in reads its "
                                                "markup as text"),
                                   messages::tr("open it in Excel and save it with \"Save As\", type \"CSV UTF-8 "
                                                "(comma delimited)\"")));
    } else {
        add(diagnosis, fileFinding(file, severity,
                                   messages::tr("the file is a web page (HTML), as a browser or Excel saves one: the "
                                                "plug-in reads its markup as text"),
                                   messages::tr("save the text itself as a plain text file; a table as \"CSV UTF-8 "
                                                "(comma delimited)\" from Excel")));
    }
    return false;
}

// Carriage returns not followed by a line feed: an old Mac file. The reader
// ends lines at line feeds only, so such a file is one long line.
bool checkLineEnds(Diagnosis& diagnosis, const std::filesystem::path& file, bool isUtf8) {
    std::vector<Fix> fixes;
    int joined = 0;  // lines of the author's editor read as one, on the first such line
    int firstLine = 0;
    for (const Line& line : readLines(file)) {
        const config::Text& text = line.text;
        const int pieces = 1 + static_cast<int>(std::count(text.begin(), text.end(), u'\r')) -
                           (!text.empty() && text.back() == u'\r' ? 1 : 0);
        // A carriage return at the very end joins nothing; trimming takes it.
        if (pieces < 2) continue;
        if (firstLine == 0) {
            firstLine = line.number;
            joined = pieces;
        }
        // Each carriage return becomes a line end of the file's kind.
        config::Text split = line.text;
        std::replace(split.begin(), split.end(), u'\r', u'\n');
        fixes.push_back(editFix(file, line.number, 1, characterCount(line.text), split));
    }
    if (firstLine == 0) return true;
    Finding finding = fileFinding(
        file, severityFor(diagnosis, file),
        messages::trf("the lines end in a carriage return alone (an old Mac file): the plug-in ends lines at line "
                      "feeds only, so it reads {1} lines as one",
                      {std::to_string(joined)}),
        messages::tr("save the file with Windows (CRLF) line ends"));
    finding.line = firstLine;
    if (isUtf8) finding.fixes = std::move(fixes);
    add(diagnosis, std::move(finding));
    return false;
}

}  // namespace

bool checkTextFormat(Diagnosis& diagnosis, const std::filesystem::path& file, std::string_view bytes, bool isUtf8) {
    return checkFormat(diagnosis, file, bytes) && checkLineEnds(diagnosis, file, isUtf8);
}

}  // namespace diagnose
