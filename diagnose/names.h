// Names as the author wrote them, for the tools that list what the plug-in
// looked for.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "plugin/plugin.h"

namespace diagnose {

// The path `file` as notch.txt writes it, decoded from Shift-JIS where the
// line is Shift-JIS (the plug-in reads it as UTF-8 and so looks for another
// name); nothing when the line is UTF-8 or no line of notch.txt names it.
std::optional<std::filesystem::path> shiftJisName(const plugin::Plugin& loaded, const std::filesystem::path& file);

}  // namespace diagnose
