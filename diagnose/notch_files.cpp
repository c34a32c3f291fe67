// The notch index and the two parameter files: sections and keys that the
// plug-in does not recognise (and so ignores, or reads into another
// section), keys given twice, and the values of the lines it reads.
#include <algorithm>
#include <map>
#include <optional>

#include "config/text.h"
#include "diagnose/diagnosis.h"
#include "diagnose/numbers.h"
#include "diagnose/visible.h"
#include "messages/messages.h"
#include "platform/utf8.h"

namespace diagnose {

namespace {

// A line as the key files are read: comment cut, blanks trimmed, with the
// column its text starts at.
struct CleanLine {
    int number = 0;
    config::Text raw;
    config::Text text;
    int column = 1;
};

std::vector<CleanLine> cleanLines(const std::filesystem::path& file) {
    std::vector<CleanLine> lines;
    for (const Line& line : readLines(file)) {
        CleanLine clean{line.number, line.text, line.text, 1};
        config::stripComment(clean.text);
        std::size_t lead = 0;
        while (lead < clean.text.size() && config::isSpace(clean.text[lead])) ++lead;
        clean.column = characterCount(std::u16string_view(clean.text).substr(0, lead)) + 1;
        config::trim(clean.text);
        lines.push_back(std::move(clean));
    }
    return lines;
}

Finding lineFinding(const std::filesystem::path& file, const CleanLine& line, Severity severity, std::string message,
                    std::string fix) {
    const config::Text& shown = line.text.empty() ? line.raw : line.text;
    return Finding{severity, file, line.number, line.column, {}, visibleText(shown), std::move(message), std::move(fix),
                   {}, {}};
}

// The closest of `candidates` to `word` within a few letters, ignoring case.
std::optional<std::u16string> closest(std::u16string_view word, std::initializer_list<std::u16string_view> candidates) {
    std::optional<std::u16string> best;
    int bestDistance = 4;
    for (const std::u16string_view candidate : candidates) {
        const int distance = editDistance(word, candidate);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = std::u16string(candidate);
        }
    }
    return best;
}

std::string utf8(std::u16string_view text) {
    return visibleText(text, 200);
}

// ---------------------------------------------------------------------------
// notch.txt

enum class Section { None, Power, Brake };

std::string sectionName(Section section) {
    return section == Section::Power ? "[Power]" : "[Brake]";
}

std::string whereLinesGo(Section section) {
    if (section == Section::None) return messages::tr("the keys below it are ignored until a [Power] or [Brake] line");
    return messages::trf("the keys below it count for {1}, the section before it", {sectionName(section)});
}

// "[ Brake ]", "［Brake］", "[Powr]": meant as a header, not read as one.
std::optional<config::Text> headerLike(const config::Text& text) {
    if (text.empty()) return std::nullopt;
    const bool opens = text.front() == '[' || text.front() == 0xFF3B;
    const bool closes = text.back() == ']' || text.back() == 0xFF3D;
    if (!opens && !closes) return std::nullopt;
    config::Text inner;
    for (const char16_t c : text) {
        if (c == '[' || c == ']' || c == 0xFF3B || c == 0xFF3D || config::isSpace(c)) continue;
        const char ascii = asciiLookAlike(c);
        inner += ascii != 0 ? static_cast<char16_t>(ascii) : c;
    }
    return inner;
}

// An edit of `length` characters of the line from `column`: the line's text
// as the plug-in reads it, with the comment and blanks around it left alone.
Fix lineEdit(const std::filesystem::path& file, const CleanLine& line, int column, int length, std::u16string_view by) {
    return Fix{Fix::Kind::Edit, file, line.number, column, column + length, platform::toUtf8(by), {}};
}

void checkHeaderLine(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                     const config::Text& inner, Section section) {
    std::string message;
    std::string fix;
    std::vector<Fix> fixes;
    const int length = characterCount(line.text);
    const bool bracketed = (line.text.front() == '[' || line.text.front() == 0xFF3B) &&
                           (line.text.back() == ']' || line.text.back() == 0xFF3D);
    if (config::equalsIgnoreCase(inner, u"Power") || config::equalsIgnoreCase(inner, u"Brake")) {
        const std::string meant = config::equalsIgnoreCase(inner, u"Power") ? "[Power]" : "[Brake]";
        if (bracketed) fixes.push_back(lineEdit(file, line, line.column, length, meant == "[Power]" ? u"[Power]" : u"[Brake]"));
        message = messages::trf("not read as the section header {1}: a header is written with half-width brackets and "
                                "no blanks inside; {2}",
                                {meant, whereLinesGo(section)});
        fix = messages::trf("write {1}", {meant});
    } else if (const std::optional<std::u16string> meant = closest(inner, {u"Power", u"Brake"})) {
        message = messages::trf("unknown section {1}: did you mean [{2}]? {3}",
                                {backquoted(line.text), utf8(*meant), whereLinesGo(section)});
        fix = messages::trf("write [{1}]", {utf8(*meant)});
        if (bracketed && editDistance(inner, *meant) <= 2)
            fixes.push_back(lineEdit(file, line, line.column, length, u"[" + *meant + u"]"));
    } else {
        message = messages::trf("unknown section {1}: the only sections are [Power] and [Brake]; {2}",
                                {backquoted(line.text), whereLinesGo(section)});
        fix = messages::tr("write [Power] or [Brake]");
    }
    Finding finding = lineFinding(file, line, Severity::Warning, std::move(message), std::move(fix));
    finding.fixes = std::move(fixes);
    add(diagnosis, std::move(finding));
}

bool isKeyOf(Section section, const config::Text& key) {
    if (section == Section::None) return false;
    const bool common = config::equalsIgnoreCase(key, u"Params") || config::equalsIgnoreCase(key, u"Current");
    if (section == Section::Power) return common;
    return common || config::equalsIgnoreCase(key, u"NoLoadCurrent");
}

void checkUnknownKey(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                     const config::Text& key, Section section) {
    if (section == Section::None) {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("this line comes before any [Power] or [Brake] line and is ignored"),
                                   messages::tr("put it below the section header it belongs to")));
    } else if (section == Section::Power && config::equalsIgnoreCase(key, u"NoLoadCurrent")) {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("NoLoadCurrent belongs to [Brake]; under [Power] it is ignored"),
                                   messages::tr("move this line below [Brake]")));
    } else if (const std::optional<std::u16string> meant =
                   section == Section::Power ? closest(key, {u"Params", u"Current"})
                                             : closest(key, {u"Params", u"Current", u"NoLoadCurrent"})) {
        Finding finding = lineFinding(file, line, Severity::Warning,
                                      messages::trf("unknown key {1} in {2} is ignored: did you mean {3}?",
                                                    {backquoted(key), sectionName(section), utf8(*meant)}),
                                      messages::trf("write {1}", {utf8(*meant)}));
        // The key is the text before '=', which the trimmed line starts with.
        if (editDistance(key, *meant) <= 2)
            finding.fixes.push_back(lineEdit(file, line, line.column, characterCount(key), *meant));
        add(diagnosis, std::move(finding));
    } else {
        add(diagnosis, lineFinding(file, line, Severity::Note,
                                   messages::trf("unknown key {1} in {2} is ignored", {backquoted(key), sectionName(section)}),
                                   messages::tr("the keys are Params and Current, and under [Brake] also NoLoadCurrent")));
    }
}

