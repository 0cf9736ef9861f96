#!/usr/bin/env python3
"""Holds the source folders to the program's layers, and their libraries' link lists to their headers.

Reads every project include under src/ (`#include "<folder>/..."` and `#include <folder/...>` alike) and fails
when a folder includes one that its layer may not use. A lower layer reaches a higher one only through an
interface it owns and the higher one installs, never by including the higher layer's headers.

Where a folder has a CMakeLists.txt with its hlmr_add_library(...) call, the libraries its headers include must be
exactly its PUBLIC list: a header's include of a library that is PRIVATE (or not linked at all) leaves users of the
folder's headers without that library, and a PUBLIC entry no header needs hands every user a needless dependency.

Usage: check_layers.py [SOURCE_ROOT] (default: the src/ folder next to this script's folder). Exit status 0 when
every include is allowed, 1 otherwise, 2 for a missing root.
"""

import pathlib
import re
import sys

PLATFORM = ("platform/os", "platform/net", "platform/ui", "platform/sim")
# The engine's parts along the data path: the run flags and waits at the bottom, the three ends that receive and
# send (UDP intake, the live-traffic link, the simulator link), the live aircraft above them, the worker's run on top.
ENGINE = ("engine/base", "engine/intake", "engine/link", "engine/sim", "engine/live", "engine/run")

# Per folder, the other folders it may include; a folder may always include itself.
BELOW_ENGINE = {"core", "settings", "refdata", "records", "liveries", "parking", "platform/net", "platform/sim"}
ALLOWED = {
    "core": {"platform/os"},
    "settings": {"core"},
    "refdata": {"core", "settings"},
    "records": {"core", "settings", "refdata"},
    "liveries": {"core", "settings", "refdata", "records"},
    "parking": {"core", "settings", "refdata", "records", "liveries", "platform/sim"},
    "engine/base": BELOW_ENGINE,
    "engine/intake": BELOW_ENGINE | {"engine/base"},
    "engine/link": BELOW_ENGINE | {"engine/base"},
    "engine/sim": BELOW_ENGINE | {"engine/base"},
    "engine/live": BELOW_ENGINE | {"engine/base", "engine/intake", "engine/link", "engine/sim"},
    "engine/run": BELOW_ENGINE | set(ENGINE),
    "app": {"core", "settings", "refdata", "records", "liveries", "parking", *ENGINE, *PLATFORM},
}
# The platform layers stand in for the target platform: they use one another and nothing of the program.
for layer in PLATFORM:
    ALLOWED[layer] = set(PLATFORM)

# Single headers a folder may include from a folder it may not otherwise use, each with its reason.
TIMER_RESOLUTION = "platform/os/timer_resolution.h"
ALLOWED_HEADERS = {
    "settings": {
        "platform/ui/control_port.h": "a setting shows its value in its window control through the control port",
    },
    "engine/sim": {
        TIMER_RESOLUTION: "the simulator client's loop holds the timer-resolution guard while it runs",
    },
    "engine/run": {
        TIMER_RESOLUTION: "the main loop holds the timer-resolution guard for its 10 ms steps",
    },
}

# Top folders of the project: an angle-bracket include that starts with one of them is a project include.
PROJECT_TOPS = {"core", "settings", "refdata", "records", "liveries", "parking", "engine", "app", "platform", "tools",
                "tests", "bench", "samples"}

# The CMake targets of the outside libraries whose headers the sources include, by the included path's start.
OUTSIDE_LIBRARIES = {
    "fmt/": "fmt::fmt",
    "pugixml.hpp": "pugixml::pugixml",
    "nlohmann/": "nlohmann_json::nlohmann_json",
    "gsl/": "Microsoft.GSL::GSL",
    "curl/": "CURL::libcurl",
    "sodium.h": "PkgConfig::SODIUM",
    "zip.h": "PkgConfig::LIBZIP",
    "FL/": "hlmr_fltk",
}

INCLUDE = re.compile(r'^\s*#\s*include\s*(?:"([^"]+)"|<([^>]+)>)')
ADD_LIBRARY = re.compile(r"hlmr_add_library\s*\(([^)]*)\)", re.S)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".inl"}
HEADER_SUFFIXES = {".h", ".hpp", ".inl"}


