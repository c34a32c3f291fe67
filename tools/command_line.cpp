#include "tools/command_line.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "messages/messages.h"

namespace tools {

std::string usage() {
    std::string text = messages::tr("usage:\n");
    text += messages::tr(
        "  cabhost check VEHICLE_DIR [--strict] [--json] [--report FILE]\n"
        "      Runs the plug-in's Load on VEHICLE_DIR (or the folder of a file in it)\n"
        "      and reports what it read. Exit status 1 when an error stopped Load, or\n"
        "      with --strict when there were warnings. --json gives the findings as\n"
        "      JSON; --report FILE writes them, with the current curves and the needle\n"
        "      tables, as an HTML page too.\n");
    text += messages::tr(
        "  cabhost fix VEHICLE_DIR\n"
        "      Checks VEHICLE_DIR, shows each repair the findings carry and applies those\n"
        "      that are certain, keeping the original files in\n"
        "      VEHICLE_DIR/cabhost-backup. Then tells what is left to do by hand.\n");
    text += messages::tr(
        "  cabhost run [VEHICLE_DIR SCENARIO] [options]\n"
        "      Drives the plug-in in VEHICLE_DIR through the scenario, prints a summary\n"
        "      and writes a per-frame trace and an HTML report. Without VEHICLE_DIR and\n"
        "      SCENARIO: the sample vehicle and the departure scenario beside cabhost.\n"
        "      --plugin FILE       the plug-in library (default: the one in VEHICLE_DIR)\n"
        "      --trace FILE        where the trace goes (default: ./SCENARIO-trace.csv)\n"
        "      --report FILE       where the HTML report goes (default: beside the trace)\n"
        "      --frame MS          frame period in ms (default 16.667 = 60 frames/s)\n"
        "      --spec NAME=VALUE,...  vehicle spec over the scenario's: brakeNotches,\n"
        "                          powerNotches, atsNotch, b67Notch, cars\n");
    text += messages::tr(
        "  cabhost VEHICLE_DIR\n"
        "      The same as cabhost check VEHICLE_DIR: what dropping a folder, or a file\n"
        "      in it, on cabhost.exe does.\n"
        "  cabhost --version\n"
        "      Prints the version of cabhost and of the plug-in it was built with.\n"
        "  --lang ja|en\n"
        "      The language of the messages (default: the user's own).\n");
    return text;
}

namespace {

struct ArgumentReader {
    const std::vector<std::string>& arguments;
    std::size_t next = 1;
    std::string error;
};

// The value of an option: "--name=value" or "--name value".
bool takeValue(ArgumentReader& reader, const std::string& option, std::string& value) {
    const std::size_t equals = option.find('=');
    if (equals != std::string::npos) {
        value = option.substr(equals + 1);
    } else if (reader.next < reader.arguments.size()) {
        value = reader.arguments[reader.next++];
    } else {
        reader.error = messages::trf("the option {1} needs a value", {option});
        return false;
    }
    return true;
}

std::string optionName(const std::string& option) {
    return option.substr(0, option.find('='));
}

bool parseFrameMs(const std::string& text, double& frameMs) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), frameMs);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(frameMs) &&
           frameMs >= 1 && frameMs <= 1000;
}

void readRunOption(ArgumentReader& reader, const std::string& option, RunOptions& run) {
    const std::string name = optionName(option);
    std::string value;
    if (name != "--plugin" && name != "--trace" && name != "--report" && name != "--frame" && name != "--spec") {
        reader.error = messages::trf("unknown option {1} for run", {name});
        return;
    }
    if (!takeValue(reader, option, value)) return;
    if (name == "--plugin") {
        run.plugin = std::filesystem::u8path(value);
    } else if (name == "--trace") {
        run.trace = std::filesystem::u8path(value);
    } else if (name == "--report") {
        run.report = std::filesystem::u8path(value);
    } else if (name == "--spec") {
        run.spec = value;
    } else if (!parseFrameMs(value, run.frameMs)) {
        reader.error = messages::trf("--frame needs a frame period in milliseconds from 1 to 1000, not '{1}'", {value});
    }
}

