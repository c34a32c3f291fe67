#include "tools/scenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "messages/messages.h"

namespace tools {

namespace {

using Words = std::vector<std::string_view>;

// One statement being read: its words, the next one to take, and the first
// thing found wrong with it.
struct Statement {
    std::string_view text;
    Words words;
    std::size_t next = 0;
    std::string error;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view withoutComment(std::string_view line) {
    return line.substr(0, line.find_first_of(";#"));
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

Words splitWords(std::string_view text, bool commasSeparate) {
    Words words;
    std::size_t i = 0;
    const auto separates = [&](char c) { return isBlank(c) || (commasSeparate && c == ','); };
    while (i < text.size()) {
        while (i < text.size() && separates(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !separates(text[i])) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

bool parseWholeNumber(std::string_view word, int32_t& value) {
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    return result.ec == std::errc() && result.ptr == word.data() + word.size() && !word.empty();
}

bool parseDecimal(std::string_view word, double& value) {
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    return result.ec == std::errc() && result.ptr == word.data() + word.size() && !word.empty() &&
           std::isfinite(value);
}

bool failed(const Statement& statement) {
    return !statement.error.empty();
}

void fail(Statement& statement, const std::string& message) {
    if (!failed(statement)) statement.error = message;
}

// "found 'x'" for the word at the reading position, or that there is none.
std::string whatIsFound(const Statement& statement) {
    if (statement.next >= statement.words.size()) return messages::tr("but the line ends there");
    return messages::trf("found '{1}'", {statement.words[statement.next]});
}

bool atEnd(const Statement& statement) {
    return statement.next >= statement.words.size();
}

// The word at the reading position, empty at the end of the line.
std::string_view peekWord(const Statement& statement) {
    return atEnd(statement) ? std::string_view() : statement.words[statement.next];
}

std::string_view takeWord(Statement& statement) {
    const std::string_view word = peekWord(statement);
    if (!atEnd(statement)) ++statement.next;
    return word;
}

void expectWord(Statement& statement, std::string_view word, const std::string& context) {
    if (failed(statement)) return;
    if (atEnd(statement) || statement.words[statement.next] != word) {
        fail(statement, messages::trf("expected '{1}' {2}, {3}", {word, context, whatIsFound(statement)}));
        return;
    }
    ++statement.next;
}

int32_t takeWholeNumber(Statement& statement, const std::string& what, int32_t lowest, int32_t highest) {
    if (failed(statement)) return 0;
    int32_t value = 0;
    if (atEnd(statement) || !parseWholeNumber(statement.words[statement.next], value) || value < lowest ||
        value > highest) {
        fail(statement, messages::trf("expected {1}, {2}", {what, whatIsFound(statement)}));
        return 0;
    }
    ++statement.next;
    return value;
}

double takeDecimal(Statement& statement, const std::string& what) {
    if (failed(statement)) return 0;
    double value = 0;
    if (atEnd(statement) || !parseDecimal(statement.words[statement.next], value)) {
        fail(statement, messages::trf("expected {1}, {2}", {what, whatIsFound(statement)}));
        return 0;
    }
    ++statement.next;
    return value;
}

float takeFloat(Statement& statement, const std::string& what) {
    const double value = takeDecimal(statement, what);
    if (std::fabs(value) > std::numeric_limits<float>::max()) {
        --statement.next;
        fail(statement, messages::trf("expected {1} within the range of a float, {2}", {what, whatIsFound(statement)}));
    }
    return static_cast<float>(value);
}

int64_t secondsToMs(double seconds) {
    return std::llround(seconds * 1000.0);
}

void readKey(Statement& statement, ScenarioEvent& event) {
    const std::string_view how = peekWord(statement);
    if (how == "down") {
        event.action = Action::KeyDown;
    } else if (how == "up") {
        event.action = Action::KeyUp;
    } else if (how == "press") {
        event.action = Action::KeyPress;
    } else {
        fail(statement, messages::trf("expected 'down', 'up' or 'press' after 'key', {1}", {whatIsFound(statement)}));
        return;
    }
    ++statement.next;
    event.value = takeWholeNumber(statement, messages::tr("a key number from 0 to 15"), 0, 15);
}

void readDoors(Statement& statement, ScenarioEvent& event) {
    const std::string_view how = peekWord(statement);
    if (how == "open") {
        event.action = Action::DoorsOpen;
    } else if (how == "close") {
        event.action = Action::DoorsClose;
    } else {
        fail(statement, messages::trf("expected 'open' or 'close' after 'doors', {1}", {whatIsFound(statement)}));
        return;
    }
    ++statement.next;
}

void readBeacon(Statement& statement, ScenarioEvent& event) {
    event.action = Action::Beacon;
    event.beacon.type =
        takeWholeNumber(statement, messages::tr("the beacon type (a whole number)"), INT32_MIN, INT32_MAX);
    event.beacon.signal =
        takeWholeNumber(statement, messages::tr("the signal aspect (a whole number)"), INT32_MIN, INT32_MAX);
    event.beacon.distance = takeFloat(statement, messages::tr("the distance to the signal in metres"));
    if (!failed(statement) && !atEnd(statement))
        event.beacon.optional = takeWholeNumber(statement, messages::tr("the beacon's optional data (a whole number)"),
                                                INT32_MIN, INT32_MAX);
}

const char* inputName(Input input) {
    switch (input) {
        case Input::Speed: return "speed";
        case Input::Current: return "current";
        case Input::BcPressure: return "bc";
        case Input::MrPressure: return "mr";
    }
    return "";
}

void readInput(Statement& statement, Input input, ScenarioEvent& event) {
    event.input = input;
    const std::string name = inputName(input);
    if (!atEnd(statement) && statement.words[statement.next] == "model") {
        if (input == Input::MrPressure) {
            fail(statement, messages::tr("the main-reservoir pressure has no model: expected a value in kPa after 'mr'"));
            return;
        }
        ++statement.next;
        event.action = Action::ModelInput;
        return;
    }
    const bool hasModel = input != Input::MrPressure;
    event.target = takeFloat(statement, hasModel ? messages::trf("a value or 'model' after '{1}'", {name})
                                                 : messages::trf("a value after '{1}'", {name}));
    event.action = Action::SetInput;
    if (failed(statement) || atEnd(statement)) return;
    expectWord(statement, "over", messages::tr("after the value (a ramp: VALUE over SECONDS)"));
    const double seconds = takeDecimal(statement, messages::tr("the length of the ramp in seconds after 'over'"));
    if (failed(statement)) return;
    if (seconds <= 0 || seconds * 1000 > static_cast<double>(kMaxScenarioMs)) {
        --statement.next;
        fail(statement,
             messages::trf("expected a ramp length above 0 s and at most one day, {1}", {whatIsFound(statement)}));
        return;
    }
    event.action = Action::RampInput;
    event.rampMs = std::max<int64_t>(1, secondsToMs(seconds));
}

void readNote(Statement& statement, ScenarioEvent& event) {
    event.action = Action::Note;
    const std::string_view noteWord = statement.words[statement.next - 1];
    const std::size_t after = static_cast<std::size_t>(noteWord.data() + noteWord.size() - statement.text.data());
    event.text = std::string(trimmed(statement.text.substr(after)));
    if (event.text.empty()) fail(statement, messages::tr("expected the text of the note after 'note'"));
    statement.next = statement.words.size();
}

void readAction(Statement& statement, ScenarioEvent& event) {
    if (atEnd(statement)) {
        fail(statement, messages::tr("expected an action after the time (power, brake, reverser, key, doors, horn, "
                                     "signal, beacon, speed, current, bc, mr, needles, note or end)"));
        return;
    }
    const std::string_view action = takeWord(statement);
    if (action == "power") {
        event.action = Action::Power;
        event.value = takeWholeNumber(statement, messages::tr("a power notch (a whole number, 0 or more) after 'power'"),
                                      0, INT32_MAX);
    } else if (action == "brake") {
        event.action = Action::Brake;
        event.value = takeWholeNumber(statement, messages::tr("a brake notch (a whole number, 0 or more) after 'brake'"),
                                      0, INT32_MAX);
    } else if (action == "reverser") {
        event.action = Action::Reverser;
        event.value = takeWholeNumber(statement, messages::tr("a reverser position (-1, 0 or 1) after 'reverser'"), -1, 1);
    } else if (action == "key") {
        readKey(statement, event);
    } else if (action == "doors") {
        readDoors(statement, event);
    } else if (action == "horn") {
        event.action = Action::Horn;
        event.value =
            takeWholeNumber(statement, messages::tr("a horn type (a whole number) after 'horn'"), INT32_MIN, INT32_MAX);
    } else if (action == "signal") {
        event.action = Action::Signal;
        event.value = takeWholeNumber(statement, messages::tr("a signal aspect (a whole number) after 'signal'"),
                                      INT32_MIN, INT32_MAX);
    } else if (action == "beacon") {
        readBeacon(statement, event);
    } else if (action == "speed") {
        readInput(statement, Input::Speed, event);
    } else if (action == "current") {
        readInput(statement, Input::Current, event);
    } else if (action == "bc") {
        readInput(statement, Input::BcPressure, event);
    } else if (action == "mr") {
        readInput(statement, Input::MrPressure, event);
    } else if (action == "needles") {
        event.action = Action::Needles;
    } else if (action == "note") {
        readNote(statement, event);
    } else if (action == "end") {
        event.action = Action::End;
    } else {
        --statement.next;
        fail(statement, messages::trf("unknown action '{1}'; expected power, brake, reverser, key, doors, horn, "
                                      "signal, beacon, speed, current, bc, mr, needles, note or end",
                                      {action}));
    }
}

// Words `from` up to `to`, joined by single blanks.
std::string joinWords(const Words& words, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        if (!text.empty()) text += ' ';
        text += words[i];
    }
    return text;
}

class ScenarioReader {
public:
    explicit ScenarioReader(const std::string& fileName) { parsed_.scenario.name = fileName; }

    // Reads one line; false once an error has been found.
    bool readLine(std::string_view line, int lineNumber) {
        Statement statement;
        statement.text = trimmed(withoutComment(line));
        statement.words = splitWords(statement.text, false);
        if (statement.words.empty()) return true;
        const std::string_view keyword = takeWord(statement);
        if (keyword == "at") {
            readEvent(statement, lineNumber);
        } else if (keyword == "spec") {
            const std::string problem =
                applySpecAssignments(statement.text.substr(keyword.size()), parsed_.scenario.spec);
            if (!problem.empty()) fail(statement, problem);
            statement.next = statement.words.size();
        } else if (keyword == "initialize") {
            parsed_.scenario.initializeArgument =
                takeWholeNumber(statement, messages::tr("the argument of Initialize (a whole number)"), INT32_MIN,
                                INT32_MAX);
        } else {
            --statement.next;
            fail(statement, messages::trf("expected 'at TIME ACTION', 'spec NAME=VALUE ...' or 'initialize N', {1}",
                                          {whatIsFound(statement)}));
        }
        if (!failed(statement) && !atEnd(statement))
            fail(statement, messages::trf("unexpected '{1}' after '{2}'", {statement.words[statement.next],
                                                                          joinWords(statement.words, 0, statement.next)}));
        if (failed(statement)) parsed_.error = ScenarioError{parsed_.scenario.name, lineNumber, statement.error};
        return !failed(statement);
    }

    ParsedScenario finish() {
        Scenario& scenario = parsed_.scenario;
        if (!parsed_.error && scenario.events.empty())
            parsed_.error =
                ScenarioError{scenario.name, 0, messages::tr("no events: expected at least one line 'at TIME ACTION'")};
        if (parsed_.error) return std::move(parsed_);
        scenario.endMs = endLine_ != 0 ? scenario.events.back().timeMs
                                       : std::min(scenario.events.back().timeMs + 1000, kMaxScenarioMs);
        return std::move(parsed_);
    }

private:
    void readEvent(Statement& statement, int lineNumber) {
        ScenarioEvent event;
        event.timeMs = readTime(statement);
        if (failed(statement)) return;
        const std::size_t actionStart = statement.next;
        readAction(statement, event);
        if (failed(statement)) return;
        if (endLine_ != 0) {
            fail(statement, messages::trf("the scenario already ended at line {1}: expected no event after 'end'",
                                          {std::to_string(endLine_)}));
            return;
        }
        if (event.action == Action::End) endLine_ = lineNumber;
        event.statement = joinWords(statement.words, actionStart, statement.words.size());
        lastTimeMs_ = event.timeMs;
        lastLine_ = lineNumber;
        parsed_.scenario.events.push_back(std::move(event));
    }

    int64_t readTime(Statement& statement) {
        std::string_view word = peekWord(statement);
        const bool relative = !word.empty() && word.front() == '+';
        if (relative) word.remove_prefix(1);
        double seconds = 0;
        if (!parseDecimal(word, seconds) || seconds < 0 || seconds * 1000 > static_cast<double>(kMaxScenarioMs)) {
            fail(statement, messages::trf("expected a time in seconds after 'at' (like 12.5, or +0.5 after the event "
                                          "before), {1}",
                                          {whatIsFound(statement)}));
            return 0;
        }
        ++statement.next;
        const int64_t timeMs = (relative ? lastTimeMs_ : 0) + secondsToMs(seconds);
        if (timeMs > kMaxScenarioMs) {
            fail(statement, messages::tr("the time is past the longest scenario (one day)"));
        } else if (timeMs < lastTimeMs_) {
            fail(statement, messages::trf("events must be in time order: {1} is earlier than {2} of the event at line {3}",
                                          {formatSeconds(timeMs), formatSeconds(lastTimeMs_), std::to_string(lastLine_)}));
        }
        return timeMs;
    }

    static std::string formatSeconds(int64_t ms) {
        std::ostringstream text;
        text << static_cast<double>(ms) / 1000.0 << " s";
        return text.str();
    }

    ParsedScenario parsed_;
    int64_t lastTimeMs_ = 0;
    int lastLine_ = 0;
    int endLine_ = 0;
};

}  // namespace

std::string applySpecAssignments(std::string_view words, VehicleSpec& spec) {
    static const char* const names[5] = {"brakeNotches", "powerNotches", "atsNotch", "b67Notch", "cars"};
    int32_t* const fields[5] = {&spec.brakeNotches, &spec.powerNotches, &spec.atsNotch, &spec.b67Notch, &spec.cars};
    const Words assignments = splitWords(words, true);
    if (assignments.empty())
        return messages::tr("expected NAME=VALUE after 'spec' (brakeNotches, powerNotches, atsNotch, b67Notch, cars)");
    for (const std::string_view assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        const std::string_view name = assignment.substr(0, equals);
        std::size_t field = 0;
        while (field < 5 && name != names[field]) ++field;
        if (equals == std::string_view::npos || field == 5)
            return messages::trf("expected NAME=VALUE with NAME one of brakeNotches, powerNotches, atsNotch, "
                                 "b67Notch, cars, found '{1}'",
                                 {assignment});
        int32_t value = 0;
        if (!parseWholeNumber(assignment.substr(equals + 1), value) || value < 0)
            return messages::trf("expected a whole number, 0 or more, after '{1}=', found '{2}'",
                                 {name, assignment.substr(equals + 1)});
        *fields[field] = value;
    }
    return {};
}

ParsedScenario parseScenario(std::string_view text, const std::string& fileName) {
    ScenarioReader reader(fileName);
    int lineNumber = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (!reader.readLine(text.substr(start, end - start), ++lineNumber)) break;
        start = end + 1;
    }
    return reader.finish();
}

ParsedScenario readScenarioFile(const std::filesystem::path& path) {
    const std::string name = path.filename().u8string();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        ParsedScenario parsed;
        parsed.error = ScenarioError{path.u8string(), 0, messages::tr("no such scenario file")};
        return parsed;
    }
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        ParsedScenario parsed;
        parsed.error = ScenarioError{path.u8string(), 0, messages::tr("the scenario file could not be read")};
        return parsed;
    }
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    return parseScenario(text, name);
}

std::string describeError(const ScenarioError& error) {
    std::string text = error.file;
    if (error.line > 0) text += ":" + std::to_string(error.line);
    return text + ": " + error.message;
}

}  // namespace tools
