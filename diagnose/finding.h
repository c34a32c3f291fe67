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
};

}  // namespace diagnose
