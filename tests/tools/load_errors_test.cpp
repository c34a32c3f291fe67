#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#include "config/load_report.h"
#include "config/text.h"
#include "load_errors/load_errors.h"
#include "messages/messages.h"

namespace {

config::LoadFailure failureOf(const std::exception& error) {
    config::LoadReport report;
    report.currentFile = "NeedleTable/Speed.csv";
    report.currentLine = 3;
    config::recordFailure(report, error);
    return *report.failure;
}

// The errors the plug-in's readers raise, as the load report records them.
std::vector<config::LoadFailure> readerFailures() {
    std::vector<config::LoadFailure> failures;
    for (const char16_t* number : {u"", u"forty", u"1e999"}) {
        try {
            config::toFloat(number);
        } catch (const std::exception& error) {
            failures.push_back(failureOf(error));
        }
        try {
            config::toInt(number);
        } catch (const std::exception& error) {
            failures.push_back(failureOf(error));
        }
    }
    try {
        config::fieldAt(config::Fields{}, 1);
    } catch (const std::exception& error) {
        failures.push_back(failureOf(error));
    }
    failures.push_back(failureOf(std::length_error("line longer than 16777216 bytes")));
    failures.push_back(failureOf(std::filesystem::filesystem_error(
        "status", "NeedleTable", std::make_error_code(std::errc::permission_denied))));
    failures.push_back(failureOf(std::bad_alloc()));
    return failures;
}

TEST(LoadErrors, EveryKindTheReadersRaiseHasTheAuthorsWords) {
    const auto failures = readerFailures();
    ASSERT_GE(failures.size(), 8u) << "a reader stopped raising an error";
    for (const auto language : {messages::Language::English, messages::Language::Japanese}) {
        messages::setLanguage(language);
        for (const config::LoadFailure& failure : failures) {
            EXPECT_TRUE(load_errors::hasWordsFor(failure)) << failure.kind << ": " << failure.message;
            const std::string text = load_errors::loadErrorText(failure);
            // No text of the standard library reaches the author.
            for (const char* library : {"stof", "stoi", "vector", "subscript", "bad_alloc", "status"})
                EXPECT_EQ(text.find(library), std::string::npos) << text;
        }
    }
    messages::setLanguage(messages::Language::English);
}

TEST(LoadErrors, ANumberTooLargeAndAMissingFieldAreToldApart) {
    const auto failures = readerFailures();
    const auto textOf = [&](const char* message) {
        for (const config::LoadFailure& failure : failures)
            if (failure.message == message) return load_errors::loadErrorText(failure);
        return std::string();
    };
    EXPECT_NE(textOf("invalid vector subscript").find("missing"), std::string::npos);
    EXPECT_NE(textOf("stof argument out of range").find("too large"), std::string::npos);
}

// An error of no standard kind (a detail module of the wrong interface
// version) is told by its own message.
TEST(LoadErrors, AnyOtherErrorKeepsItsOwnMessage) {
    const config::LoadFailure failure = failureOf(std::runtime_error("modules/ats.dll: wrong version"));
    EXPECT_FALSE(load_errors::hasWordsFor(failure));
    EXPECT_NE(load_errors::loadErrorText(failure).find("modules/ats.dll: wrong version"), std::string::npos);
}

}  // namespace
