// What was read checked against what makes sense: the number forms an author
// writes, and correct but unusual vehicles that must draw no warning. (The
// edits are proven over the whole corpus by the corpus test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "diagnose/diagnose.h"
#include "diagnose/numbers.h"
#include "panel/outputs.h"
#include "plugin/plugin.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using diagnose::Finding;
using diagnose::Severity;
using testing_support::TestFolder;

const fs::path kCorpus = fs::u8path("test-data/diagnose-corpus");

struct Loaded {
    explicit Loaded(const TestFolder& folder) {
        plugin.directory = folder.directory();
        plugin::load(plugin);
        findings = diagnose::diagnoseVehicle(plugin);
    }
    ~Loaded() { plugin::dispose(plugin); }
    plugin::Plugin plugin;
    std::vector<Finding> findings;
};

// Copies the case (its intended/ overlaid when `intended`), without the
// files that only the tests read.
void copyCase(const std::string& name, const TestFolder& folder, bool intended) {
    testing_support::copyFolder(kCorpus / fs::u8path(name), folder);
    fs::remove(folder.path() / "expected.txt");
    fs::remove_all(folder.path() / "intended");
    if (intended) testing_support::copyFolder(kCorpus / fs::u8path(name) / "intended", folder);
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
}

std::size_t problems(const std::vector<Finding>& findings) {
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(),
                                                  [](const Finding& f) { return f.severity != Severity::Note; }));
}

TEST(ContentFixes, ANumberThatCouldBeReadTwoWaysGetsNoEdit) {
    TestFolder broken(u"broken");
    copyCase("quoted-comma-either-way", broken, false);
    const Loaded loaded(broken);
    ASSERT_EQ(problems(loaded.findings), 1u);
    EXPECT_TRUE(loaded.findings.front().fixes.empty());
    EXPECT_NE(loaded.findings.front().message.find("`1200`"), std::string::npos);
    EXPECT_NE(loaded.findings.front().message.find("`1.200`"), std::string::npos);
}

TEST(CommaNumbers, ReadOneWayOnlyWhenTheFormLeavesNoDoubt) {
    using diagnose::readCommaNumber;
    EXPECT_EQ(readCommaNumber(u"121,5").meant, u"121.5");
    EXPECT_EQ(readCommaNumber(u"0,300").meant, u"0.300");      // a leading 0 groups nothing
    EXPECT_EQ(readCommaNumber(u"1300,5").meant, u"1300.5");    // a first group of four digits
    EXPECT_EQ(readCommaNumber(u"1,234,567").meant, u"1234567");
    EXPECT_EQ(readCommaNumber(u"1,300.5").meant, u"1300.5");
    EXPECT_EQ(readCommaNumber(u"1.300,5").meant, u"1300.5");
    EXPECT_EQ(readCommaNumber(u"-2,5").meant, u"-2.5");
    EXPECT_TRUE(readCommaNumber(u"1,300").meant.empty());
    EXPECT_EQ(readCommaNumber(u"1,300", true, false).meant, u"1300");
    EXPECT_EQ(readCommaNumber(u"1,300", false, true).meant, u"1.300");
    EXPECT_TRUE(readCommaNumber(u"1,2,3").meant.empty());
    EXPECT_FALSE(readCommaNumber(u"12").isCommaNumber);
    EXPECT_FALSE(readCommaNumber(u"a,5").isCommaNumber);
}

TEST(CommaNumbers, FullWidthDigitsAndSignsWrittenInAscii) {
    EXPECT_EQ(diagnose::asciiDigits(u"\uFF11\uFF12\uFF0E\uFF15"), u"12.5");
    EXPECT_EQ(diagnose::asciiDigits(u"\u30FC\uFF15"), u"-5");  // a long vowel mark typed for the minus
    EXPECT_EQ(diagnose::asciiDigits(u"\u2212" u"5"), u"-5");
    EXPECT_FALSE(diagnose::asciiDigits(u"125").has_value());
}


// A case's built-modules.txt names, one a line, a module library of the
// build and where the vehicle holds it ("chain_module modules/ats/ats.dll"),
// so that its modules really load on the system the test runs on. Returns
// how many were placed.
std::size_t placeBuiltModules(const fs::path& source, const TestFolder& folder) {
    std::ifstream list(source / "built-modules.txt");
    std::size_t placed = 0;
    std::string target;
    std::string place;
    while (list >> target >> place) {
        const fs::path file = folder.path() / fs::u8path(place);
        fs::create_directories(file.parent_path());
        fs::copy_file(testing_support::buildOutputFolder() / (target + ORVALIS_MODULE_SUFFIX), file);
        ++placed;
    }
    fs::remove(folder.path() / "built-modules.txt");
    return placed;
}

