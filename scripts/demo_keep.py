#!/usr/bin/env python3
"""The folder that keeps a demo's files (HLMR_DEMO_KEEP of scripts/demo.sh), so that the demo never deletes a file
it did not write. bench/program_load.py keeps its runs' files (--keep) by the same rule.

  demo_keep.py check FOLDER MARK   exit status 0 when FOLDER is new, empty, or holds only what an earlier demo kept
                                   there: every file and folder in it is listed in its mark file MARK, and none of
                                   them lies behind a link that took the place of a listed folder; otherwise 2 with a
                                   message naming what is in the way
  demo_keep.py clear FOLDER MARK   the same check, then removes what the earlier demo kept (the listed entries and
                                   the mark; a link among them is removed as a link, never followed); FOLDER itself
                                   stays. A refused folder is left as it was
  demo_keep.py mark FOLDER MARK    writes the mark: every entry below FOLDER, one relative path a line
"""
import os
import sys
from dataclasses import dataclass
from pathlib import Path

SHOWN = 5


@dataclass(frozen=True)
class Keeper:
    """Who keeps files in the folder, for the messages and the mark's header."""
    script: str  # the tool, as the mark's header names it
    run: str  # one run of it: "no earlier {run} kept them there"
    option: str  # how the user names the folder, before its path


DEMO = Keeper("scripts/demo.sh", "demo", "HLMR_DEMO_KEEP=")


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


def shown(names):
    return ", ".join(names[:SHOWN]) + (f" and {len(names) - SHOWN} more" if len(names) > SHOWN else "")


def first_link(path, relative):
    """The first link on the way from the folder to a relative path below it, or the path itself."""
    parts = Path(relative).parts
    for end in range(1, len(parts)):
        if (path / Path(*parts[:end])).is_symlink():
            return str(Path(*parts[:end]))
    return relative


def problem(folder, mark, keeper=DEMO):
    """Why the folder may not keep the files, or None."""
    path = Path(folder)
    name = f"{keeper.option}{folder}"
    if not os.path.lexists(path):
        return None
    if not path.is_dir():
        return f"{name} is not a folder"
    try:
        found, kept = set(entries(path)), listed(path, mark)
        unknown = sorted(found - kept - {mark})
        # A listed path that exists but that the walk did not find lies behind a link now standing where a listed
        # folder was: removing it would delete a file outside the folder.
        links = sorted({first_link(path, relative) for relative in kept - found
                        if os.path.lexists(path / relative)})
    except OSError as error:
        return f"{name} cannot be read: {error}"
    if unknown:
        return (f"{name} holds files that no earlier {keeper.run} kept there ({shown(unknown)}); the {keeper.run} "
                f"deletes none of them: name a new or empty folder, or one that an earlier {keeper.run} kept its "
                "files in")
    if links:
        return (f"{name} is no longer what an earlier {keeper.run} kept there: where it kept a folder there is now a "
                f"link ({shown(links)}); the {keeper.run} removes nothing through a link and deletes nothing there: "
                "remove the link or name another folder")
    return None


def clear(folder, mark, keeper=DEMO):
    """Removes what an earlier run kept in the folder, after the check; returns why it refused, or None."""
    why = problem(folder, mark, keeper)
    path = Path(folder)
    if why is not None or not path.is_dir():
        return why
    # Only what the walk found: nothing behind a link. Deepest first, so that each folder is empty when its turn
    # comes.
    for relative in sorted(set(entries(path)) & listed(path, mark), key=lambda r: r.count(os.sep), reverse=True):
        entry = path / relative
        if entry.is_dir() and not entry.is_symlink():
            entry.rmdir()
        else:
            entry.unlink()
    (path / mark).unlink(missing_ok=True)
    return None


def write_mark(folder, mark, keeper=DEMO):
    names = sorted(entry for entry in entries(folder) if entry != mark and "\n" not in entry)
    header = f"# Files kept by {keeper.script}; the next {keeper.run} that keeps its files here replaces them.\n"
    (Path(folder) / mark).write_text(header + "".join(f"{name}\n" for name in names), encoding="utf-8",
                                     errors="surrogateescape")


def main(arguments):
    if len(arguments) != 3 or arguments[0] not in ("check", "clear", "mark"):
        print(__doc__, file=sys.stderr)
        return 2
    action, folder, mark = arguments
    if action == "mark":
        write_mark(folder, mark)
        return 0
    why = problem(folder, mark) if action == "check" else clear(folder, mark)
    if why is not None:
        print(f"demo: {why}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
