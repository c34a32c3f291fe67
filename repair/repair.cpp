#include "repair/repair.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "config/text.h"
#include "diagnose/encoding.h"
#include "messages/messages.h"
#include "repair/text_file.h"

namespace repair {

namespace fs = std::filesystem;

namespace {

// Far beyond any configuration file; a larger one is no text to edit.
constexpr std::uintmax_t kMaxEditedBytes = std::uintmax_t{16} * 1024 * 1024;

using Kind = diagnose::Fix::Kind;

// The path with links and "..", "." resolved as far as it exists.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path result = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : result;
}

// The path relative to the vehicle; empty when it lies outside it, is the
// vehicle itself, or lies in the backup folder.
fs::path insideVehicle(const fs::path& path, const fs::path& vehicle) {
    if (path.empty() || !path.is_absolute()) return {};
    fs::path relative = resolved(path).lexically_relative(vehicle);
    if (relative.empty() || relative == "." || *relative.begin() == ".." || *relative.begin() == kBackupFolder)
        return {};
    return relative;
}

std::optional<std::string> readAll(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (stream.bad()) return std::nullopt;
    return bytes;
}

// A carriage return not followed by a line feed would end a line only for
// an old Mac editor, never for the plug-in.
bool hasLoneCarriageReturn(const std::string& text) {
    for (std::size_t k = text.find('\r'); k != std::string::npos; k = text.find('\r', k + 1))
        if (k + 1 == text.size() || text[k + 1] != '\n') return true;
    return false;
}

// The line end a new line of an edit gets: the edited line's own, or the
// file's first, or Notepad's CR LF for a file of one line.
std::string lineEndFor(const TextFile& text, const TextLine& line) {
    if (!line.end.empty()) return line.end;
    for (const TextLine& other : text.lines)
        if (!other.end.empty()) return other.end;
    return "\r\n";
}

// The replacement with each line feed written without a carriage return
// given the file's line end, so that an edit that adds lines keeps the
// file's line ends alike.
std::string withLineEnds(const std::string& replacement, const std::string& lineEnd) {
    std::string result;
    for (std::size_t k = 0; k < replacement.size(); ++k) {
        if (replacement[k] == '\n' && (k == 0 || replacement[k - 1] != '\r')) result += lineEnd;
        else result += replacement[k];
    }
    return result;
}

bool overlaps(const diagnose::Fix& a, const diagnose::Fix& b) {
    if (a.file != b.file || a.line != b.line) return false;
    return a.firstColumn == b.firstColumn || (a.firstColumn < b.endColumn && b.firstColumn < a.endColumn);
}

bool sameLine(const diagnose::Fix& a, const diagnose::Fix& b) {
    return a.file == b.file && a.line == b.line;
}

// Both remove the same line: two findings about one line that should go
// (a duplicate that is also the plug-in itself) share the one deletion.
bool sameDeletion(const diagnose::Fix& a, const diagnose::Fix& b) {
    return a.kind == Kind::DeleteLine && b.kind == Kind::DeleteLine && sameLine(a, b);
}

bool touchesPath(const diagnose::Fix& a, const diagnose::Fix& b) {
    return a.file == b.file || a.file == b.target || a.target == b.file || a.target == b.target;
}

struct Planner {
    Plan& plan;
    fs::file_time_type diagnosedAt;
    std::vector<diagnose::Fix> pending;  // of the finding in hand, after the accepted ones
    std::vector<Snapshot> pendingSnapshots;