// Correct vehicles written in the many ways authors do: each must load
// without an error and be diagnosed without an error or a warning.
TEST(CorrectVehicles, GetNoErrorAndNoWarning) {
    std::vector<fs::path> cases;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path("test-data/diagnose-correct")))
        if (entry.is_directory()) cases.push_back(entry.path());
    EXPECT_GE(cases.size(), 8u);
    for (const fs::path& source : cases) {
        SCOPED_TRACE(source.filename().u8string());
        TestFolder folder(source.filename().u16string());
        testing_support::copyFolder(source, folder);
        const std::size_t modules = placeBuiltModules(source, folder);
        fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
        const Loaded loaded(folder);
        if (modules > 0) {
            EXPECT_EQ(loaded.plugin.chain.modules.size(), modules);
        }
        EXPECT_FALSE(loaded.plugin.report.failure.has_value());
        EXPECT_FALSE(loaded.plugin.notch.powerCurrentCurves.empty());
        for (const Finding& finding : loaded.findings)
            EXPECT_EQ(finding.severity, Severity::Note) << diagnose::describe(finding, folder.path());
    }
}

std::vector<Finding> diagnosedNeedleTable(const TestFolder& folder, const std::string& name, const std::string& bytes) {
    folder.write("NeedleTable/" + name, bytes);
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
    const Loaded loaded(folder);
    return loaded.findings;
}

TEST(ContentChecks, WhatThePluginReadsAsMeantDrawsNoWarning) {
    for (const char* table : {"speed,needle\r\n0,0\r\n120km/h,120\r",  // the column's own unit; a last lone CR joins nothing
                              "speed,needle\n0,0\n60,60\n120,120.5 ; 目盛り\n"}) {
        SCOPED_TRACE(table);
        TestFolder folder(u"meant");
        EXPECT_EQ(problems(diagnosedNeedleTable(folder, "Speed.csv", table)), 0u);
    }
}

TEST(ContentChecks, AUnitOfAnotherScaleIsConvertedInItsEdit) {
    TestFolder folder(u"scale");
    const std::vector<Finding> findings = diagnosedNeedleTable(folder, "Pressure.csv", "kPa,needle\n0,0\n0.5MPa,500\n");
    ASSERT_EQ(problems(findings), 1u);
    ASSERT_EQ(findings.front().fixes.size(), 1u);
    EXPECT_EQ(findings.front().fixes.front().replacement, "500");
    EXPECT_EQ(findings.front().fixes.front().firstColumn, 1);
    EXPECT_EQ(findings.front().fixes.front().endColumn, 7);
}

TEST(ContentChecks, AQuotedNumberInAColumnNotReadShiftsTheRowWithoutStoppingTheStartUp) {
    TestFolder folder(u"quoted");
    folder.write("notch/notch.txt", "[Power]\nParams = p.txt\nCurrent = c.csv\n");
    folder.write("notch/p.txt", "RequiredNotch_Up, 1, 1\n");
    folder.write("notch/c.csv", "speed,s1,s2,s3\n0,100,200,\"1,300\"\n");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
    const Loaded loaded(folder);
    EXPECT_FALSE(loaded.plugin.report.failure.has_value());
    ASSERT_EQ(problems(loaded.findings), 1u);
    EXPECT_EQ(loaded.findings.front().severity, Severity::Warning);
    EXPECT_TRUE(loaded.findings.front().fixes.empty());  // 1300 or 1.300: nothing in the file says which
}

// ---------------------------------------------------------------------------
// The order of the steps: each step's curve at or above the one before it

