// The module list: lines that name something else than the author meant
// (blanks, comments, absolute paths, paths out of the vehicle folder, the
// same module twice, the plug-in itself), and for each library, from its
// headers, why it does not load or what it lacks. A line that should simply go is deleted whole, so that
// the lines after it keep their order.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>

#include "config/text.h"
#include "diagnose/diagnosis.h"
#include "diagnose/library_file.h"
#include "diagnose/visible.h"
#include "messages/messages.h"
#include "platform/platform.h"
#include "platform/utf8.h"
#include "plugin/entry_points.h"

namespace diagnose {

namespace {

struct ModuleLine {
    const Line& line;
    std::filesystem::path path;
    const config::ModuleNote* note;        // what Load made of the line; null when it stopped before
    const plugin::DetailModule* module;    // the loaded module, if it loaded
};

// The libraries the list names, as Windows sees them while the plug-in
// loads them in turn: a library loaded by an earlier line is one that
// Windows finds by its name for the imports of a later module.
struct ListedLibrary {
    int line = 0;
    std::string name;                  // the file name, in lower case
    std::filesystem::path path;
    std::vector<std::string> imports;  // in lower case
};

struct ListState {
    std::vector<ListedLibrary> libraries;  // the lines that name an existing file, in order
    std::vector<std::string> helpersOffered;  // libraries a repair already lists above a module
};

Finding lineFinding(const std::filesystem::path& file, const Line& line, Severity severity, std::string message,
                    std::string fix) {
    return Finding{severity, file, line.number, 1, {}, visibleText(line.text, 200), std::move(message), std::move(fix),
                   {}, {}};
}

Fix deleteLine(const std::filesystem::path& file, const Line& line) {
    Fix fix;
    fix.kind = Fix::Kind::DeleteLine;
    fix.file = file;
    fix.line = line.number;
    return fix;
}

Fix replaceLine(const std::filesystem::path& file, const Line& line, const config::Text& text) {
    return {Fix::Kind::Edit, file, line.number, 1, characterCount(line.text) + 1, platform::toUtf8(text), {}};
}

std::string lowered(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// Libraries every Windows has, and those of the Visual C++ runtime, which
// a module may rightly expect to be installed.
bool isSystemLibrary(const std::string& name) {
    static const char* const kSystem[] = {
        "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "shell32.dll",  "ole32.dll",
        "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "ws2_32.dll",   "winmm.dll",    "msvcrt.dll",
        "ntdll.dll",    "version.dll",  "shlwapi.dll",  "imm32.dll",    "setupapi.dll", "bcrypt.dll",
        "crypt32.dll",  "dbghelp.dll",  "psapi.dll",    "uxtheme.dll",  "dwmapi.dll",   "dinput8.dll",
        "dsound.dll",   "opengl32.dll", "msimg32.dll",  "rpcrt4.dll",   "secur32.dll",  "userenv.dll",
        "wininet.dll",  "winhttp.dll",  "iphlpapi.dll", "ucrtbase.dll", "winspool.drv", "xinput1_4.dll",
        "d3d9.dll",     "d3d11.dll",    "dxgi.dll",     "d2d1.dll",     "dwrite.dll",   "gdiplus.dll"};
    const std::string low = lowered(name);
    if (low.rfind("api-ms-win-", 0) == 0 || low.rfind("ext-ms-win-", 0) == 0) return true;
    return std::find(std::begin(kSystem), std::end(kSystem), low) != std::end(kSystem);
}

bool isVisualCppRuntime(const std::string& name) {
    const std::string low = lowered(name);
    return low.rfind("msvcp", 0) == 0 || low.rfind("vcruntime", 0) == 0 || low.rfind("vcomp", 0) == 0 ||
           low.rfind("concrt", 0) == 0 || low.rfind("mfc", 0) == 0;
}

bool existsIgnoringCase(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    const std::u16string wanted(name.begin(), name.end());
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (config::equalsIgnoreCase(it->path().filename().u16string(), wanted)) return true;
    return false;
}

std::string sameFileKey(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return lowered((error ? path.lexically_normal() : canonical).u8string());
}

bool isRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool isCommentLine(const config::Text& text) {
    return !text.empty() && (text[0] == ';' || text[0] == '#');
}

bool hasBlanksAround(const config::Text& text) {
    return !text.empty() && (config::isSpace(text.front()) || config::isSpace(text.back()));
}

bool isAbsolute(const config::Text& text) {
    const bool driveLetter = text.size() > 1 && text[1] == ':';
    return config::pathFromText(text).is_absolute() || driveLetter || text[0] == '\\' || text[0] == '/';
}

bool leavesFolder(const config::Text& text) {
    const std::filesystem::path normal = config::pathFromText(text).lexically_normal();
    return !normal.empty() && *normal.begin() == "..";
}

// A line the plug-in reads as the author wrote it: a path inside the
// vehicle, with nothing around it.
bool isPlainlyWritten(const config::Text& text) {
    return !text.empty() && !isCommentLine(text) && !hasBlanksAround(text) && !isAbsolute(text) && !leavesFolder(text);
}

// Where Windows looks for a library a module imports: among the libraries
// already loaded (here: those of the lines above), in the simulator's
// folder (which the check cannot see) and in the system folder, when this
// system has one. Not beside the module: the plug-in loads it by its path,
// and Windows looks for its imports as if by name alone.
bool importIsThere(const ListState& list, int line, const std::string& name) {
    const std::string low = lowered(name);
    const bool listedAbove = std::any_of(list.libraries.begin(), list.libraries.end(), [&](const ListedLibrary& library) {
        return library.line < line && library.name == low;
    });
    if (listedAbove) return true;
    if (const char* root = std::getenv("SystemRoot"))
        return existsIgnoringCase(std::filesystem::u8path(root) / "System32", name);
    return false;
}

// The first line after `line` whose module imports `name`; 0 when none.
int neededBelow(const ListState& list, int line, const std::string& name) {
    const std::string low = lowered(name);
    for (const ListedLibrary& library : list.libraries)
        if (library.line > line && std::find(library.imports.begin(), library.imports.end(), low) != library.imports.end())
            return library.line;
    return 0;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string joinedSentences(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
    return text;
}

bool isPluginItself(const std::filesystem::path& path, const LibraryFile& library) {
    const std::u16string name = path.filename().u16string();
    return config::equalsIgnoreCase(name, u"orvalis_cab.dll") || config::equalsIgnoreCase(name, u"orvalis_cab.so") ||
           config::equalsIgnoreCase(library.exportName, u"orvalis_cab.dll");
}

// The format of the libraries this system loads: that of the running program.
LibraryFormat ownFormat() {
    static const LibraryFormat format = [] {
        const std::optional<LibraryFile> own = examineLibrary(platform::ownLibraryPath());
        return own ? own->format : LibraryFormat::None;
    }();
    return format;
}

// The entry points the module lacks: from the loaded module when it loaded,
// else from its export table.
std::optional<std::vector<std::string>> missingEntryPoints(const ModuleLine& entry, const LibraryFile& library) {
    if (entry.module != nullptr) return plugin::missingEntryPoints(entry.module->entryPoints);
    if (library.format != LibraryFormat::Pe || !library.tablesRead) return std::nullopt;
    std::vector<std::string> missing;
    for (const char* name : host::kEntryPointNames)
        if (std::find(library.exports.begin(), library.exports.end(), name) == library.exports.end())
            missing.push_back(name);
    return missing;
}

void checkEntryPoints(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry,
                      const LibraryFile& library, const ListState& list) {
    const std::optional<std::vector<std::string>> missing = missingEntryPoints(entry, library);
    if (!missing || missing->empty()) return;
    const bool lacksElapse = std::find(missing->begin(), missing->end(), "Elapse") != missing->end();
    const int neededBy = neededBelow(list, entry.line.number, entry.path.filename().u8string());
    if (missing->size() == std::size(host::kEntryPointNames) && neededBy > 0) {
        // Loaded here, it is there by its name for the module that imports it.
        add(diagnosis, lineFinding(file, entry.line, Severity::Note,
                                   messages::trf("a helper library, not a plug-in module: listed here, it is loaded "
                                                 "before the module of line {1}, which needs it",
                                                 {std::to_string(neededBy)}),
                                   {}));
    } else if (missing->size() == std::size(host::kEntryPointNames)) {
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::tr("the library exports none of the sixteen plug-in functions, and no "
                                                "module listed below needs it: it is no plug-in"),
                                   messages::tr("remove the line, or name the plug-in module meant here")));
    } else if (lacksElapse) {
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::trf("the module has no Elapse: it is not called in the frames and cannot "
                                                 "pass the handles on (missing: {1})",
                                                 {joined(*missing)}),
                                   messages::tr("check that this is the module meant here, in its 64-bit build")));
    } else {
        add(diagnosis, lineFinding(file, entry.line, Severity::Note,
                                   messages::trf("the module lacks {1}: those calls are not passed to it",
                                                 {joined(*missing)}),
                                   {}));
    }
}