void readRun(ArgumentReader& reader, CommandLine& line) {
    std::vector<std::string> positional;
    while (reader.error.empty() && reader.next < reader.arguments.size()) {
        const std::string& argument = reader.arguments[reader.next++];
        if (argument.rfind("--", 0) == 0)
            readRunOption(reader, argument, line.run);
        else
            positional.push_back(argument);
    }
    if (!reader.error.empty()) return;
    if (positional.size() == 2) {
        line.run.vehicle = std::filesystem::u8path(positional[0]);
        line.run.scenario = std::filesystem::u8path(positional[1]);
    } else if (!positional.empty()) {
        reader.error = messages::tr("run takes a vehicle folder and a scenario, or neither");
    }
}

void readCheck(ArgumentReader& reader, CommandLine& line) {
    std::vector<std::string> positional;
    while (reader.error.empty() && reader.next < reader.arguments.size()) {
        const std::string& argument = reader.arguments[reader.next++];
        std::string value;
        if (argument == "--strict") {
            line.check.strict = true;
        } else if (argument == "--json") {
            line.check.json = true;
        } else if (optionName(argument) == "--report") {
            if (takeValue(reader, argument, value)) line.check.report = std::filesystem::u8path(value);
        } else if (argument.rfind("--", 0) == 0) {
            reader.error = messages::trf("unknown option {1} for check", {argument});
        } else {
            positional.push_back(argument);
        }
    }
    if (reader.error.empty() && positional.size() != 1)
        reader.error = messages::tr("check takes one vehicle folder or a file in it");
    if (reader.error.empty()) line.check.vehicle = std::filesystem::u8path(positional[0]);
}

void readFix(ArgumentReader& reader, CommandLine& line) {
    const std::vector<std::string>& arguments = reader.arguments;
    if (arguments.size() != 2 || arguments[1].rfind("--", 0) == 0) {
        reader.error = messages::tr("fix takes one vehicle folder or a file in it");
        return;
    }
    line.check.vehicle = std::filesystem::u8path(arguments[1]);
}

// Takes --lang and --version out of the arguments, wherever they stand.
std::vector<std::string> takeGeneralOptions(const std::vector<std::string>& arguments, CommandLine& line) {
    std::vector<std::string> rest;
    ArgumentReader reader{arguments, 0, {}};
    while (reader.error.empty() && reader.next < arguments.size()) {
        const std::string& argument = arguments[reader.next++];
        if (argument == "--version") {
            line.command = Command::Version;
        } else if (optionName(argument) == "--lang") {
            if (takeValue(reader, argument, line.language) && line.language != "ja" && line.language != "en")
                reader.error = messages::trf("--lang takes ja or en, not '{1}'", {line.language});
        } else {
            rest.push_back(argument);
        }
    }
    line.error = reader.error;
    return rest;
}

// A lone argument that names an existing file or folder: what Explorer
// passes when a vehicle folder, or a file in it, is dropped on cabhost.exe.
bool isDroppedPath(const std::string& argument) {
    if (argument == "run" || argument == "check" || argument == "fix" || argument == "help" || argument.rfind('-', 0) == 0) return false;
    std::error_code error;
    return std::filesystem::exists(std::filesystem::u8path(argument), error);
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& allArguments) {
    CommandLine line;
    const std::vector<std::string> arguments = takeGeneralOptions(allArguments, line);
    if (!line.error.empty() || line.command == Command::Version) return line;
    ArgumentReader reader{arguments, 1, {}};
    const std::string command = arguments.empty() ? "help" : arguments[0];
    if (arguments.size() == 1 && isDroppedPath(command)) {
        line.command = Command::Check;
        line.check.vehicle = std::filesystem::u8path(command);
        line.check.dropped = true;
    } else if (command == "fix") {
        line.command = Command::Fix;
        readFix(reader, line);
    } else if (command == "run") {
        line.command = Command::Run;
        readRun(reader, line);
    } else if (command == "check") {
        line.command = Command::Check;
        readCheck(reader, line);
    } else if (command != "help" && command != "--help" && command != "-h") {
        reader.error = messages::trf("unknown command '{1}'", {command});
    }
    line.error = reader.error;
    return line;
}

}  // namespace tools
