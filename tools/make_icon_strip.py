#!/usr/bin/env python3
"""Builds data/icons.png, the built-in icon strip: 447 icons of 16 x 16 side
by side (7152 x 16 pixels). Index 194 is a folder, the icon every new node
starts with.

The icons come from the Tango icon theme (public domain, Debian package
tango-icon-theme). The theme has fewer distinct 16-pixel icons than the strip
has places, so the list repeats from its start. Run by hand after changing it:

    tools/make_icon_strip.py [--theme /usr/share/icons/Tango/16x16] [--out data/icons.png]

Needs python3 and ImageMagick's `convert`.
"""
import argparse
import os
import subprocess
import sys

ICON_COUNT = 447
FOLDER_INDEX = 194
FOLDER_ICON = "places/folder.png"

# Folders first in the order of the strip, then the rest of the theme; a
# music library mostly wants folders, media and devices near the start.
CONTEXT_ORDER = ["places", "mimetypes", "devices", "categories", "apps", "status",
                 "actions", "emblems", "emotes"]


def theme_icons(theme):
    """Distinct icon files of the theme (symbolic links to another icon of
    the theme are the same picture under an older name)."""
    seen = set()
    icons = []
    contexts = [c for c in CONTEXT_ORDER if os.path.isdir(os.path.join(theme, c))]
    for context in contexts:
        folder = os.path.join(theme, context)
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if not name.endswith(".png") or os.path.islink(path):
                continue
            real = os.path.realpath(path)
            if real in seen:
                continue
            seen.add(real)
            icons.append(path)
    return icons


def strip_order(theme):
    icons = theme_icons(theme)
    folder = os.path.join(theme, FOLDER_ICON)
    if not os.path.isfile(folder):
        sys.exit(f"missing {folder}")
    if folder in icons:
        icons.remove(folder)
    order = []
    while len(order) < ICON_COUNT:
        for icon in icons:
            if len(order) == FOLDER_INDEX:
                order.append(folder)
            if len(order) == ICON_COUNT:
                break
            order.append(icon)
    return order[:ICON_COUNT]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--theme", default="/usr/share/icons/Tango/16x16")
    parser.add_argument("--out", default=os.path.join(here, "..", "data", "icons.png"))
    args = parser.parse_args()
    order = strip_order(args.theme)
    assert len(order) == ICON_COUNT and order[FOLDER_INDEX].endswith(FOLDER_ICON)
    command = ["convert", "-background", "none"]
    for icon in order:
        # Every cell exactly 16 x 16, whatever the source holds.
        command += ["(", icon, "-resize", "16x16", "-gravity", "center", "-extent", "16x16", ")"]
    command += ["+append", "-strip", "PNG32:" + args.out]
    subprocess.run(command, check=True)
    print(f"{args.out}: {len(order)} icons, folder at {FOLDER_INDEX}")


if __name__ == "__main__":
    main()
