// Every property name the Linux provider's sources set is a property of a
// class the program reads or one of our additions (extensions.h), so that a
// misspelt name fails even on a branch no recorded tree reaches. Which class
// each object's names belong to is checked by every query (tree.h).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "extensions.h"
#include "wmi/repository.h"

namespace tq::linuxprov::testing {
namespace {

bool inSomeClass(const std::string& property) {
    for (const auto& c : wmi::programClasses())
        if (const auto* def = wmi::knownClass(c); def && def->property(property)) return true;
    return false;
}

TEST(ProviderSchema, EveryPropertySetIsKnown) {
    std::set<std::string_view> extensions;
    for (const auto& [cls, property] : extensionList()) extensions.insert(property);
    const std::regex setter(R"(\bp\.(?:text|texts|uint|uint64|boolean|set)\("(\w+)\")");
    std::size_t seen = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::string(TQ_SOURCE_DIR) + "/platform/linux")) {
        if (e.path().extension() != ".cpp") continue;
        std::stringstream text;
        text << std::ifstream(e.path()).rdbuf();
        const std::string code = text.str();
        for (std::sregex_iterator it(code.begin(), code.end(), setter), end; it != end; ++it, ++seen) {
            const std::string name = (*it)[1];
            EXPECT_TRUE(inSomeClass(name) || extensions.count(name)) << e.path().filename() << ": " << name;
        }
    }
    EXPECT_GT(seen, 400u) << "the setters were not found";
}

}  // namespace
}  // namespace tq::linuxprov::testing
