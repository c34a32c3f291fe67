// The operating-system layer: the few services the plug-in needs from the
// system, each implemented once per OS (platform_linux.cpp,
// platform_windows.cpp). Nothing outside this folder tests which OS it is on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

using LibraryHandle = void*;

// Full path of the library (or program) this code is linked into, never cut
// short however deep the folder.
std::filesystem::path ownLibraryPath();

// Loads exactly the library file at a full path (no default extension is
// added to a name without one). Returns nullptr when it does not load as a
// library and sets `reason` to the system's explanation. Never shows a
// system dialog, and never waits on a device or a pipe of that name.
LibraryHandle loadLibrary(const std::filesystem::path& path, std::string& reason);

// True when `library` is the very library this code is linked into.
bool isOwnLibrary(LibraryHandle library);

// Address of the export `name`, or nullptr when the library has none.
void* findExport(LibraryHandle library, const char* name);

void unloadLibrary(LibraryHandle library);

// Full path of a loaded library.
std::filesystem::path libraryPath(LibraryHandle library);

// True when an entry (file or folder) of that name exists, false when it is
// absent. Any other failure to examine the path throws
// std::filesystem::filesystem_error for the operation "exists" naming it.
bool exists(const std::filesystem::path& path);

// Whether the Shift key is held down right now.
bool shiftHeld();

// Test seam: where the system has no keyboard state to ask, shiftHeld()
// answers what was last set here (initially: not held).
void setShiftHeldForTesting(bool held);

// Text in the narrow encoding the system uses for messages: code page 932
// on Windows (unrepresentable characters become '?'), UTF-8 elsewhere.
std::string toMessageEncoding(const std::u16string& text);

// A path in the same encoding, whatever bytes its name holds: elsewhere than
// Windows a file name need not be valid UTF-8, and it is kept byte for byte.
std::string pathInMessageEncoding(const std::filesystem::path& path);

// Sends a line to the system's debugger output where there is one
// (OutputDebugStringW on Windows); elsewhere it is dropped.
void debugOutput(const std::string& utf8Text);

// Fills `count` words from the system's non-deterministic random source.
// Returns false, leaving the words as they were, if the source fails.
bool fillRandom(uint32_t* words, std::size_t count) noexcept;

}  // namespace platform
