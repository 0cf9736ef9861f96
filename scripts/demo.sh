#!/usr/bin/env bash
# The program's main job on the bundled samples, a parking run at Schiphol: the user aircraft stands at stand C5 of
# EHAM in the simulator stand-in and the traffic feed plays the 300 s of samples/scenarios/eham_ground.txt (a
# push-back, a landing that taxis to a stand, an aircraft that taxis in and parks, one parked at its stand). EHAM
# becomes the park airport: its archived file is downloaded and read, static aircraft are placed at the stands its
# learned use chooses, live aircraft park at stands and their stand use is learned, and closing the program saves the
# learned file. The run ends once the replay, 30 s behind the feed, has played the whole scenario and its landing has
# arrived at its stand (about 335 s after the start), at most HLMR_DEMO_SECONDS (default 480); the screenshot of the
# window is taken just before the program is closed, with the parking band filled. The demo then prints the park
# airport chosen and loaded, the reserved stand, the static aircraft (stand, callsign, title), the live aircraft
# parked and learned, the learned file saved at closing down and the new line of "my_park_airports.txt".
#
# HLMR_DEMO_RUN=traffic runs the airborne traffic run instead: live traffic from the traffic feed becomes AI
# aircraft in the simulator stand-in, replayed 30 s late, and removed when its data ends; the user aircraft stands at
# the scenario's centre. What follows describes the parts the two runs share, and that run.
#
# In a fresh temporary program folder the demo lays out the sealed sample data files, a fake simulator
# installation with generated AI-traffic packages in its Community folder and the sample airport files. It starts
# the simulator stand-in (the user aircraft on the ground at the sample scenario's centre, Schiphol, a track of every
# object written 4 times a second), the local HTTP server of the tests as the maker's download folder for the
# archived airport files (HLMR_DOWNLOAD_BASE), and the traffic feed, which plays the live-traffic application on this
# PC: 60 s of
# samples/scenarios/eham_airborne.txt as traffic and QNH datagrams, and the application's side of the program's
# TCP link, which it keeps until the program closes it. Every port is a free one: the stand-in's two, the two
# datagram ports and the link's ("PORT_NUMBER", seeded into "parameters.xml"), so that two demos on one machine
# never meet. Then `hollowmere` runs in its sandbox with its real window (on the display that is set, or on a
# virtual display that the demo starts) until the feed has stopped and every AI aircraft it created has been
# removed again (about 155 s after the start), at most HLMR_DEMO_SECONDS. A progress line shows each second of real
# time whether the simulator is connected, how many datagrams the feed sent and how many AI aircraft the simulator
# holds. Once the start-up has finished the demo saves a screenshot of the window; at the end it closes the program
# with SIGTERM, as the window's close button would ("Exiting: USER CLOSED SIM").
#
# With the user aircraft on the ground there, EHAM becomes the park airport: its archived file is downloaded and
# read, its stands are chosen from the learned use and static aircraft are placed one every 500 ms. The simulator
# installation also gets the "sample" package tree of the airport tree builder (one add-on airport per outcome of the
# add-on airports scan) and the program "input/ICAO_airports.txt"; "SCAN_AIRPORTS" is on, so the traffic start
# scans it.
#
# Then it prints what happened (scripts/demo_report.py): every live AI aircraft with its callsign, title (and whether
# it is the one "Log.txt" names for that callsign), first and last position and distance flown; track points of
# the stand-in beside where the feed put the flight 30 s earlier; the time from an aircraft's first datagram to its
# creation; the removals after the feed stopped; and the program's own summary lines. The log, the park airport's
# lines of it, the readers' and the link's figures, the add-on airports scan (its log, the link and generated files
# made in "my_simaddon" and "my_thirdparty", the entries of "tblo/tblo.zip"), what the stand-in saw and
# "parameters.xml" follow. The stand-in's track of every AI aircraft of the program is drawn as a PNG into
# build/demo/tracks (or the kept folder's "tracks").
#
# Environment:
#   HLMR_DEMO_RUN      "parking" (default) or "traffic", the run described above
#   HLMR_DEMO_SECONDS  the longest the program runs, in real seconds (default 480 for the parking run, which the demo
#                      ends after about 335 s; 240 for the traffic run, which it ends after about 155 s)
#   HLMR_DEMO_BUILD    a build folder whose programs and sample files to use; nothing is installed or built then
#                      (default: build/release, set up and built first)
#   HLMR_DEMO_KEEP     a folder to keep the run's files in (see below) instead of a temporary one removed at the end;
#                      the screenshot and the track plots go there too (default: build/demo/hollowmere-window.png and
#                      build/demo/tracks). It must be new, empty, or hold only what an earlier demo kept there, which
#                      its mark ".hollowmere-demo" lists and which is replaced; any other folder is refused with exit
#                      status 2 before anything is built or run
#   HLMR_UI            "headless" runs the program without its window: no virtual display, no screenshot
#
# The run's folder holds the program folder ("program", with "Log.txt" and "user/roaming/Hollowmere") and what the
# peers reported: "standin.json" (its ports), "standin-start" (the time it started, seconds since 1970),
# "track.csv" (its track), "objects.txt" (an "obj list" answer a second, each after its time), "objects-end.json"
# (the last one, taken before the program is closed), "audit.json", "exceptions.json", "feed-start" (when the feed
# started), "sent.txt" (every datagram the feed sent), "link-log.txt", "feed.txt", "console.txt", "report.txt",
# "hollowmere-window.png" (the screenshot), "tracks" (the track plots) and ".hollowmere-demo" (the mark); "www" is the
# download folder and "download-port.txt" its server's port. The stand-in's objects of the program are its live
# aircraft and its static ones, whose callsigns end in "*".
set -euo pipefail

