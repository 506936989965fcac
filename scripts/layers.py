#!/usr/bin/env python3
"""Prints the folder graph of src/ and checks it: each folder includes only
itself and the folders its CMakeLists.txt links (target_link_libraries), and
the links have no cycle. Exits 1 on a violation.

    python3 scripts/layers.py
"""
import pathlib
import re
import sys

SRC = pathlib.Path(__file__).resolve().parent.parent / "src"
LINK = re.compile(r"target_link_libraries\(\s*quistrel_(\w+)\s+(?:PUBLIC|PRIVATE|INTERFACE)([^)]*)\)", re.S)
INCLUDE = re.compile(r'^\s*#\s*include\s+"(\w+)/', re.M)


def declared_links():
    links = {}
    for cmake in sorted(SRC.glob("*/CMakeLists.txt")):
        folder = cmake.parent.name
        text = cmake.read_text()
        if f"quistrel_add_part({folder})" not in text:
            continue  # not a part of the program (resources)
        links.setdefault(folder, set())
        for target, rest in LINK.findall(text):
            if target == folder:
                links[folder] |= {name for name in re.findall(r"quistrel_(\w+)", rest)}
    return links


def used_folders(folder):
    used = set()
    for source in (SRC / folder).glob("*"):
        if source.suffix in (".h", ".cpp"):
            used |= {name for name in INCLUDE.findall(source.read_text(encoding="utf-8"))
                     if (SRC / name).is_dir() and name != folder}
    return used


def layers(links):
    """Folders grouped by height: a folder stands one above the highest it uses."""
    height = {}

    def visit(folder, path):
        if folder in path:
            raise ValueError("cycle: " + " -> ".join(path + [folder]))
        if folder not in height:
            height[folder] = 1 + max((visit(dep, path + [folder]) for dep in links.get(folder, ())), default=-1)
        return height[folder]

    for folder in links:
        visit(folder, [])
    return [sorted(f for f in height if height[f] == level) for level in range(max(height.values()) + 1)]


def main():
    links = declared_links()
    problems = []
    for folder in sorted(links):
        for used in sorted(used_folders(folder) - links[folder]):
            problems.append(f"src/{folder}/ includes {used}/ but does not link quistrel_{used}")
    try:
        levels = layers(links)
    except ValueError as cycle:
        problems.append(str(cycle))
        levels = []
    for number, level in reversed(list(enumerate(levels))):
        for folder in level:
            uses = ", ".join(sorted(links[folder])) or "-"
            print(f"{number}  {folder + '/':11} uses {uses}")
    for problem in problems:
        print("layers: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
