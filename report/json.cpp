#include "report/json.h"

#include <cmath>
#include <cstdio>

namespace report {

std::string jsonString(std::string_view text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': json += "\\\""; break;
            case '\\': json += "\\\\"; break;
            case '\n': json += "\\n"; break;
            case '\r': json += "\\r"; break;
            case '\t': json += "\\t"; break;
            default:
                if (byte < 0x20 || c == '<' || c == '>' || c == '&') {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    json += escaped;
                } else {
                    json += c;
                }
        }
    }
    return json + "\"";
}

void writeJsonNumber(std::ostream& out, double value, int decimals) {
    if (!std::isfinite(value)) {
        out << "null";
        return;
    }
    char text[48];
    int length = std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (decimals > 0) {
        while (length > 0 && text[length - 1] == '0') --length;
        if (length > 0 && text[length - 1] == '.') --length;
    }
    // "-0" reads back as 0 anyway; it is written plain.
    if (length == 2 && text[0] == '-' && text[1] == '0') {
        out << '0';
        return;
    }
    out.write(text, length);
}

}  // namespace report
