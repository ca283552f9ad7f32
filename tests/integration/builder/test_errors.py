"""Every build error: its message in red on standard error, exit status 1,
and what was printed on standard output before it."""

import os
import resource
import signal

from harness import (BASE_TOOLS, RED, RESET, Project, RuntimeServer, error, expect, expect_equal, main,
                     make_archive, progress, scratch_dir, server_root, tools_dir, yellow)

TARGETS = "Supported targets: linux-x86_64, macos-x86_64, macos-aarch64, win-x86_64"
FORMATS = "Supported formats: png, ico, icns, jpg, svg"
SMALL_RUNTIME = b"\x7fELF" + b"\0" * 96

ARCHIVES = scratch_dir("archives")
make_archive(os.path.join(ARCHIVES, "empty"), {"README": b"no runtime in here\n"})
with open(os.path.join(ARCHIVES, "garbage"), "wb") as f:
    f.write(b"this is not a gzip file\n" * 4)
ROOT = server_root({"wexlin-1.1.3-macos-x86_64.tar.gz": os.path.join(ARCHIVES, "empty"),
                    "wexlin-1.1.3-macos-aarch64.tar.gz": os.path.join(ARCHIVES, "garbage")})

BUILD_LINE = yellow("Building for target: linux-x86_64") + "\x1b[32mUsing cached binary from .wexlin/cache/" \
    "linux-x86_64" + RESET + "\n" + progress("Building standalone binary...", "failed")


def check(project, args, stderr, stdout="", **build):
    result = project.build(*args, **build)
    what = "build %s" % " ".join(args)
    expect_equal(result.status, 1, what + " status\n%r" % result)
    if callable(stderr):
        expect(stderr(result.stderr), what + " stderr %r" % result.stderr)
    else:
        expect_equal(result.stderr, error(stderr), what + " stderr")
    expect_equal(result.out, stdout, what + " stdout")


def test_request_checks():
    project = Project()
    project.write("game.wx", 'print("x");\n')
    project.write("game.WX", "")
    project.write("game", "")
    project.write(".wx", "")
    project.write("bad.wx", b"print(\"\xff\");\n")
    project.write("logo", b"\x89PNG")
    project.write("logo.Gif", b"GIF89a")
    project.write("logo.PNG", b"\x89PNG")
    for name in ("game.WX", "game", ".wx"):
        check(project, [name], "Error: Only .wx files are allowed.")
    check(project, ["missing.wx"], "Error: Failed to read the file: No such file or directory")
    check(project, ["bad.wx"], "Error: Failed to read the file: stream did not contain valid UTF-8")
    check(project, ["game.wx", "--icon", "nope.png"], "Error: Icon file 'nope.png' not found.")
    check(project, ["game.wx", "--icon", "logo"], "Error: Unsupported icon format ''. " + FORMATS)
    check(project, ["game.wx", "--icon", "logo.Gif"], "Error: Unsupported icon format 'Gif'. " + FORMATS)
    check(project, ["game.wx", "--target", "linux"], "Error: Unknown target 'linux'. " + TARGETS)
    # Only the first failing check is reported.
    check(project, ["game.wx", "--icon", "nope.png", "--target", "bogus"], "Error: Icon file 'nope.png' not found.")
    check(project, ["game.wx", "--icon", "logo.PNG", "--target", "Win32"], "Error: Unknown target 'Win32'. " + TARGETS)
    # An OUTPUT must name a file of its own inside the build folder.
    check(project, ["game.wx", ""], "Error: OUTPUT must not be empty.")
    for output in ("../game", "../work/wexlin", "../cache/linux-x86_64/wexlin", ".", "x/../..", "sub/"):
        check(project, ["game.wx", output], "Error: OUTPUT '%s' does not name a file inside .wexlin/build." % output)
    expect(not project.exists(".wexlin"), "refused outputs touch nothing")
    # A script a standalone program would not find when it starts.
    with open(project.path("huge.wx"), "wb") as f:
        f.truncate(100000001)  # NUL bytes: valid UTF-8
    check(project, ["huge.wx"], "Error: The script is 100000001 bytes long; a standalone program can carry at "
          "most 100000000 bytes.")
    os.remove(project.path("huge.wx"))


