"""The Wine set-up every Windows test shares: one prefix inside the Windows
build folder, no debug chatter, no offer to install Mono or Gecko, and a
time bound on every call. Used as a module by the tests beside it, and as
    wine.py boot BUILD_DIR   create the prefix once (wineboot -i)
    wine.py stop BUILD_DIR   end the prefix's wineserver
"""
import os
import shutil
import subprocess
import sys


def environment(build_dir, prefix="wine-prefix"):
    env = dict(os.environ)
    env["WINEPREFIX"] = os.path.join(os.path.abspath(build_dir), prefix)
    env["WINEDEBUG"] = "-all"
    # Mono and Gecko are never needed; without this Wine offers to fetch them.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    env.pop("NO_COLOR", None)
    return env


def exe(build_dir):
    return os.path.join(os.path.abspath(build_dir), "wexlin.exe")


def command(build_dir, args, seconds=60):
    """The command line that runs wexlin.exe under Wine for at most seconds
    (then it is killed, and so is what Wine started for it)."""
    return ["timeout", "-k", "5", str(seconds), "wine", exe(build_dir)] + list(args)


def boot(build_dir):
    env = environment(build_dir)
    prefix = env["WINEPREFIX"]
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        os.makedirs(prefix, exist_ok=True)
        subprocess.run(["timeout", "-k", "10", "300", "wineboot", "-i"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Waits for the first boot's work to settle (bounded as well).
    subprocess.run(["timeout", "-k", "5", "120", "wineserver", "-w"], env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stop(build_dir, prefix="wine-prefix"):
    subprocess.run(["timeout", "-k", "5", "30", "wineserver", "-k"], env=environment(build_dir, prefix),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def clone(build_dir, prefix):
    """A second prefix, made from the booted one. Wine draws windows through
    a desktop process started with the prefix's first program, on that
    program's display; a test with a display of its own therefore needs a
    prefix no display-less program has started. The files are hard links
    to save time and room; the registry, which Wine rewrites, is copied."""
    source = environment(build_dir)["WINEPREFIX"]
    target = environment(build_dir, prefix)["WINEPREFIX"]
    stop(build_dir, prefix)
    shutil.rmtree(target, ignore_errors=True)
    subprocess.run(["cp", "-al", source, target], check=True, timeout=120)
    for name in os.listdir(source):
        if name.endswith(".reg"):
            os.remove(os.path.join(target, name))
            shutil.copy2(os.path.join(source, name), os.path.join(target, name))


def main():
    action, build_dir = sys.argv[1], sys.argv[2]
    if not os.path.exists(exe(build_dir)):
        print(f"no {exe(build_dir)}: build the Windows version first (scripts/windows-build.sh)")
        return 77
    if action == "boot":
        boot(build_dir)
    elif action == "stop":
        stop(build_dir)
    else:
        print(f"unknown action {action}")
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
