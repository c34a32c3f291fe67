// The diagnosis on arbitrary bytes: one input is every parameter file,
// curve file and needle table of a vehicle at once (the notch index names
// them), its module list, and the headers of a library. The plug-in's Load
// runs first, as in cabhost check; the diagnosis itself must never throw,
// crash or hang, and its findings must print.
#include "diagnose/diagnose.h"
#include "diagnose/encoding.h"
#include "diagnose/library_file.h"
#include "fuzz/fuzz_support.h"
#include "plugin/plugin.h"

namespace {

constexpr char kNotchIndex[] =
    "[Power]\nParams = params.txt\nCurrent = curve.csv\n[Brake]\nParams = params.txt\nCurrent = curve.csv\n"
    "NoLoadCurrent = curve.csv\n";

void writeText(const char* relative, const char* text) {
    fuzzing::writeScratchFile(relative, reinterpret_cast<const uint8_t*>(text), std::char_traits<char>::length(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool prepared = (writeText("notch/notch.txt", kNotchIndex), true);
    (void)prepared;
    for (const char* file : {"notch/params.txt", "notch/curve.csv", "NeedleTable/Speed.csv", "NeedleTable/Current.csv",
                             "detailmodulesx64.txt"})
        fuzzing::writeScratchFile(file, data, size);

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    diagnose::examineLibraryBytes(bytes);
    diagnose::decodeShiftJis(bytes);

    plugin::Plugin plugin;
    plugin.directory = fuzzing::scratchFolder();
    plugin::load(plugin);
    const std::vector<diagnose::Finding> findings = diagnose::diagnoseVehicle(plugin);
    for (const diagnose::Finding& finding : findings) diagnose::describe(finding, plugin.directory);
    plugin::dispose(plugin);
    return 0;
}
