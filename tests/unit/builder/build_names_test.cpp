#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "builder/build_request.h"
#include "builder/module_bundle.h"

namespace wexlin::builder {
namespace {

TEST(DefaultOutput, ComesFromTheFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"game.wx", "game"},
        {"./game.wx", "game"},
        {"game.level.wx", "game"},
        {"levels/one.wx", "levels/one"},
        {"./levels/../game.wx", "game"},
        {"levels/./one.wx", "levels/one"},
        {"/tmp/game.wx", "game"},
        {"../other/game.wx", "game"},
        {".hidden.wx", ".hidden"},
    };
    for (const auto& [file, output] : cases)
        EXPECT_EQ(default_output_name(file), output) << file;
}

TEST(ModuleUses, NamesAfterUseInOrderOnce) {
    EXPECT_EQ(used_module_names("use alice.math;\n"
                                "use sdl2; use http as web; use files { read };\n"
                                "def f() { use helpers { double }; }\n"
                                "let s = \"use fake.module\"; # use commented\n"
                                "use alice.math as m;\n"
                                "use a.b.c\n"),
              (std::vector<std::string>{"alice.math", "helpers", "a.b.c"}));
    EXPECT_TRUE(used_module_names("use; use 3; use .x").empty());
}

} // namespace
} // namespace wexlin::builder
