"""Linux builds against the project's own runtime archive on a loopback server:
the built program runs its script, the cache is used, the desktop entry and
icons are made with the real tools."""

import os
import shutil
import socket
import subprocess
import time

from harness import (RESET, WEXLIN, Project, RuntimeServer, RUNTIME_ARCHIVE, BASE_TOOLS, SYSTEM_PATH, expect,
                     expect_equal, green, main, payload, progress, runtime_bytes, scratch_dir, server_root, tools_dir,
                     warning, yellow)

ARCHIVE_PATH = "/wexlin/1.1.3/wexlin-1.1.3-linux-x86_64.tar.gz"
SCRIPT = 'let greeting = "game says hi";\nprint(greeting);\n'
ROOT = server_root({"wexlin-1.1.3-linux-x86_64.tar.gz": RUNTIME_ARCHIVE})


def validate_desktop(path):
    check = subprocess.run(["desktop-file-validate", path], capture_output=True, text=True, timeout=30)
    expect(check.returncode == 0 and "error" not in check.stdout.lower(),
           "desktop-file-validate: " + check.stdout + check.stderr)


def test_download_then_cache():
    project = Project()
    project.write("game.wx", SCRIPT)
    with RuntimeServer(ROOT) as server:
        first = project.build("game.wx", server=server)
        expect_equal(first.status, 0, "status\n%r" % first)
        expect_equal(first.stderr, "", "stderr")
        expect_equal(first.out,
                     yellow("Building for target: linux-x86_64") + progress("Downloading Wexlin binary...") +
                     progress("Extracting binary...") + green("Binary cached at .wexlin/cache/linux-x86_64") +
                     progress("Building standalone binary...") + green("Location: .wexlin/build/game"), "stdout")
        expect_equal(server.requests(), [ARCHIVE_PATH], "requests")

        runtime = runtime_bytes()
        expect_equal(project.read(".wexlin/cache/linux-x86_64/wexlin"), runtime, "cached runtime")
        expect(not project.exists(".wexlin/cache/linux-x86_64/wexlin.tar.gz"), "archive deleted")
        expect(not project.exists(".wexlin/work"), "work folder removed")
        expect(project.read(".wexlin/build/game") == runtime + payload(SCRIPT), "output = runtime + payload")
        expect(os.access(project.path(".wexlin/build/game"), os.X_OK), "output is executable")

        # The built program runs its script and ignores its own arguments.
        for args in ([], ["-h"], ["-v", "build", "other.wx"], ["install", "a/b"]):
            ran = project.run(".wexlin/build/game", *args)
            expect_equal((ran.status, ran.stdout, ran.stderr), (0, "game says hi\n", ""), "run %r" % args)

        # A second build downloads nothing; OUTPUT and a target in capitals.
        project.write("game.wx", 'print("v2");\n')
        second = project.build("game.wx", "other", "--target", "LINUX-X86_64", server=server)
        expect_equal(second.status, 0, "second status\n%r" % second)
        expect_equal(second.out,
                     yellow("Building for target: linux-x86_64") +
                     green("Using cached binary from .wexlin/cache/linux-x86_64") +
                     progress("Building standalone binary...") + green("Location: .wexlin/build/other"), "stdout 2")
        expect_equal(server.requests(), [ARCHIVE_PATH], "no second download")
        expect(project.read(".wexlin/build/other") == runtime + payload('print("v2");\n'), "second output")
        expect_equal(project.run(".wexlin/build/other", "x").stdout, "v2\n", "second program")

        # The default OUTPUT of a script in a folder keeps the folder.
        project.write("levels/one.wx", 'print("level one");\n')
        nested = project.build("levels/one.wx", server=server)
        expect_equal(nested.status, 0, "nested status\n%r" % nested)
        expect(nested.out.endswith(green("Location: .wexlin/build/levels/one")), "nested location")
        expect_equal(project.run(".wexlin/build/levels/one").stdout, "level one\n", "nested program")

        # A rebuild over an existing, longer output replaces it entirely.
        project.write("game.wx", "")
        third = project.build("game.wx", server=server)
        expect_equal(third.status, 0, "third status")
        expect(project.read(".wexlin/build/game") == runtime + payload(""), "empty script output")
        empty = project.run(".wexlin/build/game", "-h")
        expect_equal((empty.status, empty.stdout, empty.stderr), (0, "", ""), "an empty script runs and ends")


