#!/usr/bin/env python3
"""Fails when an include runs against the layers of docs/architecture.md.

Each launcher folder has a layer; a file may include its own folder and the folders of lower
layers. Folders of one layer do not include each other. An include without a folder names a header of common/ (or the launcher's
jni/). common/ includes nothing but itself, and the build tool never includes launcher code.

Usage: check_layers.py [SOURCE_ROOT]
"""
import os
import re
import sys

LAYERS = {
    "jni": 0,
    "util": 1,
    "diagnostics": 2,
    "config": 3,
    "files": 4,
    "vm": 4,
    "instance": 5,
    "discovery": 6,
    "launch": 6,
    "splash": 6,
    "restart": 6,
    "startup": 7,
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")


def sources(folder):
    for directory, folders, names in os.walk(folder):
        folders.sort()
        for name in sorted(names):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(directory, name)


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            match = INCLUDE.match(line)
            if match:
                yield number, match.group(1)


def check_launcher(root, problems):
    launcher = os.path.join(root, "launcher")
    if not os.path.isdir(launcher):
        return
    common = os.path.join(root, "common")
    for entry in sorted(os.listdir(launcher)):
        path = os.path.join(launcher, entry)
        if os.path.isdir(path) and entry not in LAYERS and any(sources(path)):
            problems.append(f"launcher/{entry}/: folder has no layer in scripts/check_layers.py")
    for path in sources(launcher):
        relative = os.path.relpath(path, launcher).replace(os.sep, "/")
        if "/" not in relative:
            continue
        folder = relative.split("/")[0]
        if folder not in LAYERS:
            continue
        for number, target in includes(path):
            where = f"launcher/{relative}:{number}"
            if "/" not in target:
                if not (os.path.isfile(os.path.join(common, target))
                        or os.path.isfile(os.path.join(launcher, "jni", target))):
                    problems.append(f'{where}: "{target}" is neither in common/ nor folder-qualified')
                continue
            to = target.split("/")[0]
            if to == folder:
                continue
            if to not in LAYERS:
                problems.append(f'{where}: "{target}" is outside the launcher layers')
            elif LAYERS[to] > LAYERS[folder]:
                problems.append(f'{where}: {folder}/ (layer {LAYERS[folder]}) includes '
                                f'"{target}" from a higher layer ({LAYERS[to]})')
            elif LAYERS[to] == LAYERS[folder]:
                problems.append(f'{where}: {folder}/ includes "{target}" from a folder of its '
                                f'own layer ({LAYERS[to]})')


def check_common(root, problems):
    common = os.path.join(root, "common")
    if not os.path.isdir(common):
        return
    for path in sources(common):
        relative = os.path.relpath(path, root).replace(os.sep, "/")
        for number, target in includes(path):
            if not os.path.isfile(os.path.join(os.path.dirname(path), target)):
                problems.append(f'{relative}:{number}: common/ includes "{target}", which is not '
                                f"in common/")


def check_tool(root, problems):
    tool = os.path.join(root, "tool")
    launcher = os.path.join(root, "launcher")
    if not os.path.isdir(tool) or not os.path.isdir(launcher):
        return
    for path in sources(tool):
        relative = os.path.relpath(path, root).replace(os.sep, "/")
        for number, target in includes(path):
            if target.split("/")[0] in LAYERS and os.path.exists(os.path.join(launcher, target)):
                problems.append(f'{relative}:{number}: the build tool includes launcher code '
                                f'"{target}"')


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems = []
    check_launcher(root, problems)
    check_common(root, problems)
    check_tool(root, problems)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the layers (see docs/architecture.md)")
        return 1
    print("includes follow the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
