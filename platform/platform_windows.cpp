// The operating-system layer on 64-bit Windows.
#include "platform/platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <bcrypt.h>

#include <system_error>

namespace platform {

namespace {
bool shiftForTesting = false;

// GetModuleFileNameW cuts the name at the buffer's size: ask again with a
// larger buffer until the whole path fits.
std::filesystem::path moduleFileName(HMODULE module) {
    std::wstring buffer(260, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string toCodePage(UINT codePage, const wchar_t* text, int length) {
    if (length == 0) return {};
    BOOL usedDefault = FALSE;
    const bool isUtf8 = codePage == CP_UTF8;
    const int size = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, isUtf8 ? nullptr : "?",
                                         isUtf8 ? nullptr : &usedDefault);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, 0, text, length, out.data(), size, isUtf8 ? nullptr : "?",
                            isUtf8 ? nullptr : &usedDefault);
    return out;
}

// LoadLibraryW adds ".dll" to a file name without extension, and would load
// "a.dll" for a module listed as "a". A trailing dot stops that; the system
// drops the dot when it opens the file.
std::wstring exactFileName(const std::filesystem::path& path) {
    std::wstring name = path.native();
    if (!path.has_extension()) name += L'.';
    return name;
}

std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? toCodePage(CP_UTF8, text, static_cast<int>(length)) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message + " (error " + std::to_string(error) + ")";
}
}  // namespace

std::filesystem::path ownLibraryPath() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ownLibraryPath), &self))
        return {};
    return moduleFileName(self);
}

LibraryHandle loadLibrary(const std::filesystem::path& path, std::string& reason) {
    // A broken or foreign file must be skipped silently, never with a system
    // error dialog inside the simulator.
    DWORD previousMode = 0;
    const BOOL modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE module = LoadLibraryW(exactFileName(path).c_str());
    const DWORD error = GetLastError();
    if (modeSet) SetThreadErrorMode(previousMode, nullptr);
    if (module == nullptr) reason = systemMessage(error);
    return module;
}

bool isOwnLibrary(LibraryHandle library) {
    HMODULE self = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&isOwnLibrary), &self) &&
           self == static_cast<HMODULE>(library);
}

void* findExport(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unloadLibrary(LibraryHandle library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

std::filesystem::path libraryPath(LibraryHandle library) {
    return moduleFileName(static_cast<HMODULE>(library));
}

bool exists(const std::filesystem::path& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_NETPATH ||
        error == ERROR_INVALID_NAME)
        return false;
    throw std::filesystem::filesystem_error(
        "exists", path, std::error_code(static_cast<int>(error), std::system_category()));
}

bool shiftHeld() {
    // The key-state byte carries "down" in bit 0x80.
    return shiftForTesting || (GetKeyState(VK_SHIFT) & 0x80) != 0;
}

void setShiftHeldForTesting(bool held) {
    shiftForTesting = held;
}

std::string toMessageEncoding(const std::u16string& text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return toCodePage(932, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()));
}

std::string pathInMessageEncoding(const std::filesystem::path& path) {
    const std::wstring& name = path.native();
    return toCodePage(932, name.data(), static_cast<int>(name.size()));
}

void debugOutput(const std::string& utf8Text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), static_cast<int>(utf8Text.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), static_cast<int>(utf8Text.size()), text.data(), length);
    text += L'\n';
    OutputDebugStringW(text.c_str());
}

bool fillRandom(uint32_t* words, std::size_t count) noexcept {
    const auto bytes = static_cast<ULONG>(count * sizeof(uint32_t));
    return BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(words), bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}

}  // namespace platform
