#!/usr/bin/env python3
"""Checks that the plug-in's dependencies point one way only.

Every `#include "..."` of the source tree is resolved (beside the including file first,
then from the root) and the folder it lands in must be one the including folder may
use. The libraries' direct links, as CMake writes them at configure time, must form no
cycle, and a library of a layer may link only libraries of the layers it may include.

    check_layers.py --root SOURCE_DIR [--links BUILD_DIR/layers/links.txt]

Exit status 0 when all is well, 1 with one line per fault otherwise.
"""

import argparse
import os
import re
import sys

# Which folders each folder may include (itself always). Folders not named here
# (tools, tests, bench) may include anything.
MAY_INCLUDE = {
    "engine": set(),
    "toolkit": set(),
    "resources": set(),
    "core": {"engine"},
    "editor": {"core", "toolkit", "resources", "presets"},
    # The editor's preset strip (the preset store itself is in core).
    "presets": {"core", "toolkit", "resources", "editor"},
    "shell": {"core", "engine", "toolkit", "resources", "editor", "presets"},
    # The LV2 adapter sits beside the VST 2.4 one.
    "lv2": {"core", "engine", "toolkit", "resources", "editor", "presets"},
    # So does the CLAP adapter.
    "clap": {"core", "engine", "toolkit", "resources", "editor", "presets"},
}

# Includes that still point the wrong way, each with the reason it is allowed.
# An entry that no longer occurs is reported too, so the list only shrinks.
EXCEPTIONS = {}

# The layer of each library of the plug-in; other libraries (the host harness, the
# validator, ...) are tools and are checked for cycles only.
LIBRARY_LAYER = {
    "lumdel_engine": "engine",
    "lumdel_core": "core",
    "lumdel_toolkit": "toolkit",
    "lumdel_resources": "resources",
    # The editor and its preset strip (editor/ and presets/ may include each other).
    "lumdel_editor": "editor",
    "lumdel_plugin": "shell",
    "Lumdel_lv2": "lv2",
    "Lumdel_lv2_ui": "lv2",
    "lumdel_clap": "clap",
}

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SKIP_DIRS = {".git"}


def top_folder(root, path):
    rel = os.path.relpath(path, root)
    parts = rel.split(os.sep)
    return parts[0] if len(parts) > 1 else ""


def source_files(root):
    for folder in sorted(os.listdir(root)):
        base = os.path.join(root, folder)
        if not os.path.isdir(base) or folder in SKIP_DIRS or folder.startswith("build"):
            continue
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames[:] = sorted(d for d in dirnames if d not in SKIP_DIRS)
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.join(dirpath, name)


def resolve(root, including, target):
    for base in (os.path.dirname(including), root):
        candidate = os.path.normpath(os.path.join(base, target))
        if os.path.isfile(candidate):
            return candidate
    return None


def check_includes(root, rules, exceptions):
    faults = []
    used = set()
    for path in source_files(root):
        folder = top_folder(root, path)
        if folder not in rules:
            continue
        allowed = rules[folder] | {folder}
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        for target in INCLUDE.findall(text):
            resolved = resolve(root, path, target)
            if resolved is None:
                continue  # a system or generated header: not part of the tree's layers
            to = top_folder(root, resolved)
            if to in allowed:
                continue
            rel = os.path.relpath(path, root)
            key = (rel, os.path.relpath(resolved, root))
            if key in exceptions:
                used.add(key)
                continue
            faults.append(f"{rel}: includes {target} ({to}/), but {folder}/ may include only "
                          f"{', '.join(sorted(allowed))}")
    for key in sorted(set(exceptions) - used):
        if not os.path.isfile(os.path.join(root, key[0])):
            continue  # another tree (the check's own tests)
        faults.append(f"{key[0]}: listed exception for {key[1]} no longer occurs; remove it")
    return faults


def read_links(path):
    links = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or ":" not in line:
                continue
            name, _, rest = line.partition(":")
            links[name.strip()] = [t for t in re.split(r"[\s,;]+", rest) if t]
    return links


def find_cycle(links):
    """One cycle of the graph as a list of names, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in links.get(node, []):
            if nxt not in links:
                continue  # a system library
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(links):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def check_links(links, rules, library_layer):
    faults = []
    cycle = find_cycle(links)
    if cycle:
        faults.append("library link cycle: " + " -> ".join(cycle))
    for lib, targets in sorted(links.items()):
        layer = library_layer.get(lib)
        if layer is None or layer not in rules:
            continue
        allowed = rules[layer] | {layer}
        for t in targets:
            to = library_layer.get(t)
            if to is not None and to not in allowed:
                faults.append(f"{lib} ({layer}/) links {t} ({to}/), but {layer}/ may use only "
                              f"{', '.join(sorted(allowed))}")
    return faults


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="the source tree")
    parser.add_argument("--links", help="the libraries' links as CMake wrote them")
    args = parser.parse_args(argv)
    faults = check_includes(os.path.abspath(args.root), MAY_INCLUDE, EXCEPTIONS)
    if args.links:
        faults += check_links(read_links(args.links), MAY_INCLUDE, LIBRARY_LAYER)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} dependencies point the wrong way")
        return 1
    print("dependencies point one way")
    return 0


if __name__ == "__main__":
    sys.exit(main())
