// The operating-system layer on Linux (and other POSIX systems with dlopen).
#include "platform/platform.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "platform/utf8.h"

namespace platform {

namespace {
bool shiftForTesting = false;

std::filesystem::path pathOfAddress(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return std::filesystem::absolute(info.dli_fname);
}
}  // namespace

std::filesystem::path ownLibraryPath() {
    return pathOfAddress(reinterpret_cast<const void*>(&ownLibraryPath));
}

LibraryHandle loadLibrary(const std::filesystem::path& path, std::string& reason) {
    // dlopen reads whatever it is given: a pipe or a terminal would block it.
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        reason = S_ISDIR(status.st_mode) ? "a folder, not a library file"
                                         : "not a regular file (a device, pipe or socket)";
        return nullptr;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        reason = error != nullptr ? error : "the library could not be loaded";
    }
    return handle;
}

bool isOwnLibrary(LibraryHandle library) {
    Dl_info info{};
    link_map* own = nullptr;
    if (dladdr1(reinterpret_cast<const void*>(&isOwnLibrary), &info, reinterpret_cast<void**>(&own),
                RTLD_DL_LINKMAP) == 0)
        return false;
    link_map* map = nullptr;
    return dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map == own;
}

void* findExport(LibraryHandle library, const char* name) {
    return dlsym(library, name);
}

void unloadLibrary(LibraryHandle library) {
    dlclose(library);
}

std::filesystem::path libraryPath(LibraryHandle library) {
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr)
        return {};
    return map->l_name;
}

bool exists(const std::filesystem::path& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) return true;
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG) return false;
    throw std::filesystem::filesystem_error("exists", path,
                                            std::error_code(error, std::generic_category()));
}

bool shiftHeld() {
    return shiftForTesting;
}

void setShiftHeldForTesting(bool held) {
    shiftForTesting = held;
}

std::string toMessageEncoding(const std::u16string& text) {
    return toUtf8(text);
}

std::string pathInMessageEncoding(const std::filesystem::path& path) {
    return path.native();
}

void debugOutput(const std::string&) {}

bool fillRandom(uint32_t* words, std::size_t count) noexcept {
    auto* bytes = reinterpret_cast<unsigned char*>(words);
    std::size_t remaining = count * sizeof(uint32_t);
    while (remaining > 0) {
        const ssize_t got = getrandom(bytes, remaining, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += got;
        remaining -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace platform
