#!/usr/bin/env python3
"""The layer check on small source trees: which includes pass and which fail."""

import contextlib
import importlib.util
import io
import pathlib
import subprocess
import sys
import tempfile
import unittest

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "check_layers.py"
_spec = importlib.util.spec_from_file_location("check_layers", SCRIPT)
check_layers = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(check_layers)


def run_check(files):
    """Writes {path under src/: text} into a fresh tree and runs the check on it: (exit status, output)."""
    with tempfile.TemporaryDirectory() as temp:
        root = pathlib.Path(temp) / "src"
        for relative, text in files.items():
            path = root / relative
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        output = io.StringIO()
        with contextlib.redirect_stdout(output):
            status = check_layers.main([str(root)])
        return status, output.getvalue()


class LayerCheck(unittest.TestCase):
    def test_allowed_includes_pass(self):
        allowed = [
            ("core/a.cpp", "platform/os/x.h"),
            ("settings/a.h", "platform/ui/control_port.h"),
            ("records/a.h", "refdata/b.h"),
            ("liveries/a.cpp", "records/flight_record.h"),
            ("parking/a.cpp", "platform/sim/c.h"),
            ("engine/live/a.cpp", "parking/b.h"),
            ("engine/intake/a.cpp", "platform/net/b.h"),
            ("app/a.cpp", "platform/ui/b.h"),
            ("engine/sim/a.cpp", "platform/os/timer_resolution.h"),
            ("engine/run/a.cpp", "platform/os/timer_resolution.h"),
            # The engine's parts along the data path.
            ("engine/intake/a.cpp", "engine/base/b.h"),
            ("engine/link/a.h", "engine/base/b.h"),
            ("engine/sim/a.h", "engine/base/b.h"),
            ("engine/live/a.cpp", "engine/intake/b.h"),
            ("engine/live/a.cpp", "engine/link/b.h"),
            ("engine/live/a.h", "engine/sim/b.h"),
            ("engine/run/a.cpp", "engine/live/b.h"),
            ("engine/run/a.cpp", "engine/sim/b.h"),
            ("app/a.cpp", "engine/run/b.h"),
            ("platform/sim/a.cpp", "platform/net/b.h"),
            ("liveries/a.cpp", "liveries/b.h"),
        ]
        for owner, included in allowed:
            with self.subTest(owner=owner, included=included):
                status, output = run_check({owner: f'#include "{included}"\n#include <vector>\n'})
                self.assertEqual(status, 0, output)

    def test_forbidden_includes_fail_with_their_line(self):
        forbidden = [
            ("liveries/a.cpp", "engine/base/run_state.h"),
            ("liveries/a.h", "parking/b.h"),
            ("liveries/a.cpp", "platform/ui/control_port.h"),
            ("records/a.h", "liveries/b.h"),
            ("refdata/a.cpp", "records/b.h"),
            ("core/a.cpp", "settings/b.h"),
            ("core/a.cpp", "platform/net/b.h"),
            ("engine/sim/a.cpp", "platform/os/user_folders.h"),
            ("engine/live/a.cpp", "platform/os/timer_resolution.h"),
            # Against the data path: a lower part of the engine never includes a higher one, nor one beside it.
            ("engine/base/a.h", "engine/intake/b.h"),
            ("engine/intake/a.cpp", "engine/link/b.h"),
            ("engine/link/a.cpp", "engine/sim/b.h"),
            ("engine/sim/a.cpp", "engine/intake/b.h"),
            ("engine/sim/a.h", "engine/live/b.h"),
            ("engine/live/a.cpp", "engine/run/b.h"),
            ("engine/link/a.cpp", "engine/run/b.h"),
            ("liveries/a.cpp", "platform/os/timer_resolution.h"),
            ("parking/a.cpp", "engine/base/b.h"),
            ("engine/run/a.cpp", "app/b.h"),
            ("platform/os/a.cpp", "core/log.h"),
            ("settings/a.cpp", "b.h"),
            ("settings/a.cpp", "tools/b.h"),
            ("settings/a.h", "platform/ui/window.h"),
        ]
        for owner, included in forbidden:
            with self.subTest(owner=owner, included=included):
                status, output = run_check({owner: f'// first\n  #  include "{included}"\n'})
                self.assertEqual(status, 1, output)
                self.assertIn(f"{owner}:2:", output)

    def test_angle_bracket_project_includes_are_read_too(self):
        status, output = run_check({"liveries/a.cpp": "#include <vector>\n#include <fmt/format.h>\n"})
        self.assertEqual(status, 0, output)
        for included in ("engine/base/run_state.h", "platform/ui/window.h", "tools/b.h"):
            with self.subTest(included=included):
                status, output = run_check({"liveries/a.cpp": f"#include <vector>\n#include <{included}>\n"})
                self.assertEqual(status, 1, output)
                self.assertIn("liveries/a.cpp:2:", output)

    def test_every_single_header_exception_gives_its_reason(self):
        for owner, headers in check_layers.ALLOWED_HEADERS.items():
            for header, reason in headers.items():
                with self.subTest(owner=owner, header=header):
                    self.assertGreater(len(reason.split()), 3)

    def test_a_source_outside_the_library_folders_fails(self):
        status, output = run_check({"stray.cpp": "", "misc/a.h": "", "engine/a.cpp": ""})
        self.assertEqual(status, 1)
        self.assertIn("stray.cpp: not in a library folder", output)
        self.assertIn("misc/a.h: not in a library folder", output)
        # The engine is its parts: nothing sits beside them.
        self.assertIn("engine/a.cpp: not in a library folder", output)

    def test_public_link_lists_hold_exactly_what_the_headers_include(self):
        headers = {
            "core/a.h": "",
            "refdata/a.h": '#include "core/a.h"\n#include <pugixml.hpp>\n',
            "refdata/a.cpp": '#include "refdata/a.h"\n#include "settings/b.h"\n#include <fmt/format.h>\n',
        }
        cases = [
            ("PUBLIC hlmr_core pugixml::pugixml PRIVATE hlmr_settings fmt::fmt", None),
            ("PUBLIC pugixml::pugixml PRIVATE hlmr_core hlmr_settings", "includes hlmr_core, which is only PRIVATE"),
            ("PUBLIC hlmr_core PRIVATE hlmr_settings", "includes pugixml::pugixml, which is not linked"),
            ("PUBLIC hlmr_core pugixml::pugixml hlmr_settings", "hlmr_settings is PUBLIC but no header"),
        ]
        for lists, problem in cases:
            with self.subTest(lists=lists):
                cmake = f"# the library\nhlmr_add_library(hlmr_refdata {lists})\n"
                files = {**headers, "refdata/CMakeLists.txt": cmake}
                status, output = run_check(files)
                if problem is None:
                    self.assertEqual(status, 0, output)
                else:
                    self.assertEqual(status, 1, output)
                    self.assertIn(problem, output)

    def test_the_exit_status_tells_the_outcome(self):
        with tempfile.TemporaryDirectory() as temp:
            root = pathlib.Path(temp)
            (root / "core").mkdir()
            (root / "core" / "a.cpp").write_text('#include "core/b.h"\n')
            for arguments, status in (([str(root)], 0), ([str(root / "missing")], 2)):
                result = subprocess.run([sys.executable, str(SCRIPT), *arguments], capture_output=True, text=True)
                self.assertEqual(result.returncode, status, result.stdout + result.stderr)
            (root / "core" / "a.cpp").write_text('#include "settings/b.h"\n')
            result = subprocess.run([sys.executable, str(SCRIPT), str(root)], capture_output=True, text=True)
            self.assertEqual(result.returncode, 1, result.stdout)


if __name__ == "__main__":
    unittest.main()
