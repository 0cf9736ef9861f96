#!/usr/bin/env python3
"""Draws one PNG per aircraft track: the plan view coloured by phase with the received positions, the runway and
the stands; altitude and height above ground with the flare stages; heading, pitch and bank; ground speed.

Reads every track CSV in a folder: the motion harness's "<name>.csv" (with "<name>_data.csv" for the received
positions, "<name>_reference.csv" for the dense track of the real flight, drawn in the plan view and, on the
track's clock (its first point at the due time of the first received position), beside the heading and the ground
speed, and "airport.csv" for the runway and stands beside it), or a track of the simulator stand-in (one PNG per
object of the program). Writes "<name>.png" (or "<name>_<object>.png") into the output folder.

    plot_tracks.py TRACK_FOLDER [--out PNG_FOLDER]
"""

import argparse
import csv
import math
import pathlib
import sys

try:
    import matplotlib
except ImportError:
    sys.exit("plot_tracks.py needs matplotlib: install Debian's python3-matplotlib (scripts/setup.sh does) and run "
             "it with /usr/bin/python3")

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

METRES_PER_DEGREE = 111132.95
PHASE_COLOURS = {
    "pushing_back": "tab:purple", "pushed_back": "tab:pink", "taxi": "tab:green", "take_off": "tab:orange",
    "flying": "tab:blue", "parking": "tab:brown", "parked": "black", "birth": "tab:gray",
    "ground": "tab:green", "air": "tab:blue",
}
FLARE_COLOURS = {1: "gold", 2: "orange", 3: "red", 4: "darkred"}


def read_csv(path):
    with open(path, newline="") as handle:
        return list(csv.DictReader(handle))


class Track:
    """One aircraft's rows as columns: t, lat, lon, alt, agl, pitch, bank, heading (degrees), gs, phase, flare."""

    def __init__(self, name):
        self.name = name
        self.columns = {key: [] for key in
                        ("t", "lat", "lon", "alt", "agl", "pitch", "bank", "heading", "gs", "phase", "flare")}

    def add(self, **values):
        for key, value in values.items():
            self.columns[key].append(value)

    def __len__(self):
        return len(self.columns["t"])


def harness_track(path):
    track = Track(path.stem)
    for row in read_csv(path):
        track.add(t=float(row["t"]), lat=float(row["lat"]), lon=float(row["lon"]), alt=float(row["alt_ft"]),
                  agl=float(row["agl_ft"]), pitch=float(row["pitch_deg"]), bank=float(row["bank_deg"]),
                  heading=float(row["heading_deg"]), gs=float(row["gs_kt"]), phase=row["phase"],
                  flare=int(row["flare"]))
    return [track]


def standin_tracks(path):
    """The stand-in's objects of the program ("own"), each its own track; the ground speed from the positions."""
    tracks = {}
    for row in read_csv(path):
        if row["kind"] != "own":
            continue
        key = row["id"]
        track = tracks.setdefault(key, Track(f"{path.stem}_{row['atc_id'] or key}"))
        t, lat, lon = float(row["t"]), float(row["lat"]), float(row["lon"])
        gs = 0.0
        if len(track) and t > track.columns["t"][-1]:
            gs = metres_between(track.columns["lat"][-1], track.columns["lon"][-1], lat, lon) / (
                t - track.columns["t"][-1]) * 3600.0 / 1852.0
        track.add(t=t, lat=lat, lon=lon, alt=float(row["alt_ft"]), agl=float(row["agl_ft"]),
                  pitch=math.degrees(float(row["pitch_rad"])), bank=math.degrees(float(row["bank_rad"])),
                  heading=math.degrees(float(row["heading_rad"])) % 360.0, gs=gs,
                  phase="ground" if row["on_ground"] == "1" else "air", flare=0)
    return [track for track in tracks.values() if len(track) > 1]


