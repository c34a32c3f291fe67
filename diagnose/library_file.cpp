#include "diagnose/library_file.h"

#include "diagnose/encoding.h"

namespace diagnose {

namespace {

// Module libraries are small; the tables of a larger file are not looked for.
constexpr std::size_t kMaxLibraryBytes = std::size_t{64} << 20;
constexpr std::size_t kMaxNames = 4096;
constexpr std::size_t kMaxNameLength = 512;

// Little-endian reads that answer 0 outside the bytes.
struct Bytes {
    std::string_view data;

    bool holds(std::size_t offset, std::size_t size) const {
        return offset <= data.size() && size <= data.size() - offset;
    }
    uint32_t u16(std::size_t offset) const {
        if (!holds(offset, 2)) return 0;
        return static_cast<uint32_t>(static_cast<unsigned char>(data[offset])) |
               static_cast<uint32_t>(static_cast<unsigned char>(data[offset + 1])) << 8;
    }
    uint32_t u32(std::size_t offset) const { return u16(offset) | u16(offset + 2) << 16; }
    std::string text(std::size_t offset) const {
        std::string text;
        while (holds(offset, 1) && data[offset] != '\0' && text.size() < kMaxNameLength) text += data[offset++];
        return text;
    }
};

struct Section {
    uint32_t address;
    uint32_t size;
    uint32_t fileOffset;
};

struct PeImage {
    Bytes bytes;
    std::vector<Section> sections;

    std::optional<std::size_t> offsetOf(uint32_t rva) const {
        for (const Section& section : sections)
            if (rva >= section.address && rva - section.address < section.size) {
                const std::size_t offset = std::size_t{section.fileOffset} + (rva - section.address);
                if (bytes.holds(offset, 1)) return offset;
            }
        return std::nullopt;
    }
    std::string textAt(uint32_t rva) const {
        const std::optional<std::size_t> offset = offsetOf(rva);
        return offset ? bytes.text(*offset) : std::string();
    }
};

void readExports(const PeImage& image, uint32_t directory, LibraryFile& library) {
    const std::optional<std::size_t> offset = image.offsetOf(directory);
    if (!offset || !image.bytes.holds(*offset, 40)) return;
    const std::string name = image.textAt(image.bytes.u32(*offset + 12));
    library.exportName.assign(name.begin(), name.end());
    const uint32_t count = image.bytes.u32(*offset + 24);
    const std::optional<std::size_t> names = image.offsetOf(image.bytes.u32(*offset + 32));
    for (uint32_t i = 0; names && i < count && i < kMaxNames; ++i)
        library.exports.push_back(image.textAt(image.bytes.u32(*names + 4 * std::size_t{i})));
}

void readImports(const PeImage& image, uint32_t directory, LibraryFile& library) {
    std::optional<std::size_t> offset = image.offsetOf(directory);
    for (std::size_t i = 0; offset && i < kMaxNames && image.bytes.holds(*offset + 20 * i, 20); ++i) {
        const std::size_t entry = *offset + 20 * i;
        const uint32_t name = image.bytes.u32(entry + 12);
        if (name == 0) break;
        library.imports.push_back(image.textAt(name));
    }
}

void examinePe(Bytes bytes, LibraryFile& library) {
    const std::size_t header = bytes.u32(0x3C);
    if (!bytes.holds(header, 24) || bytes.data.substr(header, 4) != std::string_view("PE\0\0", 4)) return;
    library.format = LibraryFormat::Pe;
    const uint32_t sectionCount = bytes.u16(header + 6);
    const uint32_t optionalSize = bytes.u16(header + 20);
    library.isLibrary = (bytes.u16(header + 22) & 0x2000) != 0;
    const std::size_t optional = header + 24;
    const uint32_t magic = bytes.u16(optional);
    library.is64Bit = magic == 0x20B;
    const std::size_t directories = optional + (library.is64Bit ? 112 : 96);
    const uint32_t directoryCount = bytes.u32(directories - 4);
    const auto directory = [&](uint32_t index) {
        const std::size_t entry = directories + 8 * std::size_t{index};
        return index < directoryCount && bytes.holds(entry, 8) ? bytes.u32(entry) : 0u;
    };
    library.isDotNet = directory(14) != 0;
    PeImage image{bytes, {}};
    const std::size_t table = optional + optionalSize;
    for (uint32_t i = 0; i < sectionCount && bytes.holds(table + 40 * std::size_t{i}, 40); ++i) {
        const std::size_t entry = table + 40 * std::size_t{i};
        const uint32_t virtualSize = bytes.u32(entry + 8);
        const uint32_t rawSize = bytes.u32(entry + 16);
        image.sections.push_back({bytes.u32(entry + 12), virtualSize > rawSize ? virtualSize : rawSize,
                                  bytes.u32(entry + 20)});
    }
    library.tablesRead = !image.sections.empty();
    if (directory(0) != 0) readExports(image, directory(0), library);
    if (directory(1) != 0) readImports(image, directory(1), library);
}

void examineElf(Bytes bytes, LibraryFile& library) {
    library.format = LibraryFormat::Elf;
    library.is64Bit = bytes.holds(4, 1) && bytes.data[4] == 2;
    library.isLibrary = bytes.u16(16) == 3;  // ET_DYN
}

}  // namespace

LibraryFile examineLibraryBytes(std::string_view data) {
    LibraryFile library;
    const Bytes bytes{data};
    if (data.substr(0, 2) == "MZ") examinePe(bytes, library);
    else if (data.substr(0, 4) == "\x7F" "ELF") examineElf(bytes, library);
    return library;
}

std::optional<LibraryFile> examineLibrary(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    // A file of no bytes is no library; and a system's file that says it has
    // none (Linux's /proc) may never end when read.
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size == 0) return std::nullopt;
    const std::string bytes = readBytes(file, kMaxLibraryBytes);
    if (bytes.empty()) return std::nullopt;
    return examineLibraryBytes(bytes);
}

}  // namespace diagnose
