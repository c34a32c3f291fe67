#include "messages/messages.h"

#include <map>


namespace messages {

extern const char* const kJapaneseCatalogue;

namespace {

Language activeLanguage = Language::English;

struct Catalogue {
    std::map<std::string, std::string, std::less<>> texts;
    std::vector<std::string> problems;
};

// The text of a quoted .po string ("..."), its escapes resolved. False when
// the line is not one.
bool unquote(std::string_view line, std::string& text) {
    const std::size_t open = line.find('"');
    const std::size_t close = line.rfind('"');
    if (open == std::string_view::npos || close == open) return false;
    for (std::size_t k = open + 1; k < close; ++k) {
        char c = line[k];
        if (c == '\\' && k + 1 < close) {
            c = line[++k];
            if (c == 'n') c = '\n';
            else if (c == 't') c = '\t';
        }
        text += c;
    }
    return true;
}

// gettext's .po form, as far as the catalogue uses it: comments, msgid and
// msgstr, each a quoted string that may go on over quoted lines.
class CatalogueReader {
public:
    explicit CatalogueReader(Catalogue& catalogue) : catalogue_(catalogue) {}

    void readLine(std::string_view line) {
        ++lineNumber_;
        if (line.rfind("#file ", 0) == 0) {
            finishEntry();
            file_ = std::string(line.substr(6));
            lineNumber_ = 0;
            return;
        }
        if (line.empty() || line[0] == '#') return finishEntry();
        std::string* target = nullptr;
        if (line.rfind("msgid ", 0) == 0) {
            finishEntry();
            part_ = Part::Id;
            idLine_ = lineNumber_;
            target = &id_;
        } else if (line.rfind("msgstr ", 0) == 0) {
            part_ = Part::Text;
            target = &text_;
        } else if (line[0] == '"') {
            target = part_ == Part::Id ? &id_ : part_ == Part::Text ? &text_ : nullptr;
        }
        if (target == nullptr || !unquote(line, *target)) problem(lineNumber_, "not a line of a .po file");
    }

    void finishEntry() {
        if (part_ == Part::None) return;
        if (part_ == Part::Id) {
            problem(idLine_, "msgid without msgstr");
        } else if (!id_.empty()) {  // the empty msgid is the file's header
            if (text_.empty()) problem(idLine_, "no Japanese text for \"" + id_ + "\"");
            else if (!catalogue_.texts.emplace(id_, text_).second) problem(idLine_, "\"" + id_ + "\" twice");
        }
        part_ = Part::None;
        id_.clear();
        text_.clear();
    }

private:
    enum class Part { None, Id, Text };

    void problem(int line, const std::string& what) {
        catalogue_.problems.push_back(file_ + ":" + std::to_string(line) + ": " + what);
    }

    Catalogue& catalogue_;
    std::string file_;
    int lineNumber_ = 0;
    int idLine_ = 0;
    Part part_ = Part::None;
    std::string id_;
    std::string text_;
};

const Catalogue& japanese() {
    static const Catalogue catalogue = [] {
        Catalogue read;
        CatalogueReader reader(read);
        const std::string_view text = kJapaneseCatalogue;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            reader.readLine(line);
            start = end + 1;
        }
        reader.finishEntry();
        return read;
    }();
    return catalogue;
}

}  // namespace

void setLanguage(Language language) {
    activeLanguage = language;
}

Language currentLanguage() {
    return activeLanguage;
}

std::optional<Language> languageFromName(std::string_view name) {
    const std::string_view prefix = name.substr(0, 2);
    if (prefix == "ja" || prefix == "JA" || name.rfind("Japanese", 0) == 0) return Language::Japanese;
    if (prefix == "en" || prefix == "EN" || name.rfind("English", 0) == 0 || name == "C" || name == "POSIX" ||
        name.rfind("C.", 0) == 0)
        return Language::English;
    return std::nullopt;
}

const char* japaneseText(std::string_view english) {
    const auto& texts = japanese().texts;
    const auto found = texts.find(english);
    return found == texts.end() ? nullptr : found->second.c_str();
}

const char* tr(const char* english) {
    if (activeLanguage == Language::English) return english;
    const char* text = japaneseText(english);
    return text != nullptr ? text : english;
}

std::string trf(const char* english, std::initializer_list<std::string_view> arguments) {
    const std::string_view pattern = tr(english);
    std::string text;
    text.reserve(pattern.size() + 32);
    for (std::size_t k = 0; k < pattern.size(); ++k) {
        if (pattern[k] == '{' && k + 2 < pattern.size() && pattern[k + 1] >= '1' && pattern[k + 1] <= '9' &&
            pattern[k + 2] == '}') {
            const std::size_t index = static_cast<std::size_t>(pattern[k + 1] - '1');
            if (index < arguments.size()) {
                text += *(arguments.begin() + index);
                k += 2;
                continue;
            }
        }
        text += pattern[k];
    }
    return text;
}

std::vector<std::string> catalogueKeys() {
    std::vector<std::string> keys;
    for (const auto& entry : japanese().texts) keys.push_back(entry.first);
    return keys;
}

std::vector<std::string> catalogueProblems() {
    return japanese().problems;
}

}  // namespace messages
