// cabhost's command line.
//
//   cabhost run [VEHICLE_DIR SCENARIO] [--plugin FILE] [--trace FILE]
//               [--frame MS] [--spec NAME=VALUE,...]
//   cabhost check VEHICLE_DIR [--strict]
//   cabhost help
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
    double frameMs = 0;              // 0: the default frame period
    std::string spec;                // NAME=VALUE words over the scenario's spec
};

struct CheckOptions {
    std::filesystem::path vehicle;
    bool strict = false;
};

enum class Command { Help, Run, Check };

struct CommandLine {
    Command command = Command::Help;
    RunOptions run;
    CheckOptions check;
    std::string error;  // what is wrong with the arguments, if anything
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

extern const char* const kUsage;

}  // namespace tools
