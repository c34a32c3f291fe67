// Windows only: loading a file that is no library must not raise a system
// error dialog, and must leave the thread's error mode as it found it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "support/test_folder.h"

namespace {

TEST(LibraryErrorMode, ABrokenLibraryFailsQuietlyAndTheModeIsRestored) {
    const testing_support::TestFolder folder(u"error mode");
    const std::filesystem::path broken = folder.write("broken.dll", std::string("MZ") + std::string(510, '\x7f'));
    DWORD original = 0;
    ASSERT_TRUE(SetThreadErrorMode(0, &original));

    std::string reason;
    EXPECT_EQ(platform::loadLibrary(broken, reason), nullptr);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(GetThreadErrorMode(), 0u);

    SetThreadErrorMode(original, nullptr);
}

}  // namespace
