#include "tools/console.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>
#include <io.h>

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace tools {

namespace {
// Wide text on Windows is UTF-16: each wchar_t is one code unit.
std::string toUtf8(std::wstring_view text) {
    return platform::toUtf8(std::u16string(text.begin(), text.end()));
}
}  // namespace

// The narrow argv holds the arguments in the system's code page, which cannot
// carry every folder name; the wide command line can.
std::vector<std::string> commandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(toUtf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

// cabhost links the platform layer in, so the file that holds its code is
// the program itself.
std::filesystem::path programPath() {
    return platform::ownLibraryPath();
}

bool isTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

void prepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
}

}  // namespace tools
