// The chain allocates nothing in a frame: the initial run and frames with
// changing handles through a chain of do-nothing modules, under a counting
// global operator new.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "counting_allocator.h"
#include "modules/module_control.h"
#include "plugin/module_chain.h"
#include "support/test_folder.h"

namespace {

TEST(ChainAllocation, FramesThroughModulesAllocateNothing) {
    const testing_support::TestFolder folder(u"chain allocation");
    const std::string idle =
        (testing_support::buildOutputFolder() / chain_testing::libraryFileName("chain_module_idle")).u8string();
    folder.write("detailmodulesx64.txt", idle + "\n" + idle + "\n" + idle + "\n" + idle);
    plugin::ModuleChain chain;
    config::LoadReport report;
    plugin::loadModuleChain(chain, folder.directory(), report);
    ASSERT_EQ(chain.modules.size(), 4u);

    std::array<int32_t, PanelArraySize> panel{};
    std::array<int32_t, SoundArraySize> sound{};
    VehicleState state{};
    const long before = alloc_test::allocationCount();
    for (int32_t frame = 0; frame < 1000; ++frame) {
        state.time = 16 * frame;
        plugin::runModuleChain(chain, {frame / 10 % 5, frame / 7 % 9, 1}, state, panel.data(), sound.data());
    }
    EXPECT_EQ(alloc_test::allocationCount(), before);
    plugin::disposeModuleChain(chain);
}

}  // namespace
