#!/usr/bin/env python3
"""The demo's keep folder (HLMR_DEMO_KEEP): a folder holding a file the demo did not write is refused before anything
is built or run, and only what an earlier demo kept there is cleared."""

import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
MARK = ".hollowmere-demo"


def run_demo(keep):
    """The demo with an empty build folder: a run that got past the keep folder would fail at its first program."""
    build = keep.parent / "build"
    build.mkdir()
    environment = dict(os.environ, HLMR_DEMO_KEEP=str(keep), HLMR_DEMO_BUILD=str(build))
    return subprocess.run(["bash", str(ROOT / "scripts" / "demo.sh")], env=environment, capture_output=True,
                          text=True, timeout=60)


def keep_tool(action, folder):
    return subprocess.run([sys.executable, str(ROOT / "scripts" / "demo_keep.py"), action, str(folder), MARK],
                          capture_output=True, text=True, timeout=60)


def earlier_demo(folder):
    """A folder as an earlier demo left it: its files and its mark."""
    (folder / "program" / "docs").mkdir(parents=True)
    (folder / "program" / "Log.txt").write_text("log\n")
    (folder / "report.txt").write_text("report\n")
    (folder / "www" / "MSFS").mkdir(parents=True)
    (folder / "www" / "MSFS" / "EHAM.xml").write_text("archived\n")
    assert keep_tool("mark", folder).returncode == 0


def tree(temp):
    """Everything in the temporary folder but the demo's build folder, with each file's text; links are not
    followed."""
    return sorted((str(path.relative_to(temp)), path.read_text() if path.is_file() and not path.is_symlink() else "")
                  for path in pathlib.Path(temp).rglob("*") if path.parts[-1] != "build")


def with_note(make):
    def made(folder):
        make(folder)
        (folder / "note.txt").write_text("mine\n")
    return made


def www_linked_to_users_folder(folder):
    """The kept "www" replaced by a link to a user's folder holding files of the same names."""
    earlier_demo(folder)
    users = folder.parent / "users"
    (users / "MSFS").mkdir(parents=True)
    for name in ("EHAM.xml", "mine.txt"):
        (users / "MSFS" / name).write_text("mine\n")
    for entry in sorted((folder / "www").rglob("*"), reverse=True):
        entry.rmdir() if entry.is_dir() else entry.unlink()
    (folder / "www").rmdir()
    (folder / "www").symlink_to(users, target_is_directory=True)


class KeepFolder(unittest.TestCase):
    def test_a_folder_with_a_file_the_demo_did_not_write_is_refused_and_left_alone(self):
        # What the folder holds, and what the refusal names.
        cases = {"a user's folder": (with_note(lambda folder: folder.mkdir()), "note.txt"),
                 "an earlier demo's folder": (with_note(earlier_demo), "note.txt"),
                 "an earlier demo's folder whose www is a link": (www_linked_to_users_folder, "link (www)")}
        for name, (make, named) in cases.items():
            with self.subTest(name), tempfile.TemporaryDirectory() as temp:
                keep = pathlib.Path(temp) / "keep"
                make(keep)
                before = tree(temp)
                result = run_demo(keep)
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn(named, result.stderr)
                self.assertEqual(tree(temp), before)
                self.assertNotIn("report.txt", result.stderr)

    def test_what_an_earlier_demo_kept_is_cleared_and_nothing_else(self):
        with tempfile.TemporaryDirectory() as temp:
            keep = pathlib.Path(temp) / "keep"
            earlier_demo(keep)
            self.assertEqual(keep_tool("clear", keep).returncode, 0)
            self.assertEqual(list(keep.iterdir()), [])
            self.assertEqual(keep_tool("clear", pathlib.Path(temp) / "new").returncode, 0)


if __name__ == "__main__":
    unittest.main()
