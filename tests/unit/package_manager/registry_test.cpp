#include "package_manager/registry.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace wexlin::package_manager {
namespace {

class RegistryUrl : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* old = std::getenv("WEXLIN_REGISTRY_URL")) m_saved = old;
    }
    void TearDown() override {
        if (m_saved)
            setenv("WEXLIN_REGISTRY_URL", m_saved->c_str(), 1);
        else
            unsetenv("WEXLIN_REGISTRY_URL");
    }

  private:
    std::optional<std::string> m_saved;
};

TEST_F(RegistryUrl, EnvironmentOverridesTheDefault) {
    struct Case {
        const char* value; // nullptr: unset
        std::string expected;
    };
    const Case cases[] = {
        {nullptr, std::string(default_registry_url())},
        {"", std::string(default_registry_url())},
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
        {"http://127.0.0.1:8080/", "http://127.0.0.1:8080"},
        {"http://host/sub//", "http://host/sub"},
    };
    for (const auto& c : cases) {
        if (c.value)
            setenv("WEXLIN_REGISTRY_URL", c.value, 1);
        else
            unsetenv("WEXLIN_REGISTRY_URL");
        EXPECT_EQ(registry_url(), c.expected) << (c.value ? c.value : "(unset)");
    }
}

TEST_F(RegistryUrl, DefaultHasNoTrailingSlash) {
    ASSERT_FALSE(default_registry_url().empty());
    EXPECT_NE(default_registry_url().back(), '/');
}

TEST(RegistryAddresses, MetadataAndFiles) {
    ModuleName name{"alice", "math"};
    EXPECT_EQ(metadata_url("http://h:1", name), "http://h:1/modules/alice/math/module.yaml");
    EXPECT_EQ(file_url("http://h:1", name, "index.wx"), "http://h:1/modules/alice/math/index.wx");
    EXPECT_EQ(file_url("http://h:1", name, "lib/util.wx"), "http://h:1/modules/alice/math/lib/util.wx");
    EXPECT_EQ(metadata_url("http://h", ModuleName{"alice", "math/extra"}),
              "http://h/modules/alice/math/extra/module.yaml");
}

// Every segment is percent-encoded, so curl and the server see one literal
// name: no glob ranges or lists, no fragment, no query.
TEST(RegistryAddresses, NamesAndEntriesArePercentEncoded) {
    EXPECT_EQ(file_url("http://h", ModuleName{"wexlin", "greet#frag"}, "module.yaml"),
              "http://h/modules/wexlin/greet%23frag/module.yaml");
    EXPECT_EQ(file_url("http://h", ModuleName{"a b", "m"}, "f{1,2}.wx"),
              "http://h/modules/a%20b/m/f%7B1%2C2%7D.wx");
    EXPECT_EQ(file_url("http://h", ModuleName{"a", "m"}, "f[1-200].wx"),
              "http://h/modules/a/m/f%5B1-200%5D.wx");
    EXPECT_EQ(file_url("http://h", ModuleName{"a", "m"}, "lib/q=1&x%20.wx"),
              "http://h/modules/a/m/lib/q%3D1%26x%2520.wx");
    EXPECT_EQ(encode_path("caf\xc3\xa9/~x_y-z.wx"), "caf%C3%A9/~x_y-z.wx");
}

} // namespace
} // namespace wexlin::package_manager