# Folders named in the environment are taken from where the demo was started.
if [ -n "${HLMR_DEMO_KEEP:-}" ]; then HLMR_DEMO_KEEP="$(realpath -m -- "$HLMR_DEMO_KEEP")"; fi
if [ -n "${HLMR_DEMO_BUILD:-}" ]; then HLMR_DEMO_BUILD="$(realpath -m -- "$HLMR_DEMO_BUILD")"; fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
run_kind="${HLMR_DEMO_RUN:-parking}"
if [ "$run_kind" = "traffic" ]; then
  run_seconds="${HLMR_DEMO_SECONDS:-240}"
  send_seconds=60
  scenario="samples/scenarios/eham_airborne.txt"
else
  run_seconds="${HLMR_DEMO_SECONDS:-480}"
  send_seconds="$((run_seconds + 60))"
  scenario="samples/scenarios/eham_ground.txt"
  # The scenario's length: the parking run closes the program once the replay, 30 s behind, has played all of it.
  scenario_seconds="$(sed -n 's/^duration \([0-9]*\).*/\1/p' "$scenario")"
fi
# The program runs with its window unless HLMR_UI says headless; then no window is waited for and none is shot.
with_window=true
if [ "${HLMR_UI:-}" = "headless" ]; then with_window=false; fi

# The folder that HLMR_DEMO_KEEP names is checked before anything is built or started: the demo keeps its files in
# a new or empty folder, or in one that holds only the files an earlier demo kept there (the mark it leaves lists
# them), and it refuses any other with exit status 2, so that it never deletes a file it did not write.
keep_mark=".hollowmere-demo"
if [ -n "${HLMR_DEMO_KEEP:-}" ]; then
  python3 scripts/demo_keep.py check "$HLMR_DEMO_KEEP" "$keep_mark" || exit 2
fi
# Where the user aircraft stands: the scenario's centre, or for the parking run stand C5 of the sample EHAM file,
# which no aircraft of the ground scenario uses.
user_position="52.3086 4.7639 0"

# --- Build ----------------------------------------------------------------------------------------------------
demo_build() {
  if [ -n "${HLMR_DEMO_BUILD:-}" ]; then
    build="$(cd "$HLMR_DEMO_BUILD" && pwd)"
    return
  fi
  build="$root/build/release"
  mkdir -p build
  # Two demos started together take turns here.
  (
    flock 9
    bash scripts/setup.sh
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build/release --target hollowmere hlmr-sim-standin hlmr-traffic-feed hlmr-airport-tree \
      hlmr_samples hlmr_samples_regcodes
  ) 9> build/.demo-build.lock
}