def test_host_runtime_stands_in_when_download_fails():
    project = Project()
    project.write("game.wx", SCRIPT)
    with RuntimeServer(server_root({})) as empty_server:
        result = project.build("game.wx", server=empty_server)
        url = empty_server.url + ARCHIVE_PATH
    expect_equal(result.status, 0, "status\n%r" % result)
    expect_equal(result.out,
                 yellow("Building for target: linux-x86_64") + progress("Downloading Wexlin binary...", "failed") +
                 green("Binary cached at .wexlin/cache/linux-x86_64") + progress("Building standalone binary...") +
                 green("Location: .wexlin/build/game"), "stdout")
    expect(result.stderr.startswith(warning("Could not download the runtime from " + url + " (curl exit status 22: ")[:-5]),
           "warning: %r" % result.stderr)
    expect(result.stderr.endswith("); using this wexlin executable as the linux-x86_64 runtime." + RESET + "\n"),
           "warning end: %r" % result.stderr)
    with open(WEXLIN, "rb") as f:
        expect(project.read(".wexlin/cache/linux-x86_64/wexlin") == f.read(), "this executable cached")
    expect_equal(project.run(".wexlin/build/game").stdout, "game says hi\n", "program runs")


def test_desktop_entry_and_terminal():
    # A space in the project's path must not split the Exec line.
    project = Project("my games")
    project.write("game.wx", SCRIPT)
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "--terminal", "false", server=server)
        expect_equal(result.status, 0, "status\n%r" % result)
        expect(result.out.startswith(yellow("Building for target: linux-x86_64") + yellow("Terminal: false")),
               "announced")
        expect(result.out.endswith(progress("Building standalone binary...") +
                                   progress("Applying terminal setting...") +
                                   green("Location: .wexlin/build/game")), "stdout %r" % result.out)
        program = os.path.realpath(project.path(".wexlin/build/game"))
        entry = project.read(".wexlin/build/game.desktop").decode()
        expect_equal(entry, "[Desktop Entry]\nType=Application\nName=game\nExec=\"%s\"\nIcon=\nTerminal=false\n"
                     "Categories=Game;\n" % program, "new entry")
        validate_desktop(project.path(".wexlin/build/game.desktop"))

        # An existing entry gets its Terminal line rewritten.
        result = project.build("game.wx", "--terminal", "yes", server=server)
        expect_equal(result.status, 0, "status 2")
        expect_equal(project.read(".wexlin/build/game.desktop").decode(), entry.replace(
            "Terminal=false", "Terminal=true").rstrip("\n"), "rewritten entry")
        validate_desktop(project.path(".wexlin/build/game.desktop"))

        # An entry without a Terminal line and without a final line feed.
        project.write(".wexlin/build/game.desktop", "[Desktop Entry]\nType=Application\nName=x\nExec=/bin/true")
        result = project.build("game.wx", "--terminal", "1", server=server)
        expect_equal(project.read(".wexlin/build/game.desktop").decode(),
                     "[Desktop Entry]\nType=Application\nName=x\nExec=/bin/true\nTerminal=true", "appended line")


def make_icons(project):
    project.write("icon.svg", '<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48">'
                  '<circle cx="24" cy="24" r="20" fill="#2a7"/></svg>\n')
    subprocess.run(["/usr/bin/convert", "-size", "48x48", "xc:#c33", project.path("icon.png")], check=True,
                   timeout=60)
    subprocess.run(["/usr/bin/convert", project.path("icon.png"), project.path("logo.JPG")], check=True, timeout=60)