// The files of the vehicle of a name, letter case aside: the one beside
// the module first, else those anywhere in the vehicle.
std::vector<std::filesystem::path> filesNamed(const Diagnosis& diagnosis, const std::filesystem::path& module,
                                              const std::string& name) {
    const std::u16string wanted(name.begin(), name.end());
    const auto named = [&](const std::filesystem::path& path) {
        return config::equalsIgnoreCase(path.filename().u16string(), wanted);
    };
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(module.parent_path(), error), end; !error && it != end;
         it.increment(error))
        if (named(it->path()) && it->is_regular_file(error)) return {it->path()};
    constexpr int kDepth = 6;
    constexpr std::size_t kEntries = 20000;
    std::filesystem::recursive_directory_iterator it(diagnosis.folder,
                                                     std::filesystem::directory_options::skip_permission_denied, error);
    std::size_t seen = 0;
    for (const std::filesystem::recursive_directory_iterator end; !error && it != end && seen < kEntries;
         it.increment(error), ++seen) {
        std::error_code kindError;
        const std::filesystem::path entryName = it->path().filename();
        if (it->is_directory(kindError)) {
            if (it.depth() >= kDepth || entryName == "cabhost-backup" || entryName == "__MACOSX")
                it.disable_recursion_pending();
            continue;
        }
        if (named(it->path()) && it->is_regular_file(kindError)) found.push_back(it->path());
    }
    return found;
}

