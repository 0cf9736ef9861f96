#!/usr/bin/env python3
"""Writes airport files (stands with their recorded use), link files and package trees, on demand.

  generate_airports.py sample   --out DIR --dbase PLAIN_DBASE_XML [--data DIR] [--scenario FILE] [--seed S]
  generate_airports.py fixtures --out DIR
  generate_airports.py bench    --out DIR --dbase PLAIN_DBASE_XML [--stands N] [--options M] [--seed S]

sample    DIR/downloads/archive/stock/<ICAO>.xml for every airport the sample airports database gives stands, with
          the same stand counts: rows of stands near the airport's real reference point (positions and elevations
          from airports.csv) with realistic types, headings and radii, some overlapping their neighbours, and
          recorded use over every weekday and half hour, real and soft, by registrations of the sample reference
          database (PLAIN_DBASE_XML, as samples/builder/build_refdata.py writes it). EHAM's stands include the
          parking points of the ground scenario. Also generated files in DIR/airports/my_simaddon and
          DIR/airports/my_thirdparty, link files, and DIR/airports/my_park_airports.txt. DIR/layout.json lists
          every file with its airport and stand count.
fixtures  one file per edge case of the airport-file readers, learned-file and link-file variants, and package
          trees with "manifest.json" at depths 1 to 8. DIR/fixtures.json says for each file what reading it gives.
bench     DIR/airport.xml with N stands (default 1,000) and DIR/learned.xml with M learned options over them
          (default 100,000), registrations taken from PLAIN_DBASE_XML.

The output is a pure function of the arguments (and the seed).
"""
import argparse
import csv
import json
import math
import random
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path
from xml.sax.saxutils import escape

HERE = Path(__file__).resolve().parent
DEFAULT_DATA = HERE.parent.parent / "samples" / "data"
DEFAULT_SCENARIO = HERE.parent.parent / "samples" / "scenarios" / "eham_ground.txt"
PROGRAM_VERSION = "12.5.1"
METRES_PER_DEGREE = 111132.95

# The sample airports database's stand counts (samples/builder/build_refdata.py).
STAND_COUNTS = {"EHAM": 208, "EGLL": 194, "EDDF": 190, "LFPG": 180, "KJFK": 150, "LSZH": 78, "EHRD": 18}

# Parking types: (type, share, radius range in metres, categories the type suits).
STAND_KINDS = [
    (9, 0.45, (18.0, 24.0), ("lar",)),
    (10, 0.15, (32.0, 40.0), ("hvy",)),
    (5, 0.10, (30.0, 38.0), ("lar", "hvy")),
    (8, 0.10, (16.0, 20.0), ("bzj", "lar")),
    (3, 0.12, (8.0, 12.0), ("light", "bzj", "hpf")),
    (11, 0.08, (8.0, 10.0), ("light", "rot")),
]


def attr(name, value):
    return f'{name}="{escape(str(value), {chr(34): "&quot;"})}"'


def element(name, attributes, children=None, indent="    "):
    text = f"{indent}<{name} " + " ".join(attr(k, v) for k, v in attributes)
    if not children:
        return [text + " />"]
    return [text + ">"] + children + [f"{indent}</{name}>"]


def document(parameters, stands, version=PROGRAM_VERSION, meta=True):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<root>"]
    if meta:
        lines += ["  <meta>", '    <info name="author" value="Hollowmere" />',
                  f'    <info name="version" {attr("value", version)} />', '    <info name="date" value="Dec  6, 2026" />',
                  '    <info name="copyright" value="Copyright (c) the makers of Hollowmere. All rights reserved." />',
                  '    <info name="sim" value="1" />', "  </meta>"]
    lines.append("  <parameters>")
    lines += [f"    <parameter {attr('name', k)} {attr('value', v)} />" for k, v in parameters]
    lines += ["  </parameters>", "  <parkpositions>"] + stands + ["  </parkpositions>", "</root>"]
    return "\n".join(lines) + "\n"


