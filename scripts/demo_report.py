#!/usr/bin/env python3
"""What a demo run did, from the files it kept (scripts/demo.sh describes them): the live AI aircraft the program
created in the simulator stand-in, their positions beside where the traffic feed put each flight 30 s earlier,
the time from an aircraft's first datagram to its creation, the removals after the feed stopped sending, and the
program's own summary lines from "Log.txt".

Usage: demo_report.py RUN_FOLDER
"""

import bisect
import csv
import json
import math
import re
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

REPLAY_DELAY_S = 30.0
NM_PER_RADIAN = 3440.065
# A program object's title line in "Log.txt": ten blanks, the callsign, ..., "=step= title".
TITLE_LINE = re.compile(r"^ {10}(\S+) .*=\d= (.+)$")
SUMMARY_LINE = re.compile(r"^(Traffic Reader: |QNH Reader: |Main loop ended after |Exiting: |SimConnect closed ok)")


def distance_nm(a, b):
    lat1, lon1, lat2, lon2 = map(math.radians, (a[0], a[1], b[0], b[1]))
    h = math.sin((lat2 - lat1) / 2) ** 2 + math.cos(lat1) * math.cos(lat2) * math.sin((lon2 - lon1) / 2) ** 2
    return 2 * NM_PER_RADIAN * math.asin(min(1.0, math.sqrt(h)))


def read_sent(path):
    """Each flight's datagrams as (send time, lat, lon, alt), by callsign; the time of the last datagram."""
    flights = {}
    last = None
    for line in path.read_text().splitlines():
        parts = line.split(" ", 2)
        if len(parts) < 3 or parts[1] != "traffic":
            continue
        fields = parts[2].split(",")
        try:
            sent_at = float(fields[14])
            point = (sent_at, float(fields[2]), float(fields[3]), float(fields[4]))
        except (IndexError, ValueError):
            continue
        flights.setdefault(fields[9], []).append(point)
        last = sent_at if last is None else max(last, sent_at)
    for points in flights.values():
        points.sort()
    return flights, last


def fed_position(points, when):
    """Where the feed's datagrams put the flight at the time (between two of them, in proportion)."""
    times = [p[0] for p in points]
    i = bisect.bisect_left(times, when)
    if i == 0 or i == len(points):
        return None
    (t0, lat0, lon0, _), (t1, lat1, lon1, _) = points[i - 1], points[i]
    share = (when - t0) / (t1 - t0) if t1 > t0 else 0.0
    return lat0 + share * (lat1 - lat0), lon0 + share * (lon1 - lon0)


def is_live(callsign):
    """The program's static aircraft have callsigns ending in "*"."""
    return not callsign.endswith("*")


def read_track(run):
    """The program's live aircraft in the stand-in's track: id -> rows of (time, lat, lon, alt), callsign, title."""
    start = float((run / "standin-start").read_text().strip())
    objects = {}
    with open(run / "track.csv", newline="") as track:
        for row in csv.DictReader(track):
            if row["kind"] != "own" or not is_live(row["atc_id"]):
                continue
            entry = objects.setdefault(int(row["id"]), {"callsign": row["atc_id"], "title": row["title"], "rows": []})
            entry["rows"].append((start + float(row["t"]), float(row["lat"]), float(row["lon"]), float(row["alt_ft"])))
    return objects


def read_snapshots(run):
    """The stand-in's "obj list" answers: (time, {id: object}) of the program's live aircraft."""
    snapshots = []
    path = run / "objects.txt"
    if not path.exists():
        return snapshots
    for line in path.read_text().splitlines():
        when, _, text = line.partition(" ")
        try:
            reply = json.loads(text)
        except json.JSONDecodeError:
            continue
        own = [o for o in reply.get("objects", []) if o.get("kind") == "own" and is_live(o.get("atc_id", ""))]
        snapshots.append((float(when), {o["id"]: o for o in own}))
    return snapshots


def created_and_removed(snapshots):
    """For each object id: when it was created (its age in the first answer that shows it) and the time between
    the last answer that shows it and the first that no longer does."""
    created, removed, last_seen = {}, {}, {}
    for when, objects in snapshots:
        for object_id, data in objects.items():
            created.setdefault(object_id, when - float(data.get("age_s", 0.0)))
            last_seen[object_id] = when
        for object_id in list(last_seen):
            if object_id not in objects and object_id not in removed:
                removed[object_id] = (last_seen[object_id], when)
    return created, removed


def log_titles(log_text):
    titles = {}
    for line in log_text.splitlines():
        match = TITLE_LINE.match(line)
        if match:
            titles[match.group(1)] = match.group(2).strip()
    return titles


def sample_titles(program):
    path = program / "output" / "LiveriesScanned.xml"
    if not path.exists():
        return set()
    return {element.get("t") for element in ElementTree.parse(path).getroot().iter("l")}


def moved_nm(rows):
    return sum(distance_nm(a[1:3], b[1:3]) for a, b in zip(rows, rows[1:]))