    const Snapshot* snapshotOf(const fs::path& path) const {
        const std::vector<Snapshot>* planned = &plan.snapshots;
        for (const std::vector<Snapshot>* list : {planned, &pendingSnapshots})
            for (const Snapshot& snapshot : *list)
                if (snapshot.path == path) return &snapshot;
        return nullptr;
    }
};

// Takes a snapshot of the file or folder, unless one was taken; a reason
// when it cannot be repaired.
std::string takeSnapshot(Planner& planner, const fs::path& path) {
    if (planner.snapshotOf(path)) return {};
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) return messages::tr("the file is not there");
    Snapshot snapshot;
    snapshot.path = path;
    snapshot.isFolder = fs::is_directory(status);
    snapshot.written = fs::last_write_time(path, error);
    if (error) return messages::tr("the file cannot be examined");
    if (snapshot.written > planner.diagnosedAt) return messages::tr("the file has changed since the check");
    if (!snapshot.isFolder) {
        if (!fs::is_regular_file(status)) return messages::tr("it is not an ordinary file");
        snapshot.size = fs::file_size(path, error);
        if (error) return messages::tr("the file cannot be examined");
        if (snapshot.size <= kMaxEditedBytes) {
            std::optional<std::string> bytes = readAll(path);
            if (!bytes) return messages::tr("the file cannot be read");
            snapshot.bytes = std::move(*bytes);
            snapshot.hasBytes = true;
        }
    }
    planner.pendingSnapshots.push_back(std::move(snapshot));
    return {};
}

std::string checkEdit(Planner& planner, const diagnose::Fix& fix) {
    std::string reason = takeSnapshot(planner, fix.file);
    if (!reason.empty()) return reason;
    const Snapshot& snapshot = *planner.snapshotOf(fix.file);
    if (snapshot.isFolder) return messages::tr("it is a folder, not a text file");
    if (!snapshot.hasBytes) return messages::tr("the file is too large to be a text file");
    const std::optional<TextFile> text = decodeTextFile(snapshot.bytes);
    if (!text) return messages::tr("the file's encoding is neither UTF-8, Shift-JIS nor UTF-16");
    if (fix.kind == Kind::ResaveAsUtf8) return {};
    if (fix.line < 1 || static_cast<std::size_t>(fix.line) > text->lines.size())
        return messages::tr("the file has no such line");
    if (fix.kind == Kind::DeleteLine) return {};  // its bytes go whatever they are
    const TextLine& line = text->lines[static_cast<std::size_t>(fix.line) - 1];
    if (!line.decodable) return messages::tr("the line holds bytes that cannot be decoded");
    if (fix.endColumn < fix.firstColumn || !unitOfColumn(line.text, fix.firstColumn) ||
        !unitOfColumn(line.text, fix.endColumn))
        return messages::tr("the line has no such columns");
    if (hasLoneCarriageReturn(fix.replacement) || !diagnose::isValidUtf8(fix.replacement))
        return messages::tr("the new text holds a carriage return that ends no line");
    return {};
}

std::string checkRename(Planner& planner, const diagnose::Fix& fix) {
    std::string reason = takeSnapshot(planner, fix.file);
    if (!reason.empty()) return reason;
    std::error_code error;
    if (fs::exists(fs::symlink_status(fix.target, error)) && !fs::equivalent(fix.file, fix.target, error))
        return messages::tr("a file or folder of the new name is there already");
    const fs::path relative = resolved(fix.target).lexically_relative(resolved(fix.file));
    if (!relative.empty() && *relative.begin() != ".." && relative != ".")
        return messages::tr("a folder cannot be moved into itself");
    return {};
}

