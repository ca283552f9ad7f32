#include "package_manager/module_name.h"
#include "package_manager/module_yaml.h"

#include <gtest/gtest.h>

namespace wexlin::package_manager {
namespace {

struct ListCase {
    const char* what;
    const char* metadata;
    std::vector<std::string> files;
};

TEST(ModuleYaml, ReadsTheFilesList) {
    const ListCase cases[] = {
        {"empty text", "", {"index.wx"}},
        {"no files key", "name: demo\nversion: 1.0\n", {"index.wx"}},
        {"empty list", "files:\nname: demo\n", {"index.wx"}},
        {"plain entries", "files:\n  - index.wx\n  - lib/util.wx\n", {"index.wx", "lib/util.wx"}},
        {"quotes and dashes",
         "files:\n- index.wx\n-- 'lib/util.wx'\n- \"a.wx\"\n",
         {"index.wx", "lib/util.wx", "a.wx"}},
        {"quotes inside stay", "files:\n- \"'a.wx'\"\n- '\"b.wx\"'\n", {"a.wx", "\"b.wx\""}},
        {"only the list between keys",
         "name: demo\nfiles:\n  - a.wx\n  - b.wx\nversion: 2\n  - c.wx\n",
         {"a.wx", "b.wx"}},
        {"entries before files: are skipped", "- early.wx\nfiles:\n- late.wx\n", {"late.wx"}},
        {"text after files: is ignored", "files: [x.wx]\n- y.wx\n", {"y.wx"}},
        {"comments and blank lines", "files:\n\n# - skipped.wx\n   \n- kept.wx\n", {"kept.wx"}},
        {"trailing comment stays part of the entry", "files:\n- a.wx # main\n", {"a.wx # main"}},
        {"lines without dash or colon are skipped", "files:\nstray words\n- a.wx\n", {"a.wx"}},
        {"several files: lines keep the list open", "files:\n- a.wx\nfiles:\n- b.wx\n", {"a.wx", "b.wx"}},
        {"indentation plays no part", "  files:\n\t- a.wx\n", {"a.wx"}},
        {"CRLF line ends", "name: x\r\nfiles:\r\n  - a.wx\r\n  - b.wx\r\n", {"a.wx", "b.wx"}},
        {"no final line feed", "files:\n- a.wx", {"a.wx"}},
        {"dash alone is no entry", "files:\n-\n- ''\n- a.wx\n", {"a.wx"}},
        {"unicode white space is trimmed", "files:\n\xc2\xa0- a.wx\xe3\x80\x80\n", {"a.wx"}},
        {"only files: opens the list", "filesystem: yes\n- a.wx\n", {"index.wx"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(read_file_list(c.metadata), c.files) << c.what;
}

TEST(ModuleYaml, SafeEntriesStayInsideTheModuleFolder) {
    for (const char* entry :
         {"index.wx", "lib/util.wx", "./index.wx", "a..b.wx", "..hidden/x.wx", "lib//x.wx"})
        EXPECT_TRUE(is_safe_file_entry(entry)) << entry;
    for (const char* entry :
         {"", "/etc/passwd", "\\windows", "..", "../x.wx", "lib/../../x.wx", "lib/..", "lib\\..\\..\\x.wx"})
        EXPECT_FALSE(is_safe_file_entry(entry)) << entry;
    EXPECT_FALSE(is_safe_file_entry(std::string_view("a\0b", 3)));
}

// A hostile registry's entries: Windows drive and stream names, and control
// characters that a message would send to the terminal.
TEST(ModuleYaml, EntriesWithColonsOrControlCharactersAreRefused) {
    for (const char* entry : {"C:evil.wx", "C:\\evil.wx", "c:/x.wx", "index.wx:stream", "a\x1b[2J.wx",
                              "tab\there.wx", "line\rbreak.wx", "del\x7f.wx", "q?v=1", "f*.wx", "a<b.wx",
                              "a>b.wx", "a|b.wx", "say\"hi\".wx", "lib\\util.wx"})
        EXPECT_FALSE(is_safe_file_entry(entry)) << printable(entry);
    EXPECT_TRUE(is_safe_file_entry("caf\xc3\xa9/\xe2\x82\xac.wx"));
    // Allowed in file names everywhere; the address encodes them.
    for (const char* entry : {"lib#x.wx", "f{1,2}.wx", "f[1-2].wx", "a b.wx", "100%.wx"})
        EXPECT_TRUE(is_safe_file_entry(entry)) << entry;
    EXPECT_EQ(printable("a\x1b[2J\tb\x7f\xc3\xa9"), "a\\x1b[2J\\x09b\\x7f\xc3\xa9");
}

} // namespace
} // namespace wexlin::package_manager
