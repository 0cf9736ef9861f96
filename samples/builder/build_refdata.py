#!/usr/bin/env python3
"""Builds the sample reference data of Hollowmere from the public data in samples/data.

  build_refdata.py dbase    --data DIR --out FILE [--registrations N] [--seed S]
  build_refdata.py airports --data DIR --out FILE
  build_refdata.py siminstall --root DIR [--sim 2020|2024] [--edition store|steam]

"dbase" writes the plain reference database (aircraft types sorted into categories, airlines, registrations),
"airports" the plain airports database, "siminstall" a fake simulator installation below DIR: the per-user
folders "roaming" and "local" with a "UserCfg.opt" whose InstalledPackagesPath names the packages folder, which
holds "Community" and "Official" (or "Official2024"). The Store edition keeps "UserCfg.opt" in
local/Packages/<package family>/LocalCache and its packages in DIR/packages; the Steam edition keeps both in
roaming/<Steam folder> ("Packages" there). The plain files are sealed by hlmr-seal at build time.
Everything is deterministic for a given seed.
"""
import argparse
import csv
import random
import sys
from pathlib import Path
from xml.sax.saxutils import quoteattr

# Public wing spans in metres of common airliners and business jets.
WINGSPANS_M = {
    "A318": 34.1, "A319": 35.8, "A320": 35.8, "A321": 35.8, "A19N": 35.8, "A20N": 35.8, "A21N": 35.8,
    "A332": 60.3, "A333": 60.3, "A338": 64.0, "A339": 64.0, "A343": 60.3, "A346": 63.45, "A359": 64.75,
    "A35K": 64.75, "A388": 79.75, "B712": 28.45, "B733": 28.9, "B734": 28.9, "B735": 28.9, "B736": 34.3,
    "B737": 34.3, "B738": 35.8, "B739": 35.8, "B37M": 35.9, "B38M": 35.9, "B39M": 35.9, "B744": 64.4,
    "B748": 68.4, "B752": 38.05, "B753": 38.05, "B762": 47.57, "B763": 47.57, "B764": 51.92, "B772": 60.9,
    "B773": 60.9, "B77L": 64.8, "B77W": 64.8, "B788": 60.1, "B789": 60.1, "B78X": 60.1, "E170": 26.0,
    "E175": 26.0, "E190": 28.72, "E195": 28.72, "E290": 33.72, "E295": 35.12, "CRJ2": 21.21, "CRJ7": 23.24,
    "CRJ9": 24.85, "CRJX": 26.18, "DH8A": 25.91, "DH8D": 28.42, "AT43": 24.57, "AT72": 27.05, "AT76": 27.05,
    "BCS1": 35.1, "BCS3": 35.1, "MD11": 51.97, "C172": 11.0, "C208": 15.88, "PC12": 16.28, "GLF5": 28.5,
    "GLF6": 30.36, "CL35": 21.0, "F900": 19.33, "C56X": 17.17, "E55P": 16.2,
}

SIMILAR_TYPES = [
    "A318,A319,A320,A321", "A19N,A20N,A21N", "A332,A333", "A338,A339", "A359,A35K",
    "B733,B734,B735", "B736,B737,B738,B739", "B37M,B38M,B39M", "B752,B753", "B762,B763,B764",
    "B772,B773,B77L,B77W", "B788,B789,B78X", "E170,E175", "E190,E195", "E290,E295", "CRJ7,CRJ9,CRJX",
    "AT43,AT45,AT72,AT75,AT76", "DH8A,DH8B,DH8C,DH8D", "BCS1,BCS3",
]

# Registration prefixes of neighbouring registers, written as the matching forms a prefix: up to and including
# the dash ("D-" of D-ABCD), or the first character of a registration without one ("N" of N12345).
PREFIX_GROUPS = ["D-,OE-,HB-,PH-,OO-,LX-", "G-,EI-,M-", "N,C-", "VH-,ZK-", "SE-,LN-,OY-,OH-,TF-", "F-,EC-,CS-,I-",
                 "SP-,OK-,OM-,HA-"]

