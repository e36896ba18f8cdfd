#!/usr/bin/env python3
"""Injects each fault of faults.py into a copy of the tree and runs the tests.

    tests/faults/run.py [--tree DIR] [--build DIR] [fault-id ...]

The tree (default: this checkout) is changed one file at a time and put back
afterwards; use a separate worktree (git worktree add) so that your own work
is not disturbed. The quick tests run first; the end-to-end ones only when the
quick ones missed the fault. Prints one table row per fault.
"""
import argparse
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from faults import FAULTS  # noqa: E402


def find(tree, names):
    """The files of that name under src/ and tools/; "a.cpp|b.cpp" names a file that was renamed,
    "app/main.cpp" one of several files of that name by its folder."""
    hits = []
    for top in ("src", "tools"):
        for folder, _, files in os.walk(os.path.join(tree, top)):
            for name in names.split("|"):
                path = os.path.join(folder, os.path.basename(name))
                if os.path.basename(name) in files and path.endswith(os.sep + name):
                    hits.append(path)
    return hits


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def failing_tests(output):
    return sorted(set(re.findall(r"Test +#\d+: (\S+) \.*\*\*\*", output)))


def check(tree, ids):
    """A row whose file or text has moved away injects nothing: list those, without building."""
    stale = 0
    for fid in ids:
        paths = find(tree, FAULTS[fid][0])
        count = open(paths[0], encoding="utf-8").read().count(FAULTS[fid][1]) if len(paths) == 1 else -1
        if count != 1:
            stale += 1
            print(f"{fid}: " + ("text found %d times" % count if count >= 0 else f"{len(paths)} files found"))
    print(f"{len(ids) - stale} of {len(ids)} rows apply")
    return 1 if stale else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tree", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    parser.add_argument("--build", default=None)
    parser.add_argument("--jobs", default=str(os.cpu_count() or 2))
    parser.add_argument("--check", action="store_true", help="only list the rows whose text is not found once")
    parser.add_argument("ids", nargs="*")
    args = parser.parse_args()
    tree = os.path.abspath(args.tree)
    if args.check:
        return check(tree, args.ids or list(FAULTS))
    build = os.path.abspath(args.build or os.path.join(tree, "build-faults"))
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        run(["cmake", "-S", tree, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], tree)
    ids = args.ids or list(FAULTS)
    print("| fault | what it does | caught | by |")
    print("|---|---|---|---|")
    caught = 0
    for fid in ids:
        name, old, new, what = FAULTS[fid]
        paths = find(tree, name)
        if len(paths) != 1:
            print(f"| {fid} | {what} | no such file ({len(paths)} found) | |", flush=True)
            continue
        path = paths[0]
        original = open(path, encoding="utf-8").read()
        if original.count(old) != 1:
            print(f"| {fid} | {what} | text not found once ({original.count(old)}) | |", flush=True)
            continue
        started = time.time()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(old, new))
            built = run(["cmake", "--build", build, "-j", args.jobs], tree)
            if built.returncode != 0:
                verdict, by = "does not build", ""
            else:
                quick = run(["ctest", "-LE", "e2e", "-j", args.jobs, "--stop-on-failure"], build)
                failed = failing_tests(quick.stdout)
                if quick.returncode == 0:
                    slow = run(["ctest", "-L", "e2e", "-j", args.jobs, "--stop-on-failure"], build)
                    failed = failing_tests(slow.stdout)
                    quick = slow
                verdict = "yes" if quick.returncode != 0 else "**no**"
                by = ", ".join(failed[:3])
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        caught += verdict == "yes"
        print(f"| {fid} | {what} | {verdict} | {by} |  <!-- {time.time() - started:.0f} s -->", flush=True)
    print(f"\n{caught} of {len(ids)} caught")
    # Leave the build matching the tree again.
    run(["cmake", "--build", build, "-j", args.jobs], tree)


if __name__ == "__main__":
    sys.exit(main())