// The path of a file of the vehicle as a line of the list names it.
config::Text listedName(const Diagnosis& diagnosis, const std::filesystem::path& path) {
    config::Text text;
    for (const std::filesystem::path& part : path.lexically_relative(diagnosis.plugin.directory.parent_path()))
        text += (text.empty() ? u"" : u"\\") + part.u16string();
    return text;
}

// A library the module imports that the vehicle holds: Windows finds it
// only when an earlier line has loaded it, so the repair lists it above the
// module (once, for every module that needs it).
void reportHelperNotLoaded(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry,
                           const std::string& name, const std::vector<std::filesystem::path>& helpers,
                           ListState& list) {
    Finding finding = lineFinding(
        file, entry.line, Severity::Warning,
        messages::trf("the module needs {1}, and Windows does not look beside the module for it, only among the "
                      "libraries already loaded, in the simulator's folder and in the system folders: the module "
                      "loads only when {1} is listed above it",
                      {name}),
        messages::trf("list {1} above this line", {backquoted(listedName(diagnosis, helpers.front()))}));
    const std::optional<LibraryFile> helper = helpers.size() == 1 ? examineLibrary(helpers.front()) : std::nullopt;
    const config::Text line = listedName(diagnosis, helpers.front());
    if (helper && helper->format == LibraryFormat::Pe && helper->is64Bit && helper->isLibrary && !helper->isDotNet &&
        isPlainlyWritten(line)) {
        finding.fixes.push_back({Fix::Kind::Edit, file, entry.line.number, 1, 1, platform::toUtf8(line) + "\n", {}});
        list.helpersOffered.push_back(lowered(name));
        // Listed below the module, it comes too late: its line moves up.
        for (const ListedLibrary& listed : list.libraries)
            if (listed.line > entry.line.number && listed.name == lowered(name)) {
                Line below;
                below.number = listed.line;
                finding.fixes.push_back(deleteLine(file, below));
                finding.fix = messages::trf("move the line of {1} above this line", {backquoted(line)});
                break;
            }
    } else if (helpers.size() > 1) {
        finding.fix = messages::trf("the vehicle holds {1} files named {2}: list the one meant above this line",
                                    {std::to_string(helpers.size()), name});
    }
    add(diagnosis, std::move(finding));
}

