// Names: a file the plug-in looked for and did not find. The vehicle tree is
// searched for what the name could have meant under the differences authors
// make (letter case, composed and decomposed letters, invisible and
// full-width characters, quotes, a full-width comment mark, a hidden or a
// doubled extension, a folder too many or too few, a misnamed folder), and
// the side that is wrong is named: the name as written, then edited in its
// line, or the file on disk, then renamed or moved.
#include <algorithm>
#include <optional>

#include "config/text.h"
#include "diagnose/diagnose.h"
#include "diagnose/diagnosis.h"
#include "diagnose/encoding.h"
#include "diagnose/library_file.h"
#include "diagnose/names.h"
#include "diagnose/visible.h"
#include "messages/messages.h"
#include "platform/utf8.h"

namespace diagnose {

namespace {

namespace fs = std::filesystem;

// Bounds of the search through a vehicle tree: deep and wide enough for
// any vehicle, and a limit for a folder dropped by mistake.
constexpr int kSearchDepth = 6;
constexpr std::size_t kSearchEntries = 20000;

std::u16string nameOf(const fs::path& path) {
    return path.filename().u16string();
}

bool isInvisible(char16_t c) {
    return c < 0x20 || c == 0x7F || takesNoRoom(c);
}

bool isQuote(char16_t c) {
    return c == '"' || c == '\'' || c == 0x201C || c == 0x201D || c == 0x2018 || c == 0x2019 || c == 0x300C ||
           c == 0x300D || c == 0x300E || c == 0x300F || c == 0xFF02 || c == 0xFF07;
}

// A character Windows refuses in a file name, or one nobody can see.
bool unfitForName(char16_t c) {
    return isInvisible(c) || isQuote(c) || c == '<' || c == '>' || c == ':' || c == '|' || c == '?' || c == '*' ||
           c == '/' || c == '\\';
}

bool fitsAsName(std::u16string_view name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), unfitForName) && name.back() != ' ' &&
           name.back() != '.';
}

// The form two names are compared in: composed, without invisible
// characters, full-width letters as ASCII, ASCII letters in lower case.
// Characters of Japanese text that a Mac and Windows type as different
// code points for one and the same character (the wave dash of 東急〜 and
// the full-width tilde of 東急～ among them): the Mac's form, then Windows'.
constexpr std::pair<char16_t, char16_t> kMacAndWindowsForms[] = {
    {0x301C, 0xFF5E}, {0x2212, 0xFF0D}, {0x2016, 0x2225}, {0x2014, 0x2015},
    {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2},
};

// A character with its code point: `〜` (U+301C).
std::string codePoint(char16_t c) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (int shift = 12; shift >= 0; shift -= 4) hex += digits[(c >> shift) & 0xF];
    return "`" + platform::toUtf8(std::u16string(1, c)) + "` (U+" + hex + ")";
}

std::u16string nameKey(std::u16string_view name) {
    std::u16string key;
    for (char16_t c : composed(name)) {
        if (isInvisible(c)) continue;
        for (const auto& [mac, windows] : kMacAndWindowsForms)
            if (c == mac) c = windows;
        if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(asciiLookAlike(c));
        if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c - 'A' + 'a');
        key += c;
    }
    return key;
}

// What the author most likely meant by a name as the plug-in read it, and
// which of the author's habits made the two differ.
struct Meant {
    config::Text text;
    bool quotes = false;
    bool invisible = false;
    bool commentMark = false;
    bool slashes = false;  // the comment mark was "//", as other files of the simulator write it
    bool fullWidth = false;
    bool yen = false;      // a yen sign written where a folder ends
    bool endsInSeparator = false;
    config::Text comment;  // what follows a full-width comment mark, kept as a comment
};

Meant meantName(config::Text text, bool comments) {
    Meant meant;
    const std::size_t before = text.size();
    text.erase(std::remove_if(text.begin(), text.end(), isInvisible), text.end());
    meant.invisible = text.size() != before;
    // A full-width mark does not start a comment; in a file without comments
    // a mark after a blank was still meant as one.
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool fullWidthMark = c == 0xFF1B || c == 0xFF03;
        const bool markAfterBlank = !comments && (c == ';' || c == '#') && i > 0 && config::isSpace(text[i - 1]);
        const bool slashes = c == '/' && i + 1 < text.size() && text[i + 1] == '/' && i > 0 &&
                             config::isSpace(text[i - 1]);
        if (fullWidthMark || markAfterBlank || slashes) {
            meant.comment = text.substr(i + (slashes ? 2 : 1));
            text.erase(i);
            meant.commentMark = true;
            meant.slashes = slashes;
            break;
        }
    }
    config::trim(text);
    while (text.size() >= 2 && isQuote(text.front()) && isQuote(text.back())) {
        text = text.substr(1, text.size() - 2);
        config::trim(text);
        meant.quotes = true;
    }
    for (char16_t& c : text) {
        // Japanese Windows shows the backslash as a yen sign, and the input
        // method gives a real one (U+00A5, or full-width U+FFE5).
        if (c == 0x00A5 || c == 0xFFE5) {
            c = '\\';
            meant.yen = true;
        }
        if (c >= 0xFF01 && c <= 0xFF5E && !isQuote(c)) {
            c = static_cast<char16_t>(asciiLookAlike(c));
            meant.fullWidth = true;
        }
    }
    // A name ends in no separator: after one it names a folder.
    while (text.size() > 1 && (text.back() == '\\' || text.back() == '/')) {
        text.pop_back();
        meant.endsInSeparator = true;
    }
    meant.text = std::move(text);
    return meant;
}

// How a file on disk relates to the name wanted.
enum class Match {
    Same,              // the same name under nameKey
    ExtensionHidden,   // the name wanted lacks the file's extension
    ExtensionDoubled,  // the file has one more extension than the name wanted
    ExtensionTwice,    // the name wanted has the file's extension twice
    Shortcut,          // a shortcut (.lnk) of the name wanted, which the plug-in does not follow
    Garbled,           // the name wanted as an archive program garbled it
};

// What follows `stem` and a full stop in `key`, when `key` begins so and
// the rest is one extension.
std::optional<std::u16string_view> extensionAfter(std::u16string_view key, std::u16string_view stem) {
    if (key.size() <= stem.size() + 1 || key.substr(0, stem.size()) != stem || key[stem.size()] != '.')
        return std::nullopt;
    const std::u16string_view extra = key.substr(stem.size() + 1);
    if (extra.size() > 4 || extra.find('.') != std::u16string_view::npos) return std::nullopt;
    return extra;
}

// The extensions Explorer hides or adds that leave a file the plug-in can
// read: a name with another one (Speed.csv.xlsx, power.txt.bak) is another
// file, and renaming it would not give the one meant.
bool isReadableExtension(std::u16string_view extension) {
    return extension == u"txt" || extension == u"csv" || extension == u"dll";
}

std::optional<Match> matchOf(const std::u16string& fileKey, const std::u16string& wantedKey, bool wantedHasExtension) {
    if (fileKey == wantedKey) return Match::Same;
    if (const std::optional<std::u16string_view> extra = extensionAfter(fileKey, wantedKey)) {
        if (*extra == u"lnk") return Match::Shortcut;
        if (isReadableExtension(*extra)) return wantedHasExtension ? Match::ExtensionDoubled : Match::ExtensionHidden;
    }
    if (const std::optional<std::u16string_view> extra = extensionAfter(wantedKey, fileKey)) {
        const std::size_t dot = fileKey.rfind('.');
        if (dot != std::u16string::npos && std::u16string_view(fileKey).substr(dot + 1) == *extra)
            return Match::ExtensionTwice;
    }
    return std::nullopt;
}

struct Candidate {
    fs::path path;
    Match match;
    fs::path thirtyTwoBit;  // the 32-bit library of the name, when `path` is its 64-bit build
};

// Folders that hold no file the author means: a Mac archive's __MACOSX and
// the originals cabhost fix keeps.
bool isSkippedFolder(const std::u16string& name) {
    return name == u"__MACOSX" || name == u"cabhost-backup";
}

