#include <gtest/gtest.h>

#include "builder/desktop_entry.h"
#include "builder/macos_bundle.h"
#include "builder/windows_icon.h"

namespace wexlin::builder {
namespace {

TEST(InfoPlist, ExactText) {
    EXPECT_EQ(info_plist_text("MyGame", "AppIcon"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\"\n"
                                                    "  \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                                    "<plist version=\"1.0\">\n"
                                                    "<dict>\n"
                                                    "    <key>CFBundleName</key>\n"
                                                    "    <string>MyGame</string>\n"
                                                    "    <key>CFBundleDisplayName</key>\n"
                                                    "    <string>MyGame</string>\n"
                                                    "    <key>CFBundleIdentifier</key>\n"
                                                    "    <string>com.wexlin.mygame</string>\n"
                                                    "    <key>CFBundleVersion</key>\n"
                                                    "    <string>1.0.0</string>\n"
                                                    "    <key>CFBundlePackageType</key>\n"
                                                    "    <string>APPL</string>\n"
                                                    "    <key>CFBundleExecutable</key>\n"
                                                    "    <string>MyGame</string>\n"
                                                    "    <key>CFBundleIconFile</key>\n"
                                                    "    <string>AppIcon</string>\n"
                                                    "    <key>LSMinimumSystemVersion</key>\n"
                                                    "    <string>10.13.0</string>\n"
                                                    "    <key>NSHighResolutionCapable</key>\n"
                                                    "    <true/>\n"
                                                    "</dict>\n"
                                                    "</plist>\n");
}

TEST(InfoPlist, EmptyIconAndEscapedNames) {
    std::string plist = info_plist_text("Tom&Jerry<2>", "");
    EXPECT_NE(plist.find("    <key>CFBundleIconFile</key>\n    <string></string>\n"), std::string::npos);
    EXPECT_NE(plist.find("<string>Tom&amp;Jerry&lt;2&gt;</string>"), std::string::npos);
    EXPECT_NE(plist.find("<string>com.wexlin.tom-jerry-2-</string>"), std::string::npos);
}

TEST(InfoPlist, BundleIdentifierKeepsOnlyLettersDigitsDashesAndDots) {
    const std::pair<const char*, const char*> cases[] = {
        {"MyGame", "com.wexlin.mygame"},           {"my game 2", "com.wexlin.my-game-2"},
        {"levels/one", "com.wexlin.levels-one"},   {"v1.2-beta", "com.wexlin.v1.2-beta"},
        {"Caf\xc3\xa9 & co", "com.wexlin.caf-co"}, {"\xe6\xb8\xb8\xe6\x88\x8f", "com.wexlin.app"},
    };
    for (const auto& [name, identifier] : cases)
        EXPECT_EQ(bundle_identifier(name), identifier) << name;
}

TEST(InfoPlist, LSUIElementIsAddedOnceAndSwitchedOn) {
    std::string plist = info_plist_text("game", "");
    std::string once = set_lsuielement(plist);
    EXPECT_TRUE(once.ends_with("    <true/>\n    <key>LSUIElement</key>\n    <true/>\n</dict>\n</plist>\n"));
    EXPECT_EQ(set_lsuielement(once), once);

    std::string off = once;
    off.replace(off.rfind("<true/>"), 7, "<false/>");
    EXPECT_EQ(set_lsuielement(off), once);
}

TEST(Launcher, Text) {
    EXPECT_EQ(launcher_script_text("game"), "#!/bin/sh\n"
                                            "DIR=\"$(cd \"$(dirname \"$0\")\" && pwd)\"\n"
                                            "nohup \"$DIR/game\" > /dev/null 2>&1 &\n");
    std::string escaped = launcher_script_text("a\"$`\\b");
    EXPECT_EQ(escaped.substr(escaped.find("nohup")), "nohup \"$DIR/a\\\"\\$\\`\\\\b\" > /dev/null 2>&1 &\n");
}

TEST(DesktopEntry, Text) {
    EXPECT_EQ(desktop_entry_text("game", "/home/me/p/.wexlin/build/game", "/home/me/p/.wexlin/build/game.png",
                                 false),
              "[Desktop Entry]\nType=Application\nName=game\nExec=/home/me/p/.wexlin/build/game\n"
              "Icon=/home/me/p/.wexlin/build/game.png\nTerminal=false\nCategories=Game;\n");
    EXPECT_EQ(desktop_entry_text("game", "/p/game", "", true),
              "[Desktop Entry]\nType=Application\nName=game\nExec=/p/game\nIcon=\nTerminal=true\n"
              "Categories=Game;\n");
}

TEST(DesktopEntry, ExecPathsAreQuotedWhenNeeded) {
    struct Case {
        const char* path;
        const char* exec_line;
    };
    const Case cases[] = {
        {"/my games/game", "Exec=\"/my games/game\"\n"},
        {"/p/100%/game", "Exec=/p/100%%/game\n"},
        {"/p/$x/g", "Exec=\"/p/\\\\$x/g\"\n"},
        {"/p/a\\b", "Exec=\"/p/a\\\\\\\\b\"\n"},
    };
    for (const auto& c : cases) {
        std::string text = desktop_entry_text("g", c.path, "", false);
        EXPECT_NE(text.find(c.exec_line), std::string::npos) << c.path << "\n" << text;
    }
}

TEST(DesktopEntry, TerminalRewrite) {
    struct Case {
        const char* name;
        const char* entry;
        bool terminal;
        const char* expected;
    };
    const Case cases[] = {
        {"line replaced, final line feed dropped", "[Desktop Entry]\nTerminal=false\nCategories=Game;\n",
         true, "[Desktop Entry]\nTerminal=true\nCategories=Game;"},
        {"carriage returns go with the line end", "[Desktop Entry]\r\nTerminal=true\r\nName=x\r\n", false,
         "[Desktop Entry]\nTerminal=false\nName=x"},
        {"every Terminal line", "Terminal=1\nName=a\nTerminal=2", true,
         "Terminal=true\nName=a\nTerminal=true"},
        {"appended without a final line feed", "[Desktop Entry]\nName=x", true,
         "[Desktop Entry]\nName=x\nTerminal=true"},
        {"trailing blank space removed", "[Desktop Entry]\nName=x\n\n  \n", false,
         "[Desktop Entry]\nName=x\nTerminal=false"},
        {"inside a line counts too", "[Desktop Entry]\nX-Terminal=yes\n", true,
         "[Desktop Entry]\nX-Terminal=yes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(set_desktop_terminal(c.entry, c.terminal), c.expected) << c.name;
}

TEST(WindowsIcon, PillowScript) {
    EXPECT_EQ(pillow_conversion_script("icon.png", ".wexlin/build/game.exe.ico"),
              "from PIL import Image; img = Image.open('icon.png'); img.save('.wexlin/build/game.exe.ico', "
              "sizes=[(256,256),(128,128),(64,64),(48,48),(32,32),(16,16)])");
    EXPECT_EQ(pillow_conversion_script("C:\\icons\\it's.png", "out.ico").substr(0, 63),
              "from PIL import Image; img = Image.open('C:\\\\icons\\\\it\\'s.png')");
}

} // namespace
} // namespace wexlin::builder
