#!/usr/bin/env bash
# Builds the program and runs its main job in a fresh temporary program folder against the simulator stand-in: the
# worker starts up, connects to the simulator, registers with it and learns the user aircraft (placed at the
# sample scenario's centre), runs the traffic start and the 10 ms main loop for about 30 s, and the simulator then
# quits, which ends the program. The traffic feed stand-in plays the live-traffic application on this PC (the
# "RealTraffic.jar" marker is laid into the per-user folder): it sends the sample scenario's traffic and QNH
# datagrams and connects to the program's link. The demo prints the start-up, the simulator connection, the user
# aircraft, what the stand-in saw of the program (its registrations and the exceptions it raised), what each
# reader received and what became of it, the link's handshake and position lines as the feed logged them, the
# loop's step and second counts and the closing down.
#
# The program folder gets the sealed sample data files ("input/dbase.enc", "input/airports.enc",
# "input/AIG-regcodes.enc") and the sample registration-code list ("input/my_regcodes"), and the per-user folders
# a fake simulator installation made by the sample builder, whose Community folder gets the sample AI-traffic
# packages of the package generator; the start-up scans them into "output/LiveriesScanned.xml" and builds its
# livery tables. The sample airport files of the airport generator go to "airports" (the user's own and generated
# files, link files, "my_park_airports.txt") and "downloads" (the archived files), which the local HTTP server of the
# tests serves as the maker's download folder (HLMR_DOWNLOAD_BASE). The user aircraft stands on the ground at
# Schiphol, so EHAM becomes the park airport: its archived file is downloaded and read, its stands are chosen from
# the learned use and static aircraft are placed one every 500 ms; the demo prints those lines of the log.
# The simulator installation gets the "sample" package tree of the airport tree builder (one add-on airport per
# outcome of the add-on airports scan) and the program "input/ICAO_airports.txt"; the first start has
# "SCAN_AIRPORTS" on, so the traffic start scans it: the demo prints the scan log, the link and generated files
# made in "my_simaddon" and "my_thirdparty" and the entries of "tblo/tblo.zip".
# HLMR_DEMO_SECONDS changes how long the program runs (default 75).
#
# The program shows its real window: on the display that is set, or else on a virtual display (Xvfb) that the
# demo starts. Once the start-up has finished the demo saves a screenshot of the window and prints its path; at
# the end it closes the program with SIGTERM, as the window's close button would.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
run_seconds="${HLMR_DEMO_SECONDS:-75}"

bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release --target hollowmere hlmr-sim-standin hlmr-traffic-feed hlmr-airport-tree hlmr_samples \
  hlmr_samples_regcodes

