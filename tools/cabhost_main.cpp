// cabhost: a stand-in simulator for vehicle authors. "run" drives the
// plug-in through a scenario; "check" reports what the plug-in's Load reads
// from a vehicle folder. A folder or file dropped on cabhost.exe is checked.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "messages/messages.h"
#include "tools/check.h"
#include "tools/command_line.h"
#include "tools/console.h"
#include "tools/fix_command.h"
#include "tools/run_command.h"
#include "version/version.h"

namespace {

// --lang when given, else the user's own language; English when neither is
// one the catalogue has.
messages::Language chosenLanguage(const tools::CommandLine& line) {
    const std::string name = line.language.empty() ? tools::userLanguageName() : line.language;
    return messages::languageFromName(name).value_or(messages::Language::English);
}

// After a dropped folder is checked in a window of its own, the author may
// have it fixed there and then. True when the window has been answered
// already, so it needs no other prompt before it closes.
bool offerFix(const tools::CommandLine& line, int& status) {
    if (!line.check.dropped || !tools::ownsConsoleAlone()) return false;
    std::cout << '\n' << messages::tr("Press F to fix, Enter to leave.") << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (answer != "f" && answer != "F") return true;
    status = tools::fixVehicle(line.check, std::cout, std::cerr);
    return false;
}

int runCommand(const tools::CommandLine& line, bool& answered) {
    if (!line.error.empty()) {
        std::cerr << "cabhost: " << line.error << "\n\n" << tools::usage();
        return 2;
    }
    try {
        switch (line.command) {
            case tools::Command::Help:
                std::cout << tools::usage();
                return 0;
            case tools::Command::Version:
                std::cout << messages::trf("cabhost {1} (orvalis-cab {1})", {orvalis::kVersion}) << '\n';
                return 0;
            case tools::Command::Run:
                return tools::runScenarioCommand(line.run, tools::programPath().parent_path(), std::cout, std::cerr,
                                                 tools::isTerminal(stderr));
            case tools::Command::Check: {
                int status = tools::checkVehicle(line.check, std::cout, std::cerr);
                answered = offerFix(line, status);
                return status;
            }
            case tools::Command::Fix:
                return tools::fixVehicle(line.check, std::cout, std::cerr);
        }
    } catch (const std::exception& error) {
        std::cerr << "cabhost: " << error.what() << '\n';
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    tools::prepareConsole();
    const std::vector<std::string> arguments = tools::commandLineArguments(argc, argv);
    tools::CommandLine line = tools::parseCommandLine(arguments);
    messages::setLanguage(chosenLanguage(line));
    // The parser's own messages follow the language too.
    if (messages::currentLanguage() != messages::Language::English) line = tools::parseCommandLine(arguments);
    bool answered = false;
    const int status = runCommand(line, answered);
    if (!answered) tools::finishConsole(messages::tr("Press Enter to close this window."));
    return status;
}