// A vehicle with only a powering side: RequiredNotch_Up `notches` and the
// curve file `curves`; or, with `braking`, only a braking side of as many
// steps as the curve file has columns.
std::vector<Finding> diagnosedCurves(const TestFolder& folder, const std::string& curves, bool braking = false,
                                     const std::string& notches = "1, 1, 2") {
    if (braking) {
        folder.write("notch/notch.txt", "[Brake]\nParams = b.txt\nCurrent = c.csv\n");
        std::string steps = "RequiredNotch_Up";
        const std::string header = curves.substr(0, curves.find('\n'));
        for (std::size_t i = 1; i <= static_cast<std::size_t>(std::count(header.begin(), header.end(), ',')); ++i)
            steps += ", " + std::to_string(i);
        folder.write("notch/b.txt", steps + "\n");
    } else {
        folder.write("notch/notch.txt", "[Power]\nParams = p.txt\nCurrent = c.csv\n");
        folder.write("notch/p.txt", "RequiredNotch_Up, " + notches + "\n");
    }
    folder.write("notch/c.csv", curves);
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
    const Loaded loaded(folder);
    return loaded.findings;
}

std::vector<const Finding*> orderFindings(const std::vector<Finding>& findings) {
    std::vector<const Finding*> order;
    for (const Finding& finding : findings)
        if (finding.message.find("lies below the curve of") != std::string::npos) order.push_back(&finding);
    return order;
}

TEST(StepOrder, EqualCurvesCurvesThatCrossAndRoundingAreInOrder) {
    for (const char* curves : {"speed,s1,s2,s3\n0,100,100,100\n100,50,50,50\n",   // a step that adds nothing
                               "speed,s1,s2,s3\n0,100,200,180\n100,50,60,90\n",   // step 3 crosses step 2
                               "speed,s1,s2,s3\n0,100,200,199.6\n100,50,60,59.5\n",  // short by rounding
                               "speed,s1,s2,s3\n0,0,0,0\n10,0,0,50\n120,40,80,120\n"}) {  // equal at standstill
        SCOPED_TRACE(curves);
        TestFolder folder(u"order");
        EXPECT_EQ(problems(diagnosedCurves(folder, curves)), 0u);
    }
}

TEST(StepOrder, OnlyTheStepsThePluginReadsAreCompared) {
    // RequiredNotch_Up 1, 1, 1, 2, 3 reads steps 4 and 5 only: steps 1 and 2 traded say nothing.
    TestFolder folder(u"order");
    EXPECT_EQ(problems(diagnosedCurves(folder, "speed,s1,s2,s3,s4,s5\n0,200,100,300,400,500\n100,90,50,150,200,250\n",
                                       false, "1, 1, 1, 2, 3")),
              0u);
    TestFolder traded(u"order");
    const std::vector<Finding> findings = diagnosedCurves(
        traded, "speed,s1,s2,s3,s4,s5\n0,100,200,300,500,400\n100,50,90,150,250,200\n", false, "1, 1, 1, 2, 3");
    ASSERT_EQ(orderFindings(findings).size(), 1u);
    EXPECT_NE(orderFindings(findings).front()->message.find("step 5"), std::string::npos);
}

TEST(StepOrder, BrakingCurvesWrittenNegativeAreComparedByTheirSize) {
    TestFolder rising(u"order");
    EXPECT_TRUE(orderFindings(diagnosedCurves(rising, "speed,b1,b2,b3\n0,-10,-20,-30\n100,-60,-120,-180\n", true))
                    .empty());
    TestFolder falling(u"order");
    const std::vector<Finding> findings =
        diagnosedCurves(falling, "speed,b1,b2,b3\n0,-10,-30,-20\n100,-60,-180,-120\n", true);
    ASSERT_EQ(orderFindings(findings).size(), 1u);
    EXPECT_NE(orderFindings(findings).front()->message.find("braking step 3"), std::string::npos);
    EXPECT_EQ(orderFindings(findings).front()->fixes.size(), 2u);  // steps 2 and 3 traded back in both rows
}

TEST(StepOrder, AStepWithoutCurrentIsLeftOutOfTheOrder) {
    // The last braking step brakes by air alone; the steps around it are still compared.
    TestFolder air(u"order");
    EXPECT_EQ(problems(diagnosedCurves(air, "speed,b1,b2,b3\n0,0,0,0\n100,60,120,0\n", true)), 0u);
    TestFolder between(u"order");
    const std::vector<Finding> findings =
        diagnosedCurves(between, "speed,b1,b2,b3,b4\n0,0,0,0,0\n100,60,120,0,90\n", true);
    ASSERT_EQ(orderFindings(findings).size(), 1u);
    EXPECT_NE(orderFindings(findings).front()->message.find("braking step 4 lies below the curve of braking step 2"),
              std::string::npos);
}

