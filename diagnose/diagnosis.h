// Shared by the checks of the diagnosis (not part of its interface): the
// findings collected so far, the plug-in they are about, and the helpers
// every check of a file uses.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/text.h"
#include "diagnose/finding.h"
#include "plugin/plugin.h"

namespace diagnose {

// The keys of notch.txt that name a file.
enum class NotchKey { PowerParams, PowerCurrent, BrakeParams, BrakeCurrent, BrakeNoLoadCurrent };

struct Diagnosis {
    const plugin::Plugin& plugin;
    std::filesystem::path folder;  // the vehicle folder, without a trailing separator
    std::vector<Finding> findings;
    bool failureExplained = false;  // an error finding stands at the place Load stopped
    // The sections of notch.txt name each other's files: what the curve
    // files lack then follows from that and is not told again.
    bool sectionFilesTraded = false;
    // The keys of notch.txt that name a file meant for another key: that
    // file is not checked as what this key reads.
    std::vector<NotchKey> misnamed;
};

// Whether `key` names a file meant for another key.
bool isMisnamed(const Diagnosis& diagnosis, NotchKey key);

// True when Load stopped at this line of this file.
bool stoppedAt(const Diagnosis& diagnosis, const std::filesystem::path& file, int line);

// Error at the place Load stopped, else Warning: for what makes the
// plug-in's reader throw.
Severity stopSeverity(const Diagnosis& diagnosis, const std::filesystem::path& file, int line);

// Adds a finding; an error at the place Load stopped marks the failure as
// explained.
void add(Diagnosis& diagnosis, Finding finding);

// One line of a file as the plug-in's reader decodes it.
struct Line {
    int number = 0;
    config::Text text;
};

// The lines of a file as the plug-in reads them (through its own reader); an
// unreadable file or an over-long line ends the list.
std::vector<Line> readLines(const std::filesystem::path& file);

// A field of a comma-separated line, cut as the plug-in cuts it, with the
// column where its text begins (from 1, in characters).
struct Cell {
    config::Text text;
    int column = 1;
};
// The line is split exactly as config::splitFields splits it; its text
// starts at `firstColumn` of the line in the file.
std::vector<Cell> cellsOf(const config::Text& line, int firstColumn = 1);

// The text in backquotes as messages show it: what cannot be seen is named,
// look-alike characters stay as written (the found text names those).
std::string backquoted(const config::Text& text);

// Levenshtein distance, ignoring ASCII letter case.
int editDistance(std::u16string_view a, std::u16string_view b);

// Checks a file's bytes before its content: UTF-16, a workbook, a program
// where text is expected, Shift-JIS. Returns false when the plug-in cannot
// have read anything sensible from it (the content is then not looked at).
struct TextKind {
    bool namesFiles;  // its values are file names: a Shift-JIS name is not found
    bool comments;    // ';' and '#' start comments
    int headerLines;  // lines at the top that are never read
};
bool checkEncoding(Diagnosis& diagnosis, const std::filesystem::path& file, const TextKind& kind);

// A file in a format other than plain text (rich text, a web page, a
// workbook saved as XML), or with line ends the reader does not know.
// Returns false when the file's lines are not worth looking at. `isUtf8`:
// the bytes are UTF-8, so a line can be rewritten as it stands.
bool checkTextFormat(Diagnosis& diagnosis, const std::filesystem::path& file, std::string_view bytes, bool isUtf8);

// The checks of the individual files.
void checkModuleList(Diagnosis& diagnosis, const std::filesystem::path& file);
void checkNotchIndex(Diagnosis& diagnosis, const std::filesystem::path& file);
// Whether the files notch.txt names fit the sections that name them.
void checkSectionFiles(Diagnosis& diagnosis, const std::filesystem::path& notchFile);
void checkPowerParams(Diagnosis& diagnosis, const std::filesystem::path& file);
void checkBrakeParams(Diagnosis& diagnosis, const std::filesystem::path& file);
void checkPowerCurves(Diagnosis& diagnosis, const std::filesystem::path& file);
void checkBrakeCurves(Diagnosis& diagnosis, const std::filesystem::path& file);
void checkNoLoadCurrent(Diagnosis& diagnosis, const std::filesystem::path& file);
void checkNeedleTable(Diagnosis& diagnosis, const std::filesystem::path& file);

// A name written in a line of a file: the columns it takes there, the text
// the plug-in read and the folder it joins that text to.
struct WrittenName {
    std::filesystem::path file;
    int line = 0;
    int firstColumn = 0;  // from 1, in characters; [firstColumn, endColumn)
    int endColumn = 0;
    config::Text text;
    std::filesystem::path base;
    bool comments = true;  // ';' and '#' start comments in that file
};

// The line of notch.txt whose value the plug-in took for `path`.
std::optional<WrittenName> notchLineNaming(const Diagnosis& diagnosis, const std::filesystem::path& path);

// A file the plug-in looked for and did not find: a fixed name of the
// plug-in, or one written in notch.txt. The vehicle tree is searched for what
// was meant.
void checkMissingFile(Diagnosis& diagnosis, const std::filesystem::path& file);
// The 64-bit build of a 32-bit module, where the vehicle holds exactly one
// (beside it as NAME64.dll or NAME_x64.dll, or in a folder x64): the line
// of the module list that names it.
std::optional<config::Text> sixtyFourBitBuildOf(const Diagnosis& diagnosis, const std::filesystem::path& module);
// The repair of a vehicle that has only the 32-bit simulator's module list:
// renaming it (with 64-bit builds written for its 32-bit modules) is offered
// only when every module it names is then a 64-bit library listed once;
// otherwise `finding.fix` is told what stands in the way.
void repairThirtyTwoBitList(const Diagnosis& diagnosis, const std::filesystem::path& oldList,
                            const std::filesystem::path& list, Finding& finding);
// The same for a name written in a line (`written` null for the plug-in's own names).
void checkMissingName(Diagnosis& diagnosis, const std::filesystem::path& wanted, const WrittenName* written);
// A name written in a line that leads out of the vehicle folder to the file
// `target`, which is there: a note (files shared by several vehicles), or a
// warning where the vehicle holds files of that name the plug-in then does
// not read (a copied vehicle still naming the one it was copied from).
// `fix` is what the note advises.
void checkNameLeavingVehicle(Diagnosis& diagnosis, const WrittenName& written, const std::filesystem::path& target,
                             std::string fix);
// The plug-in library itself, and an adjustment-mode file with a near-miss name.
void checkFolder(Diagnosis& diagnosis);

}  // namespace diagnose
