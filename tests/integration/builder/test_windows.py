"""Windows builds: a runtime archive holding a real PE program made with the
mingw-w64 cross compiler and a stand-in SDL2.dll, the subsystem patch read
back with real PE readers, and the icon conversion and rcedit chains."""

import os
import re
import subprocess

from harness import (BASE_TOOLS, Project, RuntimeServer, expect, expect_equal, green, install_copy, main, make_archive,
                     payload, progress, scratch_dir, server_root, tools_dir, warning, yellow)

SCRIPT = 'print("windows game");\n'
SDL_STAND_IN = b"not really SDL2, only its name\n"


def build_pe():
    folder = scratch_dir("mingw")
    source = os.path.join(folder, "main.c")
    with open(source, "w") as f:
        f.write('#include <stdio.h>\nint main(void) { puts("runtime"); return 0; }\n')
    exe = os.path.join(folder, "wexlin.exe")
    subprocess.run(["x86_64-w64-mingw32-gcc", "-O1", "-s", "-o", exe, source], check=True, timeout=120)
    with open(exe, "rb") as f:
        return f.read()


PE = build_pe()
ARCHIVE = os.path.join(scratch_dir("archives"), "wexlin-1.1.3-windows-portable.tar.gz")
make_archive(ARCHIVE, {"wexlin.exe": PE, "SDL2.dll": SDL_STAND_IN})
ROOT = server_root({"wexlin-1.1.3-windows-portable.tar.gz": ARCHIVE})


def subsystem_of(path):
    """The subsystem as objdump -p and, where installed, pefile read it."""
    dump = subprocess.run(["objdump", "-p", path], capture_output=True, text=True, timeout=60, check=True).stdout
    found = re.search(r"^Subsystem\s+([0-9a-fA-F]+)", dump, re.M)
    expect(found is not None, "objdump shows a subsystem")
    value = int(found.group(1), 16)
    pefile_check = subprocess.run(
        ["/usr/bin/python3", "-c", "import sys, pefile; print(pefile.PE(sys.argv[1]).OPTIONAL_HEADER.Subsystem)",
         path], capture_output=True, text=True, timeout=60)
    if pefile_check.returncode == 0:
        expect_equal(int(pefile_check.stdout), value, "pefile agrees with objdump")
    return value


def patched(image, value):
    pe = int.from_bytes(image[0x3C:0x40], "little")
    return image[:pe + 0x5C] + bytes([value, 0]) + image[pe + 0x5E:]


def test_windows_build_and_subsystem_patch():
    project = Project()
    project.write("game.wx", SCRIPT)
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "--target", "win-x86_64", server=server)
        expect_equal(result.status, 0, "status\n%r" % result)
        expect_equal(result.stderr, "", "stderr")
        expect_equal(result.out,
                     yellow("Building for target: windows-x86_64") + progress("Downloading Wexlin binary...") +
                     progress("Extracting binary...") + green("Binary cached at .wexlin/cache/windows-x86_64") +
                     progress("Building standalone binary...") + green("Location: .wexlin/build/game.exe"), "stdout")
        expect_equal(server.requests(), ["/wexlin/1.1.3/wexlin-1.1.3-windows-portable.tar.gz"], "requests")
        expect(project.read(".wexlin/build/game.exe") == PE + payload(SCRIPT), "output = runtime + payload")
        expect_equal(project.read(".wexlin/build/SDL2.dll"), SDL_STAND_IN, "SDL2.dll beside the program")
        expect_equal(subsystem_of(project.path(".wexlin/build/game.exe")), 3, "mingw's console program")

        for terminal, value in (("false", 2), ("true", 3), ("NO", 2)):
            result = project.build("game.wx", "--target", "windows-x86_64", "--terminal", terminal, server=server)
            expect_equal(result.status, 0, "status %s\n%r" % (terminal, result))
            expect_equal(result.stderr, "", "stderr " + terminal)
            expect_equal(result.out,
                         yellow("Building for target: windows-x86_64") +
                         yellow("Terminal: " + ("true" if value == 3 else "false")) +
                         green("Using cached binary from .wexlin/cache/windows-x86_64") +
                         progress("Building standalone binary...") + progress("Applying terminal setting...") +
                         green("Location: .wexlin/build/game.exe"), "stdout " + terminal)
            output = project.read(".wexlin/build/game.exe")
            expect(output == patched(PE, value) + payload(SCRIPT), "only the subsystem field changed")
            expect_equal(subsystem_of(project.path(".wexlin/build/game.exe")), value, "subsystem " + terminal)
        expect_equal(len(server.requests()), 1, "one download for all builds")