TEST(StepOrder, ATradeBackIsOfferedOnlyWhereEveryRowHoldsBothCells) {
    TestFolder folder(u"order");
    const std::vector<Finding> findings =
        diagnosedCurves(folder, "speed,s1,s2,s3\n0,100,300,200\n50,70,180\n100,50,150,100\n");
    ASSERT_EQ(orderFindings(findings).size(), 1u);
    EXPECT_TRUE(orderFindings(findings).front()->fixes.empty());
}

TEST(StepOrder, TheTradeBackKeepsTheBlanksAndCommentOfEachRow) {
    TestFolder folder(u"order");
    const std::vector<Finding> findings =
        diagnosedCurves(folder, "speed,s1,s2,s3\n0, 100, 300 ,  200 ; start\n100,50,150,100\n");
    ASSERT_EQ(orderFindings(findings).size(), 1u);
    const std::vector<diagnose::Fix>& fixes = orderFindings(findings).front()->fixes;
    ASSERT_EQ(fixes.size(), 2u);
    EXPECT_EQ(fixes[0].line, 2);
    EXPECT_EQ(fixes[0].firstColumn, 9);
    EXPECT_EQ(fixes[0].endColumn, 19);
    EXPECT_EQ(fixes[0].replacement, "200 ,  300");
    // Columns count a character beyond the BMP once, as editors do (the
    // speed read as 0, with what follows it told apart).
    TestFolder wide(u"order");
    const std::vector<Finding> emoji =
        diagnosedCurves(wide, "speed,s1,s2,s3\n0 \xF0\x9F\x9A\x83,100,300,200\n100,50,150,100\n");
    ASSERT_EQ(orderFindings(emoji).size(), 1u);
    ASSERT_EQ(orderFindings(emoji).front()->fixes.size(), 2u);
    const diagnose::Fix& first = orderFindings(emoji).front()->fixes[0];
    EXPECT_EQ(first.firstColumn, 9);
    EXPECT_EQ(first.endColumn, 16);
    EXPECT_EQ(first.replacement, "200,300");
}

// ---------------------------------------------------------------------------
// What the panel can show

std::vector<const Finding*> warningsOf(const std::vector<Finding>& findings) {
    std::vector<const Finding*> warnings;
    for (const Finding& finding : findings)
        if (finding.severity != Severity::Note) warnings.push_back(&finding);
    return warnings;
}

TEST(PanelValues, TablesInOtherButFineUnitsOrSteppedOnPurposeDrawNoWarning) {
    const std::pair<const char*, const char*> tables[] = {
        {"Current.csv", "A,needle\n0,0\n199,0\n200,1\n399,1\n400,2\n1000,2\n"},  // three positions, on purpose
        {"Voltage.csv", "V,needle\n0,0\n1500,150\n2000,200\n"},                     // tens of volts: 131 to 162
        {"Pressure.csv", "kPa,needle\n0,-10\n200,190\n1000,1000\n"},                // resting below zero
        {"Voltage.csv", "V,needle\n0,-100\n1300,1290\n1500,1500\n2000,2000\n"},    // a row the range never uses
        {"Voltage.csv", "V,needle\n0,0\n1500,1500\n1800,1810\n2000,1e10\n"},       // beyond int32 only past 1800 V
    };
    for (const auto& [name, table] : tables) {
        SCOPED_TRACE(table);
        TestFolder folder(u"panel");
        const std::vector<Finding> findings = diagnosedNeedleTable(folder, name, table);
        for (const Finding* finding : warningsOf(findings))
            ADD_FAILURE() << diagnose::describe(*finding, folder.path());
    }
}

