// Finding a library's entry points by their exported names: the one lookup
// behind the module chain and every host that loads a plug-in by path.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/abi.h"

namespace plugin {

// Looks up the sixteen entry points of a loaded library; those it does not
// export stay null.
host::EntryPoints lookUpEntryPoints(platform::LibraryHandle library);

// The export names of the entry points that are null, in the order of
// host::kEntryPointNames.
std::vector<std::string> missingEntryPoints(const host::EntryPoints& entryPoints);

}  // namespace plugin