// Regular files of the vehicle tree whose name could be the one wanted; a
// Mac archive's "._" files are no candidates.
std::vector<Candidate> candidatesFor(const fs::path& root, const std::u16string& wantedName) {
    const std::u16string wantedKey = nameKey(wantedName);
    const bool hasExtension = wantedKey.find('.') != std::u16string::npos;
    std::vector<Candidate> found;
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    std::size_t seen = 0;
    for (const fs::recursive_directory_iterator end; !error && it != end && seen < kSearchEntries;
         it.increment(error), ++seen) {
        const std::u16string name = nameOf(it->path());
        std::error_code kindError;
        if (it->is_directory(kindError)) {
            if (isSkippedFolder(name) || it.depth() >= kSearchDepth) it.disable_recursion_pending();
            continue;
        }
        if (name.rfind(u"._", 0) == 0 || !it->is_regular_file(kindError)) continue;
        if (const std::optional<Match> match = matchOf(nameKey(name), wantedKey, hasExtension))
            found.push_back({it->path(), *match, {}});
        else if (const std::optional<std::u16string> meant = shiftJisReadAsCp437(name); meant && nameKey(*meant) == wantedKey)
            found.push_back({it->path(), Match::Garbled, {}});
    }
    return found;
}

// True when every part of the two paths is the same under nameKey.
bool samePlace(const fs::path& a, const fs::path& b) {
    auto i = a.begin();
    auto j = b.begin();
    for (; i != a.end() && j != b.end(); ++i, ++j)
        if (nameKey(i->u16string()) != nameKey(j->u16string())) return false;
    return i == a.end() && j == b.end();
}

std::string shown(const Diagnosis& diagnosis, const fs::path& path) {
    return "`" + visibleText(fs::u8path(shownPath(path, diagnosis.folder)).u16string(), 200, false) + "`";
}

std::string shownText(std::u16string_view text) {
    return "`" + visibleText(text, 200, false) + "`";
}

Finding nameFinding(const fs::path& file, int line, int column, std::string found, std::string message, std::string fix,
                    std::vector<Fix> fixes = {}) {
    return Finding{Severity::Warning, file, line,  column, {}, std::move(found), std::move(message), std::move(fix),
                   {},               std::move(fixes)};
}

Fix renameFix(const fs::path& from, const fs::path& to) {
    Fix fix;
    fix.kind = Fix::Kind::Rename;
    fix.file = from;
    fix.target = to;
    return fix;
}

// A rename already offered by another finding is not offered twice: the
// second would find nothing to rename.
bool offered(const Diagnosis& diagnosis, const Fix& fix) {
    return std::any_of(diagnosis.findings.begin(), diagnosis.findings.end(), [&](const Finding& finding) {
        return std::any_of(finding.fixes.begin(), finding.fixes.end(), [&](const Fix& other) {
            return other.kind == fix.kind && other.file == fix.file && other.target == fix.target;
        });
    });
}

// A new name that is free, or that only changes the letter case of a name
// the system sees as the same.
bool isRenameTargetFit(const fs::path& from, const fs::path& to) {
    std::error_code error;
    return from != to && fitsAsName(nameOf(to)) && (!fs::exists(to, error) || fs::equivalent(from, to, error));
}

// The name as Windows authors write it in a file: folders joined with '\'.
config::Text writtenPath(const fs::path& relative) {
    config::Text text;
    for (const fs::path& part : relative) text += (text.empty() ? u"" : u"\\") + part.u16string();
    return text;
}

// The best candidates: those where the name leads (apart from how the name
// is written), else those elsewhere in the tree.
std::vector<Candidate> bestCandidates(std::vector<Candidate> all, const fs::path& expected) {
    // A shortcut counts only where no file of the name is found.
    const auto isShortcut = [](const Candidate& candidate) { return candidate.match == Match::Shortcut; };
    if (!std::all_of(all.begin(), all.end(), isShortcut))
        all.erase(std::remove_if(all.begin(), all.end(), isShortcut), all.end());
    std::vector<Candidate> here;
    for (const Candidate& candidate : all)
        if (samePlace(candidate.path.parent_path(), expected.parent_path())) here.push_back(candidate);
    return here.empty() ? all : here;
}

std::string candidateList(const Diagnosis& diagnosis, const std::vector<Candidate>& candidates) {
    std::string text;
    for (std::size_t i = 0; i < candidates.size() && i < 3; ++i)
        text += (text.empty() ? "" : ", ") + shown(diagnosis, candidates[i].path);
    return candidates.size() > 3 ? text + ", ..." : text;
}

// The first of the author's habits that explains the difference, in words.
std::string writtenCause(const Diagnosis& diagnosis, const WrittenName& written, const Meant& meant,
                         const Candidate& candidate, const fs::path& expected) {
    const std::string as = shownText(written.text);
    const std::string file = shown(diagnosis, candidate.path);
    if (!candidate.thirtyTwoBit.empty())
        return messages::trf("{1} leads to {2}, which is not there; the vehicle holds {3}, a 32-bit library this "
                             "plug-in cannot load, and {4}, its 64-bit build",
                             {as, shown(diagnosis, expected), shown(diagnosis, candidate.thirtyTwoBit), file});
    if (meant.quotes)
        return messages::trf("the quotes are part of the name as read (Windows allows no quotes in file names), so "
                             "the plug-in looks for {1}; the file is {2}",
                             {as, file});
    if (meant.invisible)
        return messages::trf("the name holds a character that cannot be seen ({1}), so the plug-in looks for another "
                             "name; the file is {2}",
                             {visibleText(written.text, 200, false), file});
    if (meant.slashes)
        return messages::trf("`//` does not start a comment in this file: the plug-in reads all of {1} as the name; "
                             "the file is {2}",
                             {as, file});
    if (meant.commentMark)
        return written.comments
                   ? messages::trf("a full-width ； or ＃ does not start a comment: the plug-in reads all of {1} as the "
                                   "name; the file is {2}",
                                   {as, file})
                   : messages::trf("this file has no comments: the plug-in reads all of {1} as the name; the file "
                                   "is {2}",
                                   {as, file});
    if (meant.endsInSeparator)
        return messages::trf("the name ends in a folder separator, so the plug-in looks for a folder {1}; the file is "
                             "{2}",
                             {as, file});
    if (meant.yen)
        return messages::trf("the name separates folders with a yen sign ({1}): Japanese Windows shows the backslash "
                             "as ¥, but in the file ¥ is another character, and the plug-in takes it as part of a "
                             "name; the file is {2}",
                             {visibleText(written.text, 200, false), file});
    // A character typed on a Mac in the line and on Windows in the file's name, or the other way round.
    std::string forms;
    const std::u16string diskName = candidate.path.lexically_relative(written.base).u16string();
    for (const auto& [mac, windows] : kMacAndWindowsForms)
        for (const auto& [typed, onDisk] : {std::pair{mac, windows}, std::pair{windows, mac}})
            if (written.text.find(typed) != std::u16string::npos && diskName.find(onDisk) != std::u16string::npos &&
                diskName.find(typed) == std::u16string::npos)
                forms += (forms.empty() ? "" : ", ") +
                         messages::trf("{1} for {2}", {codePoint(typed), codePoint(onDisk)});
    if (!forms.empty())
        return messages::trf("the name holds characters that look the same as in the file's name but are others "
                             "({1}): a Mac and Windows type these differently; the file is {2}",
                             {forms, file});
    if (meant.fullWidth)
        return messages::trf("the name is written in full-width letters ({1}): the plug-in looks for exactly these; "
                             "the file is {2}",
                             {visibleText(written.text, 200), file});
    if (candidate.match == Match::ExtensionTwice)
        return messages::trf("the name has its extension twice, so the plug-in looks for {1}; the file is {2}",
                             {as, file});
    if (candidate.match == Match::ExtensionHidden)
        return messages::trf("the name has no extension, so the plug-in looks for {1}; the file is {2} (Explorer "
                             "hides known extensions)",
                             {as, file});
    if (!samePlace(candidate.path.parent_path(), expected.parent_path())) {
        const fs::path inBase = written.base / candidate.path.filename();
        const config::Text first = config::pathFromText(meant.text).begin()->u16string();
        if (samePlace(candidate.path, inBase) && nameKey(first) == nameKey(nameOf(written.base)))
            return messages::trf("the plug-in already looks in the folder {1}: {2} leads to {3}, and the file is {4}",
                                 {shown(diagnosis, written.base), as, shown(diagnosis, expected), file});
        return messages::trf("{1} leads to {2}, which is not there; the file is {3}",
                             {as, shown(diagnosis, expected), file});
    }
    if (composed(meant.text) != meant.text)
        return messages::trf("the name {1} is written with separate voiced-sound or accent marks (as a Mac saves "
                             "text): it looks like the file {2} but is another name to Windows",
                             {as, file});
    if (config::equalsIgnoreCase(nameOf(expected), nameOf(candidate.path)))
        return messages::trf("the plug-in looks for {1} and finds nothing: the file is {2}, with other letter case "
                             "(Windows finds it, other systems do not)",
                             {shown(diagnosis, expected), file});
    return messages::trf("the plug-in looks for {1} and finds nothing, but there is {2}",
                         {shown(diagnosis, expected), file});
}