def metres_between(lat1, lon1, lat2, lon2):
    north = (lat2 - lat1) * METRES_PER_DEGREE
    east = (lon2 - lon1) * METRES_PER_DEGREE * math.cos(math.radians(lat1))
    return math.hypot(north, east)


def local(origin, lats, lons):
    """Metres east and north of the origin."""
    cos_lat = math.cos(math.radians(origin[0]))
    return ([(lon - origin[1]) * METRES_PER_DEGREE * cos_lat for lon in lons],
            [(lat - origin[0]) * METRES_PER_DEGREE for lat in lats])


def plot_plan(axis, track, data, airport, reference):
    origin = (track.columns["lat"][0], track.columns["lon"][0])
    east, north = local(origin, track.columns["lat"], track.columns["lon"])
    if reference:
        ref_east, ref_north = local(origin, [p[1] for p in reference], [p[2] for p in reference])
        axis.plot(ref_east, ref_north, color="gray", linewidth=0.8, linestyle="--", label="real flight", zorder=1)
    phases = track.columns["phase"]
    start = 0
    labelled = set()
    for i in range(1, len(phases) + 1):
        if i == len(phases) or phases[i] != phases[start]:
            phase = phases[start]
            axis.plot(east[start:i + 1], north[start:i + 1], color=PHASE_COLOURS.get(phase, "tab:cyan"),
                      linewidth=1.5, label=None if phase in labelled else phase)
            labelled.add(phase)
            start = i
    if data:
        data_east, data_north = local(origin, [p[0] for p in data], [p[1] for p in data])
        axis.scatter(data_east, data_north, s=8, color="black", marker="x", label="received", zorder=3)
    if airport:
        span = max(max(east) - min(east), max(north) - min(north), 200.0)
        near = lambda e, n: min(east) - span <= e <= max(east) + span and min(north) - span <= n <= max(north) + span
        runway = [row for row in airport if row["kind"] in ("threshold", "runway_end")]
        if len(runway) == 2:
            run_east, run_north = local(origin, [float(r["lat"]) for r in runway], [float(r["lon"]) for r in runway])
            if any(near(e, n) for e, n in zip(run_east, run_north)):
                axis.plot(run_east, run_north, color="gray", linewidth=6, alpha=0.4, label="runway")
        for row in airport:
            if row["kind"] != "stand":
                continue
            (e,), (n,) = local(origin, [float(row["lat"])], [float(row["lon"])])
            if near(e, n):
                heading = math.radians(float(row["heading_deg"]))
                axis.plot([e], [n], marker="s", color="tab:red", markersize=4)
                axis.annotate(row["id"], (e, n), fontsize=6)
                axis.plot([e, e + 15 * math.sin(heading)], [n, n + 15 * math.cos(heading)], color="tab:red",
                          linewidth=0.8)
    axis.set_aspect("equal", adjustable="datalim")
    axis.set_xlabel("east (m)")
    axis.set_ylabel("north (m)")
    axis.set_title("plan view by phase")
    axis.legend(fontsize=6, loc="best")


def plot_heights(axis, track):
    t = track.columns["t"]
    axis.plot(t, track.columns["alt"], color="tab:blue", label="altitude (ft)")
    axis.plot(t, track.columns["agl"], color="tab:green", label="height above ground (ft)")
    for stage, colour in FLARE_COLOURS.items():
        points = [(t[i], track.columns["agl"][i]) for i in range(len(t)) if track.columns["flare"][i] == stage]
        if points:
            axis.scatter([p[0] for p in points], [p[1] for p in points], s=4, color=colour,
                         label=f"flare stage {stage}", zorder=3)
    axis.set_xlabel("time (s)")
    axis.set_title("altitude and height above ground")
    axis.legend(fontsize=6, loc="best")


