"""macOS builds made on this machine: the .app bundle and its Info.plist (read
back with plistlib), the iconset made with the real ImageMagick when sips is
missing, and the two no-terminal forms."""

import os
import plistlib
import struct

from harness import (BASE_TOOLS, Project, RuntimeServer, expect, expect_equal, green, main, make_archive,
                     progress, scratch_dir, server_root, tools_dir, warning, yellow)

SCRIPT = 'print("mac game");\n'
MAC_RUNTIME = b"\xcf\xfa\xed\xfe stands in for a Mach-O runtime\n"
ARCHIVES = scratch_dir("archives")
for name in ("macos-aarch64", "macos-x86_64"):
    make_archive(os.path.join(ARCHIVES, name), {"wexlin": MAC_RUNTIME})
ROOT = server_root({"wexlin-1.1.3-%s.tar.gz" % name: os.path.join(ARCHIVES, name)
                    for name in ("macos-aarch64", "macos-x86_64")})

ICONSET = [(16, "icon_16x16.png"), (32, "icon_16x16@2x.png"), (32, "icon_32x32.png"), (64, "icon_32x32@2x.png"),
           (128, "icon_128x128.png"), (256, "icon_128x128@2x.png"), (256, "icon_256x256.png"),
           (512, "icon_256x256@2x.png"), (512, "icon_512x512.png"), (1024, "icon_512x512@2x.png")]

# Logs every call, then hands it to the real ImageMagick.
CONVERT = "#!/bin/sh\nprintf '%%s\\n' convert \"$@\" >> '%s'\nexec /usr/bin/convert \"$@\"\n"

# Stands in for the macOS iconutil: checks the iconset that was made and
# packs its PNGs into an icns container.
ICONUTIL = """#!/usr/bin/python3
import os, struct, sys
mode, kind, iconset, out_flag, out = sys.argv[1:]
assert (mode, kind, out_flag) == ("-c", "icns", "-o"), sys.argv
expected = %r
types = ["icp4", "ic11", "icp5", "ic12", "ic07", "ic13", "ic08", "ic14", "ic09", "ic10"]
assert sorted(os.listdir(iconset)) == sorted(name for _, name in expected), os.listdir(iconset)
body = b""
for (edge, name), kind in zip(expected, types):
    data = open(os.path.join(iconset, name), "rb").read()
    assert data[:8] == b"\\x89PNG\\r\\n\\x1a\\n", name
    assert struct.unpack(">II", data[16:24]) == (edge, edge), (name, data[16:24])
    body += kind.encode() + struct.pack(">I", len(data) + 8) + data
open(out, "wb").write(b"icns" + struct.pack(">I", len(body) + 8) + body)
"""


def plist_text(name, icon, agent=False):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN"',
             '  "http://www.apple.com/DTDs/PropertyList-1.0.dtd">', '<plist version="1.0">', "<dict>"]
    for key, value in (("CFBundleName", name), ("CFBundleDisplayName", name),
                       ("CFBundleIdentifier", "com.wexlin." + name.lower()), ("CFBundleVersion", "1.0.0"),
                       ("CFBundlePackageType", "APPL"), ("CFBundleExecutable", name), ("CFBundleIconFile", icon),
                       ("LSMinimumSystemVersion", "10.13.0")):
        lines += ["    <key>%s</key>" % key, "    <string>%s</string>" % value]
    lines += ["    <key>NSHighResolutionCapable</key>", "    <true/>"]
    if agent:
        lines += ["    <key>LSUIElement</key>", "    <true/>"]
    lines += ["</dict>", "</plist>"]
    return "\n".join(lines) + "\n"


def make_icon(project):
    import subprocess
    subprocess.run(["/usr/bin/convert", "-size", "40x40", "xc:#964", project.path("icon.png")], check=True,
                   timeout=60)


def test_bundle_with_iconset_and_no_terminal():
    project = Project()
    project.write("game.wx", SCRIPT)
    make_icon(project)
    log = project.path("convert.log")
    tools = tools_dir(BASE_TOOLS, {"convert": CONVERT % log, "iconutil": ICONUTIL % ICONSET})
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "MyGame", "--target", "macos-aarch64", "--icon", "icon.png", "--terminal",
                               "false", server=server, tools=tools)
        expect_equal(result.status, 0, "status\n%r" % result)
        expect_equal(result.stderr, "", "stderr")
        expect_equal(result.out,
                     yellow("Building for target: macos-aarch64") + yellow("Icon: icon.png") +
                     yellow("Terminal: false") + progress("Downloading Wexlin binary...") +
                     progress("Extracting binary...") + green("Binary cached at .wexlin/cache/macos-aarch64") +
                     progress("Building standalone binary...") + progress("Applying icon...") +
                     progress("Applying terminal setting...") + green("Location: .wexlin/build/MyGame") +
                     green("App Bundle: .wexlin/build/MyGame.app"), "stdout")

        iconset = ".wexlin/build/MyGame.app/Contents/Resources/AppIcon.icns.iconset"
        with open(log) as f:
            calls = f.read().splitlines()
        expected = []
        for edge, name in ICONSET:
            expected += ["convert", "icon.png", "-resize", "%dx%d" % (edge, edge), iconset + "/" + name]
        expect_equal(calls, expected, "one real ImageMagick resize per iconset row (sips is missing)")
        expect(not project.exists(iconset), "iconset removed")
        expect(project.read(".wexlin/build/MyGame.app/Contents/Resources/AppIcon.icns")[:4] == b"icns", "icns made")
        expect_equal(project.read(".wexlin/build/MyGame.app/Contents/MacOS/MyGame"),
                     project.read(".wexlin/build/MyGame"), "program copied into the bundle")

        raw = project.read(".wexlin/build/MyGame.app/Contents/Info.plist")
        expect_equal(raw.decode(), plist_text("MyGame", "AppIcon", agent=True), "Info.plist text")
        parsed = plistlib.loads(raw)
        expect_equal(parsed["CFBundleIdentifier"], "com.wexlin.mygame", "identifier")
        expect_equal(parsed["CFBundleIconFile"], "AppIcon", "icon file")
        expect(parsed["LSUIElement"] is True, "LSUIElement")

        # A later build without an icon finds the bundle; the key is not added twice.
        again = project.build("game.wx", "MyGame", "--target", "macos-aarch64", "--terminal", "false",
                              server=server, tools=tools)
        expect_equal(again.status, 0, "status 2")
        expect(again.out.endswith(progress("Applying terminal setting...") + green("Location: .wexlin/build/MyGame")),
               "no bundle note without an icon: %r" % again.out)
        raw = project.read(".wexlin/build/MyGame.app/Contents/Info.plist")
        expect_equal(raw.count(b"LSUIElement"), 1, "LSUIElement once")
        expect(plistlib.loads(raw)["LSUIElement"] is True, "still an agent")