std::vector<Fix> renamesAlong(const fs::path& root, const fs::path& from, const fs::path& to);

// The names an archive program garbled on the way from `found` to
// `expected` (both below `root`, of the same depth): every part the same
// under nameKey or the garbled form of the part wanted, one at least
// garbled. `renames` give the garbled parts back their names; they are
// empty when a name wanted is taken.
struct GarbledPath {
    fs::path part;            // the first garbled part, as on disk
    std::u16string meant;     // its name as meant
    std::vector<Fix> renames;
};

std::optional<GarbledPath> garbledAlong(const fs::path& root, const fs::path& found, const fs::path& expected) {
    std::vector<fs::path> foundParts;
    std::vector<fs::path> wantedParts;
    for (const fs::path& part : found.lexically_relative(root)) foundParts.push_back(part);
    for (const fs::path& part : expected.lexically_relative(root)) wantedParts.push_back(part);
    if (foundParts.empty() || foundParts.size() != wantedParts.size()) return std::nullopt;
    std::optional<GarbledPath> garbled;
    fs::path target = root;
    fs::path onDisk = root;
    for (std::size_t i = 0; i < foundParts.size(); ++i) {
        onDisk /= foundParts[i];
        const std::u16string name = foundParts[i].u16string();
        const std::u16string wanted = wantedParts[i].u16string();
        if (wanted == u".." || wanted == u".") return std::nullopt;
        if (nameKey(name) == nameKey(wanted)) {
            target /= foundParts[i];
            continue;
        }
        const std::optional<std::u16string> meant = shiftJisReadAsCp437(name);
        if (!meant || nameKey(*meant) != nameKey(wanted)) return std::nullopt;
        if (!garbled) garbled = GarbledPath{onDisk, wanted, {}};
        target /= wantedParts[i];
    }
    if (garbled) garbled->renames = renamesAlong(root, found, target);
    return garbled;
}

// A name written in a line: what the line must say to reach the file, and
// whether the file itself has to change (a name saved decomposed by a Mac, or
// with a doubled extension).
void explainWritten(Diagnosis& diagnosis, const WrittenName& written, const Meant& meant, const Candidate& candidate,
                    const fs::path& expected) {
    if (const std::optional<GarbledPath> garbled = garbledAlong(diagnosis.folder, candidate.path, expected)) {
        std::vector<Fix> fixes = garbled->renames;
        std::string fix;
        for (const Fix& rename : fixes)
            fix += (fix.empty() ? "" : "; ") + messages::trf("rename {1} to {2}", {shown(diagnosis, rename.file),
                                                                                 shownText(nameOf(rename.target))});
        if (fixes.empty())
            fix = messages::trf("{1} is taken: see which of the two holds what you meant",
                                {shownText(garbled->meant)});
        else if (meant.text != written.text) {
            fixes.push_back({Fix::Kind::Edit, written.file, written.line, written.firstColumn, written.endColumn,
                             platform::toUtf8(meant.text), {}});
            fix += messages::trf(", and write {1} in this line", {shownText(meant.text)});
        }
        add(diagnosis,
            nameFinding(written.file, written.line, written.firstColumn, shownPath(garbled->part, diagnosis.folder),
                        messages::trf("{1} is {2} with its name garbled: the archive was made with Japanese names "
                                      "(Shift-JIS) and unpacked by a program that read them in another code page, "
                                      "so the plug-in does not find {3}",
                                      {shown(diagnosis, garbled->part), shownText(garbled->meant),
                                       shown(diagnosis, expected)}),
                        std::move(fix), std::move(fixes)));
        return;
    }
    const std::u16string diskName = nameOf(candidate.path);
    const bool decomposedOnDisk = composed(diskName) != diskName && nameKey(diskName) == nameKey(nameOf(expected));
    std::vector<Fix> fixes;
    std::string message;
    std::string fix;
    const bool here = samePlace(candidate.path.parent_path(), expected.parent_path());
    if (here && (decomposedOnDisk || candidate.match == Match::ExtensionDoubled)) {
        const fs::path target = candidate.path.parent_path() /
                                (candidate.match == Match::ExtensionDoubled ? expected.filename()
                                                                            : fs::path(composed(diskName)));
        message = decomposedOnDisk
                      ? messages::trf("the file {1} is named with separate voiced-sound or accent marks (as a Mac "
                                      "saves names): it looks like {2} but is another name to Windows",
                                      {shown(diagnosis, candidate.path), shownText(meant.text)})
                      : messages::trf("the file is {1}, with one extension too many (Explorer hides the last one)",
                                      {shown(diagnosis, candidate.path)});
        if (isRenameTargetFit(candidate.path, target)) {
            fixes.push_back(renameFix(candidate.path, target));
            fix = decomposedOnDisk ? messages::tr("rename the file, typing its name anew on Windows")
                                   : messages::trf("rename it to {1}", {shownText(nameOf(target))});
        }
        if (meant.text != written.text && !fixes.empty()) {
            fixes.push_back({Fix::Kind::Edit, written.file, written.line, written.firstColumn, written.endColumn,
                             platform::toUtf8(meant.text), {}});
            fix += messages::trf(", and write {1} in this line", {shownText(meant.text)});
        }
    } else {
        message = writtenCause(diagnosis, written, meant, candidate, expected);
        const fs::path relative = candidate.path.lexically_relative(written.base);
        config::Text replacement = writtenPath(relative);
        // The author's comment stays, behind a mark the plug-in reads as one.
        if (meant.commentMark && written.comments) replacement += u" ;" + meant.comment;
        if (!relative.empty() && replacement != written.text && fitsAsName(nameOf(candidate.path))) {
            fixes.push_back({Fix::Kind::Edit, written.file, written.line, written.firstColumn, written.endColumn,
                             platform::toUtf8(replacement), {}});
            fix = messages::trf("write {1} in this line", {shownText(replacement)});
        }
    }
    if (fixes.empty()) fix = messages::trf("name the file {1} here, as it is written on disk", {shown(diagnosis, candidate.path)});
    add(diagnosis, nameFinding(written.file, written.line, written.firstColumn, visibleText(written.text, 200),
                               std::move(message), std::move(fix), std::move(fixes)));
}

// The renames, part by part from the file up to the vehicle folder, that
// give the file at `from` the path `to` (both of the same depth below
// `root`): each renames an entry that still has its old path.
std::vector<Fix> renamesAlong(const fs::path& root, const fs::path& from, const fs::path& to) {
    std::vector<fs::path> fromParts;
    std::vector<fs::path> toParts;
    for (const fs::path& part : from.lexically_relative(root)) fromParts.push_back(part);
    for (const fs::path& part : to.lexically_relative(root)) toParts.push_back(part);
    if (fromParts.size() != toParts.size()) return {};
    std::vector<Fix> fixes;
    for (std::size_t k = fromParts.size(); k-- > 0;) {
        if (fromParts[k] == toParts[k]) continue;
        fs::path parent = root;
        for (std::size_t i = 0; i < k; ++i) parent /= fromParts[i];
        if (!isRenameTargetFit(parent / fromParts[k], parent / toParts[k])) return {};
        fixes.push_back(renameFix(parent / fromParts[k], parent / toParts[k]));
    }
    return fixes;
}

// A folder name as Explorer leaves it when a folder is copied beside
// itself or a download is saved twice: "notch - コピー", "notch - Copy (2)",
// "NeedleTable (1)"; the name without what the copy added.
std::u16string withoutCopySuffix(std::u16string name) {
    for (bool cut = true; cut;) {
        cut = false;
        while (!name.empty() && config::isSpace(name.back())) name.pop_back();
        if (name.size() > 3 && name.back() == ')') {
            const std::size_t open = name.rfind('(');
            if (open != std::u16string::npos && open > 0 && open + 2 < name.size() &&
                std::all_of(name.begin() + static_cast<std::ptrdiff_t>(open) + 1, name.end() - 1,
                            [](char16_t c) { return c >= '0' && c <= '9'; })) {
                name.erase(open);
                cut = true;
                continue;
            }
        }
        for (const std::u16string_view suffix : {std::u16string_view(u" - \u30B3\u30D4\u30FC"), std::u16string_view(u" - copy")}) {
            if (name.size() > suffix.size() &&
                config::equalsIgnoreCase(std::u16string_view(name).substr(name.size() - suffix.size()), suffix)) {
                name.erase(name.size() - suffix.size());
                cut = true;
            }
        }
    }
    return name;
}