void checkImports(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry,
                  const LibraryFile& library, ListState& list) {
    std::vector<std::string> missing;
    std::vector<std::string> runtime;
    for (const std::string& name : library.imports) {
        if (name.empty() || isSystemLibrary(name) || importIsThere(list, entry.line.number, name)) continue;
        if (isVisualCppRuntime(name)) {
            runtime.push_back(name);
            continue;
        }
        const std::vector<std::string>& offered = list.helpersOffered;
        if (std::find(offered.begin(), offered.end(), lowered(name)) != offered.end()) continue;
        const std::vector<std::filesystem::path> helpers = filesNamed(diagnosis, entry.path, name);
        if (helpers.empty())
            missing.push_back(name);
        else
            reportHelperNotLoaded(diagnosis, file, entry, name, helpers, list);
    }
    if (!missing.empty())
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::trf("the module needs {1}, which is not in the vehicle: unless it is in "
                                                 "the simulator's folder or the system folders, Windows refuses to "
                                                 "load the module",
                                                 {joined(missing)}),
                                   messages::tr("get the libraries it needs (see the module's own instructions) and "
                                                "list them above this line")));
    if (!runtime.empty())
        add(diagnosis, lineFinding(file, entry.line, Severity::Note,
                                   messages::trf("the module needs {1} of the Visual C++ runtime", {joined(runtime)}),
                                   messages::tr("make sure the Visual C++ runtime (x64) is installed on the computer "
                                                "that runs the simulator")));
}

// The plug-in skips the line: deleting it changes nothing that runs.
void reportPluginItself(Diagnosis& diagnosis, const std::filesystem::path& file, const Line& line) {
    Finding finding = lineFinding(file, line, Severity::Warning,
                                  messages::tr("this is the plug-in itself: it cannot be its own module, and the "
                                               "simulator's plug-in skips this line"),
                                  messages::tr("remove the line"));
    finding.fixes.push_back(deleteLine(file, line));
    add(diagnosis, std::move(finding));
}

// A library the plug-in can run as a module: a native 64-bit library of
// this system's kind that exports plug-in functions (or, for a kind whose
// exports are not read, any such library).
bool isRunnableModule(const std::filesystem::path& path) {
    const std::optional<LibraryFile> library = examineLibrary(path);
    if (!library || !library->isLibrary || !library->is64Bit || library->isDotNet || isPluginItself(path, *library))
        return false;
    if (library->format == LibraryFormat::Elf) return ownFormat() == LibraryFormat::Elf;
    if (library->format != LibraryFormat::Pe || !library->tablesRead) return false;
    return std::any_of(std::begin(host::kEntryPointNames), std::end(host::kEntryPointNames), [&](const char* name) {
        return std::find(library->exports.begin(), library->exports.end(), name) != library->exports.end();
    });
}

// The module libraries in a folder and its subfolders (a module's archive
// often holds x86\ and x64\), a few levels deep.
std::vector<std::filesystem::path> modulesIn(const std::filesystem::path& folder) {
    constexpr int kDepth = 2;
    constexpr std::size_t kEntries = 2000;
    std::vector<std::filesystem::path> found;
    std::error_code error;
    std::filesystem::recursive_directory_iterator it(folder, std::filesystem::directory_options::skip_permission_denied,
                                                     error);
    std::size_t seen = 0;
    for (const std::filesystem::recursive_directory_iterator end; !error && it != end && seen < kEntries;
         it.increment(error), ++seen) {
        std::error_code kindError;
        if (it->is_directory(kindError)) {
            if (it.depth() >= kDepth || it->path().filename() == "cabhost-backup") it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(kindError) && isRunnableModule(it->path())) found.push_back(it->path());
    }
    return found;
}

