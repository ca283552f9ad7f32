#include "package_manager/module_name.h"

#include <gtest/gtest.h>

namespace wexlin::package_manager {
namespace {

struct SplitCase {
    const char* text;
    const char* author;
    const char* module;
};

TEST(ModuleName, SplitsBothForms) {
    const SplitCase cases[] = {
        {"alice/math", "alice", "math"},
        {"alice.math", "alice", "math"},
        {"alice.math.extra", "alice", "math.extra"},
        {"alice/math.extra", "alice", "math.extra"},
        {"alice/math/extra", "alice", "math/extra"},
        {"al.ice/math", "al.ice", "math"}, // the "/" is looked for first
        {"a/.b", "a", ".b"},               // only exact "." and ".." parts are refused
        {"a..b", "a", ".b"},
        {"Ünïcode/møde", "Ünïcode", "møde"},
    };
    for (const auto& c : cases) {
        auto parsed = parse_module_name(c.text);
        auto* name = std::get_if<ModuleName>(&parsed);
        ASSERT_NE(name, nullptr) << c.text << ": " << std::get<std::string>(parsed);
        EXPECT_EQ(name->author, c.author) << c.text;
        EXPECT_EQ(name->module, c.module) << c.text;
    }
}

TEST(ModuleName, KeyJoinsWithDot) {
    EXPECT_EQ((ModuleName{"alice", "math"}.key()), "alice.math");
    EXPECT_EQ((ModuleName{"alice", "math.extra"}.key()), "alice.math.extra");
}

TEST(ModuleName, RefusesWhatHasNeitherForm) {
    for (const char* text : {"", "math", "alice/", "/math", "alice.", ".math", "/", ".", "/."}) {
        auto parsed = parse_module_name(text);
        auto* error = std::get_if<std::string>(&parsed);
        ASSERT_NE(error, nullptr) << text;
        EXPECT_EQ(*error, "Module format must be 'author/module' or 'author.module'") << text;
    }
}

TEST(ModuleName, RefusesPartsThatLeaveTheirFolder) {
    for (const char* text : {
             "alice/..",          // the author's folder's parent: the whole module folder
             "alice/.",           // the author's folder itself
             "../x",              // outside the module folder
             "./x",               //
             "alice//etc",        // module "/etc" is absolute
             "alice/math/../..",  //
             "alice/math/",       // trailing empty component
             "alice/math//extra", //
             "alice/..\\..",      // backslash separates too
             "alice/x\\",         //
         }) {
        auto parsed = parse_module_name(text);
        auto* error = std::get_if<std::string>(&parsed);
        ASSERT_NE(error, nullptr) << text;
        EXPECT_EQ(*error, std::string("Module name '") + text +
                              "' is not allowed: the author and module parts must be relative names "
                              "without empty, '.' or '..' components")
            << text;
    }
}

TEST(ModuleName, RefusesPartsThatCannotBeFileNames) {
    for (const char* text : {"alice/ma:th", "alice/m*", "alice/m?x", "al<ice/m", "alice/m>", "alice/m|x",
                             "alice/\"m\"", "alice/m\\x", "alice/m\x1b[2J", "alice/m\tx"}) {
        auto parsed = parse_module_name(text);
        auto* error = std::get_if<std::string>(&parsed);
        ASSERT_NE(error, nullptr) << text;
        EXPECT_NE(error->find("is not allowed: a file name cannot hold control characters"),
                  std::string::npos)
            << *error;
        EXPECT_EQ(error->find('\x1b'), std::string::npos) << "control characters are shown escaped";
    }
    // Allowed in a file name; the registry address encodes them.
    for (const char* text : {"wexlin/greet#frag", "a/b c", "a/f{1,2}", "a/100%"}) {
        auto parsed = parse_module_name(text);
        EXPECT_NE(std::get_if<ModuleName>(&parsed), nullptr) << text;
    }
}

TEST(ModuleName, TheStagingFolderIsNoAuthor) {
    for (const char* text : {".staging/x", ".staging.x"}) {
        auto parsed = parse_module_name(text);
        ASSERT_NE(std::get_if<std::string>(&parsed), nullptr) << text;
    }
}

} // namespace
} // namespace wexlin::package_manager
