// Names: a file the plug-in looked for and did not find although something
// very like it is there (another letter case, a doubled extension, a small
// misspelling), and the plug-in library itself.
#include <algorithm>
#include <optional>

#include "config/text.h"
#include "diagnose/diagnose.h"
#include "diagnose/diagnosis.h"
#include "diagnose/library_file.h"
#include "diagnose/visible.h"
#include "messages/messages.h"

namespace diagnose {

namespace {

std::u16string nameOf(const std::filesystem::path& path) {
    return path.filename().u16string();
}

std::optional<std::filesystem::path> entryIgnoringCase(const std::filesystem::path& folder, const std::u16string& name) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (config::equalsIgnoreCase(nameOf(it->path()), name)) return it->path();
    return std::nullopt;
}

// The path with every part below `base` matched ignoring letter case, as
// Windows would find it; nothing when a part is not there at all.
std::optional<std::filesystem::path> findIgnoringCase(const std::filesystem::path& base,
                                                      const std::filesystem::path& relative) {
    std::filesystem::path found = base;
    for (const std::filesystem::path& part : relative) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            found = found.parent_path();
            continue;
        }
        const std::optional<std::filesystem::path> entry = entryIgnoringCase(found, part.u16string());
        if (!entry) return std::nullopt;
        found = *entry;
    }
    return found;
}

// A name most likely meant for `wanted`: the wanted name with one more
// extension (Windows hides known ones, so "Speed.csv" saved by Notepad
// becomes "Speed.csv.txt"), the same name with another extension, or one
// or two letters off.
bool isNearMiss(const std::u16string& name, const std::u16string& wanted) {
    if (name.size() > wanted.size() && config::equalsIgnoreCase(name.substr(0, wanted.size()), wanted)) return true;
    const std::u16string stem = std::filesystem::path(wanted).stem().u16string();
    const std::u16string otherStem = std::filesystem::path(name).stem().u16string();
    if (!stem.empty() && config::equalsIgnoreCase(otherStem, stem)) return true;
    return editDistance(name, wanted) <= 2;
}

std::optional<std::filesystem::path> nearMissIn(const std::filesystem::path& folder, const std::u16string& wanted) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (isNearMiss(nameOf(it->path()), wanted)) return it->path();
    return std::nullopt;
}

std::string shown(const Diagnosis& diagnosis, const std::filesystem::path& path) {
    return "`" + shownPath(path, diagnosis.folder) + "`";
}

Finding folderFinding(const std::filesystem::path& file, Severity severity, std::string found, std::string message,
                      std::string fix) {
    return Finding{severity, file, 0, 0, {}, std::move(found), std::move(message), std::move(fix), {}, {}};
}

bool isPluginLibrary(const std::filesystem::path& path) {
    const std::u16string name = nameOf(path);
    if (config::equalsIgnoreCase(name, u"orvalis_cab.dll") || config::equalsIgnoreCase(name, u"orvalis_cab.so"))
        return true;
    // A renamed copy keeps the name it was built with.
    if (!config::equalsIgnoreCase(path.extension().u16string(), u".dll")) return false;
    const std::optional<LibraryFile> library = examineLibrary(path);
    return library && config::equalsIgnoreCase(library->exportName, u"orvalis_cab.dll");
}

}  // namespace

// The 32-bit simulator's plug-ins read their module list from
// "detailmodules.txt"; a vehicle moved to the 64-bit simulator often still
// has only that one.
bool reportThirtyTwoBitList(Diagnosis& diagnosis, const std::filesystem::path& file) {
    if (file != diagnosis.plugin.directory / "detailmodulesx64.txt") return false;
    const std::optional<std::filesystem::path> old = entryIgnoringCase(file.parent_path(), u"detailmodules.txt");
    std::error_code error;
    if (!old || !std::filesystem::is_regular_file(*old, error)) return false;
    add(diagnosis, folderFinding(file, Severity::Warning, shownPath(*old, diagnosis.folder),
                                 messages::trf("there is no {1}, but there is {2}, the module list of the 32-bit "
                                               "simulator's plug-ins: this 64-bit plug-in reads {1} only, so it runs "
                                               "no detail modules",
                                               {shown(diagnosis, file), shown(diagnosis, *old)}),
                                 messages::trf("make {1} listing the 64-bit builds of those modules (a 32-bit library "
                                               "does not load in the 64-bit simulator)",
                                               {shown(diagnosis, file)})));
    return true;
}

void checkMissingFile(Diagnosis& diagnosis, const std::filesystem::path& file) {
    std::filesystem::path relative = file.lexically_relative(diagnosis.folder);
    const bool inside = !relative.empty() && *relative.begin() != "..";
    if (inside) {
        if (const std::optional<std::filesystem::path> found = findIgnoringCase(diagnosis.folder, relative)) {
            add(diagnosis, folderFinding(file, Severity::Warning, shownPath(*found, diagnosis.folder),
                                         messages::trf("not found as {1}, but there is {2}, with other letter case: "
                                                       "Windows finds it, this check and other systems do not",
                                                       {shown(diagnosis, file), shown(diagnosis, *found)}),
                                         messages::trf("rename it to {1}", {shown(diagnosis, file)})));
            return;
        }
    }
    if (reportThirtyTwoBitList(diagnosis, file)) return;
    const std::optional<std::filesystem::path> folder =
        inside ? findIgnoringCase(diagnosis.folder, relative.parent_path()) : std::optional(file.parent_path());
    if (!folder) return;
    if (const std::optional<std::filesystem::path> near = nearMissIn(*folder, nameOf(file))) {
        add(diagnosis, folderFinding(file, Severity::Warning, shownPath(*near, diagnosis.folder),
                                     messages::trf("{1} is not there, but {2} is: the plug-in looks for exactly the "
                                                   "name {1}",
                                                   {shown(diagnosis, file), shown(diagnosis, *near)}),
                                     messages::trf("rename it to {1} (in Explorer, turn on \"File name extensions\" "
                                                   "to see whole names)",
                                                   {visibleText(nameOf(file))})));
    }
}

void checkFolder(Diagnosis& diagnosis) {
    const std::filesystem::path& folder = diagnosis.plugin.directory;
    std::error_code error;
    bool pluginFound = false;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (isPluginLibrary(it->path())) pluginFound = true;
    if (!pluginFound && !error)
        add(diagnosis, folderFinding({}, Severity::Warning, {},
                                     messages::tr("the plug-in library orvalis_cab.dll is not in this folder: the "
                                                  "simulator reads the files beside the library, so it does not read "
                                                  "these"),
                                     messages::tr("copy orvalis_cab.dll into this folder and name it in the vehicle "
                                                  "file")));
    if (diagnosis.plugin.adjust.enabled) return;
    if (const std::optional<std::filesystem::path> near = nearMissIn(folder, u"PanelModify.txt")) {
        add(diagnosis, folderFinding(*near, Severity::Warning, shownPath(*near, diagnosis.folder),
                                     messages::trf("{1} is not PanelModify.txt: the adjustment mode stays off",
                                                   {shown(diagnosis, *near)}),
                                     messages::tr("rename it to PanelModify.txt (in Explorer, turn on \"File name "
                                                  "extensions\" to see whole names)")));
    }
}

}  // namespace diagnose