def write(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(text.encode("utf-8") if isinstance(text, str) else text)


def offset(lat, lon, north_m, east_m):
    return lat + north_m / METRES_PER_DEGREE, lon + east_m / (METRES_PER_DEGREE * math.cos(math.radians(lat)))


# ---------------------------------------------------------------------------------------------------------------
# Reference data

def read_airports(data):
    airports = {}
    with open(Path(data) / "airports.csv", newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            icao = row["icao"].strip().upper()
            if icao in STAND_COUNTS or icao == "EHRD":
                airports[icao] = (row["name"].strip(), float(row["latitude"]), float(row["longitude"]),
                                  int(float(row["elevation_ft"] or 0)))
    return airports


def read_dbase(path):
    """Registrations (reg, airline, model) by category of their model, from the plain reference database."""
    root = ElementTree.parse(path).getroot()
    categories = {}
    for section, name in (("heavy", "hvy"), ("large", "lar"), ("buzjet", "bzj"), ("high_performance", "hpf"),
                          ("rotorcraft", "rot")):
        for item in root.find(section) or []:
            for code in item.get("types", "").split(","):
                categories.setdefault(code, name)
    by_category = {}
    for record in root.find("dbase"):
        model = record.get("m", "")
        reg = (record.get("r"), record.get("a", ""), model)
        by_category.setdefault(categories.get(model, "light"), []).append(reg)
    return by_category


# ---------------------------------------------------------------------------------------------------------------
# Stands and their recorded use

def scenario_stands(path):
    """The parking points of a ground scenario: where flights start on the ground and where they taxi in slowly."""
    points = []
    flight = None
    last_taxi = None
    for raw in Path(path).read_text(encoding="utf-8").splitlines():
        line = raw.split(" #")[0].strip()
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        if words[0] == "flight":
            if last_taxi:
                points.append(last_taxi)
            fields = dict(w.split("=", 1) for w in words[1:] if "=" in w)
            flight = fields
            last_taxi = None
            if "lat" in fields and fields.get("alt") == fields.get("elev"):
                points.append((float(fields["lat"]), float(fields["lon"]), float(fields.get("track", 0))))
        elif words[0] == "taxi" and flight is not None:
            speed = next((float(w[3:]) for w in words[3:] if w.startswith("gs=")), 15.0)
            last_taxi = (float(words[1]), float(words[2]), 0.0) if speed <= 5.0 else None
    if last_taxi:
        points.append(last_taxi)
    return points


def stand_kind(rng):
    pick = rng.random()
    for kind in STAND_KINDS:
        pick -= kind[1]
        if pick <= 0:
            return kind
    return STAND_KINDS[0]


def layout_stands(rng, icao, lat, lon, count, fixed_points=()):
    """Rows of twelve stands 500 m north of the reference point; every tenth stand gets an overlapping neighbour."""
    stands = []
    for n, (plat, plon, heading) in enumerate(fixed_points):
        stands.append({"id": f"D{2 * n + 2}", "lat": plat, "lon": plon, "heading": heading, "radius": 22.0,
                       "type": 9, "kind": STAND_KINDS[0]})
    piers = "ABCEFGHJKMNPQRSTUVWYZ"
    row_heading = rng.uniform(0.0, 360.0)
    n = 0
    while len(stands) < count:
        kind = stand_kind(rng)
        row, place = divmod(n, 12)
        north, east = 500.0 + 180.0 * row, -330.0 + 60.0 * place
        if n % 10 == 9 and stands and len(stands) < count:
            east -= 25.0  # overlaps the stand before it
        slat, slon = offset(lat, lon, north, east)
        radius = round(rng.uniform(*kind[2]), 1)
        stands.append({"id": f"{piers[row % len(piers)]}{place + 1}" + ("" if row < len(piers) else str(row)),
                       "lat": slat, "lon": slon, "heading": round((row_heading + (180.0 if row % 2 else 0.0)) % 360, 1),
                       "radius": radius, "type": kind[0], "kind": kind})
        n += 1
    return stands


def slot_text(rng, start):
    form = rng.random()
    if form < 0.6:
        return f"{start}:{min(47, start + rng.randint(1, 5))}"
    if form < 0.8:
        return str(start)
    return ",".join(str(s) for s in sorted({start, (start + 2) % 48, (start + 5) % 48}))


def stand_use(rng, stand, registrations, counter):
    """Recorded use of a stand by registrations whose model suits it; days and slots cycle through the week."""
    candidates = [r for category in stand["kind"][3] for r in registrations.get(category, [])]
    options = []
    if not candidates:
        return options
    for _ in range(rng.randint(3, 8)):
        reg, airline, model = rng.choice(candidates)
        day = counter[0] % 7 + 1
        start = (counter[0] * 7) % 48
        counter[0] += 1
        attributes = [("reg", reg), ("airl", airline), ("type", model)]
        if rng.random() < 0.25:
            attributes.append(("soft", "true"))
        attributes += [("day", day), ("hh", slot_text(rng, start)), ("cs", f"{airline or 'N'}{rng.randint(1, 9999)}")]
        options.append(element("opt", attributes, indent="      "))
    return [line for option in options for line in option]


def stand_element(stand, options=(), handmade_full=True):
    attributes = [("id", stand["id"]), ("latitude", f"{stand['lat']:.6f}"), ("longitude", f"{stand['lon']:.6f}"),
                  ("heading", f"{stand['heading']:.1f}"), ("radius", f"{stand['radius']:.1f}"), ("type", stand["type"]),
                  ("cargo", "true" if stand["type"] in (5, 6) else "false"),
                  ("ramp", "true" if stand["type"] in (1, 2, 3, 4, 14) else "false")]
    if stand["type"] == 11:
        attributes.append(("heli", "true"))
    return element("parkpos", attributes if handmade_full else attributes[:1], list(options))


def generated_file(name, publisher, altitude, stands, manifest=None):
    parameters = [("airport_name", name), ("publisher", publisher)]
    if manifest:
        parameters.append(("version", manifest["package_version"]))
    parameters += [("altitude", altitude), ("num_parkpos", len(stands)), ("Facilities", "true")]
    if not publisher:
        parameters.append(("BGLpath", "Community/unknown/scenery/airport.bgl"))
    return document(parameters, [line for s in stands for line in stand_element(s)])


def write_sample(args):
    out = Path(args.out)
    rng = random.Random(args.seed)
    airports = read_airports(args.data)
    registrations = read_dbase(args.dbase)
    layout = []

    def record(relative, kind, icao, stands):
        layout.append({"path": relative, "kind": kind, "icao": icao, "stands": stands})

    counter = [0]
    for icao in sorted(STAND_COUNTS):
        name, lat, lon, elevation = airports[icao]
        fixed = scenario_stands(args.scenario) if icao == "EHAM" else ()
        stands = layout_stands(rng, icao, lat, lon, STAND_COUNTS[icao], fixed)
        lines = [line for s in stands for line in stand_element(s, stand_use(rng, s, registrations, counter))]
        parameters = [("airport_name", name), ("publisher", ""), ("altitude", elevation),
                      ("num_parkpos", len(stands)), ("Facilities", "false"), ("RT_traffic_week", 49)]
        relative = f"downloads/archive/stock/{icao}.xml"
        write(out / relative, document(parameters, lines))
        record(relative, "archived", icao, len(stands))

    def local(relative, icao, publisher, manifest=None):
        name, lat, lon, elevation = airports[icao]
        stands = layout_stands(rng, icao, lat, lon, STAND_COUNTS[icao])
        write(out / relative, generated_file(name, publisher, elevation, stands, manifest))
        record(relative, "generated", icao, len(stands))

    local("airports/my_simaddon/EGLL.xml", "EGLL", "simaddon")
    local("airports/my_thirdparty/EHRD.xml", "EHRD", "Northwind Scenery", {"package_version": "1.4.0"})
    local("airports/my_thirdparty/Harbour Lights Studio/LSZH.xml", "LSZH", "Harbour Lights Studio")
    for relative, target in (("airports/my_thirdparty/LSZH.txt", "airports/my_thirdparty/Harbour Lights Studio/LSZH.xml"),
                             ("airports/my_simaddon/KJFK.txt", "archive/stock/KJFK.xml")):
        write(out / relative, target + "\r\n")
        record(relative, "link", Path(relative).stem, 0)
    write(out / "airports/my_park_airports.txt", "EHAM,D4\nEHRD\nLSZH\n")
    record("airports/my_park_airports.txt", "park airports", "", 0)
    write(out / "layout.json", json.dumps(layout, indent=1) + "\n")


# ---------------------------------------------------------------------------------------------------------------
# Fixtures

BASE_STANDS = """<parkpos id="A1" latitude="52.1" longitude="4.1" radius="40" type="9">
      <opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="10:11" cs="XYZ1" />
    </parkpos>
    <parkpos id="A2" latitude="52.2" longitude="4.2" radius="30" />"""


def write_fixtures(args):
    out = Path(args.out)
    index = []

    def airport(name, stands, rule, error=None, count=None, raw=None):
        write(out / name, raw if raw is not None else document([("airport_name", "Fixture")], [stands]))
        index.append({"file": name, "kind": "airport", "rule": rule, "error": error, "stands": count})

    def learned(name, stands, rule, read, parameters=(), version=PROGRAM_VERSION, raw=None):
        text = raw if raw is not None else document([("airport_name", "Fixture")] + list(parameters), [stands], version)
        write(out / name, text)
        index.append({"file": name, "kind": "learned", "rule": rule, "base": "base.xml", "read": read})

    def link(name, content, rule, target):
        write(out / name, content)
        index.append({"file": name, "kind": "link", "rule": rule, "target": target})

    airport("base.xml", BASE_STANDS, "the airport file the learned fixtures lie over", count=2)
    airport("cargo_by_type.xml", '<parkpos id="C1" latitude="52" longitude="4" type="5" cargo="false" />',
            "type 5 is a cargo stand whatever cargo says", count=1)
    airport("cargo_ramp_type0.xml", '<parkpos id="C2" latitude="52" longitude="4" cargo="true" ramp="true" />',
            "type 0 takes cargo and ramp from the attributes", count=1)
    airport("zero_position.xml", '<parkpos id="Z" latitude="0" longitude="0" /><parkpos id="Y" latitude="0" longitude="4" />',
            "0/0 is no position; one 0 is", count=1)
    airport("radius_heading.xml", '<parkpos id="R" latitude="1" longitude="2" radius="40.0" heading="359.95" />',
            "radius 40 m and heading 359.95", count=1)
    airport("slot_forms.xml", '<parkpos id="S" latitude="1" longitude="2"><opt reg="PH-A" day="1" hh="10:13" />'
            '<opt reg="PH-B" day="2" hh="3,7, 9" cs="AB1:AB2" /><opt reg="PH-C" day="3" hh="47" /></parkpos>',
            "range, list and single slot; two callsigns", count=1)
    airport("skipped_options.xml", '<parkpos id="K" latitude="1" longitude="2"><opt reg="PH-A" day="8" hh="1" />'
            '<opt reg="PH-B" day="0" hh="1" /><opt reg="PH-C" day="2" /><opt reg="PH-D" day="9" hh="4" /></parkpos>',
            "options with day 0, 8, 9 or no hh are not loaded", count=1)
    airport("registry_wins.xml", '<parkpos id="G" latitude="1" longitude="2"><opt reg="D-AINA" airl="KLM" type="B738" '
            'day="2" hh="5" /></parkpos>', "a known registration's record wins over airl and type", count=1)
    airport("duplicate_blank_ids.xml", '<parkpos id="A" latitude="1" longitude="2" /><parkpos id=" A " latitude="1" '
            'longitude="2" />', "ids that differ by blanks are duplicates", error=94)
    airport("missing_id.xml", '<parkpos latitude="1" longitude="2" />', "a stand without id", error=93)
    airport("empty_id.xml", '<parkpos id=" " latitude="1" longitude="2" />', "a stand with an empty id", error=93)
    airport("no_root.xml", "", "parkpositions directly under the document", count=1,
            raw='<parkpositions><parkpos id="N" latitude="1" longitude="2" /></parkpositions>\n')
    airport("type_out_of_range.xml", '<parkpos id="T1" latitude="1" longitude="2" type="65546" />'
            '<parkpos id="T2" latitude="1" longitude="2" type="-1" />', "types outside 0..15 are kept as read", count=2)
    airport("bad_numbers.xml", '<parkpos id="B1" latitude="91" longitude="2" /><parkpos id="B2" latitude="1" longitude="2" '
            'heading="nan" /><parkpos id="B3" latitude="1" longitude="2" radius="-4" /><parkpos id="B4" latitude="1" '
            'longitude="2" radius="inf" /><parkpos id="B5" latitude="1" longitude="2" />',
            "positions, headings and radii that are no plausible numbers", count=1)

    learned("learned_minimal.xml", '<parkpos id="A1" />', "nothing changed", "complete")
    learned("learned_changes.xml", '<parkpos id="A1" radius_change="true" radius="60" cargo_change="true" cargo="true">'
            '<opt reg="D-AINA" day="3" hh="4:6" cs="DLH1:DLH2" cpl="true" /></parkpos>'
            '<parkpos id="A2" radius_change="true" radius="12" />', "radius and cargo changes with learned use", "complete",
            [("RANGE", 65), ("WEEK", "true"), ("parking_percentage", 55), ("MAX_FIT", 9), ("AUTO_RANGE", "false")])
    learned("version_11_9_9.xml", '<parkpos id="A1" radius_change="true" radius="60"><opt reg="D-AINA" day="3" hh="4" />'
            '</parkpos>', "an older writer: changes kept, use cleared", "clearedByVersion", version="11.9.9")
    learned("version_x.xml", '<parkpos id="A1"><opt reg="D-AINA" day="3" hh="4" /></parkpos>',
            "an unparsable version reads as 0.0.0", "clearedByVersion", version="x")
    learned("handmade_false.xml", '<parkpos id="H1" latitude="50" longitude="5"><opt reg="PH-Q" day="3" hh="4" />'
            '</parkpos>', "handmade whatever its value", "complete", [("handmade", "false")])
    learned("handmade_bad_id.xml", '<parkpos id="H1" latitude="50" longitude="5" /><parkpos id="H1" latitude="50" '
            'longitude="5" />', "a handmade file with a repeated id", "handmadeFailed", [("handmade", "true")])
    learned("duplicate_opts.xml", '<parkpos id="A1"><opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="11:12" />'
            '<opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="20" /></parkpos>',
            "an overlapping use is dropped, a disjoint one kept", "complete")
    learned("days_0_9.xml", '<parkpos id="A1"><opt reg="PH-A" day="0" hh="1" /><opt reg="PH-B" day="9" hh="1" />'
            '<opt reg="PH-C" day="7" hh="x" /></parkpos>', "days outside 1..7 and empty slots are skipped", "complete")
    learned("settings_out_of_range.xml", "", "settings beyond their bounds are refused", "complete",
            [("MAX_LIVE_SEL", 99999), ("RANGE", -4), ("parking_percentage", 500), ("MAX_FIT", 99)])
    learned("no_parking_percentage.xml", "", "parking_percentage becomes 30", "complete", [("RANGE", 65)])
    learned("unmatched.xml", '<parkpos id="GONE" radius_change="true" radius="10"><opt reg="PH-Q" day="3" hh="4" />'
            '</parkpos>', "an entry of a stand the airport lacks is kept", "complete")
    learned("manual.xml", '<parkpos id="M1" manual="true" latitude="52.3" longitude="4.3" radius="25" type="3">'
            '<opt reg="N700FX" day="5" hh="0:1" /></parkpos><parkpos id="A2" manual="true" latitude="52" longitude="4" '
            'radius="20" /><parkpos id="M2" manual="true" latitude="0" longitude="0" radius="25" />',
            "stands made by hand", "complete")
    learned("no_meta.xml", "", "no meta block", "stoppedEarly",
            raw='<root><parkpositions><parkpos id="A1" radius_change="true" radius="5" /></parkpositions></root>\n')
    learned("unparsable.xml", "", "not XML", "unparsable", raw="<root><parkpositions>\n")

    link("link_upper_blank.txt", "airports/pkg/EHAM.XML \n", "upper-case extension and a trailing blank",
         "airports/pkg/EHAM.XML")
    link("link_bom_crlf.txt", b"\xef\xbb\xbfarchive/stock/EHAM.xml\r\n", "byte order mark and CR LF",
         "archive/stock/EHAM.xml")
    link("link_txt_target.txt", "airports/pkg/EHAM.txt", "a link that names no airport file", None)
    link("link_traversal.txt", "airports/../../etc/EHAM.xml", "a link that leaves the program folder", None)
    link("link_absolute.txt", "C:\\Users\\x\\EHAM.xml", "an absolute link", None)
    link("link_empty.txt", "", "an empty link", None)
    link("link_large.txt", " " * 5000 + "airports/x/EHAM.xml", "a link file over 4 KB", None)

    manifest = {"title": "Fixture EHRD Rotterdam", "package_version": "", "version": "1.2.3",
                "manufacturer": "Northwind", "creator": "Fixture Team"}
    for depth in range(1, 9):
        package = Path("packages") / f"depth{depth}"
        bgl = package.joinpath(*[f"d{level}" for level in range(1, depth)]) / "scenery.bgl"
        write(out / package / "manifest.json", json.dumps(manifest) + "\n")
        write(out / bgl, b"")
        index.append({"file": str(bgl), "kind": "package", "rule": f"manifest {depth} folders up",
                      "found": depth <= 7})
    write(out / "fixtures.json", json.dumps(index, indent=1) + "\n")


# ---------------------------------------------------------------------------------------------------------------
# Benchmark files

def write_bench(args):
    out = Path(args.out)
    rng = random.Random(args.seed)
    registrations = [r for regs in read_dbase(args.dbase).values() for r in regs]
    stands = layout_stands(rng, "EHAM", 52.3086, 4.7639, args.stands)
    write(out / "airport.xml", document([("airport_name", "Bench"), ("publisher", ""), ("altitude", -11),
                                         ("num_parkpos", len(stands)), ("Facilities", "false")],
                                        [line for s in stands for line in stand_element(s)]))
    per_stand, extra = divmod(args.options, len(stands))
    lines = []
    n = 0
    for index, stand in enumerate(stands):
        options = []
        for _ in range(per_stand + (1 if index < extra else 0)):
            reg, airline, model = registrations[n % len(registrations)]
            day, start = n % 7 + 1, (n // 7) % 47
            attributes = [("reg", reg)] if n % 5 else [("reg", f"X-{n:06d}"), ("airl", airline), ("type", model)]
            attributes += [("day", day), ("hh", f"{start}:{start + 1}"), ("cs", f"{airline or 'N'}{n % 9000 + 1}")]
            options += element("opt", attributes, indent="      ")
            n += 1
        lines += element("parkpos", [("id", stand["id"])], options)
    parameters = [("airport_name", "Bench"), ("publisher", ""), ("Facilities", "false"), ("RANGE", 40),
                  ("AUTO_RANGE", "true"), ("WEEK", "false"), ("PARK_SOFT", "false"), ("parking_percentage", 30),
                  ("INITIAL_LOAD_ONLY", "false"), ("MAX_FIT", 47), ("MAX_LIVE_SEL", 500)]
    write(out / "learned.xml", document(parameters, lines))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="profile", required=True)
    s = sub.add_parser("sample")
    s.add_argument("--out", required=True)
    s.add_argument("--dbase", required=True)
    s.add_argument("--data", default=str(DEFAULT_DATA))
    s.add_argument("--scenario", default=str(DEFAULT_SCENARIO))
    s.add_argument("--seed", type=int, default=20261207)
    f = sub.add_parser("fixtures")
    f.add_argument("--out", required=True)
    b = sub.add_parser("bench")
    b.add_argument("--out", required=True)
    b.add_argument("--dbase", required=True)
    b.add_argument("--stands", type=int, default=1000)
    b.add_argument("--options", type=int, default=100000)
    b.add_argument("--seed", type=int, default=20261207)
    args = parser.parse_args()
    Path(args.out).mkdir(parents=True, exist_ok=True)
    {"sample": write_sample, "fixtures": write_fixtures, "bench": write_bench}[args.profile](args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
