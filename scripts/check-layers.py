#!/usr/bin/env python3
"""Checks the layer table of the README ("Layout: one layer per folder"): every folder under
src/ includes only from itself and the folders below it, and the tools only from base, host,
comms, control and their own folders. Prints each wrong-way include as file:line and exits 1
if there is one."""
import argparse
import pathlib
import re
import sys

# Each layer and the layers it may include from besides itself, bottom to top.
ALLOWED = {
    "base": set(),
    "host": {"base"},
    "capture": {"base", "host"},
    "comms": {"base", "host"},
    "core": {"base", "host", "capture"},
    "stacker": {"base", "host", "core"},
    "config": {"base", "host", "core", "capture", "stacker"},
    "control": {"base", "host", "core", "capture", "comms", "config", "stacker"},
    "ui": {"base", "host", "capture", "comms", "core", "stacker", "config", "control"},
    "plugin": {"base", "host", "capture", "comms", "core", "stacker", "config", "control", "ui"},
    "tools": {"base", "host", "comms", "control"},
}
# A project include names its folder first ("core/mix_state.h"); a tool's own headers and
# those of its sibling tool folders come without one.
INCLUDE = re.compile(r'^\s*#\s*include\s*"(([^"/]+)/[^"]*)"')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".c", ".in"}


def layer_of(relative):
    if relative.parts[0] == "tools":
        return "tools"
    return relative.parts[1] if len(relative.parts) > 2 else None


def problems(root):
    for top in ("src", "tools"):
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            relative = path.relative_to(root)
            layer = layer_of(relative)
            if layer is None:
                continue
            if layer not in ALLOWED:
                yield f"{relative}: folder '{layer}' is not in the layer table"
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                header, target = match.groups()
                if target in ALLOWED and target != layer and target not in ALLOWED[layer]:
                    yield f"{relative}:{number}: {layer}/ includes {header}, a layer above it"


def main():
    parser = argparse.ArgumentParser(
        description="Report #include lines in src/ and tools/ that point up the layer table.")
    parser.add_argument("root", nargs="?", type=pathlib.Path,
                        default=pathlib.Path(__file__).resolve().parent.parent,
                        help="the source tree (default: the checkout this script is in)")
    root = parser.parse_args().root.resolve()
    if not (root / "src").is_dir():
        parser.error(f"{root} has no src/ folder")
    found = list(problems(root))
    for text in found:
        print(text)
    if found:
        print(f"{len(found)} wrong-way include(s): move the file or the code it needs "
              "to the right folder (README, \"Layout\")", file=sys.stderr)
        return 1
    print("layering ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
