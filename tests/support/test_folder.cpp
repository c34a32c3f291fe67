#include "support/test_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>

namespace testing_support {

namespace {
std::atomic<unsigned> counter{0};
}

TestFolder::TestFolder(std::u16string_view name) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::u16string unique(name);
    for (char c : "_" + std::to_string(stamp) + "_" + std::to_string(counter++))
        if (c != '\0') unique += static_cast<char16_t>(c);
    path_ = std::filesystem::temp_directory_path() / std::filesystem::path(unique);
    std::filesystem::create_directories(path_);
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TestFolder::directory() const {
    return path_ / std::filesystem::path();
}

std::filesystem::path TestFolder::file(const std::string& relative) const {
    return path_ / std::filesystem::u8path(relative);
}

std::filesystem::path TestFolder::write(const std::string& relative, std::string_view bytes) const {
    std::filesystem::path target = file(relative);
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file " + target.u8string());
    return target;
}

std::filesystem::path buildOutputFolder() {
    return std::filesystem::current_path();
}

std::filesystem::path sampleVehicleFolder() {
    return buildOutputFolder() / "test-data" / "vehicle";
}

void copyFolder(const std::filesystem::path& source, const TestFolder& folder) {
    std::filesystem::copy(source, folder.path(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

}  // namespace testing_support
