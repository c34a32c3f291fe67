#include "tools/console.h"

#include <unistd.h>

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

}  // namespace tools
