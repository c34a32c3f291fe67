#include "tools/plugin_library.h"

namespace tools {

namespace {
template <typename Fn>
void lookUp(PluginLibrary& library, const char* name, Fn& entryPoint) {
    entryPoint = reinterpret_cast<Fn>(platform::findExport(library.handle, name));
    if (entryPoint == nullptr) library.missing.emplace_back(name);
}
}  // namespace

bool openPluginLibrary(const std::filesystem::path& path, PluginLibrary& library, std::string& error) {
    library = PluginLibrary{};
    std::error_code status;
    if (!std::filesystem::is_regular_file(path, status)) {
        error = "no such file";
        return false;
    }
    library.handle = platform::loadLibrary(path, error);
    if (library.handle == nullptr) return false;
    lookUp(library, "Load", library.Load);
    lookUp(library, "Dispose", library.Dispose);
    lookUp(library, "GetPluginVersion", library.GetPluginVersion);
    lookUp(library, "SetVehicleSpec", library.SetVehicleSpec);
    lookUp(library, "Initialize", library.Initialize);
    lookUp(library, "Elapse", library.Elapse);
    lookUp(library, "SetPower", library.SetPower);
    lookUp(library, "SetBrake", library.SetBrake);
    lookUp(library, "SetReverser", library.SetReverser);
    lookUp(library, "KeyDown", library.KeyDown);
    lookUp(library, "KeyUp", library.KeyUp);
    lookUp(library, "HornBlow", library.HornBlow);
    lookUp(library, "DoorOpen", library.DoorOpen);
    lookUp(library, "DoorClose", library.DoorClose);
    lookUp(library, "SetSignal", library.SetSignal);
    lookUp(library, "SetBeaconData", library.SetBeaconData);
    return true;
}

void closePluginLibrary(PluginLibrary& library) {
    if (library.handle != nullptr) platform::unloadLibrary(library.handle);
    library = PluginLibrary{};
}

}  // namespace tools
