// One finding of the diagnosis of a vehicle folder: something in the author's
// files that stopped the plug-in's start-up, or that the plug-in will read
// otherwise than the author most likely meant, or will ignore.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace diagnose {

enum class Severity {
    Error,    // stopped the plug-in's Load: the later files were not read
    Warning,  // read as something other than the author most likely meant, or ignored
    Note,     // worth knowing; nothing is lost
};

// A repair of the author's files that the tools can apply and prove: the
// finding's `fix` text says the same in the author's words.
struct Fix {
    enum class Kind {
        Edit,          // replace columns [firstColumn, endColumn) of `line` in `file` by `replacement`
        Rename,        // rename or move `file` to `target` (a file or a folder)
        ResaveAsUtf8,  // decode `file` as the plug-in does and write it back as UTF-8 with a byte-order mark
        DeleteLine,    // remove `line` of `file` with its line end, so that the lines after it move up
    };
    Kind kind = Kind::Edit;
    std::filesystem::path file;    // absolute
    int line = 0;                  // Edit, DeleteLine: from 1, as the file stood when it was checked
    int firstColumn = 0;           // Edit: from 1, in characters of the line as the plug-in decodes it
    int endColumn = 0;             // Edit: one past the last column replaced; equal to firstColumn to insert
    std::string replacement;       // Edit: UTF-8
    std::filesystem::path target;  // Rename: absolute
};

struct Finding {
    Severity severity = Severity::Note;
    std::filesystem::path file;  // absolute; empty when the finding is about the folder as a whole
    int line = 0;                // from 1; 0 when it is about the whole file
    int column = 0;              // from 1, in characters; 0 when it is about the whole line
    std::string field;           // e.g. "field 2", "key RequiredNotch_Up"; empty when none applies
    std::string found;           // what was found, invisible and look-alike characters made visible
    std::string message;         // what the plug-in does with it, in the author's language
    std::string fix;             // how to put it right, in the author's language
    // For reports that mark the rows of a table: the 1-based data rows of a
    // curve or needle table that the finding concerns (empty when none).
    std::vector<int> rows;
    // The repairs that put it right, applied together; empty when no repair
    // can be proven, and then `fix` says what to look at.
    std::vector<Fix> fixes;
};

}  // namespace diagnose
