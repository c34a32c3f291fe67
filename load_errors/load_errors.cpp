#include "load_errors/load_errors.h"

#include <optional>

#include "config/text.h"
#include "messages/messages.h"

namespace load_errors {

namespace {

// One entry for each kind of error the load report holds. The reader raises
// "out of range" both for a number too large and for a field that is not
// there, so its message tells those two apart.
std::optional<std::string> wordsFor(const config::LoadFailure& failure) {
    const std::string& kind = failure.kind;
    if (kind == "invalid argument")
        return messages::tr("a value that must be a number holds no number the plug-in can read");
    if (kind == "out of range" && failure.message == "invalid vector subscript")
        return messages::tr("a value is missing: the line has no field after the comma where the plug-in reads one");
    if (kind == "out of range") return messages::tr("a number too large for the plug-in to read");
    if (kind == "too long")
        return messages::trf("a line too long for the plug-in to read (more than {1} MiB): this is no text file",
                             {std::to_string(config::kMaxLineBytes / (std::size_t{1024} * 1024))});
    if (kind == "file system")
        return messages::tr("the computer could not tell whether this file or folder exists (the name may be too "
                            "long, or access is denied)");
    if (kind == "out of memory") return messages::tr("the computer ran out of memory while the plug-in read this file");
    return std::nullopt;
}

}  // namespace

std::string loadErrorText(const config::LoadFailure& failure) {
    if (std::optional<std::string> words = wordsFor(failure)) return *words;
    // Any other error carries a message of its own (a detail module of the
    // wrong interface version, say): that message is the explanation.
    return messages::trf("the plug-in stopped with this message: {1}", {failure.message});
}

bool hasWordsFor(const config::LoadFailure& failure) {
    return wordsFor(failure).has_value();
}

}  // namespace load_errors
