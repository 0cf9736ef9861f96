#!/usr/bin/env python3
"""The track plots: one PNG per track of the motion harness's folder (given as the first argument), each a 2 by 2
figure with content, and one per program object of a simulator stand-in track."""

import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest

import matplotlib.image

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "plot_tracks.py"
HARNESS_FOLDER = None


def png_size(path):
    """(width, height) from the PNG header; fails on anything that is no PNG."""
    data = path.read_bytes()[:24]
    assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{path.name} is no PNG"
    return struct.unpack(">II", data[16:24])


def distinct_colours(path):
    image = matplotlib.image.imread(str(path))
    return len({tuple(pixel) for pixel in image.reshape(-1, image.shape[-1])[::97]})


def plot(folder, out):
    return subprocess.run([sys.executable, str(SCRIPT), str(folder), "--out", str(out)], capture_output=True,
                          text=True, timeout=600)


class PlotTracks(unittest.TestCase):
    def test_every_harness_track_gets_a_drawn_png(self):
        tracks = sorted(p for p in HARNESS_FOLDER.glob("*.csv")
                        if p.name != "airport.csv" and not p.stem.endswith(("_data", "_reference")))
        self.assertGreaterEqual(len(tracks), 20)
        with tempfile.TemporaryDirectory() as temp:
            out = pathlib.Path(temp)
            result = plot(HARNESS_FOLDER, out)
            self.assertEqual(result.returncode, 0, result.stderr)
            for track in tracks:
                png = out / f"{track.stem}.png"
                self.assertTrue(png.exists(), png.name)
                self.assertEqual(png_size(png), (1120, 800), png.name)
                self.assertGreater(distinct_colours(png), 8, png.name)

    def test_a_stand_in_track_gets_one_png_per_program_object(self):
        header = ("t,id,kind,atc_id,title,lat,lon,alt_ft,agl_ft,pitch_rad,bank_rad,heading_rad,vs_fps,tas_kt,"
                  "on_ground,frozen_latlon,frozen_alt,frozen_att,released,lights,flaps,gear,spoilers_pct,"
                  "throttle1_pct,throttle2_pct,engines\n")
        rows = []
        for i in range(50):
            t = i * 0.5
            rows.append(f"{t},1,user,,User,47.0,8.0,400,0,0,0,0,0,0,1,0,0,0,0,0,0,1,0,0,0,1\n")
            rows.append(f"{t},1001,own,SWR1,A320,{47.0 + i * 1e-4},8.0,{3000 - 10 * i},{2600 - 10 * i},-0.05,"
                        f"{0.1 if i > 20 else 0.0},0.2,0,250,0,0,0,0,1,0,0,1,0,0,0,1\n")
        with tempfile.TemporaryDirectory() as temp:
            folder = pathlib.Path(temp)
            (folder / "standin_track.csv").write_text(header + "".join(rows))
            result = plot(folder, folder / "png")
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(sorted(p.name for p in (folder / "png").glob("*.png")), ["standin_track_SWR1.png"])

    def test_a_folder_without_tracks_is_an_error(self):
        with tempfile.TemporaryDirectory() as temp:
            self.assertEqual(plot(pathlib.Path(temp), pathlib.Path(temp)).returncode, 1)

    def test_without_matplotlib_it_says_what_to_install(self):
        # -S leaves out the site packages, where Debian's matplotlib lives.
        with tempfile.TemporaryDirectory() as temp:
            result = subprocess.run([sys.executable, "-S", str(SCRIPT), temp], capture_output=True, text=True,
                                    timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertIn("python3-matplotlib", result.stderr)
        self.assertNotIn("Traceback", result.stderr)


if __name__ == "__main__":
    HARNESS_FOLDER = pathlib.Path(sys.argv.pop(1))
    unittest.main()
