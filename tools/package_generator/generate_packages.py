#!/usr/bin/env python3
"""Writes fake simulator "Community" folders of AI-traffic packages with aircraft.cfg files, on demand.

  generate_packages.py min    --out DIR
  generate_packages.py bench  --out DIR [--packages N] [--models M] [--sections K] [--seed S] [--data DIR]
  generate_packages.py sample --out DIR [--dbase PLAIN_DBASE_XML] [--seed S] [--data DIR]

min     every file proves one rule of the aircraft.cfg readers and the folder walk. DIR/manifest.json names, for
        every file, the rule it proves, which reader reads it, whether the walk reads it, and the liveries and
        report lines expected when that reader reads it (against the test suites' small reference database,
        reading the files in manifest order, so titles taken by earlier files stay taken). In report lines
        "${file}" stands for the aircraft.cfg's path and "${folder}" for its folder.
bench   N packages x M model folders x K sections (defaults 10 x 1000 x 6: 10,000 files, 60,000 sections) with
        real airline codes and type designators of the sample reference data and synthetic registrations.
sample  a small, realistic set of packages for the demo, consistent with the sample reference database (its
        registrations are used when --dbase names the plain database the sample builder wrote).

The output is a pure function of the arguments (and the seed). DIR must not lie below a folder whose path
holds one of the walk's skip words (for example "airport"), and should be short: paths of 250 bytes and more
are part of the "min" profile.
"""
import argparse
import importlib.util
import json
import random
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

HERE = Path(__file__).resolve().parent
SAMPLE_BUILDER = HERE.parent.parent / "samples" / "builder" / "build_refdata.py"
DEFAULT_DATA = HERE.parent.parent.parent / "shared" / "data"

# The walk's words that keep it out of a folder, and its limit of a path's UTF-8 bytes.
SKIP_WORDS = ["airport", "lvfr", "mkstudios", "simwings", "fsdreamteam", "navigraph", "flytampa", "inibuilds", "_CVT_"]
PATH_LIMIT = 250


def load_sample_builder():
    spec = importlib.util.spec_from_file_location("build_refdata", SAMPLE_BUILDER)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


# ---------------------------------------------------------------------------------------------------------------
# Writing files

def encode(text, encoding):
    if encoding == "utf8":
        return text.encode("utf-8")
    if encoding == "utf8-bom":
        return b"\xef\xbb\xbf" + text.encode("utf-8")
    if encoding == "ansi":
        return text.encode("cp1252")
    if encoding == "utf16le-bom":
        return b"\xff\xfe" + text.encode("utf-16-le")
    if encoding == "utf16le":
        return text.encode("utf-16-le")
    raise ValueError(encoding)


def write_text(path, lines, encoding="utf8", newline="\r\n"):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(encode(newline.join(lines) + newline, encoding))


def general(type_designator=None, base_container=None, extra=()):
    lines = ["[VERSION]", "major = 1", "minor = 0", ""]
    if base_container is not None:
        lines += ["[VARIATION]", f'base_container = "{base_container}"        ; relative path of the base aircraft', ""]
    lines += ["[GENERAL]", 'atc_type = "AIRLINER"', 'category = "airplane"']
    if type_designator is not None:
        lines.append(f'icao_type_designator = "{type_designator}"')
    lines += ['icao_engine_type = "Jet"', "icao_engine_count = 2", *extra, ""]
    return lines


def fltsim(number, title=None, airline=None, atc_id=None, parking=None, texture=None, extra=(), header=None):
    """One [fltsim.N] section in the usual key order; keys left as None are not written."""
    lines = [header if header is not None else f"[fltsim.{number}]"]
    if title is not None:
        lines.append(f'title = "{title}"')
    lines.append('model = ""')
    if texture is not None:
        lines.append(f'texture = "{texture}"')
    if atc_id is not None:
        lines.append(f'atc_id = "{atc_id}"')
    if parking is not None:
        lines.append(f'atc_parking_types = "{parking}"')
    if airline is not None:
        lines.append(f'icao_airline = "{airline}"')
    lines += list(extra)
    lines += ["isAirTraffic = 1", "isUserSelectable = 0", ""]
    return lines


def texture_folder(folder, name):
    write_text(folder / f"texture.{name}" / "texture.cfg", ["[fltsim]", r"fallback.1 = ..\..\texture"])


# ---------------------------------------------------------------------------------------------------------------
# The "min" profile

def livery(title, atc_id, airline, model, second="", cargo=0, reference=0):
    return {"title": title, "atcId": atc_id, "airline": airline, "secondAirline": second, "model": model,
            "cargo": cargo, "referenceFlag": reference}


