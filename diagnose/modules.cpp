// The module list: lines that name something else than the author meant
// (blanks, comments, absolute paths, paths out of the vehicle folder, the
// same module twice, the plug-in itself), and for each library, from its
// headers, why it does not load or what it lacks.
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
#include "plugin/entry_points.h"

namespace diagnose {

namespace {

struct ModuleLine {
    const Line& line;
    std::filesystem::path path;
    const config::ModuleNote* note;        // what Load made of the line; null when it stopped before
    const plugin::DetailModule* module;    // the loaded module, if it loaded
};

Finding lineFinding(const std::filesystem::path& file, const Line& line, Severity severity, std::string message,
                    std::string fix) {
    return Finding{severity, file, line.number, 1, {}, visibleText(line.text, 200), std::move(message), std::move(fix),
                   {}, {}};
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

// Where Windows looks for an imported library: beside the module, in the
// simulator's and the plug-in's folder (checked: the plug-in's), and in the
// system folder, when this system has one.
bool importIsThere(const Diagnosis& diagnosis, const std::filesystem::path& module, const std::string& name) {
    if (existsIgnoringCase(module.parent_path(), name) || existsIgnoringCase(diagnosis.folder, name)) return true;
    if (const char* root = std::getenv("SystemRoot"))
        return existsIgnoringCase(std::filesystem::u8path(root) / "System32", name);
    return false;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
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
                      const LibraryFile& library) {
    const std::optional<std::vector<std::string>> missing = missingEntryPoints(entry, library);
    if (!missing || missing->empty()) return;
    const bool lacksElapse = std::find(missing->begin(), missing->end(), "Elapse") != missing->end();
    if (missing->size() == std::size(host::kEntryPointNames)) {
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::tr("the library exports none of the sixteen plug-in functions: it is no "
                                                "plug-in (a helper library belongs beside the module, not in this list)"),
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

void checkImports(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry,
                  const LibraryFile& library) {
    std::vector<std::string> missing;
    std::vector<std::string> runtime;
    for (const std::string& name : library.imports) {
        if (name.empty() || isSystemLibrary(name) || importIsThere(diagnosis, entry.path, name)) continue;
        (isVisualCppRuntime(name) ? runtime : missing).push_back(name);
    }
    if (!missing.empty())
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::trf("the module needs {1}, which is neither beside it nor in the vehicle "
                                                 "folder: Windows refuses to load it",
                                                 {joined(missing)}),
                                   messages::tr("copy the libraries it needs beside the module (see the module's own "
                                                "instructions)")));
    if (!runtime.empty())
        add(diagnosis, lineFinding(file, entry.line, Severity::Note,
                                   messages::trf("the module needs {1} of the Visual C++ runtime", {joined(runtime)}),
                                   messages::tr("make sure the Visual C++ runtime (x64) is installed on the computer "
                                                "that runs the simulator")));
}

void reportPluginItself(Diagnosis& diagnosis, const std::filesystem::path& file, const Line& line) {
    add(diagnosis, lineFinding(file, line, Severity::Warning,
                               messages::tr("this is the plug-in itself: it cannot be its own module, and the "
                                            "simulator's plug-in skips this line"),
                               messages::tr("remove the line")));
}

// What the file's headers say about a library that exists.
void checkLibrary(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry) {
    const std::optional<LibraryFile> library = examineLibrary(entry.path);
    if (!library) return;  // a folder, or unreadable: the load report says why it was skipped
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
            checkEntryPoints(diagnosis, file, entry, *library);
        return;
    }
    if (!library->is64Bit) {
        add(diagnosis, lineFinding(file, entry.line, Severity::Warning,
                                   messages::tr("a 32-bit library: this plug-in is 64-bit and cannot load 32-bit "
                                                "modules"),
                                   messages::tr("use the module's 64-bit build (often in a folder or file named x64)")));
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
    checkImports(diagnosis, file, entry, *library);
    checkEntryPoints(diagnosis, file, entry, *library);
}

// The way a line is written, before what it names.
bool checkWriting(Diagnosis& diagnosis, const std::filesystem::path& file, const Line& line, bool lastLine) {
    const config::Text& text = line.text;
    if (text.empty()) {
        if (!lastLine)
            add(diagnosis, lineFinding(file, line, Severity::Note,
                                       messages::tr("an empty line names no module; the lines after it are read"), {}));
        return false;
    }
    if (text[0] == ';' || text[0] == '#') {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("this file has no comments: the line is taken as a file name and loads "
                                                "nothing"),
                                   messages::tr("delete the line (keep notes in another file)")));
        return false;
    }
    if (config::isSpace(text.front()) || config::isSpace(text.back())) {
        config::Text trimmed = text;
        config::trim(trimmed);
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::trf("the blanks around the name belong to it: the plug-in looks for {1}, "
                                                 "not {2}",
                                                 {backquoted(text), backquoted(trimmed)}),
                                   messages::tr("delete the blanks before and after the name")));
        return false;
    }
    const std::filesystem::path written = config::pathFromText(text);
    const bool driveLetter = text.size() > 1 && text[1] == ':';
    if (written.is_absolute() || driveLetter || text[0] == '\\' || text[0] == '/') {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("an absolute path: it works on this computer, and breaks when the "
                                                "vehicle is copied to another folder or computer"),
                                   messages::tr("put the module in the vehicle folder and name it relative to it")));
    } else if (!written.lexically_normal().empty() && *written.lexically_normal().begin() == "..") {
        add(diagnosis, lineFinding(file, line, Severity::Warning,
                                   messages::tr("the path leaves the vehicle folder: it breaks when the vehicle is "
                                                "copied without the folders around it"),
                                   messages::tr("put the module in the vehicle folder and name it relative to it")));
    }
    return true;
}

void checkMissingModule(Diagnosis& diagnosis, const std::filesystem::path& file, const ModuleLine& entry) {
    const WrittenName written{file, entry.line.number, 1, characterCount(entry.line.text) + 1, entry.line.text,
                              diagnosis.plugin.directory.parent_path(), false};
    checkMissingName(diagnosis, entry.path, &written);
}

std::string sameFileKey(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return lowered((error ? path.lexically_normal() : canonical).u8string());
}

}  // namespace

void checkModuleList(Diagnosis& diagnosis, const std::filesystem::path& file) {
    const std::vector<Line> lines = readLines(file);
    const config::LoadReport& report = diagnosis.plugin.report;
    std::map<std::string, int> seen;
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
        if (!checkWriting(diagnosis, file, line, lastLine)) continue;
        const ModuleLine entry{line, config::resolvePath(diagnosis.plugin.directory, line.text), note, module};
        const auto [earlier, first] = seen.insert({sameFileKey(entry.path), line.number});
        if (!first)
            add(diagnosis, lineFinding(file, line, Severity::Warning,
                                       messages::trf("the same module as on line {1}: it is loaded twice, and every "
                                                     "call reaches it twice",
                                                     {std::to_string(earlier->second)}),
                                       messages::tr("list each module once")));
        std::error_code error;
        if (isPluginItself(entry.path, LibraryFile{}))
            reportPluginItself(diagnosis, file, line);
        else if (std::filesystem::exists(entry.path, error))
            checkLibrary(diagnosis, file, entry);
        else
            checkMissingModule(diagnosis, file, entry);
    }
}

}  // namespace diagnose
