#!/usr/bin/env python3
"""Checks that every relative link and image in the project's Markdown files
resolves: the file or folder it names exists, and a #fragment names a heading
of that file (as the code host makes anchors of headings). Addresses with a
scheme (https:, mailto:) are left alone. Exits 1 and names each broken link.

    python3 scripts/check-links.py              # the project's Markdown files
    python3 scripts/check-links.py FILE...      # these files only
"""
import pathlib
import re
import subprocess
import sys
import urllib.parse

ROOT = pathlib.Path(__file__).resolve().parent.parent
# [text](target "title") and ![alt](target); the target may sit in <...>.
INLINE = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
# [label]: target
REFERENCE = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s|$)", re.M)
HTML = re.compile(r"<(?:img|a)\b[^>]*?\b(?:src|href)=\"([^\"]+)\"", re.I)
FENCE = re.compile(r"^\s*(```|~~~)")
HEADING = re.compile(r"^\s{0,3}#{1,6}\s+(.*?)\s*#*\s*$")


def without_code(text):
    """The text with fenced blocks and inline code blanked, so that examples
    of links inside them are not taken for links."""
    lines, fenced = [], False
    for line in text.splitlines():
        if FENCE.match(line):
            fenced = not fenced
            lines.append("")
            continue
        lines.append("" if fenced else re.sub(r"`[^`]*`", "", line))
    return "\n".join(lines)


def slug(heading):
    """The anchor the code host gives a heading: lower case, punctuation
    dropped (letters of any script kept), spaces turned into hyphens."""
    text = re.sub(r"[`*_]|\[([^\]]*)\]\([^)]*\)", r"\1", heading).strip().lower()
    return "".join(c for c in text if c.isalnum() or c in " -_").replace(" ", "-")


def anchors(path):
    seen, result = {}, set()
    for line in without_code(path.read_text(encoding="utf-8")).splitlines():
        match = HEADING.match(line)
        if not match:
            continue
        base = slug(match.group(1))
        count = seen.get(base, 0)
        seen[base] = count + 1
        result.add(base if count == 0 else f"{base}-{count}")
    return result


def broken_links(path):
    text = without_code(path.read_text(encoding="utf-8"))
    targets = INLINE.findall(text) + REFERENCE.findall(text) + HTML.findall(text)
    for target in targets:
        if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I):
            continue
        address, _, fragment = target.partition("#")
        goal = (path.parent / urllib.parse.unquote(address)).resolve() if address else path
        if not goal.exists():
            yield target, "no such file"
        elif fragment and goal.suffix == ".md" and urllib.parse.unquote(fragment) not in anchors(goal):
            yield target, "no such heading"


def project_markdown():
    """The Markdown files git tracks, and new ones it does not ignore: a file
    written but not yet added is checked before its first commit."""
    names = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard", "*.md"], cwd=ROOT,
                           capture_output=True, text=True, check=True).stdout.split()
    return [ROOT / name for name in names if (ROOT / name).is_file()]


def main(arguments):
    files = [pathlib.Path(name).resolve() for name in arguments] or project_markdown()
    failures = 0
    for path in files:
        for target, reason in broken_links(path):
            print(f"{path.relative_to(ROOT) if path.is_relative_to(ROOT) else path}: {target}: {reason}")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
