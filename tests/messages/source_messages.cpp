#include "source_messages.h"

#include <cctype>

namespace test_messages {

namespace {

class Scanner {
public:
    explicit Scanner(std::string_view source) : source_(source) {}

    std::vector<SourceMessage> scan() {
        while (position_ < source_.size()) {
            if (startsWith("//")) {
                skipTo("\n");
            } else if (startsWith("/*")) {
                skipTo("*/");
            } else if (startsWith("messages::trf(") || startsWith("messages::tr(")) {
                position_ = source_.find('(', position_) + 1;
                readMessage();
            } else if (peek() == '"' || (peek() == '\'' && !isDigitSeparator())) {
                std::string ignored;
                readLiteral(ignored);
            } else {
                advance();
            }
        }
        return std::move(found_);
    }

private:
    // A quote between two digits of a number (86'400'000, 0xFF'FF) separates
    // them; it starts no literal. After a prefix (u'x', L'x') it does.
    bool isDigitSeparator() const {
        const auto at = [this](std::size_t k) { return static_cast<unsigned char>(source_[k]); };
        return position_ > 0 && position_ + 1 < source_.size() && std::isxdigit(at(position_ - 1)) != 0 &&
               std::isxdigit(at(position_ + 1)) != 0;
    }

    bool startsWith(std::string_view text) const { return source_.substr(position_, text.size()) == text; }
    char peek() const { return position_ < source_.size() ? source_[position_] : '\0'; }

    void advance() {
        if (peek() == '\n') ++line_;
        ++position_;
    }

    void skipTo(std::string_view end) {
        while (position_ < source_.size() && !startsWith(end)) advance();
        for (std::size_t k = 0; k < end.size() && position_ < source_.size(); ++k) advance();
    }

    void skipBlanks() {
        while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r') advance();
    }

    // A quoted literal at the position ('"' or '\''), its escapes resolved.
    void readLiteral(std::string& text) {
        const char quote = peek();
        advance();
        while (position_ < source_.size() && peek() != quote) {
            char c = peek();
            if (c == '\\') {
                advance();
                c = peek();
                if (c == 'n') c = '\n';
                else if (c == 't') c = '\t';
            }
            text += c;
            advance();
        }
        advance();
    }

    void readMessage() {
        SourceMessage message;
        skipBlanks();
        message.line = line_;
        if (peek() != '"') {
            message.error = "the first argument is not a string literal";
        } else {
            while (peek() == '"') {
                readLiteral(message.text);
                skipBlanks();
            }
            if (peek() != ',' && peek() != ')') message.error = "the first argument is more than a string literal";
        }
        found_.push_back(std::move(message));
    }

    std::string_view source_;
    std::size_t position_ = 0;
    int line_ = 1;
    std::vector<SourceMessage> found_;
};

}  // namespace

std::vector<SourceMessage> findMessages(std::string_view source) {
    return Scanner(source).scan();
}

}  // namespace test_messages
