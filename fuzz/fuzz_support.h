// Shared pieces of the fuzz targets: a scratch vehicle folder per process,
// and the rule that the only acceptable failures of a load are the
// contained errors the readers are specified to raise.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string_view>

namespace fuzzing {

// A folder of this process under the temporary folder, ending in a separator.
const std::filesystem::path& scratchFolder();

// Replaces the file `relative` in the scratch folder with `bytes`.
std::filesystem::path writeScratchFile(const std::filesystem::path& relative, const uint8_t* bytes, std::size_t size);

// True for the errors a configuration file may legitimately end Load with.
bool isSpecifiedError(const std::exception& error);

// Runs `load`; any outcome other than success or a specified error aborts.
template <typename Load>
void expectContainedOutcome(Load load) {
    try {
        load();
    } catch (const std::exception& error) {
        if (!isSpecifiedError(error)) std::abort();
    } catch (...) {
        std::abort();
    }
}

}  // namespace fuzzing