def plot_attitude(axis, track, reference):
    t = track.columns["t"]
    axis.plot(t, track.columns["pitch"], color="tab:orange", label="pitch (deg, nose down +)")
    axis.plot(t, track.columns["bank"], color="tab:red", label="bank (deg, left +)")
    axis.set_xlabel("time (s)")
    axis.set_ylabel("pitch, bank (deg)")
    heading_axis = axis.twinx()
    if reference:
        heading_axis.plot([p[0] for p in reference], [p[4] for p in reference], color="gray", linewidth=0.8,
                          linestyle="--", label="real track (deg)")
    heading_axis.plot(t, track.columns["heading"], color="tab:blue", linewidth=0.8, label="heading (deg)")
    heading_axis.set_ylabel("heading (deg)")
    heading_axis.set_ylim(0, 360)
    lines = axis.get_legend_handles_labels()
    heading_lines = heading_axis.get_legend_handles_labels()
    axis.legend(lines[0] + heading_lines[0], lines[1] + heading_lines[1], fontsize=6, loc="best")
    axis.set_title("heading, pitch, bank")


def plot_speed(axis, track, reference):
    if reference:
        axis.plot([p[0] for p in reference], [p[3] for p in reference], color="gray", linewidth=0.8,
                  linestyle="--", label="real flight")
    axis.plot(track.columns["t"], track.columns["gs"], color="tab:purple", label="replay")
    if reference:
        axis.legend(fontsize=6, loc="best")
    axis.set_xlabel("time (s)")
    axis.set_ylabel("ground speed (kt)")
    axis.set_title("ground speed")


def draw(track, data, airport, reference, path):
    figure, axes = plt.subplots(2, 2, figsize=(14, 10))
    figure.suptitle(track.name)
    plot_plan(axes[0][0], track, data, airport, reference)
    plot_heights(axes[0][1], track)
    plot_attitude(axes[1][0], track, reference)
    plot_speed(axes[1][1], track, reference)
    figure.tight_layout()
    figure.savefig(path, dpi=80)
    plt.close(figure)


def received_positions(path):
    """(lat, lon) of the received positions beside a harness track, or none."""
    data = path.with_name(path.stem + "_data.csv")
    if not data.exists():
        return []
    return [(float(row["lat"]), float(row["lon"])) for row in read_csv(data)]


def reference_track(path):
    """The dense track of the real flight beside a harness track as rows of (t, lat, lon, gs, track), on the
    track's clock: its first point at the due time of the first received position; none without one."""
    reference = path.with_name(path.stem + "_reference.csv")
    data = path.with_name(path.stem + "_data.csv")
    if not reference.exists() or not data.exists():
        return []
    rows = read_csv(reference)
    received = read_csv(data)
    if not rows or not received:
        return []
    shift = float(received[0]["t"]) - float(rows[0]["time"])
    return [(float(row["time"]) + shift, float(row["lat"]), float(row["lon"]), float(row["gs_kt"]),
             float(row["track_deg"])) for row in rows]


def tracks_of(path):
    with open(path, newline="") as handle:
        header = handle.readline()
    if header.startswith("t,hexid,"):
        return harness_track(path)
    if header.startswith("t,id,kind,"):
        return standin_tracks(path)
    return []


def main(argv):
    parser = argparse.ArgumentParser(description="Draws one PNG per aircraft track.")
    parser.add_argument("folder", type=pathlib.Path)
    parser.add_argument("--out", type=pathlib.Path)
    args = parser.parse_args(argv)
    out = args.out or args.folder
    out.mkdir(parents=True, exist_ok=True)
    airport_file = args.folder / "airport.csv"
    airport = read_csv(airport_file) if airport_file.exists() else []
    written = 0
    for path in sorted(args.folder.glob("*.csv")):
        if path.name == "airport.csv" or path.stem.endswith("_data"):
            continue
        for track in tracks_of(path):
            if len(track) < 2:
                continue
            draw(track, received_positions(path), airport, reference_track(path), out / f"{track.name}.png")
            written += 1
    print(f"{written} plots in {out}")
    return 0 if written else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
