// What cabhost needs from the operating system beyond the plug-in's own
// platform layer: its arguments and its own path as UTF-8, whether an output
// is a terminal, and a console that shows UTF-8. One implementation file per
// system (console_posix.cpp, console_windows.cpp), chosen by the build.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tools {

// The program's arguments in UTF-8, without the program name.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Full path of the running program.
std::filesystem::path programPath();

bool isTerminal(std::FILE* stream);

// Makes a console window show the UTF-8 text cabhost prints.
void prepareConsole();

}  // namespace tools
