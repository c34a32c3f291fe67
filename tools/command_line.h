// cabhost's command line.
//
//   cabhost run [VEHICLE_DIR SCENARIO] [--plugin FILE] [--trace FILE]
//               [--report FILE] [--frame MS] [--spec NAME=VALUE,...]
//   cabhost check PATH [--strict] [--json] [--report FILE]
//   cabhost fix PATH
//   cabhost help
//   cabhost --version
//   cabhost PATH            (a folder or file dropped on cabhost.exe: check PATH)
// and, with any of them, --lang ja|en.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tools {

struct RunOptions {
    std::filesystem::path vehicle;   // empty: the sample vehicle beside cabhost
    std::filesystem::path scenario;  // empty: the departure beside cabhost
    std::filesystem::path plugin;    // empty: the plug-in library in the vehicle folder
    std::filesystem::path trace;     // empty: SCENARIO-trace.csv in the current folder
    std::filesystem::path report;    // empty: SCENARIO-report.html beside the trace
    double frameMs = 0;              // 0: the default frame period
    std::string spec;                // NAME=VALUE words over the scenario's spec
};

struct CheckOptions {
    std::filesystem::path vehicle;  // the vehicle folder, or a file inside it
    bool strict = false;
    bool json = false;            // the findings as JSON instead of text
    std::filesystem::path report;  // empty: no HTML report
    bool dropped = false;          // the path alone, as Explorer passes a folder dropped on cabhost.exe
};

enum class Command { Help, Version, Run, Check, Fix };

struct CommandLine {
    Command command = Command::Help;
    RunOptions run;
    CheckOptions check;  // of check and of fix
    std::string language;  // of --lang; empty: the user's own
    std::string error;  // what is wrong with the arguments, if anything
};

// Messages (errors) are in the language set in the message catalogue.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The usage text, in the language set in the message catalogue.
std::string usage();

}  // namespace tools