// A folder name most likely meant for `wanted`: the same under nameKey
// apart from blanks, '_' and '-' or what a copy added, or a letter or two off.
bool isNearFolderName(const std::u16string& name, const std::u16string& wanted) {
    const auto bare = [](const std::u16string& text) {
        std::u16string key = nameKey(withoutCopySuffix(text));
        key.erase(std::remove_if(key.begin(), key.end(),
                                 [](char16_t c) { return config::isSpace(c) || c == '_' || c == '-'; }),
                  key.end());
        return key;
    };
    return bare(name) == bare(wanted) || editDistance(nameKey(name), nameKey(wanted)) <= 2;
}

// How many parts `path` has below `root`.
std::size_t depthBelow(const fs::path& root, const fs::path& path) {
    const fs::path relative = path.lexically_relative(root);
    return static_cast<std::size_t>(std::distance(relative.begin(), relative.end()));
}

bool isInside(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

// Where `path` is once the renames are made, one after the other.
fs::path afterMoves(fs::path path, const std::vector<Fix>& moves) {
    for (const Fix& move : moves) {
        if (path == move.file)
            path = move.target;
        else if (isInside(path, move.file))
            path = (move.target / path.lexically_relative(move.file)).lexically_normal();
    }
    return path;
}

// The names a file writes that lead to other files: every line of the
// module list (relative to the plug-in folder) and every value of the
// index (relative to its own folder).
std::vector<config::Text> namesWrittenIn(const fs::path& file, bool moduleList) {
    std::vector<config::Text> names;
    for (Line& line : readLines(file)) {
        if (moduleList) {
            if (!line.text.empty()) names.push_back(line.text);
            continue;
        }
        config::stripComment(line.text);
        config::trim(line.text);
        config::Text key;
        config::Text value;
        if (!line.text.empty() && line.text.front() != '[' && config::splitKeyValue(line.text, key, value) &&
            !value.empty())
            names.push_back(value);
    }
    return names;
}

// A file that names others relative to a folder, moved from where the
// author keeps it: the renames must leave every name it writes leading to
// the file it leads to now. What a name reaches inside the file's old
// folder moves along with it, as far as its new place is free; nothing is
// returned when a name would still break.
std::optional<std::vector<Fix>> withWhatItNames(const fs::path& file, bool moduleList, const fs::path& oldBase,
                                                const fs::path& newBase, std::vector<Fix> moves) {
    const std::vector<config::Text> names = namesWrittenIn(file, moduleList);
    std::error_code error;
    for (const config::Text& name : names) {
        const fs::path before = config::resolvePath(oldBase, name).lexically_normal();
        if (!fs::exists(before, error)) continue;  // a name that leads nowhere breaks nothing
        const fs::path after = config::resolvePath(newBase, name).lexically_normal();
        if (after == afterMoves(before, moves)) continue;
        if (!isInside(before, oldBase)) return std::nullopt;
        const fs::path first = *before.lexically_relative(oldBase).begin();
        const fs::path from = oldBase / first;
        const fs::path to = newBase / first;
        if (!isRenameTargetFit(from, to)) return std::nullopt;
        moves.push_back(renameFix(from, to));
        if (after != afterMoves(before, moves)) return std::nullopt;
    }
    return moves;
}

// A folder one level too deep beside a partial one: a file of it that the
// plug-in does read at the outer place, with other content, is one of two
// versions, and only the author knows which is meant.
void noteDifferingTwins(Diagnosis& diagnosis, const fs::path& inner, const fs::path& outer) {
    std::error_code error;
    for (fs::directory_iterator it(inner, error), end; !error && it != end; it.increment(error)) {
        const fs::path twin = outer / it->path().filename();
        if (!it->is_regular_file(error) || !fs::is_regular_file(twin, error)) continue;
        constexpr std::size_t kCompared = std::size_t{1} << 20;
        if (readBytes(it->path(), kCompared) == readBytes(twin, kCompared)) continue;
        const std::string found = shownPath(it->path(), diagnosis.folder);
        const bool told = std::any_of(diagnosis.findings.begin(), diagnosis.findings.end(),
                                      [&](const Finding& finding) { return finding.found == found; });
        if (told) continue;
        add(diagnosis, Finding{Severity::Note, twin, 0, 0, {}, found,
                               messages::trf("the plug-in reads {1}; {2}, one folder down, has other content",
                                             {shown(diagnosis, twin), shown(diagnosis, it->path())}),
                               messages::tr("check which of the two is meant, and keep only that one"), {}, {}});
    }
}

// One of the plug-in's own names: the file on disk is what is wrong.
void explainFixedName(Diagnosis& diagnosis, const Candidate& candidate, const fs::path& expected) {
    const fs::path& root = diagnosis.folder;
    const fs::path& found = candidate.path;
    const fs::path folder = expected.parent_path();
    const fs::path foundFolder = found.parent_path();
    std::error_code error;
    const bool isIndex = expected == diagnosis.plugin.directory / "notch" / "notch.txt";
    const bool isModuleList = expected == diagnosis.plugin.directory / "detailmodulesx64.txt";
    // The index and the module list name other files relative to a folder:
    // they move only with what they name.
    const auto keepingNames = [&](std::vector<Fix> moves) -> std::vector<Fix> {
        if (!isIndex && !isModuleList) return moves;
        const fs::path newBase = isIndex ? folder : root;
        std::optional<std::vector<Fix>> kept = withWhatItNames(found, isModuleList, foundFolder, newBase, std::move(moves));
        return kept ? std::move(*kept) : std::vector<Fix>{};
    };
    const bool folderExists = fs::is_directory(folder, error);
    const bool nearFolder = folder == root || isNearFolderName(nameOf(foundFolder), nameOf(folder));
    std::vector<Fix> fixes;
    std::string message;
    bool namesBreak = false;
    if (depthBelow(root, found) == depthBelow(root, expected) && nearFolder &&
        samePlace(foundFolder.parent_path(), folder.parent_path())) {
        // Same place apart from how a folder or the file is named.
        const std::u16string diskName = nameOf(found);
        message = composed(diskName) != diskName
                      ? messages::trf("{1} is named with separate voiced-sound or accent marks (as a Mac saves names): "
                                      "it looks like {2} but is another name to Windows",
                                      {shown(diagnosis, found), shown(diagnosis, expected)})
                  : config::equalsIgnoreCase(found.lexically_relative(root).u16string(),
                                             expected.lexically_relative(root).u16string())
                      ? messages::trf("the plug-in looks for {1} and finds nothing, but there is {2}, with other "
                                      "letter case: Windows finds it, other systems do not",
                                      {shown(diagnosis, expected), shown(diagnosis, found)})
                      : messages::trf("the plug-in looks for {1} and finds nothing, but there is {2}",
                                      {shown(diagnosis, expected), shown(diagnosis, found)});
        fixes = renamesAlong(root, found, expected);
        if (!fixes.empty()) fixes = keepingNames(std::move(fixes));
        // The folder's place is taken (by an empty or partial folder): the
        // file moves into it, the index with what it names beside it.
        if (fixes.empty() && folderExists && foundFolder != folder && isRenameTargetFit(found, expected))
            fixes = keepingNames({renameFix(found, expected)});
    } else if (nameKey(nameOf(foundFolder)) == nameKey(nameOf(folder)) && folder != root && !folderExists) {
        message = messages::trf("the plug-in looks for {1} and finds nothing: the folder is at {2}",
                                {shown(diagnosis, folder), shown(diagnosis, foundFolder)});
        // A file named otherwise as well is renamed first, while its
        // folder still has its old name.
        std::vector<Fix> moves;
        if (nameOf(found) != nameOf(expected)) {
            const fs::path renamed = foundFolder / expected.filename();
            if (isRenameTargetFit(found, renamed)) moves.push_back(renameFix(found, renamed));
        }
        if (nameOf(found) == nameOf(expected) || !moves.empty()) {
            moves.push_back(renameFix(foundFolder, folder));
            fixes = keepingNames(std::move(moves));
        }
        namesBreak = fixes.empty();
    } else if (isIndex && folderExists && depthBelow(folder, foundFolder) == 1 && isInside(foundFolder, folder) &&
               nearFolder) {
        // Unzipped into a folder of its own name: notch\notch\notch.txt.
        message = messages::trf("the plug-in looks for {1} and finds nothing: the files are one folder too deep, in "
                                "{2} (as unzipping into a folder of the same name leaves them)",
                                {shown(diagnosis, expected), shown(diagnosis, foundFolder)});
        if (isRenameTargetFit(found, expected)) fixes = keepingNames({renameFix(found, expected)});
        namesBreak = fixes.empty();
    } else {
        message = messages::trf("the plug-in looks for {1} and finds nothing, but there is {2}",
                                {shown(diagnosis, expected), shown(diagnosis, found)});
        // Into the folder the plug-in looks in, or into a new one of that
        // name when the file lies above it.
        if ((folderExists || isInside(folder, foundFolder)) && isRenameTargetFit(found, expected)) {
            fixes = keepingNames({renameFix(found, expected)});
            namesBreak = fixes.empty();
        }
    }
    // A folder an earlier finding renames, with an entry of it renamed here:
    // renames run in the order of the findings, so the folder's rename
    // moves to this finding, after the entry's.
    for (const Fix& step : fixes) {
        const bool entryInside =
            std::any_of(fixes.begin(), fixes.end(), [&](const Fix& other) { return isInside(other.file, step.file); });
        if (!entryInside) continue;
        for (Finding& earlier : diagnosis.findings) {
            const auto same = std::find_if(earlier.fixes.begin(), earlier.fixes.end(), [&](const Fix& other) {
                return other.kind == step.kind && other.file == step.file && other.target == step.target;
            });
            if (same == earlier.fixes.end()) continue;
            earlier.fixes.erase(same);
            const std::string from = shown(diagnosis, step.file);
            const std::string to = shown(diagnosis, step.target);
            const std::string own = messages::trf("rename {1} to {2}", {from, to});
            const std::size_t at = earlier.fix.find(own);
            if (at != std::string::npos)
                earlier.fix.replace(at, own.size(),
                                    messages::trf("renaming {1} to {2}, below, puts this right too", {from, to}));
        }
    }
    std::string fix;
    for (const Fix& step : fixes)
        if (offered(diagnosis, step))
            fix += (fix.empty() ? "" : "; ") + messages::trf("renaming {1} to {2}, as above, puts this right too",
                                                             {shown(diagnosis, step.file), shown(diagnosis, step.target)});
    fixes.erase(std::remove_if(fixes.begin(), fixes.end(), [&](const Fix& step) { return offered(diagnosis, step); }),
                fixes.end());
    for (const Fix& step : fixes)
        fix += (fix.empty() ? "" : "; ") + messages::trf("rename {1} to {2}", {shown(diagnosis, step.file),
                                                                                  shown(diagnosis, step.target)});
    if (fix.empty())
        fix = namesBreak ? messages::trf("put the file at {1}, and the files it names where its names then lead: they "
                                         "are named relative to it",
                                         {shown(diagnosis, expected)})
                         : messages::trf("put the file at {1}", {shown(diagnosis, expected)});
    add(diagnosis, nameFinding(expected, 0, 0, shownPath(found, diagnosis.folder), std::move(message), std::move(fix),
                               std::move(fixes)));
    if (folderExists && isInside(foundFolder, folder) && depthBelow(folder, foundFolder) == 1)
        noteDifferingTwins(diagnosis, foundFolder, folder);
}

// A folder on the way that is a shortcut, or a zip archive not yet
// extracted (Explorer shows both much like a folder): the plug-in follows
// neither.
bool reportShortcut(Diagnosis& diagnosis, const fs::path& expected, const WrittenName* written) {
    std::error_code error;
    for (fs::path folder = expected.parent_path(); folder.has_relative_path() && folder != diagnosis.folder;
         folder = folder.parent_path()) {
        fs::path link = folder;
        link += ".lnk";
        fs::path archive = folder;
        archive += ".zip";
        const bool isFile = fs::is_regular_file(folder, error);
        if (isFile && encodingOf(readBytes(folder, 4096)) == Encoding::Zip) {
            archive = folder;
        } else if (isFile) {
            const std::string found = shownPath(folder, diagnosis.folder);
            const bool told = std::any_of(diagnosis.findings.begin(), diagnosis.findings.end(),
                                          [&](const Finding& finding) { return finding.found == found; });
            if (!told)
                add(diagnosis, nameFinding(written ? written->file : expected, written ? written->line : 0,
                                           written ? written->firstColumn : 0, found,
                                           messages::trf("{1} is a file, not a folder: the plug-in looks for {2} in a "
                                                         "folder of that name",
                                                         {shown(diagnosis, folder), shown(diagnosis, expected)}),
                                           messages::trf("make {1} a folder holding the files meant to be in it",
                                                         {shown(diagnosis, folder)})));
            return true;
        } else if (fs::exists(folder, error)) {
            return false;
        }
        const bool isLink = fs::is_regular_file(link, error);
        if (!isLink && !fs::is_regular_file(archive, error)) continue;
        const fs::path& standIn = isLink ? link : archive;
        const std::string found = shownPath(standIn, diagnosis.folder);
        const bool told = std::any_of(diagnosis.findings.begin(), diagnosis.findings.end(),
                                      [&](const Finding& finding) { return finding.found == found; });
        if (told) return true;
        add(diagnosis,
            nameFinding(written ? written->file : expected, written ? written->line : 0,
                        written ? written->firstColumn : 0, found,
                        isLink ? messages::trf("{1} is a shortcut, not a folder: the plug-in does not follow "
                                               "shortcuts, so it finds nothing in {2}",
                                               {shown(diagnosis, link), shown(diagnosis, folder)})
                               : messages::trf("{1} is a zip archive, not a folder: the plug-in does not look into "
                                               "archives, so it finds nothing in {2}",
                                               {shown(diagnosis, archive), shown(diagnosis, folder)}),
                        isLink ? messages::trf("replace the shortcut by the folder itself (copy the folder it "
                                               "points to here as {1})",
                                               {shown(diagnosis, folder)})
                               : messages::trf("extract the archive here, so that {1} is a folder (in Explorer: "
                                               "right-click, \"Extract All\")",
                                               {shown(diagnosis, folder)})));
        return true;
    }
    return false;
}

// A name most likely meant for `wanted`: the same name with another
// extension, or one or two letters off. Only a hint: no fix is offered.
bool isNearMiss(const std::u16string& name, const std::u16string& wanted) {
    const std::u16string stem = fs::path(wanted).stem().u16string();
    const std::u16string otherStem = fs::path(name).stem().u16string();
    if (!stem.empty() && nameKey(otherStem) == nameKey(stem)) return true;
    // Speed.csv.xlsx, power_params.txt.bak: the name with one more extension.
    if (extensionAfter(nameKey(name), nameKey(wanted))) return true;
    return editDistance(name, wanted) <= 2;
}

std::optional<fs::path> nearMissIn(const fs::path& folder, const std::u16string& wanted) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error) && isNearMiss(nameOf(it->path()), wanted)) return it->path();
    return std::nullopt;
}

