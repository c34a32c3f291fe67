// The messages a C++ source file passes to messages::tr and messages::trf:
// the string literal that is their first argument (adjacent literals joined,
// escapes resolved), with the line it starts on. Comments are skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace test_messages {

struct SourceMessage {
    int line = 0;
    std::string text;   // the key, as the program passes it
    std::string error;  // set when the first argument is not a plain string literal
};

std::vector<SourceMessage> findMessages(std::string_view source);

}  // namespace test_messages