# --- The run's folder and its clean-up ------------------------------------------------------------------------
program_pid=""
standin_pid=""
feed_pid=""
server_pid=""
demo_cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  if [ -n "$feed_pid" ] && kill -0 "$feed_pid" 2>/dev/null; then
    kill -TERM "$feed_pid" 2>/dev/null || true
    wait "$feed_pid" 2>/dev/null || true
  fi
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    kill -KILL "$program_pid" 2>/dev/null || true
  fi
  if [ -n "$standin_pid" ] && kill -0 "$standin_pid" 2>/dev/null; then
    kill -TERM "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
  fi
  display_stop
  if [ -z "${HLMR_DEMO_KEEP:-}" ]; then
    rm -rf "$run"
  else
    python3 scripts/demo_keep.py mark "$run" "$keep_mark"
  fi
}

demo_make_run_folder() {
  if [ -n "${HLMR_DEMO_KEEP:-}" ]; then
    run="$HLMR_DEMO_KEEP"
    python3 scripts/demo_keep.py clear "$run" "$keep_mark" || exit 2
    mkdir -p "$run"
    run="$(cd "$run" && pwd)"
  else
    run="$(mktemp -d "${TMPDIR:-/tmp}/hollowmere-demo-XXXXXX")"
  fi
  program_folder="$run/program"
  mkdir -p "$program_folder"
  trap demo_cleanup EXIT
}

# --- The program folder ---------------------------------------------------------------------------------------
# The sealed sample data files, the sample registration-code list, a fake simulator installation in the per-user
# folders whose Community folder gets the sample AI-traffic packages (the start-up scans them into
# "output/LiveriesScanned.xml" and builds its livery tables), and the sample airport files: the user's own and
# generated files, link files and "my_park_airports.txt" under "airports", the archived ones under "downloads".
demo_lay_out_program_folder() {
  mkdir -p "$program_folder/docs" "$program_folder/input"
  cp "$build/samples/input/dbase.enc" "$build/samples/input/airports.enc" "$program_folder/input/"
  cp "$build/samples/input/AIG-regcodes.enc" "$program_folder/input/"
  cp -r "$build/samples/input/my_regcodes" "$program_folder/input/"
  python3 samples/builder/build_refdata.py siminstall --root "$program_folder/user" --sim 2020 --edition store
  python3 tools/package_generator/generate_packages.py sample --out "$program_folder/user/packages" \
    --dbase "$build/samples/plain/dbase.xml"
  python3 tools/airport_generator/generate_airports.py sample --out "$program_folder" \
    --dbase "$build/samples/plain/dbase.xml"
  echo "== Airport files laid out in $program_folder"
  python3 - "$program_folder/layout.json" <<'PY'
import json, sys
for f in json.load(open(sys.argv[1])):
    print(f"{f['kind']:14} {f['icao']:4} {f['stands']:4} stands  {f['path']}")
PY
  rm "$program_folder/layout.json"
  if [ "$run_kind" = "parking" ]; then
    user_position="$(python3 - "$program_folder/downloads/archive/stock/EHAM.xml" <<'PY'
import sys
import xml.etree.ElementTree as ElementTree
for stand in ElementTree.parse(sys.argv[1]).getroot().iter("parkpos"):
    if stand.get("id") == "C5":
        print(stand.get("latitude"), stand.get("longitude"), -11)
PY
)"
  fi
}

# The maker's download folder: "MSFS/" and "MSFS2024/" hold the archived airport files.
demo_start_download_server() {
  mkdir -p "$run/www"
  cp -r "$program_folder/downloads" "$run/www/MSFS"
  cp -r "$program_folder/downloads" "$run/www/MSFS2024"
  python3 tools/http_test_server/server.py --no-stdin-watch "$run/www" < /dev/null \
    > "$run/download-port.txt" 2> "$run/download-server.txt" &
  server_pid=$!
  for ((try = 0; try < 100; try++)); do
    [ -s "$run/download-port.txt" ] && break
    sleep 0.1
  done
  download_port="$(head -n 1 "$run/download-port.txt")"
  if [ -z "$download_port" ]; then
    echo "the download server did not start:" >&2
    cat "$run/download-server.txt" >&2
    exit 1
  fi
  echo "== Serving the archived airport files on http://127.0.0.1:$download_port/"
}