def test_63_byte_output_gets_the_patch_warning():
    project = Project()
    project.write("tiny.wx", "print(1);\n")  # 10 bytes: 32 + 10 + 21 = 63
    project.write(".wexlin/cache/windows-x86_64/wexlin.exe", b"MZ" + b"\0" * 30)
    result = project.build("tiny.wx", "--target", "win-x86_64", "--terminal", "false")
    expect_equal(result.status, 0, "status\n%r" % result)
    expect_equal(result.stderr, warning("Could not patch PE subsystem for terminal setting: Not a valid PE file "
                                        "(no MZ header)"), "stderr (and nothing about SDL2.dll)")
    expect_equal(result.out,
                 yellow("Building for target: windows-x86_64") + yellow("Terminal: false") +
                 green("Using cached binary from .wexlin/cache/windows-x86_64") +
                 progress("Building standalone binary...") + progress("Applying terminal setting...", "failed") +
                 green("Location: .wexlin/build/tiny.exe"), "stdout")
    expect_equal(len(project.read(".wexlin/build/tiny.exe")), 63, "output size")
    expect(not project.exists(".wexlin/build/SDL2.dll"), "no SDL2.dll")


def logging_tool(log, name, status):
    return "#!/bin/sh\nprintf '%%s\\n' '%s' \"$@\" >> '%s'\nexit %d\n" % (name, log, status)


def read_log(log):
    if not os.path.exists(log):
        return []
    with open(log) as f:
        return f.read().splitlines()


def make_icons(project):
    subprocess.run(["/usr/bin/convert", "-size", "256x256", "xc:#36c", project.path("icon.png")], check=True,
                   timeout=60)
    subprocess.run(["/usr/bin/convert", project.path("icon.png"), project.path("icon.ico")], check=True, timeout=60)


def test_png_icon_without_rcedit_is_left_beside_the_program():
    project = Project()
    project.write("game.wx", SCRIPT)
    make_icons(project)
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "--target", "win-x86_64", "--icon", "icon.png", "--terminal", "false",
                               server=server, tools=tools_dir(BASE_TOOLS + ("convert",)))
    expect_equal(result.status, 0, "status\n%r" % result)
    expect_equal(result.stderr, warning(
        "Could not embed icon into Windows binary: rcedit / rcedit64 / wine+rcedit not found or failed. Install "
        "rcedit (https://github.com/electron/rcedit) and ensure it's on PATH."), "stderr")
    expect(result.out.endswith(
        progress("Building standalone binary...") + progress("Applying icon...", "failed") +
        green("Icon copied to: .wexlin/build/game.ico") + progress("Applying terminal setting...") +
        green("Location: .wexlin/build/game.exe")), "stdout %r" % result.out)
    expect_equal(project.read(".wexlin/build/game.ico"), project.read("icon.png"), "the user's file, unconverted")
    expect(not project.exists(".wexlin/build/game.exe.ico"), "temporary ico removed")
    expect(project.read(".wexlin/build/game.exe") == patched(PE, 2) + payload(SCRIPT), "program intact")


def test_ico_icon_runs_no_converter_and_rcedit64_embeds_it():
    project = Project()
    project.write("game.wx", SCRIPT)
    make_icons(project)
    log = project.path("tools.log")
    tools = tools_dir(BASE_TOOLS, {"convert": logging_tool(log, "convert", 1),
                                   "rcedit": logging_tool(log, "rcedit", 1),
                                   "rcedit64": logging_tool(log, "rcedit64", 0)})
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "--target", "win-x86_64", "--icon", "icon.ico", server=server, tools=tools)
    expect_equal(result.status, 0, "status\n%r" % result)
    expect_equal(result.stderr, "", "stderr")
    expect(result.out.endswith(progress("Applying icon...") + green("Location: .wexlin/build/game.exe")),
           "stdout %r" % result.out)
    exe = ".wexlin/build/game.exe"
    expect_equal(read_log(log), ["rcedit", exe, "--set-icon", "icon.ico", "rcedit64", exe, "--set-icon", "icon.ico"],
                 "tools run")
    expect(project.exists("icon.ico") and not project.exists(".wexlin/build/game.ico"), "nothing copied or deleted")


# Stands in for wine running rcedit: keeps the icon it was given and, like a
# resource editor that rewrites the file, drops the data appended to it.
FAKE_WINE = """#!/usr/bin/python3
import shutil, sys
tool, exe, option, ico = sys.argv[1:]
assert tool == "rcedit.exe" and option == "--set-icon", sys.argv
shutil.copyfile(ico, "embedded.ico")
with open(exe, "r+b") as f:
    f.truncate(%d)
"""