def test_bundle_without_tools_and_with_icns():
    project = Project()
    project.write("game.wx", SCRIPT)
    make_icon(project)
    icns = b"icns" + struct.pack(">I", 8)
    project.write("app.ICNS", icns)
    log = project.path("tools.log")
    failing = "#!/bin/sh\nprintf '%%s\\n' %s \"$@\" >> '%s'\nexit 1\n"
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "--target", "macos-x86_64", "--icon", "icon.png", server=server)
        expect_equal(result.status, 0, "status\n%r" % result)
        expect_equal(result.stderr, warning(
            "Could not convert 'icon.png' to .icns. Install ImageMagick (`brew install imagemagick`) for automatic "
            "icon conversion. The .app bundle was created without an icon."), "stderr")
        expect(result.out.endswith(progress("Applying icon...") + green("Location: .wexlin/build/game") +
                                   green("App Bundle: .wexlin/build/game.app")), "stdout %r" % result.out)
        raw = project.read(".wexlin/build/game.app/Contents/Info.plist")
        expect_equal(raw.decode(), plist_text("game", ""), "Info.plist without icon")
        expect_equal(plistlib.loads(raw)["CFBundleIconFile"], "", "empty icon file")
        expect(not project.exists(".wexlin/build/game.app/Contents/Resources/AppIcon.icns"), "no icns")
        expect(not project.exists(".wexlin/build/game.app/Contents/Resources/AppIcon.icns.iconset"), "no iconset")

        # Without iconutil, ImageMagick "converts" to .icns by writing PNG data
        # under that name: not an icon container, so the bundle gets no icon.
        result = project.build("game.wx", "--target", "macos-x86_64", "--icon", "icon.png", server=server,
                               tools=tools_dir(BASE_TOOLS + ("convert",)))
        expect_equal(result.status, 0, "convert-only status")
        expect("Could not convert 'icon.png' to .icns." in result.stderr, "convert-only warning %r" % result.stderr)
        expect(not project.exists(".wexlin/build/game.app/Contents/Resources/AppIcon.icns"), "no false icns")

        tools = tools_dir(BASE_TOOLS, {name: failing % (name, log) for name in ("sips", "convert", "iconutil")})
        result = project.build("game.wx", "--target", "macos-x86_64", "--icon", "app.ICNS", server=server,
                               tools=tools)
        expect_equal((result.status, result.stderr), (0, ""), "icns build\n%r" % result)
        expect(not os.path.exists(log), "no tool runs for an icns icon")
        expect_equal(project.read(".wexlin/build/game.app/Contents/Resources/AppIcon.icns"), icns, "copied as is")
        expect_equal(plistlib.loads(project.read(".wexlin/build/game.app/Contents/Info.plist"))["CFBundleIconFile"],
                     "AppIcon", "icon named")


def test_launcher_without_bundle():
    project = Project()
    project.write("game.wx", SCRIPT)
    with RuntimeServer(ROOT) as server:
        on = project.build("game.wx", "--target", "macos-x86_64", "--terminal", "true", server=server)
        expect_equal(on.status, 0, "status on")
        expect("Applying terminal setting" not in on.stdout, "terminal on does nothing on macOS")
        off = project.build("game.wx", "--target", "macos-x86_64", "--terminal", "false", server=server)
    expect_equal(off.status, 0, "status off\n%r" % off)
    expect(off.out.endswith(progress("Applying terminal setting...") +
                            green("No-terminal launcher: .wexlin/build/game_launcher.command") +
                            green("Location: .wexlin/build/game")), "stdout %r" % off.out)
    expect_equal(project.read(".wexlin/build/game_launcher.command").decode(),
                 '#!/bin/sh\nDIR="$(cd "$(dirname "$0")" && pwd)"\nnohup "$DIR/game" > /dev/null 2>&1 &\n',
                 "launcher")
    expect_equal(os.stat(project.path(".wexlin/build/game_launcher.command")).st_mode & 0o777, 0o755,
                 "the launcher may be opened from Finder")


if __name__ == "__main__":
    main([test_bundle_with_iconset_and_no_terminal, test_bundle_without_tools_and_with_icns,
          test_launcher_without_bundle])
