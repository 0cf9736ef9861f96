#!/usr/bin/env python3
"""Holds the source folders to the program's layers.

Reads every `#include "<folder>/..."` under src/ and fails when a folder includes one that its layer may not use.
A lower layer reaches a higher one only through an interface it owns and the higher one installs, never by
including the higher layer's headers. Usage: check_layers.py [SOURCE_ROOT] (default: the src/ folder next to
this script's folder). Exit status 0 when every include is allowed, 1 otherwise, 2 for a missing root.
"""

import pathlib
import re
import sys

PLATFORM = ("platform/os", "platform/net", "platform/ui", "platform/sim")

# Per folder, the other folders it may include; a folder may always include itself.
ALLOWED = {
    "core": {"platform/os"},
    "settings": {"core", "platform/ui"},
    "refdata": {"core", "settings"},
    "records": {"core", "settings", "refdata"},
    "liveries": {"core", "settings", "refdata", "records"},
    "parking": {"core", "settings", "refdata", "records", "liveries", "platform/sim"},
    "engine": {"core", "settings", "refdata", "records", "liveries", "parking", "platform/net", "platform/sim"},
    "app": {"core", "settings", "refdata", "records", "liveries", "parking", "engine", *PLATFORM},
}
# The platform layers stand in for the target platform: they use one another and nothing of the program.
for layer in PLATFORM:
    ALLOWED[layer] = set(PLATFORM)

# Single headers a folder may include from a folder it may not otherwise use.
ALLOWED_HEADERS = {
    # The simulator client's loop holds the timer-resolution guard for its 10 ms steps.
    "engine": {"platform/os/timer_resolution.h"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".inl"}


def folder_of(relative_path):
    """The layer of a path relative to src/ ("platform/ui/x.h" -> "platform/ui"), or None."""
    parts = pathlib.PurePosixPath(relative_path).parts
    if len(parts) >= 3 and parts[0] == "platform" and "/".join(parts[:2]) in ALLOWED:
        return "/".join(parts[:2])
    if len(parts) >= 2 and parts[0] in ALLOWED and parts[0] != "platform":
        return parts[0]
    return None


def check(root):
    """The forbidden includes under root, as printable lines."""
    problems = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        relative = path.relative_to(root).as_posix()
        owner = folder_of(relative)
        if owner is None:
            problems.append(f"{relative}: not in a library folder")
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), start=1):
            match = INCLUDE.match(line)
            if match is None:
                continue
            included = match.group(1)
            target = folder_of(included)
            if target is None:
                problems.append(f'{relative}:{number}: "{included}" is not "<folder>/..." of a library folder')
            elif target != owner and target not in ALLOWED[owner] and included not in ALLOWED_HEADERS.get(owner, ()):
                problems.append(f'{relative}:{number}: {owner} may not include {target} ("{included}")')
    return problems


def main(arguments):
    root = pathlib.Path(arguments[0]) if arguments else pathlib.Path(__file__).resolve().parent.parent / "src"
    if not root.is_dir():
        print(f"no source folder {root}", file=sys.stderr)
        return 2
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the layers")
        return 1
    print(f"includes under {root} follow the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