void checkNotchValue(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                     const config::Text& value) {
    if (value.empty()) {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("no file name after '=': the plug-in finds no file to read"),
                                   messages::tr("write the file name after '='")));
    } else if (config::pathFromText(value).is_absolute() || (value.size() > 1 && value[1] == ':')) {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("an absolute path: it works on this computer, and breaks when the "
                                                "vehicle is copied to another folder or computer"),
                                   messages::tr("name the file relative to the notch folder")));
    } else {
        const std::size_t start = line.raw.find(value);
        const int first = start == config::Text::npos
                              ? line.column
                              : characterCount(std::u16string_view(line.raw).substr(0, start)) + 1;
        const WrittenName written{file, line.number, first, first + characterCount(value), value, file.parent_path(), true};
        checkNameLeavingVehicle(diagnosis, written, config::resolvePath(file.parent_path(), value),
                                messages::tr("keep the file in the vehicle folder and name it relative to the notch "
                                             "folder"));
    }
}

}  // namespace

void checkNotchIndex(Diagnosis& diagnosis, const std::filesystem::path& file) {
    Section section = Section::None;
    // Each key of a section: the line that counts so far, and its value.
    std::map<std::pair<Section, std::u16string>, std::pair<int, config::Text>> seen;
    config::Text key;
    config::Text value;
    for (const CleanLine& line : cleanLines(file)) {
        if (line.text.empty()) continue;
        if (config::equalsIgnoreCase(line.text, u"[Power]")) {
            section = Section::Power;
            continue;
        }
        if (config::equalsIgnoreCase(line.text, u"[Brake]")) {
            section = Section::Brake;
            continue;
        }
        if (line.text.find('=') == config::Text::npos) {
            if (const std::optional<config::Text> inner = headerLike(line.text)) {
                checkHeaderLine(diagnosis, file, line, *inner, section);
            } else {
                add(diagnosis, lineFinding(file, line, Severity::Warning,
                                           messages::tr("neither a section header nor \"key = value\" (a half-width "
                                                        "'='): the line is ignored"),
                                           messages::tr("write \"key = file name\", such as \"Params = power_params.txt\"")));
            }
            continue;
        }
        config::splitKeyValue(line.text, key, value);
        if (!isKeyOf(section, key)) {
            checkUnknownKey(diagnosis, file, line, key, section);
            continue;
        }
        std::u16string upper = key;
        for (char16_t& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c;
        const auto [earlier, first] = seen.insert({{section, upper}, {line.number, value}});
        if (!first) {
            // The same file named again loses nothing; another one replaces it.
            const bool same = earlier->second.second == value;
            add(diagnosis,
                lineFinding(file, line, same ? Severity::Note : Severity::Warning,
                            same ? messages::trf("{1} is given again in {2} (first on line {3}), naming the same file: "
                                                 "nothing is lost, one line is enough",
                                                 {utf8(key), sectionName(section), std::to_string(earlier->second.first)})
                                 : messages::trf("{1} is given again in {2} (first on line {3}): this later line "
                                                 "counts, and line {3} is ignored",
                                                 {utf8(key), sectionName(section), std::to_string(earlier->second.first)}),
                            messages::tr("keep one line for each key")));
            earlier->second = {line.number, value};
        }
        checkNotchValue(diagnosis, file, line, value);
    }
    checkSectionFiles(diagnosis, file);
}

namespace {

// The section and key of notch.txt that set `path`, by the record the plug-in filled.
std::optional<std::pair<Section, std::u16string_view>> keyNaming(const config::NotchConfig& notch,
                                                                 const std::filesystem::path& path) {
    if (path.empty()) return std::nullopt;
    if (path == notch.powerParamsPath) return std::make_pair(Section::Power, std::u16string_view(u"Params"));
    if (path == notch.powerCurrentPath) return std::make_pair(Section::Power, std::u16string_view(u"Current"));
    if (path == notch.brakeParamsPath) return std::make_pair(Section::Brake, std::u16string_view(u"Params"));
    if (path == notch.brakeCurrentPath) return std::make_pair(Section::Brake, std::u16string_view(u"Current"));
    if (path == notch.brakeNoLoadCurrentPath)
        return std::make_pair(Section::Brake, std::u16string_view(u"NoLoadCurrent"));
    return std::nullopt;
}

}  // namespace

std::optional<WrittenName> notchLineNaming(const Diagnosis& diagnosis, const std::filesystem::path& path) {
    const std::optional<std::pair<Section, std::u16string_view>> wanted = keyNaming(diagnosis.plugin.notch, path);
    if (!wanted) return std::nullopt;
    const std::filesystem::path file = diagnosis.plugin.directory / "notch" / "notch.txt";
    std::optional<WrittenName> naming;
    Section section = Section::None;
    config::Text key;
    config::Text value;
    for (const CleanLine& line : cleanLines(file)) {
        if (config::equalsIgnoreCase(line.text, u"[Power]")) section = Section::Power;
        if (config::equalsIgnoreCase(line.text, u"[Brake]")) section = Section::Brake;
        if (section != wanted->first || !config::splitKeyValue(line.text, key, value) ||
            !config::equalsIgnoreCase(key, wanted->second))
            continue;
        // The value starts after the '=' and the blanks that follow it.
        std::size_t start = line.raw.find(u'=');
        if (start == config::Text::npos) continue;
        ++start;
        while (start < line.raw.size() && config::isSpace(line.raw[start])) ++start;
        const std::u16string_view before = std::u16string_view(line.raw).substr(0, start);
        const int first = characterCount(before) + 1;
        naming = WrittenName{file, line.number, first, first + characterCount(value), value, file.parent_path(), true};
    }
    return naming;
}

// ---------------------------------------------------------------------------
// Parameter files

namespace {

constexpr std::u16string_view kRequiredNotch = u"RequiredNotch_Up";
constexpr std::u16string_view kBreakerDelay = u"BreakerDelay_On";
constexpr std::u16string_view kCurrentLimit = u"CurrentLimitingValue_Empty";

config::Text firstField(const config::Text& text) {
    config::Text key = text.substr(0, text.find(','));
    config::trim(key);
    return key;
}

// A line meant for one of `keys` that the plug-in does not read: the key
// written in other letter case or misspelled. Keys are matched exactly, from
// the start of the line. A near miss of a key that the file also writes
// correctly is another key of the same family (BreakerDelay_Off beside
// BreakerDelay_On), not a misspelling: renaming it would replace the line
// that counts.
void checkMisspelledKey(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                        const std::vector<CleanLine>& lines, std::initializer_list<std::u16string_view> keys) {
    for (const std::u16string_view key : keys)
        if (config::startsWith(line.text, key)) return;
    const config::Text written = firstField(line.text);
    const std::optional<std::u16string> meant = closest(written, keys);
    if (!meant) return;
    for (const CleanLine& other : lines)
        if (config::startsWith(other.text, *meant)) return;
    Finding finding = lineFinding(file, line, Severity::Warning,
                                  messages::trf("{1} is not read: did you mean {2}? The key must be written exactly "
                                                "so, letter case included",
                                                {backquoted(written), utf8(*meant)}),
                                  messages::trf("write {1}", {utf8(*meant)}));
    // The key alone before the first comma is replaced; a key run into its
    // first value is told by the key-field check once it is spelled right.
    if (line.text.compare(0, written.size(), written) == 0 && written.find_first_of(u" =:\t") == config::Text::npos)
        finding.fixes.push_back(editFix(file, line.number, line.column, characterCount(written), *meant));
    add(diagnosis, std::move(finding));
}

// The line as it should read: the blanks, '=' or ':' an author puts between
// a key and its first value give way to the comma the reader cuts at
// ("RequiredNotch_Up = 1, 2" becomes "RequiredNotch_Up, 1, 2").
std::string keyFieldFix(const config::Text& line, std::u16string_view key) {
    if (!config::startsWith(line, key)) return messages::trf("write {1} alone before the first comma", {utf8(key)});
    std::u16string_view rest = std::u16string_view(line).substr(key.size());
    const auto isSeparator = [](char16_t c) {
        return config::isSpace(c) || c == u'=' || c == u':' || c == u'\uFF1D' || c == u'\uFF1A';
    };
    while (!rest.empty() && isSeparator(rest.front())) rest.remove_prefix(1);
    const std::u16string comma = rest.empty() || rest.front() == u',' ? u"" : u", ";
    return messages::trf("write the line as {1}, with a comma between the key and the first value",
                         {"`" + utf8(std::u16string(key) + comma + std::u16string(rest)) + "`"});
}

// The edit behind keyFieldFix: the blanks and signs between the key and the
// first value become ", ". Nothing is offered when the key itself is
// misspelled or nothing but blanks follows it.
std::optional<Fix> keyFieldEdit(const std::filesystem::path& file, const CleanLine& line, std::u16string_view key) {
    if (!config::startsWith(line.text, key)) return std::nullopt;
    const std::u16string_view rest = std::u16string_view(line.text).substr(key.size());
    std::size_t gap = 0;
    while (gap < rest.size() && (config::isSpace(rest[gap]) || rest[gap] == u'=' || rest[gap] == u':' ||
                                 rest[gap] == u'\uFF1D' || rest[gap] == u'\uFF1A'))
        ++gap;
    if (gap == 0 || gap == rest.size()) return std::nullopt;
    const config::Text comma = rest[gap] == u',' ? u"" : u", ";
    return editFix(file, line.number, line.column + characterCount(key), characterCount(rest.substr(0, gap)), comma);
}

// The key and the first value run together ("RequiredNotch_Up 1, 2"): the
// value becomes part of the key.
bool checkKeyField(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                   const std::vector<Cell>& cells, std::u16string_view key) {
    if (cells.empty() || cells[0].text == key) return true;
    Finding finding = lineFinding(file, line, Severity::Warning,
                                  messages::trf("the first field is {1}, not {2} alone: what follows the key before the "
                                                "first comma is not read as a value",
                                                {backquoted(cells[0].text), utf8(key)}),
                                  keyFieldFix(line.text, key));
    if (const std::optional<Fix> edit = keyFieldEdit(file, line, key)) finding.fixes.push_back(*edit);
    add(diagnosis, std::move(finding));
    return false;
}

// The values of a RequiredNotch_Up line separated by blanks, tabs or a
// Japanese comma instead of the half-width comma ("RequiredNotch_Up, 1 1 2 2",
// tabs pasted from a spreadsheet, "1、1、2" typed with the Japanese input on):
// the plug-in reads the first number of each comma field and ignores the
// rest. When every piece after the key is a whole number, the line as meant
// is those numbers separated by commas.
bool checkValueSeparators(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                          const std::vector<Cell>& cells, std::u16string_view key) {
    if (cells.empty() || !config::startsWith(line.text, key)) return false;
    const auto isGap = [](char16_t c) {
        return config::isSpace(c) || c == u',' || c == u'=' || c == u':' || c == u'\u3001' || c == u'\uFF0C' ||
               c == u'\uFF64';
    };
    const auto numbersIn = [&](std::u16string_view text) {
        std::vector<config::Text> numbers;
        std::size_t at = 0;
        while (at < text.size()) {
            while (at < text.size() && isGap(text[at])) ++at;
            std::size_t end = at;
            while (end < text.size() && !isGap(text[end])) ++end;
            if (end > at) numbers.emplace_back(text.substr(at, end - at));
            at = end;
        }
        return numbers;
    };
    bool crowded = numbersIn(std::u16string_view(cells[0].text).substr(key.size())).size() > 1;
    for (std::size_t i = 1; i < cells.size() && !crowded; ++i) crowded = numbersIn(cells[i].text).size() > 1;
    if (!crowded) return false;
    const std::u16string_view rest = std::u16string_view(line.text).substr(key.size());
    // Digits typed full-width along with the Japanese commas are meant as
    // the same digits.
    std::vector<config::Text> numbers = numbersIn(rest);
    for (config::Text& number : numbers) {
        if (isWholeNumber(number)) continue;
        const std::optional<config::Text> ascii = asciiDigits(number);
        if (!ascii || !isWholeNumber(*ascii)) return false;
        number = *ascii;
    }
    config::Text meant;
    for (const config::Text& number : numbers) meant += u", " + number;
    Finding finding = lineFinding(
        file, line, stopSeverity(diagnosis, file, line.number),
        messages::trf("the values of {1} are separated by blanks, tabs or full-width commas, not by half-width "
                      "commas: the plug-in cuts the line at half-width commas only, so it reads {2} of the {3} values "
                      "written",
                      {utf8(key), std::to_string(cells.size() - 1), std::to_string(numbers.size())}),
        messages::trf("write the line as {1}", {"`" + utf8(std::u16string(key) + meant) + "`"}));
    finding.fixes.push_back(
        editFix(file, line.number, line.column + characterCount(key), characterCount(rest), meant));
    add(diagnosis, std::move(finding));
    return true;
}

// Empty fields after the last value, as a spreadsheet writes a row shorter
// than its widest one ("RequiredNotch_Up,1,1,2,2,,,"): on the powering side
// the plug-in converts every field, and an empty one stops the start-up; on
// the braking side every field counts as a step. The values before them are
// the line as meant.
bool checkTrailingEmptyFields(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                              const std::vector<Cell>& cells, bool braking) {
    std::size_t last = cells.size();
    while (last > 1 && cells[last - 1].text.empty()) --last;
    if (last == cells.size() || last < 2) return false;
    const int end = cells[last - 1].column + characterCount(cells[last - 1].text);
    const int lineEnd = line.column + characterCount(line.text);
    const std::string empties = std::to_string(cells.size() - last);
    Finding finding = lineFinding(
        file, line, stopSeverity(diagnosis, file, line.number),
        braking ? messages::trf("the line ends in {1} empty fields after its last value (as a spreadsheet writes a "
                                "row shorter than its widest one): the plug-in counts every field as a braking step, "
                                "so it reads {2} steps where {3} are written",
                                {empties, std::to_string(cells.size() - 1), std::to_string(last - 1)})
                : messages::trf("the line ends in {1} empty fields after its last value (as a spreadsheet writes a "
                                "row shorter than its widest one): the plug-in reads each field as a step's notch, "
                                "and an empty one is no number",
                                {empties}),
        messages::tr("delete the commas after the last value"));
    finding.column = end;
    finding.fixes.push_back(editFix(file, line.number, end, lineEnd - end, u""));
    add(diagnosis, std::move(finding));
    return true;
}

// Lines of bare values right below the RequiredNotch_Up line: the line was
// broken in two, as a line pasted from a web page or a PDF wraps. The
// plug-in reads one line per key and ignores lines that start with no key,
// so the values below are lost. Joined to the key line they are read.
bool checkBrokenLine(Diagnosis& diagnosis, const std::filesystem::path& file, const std::vector<CleanLine>& lines,
                     const CleanLine& keyLine, const std::vector<Cell>& cells, bool braking) {
    for (std::size_t i = 1; i < cells.size(); ++i)
        if (!isWholeNumber(cells[i].text)) return false;
    std::vector<const CleanLine*> below;
    config::Text values;
    for (const CleanLine& line : lines) {
        if (line.number <= keyLine.number) continue;
        if (line.text.empty()) break;
        std::vector<Cell> pieces = cellsOf(line.text, line.column);
        if (!pieces.empty() && pieces.front().text.empty()) pieces.erase(pieces.begin());  // ", 3, 4"
        if (pieces.empty() || !std::all_of(pieces.begin(), pieces.end(), [](const Cell& c) { return isWholeNumber(c.text); }))
            break;
        for (const Cell& piece : pieces) values += (values.empty() ? u"" : u", ") + piece.text;
        below.push_back(&line);
    }
    if (below.empty()) return false;
    const std::size_t written = cells.size() - 1 + static_cast<std::size_t>(std::count(values.begin(), values.end(), u',')) + 1;
    Finding finding = lineFinding(
        file, keyLine, Severity::Warning,
        messages::trf("the values of RequiredNotch_Up go on below it, on line {1}: the plug-in reads one line per key and "
                      "ignores a line that starts with no key, so it reads {2} {3} where {4} are written (a line broken "
                      "in two, as a pasted line wraps)",
                      {std::to_string(below.front()->number), std::to_string(cells.size() - 1),
                       braking ? messages::tr("braking steps") : messages::tr("powering steps"), std::to_string(written)}),
        messages::tr("write all the values on the RequiredNotch_Up line"));
    const bool endsInComma = keyLine.text.back() == u',';
    finding.fixes.push_back(editFix(file, keyLine.number, keyLine.column + characterCount(keyLine.text), 0,
                                    (endsInComma ? u" " : u", ") + values));
    for (const CleanLine* line : below) {
        Fix removal;
        removal.kind = Fix::Kind::DeleteLine;
        removal.file = file;
        removal.line = line->number;
        finding.fixes.push_back(removal);
    }
    add(diagnosis, std::move(finding));
    return true;
}

Place placeOf(const std::filesystem::path& file, const CleanLine& line, const std::vector<Cell>& cells,
              std::size_t index) {
    return Place{file, line.number, cells[index].column, static_cast<int>(index) + 1, 0};
}

void reportOverridden(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line, int laterLine,
                      std::u16string_view key) {
    add(diagnosis, lineFinding(file, line, Severity::Warning,
                               messages::trf("this {1} line is ignored: a later one, on line {2}, replaces it",
                                             {utf8(key), std::to_string(laterLine)}),
                               messages::tr("keep one line for each key")));
}

// The notch a step needs rises with the step: a value below the one before
// it is most likely mistyped.
void checkNotchOrder(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                     const std::vector<Cell>& cells) {
    for (std::size_t i = 2; i < cells.size(); ++i) {
        const int before = config::toInt(cells[i - 1].text);
        const int now = config::toInt(cells[i].text);
        if (now >= before) continue;
        Finding finding = lineFinding(
            file, line, Severity::Warning,
            messages::trf("step {1} needs notch {2}, lower than the notch {3} of step {4}: the notch a step needs "
                          "rises with the step, and the plug-in picks the curves it watches where it rises",
                          {std::to_string(i), std::to_string(now), std::to_string(before), std::to_string(i - 1)}),
            messages::tr("check the values of RequiredNotch_Up: each step needs the same notch as the step before it, "
                         "or a higher one"));
        finding.column = cells[i].column;
        finding.field = fieldName(static_cast<int>(i) + 1);
        add(diagnosis, std::move(finding));
        return;
    }
}

// The plug-in selects step 0 (the speed column) when the first step already
// needs a notch above 2, and when the line declares one step or none, as it
// always takes the last two steps.
void checkStepZero(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                   const std::vector<Cell>& cells) {
    const std::vector<uint64_t>& steps = diagnosis.plugin.notch.powerCurveSteps;
    if (std::find(steps.begin(), steps.end(), 0) == steps.end()) return;
    if (cells.size() <= 2) {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   cells.size() < 2
                                       ? messages::tr("RequiredNotch_Up has no values, so the plug-in selects step 0 "
                                                      "alone: the speed column of the curve file, read as a current")
                                       : messages::tr("RequiredNotch_Up declares a single step, so the plug-in also "
                                                      "selects step 0, the step before it: the speed column of the "
                                                      "curve file, read as a current"),
                                   messages::tr("write the notch of every control step after the key, separated by "
                                                "commas")));
        return;
    }
    add(diagnosis, lineFinding(file, line, Severity::Warning,
                               messages::tr("the first step needs a notch above 2, so the plug-in also selects step 0: "
                                            "the speed column of the curve file, read as a current"),
                               messages::tr("check the first values of RequiredNotch_Up; the first step normally "
                                            "needs notch 1")));
}