class MinProfile:
    AIG = "Community/aig-aitraffic-oci-beta/SimObjects/Airplanes"
    FSLTL = "Community/fsltl-traffic-base/SimObjects/Airplanes"
    JF = "Community/justflight-aircraft-traffic-fleet/SimObjects/Airplanes"
    MTL = "Community/IVAO_MTL/SimObjects/Airplanes"
    USER = "Community/user-aitraffic/SimObjects/Airplanes"

    def __init__(self, out):
        self.out = out
        self.files = []

    def add(self, relative, lines, rule, reader="generic", walk="read", liveries=(), reports=None, log=(),
            encoding="utf8", newline="\r\n"):
        path = self.out / relative
        write_text(path, lines, encoding, newline)
        self.files.append({"path": relative, "rule": rule, "reader": reader, "walk": walk, "encoding": encoding,
                           "liveries": list(liveries), "reports": reports or {}, "log": list(log)})

    def add_bytes(self, relative, data, rule, walk="read"):
        path = self.out / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        self.files.append({"path": relative, "rule": rule, "reader": "generic", "walk": walk, "encoding": "binary",
                           "liveries": [], "reports": None, "log": []})

    def build(self):
        self.aig_a320()
        self.aig_others()
        self.aig_walk_rules()
        self.fsltl()
        self.jf()
        self.ivao()
        self.user()
        self.manual()
        self.deep()
        (self.out / "Community" / "aig-aitraffic-oci_CVT_" / "SimObjects" / "Airplanes" / "CVT_A320").mkdir(
            parents=True, exist_ok=True)
        write_text(self.out / "Community/aig-aitraffic-oci_CVT_/SimObjects/Airplanes/CVT_A320/aircraft.cfg",
                   general("A320") + fltsim(0, "CVT A320 must not be read", "DLH"))
        return {
            "profile": "min",
            "dbase": "the test suites' default reference database (tests/support/dbase_fixture.cpp)",
            "community": "Community",
            "detected": {"AIG": "Community/aig-aitraffic-oci-beta", "FSLTL": "Community/fsltl-traffic-base",
                         "JF": "Community/justflight-aircraft-traffic-fleet", "MTL": "Community/IVAO_MTL",
                         "user-aitraffic": "Community/user-aitraffic"},
            "never_detected": ["Community/aig-aitraffic-oci_CVT_"],
            "manual": {"folders": ["manual/pmdg-aircraft-737", "manual/ivao_x-csl", "deep"],
                       "plain_file": "manual/not_a_folder.txt", "missing": "manual/missing"},
            "files": self.files,
        }

    # -- the one big per-model file of generic rules -------------------------------------------------------------
    def aig_a320(self):
        rel = f"{self.AIG}/AIG_A320/aircraft.cfg"
        missing = "${file} [fltsim.%s] icao_airline is missing, or it has invalid info "
        L = []  # lines
        E = []  # liveries
        incomplete = []
        L += general("A320")
        L += ["[FLTSIM.0]", 'title = "AIG A320 Lufthansa D-AIZA"   ; the name under which the simulator knows it',
              'model = ""', 'texture = "DLH"', 'atc_id = "D-AIZA" ; registration', 'atc_airline = "Lufthansa"',
              'atc_parking_types = "GATE,RAMP"', 'icao_airline = "DLH"', 'ui_variation = "Lufthansa"',
              "isAirTraffic = 1", ""]
        E.append(livery("AIG A320 Lufthansa D-AIZA", "D-AIZA", "DLH", "A320"))
        L += ["[fltsim.1]", '\tTITLE =\t"AIG A320 easyJet G-EZAA"', "ICAO_Airline=ezy", "atc_id=G-EZAA", ""]
        E.append(livery("AIG A320 easyJet G-EZAA", "G-EZAA", "EZY", "A320"))
        L += ["[fltsim.2]", "title = AIG A320 British Airways G-EUUA ; note", 'icao_airline = "BAW"',
              'atc_id = "G-EUUA"', ""]
        E.append(livery("AIG A320 British Airways G-EUUA ; note", "G-EUUA", "BAW", "A320"))
        L += fltsim(3, "AIG A320 Lufthansa D-AIZC", "DLH", extra=["atc_id = D-AIZC ; old registration"])
        E.append(livery("AIG A320 Lufthansa D-AIZC", "D-AIZC", "DLH", "A320"))
        L += fltsim(4, "AIG A320 Lufthansa two registrations", "DLH", "D-AIZD,D-AIZE")
        E.append(livery("AIG A320 Lufthansa two registrations", "", "DLH", "A320"))
        L += fltsim(5, "AIG A320 Lufthansa star", "DLH", "D-AI*F")
        incomplete.append("invalid atc_id=D-AI*F in: AIG A320 Lufthansa star")
        E.append(livery("AIG A320 Lufthansa star", "", "DLH", "A320"))
        L += fltsim(6, "AIG A320 Lufthansa long registration", "DLH", "ABCDEFGHIJKLM")
        incomplete.append("invalid atc_id=ABCDEFGHIJKLM in: AIG A320 Lufthansa long registration")
        E.append(livery("AIG A320 Lufthansa long registration", "", "DLH", "A320"))
        L += fltsim(7, "AIG A320 generic ZZZZ", "ZZZZ", "D-AIZH")
        E.append(livery("AIG A320 generic ZZZZ", "", "ZZZ", "A320"))
        L += fltsim(8, "AIG A320 generic empty airline", "", "D-AIZI")
        E.append(livery("AIG A320 generic empty airline", "", "ZZZ", "A320"))
        L += fltsim(9, "AIG A320 Lufthansa DLHX", "DLHX")
        E.append(livery("AIG A320 Lufthansa DLHX", "", "DLH", "A320"))
        L += fltsim(10, "AIG A320 British Airways bawc", "bawc")
        E.append(livery("AIG A320 British Airways bawc", "", "BAW", "A320"))
        L += fltsim(11, "AIG A320 unknown airline KLMA", "KLMA")
        invalid_airline = ["KLMA         in ${file} [fltsim.11]"]
        incomplete.append(missing % 11)
        E.append(livery("AIG A320 unknown airline KLMA", "", "PVT", "A320"))
        L += fltsim(12, "AIG A320 Lufthansa Retro-STUB", "DLH", "D-AIZJ")
        E.append(livery("AIG A320 Lufthansa Retro-STUB", "", "ZZZ", "A320"))
        L += fltsim(13, "AIG A320 Fictional Air", "DLH")
        L += fltsim(14, "FenixA320 Lufthansa", "DLH")
        incomplete.append(missing % 14)
        L += ["[fltsim.15]", 'icao_airline = "BAW"', 'title = "PMDG 737 British Airways"', ""]
        L += fltsim(16, "AIG A320 RFO", "RFO")
        incomplete.append(missing % 16)
        L += fltsim(17, "AIG A320 two titles", "DLH", extra=['Title = "AIG A320 second title"'])
        incomplete.append("${folder} [fltsim.17] has more than one title key")
        L += fltsim(18, "AIG A320 two airlines", "DLH", extra=['; icao_airline = "BAW"'])
        incomplete.append("${folder} [fltsim.18] has more than one icao_airline key")
        L += fltsim(19, "AIG A320 two parking types", "DLH", parking="GATE", extra=["atc_parking_types = RAMP"])
        incomplete.append("${folder} [fltsim.19] has more than one atc_parking_types key")
        L += fltsim(20, "AIG A320 commented atc_id", "DLH", "D-AIZK", extra=["//atc_id=D-AIZL"])
        incomplete.append("${folder}, [fltsim.20], has more than one atc_id key")
        L += ["[fltsim.21]", 'title = "AIG A320 trailing comment"', 'icao_airline = "DLH"', 'atc_id = "D-AIZM"',
              "//atc_id=D-AIZN", "", "// end of section", ""]
        E.append(livery("AIG A320 trailing comment", "D-AIZM", "DLH", "A320"))
        L += fltsim(22, "AIG A320 blank before equals", "DLH", "D-AIZO",
                    extra=['// title = "AIG A320 old title"', "; atc_id = D-AIZP"])
        E.append(livery("AIG A320 blank before equals", "D-AIZO", "DLH", "A320"))
        L += fltsim(23, None, "DLH", "D-AIZQ")
        incomplete.append("${folder} [fltsim.23] misses title")
        L += fltsim(24, "AIG A320 Lufthansa D-AIZA", "DLH")
        incomplete.append("${folder} [fltsim.24] title 'AIG A320 Lufthansa D-AIZA' already exists")
        L += fltsim(25, "AIG A320 British Airways D-ABCD", "BAW", "D-ABCD")
        E.append(livery("AIG A320 British Airways D-ABCD", "D-ABCD", "BAW", "A320"))
        L += fltsim(26, "AIG A320 KLM D-AIPA", "KLM", "D-AIPA", parking="CARGO")
        E.append(livery("AIG A320 KLM D-AIPA", "D-AIPA", "DLH", "A320", reference=1))
        L += fltsim(27, "AIG A320 Private G-ABC")
        incomplete.append(missing % 27)
        E.append(livery("AIG A320 Private G-ABC", "G-ABC", "BAW", "DH8D", reference=1))
        L += fltsim(28, "AIG A320 Private N99999", atc_id="N99999")
        incomplete.append(missing % 28)
        E.append(livery("AIG A320 Private N99999", "N99999", "PVT", "A320"))
        L += ["[General]", 'title = "AIG A320 ignored after General"', 'icao_airline = "DLH"', ""]
        L += ["[fltsim.29]", 'title = "AIG A320 Lufthansa ended by a commented header"', 'icao_airline = "DLH"',
              "//[fltsim.99]", 'atc_id = "D-AIZR"', ""]
        E.append(livery("AIG A320 Lufthansa ended by a commented header", "", "DLH", "A320"))
        L += fltsim(None, "AIG A320 Lufthansa malformed header", "DLH", header="[fltsim.abc]")
        E.append(livery("AIG A320 Lufthansa malformed header", "", "DLH", "A320"))
        L += fltsim(None, "AIG A320 Lufthansa spaced header", "DLH", header="  [FLTSIM.31]  ")
        E.append(livery("AIG A320 Lufthansa spaced header", "", "DLH", "A320"))
        L += fltsim(None, "AIG A320 Lufthansa header with text", "DLH", header="[FLTSIM.32] trailing text")
        E.append(livery("AIG A320 Lufthansa header with text", "", "DLH", "A320"))
        L += fltsim(40, "AIG A320 Lufthansa gate cargo", "DLH", parking="gate, cargo")
        E.append(livery("AIG A320 Lufthansa gate cargo", "", "DLH", "A320"))
        L += ["[fltsim.41]", 'title = "  AIG A320 Lufthansa spaced title  "', 'icao_airline = "DLH"', ""]
        E.append(livery("AIG A320 Lufthansa spaced title", "", "DLH", "A320"))
        L += fltsim(42, "AIG A320 [bracket] Lufthansa", "DLH")
        E.append(livery("AIG A320 [bracket] Lufthansa", "", "DLH", "A320"))
        L += fltsim(43, "AIG A320 Lufthansa long line", "DLH", extra=["; " + "x" * 100_000])
        E.append(livery("AIG A320 Lufthansa long line", "", "DLH", "A320"))
        self.add(rel, L, "generic section rules: key spelling, quote rule, atc_id rule, airline codes, duplicate keys, "
                 "title rules, registrations of the reference data, section ends, headers, a 100 KB line",
                 liveries=E, reports={"IncompleteSection": incomplete, "InvalidAirlineCode": invalid_airline})
        base = self.out / self.AIG / "AIG_A320"
        for name in ("DLH", "BAW", "EZY"):
            texture_folder(base, name)
        write_text(base / "aircraft.cfg.bak", general("A320") + fltsim(0, "AIG A320 backup must not be read", "DLH"))
        write_text(base / "aircraft_old.cfg", general("A320") + fltsim(0, "AIG A320 old must not be read", "DLH"))
        self.files.append({"path": f"{self.AIG}/AIG_A320/aircraft.cfg.bak", "rule": "not named aircraft.cfg",
                           "reader": None, "walk": "not read"})
        self.files.append({"path": f"{self.AIG}/AIG_A320/aircraft_old.cfg", "rule": "not named aircraft.cfg",
                           "reader": None, "walk": "not read"})

    def aig_others(self):
        a = self.AIG
        self.add(f"{a}/AIG_B738/aircraft.cfg",
                 general("b738-800") + fltsim(0, "AIG B738 Ryanair EI-DCL", "RYR", "EI-DCL", "CARGO")
                 + fltsim(1, "AIG B738 Ryanair EI-DCM", "RYR", "EI-DCM", "GATE,CARGO")
                 + fltsim(2, "AIG B738 FedEx cargo ramp", "FDX", parking="cargo, ramp"),
                 "UTF-8 with BOM; a type designator cut to 4 characters; cargo only without GATE",
                 encoding="utf8-bom",
                 liveries=[livery("AIG B738 Ryanair EI-DCL", "EI-DCL", "RYR", "B738", cargo=1),
                           livery("AIG B738 Ryanair EI-DCM", "EI-DCM", "RYR", "B738"),
                           livery("AIG B738 FedEx cargo ramp", "", "FDX", "B738", cargo=1)])
        self.add(f"{a}/AIG_E190/aircraft.cfg",
                 general("E190") + fltsim(0, "AIG E190 KLM Cityhopper G-LCYP", "KLC", "G-LCYP"),
                 "a registration of the reference data gives its airline, operator and model",
                 liveries=[livery("AIG E190 KLM Cityhopper G-LCYP", "G-LCYP", "BAW", "E190", second="CFE",
                                  reference=1)])
        self.add(f"{a}/AIG_B744/aircraft.cfg",
                 general("B744") + fltsim(0, "AIG B744 no airline no registration")
                 + fltsim(1, "AIG B744 unknown registration", atc_id="G-CIVZ")
                 + fltsim(2, "AIG B744 British Airways G-CIVA", "BAW", "G-CIVA")
                 + fltsim(3, "AIG B744 registration without model", atc_id="D-ABCD"),
                 "a Heavy model keeps no livery without airline; a record without model gives no codes",
                 liveries=[livery("AIG B744 British Airways G-CIVA", "G-CIVA", "BAW", "B744")],
                 reports={"IncompleteSection": [
                     "${file} [fltsim.0] icao_airline is missing, or it has invalid info ",
                     "'${folder}' '[fltsim.0]' has no airline and no regcode info",
                     "${file} [fltsim.1] icao_airline is missing, or it has invalid info ",
                     "'${folder}' '[fltsim.1]' has no airline and regcode not in dbase",
                     "${file} [fltsim.3] icao_airline is missing, or it has invalid info ",
                     "'${folder}' '[fltsim.3]' has no airline and regcode not in dbase"]})
        self.add(f"{a}/AIG_DH8D/aircraft.cfg",
                 general("DH8D") + fltsim(0, "AIG DH8D Flybe – Régional G-JECX", "BAW", "G-JECX"),
                 "ANSI (Windows-1252) text comes out as UTF-8", encoding="ansi",
                 liveries=[livery("AIG DH8D Flybe – Régional G-JECX", "G-JECX", "BAW", "DH8D")])
        crj9 = general("CRJ9") + fltsim(0, "AIG CRJ9 SkyWest Ünited N801SK", "SKW", "N801SK")
        self.add(f"{a}/AIG_CRJ9/aircraft.cfg", crj9, "UTF-16 LE with BOM comes out as UTF-8",
                 encoding="utf16le-bom",
                 liveries=[livery("AIG CRJ9 SkyWest Ünited N801SK", "N801SK", "SKW", "CRJ9")])
        self.add(f"{a}/AIG_CRJ9_NOBOM/aircraft.cfg", crj9, "UTF-16 LE without BOM reads as no lines",
                 encoding="utf16le",
                 reports={"NoFltsimSection": ["${file}"], "InvalidAircraftCfg": [
                     "Line icao_type_designator= is missing in [General] section of ${file}"]})
        self.add(f"{a}/AIG_BADNUM/aircraft.cfg",
                 general("A320") + fltsim(0, "AIG BADNUM first", "DLH") + fltsim(10001, "AIG BADNUM second", "DLH"),
                 "a section number above 10000 rejects the file",
                 reports={"InvalidAircraftCfg": [
                     "${file} contains a [fltsim.x] section with a number < 0 or > 10000"]})
        self.add(f"{a}/AIG_HUGENUM/aircraft.cfg",
                 general("A320") + fltsim(0, "AIG HUGENUM first", "DLH")
                 + fltsim(4294967296, "AIG HUGENUM second", "DLH"),
                 "a section number beyond 32 bits rejects the file with an alert",
                 log=["fltsim num [fltsim.4294967296] incorrect"])
        self.add(f"{a}/AIG_MAXNUM/aircraft.cfg",
                 general("A320") + fltsim(0, "AIG MAXNUM first", "DLH") + fltsim(10000, "AIG MAXNUM last", "DLH"),
                 "section number 10000 is still read",
                 liveries=[livery("AIG MAXNUM first", "", "DLH", "A320"), livery("AIG MAXNUM last", "", "DLH", "A320")])
        self.add(f"{a}/AIG_NOSECT/aircraft.cfg", general("A320"), "a file without [fltsim.N] section",
                 reports={"NoFltsimSection": ["${file}"]})
        self.add(f"{a}/AIG_NOTYPE/aircraft.cfg", general() + fltsim(0, "AIG NOTYPE", "DLH"),
                 "neither icao_type_designator nor base_container",
                 reports={"InvalidAircraftCfg": ["Line icao_type_designator= is missing in [General] section of ${file}"]})
        self.add(f"{a}/AIG_BASECASE/aircraft.cfg",
                 general(None, r"..\asobo_a320_neo") + fltsim(0, "AIG BASECASE", "DLH"),
                 "a base_container folder in other letter case names no default aircraft",
                 reports={"InvalidAircraftCfg": ["Line icao_type_designator= is missing in [General] section of ${file}"]})
        self.add(f"{a}/AIG_FIX/aircraft.cfg", general("A32N") + fltsim(0, "AIG A20N Lufthansa D-AINC", "DLH", "D-AINC"),
                 "a wrong type that the fixes correct",
                 liveries=[livery("AIG A20N Lufthansa D-AINC", "D-AINC", "DLH", "A20N")],
                 reports={"Fix": ["Model fix: A32N found in ${file} changed into A20N"]})
        self.add(f"{a}/AIG_BADTYPE/aircraft.cfg", general("QQQQ") + fltsim(0, "AIG BADTYPE", "DLH"),
                 "an unknown type", reports={"InvalidModelCode": ["QQQQ             in ${file}"]})
        self.add(f"{a}/AIG_UPPER/Aircraft.CFG", general("A20N") + fltsim(0, "AIG A20N Lufthansa D-AINA", "DLH", "D-AINA"),
                 "a file name in other letter case is read",
                 liveries=[livery("AIG A20N Lufthansa D-AINA", "D-AINA", "DLH", "A20N", reference=1)])
        self.add(f"{a}/AIG_LF/aircraft.cfg", general("A321") + fltsim(0, "AIG A321 easyJet G-UZMA", "EZY", "G-UZMA"),
                 "line feeds without carriage returns", newline="\n",
                 liveries=[livery("AIG A321 easyJet G-UZMA", "G-UZMA", "EZY", "A321")])
        rng = random.Random(20261206)
        self.add_bytes(f"{a}/AIG_BINARY/aircraft.cfg", bytes(rng.randrange(256) for _ in range(65536)),
                       "a binary file is read without harm and gives no livery")

    def aig_walk_rules(self):
        a = self.AIG
        self.add(f"{a}/Airport_Shuttle_C172/aircraft.cfg",
                 general("C172") + fltsim(0, "AIG C172 Airport shuttle", "DLH"),
                 "only the lower-case skip word keeps the walk out: 'Airport' is entered",
                 liveries=[livery("AIG C172 Airport shuttle", "", "DLH", "C172")])
        for word in SKIP_WORDS:
            self.add(f"{a}/{word}-objects/aircraft.cfg",
                     general("A320") + fltsim(0, f"AIG skip word {word} must not be read", "DLH"),
                     f"the skip word '{word}' keeps the walk out of the folder", walk="skipped",
                     liveries=[livery(f"AIG skip word {word} must not be read", "", "DLH", "A320")])

    def fsltl(self):
        f = self.FSLTL
        self.add(f"{f}/FSLTL_A20N_DLH/aircraft.cfg",
                 general(None, r"..\Asobo_A320_NEO") + fltsim(0, "FSLTL_A20N Lufthansa D-AINB", "DLH", "D-AINB"),
                 "variation style: the model from base_container",
                 liveries=[livery("FSLTL_A20N Lufthansa D-AINB", "D-AINB", "DLH", "A20N")])
        self.add(f"{f}/FSLTL_C172_PVT/aircraft.cfg",
                 general(None, r"..\Asobo_C172sp_classic") + fltsim(0, "FSLTL C172 N12345", atc_id="N12345"),
                 "a Light model without airline gives a private livery",
                 liveries=[livery("FSLTL C172 N12345", "N12345", "PVT", "C172")],
                 reports={"IncompleteSection": ["${file} [fltsim.0] icao_airline is missing, or it has invalid info "]})
        self.add(f"{f}/FSLTL_DUP/aircraft.cfg", general("A320") + fltsim(0, "AIG A320 Lufthansa D-AIZA", "DLH"),
                 "a title already taken by an earlier package",
                 reports={"IncompleteSection": ["${folder} [fltsim.0] title 'AIG A320 Lufthansa D-AIZA' already exists"]})

    def jf(self):
        self.add(f"{self.JF}/JF_B738_KLM/aircraft.cfg", general("B738") + fltsim(0, "JF B738 KLM PH-BXA", "KLM", "PH-BXA"),
                 "a package of the JF detector",
                 liveries=[livery("JF B738 KLM PH-BXA", "PH-BXA", "KLM", "B738")])

    def ivao(self):
        m = self.MTL
        folder = self.out / m / "IVAO_A320"
        for name in ("DLH", "BAW", "ZZZ", "QQQ"):
            texture_folder(folder, name)
        texture_folder(folder, "klm")
        L = ["[VERSION]", "major = 1", "minor = 0", "", "[GENERAL]", 'atc_type = "AIRBUS"', ""]
        E = []
        inc = []

        def sec(n, *lines):
            L.extend([f"[fltsim.{n}]", *lines, ""])

        sec(0, 'title = "DLH A320 Lufthansa"', 'texture = "DLH"', 'atc_id = "D-AIZS"')
        E.append(livery("DLH A320 Lufthansa", "D-AIZS", "DLH", "A320"))
        sec(1, 'title = "BAW A320 British Airways"', "texture = BAW", 'atc_parking_types = "CARGO"')
        E.append(livery("BAW A320 British Airways", "", "BAW", "A320"))
        sec(2, 'title = "DLH A320 missing texture"', 'texture = "XYZ"')
        inc.append("${folder}/texture.XYZ [fltsim.2] does not exist")
        sec(3, 'title = "KLM A320 lower-case texture folder"', 'texture = "KLM"')
        E.append(livery("KLM A320 lower-case texture folder", "", "KLM", "A320"))
        sec(4, 'title = "ZZZ A320 generic"', 'atc_id = "D-AIZT"', 'texture = "ZZZ"')
        E.append(livery("ZZZ A320 generic", "", "ZZZ", "A320"))
        sec(5, 'title = "LH A320 registration D-AIPA"', 'atc_id = "D-AIPA"', 'texture = "DLH"')
        E.append(livery("LH A320 registration D-AIPA", "D-AIPA", "DLH", "A320", reference=1))
        sec(6, 'title = "LH A320 without registration"', 'texture = "DLH"')
        inc.append("${folder} [fltsim.6] misses airlinecode in title: LH A320 without registration, and no regcode")
        sec(7, 'title = "LH A320 unknown registration"', 'atc_id = "D-AIZU"', 'texture = "DLH"')
        inc.append("${folder} [fltsim.7] misses airlinecode in title: LH A320 unknown registration, "
                   "and regcode unknown D-AIZU")
        sec(8, 'title = "QQQ A320 unknown airline"', 'texture = "QQQ"')
        sec(9, 'title = "DLH A320 star registration"', 'atc_id = "D-AI*V"', 'texture = "DLH"')
        inc.append("${folder} [fltsim.9]invalid atc_id=D-AI*V in DLH A320 star registration")
        E.append(livery("DLH A320 star registration", "", "DLH", "A320"))
        sec(10, 'title = "DLH A320 two titles"', 'title = "DLH A320 other"', 'texture = "DLH"')
        inc.append("${folder} [fltsim.10] has more than one title key")
        sec(11, 'texture = "DLH"', 'title = "DLH A320 [retro]"', 'atc_id = "D-AIZV"')
        inc.append("${folder} [fltsim.11] misses title")
        sec(12, 'title = "  DLH A320 spaced  "', 'texture = "DLH"')
        E.append(livery("DLH A320 spaced", "", "DLH", "A320"))
        sec(13, 'title = "DLH A320 Lufthansa"', 'texture = "DLH"')
        inc.append("${folder} [fltsim.13] title already exists: DLH A320 Lufthansa")
        sec(14, 'title = "DLH A320 two registrations"', 'atc_id = "D-AIZW"', "//atc_id=D-AIZX", 'texture = "DLH"')
        inc.append("${folder}, [fltsim.14], has more than one atc_id key")
        sec(15, 'title = "LH A320 D-ABCD"', 'atc_id = "D-ABCD"', 'texture = "DLH"')
        inc.append("${folder} [fltsim.15] misses airlinecode in title: LH A320 D-ABCD, and regcode unknown D-ABCD")
        sec(16, 'title = "dlh A320 lower case"', 'texture = "DLH"')
        self.add(f"{m}/IVAO_A320/aircraft.cfg", L,
                 "IVAO sections: texture folders, airline from the title, registrations, duplicate keys, a '[' in a title",
                 reader="ivao", liveries=E,
                 reports={"IncompleteSection": inc,
                          "InvalidAirlineCode": ["QQQ          in ${file} [fltsim.8]",
                                                 "dlh          in ${file} [fltsim.16]"]},
                 log=["removed spaces around title '  DLH A320 spaced  ' --> 'DLH A320 spaced'"])
        texture_folder(self.out / m / "IVAO_B738WLfa", "RYR")
        self.add(f"{m}/IVAO_B738WLfa/aircraft.cfg", ["[fltsim.0]", 'title = "RYR B738 winglets"', 'texture = "RYR"'],
                 "a winglet folder appends W to the model", reader="ivao",
                 liveries=[livery("RYR B738 winglets", "", "RYR", "B738W")])
        texture_folder(self.out / m / "IVAO_XY", "DLH")
        self.add(f"{m}/IVAO_XY/aircraft.cfg", ["[fltsim.0]", 'title = "DLH XY two letters"', 'texture = "DLH"'],
                 "a two-letter folder model that is neither known nor fixed", reader="ivao",
                 reports={"InvalidModelCode": ["XY               in ${file}"]})
        texture_folder(self.out / m / "IVAO_738", "KLM")
        self.add(f"{m}/IVAO_738/aircraft.cfg", ["[fltsim.0]", 'title = "KLM B738 fixed folder"', 'texture = "KLM"'],
                 "a folder model that the fixes correct", reader="ivao",
                 liveries=[livery("KLM B738 fixed folder", "", "KLM", "B738")],
                 reports={"Fix": ["Model fix: 738 found in ${file} changed into B738"]})
        self.add(f"{m}/IVAO_A320/sub/aircraft.cfg", ["[fltsim.0]", 'title = "DLH A320 sub folder"', 'texture = "DLH"'],
                 "an IVAO file not directly in its model folder", reader="ivao",
                 reports={"InvalidModelCode": ["                 in ${file}"]})
        texture_folder(self.out / m / "IVAO_A321", "DLH")
        self.add(f"{m}/IVAO_A321/aircraft.cfg",
                 ["[fltsim.0]", 'title = "DLH A321 first"', 'texture = "DLH"', "", "[fltsim.10001]",
                  'title = "DLH A321 second"', 'texture = "DLH"'],
                 "an IVAO file with a section number above 10000", reader="ivao",
                 reports={"InvalidAircraftCfg": ["${file} contains a [fltsim.x] section with a number < 0 or > 10000"]})

    def user(self):
        self.add(f"{self.USER}/USER_A320/aircraft.cfg",
                 general("A320") + fltsim(0, "USER A320 easyJet G-EZUA", "EZY", "G-EZUA"),
                 "the user-aitraffic package, always scanned last",
                 liveries=[livery("USER A320 easyJet G-EZUA", "G-EZUA", "EZY", "A320")])

    def manual(self):
        self.add("manual/pmdg-aircraft-737/SimObjects/Airplanes/PMDG 737-800/aircraft.cfg",
                 general() + fltsim(0, "Boeing 737-800 house livery", "BAW"),
                 "an airliner add-on without type designator is not reported")
        texture_folder(self.out / "manual/ivao_x-csl/SimObjects/Airplanes/IVAO_E190", "KLC")
        self.add("manual/ivao_x-csl/SimObjects/Airplanes/IVAO_E190/aircraft.cfg",
                 ["[fltsim.0]", 'title = "KLC E190 KLM Cityhopper"', 'texture = "KLC"'],
                 "the second IVAO package kind", reader="ivao",
                 liveries=[livery("KLC E190 KLM Cityhopper", "", "KLC", "E190")])
        write_text(self.out / "manual/not_a_folder.txt", ["a plain file named as a scan folder"])

    def deep(self):
        root = self.out.resolve()
        base = root / "deep" / "SimObjects" / "Airplanes"
        # A folder of 245 bytes is still entered; the one below it (254 bytes) is not.
        room = 245 - len(str(base).encode()) - 1
        segments = []
        while room > 0:
            name = "Flügel_" + "ÄÖÜ" * 10
            if len(name.encode()) + 1 >= room:
                name = "D" * room
            segments.append(name)
            room -= len(name.encode()) + 1
        if room != -1 or len(segments) == 0 or len(segments[-1]) == 0:
            raise SystemExit(f"output folder {root} is too long for the deep-path files")
        entered = Path("deep/SimObjects/Airplanes", *segments)
        assert len(str(root / entered).encode()) == 245
        self.add(str(entered / "aircraft.cfg"), general("A320") + fltsim(0, "DEEP A320 at the limit", "DLH"),
                 "an aircraft.cfg whose path passes 250 bytes in a folder still entered",
                 liveries=[livery("DEEP A320 at the limit", "", "DLH", "A320")])
        self.add(str(entered / "ÜÜÜÜ" / "aircraft.cfg"), general("A320") + fltsim(0, "DEEP A320 beyond the limit", "DLH"),
                 "a folder whose path reaches 250 bytes is not entered", walk="skipped",
                 liveries=[livery("DEEP A320 beyond the limit", "", "DLH", "A320")])


