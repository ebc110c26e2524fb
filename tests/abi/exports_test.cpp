// The library shows the host nothing but its six entry points (and the exception type's
// run-time type information, so that a host can catch what the module raises).
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> exportedSymbols(const std::string& library) {
    std::set<std::string> symbols;
    const std::string command = "nm -D --defined-only '" + library + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return symbols;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name) symbols.insert(name);
    }
    pclose(pipe);
    return symbols;
}

TEST(ModuleExports, OnlyTheSixEntryPoints) {
    const std::set<std::string> symbols = exportedSymbols(BRUMO_MODULE_PATH);
    ASSERT_FALSE(symbols.empty()) << "nm found nothing in " << BRUMO_MODULE_PATH;

    const std::set<std::string> entryPoints = {
        "QVDllInit", "QVDllCleanUp", "QVDllGetClassObject", "QVDllCanUnloadNow",
        "QVDllInitExceptionTranslator", "QVDllCleanUpExceptionTranslator"};
    // Type information, name and operation table of the exception type may be shown as well.
    const std::set<std::string> allowed = {"_ZTI12TQVException", "_ZTS12TQVException",
                                           "_ZTV12TQVException"};
    for (const std::string& name : entryPoints) EXPECT_EQ(symbols.count(name), 1u) << name;
    for (const std::string& name : symbols)
        EXPECT_TRUE(entryPoints.count(name) == 1 || allowed.count(name) == 1)
            << "the library also exports " << name;
}

}  // namespace