# The add-on airports of the simulator installation, the stand-in's facility data of them and the list of codes.
demo_lay_out_addon_airports() {
  "$build/tools/airport_tree/hlmr-airport-tree" sample "$program_folder/user" > /dev/null
  cp samples/facilities/*.json "$program_folder/user/facilities/"
  cp "$program_folder/user/ICAO_airports.txt" "$program_folder/input/"
  echo "== Add-on airports laid out in $program_folder/user/packages"
  python3 - "$program_folder/user/layout.json" <<'PY'
import json, sys
for a in json.load(open(sys.argv[1])):
    print(f"{a['outcome']:18} {a['code']:4} {a['path']}")
PY
}

# Free ports on 127.0.0.1, as "TRAFFIC QNH LINK": two for datagrams, one for the link's TCP server.
demo_free_ports() {
  python3 -c '
import socket
sockets = [socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2)] + [socket.socket()]
for s in sockets:
    s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in sockets))'
}

# The live-traffic application "on this PC" (its marker in the per-user folder), and "parameters.xml" with the
# link's port and both scans on, as a first start would have them. The range stays at its default: the automatic
# range would shrink it to 10 nm around the user on the ground, and the sample's airborne traffic lies farther out.
demo_seed_settings() {
  mkdir -p "$program_folder/user/roaming/VidiveZovadaz" "$program_folder/user/roaming/Hollowmere"
  touch "$program_folder/user/roaming/VidiveZovadaz/RealTraffic.jar"
  cat > "$program_folder/user/roaming/Hollowmere/parameters.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<root>
  <parameters>
    <parameter name="PORT_NUMBER" value="$link_port" />
    <parameter name="SCAN_LIVERIES" value="true" />
    <parameter name="SCAN_AIRPORTS" value="true" />
    <parameter name="AUTO_RANGE" value="false" />
  </parameters>
</root>
XML
}

# --- The peers ------------------------------------------------------------------------------------------------
# Object ids from 1000 on, as the simulator gives them (ids up to 2 are the user's and never the program's).
demo_start_standin() {
  echo "== Starting the simulator stand-in on free ports, the user aircraft on the ground at $user_position"
  date +%s.%N > "$run/standin-start"
  "$build/tools/sim_standin/hlmr-sim-standin" --port 0 --control-port 0 \
    --facility-dir "$program_folder/user/facilities" --first-object-id 1000 \
    --command "user set $user_position 0 0 0 0 on" --command "track $run/track.csv 4" \
    < /dev/null > "$run/standin.json" 2> "$run/standin.txt" &
  standin_pid=$!
  for ((try = 0; try < 100; try++)); do
    [ -s "$run/standin.json" ] && break
    sleep 0.1
  done
  sim_port="$(sed -n 's/.*"sim_port":\([0-9]*\).*/\1/p' "$run/standin.json")"
  control_port="$(sed -n 's/.*"control_port":\([0-9]*\).*/\1/p' "$run/standin.json")"
  if [ -z "$sim_port" ] || [ -z "$control_port" ]; then
    echo "the simulator stand-in did not start:" >&2
    cat "$run/standin.txt" >&2
    exit 1
  fi
  echo "   simulator port $sim_port, control port $control_port"
}

# One command to the stand-in's control port; prints its one-line JSON reply.
standin() {
  local reply
  exec 3<>"/dev/tcp/127.0.0.1/$control_port"
  printf '%s\n' "$1" >&3
  IFS= read -r reply <&3
  exec 3<&-
  printf '%s\n' "$reply"
}

demo_start_feed() {
  echo "== Starting the traffic feed: ${send_seconds} s of $scenario to UDP $traffic_port (traffic) and" \
    "$qnh_port (QNH), and the link to TCP $link_port"
  date +%s.%N > "$run/feed-start"
  "$build/tools/traffic_feed/hlmr-traffic-feed" --scenario "$scenario" --send-for "$send_seconds" \
    --duration "$((run_seconds + 60))" --link-port "$link_port" --reconnect --stop-on-exit \
    --traffic-port "$traffic_port" --qnh-port "$qnh_port" --sent-log "$run/sent.txt" \
    --link-log "$run/link-log.txt" > "$run/feed.txt" 2>&1 &
  feed_pid=$!
}

demo_start_program() {
  echo "== Running hollowmere in $program_folder (at most ${run_seconds} s)"
  # The demo's copy has per-user folders of its own, so its single-instance lock lies there too: a copy that the user
  # runs meanwhile, or a second demo, does not stop it.
  mkdir -p -m 700 "$program_folder/user/runtime"
  (
    cd "$program_folder"
    XDG_RUNTIME_DIR="$program_folder/user/runtime" \
    HLMR_SIM_PORT="$sim_port" \
    HLMR_DOWNLOAD_BASE="http://127.0.0.1:$download_port/" \
    HLMR_TRAFFIC_PORT="$traffic_port" \
    HLMR_QNH_PORT="$qnh_port" \
    HLMR_ROAMING_APPDATA="$program_folder/user/roaming" \
    HLMR_LOCAL_APPDATA="$program_folder/user/local" \
    HLMR_SHELL_OPEN_LOG="$program_folder/user/opened-folders.txt" \
      exec "$build/src/app/hollowmere" > "$run/console.txt" 2>&1
  ) &
  program_pid=$!
}

