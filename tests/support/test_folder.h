// A fresh folder under the system's temporary folder, removed again when
// the test ends, with helpers to lay out a vehicle's files in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

class TestFolder {
public:
    // `name` may hold any characters (a Japanese folder name, say); a unique
    // suffix keeps parallel tests apart.
    explicit TestFolder(std::u16string_view name = u"orvalis");
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder, ending in a separator, as the plug-in's directory is kept.
    std::filesystem::path directory() const;
    const std::filesystem::path& path() const { return path_; }

    // Writes `bytes` to `relative` (folders created as needed); '/' separates.
    std::filesystem::path write(const std::string& relative, std::string_view bytes) const;
    std::filesystem::path file(const std::string& relative) const;

private:
    std::filesystem::path path_;
};

// The folder the tests run in, where the build puts its programs and libraries.
std::filesystem::path buildOutputFolder();

// A copy of the sample vehicle (examples/vehicle) that the build keeps as
// test data. Copy it into a TestFolder before changing anything in it.
std::filesystem::path sampleVehicleFolder();

// Copies every file of `source` into `folder`.
void copyFolder(const std::filesystem::path& source, const TestFolder& folder);

}  // namespace testing_support
