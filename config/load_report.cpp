#include "config/load_report.h"

#include <new>
#include <stdexcept>

namespace config {

void recordFailure(LoadReport& report, const std::exception& error) {
    LoadFailure failure{report.currentFile, report.currentLine, "error", error.what()};
    if (const auto* fileSystem = dynamic_cast<const std::filesystem::filesystem_error*>(&error)) {
        failure.file = fileSystem->path1();
        failure.line = 0;
        failure.kind = "file system";
    } else if (dynamic_cast<const std::invalid_argument*>(&error) != nullptr) {
        failure.kind = "invalid argument";
    } else if (dynamic_cast<const std::out_of_range*>(&error) != nullptr) {
        failure.kind = "out of range";
    } else if (dynamic_cast<const std::length_error*>(&error) != nullptr) {
        failure.kind = "too long";
    } else if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
        failure.kind = "out of memory";
    }
    report.failure = std::move(failure);
}

void recordUnknownFailure(LoadReport& report) {
    report.failure = LoadFailure{report.currentFile, report.currentLine, "error", "unknown error"};
}

std::string describeFailure(const LoadFailure& failure) {
    std::string text = failure.file.u8string();
    if (failure.line > 0) text += ":" + std::to_string(failure.line);
    return text + ": " + failure.kind + ": " + failure.message;
}

}  // namespace config
