#!/usr/bin/env bash
# Builds the program and runs it in a fresh temporary program folder, then shows what it did.
# The program folder gets the sealed sample data files ("input/dbase.enc", "input/airports.enc",
# "input/AIG-regcodes.enc") and the sample registration-code list ("input/my_regcodes"), and the per-user folders
# a fake simulator installation made by the sample builder, whose Community folder gets the sample AI-traffic
# packages of the package generator. The program scans them into "output/LiveriesScanned.xml" and its reports,
# builds its livery tables and matches the sample flights of samples/flights.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release --target hollowmere hlmr_samples hlmr_samples_regcodes

program_folder="$(mktemp -d "${TMPDIR:-/tmp}/hollowmere-demo-XXXXXX")"
trap 'rm -rf "$program_folder"' EXIT
mkdir -p "$program_folder/docs" "$program_folder/input"
cp build/release/samples/input/dbase.enc build/release/samples/input/airports.enc "$program_folder/input/"
cp build/release/samples/input/AIG-regcodes.enc "$program_folder/input/"
cp -r build/release/samples/input/my_regcodes "$program_folder/input/"
python3 samples/builder/build_refdata.py siminstall --root "$program_folder/user" --sim 2020 --edition store
python3 tools/package_generator/generate_packages.py sample --out "$program_folder/user/packages" \
  --dbase build/release/samples/plain/dbase.xml

echo "== Running hollowmere in $program_folder"
(
  cd "$program_folder"
  HLMR_ROAMING_APPDATA="$program_folder/user/roaming" \
  HLMR_LOCAL_APPDATA="$program_folder/user/local" \
  HLMR_SHELL_OPEN_LOG="$program_folder/user/opened-folders.txt" \
  HLMR_SAMPLE_FLIGHTS="$root/samples/flights/sample_flights.txt" \
    "$root/build/release/src/app/hollowmere"
)

echo "== parameters.xml"
cat "$program_folder/user/roaming/Hollowmere/parameters.xml"
echo "== Log.txt"
cat "$program_folder/Log.txt"
echo "== Program folder after the run"
find "$program_folder" -mindepth 1 | sed "s|^$program_folder/||" | sort