TEST(PanelValues, AFewPositionsAreToldOverTheRangeTheQuantityTakes) {
    // Without current curves the ammeter's range is taken as up to 1000 A.
    TestFolder folder(u"panel");
    const std::vector<Finding> findings = diagnosedNeedleTable(folder, "Current.csv", "A,kA\n0,0\n1000,1\n");
    ASSERT_EQ(warningsOf(findings).size(), 1u);
    EXPECT_NE(warningsOf(findings).front()->message.find("only 0, 1"), std::string::npos);
    EXPECT_NE(warningsOf(findings).front()->message.find("kA"), std::string::npos);
    EXPECT_TRUE(warningsOf(findings).front()->fixes.empty());
    // The speed table's output is multiplied by 100 first: 0 to 3 is 0 to 300 on the panel.
    TestFolder speed(u"panel");
    EXPECT_EQ(problems(diagnosedNeedleTable(speed, "Speed.csv", "km/h,needle\n0,0\n300,3\n")), 0u);
    TestFolder tiny(u"panel");
    EXPECT_EQ(warningsOf(diagnosedNeedleTable(tiny, "Speed.csv", "km/h,needle\n0,0\n300,0.03\n")).size(), 1u);
    // Whole outputs, but hundreds of volts: the voltmeter has four positions
    // over the line voltage, told at the middle of that range.
    TestFolder hundreds(u"panel");
    const std::vector<Finding> coarse =
        diagnosedNeedleTable(hundreds, "Voltage.csv", "V,needle\n0,0\n1500,15\n2000,20\n");
    ASSERT_EQ(warningsOf(coarse).size(), 1u);
    EXPECT_NE(warningsOf(coarse).front()->message.find("only 13, 14, 15, 16 (1465 V gives 14.65, shown as 14)"),
              std::string::npos);
}

TEST(PanelValues, BeyondInt32IsToldWithWhatThePanelGetsInstead) {
    // Reached by extending the last row: 3e7 at 300 km/h, times 100.
    TestFolder folder(u"panel");
    const std::vector<Finding> findings = diagnosedNeedleTable(folder, "Speed.csv", "km/h,needle\n0,0\n100,1e7\n");
    ASSERT_EQ(warningsOf(findings).size(), 1u);
    EXPECT_NE(warningsOf(findings).front()->message.find("2147483647 instead"), std::string::npos);
    TestFolder negative(u"panel");
    const std::vector<Finding> below = diagnosedNeedleTable(negative, "Pressure.csv", "kPa,needle\n0,0\n1000,-3e9\n");
    ASSERT_EQ(warningsOf(below).size(), 1u);
    EXPECT_NE(warningsOf(below).front()->message.find("-2147483648 instead"), std::string::npos);
}

// What the findings say the panel receives is what the plug-in's own panel
// outputs write there.
TEST(PanelValues, ThePanelReceivesWhatTheFindingsSay) {
    TestFolder folder(u"panel");
    folder.write("NeedleTable/Speed.csv", "km/h,needle\n0,0\n100,1e7\n");
    folder.write("NeedleTable/Pressure.csv", "kPa,MPa\n0,0\n200,0.198\n1000,1\n");
    fs::copy_file(testing_support::buildOutputFolder() / ORVALIS_PLUGIN_FILE, folder.path() / ORVALIS_PLUGIN_FILE);
    Loaded loaded(folder);
    const std::vector<const Finding*> warnings = warningsOf(loaded.findings);
    ASSERT_EQ(warnings.size(), 2u);
    const Finding& pressure = *warnings[0];
    const Finding& speed = *warnings[1];
    EXPECT_NE(pressure.message.find("200 kPa gives 0.198, shown as 0"), std::string::npos) << pressure.message;
    EXPECT_NE(speed.message.find("at 300 km/h the table gives the panel 3e+09"), std::string::npos) << speed.message;
    EXPECT_NE(speed.message.find("2147483647 instead"), std::string::npos) << speed.message;

    int32_t panelArray[256] = {};
    panel::updatePanelOutputs(loaded.plugin.adjust, loaded.plugin.needles, {300, 0, 200, 0, 1500}, panelArray);
    EXPECT_EQ(panelArray[22], 2147483647);
    EXPECT_EQ(panelArray[130], 0);
}

TEST(PanelValues, ALoneOutputOfTheOtherSignIsToldInsteadOfTheTurnBack) {
    TestFolder folder(u"panel");
    const std::vector<Finding> findings =
        diagnosedNeedleTable(folder, "Pressure.csv", "kPa,needle\n0,0\n200,198\n400,400\n800,-805\n");
    ASSERT_EQ(warningsOf(findings).size(), 1u);
    EXPECT_EQ(warningsOf(findings).front()->line, 5);
    EXPECT_NE(warningsOf(findings).front()->message.find("805 was most likely meant"), std::string::npos);
}

}  // namespace

