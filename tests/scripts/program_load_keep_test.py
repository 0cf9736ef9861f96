#!/usr/bin/env python3
"""The keep folder of bench/program_load.py (--keep): a folder holding a user's files is refused before anything is
built or run, and none of them is deleted."""

import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
# What the bench looks for before it builds: present, so that a run past the keep folder starts laying out its runs.
BUILT = ["src/app/hollowmere", "tools/sim_standin/hlmr-sim-standin", "tools/traffic_feed/hlmr-traffic-feed",
         "samples/input/dbase.enc", "samples/input/AIG-regcodes.enc"]
USERS = ["loaded/mine.txt", "loaded/photos/a.jpg", "idle/mine.txt"]


class KeepFolder(unittest.TestCase):
    def test_a_keep_folder_holding_a_users_files_is_refused_and_they_stay(self):
        with tempfile.TemporaryDirectory() as temp:
            build, keep = pathlib.Path(temp) / "build", pathlib.Path(temp) / "keep"
            for relative in BUILT + [f"../keep/{name}" for name in USERS]:
                (build / relative).parent.mkdir(parents=True, exist_ok=True)
                (build / relative).write_text("mine\n")
            result = subprocess.run([sys.executable, str(ROOT / "bench" / "program_load.py"), "--build", str(build),
                                     "--aircraft", "100", "--statics", "100", "--seconds", "20", "--keep", str(keep)],
                                    capture_output=True, text=True, timeout=60)
            self.assertEqual(result.returncode, 2, result.stderr)
            self.assertIn("loaded/mine.txt", result.stderr)
            self.assertEqual(sorted(str(path.relative_to(keep)) for path in keep.rglob("*") if path.is_file()),
                             sorted(USERS))


if __name__ == "__main__":
    unittest.main()
