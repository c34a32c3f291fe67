// What the benchmarks set up the way the simulator meets the plug-in: a
// vehicle folder holding a copy of the sample vehicle and of the built
// plug-in, the library loaded from there by path and its entry points looked
// up by name. Every step throws std::runtime_error when it cannot be done,
// so that a benchmark reports why it did not run rather than timing a
// plug-in that read nothing.
#pragma once

#include <cstddef>
#include <exception>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/platform.h"
#include "plugin/abi.h"
#include "support/test_folder.h"

namespace bench {

// A library loaded by path, unloaded again when this goes.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::filesystem::path& file);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    // Its sixteen entry points; throws naming those it lacks.
    host::EntryPoints entryPoints() const;

private:
    platform::LibraryHandle handle_ = nullptr;
};

// Copies the sample vehicle, its module list as shipped, into the folder.
void copySampleVehicle(const testing_support::TestFolder& folder);

// Gives the folder `count` copies of the do-nothing module, each a library of
// its own, and a module list naming exactly them (none: an empty list).
void listIdleModules(const testing_support::TestFolder& folder, std::size_t count);

// The built do-nothing module, beside this program.
std::filesystem::path idleModuleFile();

// Copies the built plug-in into the folder; returns the copy's path, from
// which it takes the folder as its own.
std::filesystem::path installPlugin(const testing_support::TestFolder& folder);

// Loads the folder into a plug-in record of this process, as the library
// will: throws when Load stopped on an error or found no current curves, and
// returns how many detail modules it loaded.
std::size_t checkVehicleLoads(const testing_support::TestFolder& folder);

// Load, SetVehicleSpec, Initialize, doors closed and reverser forward; then one
// frame at 40 km/h, which must show the speed needle following the sample
// vehicle's table rather than the raw speed, proof that the library read the
// folder it was loaded from.
void startPlugin(const host::EntryPoints& plugin);

// Runs a benchmark's setup and loop, or marks the benchmark skipped with the
// reason its setup failed.
template <typename Body>
void runOrSkip(benchmark::State& state, Body body) {
    try {
        body();
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

}  // namespace bench