# ---------------------------------------------------------------------------------------------------------------
# The "bench" and "sample" profiles

class Registrations:
    """Unique synthetic registrations in the national formats of the sample builder."""

    def __init__(self, builder, rng, taken=()):
        self.builder = builder
        self.rng = rng
        self.seen = set(taken)

    def make(self, prefix):
        formats = self.builder.REG_FORMATS[prefix]
        while True:
            reg = self.builder.make_registration(self.rng, self.rng.choice(formats))
            if reg not in self.seen:
                self.seen.add(reg)
                return reg


def valid_fleets(builder, data):
    """(airline, registration prefix, types) of the sample fleets, types limited to valid designators."""
    types = builder.read_types(Path(data)) if (Path(data) / "aircraft-types.tsv").exists() else None
    fleets = []
    for airline, prefix, fleet in builder.FLEETS:
        fleet = [t for t in fleet if types is None or t in types]
        if fleet:
            fleets.append((airline, prefix, fleet))
    return fleets


def write_bench(args):
    builder = load_sample_builder()
    rng = random.Random(args.seed)
    fleets = valid_fleets(builder, args.data)
    operators = {}
    for airline, prefix, fleet in fleets:
        for model in fleet:
            operators.setdefault(model, []).append((airline, prefix))
    models = sorted(operators)
    regs = Registrations(builder, rng)
    out = Path(args.out)
    roots = []
    files = sections = 0
    for p in range(args.packages):
        package = "aig-aitraffic-oci-bench" if p == 0 else f"bench-traffic-{p:02d}"
        roots.append(f"Community/{package}")
        tag = f"B{p:02d}"
        for m in range(args.models):
            model = models[(p * args.models + m) % len(models)]
            lines = general(model)
            for k in range(args.sections):
                airline, prefix = rng.choice(operators[model])
                reg = regs.make(prefix)
                lines += fltsim(k, f"{tag} {model} {airline} {reg} {m}", airline, reg, "GATE,RAMP",
                                texture=f"{airline}_{reg}")
                sections += 1
            write_text(out / "Community" / package / "SimObjects" / "Airplanes" / f"{tag}_{model}_{m:04d}" /
                       "aircraft.cfg", lines)
            files += 1
    manifest = {"profile": "bench", "seed": args.seed, "roots": roots, "files": files, "sections": sections}
    (out / "manifest.json").write_text(json.dumps(manifest, indent=2) + "\n", encoding="utf-8")


