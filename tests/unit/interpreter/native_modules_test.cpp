// The table of native modules that `use` and the call dispatch share.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "interpreter/module_entry.h"

namespace wexlin {
namespace {

TEST(NativeModules, EachModuleListsItsFunctionsOnce) {
    struct Case {
        const char* module;
        std::size_t functions;
        const char* title;
    };
    const Case cases[] = {{"sdl2", 30, "SDL2"}, {"http", 8, "HTTP"}, {"files", 11, "Files"}};
    ASSERT_EQ(native_modules().size(), std::size(cases));
    for (const Case& c : cases) {
        const NativeModule* module = native_module(c.module);
        ASSERT_NE(module, nullptr) << c.module;
        EXPECT_EQ(module->title, c.title);
        EXPECT_EQ(module->functions.size(), c.functions) << c.module;
        std::set<std::string_view> names;
        for (const NativeFunction& function : module->functions) {
            EXPECT_TRUE(names.insert(function.name).second) << c.module << "." << function.name << " twice";
            EXPECT_EQ(function.name.find('.'), std::string_view::npos);
            std::string full = std::string(c.module) + "." + std::string(function.name);
            EXPECT_EQ(native_function(full), &function) << full;
            EXPECT_EQ(module->find(function.name), &function);
        }
    }
}

TEST(NativeModules, OtherNamesAreNotNativeFunctions) {
    for (const char* name : {"sdl2", "sdl2.", "sdl2.nothing", "sdl2.Init", "init", "gm.g0", "http.get.x",
                             ".read", "files_read", "Files.read"})
        EXPECT_EQ(native_function(name), nullptr) << name;
    for (const char* name : {"gm", "", "SDL2", "sdl2.init"})
        EXPECT_EQ(native_module(name), nullptr) << name;
}

TEST(NativeModules, EntryPointsAnswerOnlyForTheirOwnModule) {
    std::vector<Value> none;
    // files.exists with no path gives an Error value, without touching anything.
    EXPECT_TRUE(files_call("files.exists", none).has_value());
    EXPECT_FALSE(files_call("http.json", none).has_value());
    EXPECT_FALSE(files_call("files.nothing", none).has_value());
    EXPECT_TRUE(http_call("http.json", none).has_value());
    EXPECT_FALSE(http_call("files.exists", none).has_value());
    EXPECT_FALSE(http_call("json", none).has_value());
}

} // namespace
} // namespace wexlin
