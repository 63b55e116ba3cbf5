#!/usr/bin/env python3
"""Checks that the includes between the folders of src/ run the allowed way.

    python3 tools/check_includes.py [SRC_DIR]     (default: the src/ beside tools/)

Every file under SRC_DIR belongs to a folder: src/<folder>/... . Each
`#include "folder/..."` of a file is an edge from its folder to the folder it
names, and ALLOWED below lists, for every folder, the folders it may include
besides itself. Two sides meet only at the top:

  the component's side: host <- db <- query, library_tables <- tree, console
                        <- component <- ui
  the player's side:    host <- profile <- library <- player
  desktop uses both sides (but never app); app uses everything.

The core never includes Qt: a Qt header (<Q...>) is allowed only in ui/,
desktop/ and the desktop files of app/ (app/desktop_*).

Exits 0 when every include is allowed. Otherwise prints each offending edge
as `file -> include` with the reason, and exits 1. Standard library only.
"""

import pathlib
import re
import sys

_CORE_SIDE = {"host", "db", "query", "library_tables", "tree", "console", "component", "ui"}
_PLAYER_SIDE = {"host", "profile", "library", "player"}

# folder -> the folders it may include (its own is always allowed).
ALLOWED = {
    "host": set(),
    "db": {"host"},
    "query": {"db", "host"},
    "library_tables": {"db", "host"},
    "tree": {"query", "library_tables", "db", "host"},
    "console": {"db", "query", "library_tables", "host"},
    "component": {"tree", "console", "library_tables", "query", "db", "host"},
    "ui": {"component", "tree", "console", "library_tables", "query", "db", "host"},
    "profile": {"host"},
    "library": {"profile", "host"},
    "player": {"library", "profile", "host"},
    "mpd": {"player", "tree", "library", "profile", "host", "query", "db", "library_tables"},
    "desktop": (_CORE_SIDE | _PLAYER_SIDE | {"mpd"}),
    "app": (_CORE_SIDE | _PLAYER_SIDE | {"desktop", "mpd"}),
}

# Folders whose files may include Qt; in app/ only its desktop files may.
QT_FOLDERS = {"ui", "desktop"}
QT_FILE_PATTERNS = {"app": re.compile(r"desktop_[^/]*$")}

_INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
# Files Qt's tools generate next to the build, included by name.
_GENERATED = re.compile(r"^(moc_.*\.cpp|.*\.moc|ui_.*\.h|qrc_.*\.cpp)$")
_SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def _strip_comments(text):
    """The text with block comments blanked, so commented-out includes do not count."""
    return re.sub(r"/\*.*?\*/", lambda m: re.sub(r"[^\n]", " ", m.group(0)), text, flags=re.S)


def check(src):
    """Returns the problems found under `src`, one line each."""
    problems = []
    folders = sorted(p.name for p in src.iterdir() if p.is_dir())
    for folder in folders:
        if folder not in ALLOWED:
            problems.append(f"src/{folder}/: a folder the table of allowed includes does not know")
    files = sorted(p for p in src.rglob("*") if p.suffix in _SOURCE_SUFFIXES and p.is_file())
    for path in files:
        relative = path.relative_to(src)
        if len(relative.parts) < 2:
            problems.append(f"src/{relative}: a file outside the folders")
            continue
        folder = relative.parts[0]
        allowed = ALLOWED.get(folder, set()) | {folder}
        text = _strip_comments(path.read_text(encoding="utf-8", errors="replace"))
        for bracket, include in _INCLUDE.findall(text):
            edge = f"src/{relative} -> {include}"
            first = include.split("/")[0]
            if bracket == "<":
                qt_allowed = folder in QT_FOLDERS or (
                    folder in QT_FILE_PATTERNS and QT_FILE_PATTERNS[folder].search(str(relative)))
                if first.startswith("Q") and not qt_allowed:
                    problems.append(f"{edge}  (Qt outside the windows' folders)")
                elif first in ALLOWED and "/" in include:
                    problems.append(f"{edge}  (a project header in <>; name it in quotes)")
                continue
            if "/" not in include:
                if _GENERATED.match(include) or (path.parent / include).is_file():
                    continue
                problems.append(f"{edge}  (name the header with its folder: \"folder/file.h\")")
                continue
            if first not in ALLOWED:
                problems.append(f"{edge}  (names no folder of src/)")
            elif first not in allowed:
                problems.append(f"{edge}  ({folder} may not include {first})")
    return problems


def main(argv):
    src = pathlib.Path(argv[1]) if len(argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / "src"
    if not src.is_dir():
        print(f"check_includes: {src} is not a folder", file=sys.stderr)
        return 2
    problems = check(src)
    if problems:
        print(f"check_includes: {len(problems)} include(s) break the allowed directions:", file=sys.stderr)
        for problem in problems:
            print(f"  {problem}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