std::optional<fs::path> entryIgnoringCase(const fs::path& folder, const std::u16string& name) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (config::equalsIgnoreCase(nameOf(it->path()), name)) return it->path();
    return std::nullopt;
}

// The folder a name leads to, found as Windows finds it (ignoring letter case).
std::optional<fs::path> folderIgnoringCase(const fs::path& root, const fs::path& folder) {
    const fs::path relative = folder.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..") return std::nullopt;
    fs::path found = root;
    for (const fs::path& part : relative) {
        if (part == ".") continue;
        const std::optional<fs::path> entry = entryIgnoringCase(found, part.u16string());
        if (!entry) return std::nullopt;
        found = *entry;
    }
    return found;
}

// Letters and digits that look alike in many fonts, one group a string.
bool lookAlike(char16_t a, char16_t b) {
    for (const std::u16string_view group : {std::u16string_view(u"Il1|"), std::u16string_view(u"O0o")})
        if (a != b && group.find(a) != std::u16string_view::npos && group.find(b) != std::u16string_view::npos)
            return true;
    return false;
}

// The characters in which `written` differs from `name`, as "`I` for `l`",
// when it differs only by characters that look alike; empty otherwise.
std::string lookAlikes(const std::u16string& written, const std::u16string& name) {
    if (written.size() != name.size() || written == name) return {};
    std::string text;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == name[i]) continue;
        if (!lookAlike(written[i], name[i])) return {};
        const std::string pair = messages::trf("{1} for {2}", {shownText(written.substr(i, 1)), shownText(name.substr(i, 1))});
        if (text.find(pair) == std::string::npos) text += (text.empty() ? "" : ", ") + pair;
    }
    return text;
}

