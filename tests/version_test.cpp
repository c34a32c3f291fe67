#include <gtest/gtest.h>

#include <string>

#include "plugin/plugin.h"
#include "support/test_folder.h"
#include "version/version.h"

namespace {

// The load report names the plug-in build that read the files, also when an
// error stopped the reading, so that a report says which version it describes.
TEST(Version, TheLoadReportRecordsThePluginVersion) {
    const std::string expected = std::to_string(orvalis::kVersionMajor) + "." +
                                 std::to_string(orvalis::kVersionMinor) + "." +
                                 std::to_string(orvalis::kVersionPatch);
    EXPECT_EQ(orvalis::kVersion, expected);

    testing_support::TestFolder folder;
    folder.write("NeedleTable/Speed.csv", "speed,needle\n0,zero\n");
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    ASSERT_TRUE(plugin.report.failure.has_value());
    EXPECT_EQ(plugin.report.pluginVersion, expected);
}

}  // namespace
