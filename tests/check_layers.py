#!/usr/bin/env python3
"""Fails when a product file includes a project header from a folder its library does not stand on.

The table follows the libraries' links (the README's Layout): a folder may include itself and the
folders listed for it, never one above. Usage: check_layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

# files/history belongs to vrel_files, app/qt holds both vrel_view and vrel_app.
MAY_INCLUDE = {
    "platform": [],
    "platform/qt": ["platform"],
    "scene": ["platform"],
    "files": ["platform", "scene", "files/history"],
    "files/history": ["platform", "scene", "files"],
    "imaging": ["platform"],
    "imaging/qt": ["platform", "platform/qt", "imaging"],
    "editor": ["platform"],
    "editor/qt": ["platform", "platform/qt", "editor"],
    "app": ["platform", "scene", "files", "files/history", "editor"],
    "app/qt": ["platform", "platform/qt", "scene", "files", "files/history", "imaging", "imaging/qt", "editor",
               "editor/qt", "app"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def main(root: pathlib.Path) -> int:
    faults = []
    for top in sorted({folder.split("/")[0] for folder in MAY_INCLUDE}):
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            relative = path.relative_to(root)
            folder = relative.parent.as_posix()
            if folder not in MAY_INCLUDE:
                faults.append(f"{relative}: {folder}/ has no row in the layer table")
                continue
            allowed = {folder, *MAY_INCLUDE[folder]}
            for header in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                if pathlib.PurePosixPath(header).parent.as_posix() not in allowed:
                    faults.append(f"{relative}: includes {header}, which {folder}/ does not stand on")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
