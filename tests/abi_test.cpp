#include <gtest/gtest.h>

#include "plugin/abi.h"
#include "plugin/plugin.h"

namespace {

TEST(PluginDirectory, KeepsTheFolderWithItsSeparator) {
    const std::filesystem::path library = std::filesystem::path("vehicle") / "cab" / "orvalis_cab.so";
    const std::filesystem::path directory = plugin::directoryOf(library);
    EXPECT_EQ(directory, std::filesystem::path("vehicle") / "cab" / "");
    EXPECT_FALSE(directory.has_filename());
}

}  // namespace
