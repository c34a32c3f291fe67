#include "diagnose/visible.h"

#include <algorithm>
#include <cstdio>

#include "messages/messages.h"
#include "platform/utf8.h"

namespace diagnose {

namespace {

struct Composition {
    char16_t starter;
    char16_t mark;
    char16_t composed;
};

constexpr Composition kCompositions[] = {
#include "diagnose/composition_table.inc"
};

char16_t compose(char16_t starter, char16_t mark) {
    const auto less = [](const Composition& entry, std::pair<char16_t, char16_t> key) {
        return std::make_pair(entry.starter, entry.mark) < key;
    };
    const auto* found = std::lower_bound(std::begin(kCompositions), std::end(kCompositions),
                                         std::make_pair(starter, mark), less);
    return found != std::end(kCompositions) && found->starter == starter && found->mark == mark ? found->composed : 0;
}

std::string codePoint(char16_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

bool isKana(char16_t c) {
    return c >= 0x3040 && c <= 0x30FF;
}

// The name shown for an invisible or look-alike character; empty when the
// character shows as itself. The long vowel mark looks like a dash, but
// after a kana it is the ordinary Japanese letter of パラメータ.
std::string nameOf(char16_t c, char16_t previous, bool nameLookAlikes) {
    if (c == 0x30FC && isKana(previous)) return {};
    if (!nameLookAlikes && c != 0x3000 && (asciiLookAlike(c) != 0 || c == 0x30FC)) return {};
    const std::string code = codePoint(c);
    switch (c) {
    case '\t': return "<TAB>";
    case '\r': return "<CR>";
    case '\n': return "<LF>";
    case 0: return "<NUL>";
    case 0xFEFF: return messages::trf("<{1} byte-order mark>", {code});
    case 0xFFFD: return messages::trf("<{1} undecodable byte>", {code});
    case 0x3000: return messages::trf("<{1} full-width space>", {code});
    case 0x00A0: return messages::trf("<{1} no-break space>", {code});
    case 0x2212: return messages::trf("<{1} minus sign>", {code});
    case 0x30FC: return messages::trf("<{1} long vowel mark>", {code});
    case 0xFF0C: return messages::trf("<{1} full-width comma>", {code});
    default: break;
    }
    if (c < 0x20 || c == 0x7F) return messages::trf("<{1} control character>", {code});
    if (const char ascii = asciiLookAlike(c)) return messages::trf("<{1} full-width {2}>", {code, std::string(1, ascii)});
    if ((c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) || c == 0x205F || c == 0x2060)
        return messages::trf("<{1} invisible space>", {code});
    return {};
}

}  // namespace

char asciiLookAlike(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) return static_cast<char>(c - 0xFF01 + 0x21);
    if (c == 0x3000) return ' ';
    if (c == 0x2212) return '-';
    return 0;
}

int characterCount(std::u16string_view text) {
    int count = 0;
    for (const char16_t c : text)
        if (c < 0xDC00 || c > 0xDFFF) ++count;
    return count;
}

std::u16string composed(std::u16string_view text) {
    std::u16string result;
    for (const char16_t c : text) {
        const char16_t joined = result.empty() ? 0 : compose(result.back(), c);
        if (joined != 0)
            result.back() = joined;
        else
            result += c;
    }
    return result;
}

std::string visibleText(std::u16string_view text, std::size_t limit, bool nameLookAlikes) {
    std::string shown;
    std::u16string plain;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++characters) {
        if (characters == limit) {
            shown += platform::toUtf8(plain) + "...";
            return shown;
        }
        const std::string name = nameOf(text[i], i > 0 ? text[i - 1] : u'\0', nameLookAlikes);
        if (name.empty()) {
            plain += text[i];
            continue;
        }
        shown += platform::toUtf8(plain) + name;
        plain.clear();
    }
    return shown + platform::toUtf8(plain);
}

}  // namespace diagnose