HIGH_PERFORMANCE = ["F16", "F15", "F18H", "F18S", "F35", "F22", "EUFI", "TOR", "RFAL", "MIR2", "SU27", "MG29",
                    "A10", "T38", "HAWK", "F5", "JAS39", "L159"]

CARGO_TYPES = ["AN12", "AN22", "AN26", "AN32", "AN72", "IL76", "C130", "C160", "L188", "A400", "C17", "B461"]

BUSINESS_MAKERS = ("CESSNA", "GULFSTREAM", "DASSAULT", "LEARJET", "HAWKER", "BEECH", "PILATUS", "BOMBARDIER",
                   "RAYTHEON", "SABRELINER", "ISRAEL AIRCRAFT", "HONDA", "ECLIPSE", "PIAGGIO")
BUSINESS_MODELS = ("Citation", "Gulfstream", "Falcon", "Learjet", "Challenger", "Global", "Hawker", "Phenom",
                   "Legacy", "Praetor", "HondaJet", "Premier", "Astra", "Westwind", "Sabreliner", "Lineage")

# Registration formats: a prefix and a pattern (A = letter, 9 = digit).
REG_FORMATS = {
    "PH": ["PH-AAA"], "G": ["G-AAAA"], "D": ["D-AAAA"], "F": ["F-AAAA"], "N": ["N999AA", "N9999A"],
    "EI": ["EI-AAA"], "HB": ["HB-AAA"], "OE": ["OE-AAA"], "SE": ["SE-AAA"], "LN": ["LN-AAA"], "OY": ["OY-AAA"],
    "EC": ["EC-AAA"], "VH": ["VH-AAA"], "JA": ["JA999A", "JA99AA"], "B": ["B-9999"], "9V": ["9V-AAA"],
    "A6": ["A6-AAA"], "A7": ["A7-AAA"], "TC": ["TC-AAA"], "C": ["C-AAAA"], "CS": ["CS-AAA"], "SP": ["SP-AAA"],
    "I": ["I-AAAA"], "OH": ["OH-AAA"], "TF": ["TF-AAA"], "HA": ["HA-AAA"], "OO": ["OO-AAA"],
}