// True when the zip archive `bytes` holds a file named `wanted` (in any of
// its folders), read from the archive's central directory.
bool archiveHolds(const std::string& bytes, const std::u16string& wanted) {
    const std::string signature("PK\x01\x02", 4);
    for (std::size_t at = bytes.find(signature); at != std::string::npos && at + 46 <= bytes.size();
         at = bytes.find(signature, at + 4)) {
        const std::size_t length = static_cast<unsigned char>(bytes[at + 28]) |
                                   (static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 29])) << 8);
        if (at + 46 + length > bytes.size()) break;
        std::string name = bytes.substr(at + 46, length);
        name = name.substr(name.find_last_of('/') == std::string::npos ? 0 : name.find_last_of('/') + 1);
        config::Text text;
        if (isValidUtf8(name))
            config::decodeUtf8(name, text);
        else
            text = decodeShiftJis(name);
        if (!text.empty() && nameKey(text) == nameKey(wanted)) return true;
    }
    return false;
}

// A zip archive beside the name, holding the file wanted: downloaded and
// not yet extracted.
bool reportArchiveHolding(Diagnosis& diagnosis, const fs::path& folder, const fs::path& lookedFor,
                          const WrittenName* written) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (!it->is_regular_file(kindError)) continue;
        const std::string bytes = readBytes(it->path(), std::size_t{16} << 20);
        if (encodingOf(bytes.substr(0, 4096)) != Encoding::Zip || !archiveHolds(bytes, nameOf(lookedFor))) continue;
        add(diagnosis, nameFinding(written ? written->file : lookedFor, written ? written->line : 0,
                                   written ? written->firstColumn : 0, shownPath(it->path(), diagnosis.folder),
                                   messages::trf("{1} is not there, but the zip archive {2} holds a file of that "
                                                 "name: the plug-in does not look into archives",
                                                 {shown(diagnosis, lookedFor), shown(diagnosis, it->path())}),
                                   messages::trf("extract the archive here, so that {1} is there (in Explorer: "
                                                 "right-click, \"Extract All\")",
                                                 {shown(diagnosis, lookedFor)})));
        return true;
    }
    return false;
}

void reportNearMiss(Diagnosis& diagnosis, const fs::path& expected, const WrittenName* written,
                    const fs::path& lookedFor) {
    const std::optional<fs::path> folder = folderIgnoringCase(diagnosis.folder, expected.parent_path());
    if (!folder) return;
    if (reportArchiveHolding(diagnosis, *folder, expected, written)) return;
    const std::optional<fs::path> near = nearMissIn(*folder, nameOf(expected));
    if (!near) return;
    // Typed from a forum post or a PDF, a name can hold a capital I for a
    // small l, or a zero for an O: no repair, as either could be a name.
    const std::string alike = lookAlikes(nameOf(expected), nameOf(*near));
    add(diagnosis, nameFinding(written ? written->file : expected, written ? written->line : 0,
                               written ? written->firstColumn : 0, shownPath(*near, diagnosis.folder),
                               alike.empty()
                                   ? messages::trf("{1} is not there, but {2} is: the plug-in looks for exactly the "
                                                   "name {1}",
                                                   {shown(diagnosis, lookedFor), shown(diagnosis, *near)})
                                   : messages::trf("{1} is not there, but {2} is: the name is written with characters "
                                                   "that look alike ({3})",
                                                   {shown(diagnosis, expected), shown(diagnosis, *near), alike}),
                               alike.empty() ? messages::tr("check which name is meant (in Explorer, turn on \"File "
                                                            "name extensions\" to see whole names)")
                                             : messages::trf("write {1} in the name, as the file is named on disk",
                                                             {shownText(nameOf(*near))})));
}

bool isPluginLibrary(const fs::path& path);

bool isLoadableBuild(const fs::path& path) {
    const std::optional<LibraryFile> library = examineLibrary(path);
    return library && library->format == LibraryFormat::Pe && library->is64Bit && library->isLibrary &&
           !library->isDotNet;
}

bool isThirtyTwoBitBuild(const fs::path& path) {
    const std::optional<LibraryFile> library = examineLibrary(path);
    return library && library->format == LibraryFormat::Pe && !library->is64Bit;
}

// The 64-bit build of a module where the vehicle holds exactly one: the same
// name in a folder x64 (or amd64, win64, 64bit), or the name with a 64-bit
// mark (ats64.dll, ats_x64.dll); a name with a 32-bit mark (ats32.dll,
// ats_x86.dll, as a 32-bit vehicle's list writes it) is taken without it.
std::optional<fs::path> sixtyFourBitBuildPath(const Diagnosis& diagnosis, const fs::path& module) {
    const std::u16string stem = nameKey(module.stem().u16string());
    const std::u16string extension = nameKey(module.extension().u16string());
    std::u16string base = stem;
    for (const std::u16string_view mark : {u"_win32", u"-win32", u"win32", u"_x86", u"-x86", u"x86", u"_32", u"-32", u"32"})
        if (base.size() > mark.size() && std::u16string_view(base).substr(base.size() - mark.size()) == mark) {
            base.erase(base.size() - mark.size());
            break;
        }
    std::vector<std::u16string> stems{stem};
    if (base != stem) stems.push_back(base);
    std::vector<fs::path> builds;
    std::error_code error;
    fs::recursive_directory_iterator it(diagnosis.folder, fs::directory_options::skip_permission_denied, error);
    std::size_t seen = 0;
    for (const fs::recursive_directory_iterator end; !error && it != end && seen < kSearchEntries;
         it.increment(error), ++seen) {
        std::error_code kindError;
        if (it->is_directory(kindError) && (isSkippedFolder(nameOf(it->path())) || it.depth() >= kSearchDepth))
            it.disable_recursion_pending();
        if (!it->is_regular_file(kindError) || it->path() == module) continue;
        const std::u16string key = nameKey(nameOf(it->path()));
        const std::u16string folder = nameKey(nameOf(it->path().parent_path()));
        const bool sixtyFourFolder =
            folder == u"x64" || folder == u"amd64" || folder == u"win64" || folder == u"64bit" || folder == u"64";
        bool meant = base != stem && key == base + extension;
        for (const std::u16string& name : stems) {
            meant = meant || (sixtyFourFolder && key == name + extension);
            for (const std::u16string_view suffix : {u"64", u"_64", u"-64", u"x64", u"_x64", u"-x64"})
                meant = meant || key == std::u16string(name).append(suffix).append(extension);
        }
        if (meant && isLoadableBuild(it->path()) && !isPluginLibrary(it->path())) builds.push_back(it->path());
    }
    if (builds.size() != 1 || !fitsAsName(nameOf(builds.front()))) return std::nullopt;
    return builds.front();
}

// For a line of the module list: the candidates this 64-bit plug-in can
// load, when there are any; a 32-bit one gives way to its 64-bit build.
std::vector<Candidate> loadableFirst(const Diagnosis& diagnosis, std::vector<Candidate> candidates) {
    // The plug-in itself is never a module of its own.
    candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                    [](const Candidate& candidate) { return isPluginLibrary(candidate.path); }),
                     candidates.end());
    std::vector<Candidate> loadable;
    for (const Candidate& candidate : candidates)
        if (isLoadableBuild(candidate.path)) loadable.push_back(candidate);
    if (!loadable.empty()) return loadable;
    if (candidates.size() == 1 && isThirtyTwoBitBuild(candidates.front().path))
        if (const std::optional<fs::path> build = sixtyFourBitBuildPath(diagnosis, candidates.front().path))
            return {{*build, Match::Same, candidates.front().path}};
    return candidates;
}

// A line of the module list naming nothing, where the vehicle holds the
// 64-bit build of the module it names.
bool reportSixtyFourBitBuild(Diagnosis& diagnosis, const WrittenName& written, const fs::path& expected) {
    const std::optional<fs::path> build = sixtyFourBitBuildPath(diagnosis, expected);
    if (!build) return false;
    const config::Text replacement = writtenPath(build->lexically_relative(written.base));
    add(diagnosis, nameFinding(written.file, written.line, written.firstColumn, visibleText(written.text, 200),
                               messages::trf("{1} is not there, but the vehicle holds {2}, the 64-bit build of the "
                                             "module of that name",
                                             {shown(diagnosis, expected), shown(diagnosis, *build)}),
                               messages::trf("write {1} in this line", {shownText(replacement)}),
                               {{Fix::Kind::Edit, written.file, written.line, written.firstColumn, written.endColumn,
                                 platform::toUtf8(replacement), {}}}));
    return true;
}

