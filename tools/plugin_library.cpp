#include "tools/plugin_library.h"

#include "plugin/entry_points.h"

namespace tools {

bool openPluginLibrary(const std::filesystem::path& path, PluginLibrary& library, std::string& error) {
    library = PluginLibrary{};
    std::error_code status;
    if (!std::filesystem::is_regular_file(path, status)) {
        error = "no such file";
        return false;
    }
    library.handle = platform::loadLibrary(path, error);
    if (library.handle == nullptr) return false;
    library.entryPoints = plugin::lookUpEntryPoints(library.handle);
    return true;
}

void closePluginLibrary(PluginLibrary& library) {
    if (library.handle != nullptr) platform::unloadLibrary(library.handle);
    library = PluginLibrary{};
}

}  // namespace tools
