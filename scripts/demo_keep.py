#!/usr/bin/env python3
"""The folder that keeps a demo's files (HLMR_DEMO_KEEP of scripts/demo.sh), so that the demo never deletes a file
it did not write.

  demo_keep.py check FOLDER MARK   exit status 0 when FOLDER is new, empty, or holds only what an earlier demo kept
                                   there: every file and folder in it is listed in its mark file MARK; otherwise 2
                                   with a message naming what is in the way
  demo_keep.py clear FOLDER MARK   the same check, then removes what the earlier demo kept (the listed entries and
                                   the mark); FOLDER itself stays
  demo_keep.py mark FOLDER MARK    writes the mark: every entry below FOLDER, one relative path a line
"""
import os
import sys
from pathlib import Path

HEADER = "# Files kept by scripts/demo.sh; the next demo that keeps its files here replaces them.\n"
SHOWN = 5


def entries(folder):
    """Every file, folder and link below the folder, as paths relative to it (links are not followed)."""
    found = []
    for top, folders, files in os.walk(folder):
        for name in folders + files:
            found.append(os.path.relpath(os.path.join(top, name), folder))
    return found


def listed(folder, mark):
    try:
        text = (Path(folder) / mark).read_text(encoding="utf-8", errors="surrogateescape")
    except FileNotFoundError:
        return set()
    return {line for line in text.split("\n") if line and not line.startswith("# ")}


def problem(folder, mark):
    """Why the folder may not keep the demo's files, or None."""
    path = Path(folder)
    if not os.path.lexists(path):
        return None
    if not path.is_dir():
        return f"HLMR_DEMO_KEEP={folder} is not a folder"
    try:
        unknown = sorted(set(entries(path)) - listed(path, mark) - {mark})
    except OSError as error:
        return f"HLMR_DEMO_KEEP={folder} cannot be read: {error}"
    if not unknown:
        return None
    shown = ", ".join(unknown[:SHOWN]) + (f" and {len(unknown) - SHOWN} more" if len(unknown) > SHOWN else "")
    return (f"HLMR_DEMO_KEEP={folder} holds files that no earlier demo kept there ({shown}); the demo deletes none "
            "of them: name a new or empty folder, or one that an earlier demo kept its files in")


def clear(folder, mark):
    path = Path(folder)
    if not path.is_dir():
        return
    # Deepest first, so that each folder is empty when its turn comes.
    for relative in sorted(listed(path, mark), key=lambda r: r.count(os.sep), reverse=True):
        entry = path / relative
        if entry.is_dir() and not entry.is_symlink():
            entry.rmdir()
        elif os.path.lexists(entry):
            entry.unlink()
    (path / mark).unlink(missing_ok=True)


def write_mark(folder, mark):
    names = sorted(entry for entry in entries(folder) if entry != mark and "\n" not in entry)
    (Path(folder) / mark).write_text(HEADER + "".join(f"{name}\n" for name in names), encoding="utf-8",
                                     errors="surrogateescape")


def main(arguments):
    if len(arguments) != 3 or arguments[0] not in ("check", "clear", "mark"):
        print(__doc__, file=sys.stderr)
        return 2
    action, folder, mark = arguments
    if action == "mark":
        write_mark(folder, mark)
        return 0
    why = problem(folder, mark)
    if why is not None:
        print(f"demo: {why}", file=sys.stderr)
        return 2
    if action == "clear":
        clear(folder, mark)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
