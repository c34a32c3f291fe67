// The module chain on its own record, with real test modules loaded through
// a real module list: which lines load what, which module is told which
// handle and when, and the version error.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/load_report.h"
#include "modules/module_control.h"
#include "plugin/module_chain.h"
#include "support/test_folder.h"

namespace {

using chain_testing::callsOf;
using chain_testing::ModuleControl;
using chain_testing::takeCalls;
using config::ModuleOutcome;
using plugin::DriverHandles;
using Calls = std::vector<std::string>;

constexpr char kElapse[] = "Elapse 1234.5 -40 16 -300";

class ChainTest : public ::testing::Test {
protected:
    ChainTest() { chain_testing::calls.clear(); }
    ~ChainTest() override { plugin::disposeModuleChain(chain); }

    const ModuleControl& add(const char* variant, const char* name) { return modules.add(variant, name); }

    void load() {
        modules.writeList();
        plugin::loadModuleChain(chain, modules.folder.directory(), report);
    }

    HandleCommand frame(DriverHandles handles) {
        VehicleState state{};
        state.location = 1234.5;
        state.speed = -40.0f;
        state.time = 16;
        state.current = -300.0f;
        return plugin::runModuleChain(chain, handles, state, panel.data(), sound.data());
    }

    chain_testing::ModuleFolder modules{u"運転台 chain"};
    plugin::ModuleChain chain;
    config::LoadReport report;
    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
};

// ---------------------------------------------------------------------------
// The module list

TEST_F(ChainTest, EveryListLineIsOneAttemptNotedWithItsOutcome) {
    const std::string a = chain_testing::libraryFileName("a");
    const std::string b = chain_testing::libraryFileName("b");
    modules.install(chain_testing::kFullModule, a, "a");
    const ModuleControl& moduleB = modules.install(chain_testing::kFullModule, "sub/" + b, "b");
    modules.folder.write(chain_testing::libraryFileName("text"), "not a library\n");
    std::string cutByNul = a;
    cutByNul += '\0';
    modules.list = " " + a + "\n" + "\n" + chain_testing::libraryFileName("missing") + "\n" +
                   chain_testing::libraryFileName("text") + "\n" + a + "\n" + "sub\\" + b + "\n" + cutByNul +
                   "junk\n" + a;
    load();

    const std::vector<ModuleOutcome> expected = {ModuleOutcome::Absent, ModuleOutcome::NotALibrary,
                                                 ModuleOutcome::Absent, ModuleOutcome::NotALibrary,
                                                 ModuleOutcome::Loaded, ModuleOutcome::Loaded,
                                                 ModuleOutcome::Absent, ModuleOutcome::Loaded};
    ASSERT_EQ(report.modules.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(report.modules[i].outcome, expected[i]) << "line " << i + 1;
        EXPECT_EQ(report.modules[i].line, static_cast<int>(i + 1));
    }
    EXPECT_EQ(report.modules[0].path, modules.folder.directory() / (" " + a));  // the blank belongs to the name
    EXPECT_EQ(report.modules[1].path, modules.folder.directory());               // an empty line names the folder
    EXPECT_FALSE(report.modules[1].reason.empty());
    EXPECT_FALSE(report.modules[3].reason.empty());  // the system's reason
    EXPECT_FALSE(report.modules[6].reason.empty());

    // The same library listed twice is one library loaded twice.
    ASSERT_EQ(chain.modules.size(), 3u);
    EXPECT_EQ(chain.modules[0].library, chain.modules[2].library);
    EXPECT_EQ(chain.modules[1].library, moduleB.library());
    EXPECT_EQ(takeCalls(), (Calls{"a Load", "b Load", "a Load"}));
    plugin::disposeModuleChain(chain);
    EXPECT_EQ(takeCalls(), (Calls{"a Dispose", "b Dispose", "a Dispose"}));
    EXPECT_TRUE(chain.modules.empty());
}

TEST_F(ChainTest, WithoutAListNothingIsLoadedOrNoted) {
    plugin::loadModuleChain(chain, modules.folder.directory(), report);
    EXPECT_TRUE(chain.modules.empty());
    EXPECT_TRUE(report.modules.empty());
}

TEST_F(ChainTest, AbsoluteAndRootedLinesNameTheirFileWherever) {
    const testing_support::TestFolder elsewhere(u"elsewhere");
    const std::filesystem::path file =
        chain_testing::installModule(elsewhere, chain_testing::kFullModule, chain_testing::libraryFileName("far"));
    const ModuleControl far(file, "far");
    // Rooted: the absolute path without its drive, with '\' separators.
    std::string rooted = file.relative_path().u8string();
    for (char& c : rooted)
        if (c == '/') c = '\\';
    modules.list = file.u8string() + "\n\\" + rooted + "\n";
    load();
    EXPECT_EQ(takeCalls(), (Calls{"far Load", "far Load"}));
}

TEST_F(ChainTest, AFileWithoutExtensionLoadsAsNamed) {
    // Beside "plain" lies "plain" + the usual suffix: the system must not add
    // the suffix and load that one instead.
    chain_testing::installModule(modules.folder, chain_testing::kModuleWithoutEntryPoints,
                                 chain_testing::libraryFileName("plain"));
    modules.install(chain_testing::kFullModule, "plain", "plain");
    modules.list = "plain";
    load();
    EXPECT_EQ(takeCalls(), Calls{"plain Load"});
}

TEST_F(ChainTest, ADeviceIsNoLibraryAndIsNotRead) {
    // Reading a pipe or a terminal could block Load for good; Linux keeps a
    // device at a known place to stand for them.
    if (std::filesystem::path::preferred_separator != '/') GTEST_SKIP();
    modules.list = "/dev/null";
    load();
    ASSERT_EQ(report.modules.size(), 1u);
    EXPECT_EQ(report.modules[0].outcome, ModuleOutcome::NotALibrary);
    EXPECT_EQ(report.modules[0].reason, "not a regular file (a device, pipe or socket)");
}

// ---------------------------------------------------------------------------
// Handles through the chain

// Without any module that has Elapse, the driver's handles pass through:
// otherwise brake and power would be lost in every frame.
TEST_F(ChainTest, AnEmptyChainPassesTheDriversHandlesThroughAndStaysArmed) {
    const HandleCommand command = frame({5, 8, 1});
    EXPECT_EQ(command.brake, 8);
    EXPECT_EQ(command.power, 5);
    EXPECT_EQ(command.reverser, 1);
    EXPECT_EQ(command.constantSpeed, 0);
    EXPECT_EQ(chain.chainOutput.brake, 0);
    EXPECT_TRUE(chain.initialSyncPending);
}

TEST_F(ChainTest, ModulesWithoutElapsePassTheDriversHandlesThrough) {
    add(chain_testing::kModuleWithoutElapse, "w");
    add(chain_testing::kModuleWithoutEntryPoints, "n");
    load();
    HandleCommand command = frame({2, 7, -1});
    EXPECT_EQ(command.brake, 7);
    EXPECT_EQ(command.power, 2);
    EXPECT_EQ(command.reverser, -1);
    command = frame({0, 3, 0});
    EXPECT_EQ(command.brake, 3);
    EXPECT_EQ(command.power, 0);
    EXPECT_EQ(command.reverser, 0);
    EXPECT_EQ(callsOf("w"), (Calls{"Load", "SetPower 2", "SetBrake 7", "SetReverser -1", "SetPower 0", "SetBrake 3",
                                   "SetReverser 0"}));
}

TEST_F(ChainTest, OneModuleWithElapseAnywhereDecidesTheResult) {
    add(chain_testing::kFullModule, "a").returns({1, 2, 0, 9});
    add(chain_testing::kModuleWithoutElapse, "w");
    load();
    const HandleCommand command = frame({4, 8, 1});
    EXPECT_EQ(command.brake, 1);
    EXPECT_EQ(command.power, 2);
    EXPECT_EQ(command.reverser, 0);
    EXPECT_EQ(command.constantSpeed, 9);
}

TEST_F(ChainTest, TheFirstRunTellsEveryModuleTheDriversHandlesThenOnlyChanges) {
    add(chain_testing::kFullModule, "a").returns({3, 2, -1, 9});
    add(chain_testing::kFullModule, "b").returns({4, 1, 0, 0});
    add(chain_testing::kFullModule, "c").returns({5, 0, 1, 7});
    load();
    takeCalls();

    const HandleCommand first = frame({0, 8, 1});
    // Each module gets its own copy of the state: every one of them scribbles on it.
    EXPECT_EQ(takeCalls(), (Calls{"a SetPower 0", "a SetBrake 8", "a SetReverser 1", std::string("a ") + kElapse,
                                  "b SetPower 0", "b SetBrake 8", "b SetReverser 1", std::string("b ") + kElapse,
                                  "c SetPower 0", "c SetBrake 8", "c SetReverser 1", std::string("c ") + kElapse}));
    EXPECT_EQ(first.brake, 5);
    EXPECT_EQ(first.constantSpeed, 7);  // the whole result travels; its constant speed is told to nobody
    EXPECT_FALSE(chain.initialSyncPending);

    frame({0, 8, 1});
    // The first module hears of no change; each later one of what the one
    // before it returned, where that differs from what it was last told.
    EXPECT_EQ(takeCalls(), (Calls{std::string("a ") + kElapse, "b SetPower 2", "b SetBrake 3", "b SetReverser -1",
                                  std::string("b ") + kElapse, "c SetPower 1", "c SetBrake 4", "c SetReverser 0",
                                  std::string("c ") + kElapse}));
    frame({0, 8, 1});
    EXPECT_EQ(takeCalls(), (Calls{std::string("a ") + kElapse, std::string("b ") + kElapse,
                                  std::string("c ") + kElapse}));
}

TEST_F(ChainTest, AfterAModuleWithoutElapseTheNextComparesWithItsOwnLastResult) {
    add(chain_testing::kModuleWithoutElapse, "w");
    add(chain_testing::kFullModule, "b").returns({0, 4, 0, 0});
    load();
    frame({1, 0, 0});
    frame({1, 0, 0});
    frame({2, 0, 0});
    // From the second frame on, the output at b's turn is b's own last result
    // (power 4): b is told it once, then never again.
    EXPECT_EQ(callsOf("w"), (Calls{"Load", "SetPower 1", "SetBrake 0", "SetReverser 0", "SetPower 2"}));
    EXPECT_EQ(callsOf("b"), (Calls{"Load", "SetPower 1", "SetBrake 0", "SetReverser 0", kElapse, "SetPower 4",
                                   kElapse, kElapse}));
}

TEST_F(ChainTest, AModuleWithoutEntryPointsIsStillDueEveryValue) {
    add(chain_testing::kModuleWithoutEntryPoints, "n");
    add(chain_testing::kFullModule, "b").returns({6, 0, 0, 0});
    load();
    frame({2, 3, 1});
    frame({4, 3, 1});
    EXPECT_EQ(chain.modules[0].lastPower, 4);
    EXPECT_EQ(chain.modules[0].lastBrake, 3);
    EXPECT_EQ(chain.modules[0].lastReverser, 1);
    // Nothing came out of n: b compares with its own result of the frame before.
    EXPECT_EQ(callsOf("b"), (Calls{"Load", "SetPower 2", "SetBrake 3", "SetReverser 1", kElapse, "SetPower 0",
                                   "SetBrake 6", "SetReverser 0", kElapse}));
}

TEST_F(ChainTest, ModulesLoadedAgainAfterDisposeGetNoInitialRun) {
    add(chain_testing::kFullModule, "a").returns({2, 0, 0, 0});
    add(chain_testing::kFullModule, "b");
    load();
    frame({0, 0, 0});
    plugin::disposeModuleChain(chain);
    plugin::loadModuleChain(chain, modules.folder.directory(), report);
    takeCalls();

    frame({0, 8, 0});
    // New records start from 0: a is told the brake only, b the one value of
    // a's result that is not 0.
    EXPECT_EQ(takeCalls(),
              (Calls{"a SetBrake 8", std::string("a ") + kElapse, "b SetBrake 2", std::string("b ") + kElapse}));
}

TEST_F(ChainTest, AModuleFailingInDisposeLeavesNoUnloadedModuleListed) {
    add(chain_testing::kFullModule, "a");
    add(chain_testing::kFullModule, "b").throwsOnDispose();
    add(chain_testing::kFullModule, "c");
    load();
    const platform::LibraryHandle b = chain.modules[1].library;
    EXPECT_THROW(plugin::disposeModuleChain(chain), std::runtime_error);
    ASSERT_EQ(chain.modules.size(), 2u);
    EXPECT_EQ(chain.modules[0].library, b);
}

// ---------------------------------------------------------------------------
// The version error

// "のバージョンが不正です。" as the system's messages encode it.
std::string invalidVersionText() {
    return ORVALIS_MESSAGES_IN_SHIFT_JIS
               ? "\x82\xCC\x83\x6F\x81\x5B\x83\x57\x83\x87\x83\x93\x82\xAA\x95\x73\x90\xB3\x82\xC5\x82\xB7\x81\x42"
               : "\xE3\x81\xAE\xE3\x83\x90\xE3\x83\xBC\xE3\x82\xB8\xE3\x83\xA7\xE3\x83\xB3\xE3\x81\x8C\xE4\xB8\x8D"
                 "\xE6\xAD\xA3\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82";
}

std::string versionError(const plugin::ModuleChain& chain) {
    try {
        plugin::checkModuleVersions(chain);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no error";
}

TEST_F(ChainTest, TheVersionErrorNamesTheFirstModuleWithAnotherVersionByItsFullPath) {
    add(chain_testing::kModuleWithoutEntryPoints, "n");
    add(chain_testing::kFullModule, "a");
    add(chain_testing::kFullModule, "b").answersVersion(0x10000);
    add(chain_testing::kFullModule, "c").answersVersion(0x30000);
    load();
    takeCalls();
    // "運転台" (cab) in the folder's name survives in the message's encoding.
    const std::string cab =
        ORVALIS_MESSAGES_IN_SHIFT_JIS ? "\x89\x5E\x93\x5D\x91\xE4" : "\xE9\x81\x8B\xE8\xBB\xA2\xE5\x8F\xB0";
    const std::string message = versionError(chain);
    EXPECT_EQ(takeCalls(), (Calls{"a GetPluginVersion", "b GetPluginVersion"}));
    const std::string expectedPath =
        platform::pathInMessageEncoding(modules.folder.file(chain_testing::libraryFileName("b")));
    EXPECT_EQ(message, expectedPath + invalidVersionText());
    EXPECT_NE(expectedPath.find(cab), std::string::npos) << "expected a Japanese-named folder";
}

TEST_F(ChainTest, TheVersionErrorKeepsALongPathWhole) {
    std::u16string deep;
    for (int i = 0; i < 60; ++i) deep += u"車";
    const std::filesystem::path sub = std::filesystem::path(deep) / deep;
    const std::string relative = (sub / chain_testing::libraryFileName("long")).u8string();
    modules.install(chain_testing::kFullModule, relative, "long").answersVersion(0);
    modules.list = relative;
    load();
    const std::string message = versionError(chain);
    EXPECT_GT(message.size(), 260u);
    EXPECT_EQ(message, platform::pathInMessageEncoding(modules.folder.file(relative)) + invalidVersionText());
}

TEST_F(ChainTest, TheVersionErrorKeepsAPluginFolderThatIsNoValidText) {
    // Only where file names are bytes: Linux accepts any but '/' and NUL.
    if (std::filesystem::path::preferred_separator != '/') GTEST_SKIP();
    const std::filesystem::path pluginDirectory = modules.folder.path() / std::string("bad\xFF") / "";
    const std::filesystem::path file = pluginDirectory / chain_testing::libraryFileName("odd");
    std::filesystem::create_directories(pluginDirectory);
    std::filesystem::copy_file(
        testing_support::buildOutputFolder() / chain_testing::libraryFileName(chain_testing::kFullModule), file);
    const ModuleControl odd(file, "odd");
    odd.answersVersion(0);
    std::ofstream(pluginDirectory / "detailmodulesx64.txt") << file.filename().string();
    plugin::loadModuleChain(chain, pluginDirectory, report);
    EXPECT_EQ(versionError(chain), file.string() + invalidVersionText());
}

}  // namespace