# Real operators with their registration prefix and a plausible fleet.
FLEETS = [
    ("KLM", "PH", ["B738", "B739", "B772", "B77W", "B789", "B78X", "A332", "A333"]),
    ("KLC", "PH", ["E175", "E190", "E295"]),
    ("TRA", "PH", ["B737", "B738", "B38M"]),
    ("BAW", "G", ["A319", "A320", "A321", "A20N", "A21N", "B772", "B77W", "B788", "B789", "A388", "A35K"]),
    ("EZY", "G", ["A319", "A320", "A20N", "A21N"]),
    ("CFE", "G", ["E190", "BCS3"]),
    ("DLH", "D", ["A319", "A320", "A321", "A20N", "A21N", "A333", "A343", "A346", "A359", "A388", "B748"]),
    ("EWG", "D", ["A319", "A320", "A20N"]),
    ("DLA", "I", ["E190", "E195", "AT72"]),
    ("AFR", "F", ["A318", "A319", "A320", "A321", "A332", "A359", "B772", "B77W", "BCS3"]),
    ("IBE", "EC", ["A319", "A320", "A321", "A20N", "A21N", "A332", "A333", "A359"]),
    ("VLG", "EC", ["A319", "A320", "A321", "A20N"]),
    ("RYR", "EI", ["B738", "B38M"]),
    ("SWR", "HB", ["A220", "BCS1", "BCS3", "A320", "A321", "A333", "A343", "B77W"]),
    ("AUA", "OE", ["A320", "A321", "B763", "B772", "E195"]),
    ("SAS", "SE", ["A319", "A320", "A20N", "A333", "A359", "CRJX"]),
    ("FIN", "OH", ["A319", "A320", "A321", "A333", "A359", "AT76", "E190"]),
    ("ICE", "TF", ["B752", "B763", "B38M", "B39M"]),
    ("WZZ", "HA", ["A320", "A321", "A21N"]),
    ("TAP", "CS", ["A319", "A320", "A321", "A21N", "A332", "A339"]),
    ("LOT", "SP", ["B738", "B38M", "B788", "B789", "E170", "E175", "E195", "DH8D"]),
    ("UAL", "N", ["A319", "A320", "B38M", "B39M", "B738", "B739", "B752", "B763", "B772", "B77W", "B788", "B789"]),
    ("DAL", "N", ["A319", "A320", "A321", "A21N", "A332", "A333", "A339", "A359", "B712", "B738", "B739", "B752"]),
    ("AAL", "N", ["A319", "A320", "A321", "A21N", "B38M", "B738", "B772", "B77W", "B788", "B789"]),
    ("JBU", "N", ["A320", "A321", "A21N", "E190", "BCS3"]),
    ("SWA", "N", ["B737", "B38M"]),
    ("ASA", "N", ["B739", "B38M", "B39M", "E175"]),
    ("SKW", "N", ["CRJ2", "CRJ7", "CRJ9", "E175"]),
    ("FDX", "N", ["B752", "B763", "B77L", "MD11", "C208", "AT72"]),
    ("UPS", "N", ["B752", "B763", "B748", "MD11"]),
    ("GTI", "N", ["B744", "B748", "B763", "B77L"]),
    ("ACA", "C", ["A319", "A320", "A321", "A333", "B38M", "B772", "B77W", "B788", "B789", "BCS3"]),
    ("QFA", "VH", ["A332", "A333", "A388", "B738", "B789", "DH8D"]),
    ("ANA", "JA", ["A320", "A20N", "A321", "B763", "B772", "B77W", "B788", "B789", "B78X"]),
    ("JAL", "JA", ["B738", "B763", "B772", "B77W", "B788", "B789", "A359", "A35K", "E170", "E190"]),
    ("CPA", "B", ["A321", "A21N", "A332", "A333", "A359", "A35K", "B77W", "B748"]),
    ("SIA", "9V", ["A359", "A388", "B38M", "B77W", "B78X"]),
    ("UAE", "A6", ["A388", "B77L", "B77W"]),
    ("QTR", "A7", ["A320", "A332", "A359", "A35K", "A388", "B77L", "B77W", "B788", "B789"]),
    ("THY", "TC", ["A320", "A321", "A21N", "A332", "A333", "A359", "B738", "B38M", "B39M", "B77W", "B789"]),
    ("AZA", "I", ["A319", "A320", "A20N", "A21N", "A332", "A359"]),
]

CARGO_OPERATORS = ["FDX", "UPS", "GTI", "CLX", "BCS", "ABW", "DHK", "BOX", "CKS", "GEC", "CAO", "AHK", "MPH", "NCA"]

# Fictitious scenery publishers: the first name of a group is the publisher's own name.
PUBLISHERS = [
    "Northwind Scenery,Northwind,NWS", "Blue Delta Design,BlueDelta", "Harbour Lights Studio,HLS",
    "Quarry Field Works,QFW", "Tallgrass Airports", "Red Kite Scenery,RedKite", "Saltmarsh Simulations,SMS",
]

SIMADDONS_2020 = ["EHAM", "EGLL", "KJFK", "LFPG", "EDDF", "KLAX", "RJTT", "YSSY", "OMDB", "VHHH"]
SIMADDONS_2024 = ["EHAM", "EGLL", "KJFK", "LFPG", "EDDF", "KSEA", "KDEN", "LEMD", "LIRF", "ENGM"]
THIRD_PARTIES = [("Northwind Scenery", "EHRD,EHGG,EHEH"), ("Blue Delta Design", "EGKK,EGSS,EGGW"),
                 ("Harbour Lights Studio", "LSZH,LSGG"), ("Red Kite Scenery", "EIDW,EINN")]

# Airports that the samples give stands to.
STAND_COUNTS = {"EHAM": 208, "EGLL": 194, "EDDF": 190, "LFPG": 180, "KJFK": 150, "LSZH": 78, "EHRD": 18}