# shellcheck source=scripts/display.sh
source scripts/display.sh
shot_path="$root/build/demo/hollowmere-window.png"
mkdir -p "$(dirname "$shot_path")"
rm -f "$shot_path"
program_folder="$(mktemp -d "${TMPDIR:-/tmp}/hollowmere-demo-XXXXXX")"
program_pid=""
standin_pid=""
feed_pid=""
server_pid=""
cleanup() {
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
  rm -rf "$program_folder"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  display_start
  echo "== No display set: the window goes to the virtual display $DISPLAY"
fi
mkdir -p "$program_folder/docs" "$program_folder/input"
cp build/release/samples/input/dbase.enc build/release/samples/input/airports.enc "$program_folder/input/"
cp build/release/samples/input/AIG-regcodes.enc "$program_folder/input/"
cp -r build/release/samples/input/my_regcodes "$program_folder/input/"
python3 samples/builder/build_refdata.py siminstall --root "$program_folder/user" --sim 2020 --edition store
python3 tools/package_generator/generate_packages.py sample --out "$program_folder/user/packages" \
  --dbase build/release/samples/plain/dbase.xml
# The sample airport files: local ones under "airports", archived ones under "downloads" for the download server.
python3 tools/airport_generator/generate_airports.py sample --out "$program_folder" \
  --dbase build/release/samples/plain/dbase.xml
echo "== Airport files laid out in $program_folder"
python3 - "$program_folder/layout.json" <<'PY'
import json, sys
for f in json.load(open(sys.argv[1])):
    print(f"{f['kind']:14} {f['icao']:4} {f['stands']:4} stands  {f['path']}")
PY
rm "$program_folder/layout.json"
# The maker's download folder: "MSFS/" and "MSFS2024/" hold the archived files.
mkdir -p "$program_folder/www"
cp -r "$program_folder/downloads" "$program_folder/www/MSFS"
cp -r "$program_folder/downloads" "$program_folder/www/MSFS2024"
python3 tools/http_test_server/server.py --no-stdin-watch "$program_folder/www" < /dev/null \
  > "$program_folder/download-port.txt" 2> "$program_folder/download-server.txt" &
server_pid=$!
for ((try = 0; try < 100; try++)); do
  [ -s "$program_folder/download-port.txt" ] && break
  sleep 0.1
done
download_port="$(head -n 1 "$program_folder/download-port.txt")"
if [ -z "$download_port" ]; then
  echo "the download server did not start:" >&2
  cat "$program_folder/download-server.txt" >&2
  exit 1
fi
echo "== Serving the archived airport files on http://127.0.0.1:$download_port/"
# The add-on airports of the simulator installation, the stand-in's facility data of them and the list of codes.
build/release/tools/airport_tree/hlmr-airport-tree sample "$program_folder/user" > /dev/null
cp samples/facilities/*.json "$program_folder/user/facilities/"
cp "$program_folder/user/ICAO_airports.txt" "$program_folder/input/"
echo "== Add-on airports laid out in $program_folder/user/packages"
python3 - "$program_folder/user/layout.json" <<'PY'
import json, sys
for a in json.load(open(sys.argv[1])):
    print(f"{a['outcome']:18} {a['code']:4} {a['path']}")
PY

echo "== Starting the simulator stand-in on free ports, the user aircraft at the sample scenario's centre"
build/release/tools/sim_standin/hlmr-sim-standin --port 0 --control-port 0 \
  --facility-dir "$program_folder/user/facilities" \
  --command "user set 52.3086 4.7639 0 0 0 0 0 on" < /dev/null > "$program_folder/standin-ports.json" \
  2> "$program_folder/standin.txt" &
standin_pid=$!
for ((try = 0; try < 100; try++)); do
  [ -s "$program_folder/standin-ports.json" ] && break
  sleep 0.1
done
sim_port="$(sed -n 's/.*"sim_port":\([0-9]*\).*/\1/p' "$program_folder/standin-ports.json")"
control_port="$(sed -n 's/.*"control_port":\([0-9]*\).*/\1/p' "$program_folder/standin-ports.json")"
if [ -z "$sim_port" ] || [ -z "$control_port" ]; then
  echo "the simulator stand-in did not start:" >&2
  cat "$program_folder/standin.txt" >&2
  exit 1
fi
echo "   simulator port $sim_port, control port $control_port"

# One command to the stand-in's control port; prints its one-line JSON reply.
standin() {
  local reply
  exec 3<>"/dev/tcp/127.0.0.1/$control_port"
  printf '%s\n' "$1" >&3
  IFS= read -r reply <&3
  exec 3<&-
  printf '%s\n' "$reply"
}

# The live-traffic application "on this PC", and two free UDP ports for its datagrams.
mkdir -p "$program_folder/user/roaming/VidiveZovadaz"
touch "$program_folder/user/roaming/VidiveZovadaz/RealTraffic.jar"
read -r traffic_port qnh_port < <(python3 -c '
import socket
sockets = [socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2)]
for s in sockets:
    s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in sockets))')
echo "== Starting the traffic feed: samples/scenarios/eham_airborne.txt to UDP $traffic_port (traffic) and" \
  "$qnh_port (QNH), and the link"
build/release/tools/traffic_feed/hlmr-traffic-feed --scenario samples/scenarios/eham_airborne.txt --link --reconnect \
  --stop-on-exit --duration "$((run_seconds + 60))" --traffic-port "$traffic_port" --qnh-port "$qnh_port" \
  --link-log "$program_folder/link-log.txt" > "$program_folder/feed.txt" 2>&1 &
feed_pid=$!

echo "== Running hollowmere in $program_folder for ${run_seconds} s"
# The demo's copy has per-user folders of its own, so its single-instance lock lies there too: a copy that the user
# runs meanwhile does not stop it.
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
    exec "$root/build/release/src/app/hollowmere" > "$program_folder/console.txt" 2>&1
) &
program_pid=$!

