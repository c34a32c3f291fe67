// The one lookup of a library's entry points, on the chain's test modules.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "modules/module_control.h"
#include "plugin/entry_points.h"
#include "support/test_folder.h"

namespace {

using Names = std::vector<std::string>;

Names missingFrom(const char* variant) {
    std::string reason;
    const platform::LibraryHandle library = platform::loadLibrary(
        testing_support::buildOutputFolder() / chain_testing::libraryFileName(variant), reason);
    if (library == nullptr) {
        ADD_FAILURE() << reason;
        return {};
    }
    Names missing = plugin::missingEntryPoints(plugin::lookUpEntryPoints(library));
    platform::unloadLibrary(library);
    return missing;
}

TEST(EntryPoints, AnEmptyRecordLacksAllSixteenInTheOrderOfTheNames) {
    const Names all(std::begin(host::kEntryPointNames), std::end(host::kEntryPointNames));
    EXPECT_EQ(plugin::missingEntryPoints(host::EntryPoints{}), all);
}

TEST(EntryPoints, LookUpFindsWhatALibraryExportsAndLeavesTheRestNull) {
    EXPECT_EQ(missingFrom(chain_testing::kFullModule), Names{});
    EXPECT_EQ(missingFrom(chain_testing::kModuleWithoutElapse), Names{"Elapse"});
    EXPECT_EQ(missingFrom(chain_testing::kModuleWithoutEntryPoints).size(), 16u);
}

}  // namespace
