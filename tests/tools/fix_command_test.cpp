// cabhost fix on whole vehicles: a broken corpus vehicle laid over the sample
// vehicle comes out as one that checks clean and loads what the author
// meant, and a second run changes nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#include "config/text.h"
#include "plugin/plugin.h"
#include "report/vehicle_report.h"
#include "support/test_folder.h"
#include "tools/check.h"
#include "tools/fix_command.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TestFolder;

// Every file under the folder with its bytes.
std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream stream(entry.path(), std::ios::binary);
        contents[entry.path().lexically_relative(folder).generic_u8string()] =
            std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    }
    return contents;
}

// Whether a file of that name, in any letter case, is anywhere under `folder`.
bool holdsAnywhere(const fs::path& folder, const fs::path& name) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (config::equalsIgnoreCase(entry.path().filename().u16string(), name.u16string())) return true;
    return false;
}

// A whole vehicle from a corpus case: its files, with the plug-in library,
// and each file of the sample vehicle that the case names nowhere (the
// sample's module list with the detail module it names); then `intended`
// laid over it. A file the case holds elsewhere is left out, as the sample's
// copy would stand where the case's mistake is.
void layOut(const fs::path& source, const TestFolder& folder, bool intended) {
    const fs::copy_options over = fs::copy_options::recursive | fs::copy_options::overwrite_existing;
    fs::copy(source, folder.path(), over);
    fs::remove(folder.path() / "expected.txt");
    fs::remove_all(folder.path() / "intended");
    const fs::path sample = testing_support::sampleVehicleFolder();
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sample)) {
        const fs::path relative = entry.path().lexically_relative(sample);
        if (!entry.is_regular_file() || holdsAnywhere(source, relative.filename())) continue;
        fs::create_directories((folder.path() / relative).parent_path());
        fs::copy_file(entry.path(), folder.path() / relative);
        if (relative == "detailmodulesx64.txt")
            fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_EXAMPLE_MODULE_FILE,
                          folder.path() / "example_module.dll");
    }
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
    if (intended) fs::copy(source / "intended", folder.path(), over);
}

bool mentions(const fs::path& file, const std::string& word) {
    std::ifstream stream(file);
    const std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    return text.find(word) != std::string::npos;
}

struct Checked {
    int status = 0;
    std::string text;
};

Checked check(const TestFolder& folder) {
    tools::CheckOptions options;
    options.vehicle = folder.path();
    options.strict = true;
    std::ostringstream out;
    std::ostringstream err;
    const int status = tools::checkVehicle(options, out, err);
    return {status, out.str()};
}

int fix(const TestFolder& folder, std::string* text = nullptr) {
    tools::CheckOptions options;
    options.vehicle = folder.path();
    std::ostringstream out;
    std::ostringstream err;
    const int status = tools::fixVehicle(options, out, err);
    if (text) *text = out.str() + err.str();
    return status;
}

// What the plug-in loads, with the folder's own path and the file lines of
// the points left out: a repair may keep a line as a comment where the
// author deleted it.
std::string loaded(const TestFolder& folder) {
    plugin::Plugin plugin;
    plugin.directory = folder.directory();
    plugin::load(plugin);
    std::string json = report::vehicleReportJson(plugin, {});
    plugin::dispose(plugin);
    // The folder as JSON writes it: Windows' backslashes are escaped.
    std::string path;
    for (const char c : folder.path().u8string()) path += c == '\\' ? std::string("\\\\") : std::string(1, c);
    for (std::size_t at = json.find(path); at != std::string::npos; at = json.find(path, at))
        json.replace(at, path.size(), "VEHICLE");
    static const std::regex pointLine(R"(\[([^\[\],]+),([^\[\],]+),\d+\])");
    return std::regex_replace(json, pointLine, "[$1,$2]");
}

// Where file names ignore letter case, two loads that differ only in the
// case of a path read the same files.
std::string comparable(std::string loadedJson, bool namesIgnoreCase) {
    if (namesIgnoreCase)
        for (char& c : loadedJson) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return loadedJson;
}

TEST(FixCommand, ABrokenCorpusVehicleComesOutCheckingCleanWithTheIntendedValues) {
    TestFolder probe(u"case");
    probe.write("a.txt", "");
    const bool namesIgnoreCase = fs::exists(probe.path() / "A.TXT");
    int proven = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path("test-data/diagnose-corpus"))) {
        // A case with findings left to the author is repaired only in part.
        if (!fs::is_directory(entry.path() / "intended") || mentions(entry.path() / "expected.txt", "@by-hand"))
            continue;
        SCOPED_TRACE(entry.path().filename().u8string());
        TestFolder intended(u"intended");
        layOut(entry.path(), intended, true);
        // Only where the author's intended vehicle is itself clean.
        if (check(intended).status != 0) continue;
        ++proven;
        TestFolder folder(u"broken");
        layOut(entry.path(), folder, false);
        std::string told;
        EXPECT_EQ(fix(folder, &told), 0) << told;
        const Checked after = check(folder);
        EXPECT_EQ(after.status, 0) << told << after.text;
        EXPECT_EQ(comparable(loaded(folder), namesIgnoreCase), comparable(loaded(intended), namesIgnoreCase)) << told;

        const std::map<std::string, std::string> once = contentsOf(folder.path());
        fix(folder, &told);
        EXPECT_EQ(contentsOf(folder.path()), once) << told;
        EXPECT_NE(told.find("Nothing here can be repaired for certain."), std::string::npos) << told;
    }
    EXPECT_GE(proven, 50) << "too few corpus vehicles were repaired and compared";
}

// The braking parameter line padded with empty fields also makes the curve
// file look short of columns; that finding has no repair of its own, and is
// gone once the line is repaired: it is not left to do by hand.
TEST(FixCommand, LeavesToTheAuthorOnlyWhatTheCheckAfterTheRepairsStillFinds) {
    const fs::path source = fs::u8path("test-data/diagnose-corpus/notch-brake-steps-with-empty-fields");
    TestFolder folder(u"broken");
    layOut(source, folder, false);
    const Checked before = check(folder);
    ASSERT_NE(before.text.find("brake_current.csv:1"), std::string::npos) << before.text;
    std::string told;
    EXPECT_EQ(fix(folder, &told), 0) << told;
    EXPECT_EQ(told.find("Left to do by hand"), std::string::npos) << told;
    EXPECT_NE(told.find("Check after the repairs: Load completed, 0 warnings"), std::string::npos) << told;
}

TEST(FixCommand, ChangesNothingItCannotProveAndSaysWhatIsLeft) {
    TestFolder folder(u"車両");
    testing_support::copyFolder(testing_support::sampleVehicleFolder(), folder);
    folder.write("NeedleTable/Speed.csv", "speed,needle\n0,0\n40,forty\n");
    const std::map<std::string, std::string> before = contentsOf(folder.path());
    std::string told;
    EXPECT_EQ(fix(folder, &told), 1);  // Load still stops at the table
    EXPECT_EQ(contentsOf(folder.path()), before);
    EXPECT_FALSE(fs::exists(folder.path() / "cabhost-backup"));
    EXPECT_NE(told.find("Left to do by hand"), std::string::npos) << told;
    EXPECT_NE(told.find("Speed.csv:3"), std::string::npos) << told;
    EXPECT_NE(told.find("Check after the repairs: Load stopped by an error"), std::string::npos) << told;

    tools::CheckOptions missing;
    missing.vehicle = folder.path() / "gone";
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(tools::fixVehicle(missing, out, err), 1);
    EXPECT_NE(err.str().find("no such file or folder"), std::string::npos);
}

}  // namespace