// A key of one value with its number cut at a comma ("0,35", "1,300"): the
// plug-in reads the part before it. The line holds one value, so the fields
// after the key belong together; the edit joins them when the number can be
// read only one way.
bool checkCutValue(Diagnosis& diagnosis, const std::filesystem::path& file, const CleanLine& line,
                   const std::vector<Cell>& cells, std::u16string_view key) {
    if (cells.size() != 3 || !isWholeNumber(cells[1].text) || cells[2].text.empty() ||
        !std::all_of(cells[2].text.begin(), cells[2].text.end(), [](char16_t c) { return c >= '0' && c <= '9'; }))
        return false;
    const config::Text written = cells[1].text + u"," + cells[2].text;
    const CommaNumber number = readCommaNumber(written);
    if (!number.isCommaNumber) return false;
    const std::string read = messages::trf("{1} takes one value, and {2} is cut at the comma: the plug-in reads {3}",
                                           {utf8(key), backquoted(written), backquoted(cells[1].text)});
    Finding finding;
    if (number.meant.empty()) {
        finding = lineFinding(file, line, Severity::Warning,
                              read + "; " + messages::trf("{1} is {2} with a thousands separator, or {3} with a decimal comma",
                                                          {backquoted(written), backquoted(number.asThousands),
                                                           backquoted(number.asDecimal)}),
                              messages::trf("write the number without a comma: {1} or {2}, whichever was meant",
                                            {backquoted(number.asThousands), backquoted(number.asDecimal)}));
    } else {
        finding = lineFinding(file, line, Severity::Warning,
                              read + "; " + messages::trf("{1} is most likely {2}", {backquoted(written), backquoted(number.meant)}),
                              messages::trf("write {1}", {backquoted(number.meant)}));
        const int end = cells[2].column + characterCount(cells[2].text);
        finding.fixes.push_back(editFix(file, line.number, cells[1].column, end - cells[1].column, number.meant));
    }
    finding.column = cells[1].column;
    finding.field = fieldName(2);
    add(diagnosis, std::move(finding));
    return true;
}

}  // namespace

