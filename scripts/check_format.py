#!/usr/bin/env python3
"""Checks that the C and C++ lines changed since a base commit follow .clang-format.

    scripts/check_format.py [--fix] [BASE]

Only changed lines are checked (older code is reformatted when someone next works on it, not in
one sweeping commit), and a moved file counts only for the lines that changed in the move.
BASE defaults to QV_FORMAT_BASE, else the merge-base with main on a branch, else (on main, as in
CI) the commit before HEAD, so a merge is checked against the main it joined. Prints where the
lines differ from what clang-format would write and exits 1 when they do; --fix rewrites them.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
FOLDERS = ["engine", "game", "tests", "tools", "bench", "fuzz"]
SUFFIXES = (".c", ".cc", ".cpp", ".h", ".hpp")


def git(*args):
    return subprocess.run(["git", *args], cwd=ROOT, capture_output=True, text=True)


def default_base():
    head = git("rev-parse", "HEAD").stdout.strip()
    main = git("rev-parse", "-q", "--verify", "main").stdout.strip()
    if main and main != head:
        return git("merge-base", "HEAD", "main").stdout.strip()
    return git("rev-parse", "-q", "--verify", "HEAD~1").stdout.strip()


def changed_lines(base):
    """{path: [(first, last), ...]} of the lines added or changed since base (renames followed)."""
    diff = git("diff", "-U0", "-M", "--no-color", "--diff-filter=AMR", base, "--", *FOLDERS)
    if diff.returncode != 0:
        sys.exit(f"format check: git diff against {base} failed: {diff.stderr.strip()}")
    ranges = {}
    path = None
    for line in diff.stdout.splitlines():
        if line.startswith("+++ "):
            name = line[4:]
            path = name[2:] if name.startswith("b/") and name.endswith(SUFFIXES) else None
        elif path and line.startswith("@@"):
            match = re.match(r"@@ -\S+ \+(\d+)(?:,(\d+))? @@", line)
            first, count = int(match.group(1)), int(match.group(2) or "1")
            if count > 0:
                ranges.setdefault(path, []).append((first, first + count - 1))
    return ranges


def main(argv):
    fix = "--fix" in argv[1:]
    args = [a for a in argv[1:] if a != "--fix"]
    base = args[0] if args else os.environ.get("QV_FORMAT_BASE") or default_base()
    if not base:
        print("format check: no base commit to compare with")
        return 0
    failed = []
    for path, ranges in sorted(changed_lines(base).items()):
        lines = [f"--lines={a}:{b}" for a, b in ranges]
        mode = ["-i"] if fix else ["--dry-run", "-Werror"]
        done = subprocess.run(["clang-format", *mode, *lines, path], cwd=ROOT, capture_output=True, text=True)
        if done.returncode != 0:
            failed.append(path)
            print(done.stderr, end="")
    short = git("rev-parse", "--short", base).stdout.strip()
    if failed:
        print(f"format check: {len(failed)} file(s) with changed lines that do not follow .clang-format; "
              "run: scripts/check_format.py --fix")
        return 1
    print(f"format check: the lines changed since {short} follow .clang-format")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
