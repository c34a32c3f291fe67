// cabhost: a stand-in simulator for vehicle authors. "run" drives the
// plug-in through a scenario; "check" reports what the plug-in's Load reads
// from a vehicle folder.
#include <cstdio>
#include <exception>
#include <iostream>

#include "tools/check.h"
#include "tools/command_line.h"
#include "tools/console.h"
#include "tools/run_command.h"

int main(int argc, char** argv) {
    tools::prepareConsole();
    const tools::CommandLine line = tools::parseCommandLine(tools::commandLineArguments(argc, argv));
    if (!line.error.empty()) {
        std::cerr << "cabhost: " << line.error << "\n\n" << tools::kUsage;
        return 2;
    }
    try {
        switch (line.command) {
            case tools::Command::Help:
                std::cout << tools::kUsage;
                return 0;
            case tools::Command::Version:
                std::cout << "cabhost\n";
                return 0;
            case tools::Command::Run:
                return tools::runScenarioCommand(line.run, tools::programPath().parent_path(), std::cout, std::cerr,
                                                 tools::isTerminal(stderr));
            case tools::Command::Check:
                return tools::checkVehicle(line.check.vehicle, line.check.strict, std::cout, std::cerr);
        }
    } catch (const std::exception& error) {
        std::cerr << "cabhost: " << error.what() << '\n';
    }
    return 1;
}
