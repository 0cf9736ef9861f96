#!/usr/bin/env bash
# A virtual display for the program's window: Xvfb on a free display number (Xvfb picks it, -displayfd), a wait
# for a window by its name, clicks with xdotool and screenshots with xwd and ImageMagick.
#
# As a command:
#   bash scripts/display.sh shot OUT.png [--name NAME] [--click X,Y]... -- COMMAND [ARGUMENT...]
# starts Xvfb, runs the command on it, waits for its window (NAME, default Hollowmere), clicks at each client
# point given, saves the window as OUT.png, then ends the command with SIGTERM and Xvfb by its pid.
#
# As a library (source it): display_start, display_wait_window NAME [SECONDS], display_click WINDOW X Y,
# display_shot WINDOW OUT.png, display_stop.

display_xvfb_pid=""

# Starts Xvfb with one 1280 x 800 screen and exports DISPLAY.
display_start() {
  local number_file
  number_file="$(mktemp)"
  Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp -noreset > "$number_file" 2> /dev/null &
  display_xvfb_pid=$!
  for ((try = 0; try < 100; try++)); do
    [ -s "$number_file" ] && break
    sleep 0.1
  done
  local number
  number="$(head -n 1 "$number_file")"
  rm -f "$number_file"
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    display_stop
    return 1
  fi
  export DISPLAY=":$number"
}

# Prints the id of the first window with exactly this name once it is shown; fails after the seconds given.
display_wait_window() {
  timeout "${2:-30}" xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}

# A click of the first button at a point of the window's client area.
display_click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# Saves the window's content as a PNG file.
display_shot() {
  xwd -id "$1" -silent | convert xwd:- "png:$2"
}

# Ends the Xvfb this script started.
display_stop() {
  if [ -n "$display_xvfb_pid" ]; then
    kill -TERM "$display_xvfb_pid" 2> /dev/null || true
    wait "$display_xvfb_pid" 2> /dev/null || true
    display_xvfb_pid=""
  fi
  unset DISPLAY
}

display_main() {
  if [ "${1:-}" != "shot" ] || [ -z "${2:-}" ]; then
    echo "usage: $0 shot OUT.png [--name NAME] [--click X,Y]... -- COMMAND [ARGUMENT...]" >&2
    return 2
  fi
  local out="$2" name="Hollowmere"
  local clicks=()
  shift 2
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    case "$1" in
      --name) name="$2"; shift 2 ;;
      --click) clicks+=("$2"); shift 2 ;;
      *) echo "unknown option $1" >&2; return 2 ;;
    esac
  done
  shift
  display_start || return 1
  "$@" &
  local command_pid=$!
  local status=0 window
  if window="$(display_wait_window "$name" 30)" && [ -n "$window" ]; then
    local click
    for click in "${clicks[@]}"; do
      display_click "$window" "${click%,*}" "${click#*,}"
    done
    sleep 0.5
    display_shot "$window" "$out" || status=1
    echo "$out"
  else
    echo "no window named $name appeared" >&2
    status=1
  fi
  kill -TERM "$command_pid" 2> /dev/null || true
  wait "$command_pid" 2> /dev/null || true
  display_stop
  return "$status"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -uo pipefail
  display_main "$@"
  exit $?
fi