// Tables that only look like the mistakes of a table's shape or units.
TEST(NeedleTableShapes, WhatOnlyLooksLikeAMistakeDrawsNoWarning) {
    const std::pair<const char*, const char*> tables[] = {
        {"Voltage.csv", "V,needle\n0,0\n1,1\n"},                       // a slope, extended over the line voltage
        {"Pressure.csv", "kPa,needle\n0,0\n10,100\n"},                 // a slope of 10
        {"Speed.csv", "; the first line, a comment, is the header\n0,0\n160,160\n"},
        {"Speed.csv", "speed needle\n0,0\n160,160\n"},                 // blanks in the header only
        {"Speed.csv", "km/h,needle\n0,0\n80,80\n80,80\n160,160\n"},    // a row written twice
        {"Current.csv", "A,needle\n0,0\n400,410\u200b\n800,800\n"},    // an invisible character after the number
    };
    for (const auto& [name, table] : tables) {
        SCOPED_TRACE(table);
        TestFolder folder(u"shape");
        const std::vector<Finding> findings = diagnosedNeedleTable(folder, name, table);
        for (const Finding* finding : warningsOf(findings))
            ADD_FAILURE() << diagnose::describe(*finding, folder.path());
    }
}

TEST(NeedleTableShapes, BlankSeparatedRowsAreJoinedByCommasOnlyWhereEveryPieceIsANumber) {
    TestFolder folder(u"shape");
    const std::vector<Finding> findings =
        diagnosedNeedleTable(folder, "Speed.csv", "km/h needle\n0  0\n40\t 40.4 # note\n80 km/h\n");
    ASSERT_FALSE(findings.empty());
    const Finding& blanks = findings.front();
    EXPECT_EQ(blanks.line, 2);
    // The row with a unit is not a blank-separated row and gets no edit.
    ASSERT_EQ(blanks.fixes.size(), 2u);
    EXPECT_EQ(blanks.fixes[0].replacement, "0,0");
    EXPECT_EQ(blanks.fixes[1].replacement, "40,40.4 # note");
}

// Numbers written with letters, full-width digits or a long vowel mark for
// the minus are mistyped numbers and no rows of words.
TEST(NeedleTableShapes, OnlyRowsOfWordsAreToldAsWords) {
    const char* tables[] = {"km/h,needle\n0,0\nOO,0\n160,160\n",
                            "km/h,needle\n0,0\n\xef\xbc\x91\xef\xbc\x96\xef\xbc\x90,160\n",  // full-width 160
                            "km/h,needle\n0,0\n\xe3\x83\xbc\x35,0\n160,160\n"};  // a long vowel mark for the minus
    for (const char* table : tables) {
        SCOPED_TRACE(table);
        TestFolder folder(u"words");
        for (const Finding& finding : diagnosedNeedleTable(folder, "Speed.csv", table))
            EXPECT_EQ(finding.message.find("a row of words"), std::string::npos) << finding.message;
    }
    TestFolder folder(u"words");
    const std::vector<Finding> findings =
        diagnosedNeedleTable(folder, "Speed.csv", "km/h,needle\n0,0\n160,160\nmax speed,160\n");
    ASSERT_EQ(problems(findings), 1u);
    ASSERT_EQ(findings.front().fixes.size(), 1u);
    EXPECT_EQ(findings.front().fixes.front().replacement, "; ");
}

// The unit named is the one whose values fit the quantity's range; where
// none does, no unit is named and no number is suggested.
TEST(NeedleTableShapes, InputsInALargerUnitNameTheUnitThatFits) {
    const std::pair<const char*, const char*> tables[] = {
        {"kPa,needle\n0,0\n0.5,500\n1,1000\n", "written in MPa"},
        {"kPa,needle\n0,0\n5,500\n10,1000\n", "written in kgf/cm²"},
        {"kPa,needle\n0,0\n0.05,1000\n", ""},  // neither unit gives a pressure in use
    };
    for (const auto& [table, unit] : tables) {
        SCOPED_TRACE(table);
        TestFolder folder(u"scale");
        const std::vector<Finding> findings = diagnosedNeedleTable(folder, "Pressure.csv", table);
        ASSERT_EQ(problems(findings), 1u);
        const Finding& finding = findings.front();
        EXPECT_NE(finding.message.find("far below 0 to 1000 kPa"), std::string::npos) << finding.message;
        EXPECT_TRUE(finding.fixes.empty());
        if (*unit != '\0') {
            EXPECT_NE(finding.message.find(unit), std::string::npos) << finding.message;
        } else {
            EXPECT_EQ(finding.message.find("look written in"), std::string::npos) << finding.message;
            EXPECT_EQ(finding.fix.find("rather than"), std::string::npos) << finding.fix;
        }
    }
}
