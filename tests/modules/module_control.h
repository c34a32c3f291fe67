// The test side of the chain's test modules (chain_module.cpp): installing
// a built module into a test folder, steering it, and the one log of the
// calls that every module received, in the order they happened.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "plugin/abi.h"
#include "support/test_folder.h"

namespace chain_testing {

// Every call of every attached module, as "<name> <call> <values>".
inline std::vector<std::string> calls;

inline void recordCall(const char* line) {
    calls.emplace_back(line);
}

// The calls logged by the module named `name`, without the name.
inline std::vector<std::string> callsOf(const std::string& name) {
    std::vector<std::string> own;
    for (const std::string& call : calls)
        if (call.compare(0, name.size() + 1, name + " ") == 0) own.push_back(call.substr(name.size() + 1));
    return own;
}

// Variants of the test module, as built beside the tests.
inline const char* const kFullModule = "chain_module";
inline const char* const kModuleWithoutElapse = "chain_module_no_elapse";
inline const char* const kModuleWithoutEntryPoints = "chain_module_no_exports";

inline std::string libraryFileName(const std::string& stem) {
    return stem + ORVALIS_MODULE_SUFFIX;
}

// Copies the built module `variant` into the folder as `relativeName`
// ('/' separates folders); every copy is a library instance of its own.
inline std::filesystem::path installModule(const testing_support::TestFolder& folder, const std::string& variant,
                                           const std::string& relativeName) {
    const std::filesystem::path target = folder.file(relativeName);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(testing_support::buildOutputFolder() / libraryFileName(variant), target);
    return target;
}

// The test's own hold on a module file: loading the same path gives the same
// instance that the plug-in loads, so its controls steer that instance. Held
// for the whole test, it also keeps the instance alive after the plug-in's
// Dispose, so its log can still be read.
class ModuleControl {
public:
    ModuleControl(const std::filesystem::path& file, const char* name) {
        std::string reason;
        library_ = platform::loadLibrary(file, reason);
        if (library_ == nullptr) throw std::runtime_error("cannot load test module: " + reason);
        control<void (*)(const char*, void (*)(const char*))>("ChainModule_Attach")(name, &recordCall);
    }
    ~ModuleControl() { platform::unloadLibrary(library_); }
    ModuleControl(const ModuleControl&) = delete;
    ModuleControl& operator=(const ModuleControl&) = delete;

    void returns(HandleCommand command) const {
        control<void (*)(int32_t, int32_t, int32_t, int32_t)>("ChainModule_Return")(
            command.brake, command.power, command.reverser, command.constantSpeed);
    }
    void writes(int32_t panelIndex, int32_t panelValue, int32_t soundIndex, int32_t soundValue) const {
        control<void (*)(int32_t, int32_t, int32_t, int32_t)>("ChainModule_Write")(panelIndex, panelValue,
                                                                                   soundIndex, soundValue);
    }
    void answersVersion(int32_t version) const {
        control<void (*)(int32_t)>("ChainModule_AnswerVersion")(version);
    }
    void throwsOnDispose() const { control<void (*)()>("ChainModule_ThrowOnDispose")(); }
    platform::LibraryHandle library() const { return library_; }

private:
    template <typename Function>
    Function control(const char* name) const {
        void* address = platform::findExport(library_, name);
        if (address == nullptr) throw std::runtime_error(std::string("test module lacks ") + name);
        return reinterpret_cast<Function>(address);
    }

    platform::LibraryHandle library_ = nullptr;
};

// A vehicle folder with test modules installed in it, and the module list
// that is to name them.
class ModuleFolder {
public:
    explicit ModuleFolder(std::u16string_view name) : folder(name) {}

    // Installs a copy of the module `variant` at `relativeName`, held by the test.
    const ModuleControl& install(const char* variant, const std::string& relativeName, const char* name) {
        controls_.push_back(std::make_unique<ModuleControl>(installModule(folder, variant, relativeName), name));
        return *controls_.back();
    }

    // Installs a copy of the module `variant` as `name` and lists it.
    const ModuleControl& add(const char* variant, const char* name) {
        list += libraryFileName(name) + "\n";
        return install(variant, libraryFileName(name), name);
    }

    void writeList() const { folder.write("detailmodulesx64.txt", list); }

    testing_support::TestFolder folder;
    std::string list;  // the module list, as written by writeList

private:
    std::vector<std::unique_ptr<ModuleControl>> controls_;
};

// The calls logged since the last look.
inline std::vector<std::string> takeCalls() {
    std::vector<std::string> taken;
    taken.swap(calls);
    return taken;
}

}  // namespace chain_testing