void checkPowerParams(Diagnosis& diagnosis, const std::filesystem::path& file) {
    if (isMisnamed(diagnosis, NotchKey::PowerParams)) return;
    const std::vector<CleanLine> lines = cleanLines(file);
    const CleanLine* chosen = nullptr;
    for (const CleanLine& line : lines) {
        if (line.text.empty()) continue;
        checkMisspelledKey(diagnosis, file, line, lines, {kRequiredNotch});
        if (!config::startsWith(line.text, kRequiredNotch)) continue;
        if (chosen != nullptr) reportOverridden(diagnosis, file, *chosen, line.number, kRequiredNotch);
        chosen = &line;
    }
    if (chosen == nullptr) {
        Finding finding;
        finding.severity = Severity::Warning;
        finding.file = file;
        finding.message = messages::tr("no RequiredNotch_Up line: the plug-in selects no powering steps, and the "
                                       "lamps and hold stages have no curves");
        finding.fix = messages::tr("write a line \"RequiredNotch_Up, 1, 1, 2, ...\" with the notch each step needs");
        add(diagnosis, std::move(finding));
        return;
    }
    const std::vector<Cell> cells = cellsOf(chosen->text, chosen->column);
    if (checkValueSeparators(diagnosis, file, *chosen, cells, kRequiredNotch)) return;
    if (checkBrokenLine(diagnosis, file, lines, *chosen, cells, false)) return;
    checkKeyField(diagnosis, file, *chosen, cells, kRequiredNotch);
    if (checkTrailingEmptyFields(diagnosis, file, *chosen, cells, false)) return;
    for (std::size_t i = 1; i < cells.size(); ++i)
        if (!checkNumber(diagnosis, placeOf(file, *chosen, cells, i), cells[i].text, NumberKind::Whole,
                         SensibleRange{0, 99, messages::tr("a power notch"), {}}))
            return;
    checkNotchOrder(diagnosis, file, *chosen, cells);
    checkStepZero(diagnosis, file, *chosen, cells);
}