std::string checkFix(Planner& planner, const diagnose::Fix& fix) {
    if (insideVehicle(fix.file, planner.plan.vehicle).empty() ||
        (fix.kind == Kind::Rename && insideVehicle(fix.target, planner.plan.vehicle).empty()))
        return messages::tr("it would change something outside the vehicle folder");
    std::vector<diagnose::Fix> others = planner.pending;
    for (const PlannedFix& planned : planner.plan.fixes) others.push_back(planned.fix);
    for (const diagnose::Fix& other : others)
        if (sameDeletion(fix, other)) return {};
    for (const diagnose::Fix& other : others) {
        const bool renames = fix.kind == Kind::Rename, otherRenames = other.kind == Kind::Rename;
        if (fix.kind == Kind::Edit && other.kind == Kind::Edit && overlaps(fix, other))
            return messages::tr("another repair changes the same text");
        const bool deletes = fix.kind == Kind::DeleteLine, otherDeletes = other.kind == Kind::DeleteLine;
        if (((deletes && other.kind == Kind::Edit) || (otherDeletes && fix.kind == Kind::Edit)) && sameLine(fix, other))
            return messages::tr("another repair deletes the line or changes it");
        if (renames && otherRenames && touchesPath(fix, other))
            return messages::tr("another repair moves the same file");
        if (!renames && otherRenames && fix.file == other.target)
            return messages::tr("another repair moves a file to this name");
    }
    return fix.kind == Kind::Rename ? checkRename(planner, fix) : checkEdit(planner, fix);
}

// ---------------------------------------------------------------------------
// Applying

bool unchanged(const Snapshot& snapshot) {
    std::error_code error;
    const fs::file_status status = fs::status(snapshot.path, error);
    if (!fs::exists(status) || fs::is_directory(status) != snapshot.isFolder) return false;
    if (fs::last_write_time(snapshot.path, error) != snapshot.written || error) return false;
    if (snapshot.isFolder) return true;
    if (!snapshot.hasBytes) return fs::file_size(snapshot.path, error) == snapshot.size && !error;
    const std::optional<std::string> bytes = readAll(snapshot.path);
    return bytes && *bytes == snapshot.bytes;
}

// The backup folder, made when the first original is kept.
struct Backup {
    fs::path vehicle;
    std::string name;
    fs::path folder;

    void keep(const fs::path& path) {
        if (folder.empty()) {
            const fs::path root = vehicle / kBackupFolder;
            folder = root / fs::u8path(name);
            for (int number = 2; fs::exists(folder); ++number)
                folder = root / fs::u8path(name + "-" + std::to_string(number));
        }
        const fs::path copy = folder / resolved(path).lexically_relative(vehicle);
        // A file edited and then renamed is kept once, as it was before both.
        if (fs::exists(fs::symlink_status(copy))) return;
        fs::create_directories(copy.parent_path());
        fs::copy(path, copy, fs::copy_options::recursive);
    }
};

void writeAll(const fs::path& file, const std::string& bytes) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    stream.close();
    if (!stream) throw fs::filesystem_error("write", file, std::make_error_code(std::errc::io_error));
}

const Snapshot& snapshotOf(const Plan& plan, const fs::path& path) {
    return *std::find_if(plan.snapshots.begin(), plan.snapshots.end(),
                         [&](const Snapshot& snapshot) { return snapshot.path == path; });
}

// The edits of one file, right to left within a line, so that the columns of
// each still point where the diagnosis saw them. Every line keeps its place
// in the decoded file until it is written, so deleted lines move no other
// repair's line.
void editFile(const Plan& plan, const std::vector<const PlannedFix*>& fixes, const fs::path& file, Backup& backup) {
    const Snapshot& snapshot = snapshotOf(plan, file);
    TextFile text = *decodeTextFile(snapshot.bytes);
    std::vector<const diagnose::Fix*> edits;
    for (const PlannedFix* planned : fixes) {
        if (planned->fix.file != file) continue;
        if (planned->fix.kind == Kind::Edit) edits.push_back(&planned->fix);
        if (planned->fix.kind == Kind::DeleteLine) text.lines[static_cast<std::size_t>(planned->fix.line) - 1].deleted = true;
    }
    std::sort(edits.begin(), edits.end(), [](const diagnose::Fix* a, const diagnose::Fix* b) {
        return a->line != b->line ? a->line > b->line : a->firstColumn > b->firstColumn;
    });
    for (const diagnose::Fix* edit : edits) {
        TextLine& line = text.lines[static_cast<std::size_t>(edit->line) - 1];
        const std::size_t first = *unitOfColumn(line.text, edit->firstColumn);
        const std::size_t end = *unitOfColumn(line.text, edit->endColumn);
        std::u16string replacement;
        config::decodeUtf8(withLineEnds(edit->replacement, lineEndFor(text, line)), replacement);
        line.text.replace(first, end - first, replacement);
        line.edited = true;
    }
    const std::string bytes = encodeTextFile(text);
    if (bytes == snapshot.bytes) return;
    backup.keep(file);
    writeAll(file, bytes);
}