def test_icons_with_imagemagick_and_fallbacks():
    project = Project()
    project.write("game.wx", SCRIPT)
    make_icons(project)
    with_convert = tools_dir(BASE_TOOLS + ("convert",))
    without_converters = tools_dir()
    with RuntimeServer(ROOT) as server:
        for icon, tools, placed in (("icon.png", without_converters, ".wexlin/build/game.png"),
                                    ("logo.JPG", with_convert, ".wexlin/build/game.png"),
                                    ("icon.svg", with_convert, ".wexlin/build/game.png"),
                                    ("icon.svg", without_converters, ".wexlin/build/game.svg")):
            for leftover in ("game.png", "game.svg"):
                if project.exists(".wexlin/build/" + leftover):
                    os.remove(project.path(".wexlin/build/" + leftover))
            result = project.build("game.wx", "--icon", icon, "--terminal", "true", server=server, tools=tools)
            what = "%s with %s" % (icon, "convert" if tools == with_convert else "no converter")
            expect_equal(result.status, 0, what + "\n%r" % result)
            expect_equal(result.stderr, "", what + " stderr")
            expect(result.out.endswith(
                progress("Building standalone binary...") + progress("Applying icon...") +
                green("Icon: " + placed) + green("Desktop file: .wexlin/build/game.desktop") +
                progress("Applying terminal setting...") + green("Location: .wexlin/build/game")),
                what + " stdout %r" % result.out)
            data = project.read(placed)
            if placed.endswith(".png"):
                expect(data.startswith(b"\x89PNG\r\n\x1a\n"), what + ": a PNG")
                if icon == "icon.png":
                    expect(data == project.read("icon.png"), "a png icon is copied unchanged")
            else:
                expect(data == project.read(icon), what + ": unchanged copy")
            entry = project.read(".wexlin/build/game.desktop").decode()
            expect("\nIcon=%s\n" % os.path.realpath(project.path(placed)) in entry, what + " icon line " + entry)
            expect(entry.endswith("\nTerminal=true\nCategories=Game;"), what + " terminal line " + entry)
            validate_desktop(project.path(".wexlin/build/game.desktop"))

        # Nothing can be placed: no converter, and the copy's name is taken.
        os.remove(project.path(".wexlin/build/game.svg"))
        os.makedirs(project.path(".wexlin/build/game.svg"))
        result = project.build("game.wx", "--icon", "icon.svg", server=server, tools=without_converters)
        expect_equal(result.status, 0, "unplaced status")
        expect_equal(result.stderr, warning("Could not convert icon to PNG. Install ImageMagick (`sudo apt install "
                                            "imagemagick`) for automatic conversion."), "unplaced warning")
        expect(result.out.endswith(progress("Applying icon...", "failed") + green("Location: .wexlin/build/game")),
               "unplaced stdout %r" % result.out)
        expect("\nIcon=\n" in project.read(".wexlin/build/game.desktop").decode(), "empty icon line")


def test_outputs_never_lie_in_the_work_folder():
    project = Project()
    outside = scratch_dir("elsewhere")
    with open(os.path.join(outside, "game.wx"), "w") as f:
        f.write('print("from elsewhere");\n')
    project.write("tmp/game.wx", 'print("from tmp");\n')
    project.write("game.wx", 'print("from here");\n')
    subprocess.run(["/usr/bin/convert", "-size", "16x16", "xc:#c33", project.path("icon.png")], check=True,
                   timeout=60)
    with RuntimeServer(ROOT) as server:
        for file, location, says in (("tmp/game.wx", ".wexlin/build/tmp/game", "from tmp\n"),
                                     ("./game.wx", ".wexlin/build/game", "from here\n"),
                                     (os.path.join(outside, "game.wx"), ".wexlin/build/game", "from elsewhere\n")):
            result = project.build(file, "--icon", "icon.png", server=server)
            expect_equal(result.status, 0, file + "\n%r" % result)
            expect(result.out.endswith(green("Location: " + location)), file + " location %r" % result.out)
            for companion in ("", ".png", ".desktop"):
                expect(project.exists(location + companion), file + ": " + location + companion + " is there")
            expect(not project.exists(".wexlin/work"), file + ": work folder removed")
            expect_equal(project.run(location).stdout, says, file + " runs")


def test_cached_runtimes_are_checked():
    runtime = runtime_bytes()
    cache = ".wexlin/cache/linux-x86_64/wexlin"
    with RuntimeServer(ROOT) as server:
        for problem, data, mode in (("is empty", b"", 0o755),
                                    ("is not a Linux executable (no ELF header)", runtime[:2], 0o755),
                                    ("is not a Linux executable (no ELF header)", b"MZ" + runtime[2:], 0o755),
                                    ("is not executable", runtime, 0o644)):
            project = Project()
            project.write("game.wx", SCRIPT)
            os.chmod(project.write(cache, data), mode)
            result = project.build("game.wx", server=server)
            expect_equal(result.status, 0, problem + "\n%r" % result)
            expect_equal(result.stderr, warning("The cached runtime %s %s; obtaining it again." % (cache, problem)),
                         problem + " warning")
            expect(green("Binary cached at .wexlin/cache/linux-x86_64") in result.out, problem + " downloaded")
            expect(project.read(".wexlin/build/game") == runtime + payload(SCRIPT), problem + " output")
            expect_equal(project.run(".wexlin/build/game").stdout, "game says hi\n", problem + " program runs")


