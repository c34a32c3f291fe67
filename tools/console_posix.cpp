#include "tools/console.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

namespace tools {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::filesystem::path programPath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

void prepareConsole() {}

// The first of the variables that is set decides, as for every program's
// messages.
std::string userLanguageName() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return {};
}

// A terminal window stays open after a program ends.
bool ownsConsoleAlone() {
    return false;
}

void finishConsole(const char*) {
    std::cout.flush();
    std::cerr.flush();
}

}  // namespace tools