def test_pillow_converts_and_a_payload_dropped_by_rcedit_is_restored():
    project = Project()
    project.write("game.wx", SCRIPT)
    make_icons(project)
    tools = tools_dir(BASE_TOOLS + ("python3",), {"wine": FAKE_WINE % len(PE)})
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "--target", "win-x86_64", "--icon", "icon.png", "--terminal", "true",
                               server=server, tools=tools)
    expect_equal(result.status, 0, "status\n%r" % result)
    expect_equal(result.stderr, "", "stderr")
    expect(result.out.endswith(progress("Applying icon...") + progress("Applying terminal setting...") +
                               green("Location: .wexlin/build/game.exe")), "stdout %r" % result.out)
    ico = project.read("embedded.ico")
    expect(ico[:4] == b"\0\0\1\0", "Pillow wrote an ico")
    expect_equal(int.from_bytes(ico[4:6], "little"), 6, "six sizes")
    expect(not project.exists(".wexlin/build/game.exe.ico"), "temporary ico removed")
    expect(project.read(".wexlin/build/game.exe") == patched(PE, 3) + payload(SCRIPT), "payload restored")


def test_no_conversion_tool():
    project = Project()
    project.write("game.wx", SCRIPT)
    make_icons(project)
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "--target", "win-x86_64", "--icon", "icon.png", server=server)
    expect_equal(result.status, 0, "status\n%r" % result)
    expect_equal(result.stderr, warning("Could not convert icon to .ico: No icon conversion tool found (ImageMagick "
                                        "or Pillow required). Skipping icon."), "stderr")
    expect(result.out.endswith(progress("Applying icon...", "failed") + green("Location: .wexlin/build/game.exe")),
           "stdout %r" % result.out)
    expect(not project.exists(".wexlin/build/game.exe.ico") and not project.exists(".wexlin/build/game.ico"),
           "nothing left behind")


def test_archive_shipped_beside_wexlin_builds_offline():
    # Beside a portable folder's executable, and in the share folder of an
    # installed prefix. Nothing answers at the runtime address: any download
    # attempt would fail the build.
    for layout in (("runtimes",), ("..", "share", "wexlin", "runtimes")):
        prefix = scratch_dir("prefix")
        wexlin = install_copy(os.path.join(prefix, "bin"))
        shipped = os.path.normpath(os.path.join(prefix, "bin", *layout, "wexlin-1.1.3-windows-portable.tar.gz"))
        make_archive(shipped, {"wexlin.exe": PE, "SDL2.dll": SDL_STAND_IN})
        project = Project()
        project.write("game.wx", SCRIPT)
        offline = {"WEXLIN_RUNTIME_URL": "http://127.0.0.1:9"}
        result = project.build("game.wx", "--target", "win-x86_64", "--terminal", "false", env=offline, wexlin=wexlin)
        what = "/".join(layout)
        expect_equal(result.status, 0, "status %s\n%r" % (what, result))
        expect_equal(result.stderr, "", "stderr " + what)
        expect_equal(result.out,
                     yellow("Building for target: windows-x86_64") + yellow("Terminal: false") +
                     green("Using runtime archive " + shipped) + progress("Extracting binary...") +
                     green("Binary cached at .wexlin/cache/windows-x86_64") +
                     progress("Building standalone binary...") + progress("Applying terminal setting...") +
                     green("Location: .wexlin/build/game.exe"), "stdout " + what)
        expect(project.read(".wexlin/build/game.exe") == patched(PE, 2) + payload(SCRIPT), "program " + what)
        expect_equal(project.read(".wexlin/build/SDL2.dll"), SDL_STAND_IN, "SDL2.dll " + what)
        # The second build uses the cache, as after a download.
        result = project.build("game.wx", "--target", "win-x86_64", env=offline, wexlin=wexlin)
        expect("Using cached binary from .wexlin/cache/windows-x86_64" in result.out, "cache %s\n%r" % (what, result))

    # A damaged shipped archive is a build error that leaves no runtime in
    # the cache.
    prefix = scratch_dir("prefix")
    wexlin = install_copy(os.path.join(prefix, "bin"))
    shipped = os.path.join(prefix, "bin", "runtimes", "wexlin-1.1.3-windows-portable.tar.gz")
    os.makedirs(os.path.dirname(shipped))
    with open(shipped, "wb") as f:
        f.write(b"\x1f\x8b not really gzip")
    project = Project()
    project.write("game.wx", SCRIPT)
    result = project.build("game.wx", "--target", "win-x86_64", env={"WEXLIN_RUNTIME_URL": "http://127.0.0.1:9"},
                           wexlin=wexlin)
    expect_equal(result.status, 1, "status of a damaged archive\n%r" % result)
    expect("Failed to extract archive" in result.stderr, "extract error: %r" % result.stderr)
    expect(not project.exists(".wexlin/cache/windows-x86_64/wexlin.exe"), "no runtime cached")
    expect(not project.exists(".wexlin/build/game.exe"), "no program")


if __name__ == "__main__":
    main([test_windows_build_and_subsystem_patch, test_63_byte_output_gets_the_patch_warning,
          test_png_icon_without_rcedit_is_left_beside_the_program,
          test_ico_icon_runs_no_converter_and_rcedit64_embeds_it,
          test_pillow_converts_and_a_payload_dropped_by_rcedit_is_restored, test_no_conversion_tool,
          test_archive_shipped_beside_wexlin_builds_offline])
