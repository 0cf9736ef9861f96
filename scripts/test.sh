#!/usr/bin/env bash
# The test command: installs what is missing, then builds and runs every test in the plain build,
# in the AddressSanitizer + UndefinedBehaviorSanitizer build, and the concurrency suites under ThreadSanitizer.
set -uo pipefail
cd "$(dirname "$0")/.."

# --remove-passed-builds (for CI on a fresh clone): a build folder whose tests all passed is removed before the next
# build starts, so that the disk holds one build at a time; a failed build stays for its logs.
remove_passed=false
case "${1-}" in
  "") ;;
  --remove-passed-builds) remove_passed=true ;;
  *) echo "usage: $0 [--remove-passed-builds]" >&2; exit 2 ;;
esac

bash scripts/setup.sh || exit 1

jobs=$(nproc)
status=0

# CPU seconds (user + system) used so far by the finished commands of this script: the figure to compare between
# runs, since wall time depends on what else the machine runs.
cpu_seconds() {
  local stat
  read -r -a stat < /proc/$$/stat
  echo $(( (stat[15] + stat[16]) / $(getconf CLK_TCK) ))
}

run_build() {
  local dir=$1; shift
  local started=$SECONDS cpu_started
  cpu_started=$(cpu_seconds)
  echo "=== ${dir}: configure and build"
  # Unity builds of the merged test programs: cheaper for builds from scratch like these; off by default, since an
  # incremental build would recompile a whole batch of test sources for one changed source.
  if ! cmake -S . -B "build/${dir}" -G Ninja -DHLMR_UNITY_TESTS=ON "$@" >"build-${dir}.configure.log" 2>&1; then
    cat "build-${dir}.configure.log"; status=1; return
  fi
  rm -f "build-${dir}.configure.log"
  if ! cmake --build "build/${dir}" -j "${jobs}"; then status=1; return; fi
  echo "=== ${dir}: built in $((SECONDS - started)) s, CPU $(($(cpu_seconds) - cpu_started)) s; tests"
  local passed=true
  if ! ctest --test-dir "build/${dir}" --output-on-failure -j "${jobs}"; then status=1; passed=false; fi
  echo "=== ${dir}: done after $((SECONDS - started)) s, CPU $(($(cpu_seconds) - cpu_started)) s," \
       "$(du -sh "build/${dir}" | cut -f1) on disk"
  if $remove_passed && $passed; then
    rm -rf "build/${dir}"
  fi
}

mkdir -p build
run_build release -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_build asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHLMR_SANITIZE=address -DHLMR_BUILD_BENCH=OFF
run_build tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHLMR_SANITIZE=thread -DHLMR_BUILD_BENCH=OFF

if [ "$status" -ne 0 ]; then
  echo "TESTS FAILED"
else
  echo "ALL TEST RUNS PASSED"
fi
exit "$status"