# The aircraft of the sample traffic scenarios (samples/scenarios), so that the demo finds their liveries.
SCENARIO_AIRCRAFT = [("KLM", "B738", "PH-BXA"), ("KLM", "B738", "PH-BXB"), ("KLM", "B738", "PH-BXC"),
                     ("KLM", "B77W", "PH-BVA"), ("EZY", "A320", "G-EZWA"), ("TRA", "B738", "PH-HSJ"),
                     ("TRA", "B738", "PH-HXA"), ("DLH", "A20N", "D-AINA"), ("KLC", "E190", "PH-EZA"),
                     ("KLC", "E190", "PH-EZB"), ("SAS", "A20N", "SE-ROA")]

# Folders of the simulator's default aircraft that liveries in variation style name as their base.
DEFAULT_BASES = {"A20N": r"..\Asobo_A320_NEO", "B748": r"..\Asobo_B747_8i", "B78X": r"..\Asobo_B787_10",
                 "C208": r"..\Asobo_208B_GRAND_CARAVAN_EX"}

AIRLINE_NAMES = {"KLM": "KLM", "KLC": "KLM Cityhopper", "TRA": "Transavia", "BAW": "British Airways", "EZY": "easyJet",
                 "CFE": "BA CityFlyer", "DLH": "Lufthansa", "EWG": "Eurowings", "AFR": "Air France", "RYR": "Ryanair",
                 "SWR": "Swiss", "SAS": "SAS", "UAL": "United", "DAL": "Delta", "AAL": "American", "FDX": "FedEx",
                 "UPS": "UPS", "IBE": "Iberia", "TAP": "TAP Air Portugal", "AUA": "Austrian", "FIN": "Finnair"}


