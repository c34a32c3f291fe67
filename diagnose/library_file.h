// What a library file is, read from its headers without loading it: a
// Windows library (PE: 32- or 64-bit, a .NET assembly, a program rather
// than a library, the libraries it imports, the functions it exports), an
// ELF shared object, or no library at all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace diagnose {

enum class LibraryFormat { None, Pe, Elf };

struct LibraryFile {
    LibraryFormat format = LibraryFormat::None;
    bool is64Bit = false;
    bool isLibrary = false;  // PE: a DLL rather than a program; ELF: a shared object
    bool isDotNet = false;
    bool tablesRead = false;  // PE: imports and exports were found where the headers say
    std::vector<std::string> imports;
    std::vector<std::string> exports;
    std::u16string exportName;  // the name the library was built with
};

// The headers of the bytes of a file; never reads outside them.
LibraryFile examineLibraryBytes(std::string_view bytes);

// The file's headers; nothing when it cannot be read.
std::optional<LibraryFile> examineLibrary(const std::filesystem::path& file);

}  // namespace diagnose