# --- While it runs --------------------------------------------------------------------------------------------
demo_window_shot() {
  local window
  "$with_window" || return 1
  window="$(display_wait_window Hollowmere 5 || true)"
  [ -n "$window" ] && display_shot "$window" "$shot_path"
}

# Microseconds since 1970.
demo_now_us() {
  local now="$EPOCHREALTIME"
  echo "${now/[.,]/}"
}

# Each second of real time since the program started: the stand-in's objects (kept in objects.txt) and one progress
# line, kept every 5 s; a step that takes longer than a second lets the next ones go. Ends when the program has ended,
# when the run has shown what it is for (the traffic run: the feed has stopped sending and every live AI aircraft it
# brought has been removed again; the parking run: the scenario has been replayed and its landing has arrived at its
# stand), or after HLMR_DEMO_SECONDS.
demo_watch() {
  local second objects live parked ai created removed connected sent stage feed_start started wait_us kept=0
  local -A seen=()
  feed_start="$(cut -d. -f1 "$run/feed-start")"
  started="$(demo_now_us)"
  second=0
  while :; do
    wait_us=$((started + (second + 1) * 1000000 - $(demo_now_us)))
    if ((wait_us > 0)); then sleep "$(printf '%d.%06d' $((wait_us / 1000000)) $((wait_us % 1000000)))"; fi
    second=$((($(demo_now_us) - started) / 1000000))
    if ((second >= run_seconds)); then
      break
    fi
    if ! kill -0 "$program_pid" 2>/dev/null; then
      printf '\n   hollowmere ended by itself after %d s\n' "$second"
      return
    fi
    objects="$(standin "obj list")"
    printf '%s %s\n' "$(date +%s.%N)" "$objects" >> "$run/objects.txt"
    # The program's objects: live aircraft, and static ones whose callsigns end in "*".
    read -r -a live <<< "$(python3 -c 'import json, sys
own = [o for o in json.load(sys.stdin)["objects"] if o["kind"] == "own"]
print(sum(o["atc_id"].endswith("*") for o in own), *(o["id"] for o in own if not o["atc_id"].endswith("*")))' \
      <<< "$objects")"
    parked=${live[0]}
    ai=$((${#live[@]} - 1))
    for id in "${live[@]:1}"; do
      seen[$id]=1
    done
    created=${#seen[@]}
    removed=$((created - ai))
    connected="not connected"
    if standin clients | grep -q '"name":"Hollowmere"'; then connected="connected"; fi
    sent="$(grep -c ' traffic ' "$run/sent.txt" 2>/dev/null || true)"
    stage="simulator ${connected}, feed sent ${sent:-0} datagrams, ${ai} live AI aircraft in the simulator"
    stage+=" (${created} created, ${removed} removed), ${parked} static"
    printf '\r   %3d s: %-100s' "$second" "$stage"
    if ((second >= kept + 5)); then
      echo
      kept=$((second - second % 5))
    fi
    # The traffic run's window once the start-up has finished (the parking run's is shot before the close, with its
    # parking band filled). The log is written in blocks; the feed's link log shows each user position that the main
    # loop sends at once.
    if [ "$run_kind" = "traffic" ] && [ ! -e "$shot_path" ] && grep -q " Qs121 " "$run/link-log.txt" 2>/dev/null &&
      demo_window_shot; then
      printf '\n   the start-up has finished: screenshot of the window in %s\n' "$shot_path"
    fi
    if [ "$run_kind" = "traffic" ] && (($(date +%s) - feed_start > send_seconds)) && ((created > 0 && ai == 0)); then
      printf '\n   the feed has stopped sending and every live AI aircraft has been removed again\n'
      return
    fi
    # The parking run: the replay has played the whole scenario (the push-back and the taxi-in with it), and the
    # scenario's landing, TRA6012, has arrived at its stand, which learns its stand use.
    if [ "$run_kind" = "parking" ] && (($(date +%s) - feed_start > scenario_seconds + 30)) &&
      grep -qE ": TRA6012 +arrived at stand$" "$program_folder/Log.txt" 2>/dev/null; then
      printf '\n   the scenario has been replayed and its landing has arrived at its stand\n'
      return
    fi
  done
  echo
}

# What the stand-in knows before the program is closed.
demo_collect_standin() {
  standin "obj list" > "$run/objects-end.json"
  standin audit > "$run/audit.json" || true
  standin exceptions > "$run/exceptions.json"
}

demo_close_program() {
  if [ ! -e "$shot_path" ] && kill -0 "$program_pid" 2>/dev/null && demo_window_shot; then
    echo "   screenshot of the window in $shot_path"
  elif ! "$with_window"; then
    echo "   HLMR_UI=headless: no window, no screenshot"
  fi
  if kill -0 "$program_pid" 2>/dev/null; then
    echo "== Closing the program: SIGTERM (the window's close command)"
    kill -TERM "$program_pid"
  fi
  status=0
  wait "$program_pid" || status=$?
  program_pid=""
  echo "== hollowmere exited with status $status"
  # The program's "exit" on the link ends the feed.
  for ((try = 0; try < 50; try++)); do
    kill -0 "$feed_pid" 2>/dev/null || break
    sleep 0.1
  done
}

# --- What happened --------------------------------------------------------------------------------------------
demo_print_log() {
  local log="$program_folder/Log.txt"
  echo "== Console"
  cat "$run/console.txt"
  echo "== Log.txt"
  cat "$log"
  echo "== The run in short"
  grep -E "dbase records read|airports read|liveries read|RealTraffic .*detected|Waiting for MSFS|Waiting for RealTraffic|RealTraffic connected|No RealTraffic version|RealTraffic gone| connected$|User aircraft title|User aircraft model|No traffic in this region|Flight not running|no longer connected|Main loop ended after|^Exiting: |SimConnect closed ok|User closed|Restarting" "$log" || true
  echo "== What the readers received (the program's log)"
  grep -E "^(Traffic|QNH) Reader: " "$log" || echo "   (no reader ran)"
}

demo_print_park_airport() {
  local log="$program_folder/Log.txt"
  echo "== The park airport"
  grep -E "The park airport is|User aircraft on the ground|HLMR_DOWNLOAD_BASE|failed to download|Airport file read from|^ {10}(publisher|altitude|num_parkpos|quality factor) |learned does not exist|position.? found|positions \\(|no parking positions found|is out of sight|is in sight" "$log" || echo "   (no park airport chosen)"
  echo "   reserved stand: $(grep -oE "my_park_airports.txt:EHAM,[^ ]*" "$log" | tail -n 1 | cut -d, -f2 || true)"
  echo "== Static aircraft: stand, callsign, title"
  echo "   $(grep -cE '^.{8}: .{8} parked$' "$log" || true) created, $(grep -c 'no static parking for' "$log" || true) refused at a taken stand, $(grep -c 'no livery match' "$log" || true) without a livery; the first ten:"
  python3 - "$log" <<'PY' || true
import re
import sys
titles = {}
parked = []
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    match = re.match(r"^ {10}(\S+\*)\s.*=[0-9s]= (.+)$", line.rstrip("\n"))
    if match:
        titles[match.group(1)] = match.group(2)
    match = re.match(r"^(.{8}): (\S+\*)\s* parked$", line.rstrip("\n"))
    if match:
        parked.append((match.group(1).strip(), match.group(2)))
for stand, callsign in parked[:10]:
    print(f"   {stand:8} {callsign:9} {titles.get(callsign, '?')}")
PY
  echo "== Live aircraft parked and learned"
  grep -E "arrived at stand|: .{8} parks$|parks over static|makes way for" "$log" || echo "   (no live aircraft parked)"
  grep -E "saved with [0-9]+ update|did not succeed|not saved" "$log" || echo "   (no learned file saved)"
  echo "== my_park_airports.txt"
  grep -E "my_park_airports.txt:|created with" "$log" || true
  sed 's/^/   /' "$program_folder/airports/my_park_airports.txt" 2>/dev/null || echo "   (none)"
}

demo_print_link() {
  local link_log="$run/link-log.txt"
  echo "== The link as the traffic feed saw it (link-log.txt)"
  printf '   connections %s, version requests %s, replies %s, Qs121 lines %s (bad %s), Qs123 lines %s, exit %s\n' \
    "$(grep -c ' connected ' "$link_log" || true)" "$(grep -c ' request Qs999=version' "$link_log" || true)" \
    "$(grep -c ' reply' "$link_log" || true)" "$(grep -c ' Qs121 ' "$link_log" || true)" \
    "$(grep -c ' Qs121-bad ' "$link_log" || true)" "$(grep -c ' Qs123 ' "$link_log" || true)" \
    "$(grep -c ' exit ' "$link_log" || true)"
}

demo_print_addon_scan() {
  echo "== The add-on airports scan: output/info/AirportsScanLog.txt"
  cat "$program_folder/output/info/AirportsScanLog.txt" 2>/dev/null || echo "   (no scan log)"
  echo "== Files the scan made"
  for folder in my_simaddon my_thirdparty; do
    for file in "$program_folder/airports/$folder"/*; do
      [ -f "$file" ] || continue
      case "$file" in
        *.txt) printf '   %-28s links to %s\n' "$folder/$(basename "$file")" "$(head -n 1 "$file")" ;;
        *) printf '   %-28s %s stands\n' "$folder/$(basename "$file")" "$(grep -c '<parkpos ' "$file")" ;;
      esac
    done
  done
  echo "== tblo/tblo.zip"
  python3 - "$program_folder/tblo/tblo.zip" <<'PY'
import sys, zipfile
try:
    with zipfile.ZipFile(sys.argv[1]) as archive:
        for entry in archive.infolist():
            print(f"   {entry.filename:12} {entry.file_size:7} bytes")
except FileNotFoundError:
    print("   (no archive: every airport found has an archived file)")
PY
}

# The registrations of the program's traffic connection, and the exceptions it and any other connection (the
# add-on airports scan's facility reader) got.
demo_print_standin() {
  echo "== What the simulator stand-in saw"
  python3 - "$run/audit.json" "$run/exceptions.json" <<'PY'
import json, sys
try:
    audit = json.load(open(sys.argv[1]))
except (OSError, ValueError):
    audit = {}
found = json.load(open(sys.argv[2]))["exceptions"]
traffic = audit.get("client")
def text(exceptions):
    return "none" if not exceptions else "; ".join("{} ({})".format(e["code"], e["why"]) for e in exceptions)
print(f"   registrations: {len(audit['registrations']) if 'registrations' in audit else 'none (no client)'}")
print(f"   exceptions: {text([e for e in found if e.get('client') == traffic])}")
print(f"   exceptions to other connections: {text([e for e in found if e.get('client') != traffic])}")
PY
}

demo_report() {
  python3 scripts/demo_report.py "$run" | tee "$run/report.txt"
}

# The stand-in's track of every live AI aircraft drawn as a PNG by scripts/plot_tracks.py (plan view, heights,
# heading, pitch and bank, ground speed), with Debian's matplotlib.
demo_plot_tracks() {
  local plots="$root/build/demo/tracks"
  if [ -n "${HLMR_DEMO_KEEP:-}" ]; then plots="$run/tracks"; fi
  rm -rf "$plots"
  echo "== Track plots of the stand-in's objects"
  /usr/bin/python3 scripts/plot_tracks.py "$run" --out "$plots" || echo "(no track to plot)"
}

# --- The demo -------------------------------------------------------------------------------------------------
demo_build
# shellcheck source=scripts/display.sh
source scripts/display.sh
demo_make_run_folder
shot_path="$root/build/demo/hollowmere-window.png"
if [ -n "${HLMR_DEMO_KEEP:-}" ]; then shot_path="$run/hollowmere-window.png"; fi
mkdir -p "$(dirname "$shot_path")"
rm -f "$shot_path"
if "$with_window" && [ -z "${DISPLAY:-}" ]; then
  display_start
  echo "== No display set: the window goes to the virtual display $DISPLAY"
fi
demo_lay_out_program_folder
demo_start_download_server
demo_lay_out_addon_airports
read -r traffic_port qnh_port link_port < <(demo_free_ports)
demo_seed_settings
demo_start_standin
demo_start_feed
demo_start_program
demo_watch
demo_collect_standin
demo_close_program
demo_print_log
demo_print_park_airport
demo_print_link
demo_print_addon_scan
demo_print_standin
demo_report
demo_plot_tracks
echo "== parameters.xml"
cat "$program_folder/user/roaming/Hollowmere/parameters.xml"
exit "$status"