// A line that names a folder: the plug-in cannot load a folder. The module
// meant is the one module library in it, when there is exactly one.
void reportFolder(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry) {
    Finding finding = lineFinding(file, entry.line, Severity::Warning,
                                  messages::trf("{1} is a folder: the plug-in loads no folder, so this line runs no "
                                                "module",
                                                {backquoted(entry.line.text)}),
                                  messages::tr("name the module's .dll file in the folder here"));
    // Only a folder inside the vehicle is looked into, and the vehicle
    // folder itself is no module's folder.
    std::error_code error;
    const bool inside =
        isPlainlyWritten(entry.line.text) && !std::filesystem::equivalent(entry.path, diagnosis.folder, error);
    const std::vector<std::filesystem::path> modules = inside ? modulesIn(entry.path) : std::vector<std::filesystem::path>();
    if (modules.size() == 1) {
        config::Text meant = entry.line.text;
        while (!meant.empty() && (meant.back() == '\\' || meant.back() == '/')) meant.pop_back();
        for (const std::filesystem::path& part : modules.front().lexically_relative(entry.path))
            meant += u"\\" + part.u16string();
        finding.fix = messages::trf("the folder holds one 64-bit module: write {1}", {backquoted(meant)});
        finding.fixes.push_back(replaceLine(file, entry.line, meant));
    } else if (modules.size() > 1) {
        finding.fix = messages::trf("the folder holds {1} modules: name the one meant here",
                                    {std::to_string(modules.size())});
    }
    add(diagnosis, std::move(finding));
}

// What the file's headers say about a library that exists.
void checkLibrary(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry, ListState& list) {
    std::error_code error;
    if (std::filesystem::is_directory(entry.path, error)) return reportFolder(diagnosis, file, entry);
    const std::optional<LibraryFile> library = examineLibrary(entry.path);
    if (!library) return;  // unreadable: the load report says why it was skipped
    if (isPluginItself(entry.path, *library)) return reportPluginItself(diagnosis, file, entry.line);
    if (library->format == LibraryFormat::None) {
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::tr("the file is not a library at all"),
                                   messages::tr("name the module's .dll file here")));
        return;
    }
    // Vehicles are made for Windows: a PE library is judged as Windows
    // would, wherever the check runs; an ELF library only where it is the
    // system's own kind.
    if (library->format == LibraryFormat::Elf) {
        if (ownFormat() == LibraryFormat::Pe)
            add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                       messages::tr("a library for Linux, not for Windows"),
                                       messages::tr("name the module's Windows .dll file here")));
        else
            checkEntryPoints(diagnosis, file, entry, *library, list);
        return;
    }
    if (!library->is64Bit) {
        Finding finding = lineFinding(file, entry.line, Severity::Warning,
                                      messages::tr("a 32-bit library: this plug-in is 64-bit and cannot load 32-bit "
                                                   "modules"),
                                      messages::tr("use the module's 64-bit build (often in a folder or file named "
                                                   "x64)"));
        if (const std::optional<config::Text> build = sixtyFourBitBuildOf(diagnosis, entry.path)) {
            finding.fix = messages::trf("the vehicle holds its 64-bit build: write {1} in this line",
                                        {"`" + visibleText(*build, 200, false) + "`"});
            finding.fixes.push_back(replaceLine(file, entry.line, *build));
        }
        add(diagnosis, std::move(finding));
        return;
    }
    if (library->isDotNet) {
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::tr("a .NET assembly: it has none of the plug-in functions a native module "
                                                "exports, so this plug-in cannot run it"),
                                   messages::tr("use a native 64-bit module")));
        return;
    }
    if (!library->isLibrary) {
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::tr("a program, not a library"), messages::tr("name the module's .dll file here")));
        return;
    }
    checkImports(diagnosis, file, entry, *library, list);
    checkEntryPoints(diagnosis, file, entry, *library, list);
}

// Where each plainly written line leads, by the file it names: the first
// line naming each file.
using ListedFiles = std::map<std::string, int>;

ListedFiles listedFiles(const Diagnosis& diagnosis, const std::vector<Line>& lines) {
    ListedFiles listed;
    for (const Line& line : lines)
        if (isPlainlyWritten(line.text))
            listed.insert({sameFileKey(config::resolvePath(diagnosis.plugin.directory, line.text)), line.number});
    return listed;
}

