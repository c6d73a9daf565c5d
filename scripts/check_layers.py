#!/usr/bin/env python3
"""Checks that every #include "engine/..." or "game/..." in engine/ and game/ points down a floor.

    scripts/check_layers.py [ROOT]

ROOT is the source tree (default: the one this script lives in). Every source file under
ROOT/engine and ROOT/game belongs to the folder of ALLOWED with the longest matching prefix; it may
include its own folder and the folders listed for it, nothing else, unless the file and the folder
it reaches are listed in EXCEPTIONS. Prints each wrong include and exits 1; exits 0 when none.
docs/layers.md says why the floors are what they are.
"""
import os
import re
import sys

# Lowest first: each folder and the folders it may include besides itself. A folder's files belong
# to the longest key that is a prefix of their path (engine/render/d3d7 is engine/render).
_PLATFORM = ["engine/platform"]
_CORE = ["engine/core"] + _PLATFORM
_FS = ["engine/fs"] + _CORE
_RESOURCE = ["engine/resource"] + _FS
_RENDER_RESOURCES = ["engine/render/resources", "engine/render/shaders"] + _RESOURCE
_SCENE = ["engine/scene"] + _RENDER_RESOURCES
_CONTROLLERS = ["engine/controllers"] + _SCENE
_IMPORT = ["engine/import"] + _CONTROLLERS
_APP = ["engine/app", "engine/render", "engine/audio"] + _IMPORT
_ENGINE = ["engine/ui"] + _APP
_COMMON = ["game/common"] + _ENGINE
_DECORATION = ["game/decoration"] + _COMMON
_DIVE = ["game/dive", "game/dive/model"]

ALLOWED = {
    # The operating system: windows, files, threads, time, the software device and the mixer.
    "engine/platform": [],
    # Values, maths, names, settings, events, the frame clock and threads.
    "engine/core": _PLATFORM,
    # Files, archives, mounts and the user-data folder.
    "engine/fs": _CORE,
    # Resources by path, profiles, high scores, the settings file and the string table.
    "engine/resource": _FS,
    # The shader-code preprocessor.
    "engine/render/shaders": _FS,
    # What the renderer draws with and the device interface they talk to: materials, textures and
    # their loaders, the atlas, animated textures, primitives, pixel formats, shader definitions.
    "engine/render/resources": _RESOURCE + ["engine/render/shaders"],
    # Nodes, cameras, sprites, particles, text.
    "engine/scene": _RENDER_RESOURCES,
    # What animates nodes.
    "engine/controllers": _SCENE,
    # Scene, animation, story and grid files.
    "engine/import": _CONTROLLERS,
    # The renderers (d3d7, opengl) and what draws the scene: views, lights, fonts, overlays.
    "engine/render": _SCENE,
    "engine/audio": _RESOURCE,
    # The engine object, its start-up and frame loop, input and the game-state stack.
    "engine/app": _APP,
    "engine/ui": _ENGINE,
    "game/common": _ENGINE,
    "game/decoration": _COMMON,
    # The ground of the dive: the board's pure rules, testable with no scene above them.
    "game/dive/model": ["game/common"] + _ENGINE,
    # One floor: the dive and the hidden-object game may use each other's pieces.
    "game/dive": _DIVE + ["game/hiddenobject"] + _DECORATION,
    "game/hiddenobject": _DIVE + _DECORATION,
    "game/screens": _DIVE + ["game/hiddenobject"] + _DECORATION,
    "game/shell": ["game/screens"] + _DIVE + ["game/hiddenobject"] + _DECORATION,
    # main.cpp
    "game": ["game/shell", "game/screens"] + _DIVE + ["game/hiddenobject"] + _DECORATION,
}

# (file, folder it reaches up to): reason. At most five; each one is a loop someone chose to keep.
EXCEPTIONS = {
    ("engine/app/ZGameEngine.cpp", "engine/ui"):
        "the game engine is the composition root: it installs the 2D layers and the pointer",
    ("engine/controllers/ZAnimationSet.cpp", "engine/import"):
        "ZAnimationSet::Load builds an animated group from a scene file and its animation files",
}

MAX_EXCEPTIONS = 5
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".c", ".inl")
INCLUDE = re.compile(r'^\s*#\s*include\s*"((?:engine|game)/[^"]+)"')


def folder_of(path):
    """The ALLOWED key with the longest prefix of path (a path relative to the root, with /)."""
    best = None
    for key in ALLOWED:
        if path == key or path.startswith(key + "/"):
            if best is None or len(key) > len(best):
                best = key
    return best


def check(root):
    """The list of problems found under root, each one line."""
    problems = []
    if len(EXCEPTIONS) > MAX_EXCEPTIONS:
        problems.append(f"{len(EXCEPTIONS)} exceptions listed; at most {MAX_EXCEPTIONS} are allowed")
    used = set()
    for top in ("engine", "game"):
        for directory, subdirs, files in os.walk(os.path.join(root, top)):
            subdirs.sort()
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                full = os.path.join(directory, name)
                path = os.path.relpath(full, root).replace(os.sep, "/")
                source = folder_of(path)
                if source is None:
                    problems.append(f"{path}: its folder is not in the layer table of scripts/check_layers.py")
                    continue
                with open(full, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = folder_of(match.group(1))
                        if target is None:
                            problems.append(f"{path}:{number}: includes \"{match.group(1)}\", "
                                            "whose folder is not in the layer table")
                            continue
                        if target == source or target in ALLOWED[source]:
                            continue
                        if (path, target) in EXCEPTIONS:
                            used.add((path, target))
                            continue
                        problems.append(f"{path}:{number}: {source} may not include {target} "
                                        f"(\"{match.group(1)}\"): {target} is not below {source}")
    for path, target in sorted(set(EXCEPTIONS) - used):
        if os.path.exists(os.path.join(root, path)):
            problems.append(f"exception {path} -> {target} is no longer needed: remove it from the list")
    return problems


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"layer check: {len(problems)} problem(s); the floors are in scripts/check_layers.py "
              "and docs/layers.md")
        return 1
    print(f"layer check: every include points down a floor ({len(EXCEPTIONS)} listed exceptions)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