def test_download_errors():
    project = Project()
    project.write("game.wx", 'print("x");\n')
    announce = yellow("Building for target: windows-x86_64")
    downloading = progress("Downloading Wexlin binary...", None)

    project.write(".wexlin/cache", "a file where the cache folder goes")
    check(project, ["game.wx", "--target", "win-x86_64"], "Error: Failed to create cache dir: Not a directory",
          announce + downloading)
    os.remove(project.path(".wexlin/cache"))

    check(project, ["game.wx", "--target", "win-x86_64"],
          "Error: Failed to download binary (curl may not be installed): No such file or directory",
          announce + downloading, tools=tools_dir(("tar", "gzip", "chmod")))

    with RuntimeServer(ROOT) as server:
        url = server.url + "/wexlin/1.1.3/wexlin-1.1.3-windows-portable.tar.gz"
        prefix = RED + "Error: Failed to download from " + url + ". Status: 22. stderr: "
        check(project, ["game.wx", "--target", "win-x86_64"],
              lambda err: err.startswith(prefix) and "404" in err and err.endswith(RESET + "\n"),
              announce + progress("Downloading Wexlin binary...", "failed"), server=server)
        expect(not project.exists(".wexlin/cache/windows-x86_64/wexlin.exe"), "no stand-in for another platform")

        check(project, ["game.wx", "--target", "macos-aarch64"], "Error: Failed to extract archive: No such file or "
              "directory", yellow("Building for target: macos-aarch64") + progress("Downloading Wexlin binary...") +
              progress("Extracting binary...", None), server=server, tools=tools_dir(("curl", "gzip", "chmod")))

        check(project, ["game.wx", "--target", "macos-aarch64"],
              lambda err: err.startswith(RED + "Error: Failed to extract archive. stderr: ") and "gzip" in err,
              yellow("Building for target: macos-aarch64") + progress("Downloading Wexlin binary...") +
              progress("Extracting binary...", "failed"), server=server)

        check(project, ["game.wx", "--target", "macos-x86_64"],
              "Error: Binary not found after extraction. Expected at: .wexlin/cache/macos-x86_64/wexlin",
              yellow("Building for target: macos-x86_64") + progress("Downloading Wexlin binary...") +
              progress("Extracting binary..."), server=server)
        expect(not project.exists(".wexlin/cache/macos-x86_64/wexlin.tar.gz"), "archive deleted")


def limit_file_size():
    # Lets the runtime copy be written but not the script after it.
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (len(SMALL_RUNTIME) + 4, resource.RLIM_INFINITY))


def test_assembly_errors():
    cases = [
        ("Failed to create temp directory: Not a directory", [], lambda p: p.write(".wexlin/work", "a file"), None),
        ("Failed to copy Wexlin binary: ", [], lambda p: os.makedirs(p.path(".wexlin/work/wexlin")), None),
        ("Failed to embed script: File too large", [], lambda p: None, limit_file_size),
        ("Failed to create build directory: Not a directory", ["sub/x"],
         lambda p: p.write(".wexlin/build/sub", "a file"), None),
        ("Failed to copy final binary: ", ["out"], lambda p: os.makedirs(p.path(".wexlin/build/out")), None),
    ]
    for message, extra, setup, preexec in cases:
        project = Project()
        project.write("game.wx", 'print("x");\n')
        os.chmod(project.write(".wexlin/cache/linux-x86_64/wexlin", SMALL_RUNTIME), 0o755)
        setup(project)
        if message.endswith(": "):
            check(project, ["game.wx", *extra, "--target", "linux-x86_64"],
                  lambda err, m=message: err.startswith(RED + "Error: " + m) and len(err) > len(m) + 20,
                  BUILD_LINE, preexec=preexec)
        else:
            check(project, ["game.wx", *extra, "--target", "linux-x86_64"], "Error: " + message, BUILD_LINE,
                  preexec=preexec)


if __name__ == "__main__":
    main([test_request_checks, test_download_errors, test_assembly_errors])