// Blanks around a name are part of it. The name without them is what was
// meant when it names a file: the line is trimmed, or deleted when another
// line already names that file (the chain then runs as it does now).
// Windows drops blanks at the end of a name: there such a line loads the
// module all the same, and is looked at further (true).
bool reportBlanks(Diagnosis& diagnosis, const std::filesystem::path& file, const Line& line,
                  const ListedFiles& listed) {
    config::Text trimmed = line.text;
    config::trim(trimmed);
    std::error_code error;
    const bool foundAnyway = std::filesystem::exists(config::resolvePath(diagnosis.plugin.directory, line.text), error);
    Finding finding = lineFinding(file, line, Severity::Warning,
                                  messages::trf("the blanks around the name belong to it: the plug-in looks for {1}, "
                                                "not {2}",
                                                {backquoted(line.text), backquoted(trimmed)}),
                                  messages::tr("delete the blanks before and after the name"));
    if (foundAnyway) {
        finding.severity = Severity::Note;
        finding.message = messages::trf("Windows drops the blanks at the end of {1} and loads {2}; other systems "
                                        "look for the name with its blanks",
                                        {backquoted(line.text), backquoted(trimmed)});
    }
    const std::filesystem::path meant = config::resolvePath(diagnosis.plugin.directory, trimmed);
    if (isPlainlyWritten(trimmed) && isRegularFile(meant)) {
        const auto other = listed.find(sameFileKey(meant));
        // Found anyway, the line counts as a listing of its own: the later
        // of two listings goes as a repeated module.
        if (foundAnyway) {
            if (other == listed.end()) finding.fixes.push_back(replaceLine(file, line, trimmed));
        } else if (other != listed.end()) {
            finding.fix = messages::trf("delete this line: line {1} names that module already",
                                        {std::to_string(other->second)});
            finding.fixes.push_back(deleteLine(file, line));
        } else {
            finding.fixes.push_back(replaceLine(file, line, trimmed));
        }
    }
    add(diagnosis, std::move(finding));
    return foundAnyway;
}

// The way a line is written, before what it names. False when the line
// names nothing worth looking at further.
bool checkWriting(Diagnosis& diagnosis, const std::filesystem::path& file, const Line& line, bool lastLine,
                  const ListedFiles& listed) {
    const config::Text& text = line.text;
    config::Text trimmed = text;
    config::trim(trimmed);
    if (trimmed.empty()) {
        if (!lastLine)
            add(diagnosis, lineFinding(file, line, Severity::Note,
                                       messages::tr("an empty line names no module; the lines after it are read"), {}));
        return false;
    }
    if (isCommentLine(text)) {
        Finding finding = lineFinding(file, line, Severity::Warning,
                                      messages::tr("this file has no comments: the line is taken as a file name and "
                                                   "loads nothing"),
                                      messages::tr("delete the line (keep notes in another file)"));
        // A note that happens to name an existing file is not taken for one.
        std::error_code error;
        if (!std::filesystem::exists(config::resolvePath(diagnosis.plugin.directory, text), error))
            finding.fixes.push_back(deleteLine(file, line));
        add(diagnosis, std::move(finding));
        return false;
    }
    if (hasBlanksAround(text)) return reportBlanks(diagnosis, file, line, listed);
    if (isAbsolute(text)) {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("an absolute path: it works on this computer, and breaks when the "
                                                "vehicle is copied to another folder or computer"),
                                   messages::tr("put the module in the vehicle folder and name it relative to it")));
    } else if (leavesFolder(text)) {
        // Modules kept once for several vehicles in a folder beside them
        // are a layout of their own: a path that finds its module is a
        // note, unless the vehicle holds a module of that name as well.
        std::error_code error;
        const std::filesystem::path target = config::resolvePath(diagnosis.plugin.directory, text);
        if (std::filesystem::exists(target, error)) {
            const WrittenName written{file, line.number, 1, characterCount(text) + 1, text,
                                      diagnosis.plugin.directory.parent_path(), false};
            checkNameLeavingVehicle(diagnosis, written, target,
                                    messages::tr("put the module in the vehicle folder and name it relative to it"));
            return true;
        }
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("the path leaves the vehicle folder: it breaks when the vehicle is "
                                                "copied without the folders around it"),
                                   messages::tr("put the module in the vehicle folder and name it relative to it")));
    }
    return true;
}