// One of the plug-in's own files beside the plug-in's folder instead of in
// it, as when the library was given a folder of its own and its files were
// left beside the vehicle file. Outside the folder checked: no repair.
bool reportOneFolderUp(Diagnosis& diagnosis, const fs::path& expected) {
    const fs::path relative = expected.lexically_relative(diagnosis.folder);
    const fs::path above = diagnosis.folder.parent_path();
    if (relative.empty() || *relative.begin() == ".." || above.empty() || above == diagnosis.folder) return false;
    fs::path found = above;
    for (const fs::path& part : relative) {
        const std::optional<fs::path> entry = entryIgnoringCase(found, part.u16string());
        if (!entry) return false;
        found = *entry;
    }
    std::error_code error;
    if (!fs::is_regular_file(found, error)) return false;
    const fs::path moved = above / *found.lexically_relative(above).begin();
    add(diagnosis, nameFinding(expected, 0, 0, visibleText(found.u16string(), 200, false),
                               messages::trf("the plug-in looks for {1} and finds nothing: it lies one folder up, at "
                                             "{2}, and the plug-in reads its files only from the folder the library "
                                             "is in",
                                             {shown(diagnosis, expected), shownText(found.u16string())}),
                               messages::trf("move {1} into {2}", {shownText(moved.u16string()),
                                                                     shownText(diagnosis.folder.u16string())})));
    return true;
}

