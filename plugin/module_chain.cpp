#include "plugin/module_chain.h"

namespace plugin {
void loadModuleChain(ModuleChain&, const std::filesystem::path&, config::LoadReport&) {}
HandleCommand runModuleChain(ModuleChain& chain, const DriverHandles&, const VehicleState&, int32_t*, int32_t*) {
    return chain.output;
}
void disposeModuleChain(ModuleChain& chain) {
    chain.modules.clear();
}
void checkModuleVersions(const ModuleChain&) {}
}  // namespace plugin
