#include "plugin/entry_points.h"

#include <type_traits>

namespace plugin {

namespace {

// Calls `visit(name, pointer)` for every entry point of the record, in the
// order of host::kEntryPointNames; the record may be const or not. The one
// place that pairs each export name with its field.
template <typename Record, typename Visit>
void forEachEntryPoint(Record& entryPoints, Visit visit) {
    visit("Load", entryPoints.Load);
    visit("Dispose", entryPoints.Dispose);
    visit("GetPluginVersion", entryPoints.GetPluginVersion);
    visit("SetVehicleSpec", entryPoints.SetVehicleSpec);
    visit("Initialize", entryPoints.Initialize);
    visit("Elapse", entryPoints.Elapse);
    visit("SetPower", entryPoints.SetPower);
    visit("SetBrake", entryPoints.SetBrake);
    visit("SetReverser", entryPoints.SetReverser);
    visit("KeyDown", entryPoints.KeyDown);
    visit("KeyUp", entryPoints.KeyUp);
    visit("HornBlow", entryPoints.HornBlow);
    visit("DoorOpen", entryPoints.DoorOpen);
    visit("DoorClose", entryPoints.DoorClose);
    visit("SetSignal", entryPoints.SetSignal);
    visit("SetBeaconData", entryPoints.SetBeaconData);
}

}  // namespace

host::EntryPoints lookUpEntryPoints(platform::LibraryHandle library) {
    host::EntryPoints entryPoints;
    forEachEntryPoint(entryPoints, [library](const char* name, auto& function) {
        using Function = std::remove_reference_t<decltype(function)>;
        function = reinterpret_cast<Function>(platform::findExport(library, name));
    });
    return entryPoints;
}

std::vector<std::string> missingEntryPoints(const host::EntryPoints& entryPoints) {
    std::vector<std::string> missing;
    forEachEntryPoint(entryPoints, [&missing](const char* name, auto function) {
        if (function == nullptr) missing.emplace_back(name);
    });
    return missing;
}

}  // namespace plugin
