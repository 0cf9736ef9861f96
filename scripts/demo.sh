#!/usr/bin/env bash
# Builds the program and runs its main job in a fresh temporary program folder: the worker starts up, runs the
# traffic start and the 10 ms main loop for about 30 s, and the program is then asked to end (SIGTERM), as a user
# closing the window would. The demo prints the start-up, the loop's step and second counts and the closing down.
#
# The program folder gets the sealed sample data files ("input/dbase.enc", "input/airports.enc",
# "input/AIG-regcodes.enc") and the sample registration-code list ("input/my_regcodes"), and the per-user folders
# a fake simulator installation made by the sample builder, whose Community folder gets the sample AI-traffic
# packages of the package generator; the start-up scans them into "output/LiveriesScanned.xml" and builds its
# livery tables. The sample airport files of the airport generator go to "airports" (the user's own and generated
# files, link files, "my_park_airports.txt") and "downloads" (the archived files). HLMR_DEMO_SECONDS changes how
# long the program runs (default 30).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
run_seconds="${HLMR_DEMO_SECONDS:-30}"

bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release --target hollowmere hlmr_samples hlmr_samples_regcodes

program_folder="$(mktemp -d "${TMPDIR:-/tmp}/hollowmere-demo-XXXXXX")"
program_pid=""
cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    kill -KILL "$program_pid" 2>/dev/null || true
  fi
  rm -rf "$program_folder"
}
trap cleanup EXIT
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

echo "== Running hollowmere in $program_folder for ${run_seconds} s"
(
  cd "$program_folder"
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
  if grep -q "No traffic in this region?" "$log" 2>/dev/null; then stage="main loop running"; fi
  if grep -q "^Exiting: " "$log" 2>/dev/null; then stage="closing down"; fi
  printf '\r   %3d s of %d: %-20s' "$second" "$run_seconds" "$stage"
done
echo
if kill -0 "$program_pid" 2>/dev/null; then
  echo "== Sending SIGTERM (the window's close command)"
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
grep -E "dbase records read|airports read|liveries read|RealTraffic .*detected|No traffic in this region|Flight not running|Main loop ended after|^Exiting: |User closed|Restarting" "$log" || true
echo "== parameters.xml"
cat "$program_folder/user/roaming/Hollowmere/parameters.xml"
exit "$status"