def test_multi_frame_ico_gives_its_largest_frame():
    project = Project()
    project.write("game.wx", SCRIPT)
    subprocess.run(["/usr/bin/convert", "-size", "64x64", "xc:#2a7", "-define", "icon:auto-resize=16,64,32",
                    project.path("icon.ico")], check=True, timeout=60)
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", "--icon", "icon.ico", server=server,
                               tools=tools_dir(BASE_TOOLS + ("convert",)))
    expect_equal((result.status, result.stderr), (0, ""), "status\n%r" % result)
    expect(green("Icon: .wexlin/build/game.png") in result.out, "icon note %r" % result.out)
    png = project.read(".wexlin/build/game.png")
    expect(png.startswith(b"\x89PNG\r\n\x1a\n"), "a PNG")
    expect_equal((int.from_bytes(png[16:20], "big"), int.from_bytes(png[20:24], "big")), (64, 64), "largest frame")
    expect_equal(sorted(os.listdir(project.path(".wexlin/build"))), ["game", "game.desktop", "game.png"],
                 "no frame files left")


def test_programs_carry_their_modules():
    project = Project()
    # The script uses alice.math (installed), which uses helpers.wx beside the
    # script; the script also uses the submodule alice.math.units and, in a
    # function it never calls, a module that is nowhere.
    project.write(".wexlin/modules/alice/math/index.wx",
                  "use helpers { double };\ndef square(x) { return x * x; }\n")
    project.write(".wexlin/modules/alice/math/units/index.wx", "def cm(x) { return x * 10; }\n")
    project.write("helpers.wx", "def double(x) { return x + x; }\n")
    script = ("use alice.math;\nuse alice.math.units;\nuse files;\n"
              "def never() { use nowhere.mod; }\n"
              "print(math.square(3));\nprint(math.double(4));\nprint(units.cm(2));\n")
    project.write("game.wx", script)
    with RuntimeServer(ROOT) as server:
        result = project.build("game.wx", server=server)
    expect_equal(result.status, 0, "status\n%r" % result)
    expect_equal(result.stderr, warning("Module 'nowhere.mod' was not found, so it is not embedded; the program "
                                        "will look for it where it runs."), "warning")
    expect(result.out.endswith(progress("Building standalone binary...") + green("Embedded modules: 3") +
                               green("Location: .wexlin/build/game")), "stdout %r" % result.out)
    program = project.read(".wexlin/build/game")
    expect(program.endswith(payload(script)), "the script payload stays the last bytes")
    before_script = program[:-len(payload(script))]
    expect(before_script.endswith(b"WEXLIN_MODULES"), "modules block in front of the script")
    expect_equal(int.from_bytes(before_script[-30:-22], "little"), 3, "module count")

    # Run from an empty folder elsewhere: no module folder, no helpers.wx.
    # A helpers.wx there does not replace the one the program carries.
    empty = scratch_dir("empty")
    shutil.copy(project.path(".wexlin/build/game"), os.path.join(empty, "game"))
    for extra in ({}, {"helpers.wx": "def double(x) { return x * 100; }\n"}):
        for name, text in extra.items():
            with open(os.path.join(empty, name), "w") as f:
                f.write(text)
        ran = subprocess.run([os.path.join(empty, "game")], cwd=empty, stdin=subprocess.DEVNULL, capture_output=True,
                             timeout=60, env={"PATH": SYSTEM_PATH})
        expect_equal((ran.returncode, ran.stdout.decode(), ran.stderr.decode()), (0, "9\n8\n20\n", ""),
                     "run from an empty folder %r" % list(extra))


def test_a_silent_runtime_server_does_not_hang_the_build():
    project = Project()
    project.write("game.wx", SCRIPT)
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as silent:
        # Connections complete in the kernel's backlog; nothing ever answers.
        silent.bind(("127.0.0.1", 0))
        silent.listen(8)
        start = time.monotonic()
        result = project.build("game.wx", env={"WEXLIN_RUNTIME_URL": "http://127.0.0.1:%d" % silent.getsockname()[1]})
        elapsed = time.monotonic() - start
    expect_equal(result.status, 0, "status\n%r" % result)
    expect(25 < elapsed < 60, "bounded by the stalled-transfer limit: %.1f s" % elapsed)
    expect("curl exit status 28" in result.stderr, "timed out: %r" % result.stderr)
    expect_equal(project.run(".wexlin/build/game").stdout, "game says hi\n", "the stand-in program runs")


if __name__ == "__main__":
    main([test_download_then_cache, test_host_runtime_stands_in_when_download_fails, test_desktop_entry_and_terminal,
          test_icons_with_imagemagick_and_fallbacks, test_outputs_never_lie_in_the_work_folder,
          test_cached_runtimes_are_checked, test_multi_frame_ico_gives_its_largest_frame,
          test_programs_carry_their_modules, test_a_silent_runtime_server_does_not_hang_the_build])