def dbase_records(path):
    """(registration, airline, model) of the plain sample database's records."""
    if not path:
        return []
    records = []
    for element in ElementTree.parse(path).getroot().iter("d"):
        if element.get("a") and element.get("m"):
            records.append((element.get("r"), element.get("a"), element.get("m")))
    return records


def write_sample(args):
    builder = load_sample_builder()
    rng = random.Random(args.seed)
    fleets = {airline: (prefix, fleet) for airline, prefix, fleet in valid_fleets(builder, args.data)}
    records = dbase_records(args.dbase)
    regs = Registrations(builder, rng, {r for r, _, _ in records} | {r for _, _, r in SCENARIO_AIRCRAFT})
    out = Path(args.out)
    chosen = {}  # (airline, model) -> registrations
    for airline, model, reg in SCENARIO_AIRCRAFT:
        chosen.setdefault((airline, model), []).append(reg)
    for reg, airline, model in records:
        if airline in AIRLINE_NAMES and len(chosen.get((airline, model), [])) < 3:
            chosen.setdefault((airline, model), []).append(reg)
    for airline in AIRLINE_NAMES:
        if airline not in fleets:
            continue
        prefix, fleet = fleets[airline]
        for model in fleet[:4]:
            if not chosen.get((airline, model)):
                chosen[(airline, model)] = [regs.make(prefix)]
    by_model = {}
    for (airline, model), registrations in sorted(chosen.items()):
        by_model.setdefault(model, []).extend((airline, reg) for reg in registrations)

    aig = out / "Community" / "aig-aitraffic-oci-beta" / "SimObjects" / "Airplanes"
    fsltl = out / "Community" / "fsltl-traffic-base" / "SimObjects" / "Airplanes"
    mtl = out / "Community" / "IVAO_MTL" / "SimObjects" / "Airplanes"
    count = 0
    for i, (model, liveries) in enumerate(sorted(by_model.items())):
        if i % 3 == 2:
            # Variation style: one folder per livery with its own aircraft.cfg.
            for airline, reg in liveries:
                # A livery of a default aircraft names only its base folder; others also carry their type.
                if model in DEFAULT_BASES:
                    head = general(None, DEFAULT_BASES[model])
                else:
                    head = general(model, rf"..\FSLTL_{model}_BASE")
                lines = head + fltsim(0, f"FSLTL {model} {AIRLINE_NAMES[airline]} {reg}", airline, reg,
                                                "GATE,RAMP", texture=f"{airline}_{reg}")
                write_text(fsltl / f"FSLTL_{model}_{airline}_{reg}" / "aircraft.cfg", lines)
                count += 1
        else:
            lines = general(model)
            for k, (airline, reg) in enumerate(liveries):
                cargo = "CARGO" if airline in builder.CARGO_OPERATORS else "GATE,RAMP"
                lines += fltsim(k, f"AIG {model} {AIRLINE_NAMES[airline]} {reg}", airline, reg, cargo,
                                texture=f"{airline}_{reg}")
                texture_folder(aig / f"AIG_{model}", f"{airline}_{reg}")
                count += 1
            write_text(aig / f"AIG_{model}" / "aircraft.cfg", lines)
    for model, airlines in (("A320", ["KLM", "DLH", "BAW"]), ("B738", ["KLM", "TRA", "RYR"])):
        lines = ["[VERSION]", "major = 1", "minor = 0", ""]
        for k, airline in enumerate(airlines):
            lines += fltsim(k, f"{airline} {model} IVAO {AIRLINE_NAMES[airline]}", texture=airline)
            texture_folder(mtl / f"IVAO_{model}", airline)
            count += 1
        write_text(mtl / f"IVAO_{model}" / "aircraft.cfg", lines)
    user = out / "Community" / "user-aitraffic" / "SimObjects" / "Airplanes" / "USER_C172"
    # Two private liveries of other registers, so that a private aircraft of a third one picks by similar prefix.
    write_text(user / "aircraft.cfg", general(None, r"..\Asobo_C172sp_classic")
               + fltsim(0, "USER C172 private PH-ABC", atc_id="PH-ABC", parking="RAMP_GA_SMALL")
               + fltsim(1, "USER C172 private N172AB", atc_id="N172AB", parking="RAMP_GA_SMALL"))
    count += 2
    manifest = {"profile": "sample", "seed": args.seed, "dbase": str(args.dbase or ""), "liveries": count,
                "roots": ["Community/aig-aitraffic-oci-beta", "Community/fsltl-traffic-base", "Community/IVAO_MTL",
                          "Community/user-aitraffic"]}
    (out / "manifest.json").write_text(json.dumps(manifest, indent=2) + "\n", encoding="utf-8")


def write_min(args):
    out = Path(args.out)
    manifest = MinProfile(out).build()
    (out / "manifest.json").write_text(json.dumps(manifest, indent=2, ensure_ascii=False) + "\n", encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="profile", required=True)
    m = sub.add_parser("min")
    m.add_argument("--out", required=True)
    b = sub.add_parser("bench")
    b.add_argument("--out", required=True)
    b.add_argument("--packages", type=int, default=10)
    b.add_argument("--models", type=int, default=1000)
    b.add_argument("--sections", type=int, default=6)
    b.add_argument("--seed", type=int, default=20261206)
    b.add_argument("--data", default=str(DEFAULT_DATA))
    s = sub.add_parser("sample")
    s.add_argument("--out", required=True)
    s.add_argument("--dbase", default="")
    s.add_argument("--seed", type=int, default=20261206)
    s.add_argument("--data", default=str(DEFAULT_DATA))
    args = parser.parse_args()
    Path(args.out).mkdir(parents=True, exist_ok=True)
    {"min": write_min, "bench": write_bench, "sample": write_sample}[args.profile](args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
