// A plug-in library loaded by path the way the simulator loads one: the
// sixteen entry points looked up by their exported names.
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "plugin/abi.h"

namespace tools {

// Entry points the library lacks stay null and are not called.
struct PluginLibrary {
    platform::LibraryHandle handle = nullptr;
    host::EntryPoints entryPoints;
};

// Loads the library at `path` and looks up its entry points. Returns false,
// with `error` saying why, when it does not load as a library.
bool openPluginLibrary(const std::filesystem::path& path, PluginLibrary& library, std::string& error);

void closePluginLibrary(PluginLibrary& library);

}  // namespace tools