def folder_of(relative_path):
    """The layer of a path relative to src/ ("platform/ui/x.h" -> "platform/ui"), or None."""
    parts = pathlib.PurePosixPath(relative_path).parts
    if len(parts) >= 3 and "/".join(parts[:2]) in ALLOWED:
        return "/".join(parts[:2])
    if len(parts) >= 2 and parts[0] in ALLOWED:
        return parts[0]
    return None


def target_of(folder):
    """The library target of a source folder ("platform/ui" -> "hlmr_platform_ui")."""
    return "hlmr_" + folder.replace("/", "_")


def project_includes(text):
    """(line number, included path) of each project include: every quoted one, and the angle-bracket ones whose
    first folder is one of the project's."""
    for number, line in enumerate(text.splitlines(), start=1):
        match = INCLUDE.match(line)
        if match is None:
            continue
        quoted, angled = match.groups()
        if quoted is not None:
            yield number, quoted
        elif pathlib.PurePosixPath(angled).parts[0] in PROJECT_TOPS:
            yield number, angled


def outside_library_of(included):
    """The target of an outside library's header, or None for a standard or system header."""
    for start, target in OUTSIDE_LIBRARIES.items():
        if included == start or (start.endswith("/") and included.startswith(start)):
            return target
    return None


def source_files(root):
    return [path for path in sorted(root.rglob("*")) if path.suffix in SOURCE_SUFFIXES and path.is_file()]


def check(root):
    """The forbidden includes under root, as printable lines."""
    problems = []
    for path in source_files(root):
        relative = path.relative_to(root).as_posix()
        owner = folder_of(relative)
        if owner is None:
            problems.append(f"{relative}: not in a library folder")
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for number, included in project_includes(text):
            target = folder_of(included)
            if target is None:
                problems.append(f'{relative}:{number}: "{included}" is not "<folder>/..." of a library folder')
            elif target != owner and target not in ALLOWED[owner] and included not in ALLOWED_HEADERS.get(owner, {}):
                problems.append(f'{relative}:{number}: {owner} may not include {target} ("{included}")')
    return problems


def link_lists(cmake_text):
    """(PUBLIC, PRIVATE) of the hlmr_add_library call in a folder's CMakeLists.txt, or None without one."""
    match = ADD_LIBRARY.search(re.sub(r"#[^\n]*", "", cmake_text))
    if match is None:
        return None
    lists = {"PUBLIC": set(), "PRIVATE": set()}
    current = None
    for word in match.group(1).split()[1:]:
        if word in lists:
            current = word
        elif current is not None:
            lists[current].add(word)
    return lists["PUBLIC"], lists["PRIVATE"]


def check_link_visibility(root):
    """The libraries whose PUBLIC list differs from what their headers include, as printable lines."""
    header_needs = {}
    for path in source_files(root):
        relative = path.relative_to(root).as_posix()
        owner = folder_of(relative)
        if owner is None or path.suffix not in HEADER_SUFFIXES:
            continue
        needs = header_needs.setdefault(owner, {})
        for _, included in project_includes(path.read_text(encoding="utf-8", errors="replace")):
            target = folder_of(included)
            if target is not None and target != owner:
                needs.setdefault(target_of(target), relative)
        for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
            match = INCLUDE.match(line)
            if match is not None and match.group(2) is not None:
                library = outside_library_of(match.group(2))
                if library is not None:
                    needs.setdefault(library, relative)
    known = {target_of(folder) for folder in ALLOWED} | set(OUTSIDE_LIBRARIES.values())
    problems = []
    for folder in sorted(ALLOWED):
        cmake = root / folder / "CMakeLists.txt"
        lists = link_lists(cmake.read_text(encoding="utf-8")) if cmake.is_file() else None
        if lists is None:
            continue
        public, private = lists
        needs = header_needs.get(folder, {})
        for library, header in sorted(needs.items()):
            if library in public:
                continue
            how = "only PRIVATE" if library in private else "not linked"
            problems.append(f"{folder}/CMakeLists.txt: {header} includes {library}, which is {how}; make it PUBLIC")
        for library in sorted((public & known) - needs.keys()):
            problems.append(f"{folder}/CMakeLists.txt: {library} is PUBLIC but no header of {folder} includes it")
    return problems


def main(arguments):
    root = pathlib.Path(arguments[0]) if arguments else pathlib.Path(__file__).resolve().parent.parent / "src"
    if not root.is_dir():
        print(f"no source folder {root}", file=sys.stderr)
        return 2
    problems = check(root) + check_link_visibility(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} problem(s) with the layers or the link lists")
        return 1
    print(f"includes and link lists under {root} follow the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
