#include "fuzz/fuzz_support.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace fuzzing {

const std::filesystem::path& scratchFolder() {
    static const std::filesystem::path folder = [] {
        const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                           ("orvalis-fuzz-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
        return path / std::filesystem::path();
    }();
    return folder;
}

std::filesystem::path writeScratchFile(const std::filesystem::path& relative, const uint8_t* bytes, std::size_t size) {
    const std::filesystem::path path = scratchFolder() / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return path;
}

bool isSpecifiedError(const std::exception& error) {
    const std::string_view message = error.what();
    if (dynamic_cast<const std::filesystem::filesystem_error*>(&error) != nullptr)
        return message.find("exists") != std::string_view::npos;
    if (dynamic_cast<const std::length_error*>(&error) != nullptr)
        return message.rfind("line longer than", 0) == 0;
    if (dynamic_cast<const std::invalid_argument*>(&error) != nullptr)
        return message == "invalid stof argument" || message == "invalid stoi argument";
    if (dynamic_cast<const std::out_of_range*>(&error) != nullptr)
        return message == "invalid vector subscript" || message == "stof argument out of range" ||
               message == "stoi argument out of range";
    return false;
}

}  // namespace fuzzing
