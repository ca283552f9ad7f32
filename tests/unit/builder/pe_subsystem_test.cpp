#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "builder/pe_subsystem.h"

namespace wexlin::builder {
namespace {

// A minimal image: "MZ", the PE header offset at 0x3C, "PE\0\0" there and
// room for the optional header's subsystem field; size is the total length.
std::string pe_image(std::uint32_t pe_offset, std::size_t size, std::string_view signature = {"PE\0\0", 4}) {
    std::string image(size, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    for (int i = 0; i < 4; ++i)
        image[0x3c + i] = static_cast<char>((pe_offset >> (8 * i)) & 0xff);
    if (pe_offset + signature.size() <= size) image.replace(pe_offset, signature.size(), signature);
    return image;
}

struct PatchCase {
    const char* name;
    std::string image;
    std::optional<std::string> error;
};

TEST(PeSubsystem, RejectsDamagedImages) {
    std::string no_mz = pe_image(0x40, 0x40 + 94);
    no_mz[0] = 'Z';
    const PatchCase cases[] = {
        {"empty", "", "Not a valid PE file (no MZ header)"},
        {"63 bytes", pe_image(0, 63), "Not a valid PE file (no MZ header)"},
        {"no MZ", no_mz, "Not a valid PE file (no MZ header)"},
        {"offset beyond the file", pe_image(0x1000, 0x200), "PE offset out of range"},
        {"offset reaching the last three bytes", pe_image(0x3d, 0x40), "PE offset out of range"},
        {"offset at the top of 32 bits", pe_image(0xffffffff, 0x80), "PE offset out of range"},
        {"wrong signature", pe_image(0x40, 0x40 + 94, {"PE\0\1", 4}), "Invalid PE signature"},
        {"NE image", pe_image(0x40, 0x40 + 94, {"NE\0\0", 4}), "Invalid PE signature"},
        {"field one byte short", pe_image(0x40, 0x40 + 93), "Subsystem field offset out of range"},
        {"signature only", pe_image(0x40, 0x44), "Subsystem field offset out of range"},
        {"just long enough", pe_image(0x40, 0x40 + 94), std::nullopt},
    };
    for (const auto& c : cases) {
        std::string image = c.image;
        EXPECT_EQ(patch_subsystem(image, true), c.error) << c.name;
        if (c.error) {
            EXPECT_EQ(image, c.image) << c.name << ": a rejected image is left alone";
        }
    }
}

TEST(PeSubsystem, WritesTheSubsystemField) {
    for (std::uint32_t pe_offset : {0x40u, 0x80u, 0xf8u}) {
        std::string original = pe_image(pe_offset, pe_offset + 0x200);
        original[pe_offset + 0x5c] = 9; // anything before the patch
        original[pe_offset + 0x5d] = 7;
        for (bool terminal : {true, false}) {
            std::string image = original;
            ASSERT_EQ(patch_subsystem(image, terminal), std::nullopt);
            EXPECT_EQ(image[pe_offset + 0x5c], terminal ? 3 : 2);
            EXPECT_EQ(image[pe_offset + 0x5d], 0);
            // Nothing else changes.
            image[pe_offset + 0x5c] = 9;
            image[pe_offset + 0x5d] = 7;
            EXPECT_EQ(image, original);
        }
    }
}

TEST(PeSubsystem, PatchesAFileInPlace) {
    auto path = std::filesystem::temp_directory_path() /
                ("wexlin-pe-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::string image = pe_image(0x80, 0x300) + "script" + std::string(8, '\0') + "WEXLIN_SCRIPT";
    std::ofstream(path, std::ios::binary) << image;

    ASSERT_EQ(patch_subsystem_in_file(path.string(), false), std::nullopt);
    std::ifstream in(path, std::ios::binary);
    std::string patched(std::istreambuf_iterator<char>(in), {});
    in.close();
    std::string expected = image;
    expected[0x80 + 0x5c] = 2;
    EXPECT_EQ(patched, expected);

    std::filesystem::remove(path);
    EXPECT_EQ(patch_subsystem_in_file(path.string(), true),
              std::optional<std::string>("No such file or directory"));
}

} // namespace
} // namespace wexlin::builder
