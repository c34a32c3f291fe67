#include "tools/console.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>
#include <io.h>

#include <iostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/utf8.h"
#include "tools/console_text.h"

namespace tools {

namespace {

// Wide text on Windows is UTF-16: each wchar_t is one code unit.
std::string toUtf8(std::wstring_view text) {
    return platform::toUtf8(std::u16string(text.begin(), text.end()));
}

std::wstring toWide(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

// A stream buffer that writes UTF-8 text to a console window as wide
// characters, so that Japanese shows correctly whatever the console's code
// page is (932 on Japanese Windows, 437 elsewhere).
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(buffer_, buffer_ + sizeof buffer_); }

protected:
    int_type overflow(int_type c) override {
        writeComplete();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override {
        writeComplete();
        return 0;
    }

private:
    void writeComplete() {
        const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
        const std::size_t complete = completeUtf8Length(pending);
        const std::wstring wide = toWide(pending.substr(0, complete));
        DWORD written = 0;
        if (!wide.empty()) WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        const std::string rest(pending.substr(complete));
        setp(buffer_, buffer_ + sizeof buffer_);
        for (const char c : rest) sputc(c);
    }

    HANDLE console_;
    char buffer_[1024];
};

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

// A stream that is a console writes through a ConsoleBuffer. The buffers are
// never destroyed, so output flushed while the program ends still has one.
void writeToConsole(std::ostream& stream, DWORD standardHandle) {
    const HANDLE handle = GetStdHandle(standardHandle);
    if (isConsole(handle)) stream.rdbuf(new ConsoleBuffer(handle));
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
    writeToConsole(std::cout, STD_OUTPUT_HANDLE);
    writeToConsole(std::cerr, STD_ERROR_HANDLE);
}

std::string userLanguageName() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? "ja" : "en";
}

// Explorer gives a program started by a double click or a drop a console of
// its own; started from a command prompt, the prompt shares the console.
bool ownsConsoleAlone() {
    DWORD processes[2] = {};
    return GetConsoleProcessList(processes, 2) == 1 && isConsole(GetStdHandle(STD_INPUT_HANDLE));
}

void finishConsole(const char* prompt) {
    if (ownsConsoleAlone()) {
        std::cout << '\n' << prompt << std::flush;
        std::string line;
        std::getline(std::cin, line);
    }
    std::cout.flush();
    std::cerr.flush();
}

}  // namespace tools