log="$program_folder/Log.txt"
for ((second = 1; second <= run_seconds; second++)); do
  sleep 1
  if ! kill -0 "$program_pid" 2>/dev/null; then
    echo
    echo "hollowmere ended by itself after ${second} s"
    break
  fi
  stage="starting up"
  if grep -q "Waiting for MSFS" "$log" 2>/dev/null; then stage="waiting for the simulator"; fi
  if standin clients | grep -q '"name":"Hollowmere"'; then stage="connected to the simulator"; fi
  if grep -q "RealTraffic connected" "$log" 2>/dev/null; then stage="live-traffic link up"; fi
  # The log is written in blocks; the feed's link log shows each user position that the main loop sends at once.
  if grep -q "No traffic in this region?\|Traffic Reader connected" "$log" 2>/dev/null ||
    grep -q " Qs121 " "$program_folder/link-log.txt" 2>/dev/null; then
    stage="main loop running"
  fi
  if grep -q "^Exiting: " "$log" 2>/dev/null; then stage="closing down"; fi
  printf '\r   %3d s of %d: %-28s' "$second" "$run_seconds" "$stage"
  if [ "$stage" = "main loop running" ] && [ ! -e "$shot_path" ]; then
    window="$(display_wait_window Hollowmere 5 || true)"
    if [ -n "$window" ] && display_shot "$window" "$shot_path"; then
      printf '\n   the start-up has finished: screenshot of the window in %s\n' "$shot_path"
    fi
  fi
done
echo
if [ ! -e "$shot_path" ] && kill -0 "$program_pid" 2>/dev/null; then
  window="$(display_wait_window Hollowmere 5 || true)"
  if [ -n "$window" ] && display_shot "$window" "$shot_path"; then
    echo "   screenshot of the window in $shot_path"
  fi
fi
registrations="$(standin audit | python3 -c 'import json, sys; print(len(json.load(sys.stdin).get("registrations", [])))' \
  2>/dev/null || echo "none (no client)")"
exceptions="$(standin exceptions | python3 -c 'import json, sys
found = json.load(sys.stdin)["exceptions"]
print("none" if not found else "; ".join("{} ({})".format(e["code"], e["why"]) for e in found))')"
if kill -0 "$program_pid" 2>/dev/null; then
  echo "== Closing the program: SIGTERM (the window's close command)"
  kill -TERM "$program_pid"
fi
status=0
wait "$program_pid" || status=$?
program_pid=""
echo "== hollowmere exited with status $status"

echo "== Console"
cat "$program_folder/console.txt"
echo "== Log.txt"
cat "$log"
echo "== The run in short"
grep -E "dbase records read|airports read|liveries read|RealTraffic .*detected|Waiting for MSFS|Waiting for RealTraffic|RealTraffic connected|No RealTraffic version|RealTraffic gone| connected$|User aircraft title|User aircraft model|No traffic in this region|Flight not running|no longer connected|Main loop ended after|^Exiting: |SimConnect closed ok|User closed|Restarting" "$log" || true
echo "== The park airport"
grep -E "The park airport is|User aircraft on the ground|HLMR_DOWNLOAD_BASE|failed to download|Airport file read from|^ {10}(publisher|altitude|num_parkpos|quality factor) |learned does not exist|position.? found|positions \\(|no parking positions found" "$log" || echo "   (no park airport chosen)"
echo "   static aircraft placed: $(grep -cE '^.{8}: .{8} parked$' "$log" || true) created (first ten below), $(grep -c 'no static parking for' "$log" || true) refused at a taken stand, $(grep -c 'no livery match' "$log" || true) without a livery"
grep -E "^.{8}: .{8} parked$" "$log" | head -n 10 || true
echo "== What the readers received (the program's log)"
grep -E "^(Traffic|QNH) Reader: " "$log" || echo "   (no reader ran)"
echo "== The link as the traffic feed saw it (link-log.txt)"
link_log="$program_folder/link-log.txt"
printf '   connections %s, version requests %s, replies %s, Qs121 lines %s (bad %s), Qs123 lines %s, exit %s\n' \
  "$(grep -c ' connected ' "$link_log" || true)" "$(grep -c ' request Qs999=version' "$link_log" || true)" \
  "$(grep -c ' reply' "$link_log" || true)" "$(grep -c ' Qs121 ' "$link_log" || true)" \
  "$(grep -c ' Qs121-bad ' "$link_log" || true)" "$(grep -c ' Qs123 ' "$link_log" || true)" \
  "$(grep -c ' exit ' "$link_log" || true)"
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
echo "== What the simulator stand-in saw"
echo "   registrations: $registrations"
echo "   exceptions: $exceptions"
echo "== parameters.xml"
cat "$program_folder/user/roaming/Hollowmere/parameters.xml"
exit "$status"