bool isPluginLibrary(const fs::path& path) {
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
bool reportThirtyTwoBitList(Diagnosis& diagnosis, const fs::path& file) {
    if (file != diagnosis.plugin.directory / "detailmodulesx64.txt") return false;
    const std::optional<fs::path> old = entryIgnoringCase(file.parent_path(), u"detailmodules.txt");
    std::error_code error;
    if (!old || !fs::is_regular_file(*old, error)) return false;
    Finding finding = nameFinding(file, 0, 0, shownPath(*old, diagnosis.folder),
                                  messages::trf("there is no {1}, but there is {2}, the module list of the 32-bit "
                                                "simulator's plug-ins: this 64-bit plug-in reads {1} only, so it runs "
                                                "no detail modules",
                                                {shown(diagnosis, file), shown(diagnosis, *old)}),
                                  messages::trf("make {1} listing the 64-bit builds of those modules (a 32-bit library "
                                                "does not load in the 64-bit simulator)",
                                                {shown(diagnosis, file)}));
    repairThirtyTwoBitList(diagnosis, *old, file, finding);
    add(diagnosis, std::move(finding));
    return true;
}

void checkMissingName(Diagnosis& diagnosis, const fs::path& wanted, const WrittenName* written) {
    std::error_code error;
    if (written != nullptr && fs::is_directory(wanted, error) && !written->text.empty()) {
        // A folder of the file's name holding that file (as unzipping a
        // single file into a folder of its name leaves it): the line can
        // lead into it.
        const std::optional<fs::path> inside = entryIgnoringCase(wanted, nameOf(wanted));
        if (inside && fs::is_regular_file(*inside, error) && fitsAsName(nameOf(*inside))) {
            const config::Text replacement = written->text + u"\\" + nameOf(*inside);
            add(diagnosis,
                nameFinding(written->file, written->line, written->firstColumn, visibleText(written->text, 200),
                            messages::trf("{1} is a folder holding {2}: the plug-in needs a file here and does not "
                                          "look into the folder",
                                          {shown(diagnosis, wanted), shown(diagnosis, *inside)}),
                            messages::trf("write {1} in this line", {shownText(replacement)}),
                            {{Fix::Kind::Edit, written->file, written->line, written->firstColumn, written->endColumn,
                              platform::toUtf8(replacement), {}}}));
            return;
        }
        add(diagnosis, nameFinding(written->file, written->line, written->firstColumn, visibleText(written->text, 200),
                                   messages::trf("{1} is a folder: the plug-in needs a file here",
                                                 {shown(diagnosis, wanted)}),
                                   messages::tr("write the name of the file meant here, with its extension")));
        return;
    }
    if (written == nullptr && fs::is_directory(wanted, error)) {
        // Unzipping a single file into a folder of its name leaves
        // NeedleTable\Speed.csv\Speed.csv.
        const std::optional<fs::path> inside = entryIgnoringCase(wanted, nameOf(wanted));
        const bool fileInside = inside && fs::is_regular_file(*inside, error);
        add(diagnosis,
            nameFinding(wanted, 0, 0, shownPath(wanted, diagnosis.folder),
                        fileInside ? messages::trf("{1} is a folder, not a file: the plug-in reads a file of this "
                                                   "name and does not look into the folder, which holds {2}",
                                                   {shown(diagnosis, wanted), shown(diagnosis, *inside)})
                                   : messages::trf("{1} is a folder, not a file: the plug-in reads a file of this name",
                                                   {shown(diagnosis, wanted)}),
                        fileInside ? messages::tr("move the file out of the folder, delete the folder, and give the "
                                                  "file its place")
                                   : messages::tr("put the file itself in the folder's place")));
        return;
    }
    if (written == nullptr && reportThirtyTwoBitList(diagnosis, wanted)) return;
    Meant meant;
    if (written)
        meant = meantName(written->text, written->comments);
    else
        meant.text = nameOf(wanted);
    if (meant.text.empty()) return;
    const fs::path expected =
        written ? config::resolvePath(written->base, meant.text).lexically_normal() : wanted.lexically_normal();
    const std::vector<Candidate> all = candidatesFor(diagnosis.folder, nameOf(expected));
    const bool moduleLine = written != nullptr && written->file == diagnosis.plugin.directory / "detailmodulesx64.txt";
    std::vector<Candidate> best = bestCandidates(all, expected);
    if (moduleLine) best = loadableFirst(diagnosis, std::move(best));
    if (moduleLine && best.empty() && reportSixtyFourBitBuild(diagnosis, *written, expected)) return;
    if (best.size() > 1) {
        add(diagnosis, nameFinding(written ? written->file : wanted, written ? written->line : 0,
                                   written ? written->firstColumn : 0, candidateList(diagnosis, best),
                                   messages::trf("{1} is not there; files of that name are at {2}",
                                                 {shown(diagnosis, expected), candidateList(diagnosis, best)}),
                                   messages::tr("check which one is meant, and name it or move it there")));
        return;
    }
    if (best.size() == 1 && best.front().match == Match::Shortcut) {
        const fs::path& link = best.front().path;
        add(diagnosis, nameFinding(written ? written->file : wanted, written ? written->line : 0,
                                   written ? written->firstColumn : 0, shownPath(link, diagnosis.folder),
                                   messages::trf("{1} is a shortcut, not the file: the plug-in does not follow "
                                                 "shortcuts, so it finds nothing at {2}",
                                                 {shown(diagnosis, link), shown(diagnosis, expected)}),
                                   messages::trf("put the file itself at {1} (copy the file the shortcut points to)",
                                                 {shown(diagnosis, expected)})));
        return;
    }
    if (best.size() == 1) {
        if (written)
            explainWritten(diagnosis, *written, meant, best.front(), expected);
        else
            explainFixedName(diagnosis, best.front(), expected);
        return;
    }
    if (reportShortcut(diagnosis, expected, written)) return;
    if (written == nullptr && reportOneFolderUp(diagnosis, expected)) return;
    reportNearMiss(diagnosis, expected, written,
                   written ? config::resolvePath(written->base, written->text).lexically_normal() : expected);
}

void checkNameLeavingVehicle(Diagnosis& diagnosis, const WrittenName& written, const fs::path& target,
                             std::string fix) {
    const fs::path relative = target.lexically_normal().lexically_relative(diagnosis.folder.lexically_normal());
    std::error_code error;
    if (relative.empty() || *relative.begin() != ".." || !fs::exists(target, error)) return;
    std::vector<fs::path> own;
    // A 32-bit build kept for the other simulator is no module this plug-in could have read instead.
    const bool moduleLine = written.file == diagnosis.plugin.directory / "detailmodulesx64.txt";
    for (const Candidate& candidate : candidatesFor(diagnosis.folder, nameOf(target)))
        if (candidate.match == Match::Same && !(moduleLine && isThirtyTwoBitBuild(candidate.path)))
            own.push_back(candidate.path);
    if (own.empty()) {
        add(diagnosis, Finding{Severity::Note, written.file, written.line, written.firstColumn, {},
                               visibleText(written.text, 200),
                               messages::tr("the path leaves the vehicle folder: it breaks when the vehicle is "
                                            "copied without the folders around it"),
                               std::move(fix), {}, {}});
        return;
    }
    std::string list;
    for (std::size_t i = 0; i < own.size() && i < 3; ++i) list += (list.empty() ? "" : ", ") + shown(diagnosis, own[i]);
    if (own.size() > 3) list += ", ...";
    // Which of the two is meant is the author's to say: no repair.
    add(diagnosis,
        nameFinding(written.file, written.line, written.firstColumn, visibleText(written.text, 200),
                    messages::trf("{1} leads out of the vehicle folder to {2}, and the plug-in reads that file, not "
                                  "{3} of this vehicle: a copied vehicle often still names the files of the one it "
                                  "was copied from",
                                  {shownText(written.text), shown(diagnosis, target.lexically_normal()), list}),
                    own.size() == 1
                        ? messages::trf("if this vehicle's own file is meant, write {1} in this line",
                                        {shownText(writtenPath(own.front().lexically_relative(written.base)))})
                        : messages::tr("check which one is meant, and name it or move it there")));
}

void checkMissingFile(Diagnosis& diagnosis, const fs::path& file) {
    const std::optional<WrittenName> written = notchLineNaming(diagnosis, file);
    checkMissingName(diagnosis, file, written ? &*written : nullptr);
}

std::optional<config::Text> sixtyFourBitBuildOf(const Diagnosis& diagnosis, const fs::path& module) {
    const std::optional<fs::path> build = sixtyFourBitBuildPath(diagnosis, module);
    if (!build) return std::nullopt;
    return writtenPath(build->lexically_relative(diagnosis.plugin.directory.parent_path()));
}

std::optional<fs::path> shiftJisName(const plugin::Plugin& loaded, const fs::path& file) {
    const Diagnosis diagnosis{loaded, loaded.directory.parent_path(), {}, false, false, {}};
    const std::optional<WrittenName> written = notchLineNaming(diagnosis, file);
    if (!written) return std::nullopt;
    const std::string bytes = readBytes(written->file, std::size_t{1} << 20);
    std::size_t start = 0;
    for (int number = 1; number < written->line && start != std::string::npos; ++number) {
        start = bytes.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return std::nullopt;
    const std::string line = bytes.substr(start, bytes.find('\n', start) - start);
    if (isValidUtf8(line) || encodingOf(line) != Encoding::ShiftJis) return std::nullopt;
    config::Text text = decodeShiftJis(line);
    config::stripComment(text);
    config::Text key;
    config::Text value;
    if (!config::splitKeyValue(text, key, value)) return std::nullopt;
    return config::resolvePath(written->base, value);
}

// A name meant as PanelModify.txt: its stem, with blanks, '_' or '-'
// between its letters taken out, is the switch's stem with one letter left
// out or mistyped, or two neighbours traded. A letter or a mark added at
// either end ("_PanelModify.txt", "PanelModify_off.txt", "PanelModify.bak")
// is how a switch is put aside on purpose, and is no such name.
bool isMistypedSwitchName(std::u16string_view name) {
    const std::u16string_view wanted = u"panelmodify";
    // Saved without an extension, or by a word processor or TextEdit in its
    // own format: the switch's content is never read, so only the name is wrong.
    for (const std::u16string_view saved : {u"", u".rtf", u".txt.rtf", u".doc", u".docx", u".text"})
        if (name.size() == wanted.size() + saved.size() && editDistance(name.substr(0, wanted.size()), wanted) == 0 &&
            editDistance(name.substr(wanted.size()), saved) == 0)
            return true;
    if (name.size() <= 4 || editDistance(name.substr(name.size() - 4), u".txt") != 0) return false;
    const std::u16string_view stem = name.substr(0, name.size() - 4);
    std::u16string letters;
    for (std::size_t i = 0; i < stem.size(); ++i) {
        const char16_t c = stem[i];
        const bool inner = i > 0 && i + 1 < stem.size();
        if (inner && (c == ' ' || c == '_' || c == '-')) continue;
        letters += (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    }
    if (letters == wanted) return letters.size() < stem.size();
    if (letters.size() <= wanted.size() && editDistance(letters, wanted) == 1) return true;
    if (letters.size() != wanted.size()) return false;
    std::size_t first = 0;
    while (first < letters.size() && letters[first] == wanted[first]) ++first;
    return first + 1 < letters.size() && letters[first] == wanted[first + 1] &&
           letters[first + 1] == wanted[first] && letters.substr(first + 2) == wanted.substr(first + 2);
}

void checkFolder(Diagnosis& diagnosis) {
    const fs::path& folder = diagnosis.plugin.directory;
    std::error_code error;
    bool pluginFound = false;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (isPluginLibrary(it->path())) pluginFound = true;
    // The library in a folder below, as a vehicle laid out for both
    // simulators keeps it (x64\\orvalis_cab.dll): it reads the files
    // beside it there, not these.
    std::vector<fs::path> below;
    if (!pluginFound && !error) {
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
        std::size_t seen = 0;
        for (const fs::recursive_directory_iterator end; !error && it != end && seen < kSearchEntries;
             it.increment(error), ++seen) {
            std::error_code kindError;
            if (it->is_directory(kindError)) {
                if (isSkippedFolder(nameOf(it->path())) || it.depth() >= 2) it.disable_recursion_pending();
                continue;
            }
            if (it->is_regular_file(kindError) && isPluginLibrary(it->path())) below.push_back(it->path());
        }
        error.clear();
    }
    if (!below.empty()) {
        std::string places;
        std::string found;
        for (const fs::path& library : below) {
            places += (places.empty() ? "" : ", ") + shown(diagnosis, library);
            found += (found.empty() ? "" : ", ") + shownPath(library, diagnosis.folder);
        }
        add(diagnosis, nameFinding({}, 0, 0, found,
                                   messages::trf("the plug-in library is not in this folder but at {1}: the plug-in "
                                                 "reads the files beside the library, there, and not these",
                                                 {places}),
                                   messages::tr("keep the library and the files it reads in one folder, and name "
                                                "the library's place in the vehicle file")));
    } else if (!pluginFound && !error)
        add(diagnosis, nameFinding({}, 0, 0, {},
                                   messages::tr("the plug-in library orvalis_cab.dll is not in this folder: the "
                                                "simulator reads the files beside the library, so it does not read "
                                                "these"),
                                   messages::tr("copy orvalis_cab.dll into this folder and name it in the vehicle "
                                                "file")));
    if (diagnosis.plugin.adjust.enabled) return;
    // Beside the vehicle folder instead of in it: told, as parking it there
    // may be how the mode was switched off.
    if (const std::optional<fs::path> above = entryIgnoringCase(diagnosis.folder.parent_path(), u"PanelModify.txt");
        above && diagnosis.folder.has_relative_path() && fs::is_regular_file(*above, error))
        add(diagnosis, Finding{Severity::Note, *above, 0, 0, {}, shownPath(*above, diagnosis.folder),
                               messages::trf("the plug-in looks for PanelModify.txt only in its own folder, not in "
                                             "{1}: the adjustment mode is off",
                                             {shownText(diagnosis.folder.parent_path().u16string())}),
                               messages::tr("to switch the adjustment mode on, move the file into the plug-in's "
                                            "folder"),
                               {}, {}});
    // The switch file's content is never read: any file of a name meant as
    // PanelModify.txt was meant to switch the mode on.
    std::vector<Candidate> candidates = candidatesFor(diagnosis.folder, u"PanelModify.txt");
    if (candidates.empty()) {
        std::error_code listError;
        for (fs::directory_iterator it(diagnosis.folder, listError), end; !listError && it != end;
             it.increment(listError)) {
            std::error_code kindError;
            if (it->is_regular_file(kindError) && isMistypedSwitchName(nameOf(it->path())))
                candidates.push_back({it->path(), Match::Same, {}});
        }
    }
    for (const Candidate& candidate : candidates) {
        if (candidate.path.parent_path() != diagnosis.folder) {
            // Moved into a folder, perhaps to switch the mode off: told, not moved back.
            if (candidate.match == Match::Same)
                add(diagnosis, Finding{Severity::Note, candidate.path, 0, 0, {},
                                       shownPath(candidate.path, diagnosis.folder),
                                       messages::trf("the plug-in looks for PanelModify.txt only in its own folder, "
                                                     "not in {1}: the adjustment mode is off",
                                                     {shown(diagnosis, candidate.path.parent_path())}),
                                       messages::tr("to switch the adjustment mode on, move the file into the "
                                                    "plug-in's folder"),
                                       {}, {}});
            continue;
        }
        const fs::path target = diagnosis.folder / "PanelModify.txt";
        std::vector<Fix> fixes;
        if (candidates.size() == 1 && isRenameTargetFit(candidate.path, target))
            fixes.push_back(renameFix(candidate.path, target));
        add(diagnosis, nameFinding(candidate.path, 0, 0, shownPath(candidate.path, diagnosis.folder),
                                   messages::trf("{1} is not PanelModify.txt: the adjustment mode stays off",
                                                 {shown(diagnosis, candidate.path)}),
                                   messages::tr("rename it to PanelModify.txt (in Explorer, turn on \"File name "
                                                "extensions\" to see whole names)"),
                                   std::move(fixes)));
    }
}

}  // namespace diagnose