// A line naming nothing: what the author meant, from the vehicle tree. A
// rewrite that would name a module another line lists already is no
// repair: the chain would then call that module twice.
void checkMissingModule(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry,
                        const ListedFiles& listed) {
    const WrittenName written{file, entry.line.number, 1, characterCount(entry.line.text) + 1, entry.line.text,
                              diagnosis.plugin.directory.parent_path(), false};
    const std::size_t before = diagnosis.findings.size();
    checkMissingName(diagnosis, entry.path, &written);
    const auto namesListedModule = [&](const Fix& fix) {
        if (fix.kind != Fix::Kind::Edit || fix.file != file || fix.line != entry.line.number) return false;
        config::Text replacement;
        config::decodeUtf8(fix.replacement, replacement);
        const auto other = listed.find(sameFileKey(config::resolvePath(diagnosis.plugin.directory, replacement)));
        return other != listed.end() && other->second != entry.line.number;
    };
    for (std::size_t k = before; k < diagnosis.findings.size(); ++k) {
        Finding& finding = diagnosis.findings[k];
        if (std::none_of(finding.fixes.begin(), finding.fixes.end(), namesListedModule)) continue;
        finding.fixes.clear();
        finding.fix = messages::tr("another line of the list names that module already: delete this line, or name "
                                   "the module meant here");
    }
}

}  // namespace

void checkModuleList(Diagnosis& diagnosis, const std::filesystem::path& file) {
    const std::vector<Line> lines = readLines(file);
    const ListedFiles listed = listedFiles(diagnosis, lines);
    ListState list;
    for (const Line& line : lines) {
        if (line.text.empty()) continue;
        ListedLibrary library{line.number, {}, config::resolvePath(diagnosis.plugin.directory, line.text), {}};
        if (!isRegularFile(library.path)) continue;
        library.name = lowered(library.path.filename().u8string());
        if (const std::optional<LibraryFile> headers = examineLibrary(library.path))
            for (const std::string& name : headers->imports) library.imports.push_back(lowered(name));
        list.libraries.push_back(std::move(library));
    }
    const config::LoadReport& report = diagnosis.plugin.report;
    std::map<std::string, std::pair<int, std::filesystem::path>> seen;  // the first line naming each file
    std::size_t loaded = 0;
    for (const Line& line : lines) {
        const config::ModuleNote* note = nullptr;
        for (const config::ModuleNote& candidate : report.modules)
            if (candidate.line == line.number) note = &candidate;
        const plugin::DetailModule* module = nullptr;
        if (note != nullptr && note->outcome == config::ModuleOutcome::Loaded &&
            loaded < diagnosis.plugin.chain.modules.size())
            module = &diagnosis.plugin.chain.modules[loaded++];
        const bool lastLine = line.number == static_cast<int>(lines.size());
        if (!checkWriting(diagnosis, file, line, lastLine, listed)) continue;
        const ModuleLine entry{line, config::resolvePath(diagnosis.plugin.directory, line.text), note, module};
        std::error_code error;
        const bool exists = std::filesystem::exists(entry.path, error);
        const auto [earlier, first] = seen.insert({sameFileKey(entry.path), {line.number, entry.path}});
        // Names that differ in letter case only are two files where the
        // system tells letter case apart.
        if (!first && exists && std::filesystem::equivalent(earlier->second.second, entry.path, error)) {
            // The first listing keeps the module's place in the chain.
            Finding finding = lineFinding(file, line, Severity::Warning,
                                          messages::trf("the same module as on line {1}: it is loaded twice, and "
                                                        "every call reaches it twice",
                                                        {std::to_string(earlier->second.first)}),
                                          messages::tr("list each module once"));
            finding.fixes.push_back(deleteLine(file, line));
            add(diagnosis, std::move(finding));
        }
        if (isPluginItself(entry.path, LibraryFile{}))
            reportPluginItself(diagnosis, file, line);
        else if (exists)
            checkLibrary(diagnosis, file, entry, list);
        else
            checkMissingModule(diagnosis, file, entry, listed);
    }
}

