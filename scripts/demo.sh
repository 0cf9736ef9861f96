#!/usr/bin/env bash
# Builds the program and runs it in a fresh temporary program folder, then shows what it did.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release --target hollowmere

program_folder="$(mktemp -d "${TMPDIR:-/tmp}/hollowmere-demo-XXXXXX")"
trap 'rm -rf "$program_folder"' EXIT
mkdir -p "$program_folder/docs" "$program_folder/user/roaming" "$program_folder/user/local"

echo "== Running hollowmere in $program_folder"
(
  cd "$program_folder"
  HLMR_ROAMING_APPDATA="$program_folder/user/roaming" \
  HLMR_LOCAL_APPDATA="$program_folder/user/local" \
  HLMR_SHELL_OPEN_LOG="$program_folder/user/opened-folders.txt" \
    "$root/build/release/src/app/hollowmere"
)

echo "== Log.txt"
cat "$program_folder/Log.txt"
echo "== Program folder after the run"
find "$program_folder" -mindepth 1 | sed "s|^$program_folder/||" | sort