def read_types(data: Path):
    types = {}
    with open(data / "aircraft-types.tsv", newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            code = row["designator"].strip().upper()
            desc = row["description"].strip()
            if not code or desc == "-" or not code.isalnum() or not (2 <= len(code) <= 4):
                continue
            entry = types.setdefault(code, {"desc": desc, "wtc": row["wtc"].strip(), "makers": set(), "models": []})
            entry["makers"].add(row["manufacturer"].upper())
            entry["models"].append(row["model"])
    return types


def category_of(code, t):
    desc, wtc = t["desc"], t["wtc"]
    if code in HIGH_PERFORMANCE:
        return "hpf"
    if desc[0] in "HG":
        return "rot"
    if wtc in ("H", "J"):
        return "hvy"
    engine = desc[2] if len(desc) == 3 else "P"
    business = any(m.startswith(BUSINESS_MAKERS) for m in t["makers"]) or \
        any(any(b in model for b in BUSINESS_MODELS) for model in t["models"])
    if engine == "J" and (wtc == "L" or business):
        return "bzj"
    if wtc in ("M", "L/M") and engine in ("J", "T"):
        return "lar"
    return None  # Light: every valid type that no other category claims


def read_airlines(data: Path):
    airlines = {}
    with open(data / "airlines.csv", newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            code = row["icao"].strip().upper()
            if len(code) == 3 and code.isalnum():
                airlines[code] = row
    return airlines


def comma_chunks(codes, size=40):
    codes = list(codes)
    return [",".join(codes[i:i + size]) for i in range(0, len(codes), size)]


def make_registration(rng, pattern):
    out = []
    for ch in pattern:
        if ch == "A":
            out.append(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
        elif ch == "9":
            out.append(rng.choice("0123456789"))
        else:
            out.append(ch)
    return "".join(out)


def registrations(rng, valid_types, count):
    fleets = [(a, p, [t for t in types if t in valid_types]) for a, p, types in FLEETS]
    seen = set()
    records = []
    attempts = 0
    while len(records) < count and attempts < count * 20:
        attempts += 1
        airline, prefix, types = fleets[len(records) % len(fleets)]
        reg = make_registration(rng, rng.choice(REG_FORMATS[prefix]))
        if reg in seen:
            continue
        seen.add(reg)
        model = rng.choice(types)
        cargo = airline in CARGO_OPERATORS
        operator = ""
        if airline == "KLC" and rng.random() < 0.3:
            operator = "KLM"
        records.append((reg, airline, operator, model, cargo))
    return records


def write_dbase(args):
    data = Path(args.data)
    rng = random.Random(args.seed)
    types = read_types(data)
    airlines = read_airlines(data)
    valid_types = sorted(types)
    categories = {k: [] for k in ("hvy", "lar", "bzj", "hpf", "rot")}
    for code in valid_types:
        cat = category_of(code, types[code])
        if cat:
            categories[cat].append(code)
    active = sorted(c for c, r in airlines.items() if r["active"].strip() == "Y")
    airline_codes = sorted(set(active) | {"ZZZ", "PVT"} | {f[0] for f in FLEETS})
    cargo_ops = sorted(c for c in CARGO_OPERATORS if c in airlines)

    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<root>"]

    def section(name, element, attribute, values):
        lines.append(f"  <{name}>")
        for chunk in values:
            lines.append(f"    <{element} {attribute}={quoteattr(chunk)}/>")
        lines.append(f"  </{name}>")

    section("aircrafts", "aircraft", "types", comma_chunks(valid_types))
    section("cargo_types", "cargo_type", "types", comma_chunks(c for c in CARGO_TYPES if c in types))
    section("heavy", "hvy", "types", comma_chunks(categories["hvy"]))
    section("large", "lar", "types", comma_chunks(categories["lar"]))
    section("buzjet", "bzj", "types", comma_chunks(categories["bzj"]))
    section("high_performance", "hpf", "types", comma_chunks(c for c in HIGH_PERFORMANCE if c in types))
    section("rotorcraft", "rot", "types", comma_chunks(categories["rot"]))
    section("similar_types", "similar", "types", SIMILAR_TYPES)
    section("prefixes", "similar", "types", PREFIX_GROUPS)
    section("ICAO_airlines", "ICAO", "codes", comma_chunks(airline_codes))
    section("cargo_operators", "ICAO", "codes", comma_chunks(cargo_ops))
    section("publishers", "pub", "names", PUBLISHERS)
    lines.append("  <wingspans>")
    for code, metres in sorted(WINGSPANS_M.items()):
        if code in types:
            lines.append(f'    <wingspan type="{code}" meters="{metres}"/>')
    lines.append("  </wingspans>")
    lines.append("  <fixes>")
    for wrong, right in (("738", "B738"), ("320", "A320"), ("77W", "B77W"), ("A20", "A20N"), ("B7M8", "B38M")):
        lines.append(f'    <fx wro="{wrong}" cor="{right}"/>')
    lines.append("  </fixes>")
    section("simaddons20", "simaddon20", "arpts", [",".join(SIMADDONS_2020)])
    section("simaddons24", "simaddon24", "arpts", [",".join(SIMADDONS_2024)])
    for suffix in ("20", "24"):
        lines.append(f"  <thirdparties{suffix}>")
        for pub, arpts in THIRD_PARTIES:
            lines.append(f"    <thirdpartie{suffix} pub={quoteattr(pub)} arpts={quoteattr(arpts)}/>")
        lines.append(f"  </thirdparties{suffix}>")
    lines.append("  <dbase>")
    for reg, airline, operator, model, cargo in registrations(rng, set(valid_types), args.registrations):
        attrs = f'r={quoteattr(reg)} a="{airline}"'
        if operator:
            attrs += f' o="{operator}"'
        attrs += f' m="{model}"'
        if cargo:
            attrs += ' c="1"'
        lines.append(f"    <d {attrs}/>")
    lines.append("  </dbase>")
    lines.append("</root>")
    Path(args.out).write_text("\n".join(lines) + "\n", encoding="utf-8")


def write_airports(args):
    data = Path(args.data)
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<root>", "  <airports>"]
    with open(data / "airports.csv", newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            icao = row["icao"].strip().upper()
            if len(icao) != 4 or not icao.isalnum():
                continue
            attrs = f'c="{icao}"'
            iata = row["iata"].strip().upper()
            if len(iata) == 3 and iata.isalnum():
                attrs += f' i="{iata}"'
            attrs += f' la="{float(row["latitude"]):.6f}" lo="{float(row["longitude"]):.6f}"'
            attrs += f' a="{int(float(row["elevation_ft"] or 0))}" s="{STAND_COUNTS.get(icao, 0)}"'
            lines.append(f"    <ap {attrs}/>")
    lines += ["  </airports>", "</root>"]
    Path(args.out).write_text("\n".join(lines) + "\n", encoding="utf-8")


def write_siminstall(args):
    root = Path(args.root).resolve()
    official = "Official" if args.sim == "2020" else "Official2024"
    if args.edition == "steam":
        steam = "Microsoft Flight Simulator" if args.sim == "2020" else "Microsoft Flight Simulator 2024"
        cfg_folder = root / "roaming" / steam
        packages = cfg_folder / "Packages"
    else:
        family = ("Microsoft.FlightSimulator_8wekyb3d8bbwe" if args.sim == "2020"
                  else "Microsoft.Limitless_8wekyb3d8bbwe")
        cfg_folder = root / "local" / "Packages" / family / "LocalCache"
        packages = root / "packages"
    for folder in (packages / "Community", packages / official / "OneStore", cfg_folder,
                   root / "roaming", root / "local"):
        folder.mkdir(parents=True, exist_ok=True)
    (cfg_folder / "UserCfg.opt").write_text(
        "Version 67\n{Graphics\n\tVersion 1.1\n}\n"
        f'InstalledPackagesPath "{packages}"\n', encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    d = sub.add_parser("dbase")
    d.add_argument("--data", required=True)
    d.add_argument("--out", required=True)
    d.add_argument("--registrations", type=int, default=5000)
    d.add_argument("--seed", type=int, default=20261206)
    a = sub.add_parser("airports")
    a.add_argument("--data", required=True)
    a.add_argument("--out", required=True)
    s = sub.add_parser("siminstall")
    s.add_argument("--root", required=True)
    s.add_argument("--sim", choices=("2020", "2024"), default="2020")
    s.add_argument("--edition", choices=("store", "steam"), default="store")
    args = parser.parse_args()
    {"dbase": write_dbase, "airports": write_airports, "siminstall": write_siminstall}[args.command](args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