void moveFile(const diagnose::Fix& fix, Backup& backup) {
    backup.keep(fix.file);
    if (!fix.target.parent_path().empty()) fs::create_directories(fix.target.parent_path());
    std::error_code error;
    if (fs::exists(fix.target, error) && fs::equivalent(fix.file, fix.target, error)) {
        // Only the letter case differs, and the system sees one name.
        fs::path step = fix.file;
        step += ".cabhost-rename";
        fs::rename(fix.file, step);
        fs::rename(step, fix.target);
        return;
    }
    fs::rename(fix.file, fix.target);
}

}  // namespace

Plan planRepairs(const std::vector<diagnose::Finding>& findings, const fs::path& vehicle,
                 fs::file_time_type diagnosedAt) {
    Plan plan;
    plan.vehicle = resolved(vehicle.has_filename() ? vehicle : vehicle.parent_path());
    Planner planner{plan, diagnosedAt, {}, {}};
    for (std::size_t k = 0; k < findings.size(); ++k) {
        if (findings[k].fixes.empty()) continue;
        planner.pending.clear();
        planner.pendingSnapshots.clear();
        std::string reason;
        for (const diagnose::Fix& fix : findings[k].fixes) {
            reason = checkFix(planner, fix);
            if (!reason.empty()) break;
            planner.pending.push_back(fix);
        }
        if (!reason.empty()) {
            plan.refused.push_back({k, reason});
            continue;
        }
        plan.accepted.push_back(k);
        for (const diagnose::Fix& fix : planner.pending) plan.fixes.push_back({k, fix});
        for (Snapshot& snapshot : planner.pendingSnapshots) plan.snapshots.push_back(std::move(snapshot));
    }
    return plan;
}

Outcome applyRepairs(const Plan& plan, const std::string& backupName) {
    Outcome outcome;
    outcome.refused = plan.refused;
    std::vector<std::size_t> stale;
    for (const Snapshot& snapshot : plan.snapshots) {
        if (unchanged(snapshot)) continue;
        for (const PlannedFix& planned : plan.fixes)
            if (planned.fix.file == snapshot.path &&
                std::find(stale.begin(), stale.end(), planned.finding) == stale.end()) {
                stale.push_back(planned.finding);
                outcome.refused.push_back({planned.finding, messages::tr("the file has changed since the check")});
            }
    }
    std::vector<const PlannedFix*> fixes;
    for (const PlannedFix& planned : plan.fixes)
        if (std::find(stale.begin(), stale.end(), planned.finding) == stale.end()) fixes.push_back(&planned);

    Backup backup{plan.vehicle, backupName, {}};
    std::vector<fs::path> edited;
    try {
        for (const PlannedFix* planned : fixes) {
            const diagnose::Fix& fix = planned->fix;
            if (fix.kind == Kind::Rename || std::find(edited.begin(), edited.end(), fix.file) != edited.end()) continue;
            editFile(plan, fixes, fix.file, backup);
            edited.push_back(fix.file);
        }
        for (const PlannedFix* planned : fixes)
            if (planned->fix.kind == Kind::Rename) moveFile(planned->fix, backup);
    } catch (const std::exception& error) {
        outcome.error = error.what();
    }
    outcome.backup = backup.folder;
    if (outcome.error.empty())
        for (const std::size_t finding : plan.accepted)
            if (std::find(stale.begin(), stale.end(), finding) == stale.end()) outcome.applied.push_back(finding);
    return outcome;
}

}  // namespace repair
