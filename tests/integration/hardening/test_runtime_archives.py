#!/usr/bin/env python3
"""The build command against a hostile runtime server: a truncated archive
must not leave part of a runtime in the cache for the next build, and an
archive whose runtime is a link to a file of this machine must not get that
file copied into the program.

Usage: test_runtime_archives.py WEXLIN_BINARY RUNTIME_ARCHIVE"""
import io
import os
import sys
import tarfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "builder"))

from harness import (Project, RuntimeServer, expect, expect_equal, main, make_archive,  # noqa: E402
                     scratch_dir, server_root)

TARGET = "macos-x86_64"
ARCHIVE = "wexlin-1.1.3-macos-x86_64.tar.gz"
CACHED = ".wexlin/cache/macos-x86_64/wexlin"
RUNTIME = b"\xcf\xfa\xed\xfe" + os.urandom(2_000_000)  # starts like a 64-bit Mach-O file


def test_truncated_archive_leaves_no_runtime_behind():
    folder = scratch_dir("archives")
    good = os.path.join(folder, "good.tar.gz")
    make_archive(good, {"wexlin": RUNTIME})
    with open(good, "rb") as f:
        whole = f.read()
    truncated = os.path.join(folder, "truncated.tar.gz")
    with open(truncated, "wb") as f:
        f.write(whole[: len(whole) * 6 // 10])

    root = server_root({ARCHIVE: truncated})
    project = Project()
    project.write("game.wx", 'print("x");\n')
    with RuntimeServer(root) as server:
        result = project.build("game.wx", "--target", TARGET, server=server)
        expect_equal(result.status, 1, "status after a truncated archive\n%r" % result)
        expect("Failed to extract archive" in result.stderr, "extract error: %r" % result.stderr)
        expect(not project.exists(CACHED), "part of the runtime was left in the cache")

        # The server gets a whole archive: the next build downloads it again.
        os.replace(good, os.path.join(root, "wexlin", "1.1.3", ARCHIVE))
        result = project.build("game.wx", "--target", TARGET, server=server)
        expect_equal(result.status, 0, "status after the archive was repaired\n%r" % result)
        expect("Using cached binary" not in result.out, "a damaged cache was used: %r" % result.out)
        expect_equal(project.read(CACHED), RUNTIME, "the cached runtime")


def test_runtime_that_is_a_link_is_refused():
    secret_folder = scratch_dir("secret")
    secret = os.path.join(secret_folder, "id_secret")
    with open(secret, "wb") as f:
        f.write(b"SECRET KEY MATERIAL\n")
    for name in ["absolute link", "relative link", "dangling link"]:
        project = Project()
        project.write("game.wx", 'print("x");\n')
        cache = project.path(os.path.dirname(CACHED))
        member = {"absolute link": secret, "relative link": os.path.relpath(secret, cache),
                  "dangling link": "../nothing/here"}[name]
        archive = os.path.join(scratch_dir("archives"), "link.tar.gz")
        with tarfile.open(archive, "w:gz") as tar:
            info = tarfile.TarInfo("wexlin")
            info.type = tarfile.SYMTYPE
            info.linkname = member
            tar.addfile(info)
        root = server_root({ARCHIVE: archive})
        with RuntimeServer(root) as server:
            result = project.build("game.wx", "--target", TARGET, server=server)
        expect_equal(result.status, 1, name + " status\n%r" % result)
        expect("The runtime in the archive is not a regular file: " + CACHED in result.stderr,
               name + " message: %r" % result.stderr)
        expect(not os.path.lexists(project.path(CACHED)), name + ": the link stayed in the cache")
        for dirpath, _, files in os.walk(project.path(".")):
            for file in files:
                path = os.path.join(dirpath, file)
                if os.path.isfile(path) and not os.path.islink(path):
                    with open(path, "rb") as f:
                        expect(b"SECRET KEY MATERIAL" not in f.read(), name + ": secret copied into " + path)


def test_runtime_that_is_a_folder_is_refused():
    archive = os.path.join(scratch_dir("archives"), "folder.tar.gz")
    with tarfile.open(archive, "w:gz") as tar:
        info = tarfile.TarInfo("wexlin")
        info.type = tarfile.DIRTYPE
        info.mode = 0o755
        tar.addfile(info)
        inner = tarfile.TarInfo("wexlin/inner")
        inner.size = 4
        tar.addfile(inner, io.BytesIO(b"data"))
    root = server_root({ARCHIVE: archive})
    project = Project()
    project.write("game.wx", 'print("x");\n')
    with RuntimeServer(root) as server:
        result = project.build("game.wx", "--target", TARGET, server=server)
        expect_equal(result.status, 1, "folder status\n%r" % result)
        expect("The runtime in the archive is not a regular file" in result.stderr, "folder message %r" % result.stderr)
        expect(not os.path.lexists(project.path(CACHED)), "the folder stayed in the cache")


def test_runtime_that_is_no_program_of_the_target_is_refused():
    for what, data, message in (("empty", b"", "is empty"),
                                ("a Linux program", b"\x7fELF" + bytes(64), "is not a macOS executable "
                                 "(no Mach-O header)")):
        archive = os.path.join(scratch_dir("archives"), "wrong.tar.gz")
        make_archive(archive, {"wexlin": data})
        project = Project()
        project.write("game.wx", 'print("x");\n')
        with RuntimeServer(server_root({ARCHIVE: archive})) as server:
            result = project.build("game.wx", "--target", TARGET, server=server)
        expect_equal(result.status, 1, what + " status\n%r" % result)
        expect("Error: The runtime in the archive %s: %s" % (message, CACHED) in result.stderr,
               what + " message %r" % result.stderr)
        expect(not os.path.lexists(project.path(CACHED)), what + ": kept in the cache")
        expect(not project.exists(".wexlin/build"), what + ": no program built")


if __name__ == "__main__":
    main([test_truncated_archive_leaves_no_runtime_behind, test_runtime_that_is_a_link_is_refused,
          test_runtime_that_is_a_folder_is_refused, test_runtime_that_is_no_program_of_the_target_is_refused])