def main():
    run = Path(sys.argv[1])
    program = run / "program"
    log_text = (program / "Log.txt").read_text(errors="replace") if (program / "Log.txt").exists() else ""
    sent, last_datagram = read_sent(run / "sent.txt")
    objects = read_track(run)
    created, removed = created_and_removed(read_snapshots(run))
    titles = log_titles(log_text)
    samples = sample_titles(program)
    feed_start = float((run / "feed-start").read_text().strip())

    def at(when):
        return f"+{when - feed_start:5.1f} s"

    print("== The live AI aircraft in the simulator (the stand-in's track; times from the feed's start)")
    if not objects:
        print("   none was created")
    print(f"   {'callsign':9} {'title':34} {'created':9} {'first position':26} {'last position':26} {'flown':>8}")
    for object_id, entry in sorted(objects.items(), key=lambda item: item[1]["rows"][0][0]):
        first, last = entry["rows"][0], entry["rows"][-1]
        made = at(created.get(object_id, first[0]))
        print(f"   {entry['callsign']:9} {entry['title'][:34]:34} {made:9} "
              f"{first[1]:8.4f},{first[2]:8.4f} {first[3]:6.0f} ft  {last[1]:8.4f},{last[2]:8.4f} {last[3]:6.0f} ft  "
              f"{moved_nm(entry['rows']):5.1f} nm")
    named = sum(1 for e in objects.values() if titles.get(e["callsign"]) == e["title"])
    from_samples = sum(1 for e in objects.values() if e["title"] in samples)
    print(f"   titles as Log.txt names them for the callsign: {named} of {len(objects)}; "
          f"sample liveries: {from_samples} of {len(objects)}")

    print("== Replayed 30 s late: the stand-in's track beside where the feed put the flight 30 s earlier")
    for object_id, entry in sorted(objects.items(), key=lambda item: item[1]["callsign"]):
        points = sent.get(entry["callsign"], [])
        pairs = [(row, fed_position(points, row[0] - REPLAY_DELAY_S)) for row in entry["rows"]]
        pairs = [(row, fed) for row, fed in pairs if fed is not None]
        if not pairs:
            print(f"   {entry['callsign']:9} no track point lies 30 s after the feed's datagrams")
            continue
        offsets = [distance_nm(row[1:3], fed) for row, fed in pairs]
        print(f"   {entry['callsign']:9} {len(pairs):4} points: {sum(offsets) / len(offsets):.2f} nm apart on average,"
              f" at most {max(offsets):.2f} nm")
        for row, fed in pairs[len(pairs) // 4::max(1, len(pairs) // 4)][:3]:
            print(f"             {at(row[0])}  track {row[1]:8.4f},{row[2]:8.4f}   feed 30 s earlier "
                  f"{fed[0]:8.4f},{fed[1]:8.4f}   {distance_nm(row[1:3], fed):.2f} nm")

    print("== From an aircraft's first datagram to its creation (goal: at most 31 s)")
    delays = []
    for object_id, entry in objects.items():
        made = created.get(object_id, entry["rows"][0][0])
        points = [p for p in sent.get(entry["callsign"], []) if p[0] < made]
        if not points:
            continue
        # The datagram whose position the object was created at: the first the program took for this flight.
        first = entry["rows"][0]
        taken = min(points, key=lambda p: distance_nm(first[1:3], p[1:3]))
        delays.append((made, made - taken[0], entry["callsign"]))
    if delays:
        delays.sort()
        _, first_delay, first_callsign = delays[0]
        print(f"   the first creation: {first_callsign} {first_delay:.1f} s after its first datagram"
              f" ({'within' if first_delay <= 31.0 else 'beyond'} the goal)")
        each = ", ".join(f"{callsign} {delay:.1f} s" for _, delay, callsign in delays)
        print(f"   each, in the order created: {each}")
        print("   (one creation goes out every 500 ms, so aircraft that arrive together wait for each other)")

    print("== Removals")
    if last_datagram is not None:
        print(f"   the feed's last datagram: {at(last_datagram)}")
    for object_id, entry in sorted(objects.items(), key=lambda item: item[1]["callsign"]):
        points = sent.get(entry["callsign"], [])
        if object_id in removed:
            seen, gone = removed[object_id]
            flight_end = points[-1][0] if points else None
            after = f", {gone - flight_end:.0f} s after its last datagram" if flight_end else ""
            print(f"   {entry['callsign']:9} removed between {at(seen)} and {at(gone)}{after}")
        else:
            print(f"   {entry['callsign']:9} still in the simulator at the end")
    end = run / "objects-end.json"
    if end.exists():
        own = [o for o in json.loads(end.read_text()).get("objects", []) if o.get("kind") == "own"]
        left = [o for o in own if is_live(o.get("atc_id", ""))]
        print(f"   live AI aircraft left in the simulator before the close: {len(left)}"
              f" (beside {len(own) - len(left)} static ones at the park airport)")

    print("== The program's own summary lines")
    for line in log_text.splitlines():
        if SUMMARY_LINE.match(line):
            print(f"   {line}")
    in_matching = False
    for line in log_text.splitlines():
        in_matching = in_matching or "livery matching summary" in line
        if in_matching:
            print(f"   {line}")
            if line.startswith("****") and "summary" not in line:
                break


if __name__ == "__main__":
    main()
