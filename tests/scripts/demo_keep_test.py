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
    assert keep_tool("mark", folder).returncode == 0


class KeepFolder(unittest.TestCase):
    def test_a_folder_with_a_file_the_demo_did_not_write_is_refused_and_left_alone(self):
        cases = {"a user's folder": lambda folder: folder.mkdir(),
                 "an earlier demo's folder": earlier_demo}
        for name, make in cases.items():
            with self.subTest(name), tempfile.TemporaryDirectory() as temp:
                keep = pathlib.Path(temp) / "keep"
                make(keep)
                (keep / "note.txt").write_text("mine\n")
                before = sorted(path.relative_to(keep) for path in keep.rglob("*"))
                result = run_demo(keep)
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn("note.txt", result.stderr)
                self.assertEqual(sorted(path.relative_to(keep) for path in keep.rglob("*")), before)
                self.assertEqual((keep / "note.txt").read_text(), "mine\n")
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