void checkBrakeParams(Diagnosis& diagnosis, const std::filesystem::path& file) {
    if (isMisnamed(diagnosis, NotchKey::BrakeParams)) return;
    const std::vector<CleanLine> lines = cleanLines(file);
    std::map<std::u16string_view, const CleanLine*> last;
    for (const CleanLine& line : lines) {
        if (line.text.empty()) continue;
        checkMisspelledKey(diagnosis, file, line, lines, {kBreakerDelay, kRequiredNotch, kCurrentLimit});
        std::u16string_view key;
        for (const std::u16string_view candidate : {kBreakerDelay, kRequiredNotch, kCurrentLimit})
            if (key.empty() && config::startsWith(line.text, candidate)) key = candidate;
        if (key.empty()) continue;
        if (last.count(key) != 0) reportOverridden(diagnosis, file, *last[key], line.number, key);
        last[key] = &line;
        const std::vector<Cell> cells = cellsOf(line.text, line.column);
        if (key == kRequiredNotch && checkValueSeparators(diagnosis, file, line, cells, key)) continue;
        checkKeyField(diagnosis, file, line, cells, key);
        if (key == kRequiredNotch) {
            if (!checkBrokenLine(diagnosis, file, lines, line, cells, true))
                checkTrailingEmptyFields(diagnosis, file, line, cells, true);
            continue;
        }
        if (cells.size() < 2) {
            add(diagnosis, lineFinding(file, line, stopSeverity(diagnosis, file, line.number),
                                       messages::trf("{1} has no value after a comma",
                                                     {utf8(key)}),
                                       messages::trf("write \"{1}, value\"", {utf8(key)})));
            return;
        }
        if (checkCutValue(diagnosis, file, line, cells, key)) continue;
        const SensibleRange range = key == kBreakerDelay ? SensibleRange{0, 10, messages::tr("a delay in s"), {}}
                                                         : SensibleRange{0, 5000, messages::tr("a current in A"), u"A"};
        if (!checkNumber(diagnosis, placeOf(file, line, cells, 1), cells[1].text, NumberKind::Decimal, range)) return;
    }
}

}  // namespace diagnose
