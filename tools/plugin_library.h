// A plug-in library loaded by path the way the simulator loads one: the
// sixteen entry points looked up by their exported names.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/abi.h"

namespace tools {

// Entry points the library lacks stay null and are not called.
struct PluginLibrary {
    platform::LibraryHandle handle = nullptr;
    host::LoadFn Load = nullptr;
    host::DisposeFn Dispose = nullptr;
    host::GetPluginVersionFn GetPluginVersion = nullptr;
    host::SetVehicleSpecFn SetVehicleSpec = nullptr;
    host::InitializeFn Initialize = nullptr;
    host::ElapseFn Elapse = nullptr;
    host::SetPowerFn SetPower = nullptr;
    host::SetBrakeFn SetBrake = nullptr;
    host::SetReverserFn SetReverser = nullptr;
    host::KeyDownFn KeyDown = nullptr;
    host::KeyUpFn KeyUp = nullptr;
    host::HornBlowFn HornBlow = nullptr;
    host::DoorOpenFn DoorOpen = nullptr;
    host::DoorCloseFn DoorClose = nullptr;
    host::SetSignalFn SetSignal = nullptr;
    host::SetBeaconDataFn SetBeaconData = nullptr;
    std::vector<std::string> missing;  // names of the entry points it lacks
};

// Loads the library at `path` and looks up its entry points. Returns false,
// with `error` saying why, when it does not load as a library.
bool openPluginLibrary(const std::filesystem::path& path, PluginLibrary& library, std::string& error);

void closePluginLibrary(PluginLibrary& library);

}  // namespace tools