namespace {

// Far more modules than any vehicle has; a longer file is not looked through.
constexpr std::size_t kMaxThirtyTwoBitLines = 1000;

// Why one line of the 32-bit simulator's list does not carry over to the
// 64-bit plug-in as it stands; empty when it does, with `build` set when the
// line is to name the module's 64-bit build instead.
std::string thirtyTwoBitLineProblem(const Diagnosis& diagnosis, const Line& line, std::optional<config::Text>& build) {
    const std::string shown = backquoted(line.text);
    const std::string number = std::to_string(line.number);
    if (!isPlainlyWritten(line.text))
        return messages::trf("line {1} ({2}) is not a plain path inside the vehicle", {number, shown});
    const std::filesystem::path path = config::resolvePath(diagnosis.plugin.directory, line.text);
    if (!isRegularFile(path)) return messages::trf("line {1} names {2}, which is not there", {number, shown});
    const std::optional<LibraryFile> library = examineLibrary(path);
    if (!library || isPluginItself(path, *library))
        return messages::trf("line {1} ({2}) is no detail module", {number, shown});
    const bool native = library->format == LibraryFormat::Pe || library->format == ownFormat();
    if (!native || !library->isLibrary || library->isDotNet)
        return messages::trf("line {1} ({2}) is no native 64-bit library", {number, shown});
    if (library->is64Bit) return {};
    if (library->format == LibraryFormat::Pe) build = sixtyFourBitBuildOf(diagnosis, path);
    if (build) return {};
    return messages::trf("line {1} ({2}) is a 32-bit library, and the vehicle holds no one 64-bit build of it",
                         {number, shown});
}

}  // namespace

void repairThirtyTwoBitList(const Diagnosis& diagnosis, const std::filesystem::path& oldList,
                            const std::filesystem::path& list, Finding& finding) {
    std::vector<Fix> edits;
    std::vector<std::string> problems;
    std::map<std::string, int> seen;
    const std::vector<Line> lines = readLines(oldList);
    if (lines.size() > kMaxThirtyTwoBitLines) return;  // no list of modules: told without a repair
    for (const Line& line : lines) {
        config::Text trimmed = line.text;
        config::trim(trimmed);
        if (trimmed.empty()) continue;  // names nothing, here as in the new list
        std::optional<config::Text> build;
        std::string problem = thirtyTwoBitLineProblem(diagnosis, line, build);
        const config::Text& named = build ? *build : line.text;
        const auto [earlier, first] =
            seen.insert({sameFileKey(config::resolvePath(diagnosis.plugin.directory, named)), line.number});
        if (problem.empty() && !first)
            problem = messages::trf("line {1} names the module of line {2} again",
                                    {std::to_string(line.number), std::to_string(earlier->second)});
        if (!problem.empty()) problems.push_back(problem);
        else if (build) edits.push_back(replaceLine(oldList, line, *build));
    }
    // A list of another letter case is the one Windows reads: no second one.
    if (existsIgnoringCase(list.parent_path(), list.filename().u8string()))
        problems.push_back(messages::trf("{1} is there in other letter case", {backquoted(list.filename().u16string())}));
    const std::string from = backquoted(oldList.filename().u16string());
    const std::string to = backquoted(list.filename().u16string());
    if (!problems.empty())
        finding.fix = messages::trf("make {1} listing the 64-bit builds of its modules; renaming {2} is not enough, "
                                    "as {3}",
                                    {to, from, joinedSentences(problems)});
    if (lines.empty() || !problems.empty()) return;
    finding.fix = edits.empty()
                      ? messages::trf("rename {1} to {2}: every module it lists is a 64-bit library", {from, to})
                      : messages::trf("rename {1} to {2}, with the 64-bit builds of its 32-bit modules written in "
                                      "their lines",
                                      {from, to});
    finding.fixes = std::move(edits);
    Fix rename;
    rename.kind = Fix::Kind::Rename;
    rename.file = oldList;
    rename.target = list;
    finding.fixes.push_back(rename);
}

}  // namespace diagnose
