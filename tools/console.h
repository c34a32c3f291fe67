// What cabhost needs from the operating system beyond the plug-in's own
// platform layer: its arguments and its own path as UTF-8, whether an output
// is a terminal, a console that shows UTF-8 text whatever its code page, the
// user's language, and the window that Explorer opens for it. One
// implementation file per system (console_posix.cpp, console_windows.cpp),
// chosen by the build.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tools {

// The program's arguments in UTF-8, without the program name, exactly as the
// user typed them (on Windows from the wide command line, so that folder and
// file names in any script survive).
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Full path of the running program.
std::filesystem::path programPath();

bool isTerminal(std::FILE* stream);

// Makes std::cout and std::cerr show the UTF-8 text cabhost writes: on a
// Windows console as wide characters, whatever the console's code page;
// redirected to a file or a pipe as UTF-8 bytes. Call before any output.
void prepareConsole();

// The name of the user's language as the system gives it: the LC_ALL,
// LC_MESSAGES or LANG locale name ("ja_JP.UTF-8"), or on Windows "ja" or "en"
// for the user's display language. Empty when nothing says.
std::string userLanguageName();

// True when the console window belongs to cabhost alone: it was started by a
// double click or a drop on it in Explorer, and the window closes as soon as
// cabhost ends.
bool ownsConsoleAlone();

// Flushes std::cout and std::cerr and, when ownsConsoleAlone(), shows
// `prompt` and waits for Enter so that the author can read the output.
void finishConsole(const char* prompt);

}  // namespace tools
