#!/usr/bin/env bash
# Runs the test suite of a build folder under a private desktop: Xvfb, a D-Bus
# session bus with the accessibility bus activated before any application, a
# tray host, and PulseAudio whose default microphone is a FIFO that tests write
# PCM into. Every service started here is stopped by its PID on the way out,
# also when tests fail.
set -euo pipefail

build="${1:?usage: scripts/run-tests.sh BUILD_FOLDER [ctest arguments]}"
shift

work="$(mktemp -d /tmp/quorvane-harness.XXXXXX)"
pids=()

stop_services() {
  local status=$?
  for (( i=${#pids[@]}-1; i>=0; i-- )); do
    pkill -TERM -P "${pids[$i]}" 2>/dev/null || true
    kill -TERM "${pids[$i]}" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
  exit "$status"
}
trap stop_services EXIT
trap 'exit 130' INT TERM

wait_for() { # wait_for SECONDS COMMAND...
  local tries=$(( $1 * 10 )); shift
  for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "harness: timed out waiting for: $*" >&2
  return 1
}

# Every service and test starts from a home of its own, so nothing a run
# stores (the desktop's dconf settings among it) carries over to the next.
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_STATE_HOME="$HOME/.local/state" XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

# X display on the first free number.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display"
wait_for 10 xdpyinfo

# Session bus, then the accessibility bus before any application starts.
dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$work/dbus.txt"
export DBUS_SESSION_BUS_ADDRESS="$(sed -n 1p "$work/dbus.txt")"
pids+=("$(sed -n 2p "$work/dbus.txt")")
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
a11y_pid="$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
  org.freedesktop.DBus.GetConnectionUnixProcessID string:org.a11y.Bus | awk '{print $2}')"
if [ -n "$a11y_pid" ]; then pids+=("$a11y_pid"); fi
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# The session's accessibility flag is on, as on a desktop whose user has
# allowed reading text; tests of the flag-off path switch it off themselves.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
  string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null
a11y_enabled() {
  dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Get \
    string:org.a11y.Status string:IsEnabled | grep -q true
}
wait_for 10 a11y_enabled

# Tray host.
trayer --edge top --align right --widthtype pixel --width 100 --height 32 >"$work/trayer.log" 2>&1 &
pids+=($!)

# PulseAudio with a null speaker and the FIFO microphone.
cat >"$work/pulse.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$work/pulse.sock
load-module module-null-sink sink_name=spk
load-module module-pipe-source source_name=pipemic file=$work/mic.fifo format=s16le rate=16000 channels=1
set-default-sink spk
set-default-source pipemic
PA
pulseaudio -n -F "$work/pulse.pa" --daemonize=no --exit-idle-time=-1 \
  --disallow-exit >"$work/pulse.log" 2>&1 &
pids+=($!)
export PULSE_SERVER="unix:$work/pulse.sock"
wait_for 10 pactl info
export QV_TEST_MIC_FIFO="$work/mic.fifo"
export QV_DESKTOP_HARNESS=1

# A sanitizer build (QUORVANE_SANITIZE): the test programs and every program
# they start inherit these settings. A report ends its process with a failure
# and is written to a file of its own, so that a report in a child whose exit
# no test reads still fails the run; the reports are printed at the end. Only
# leaks of Debian's libraries are suppressed (tests/sanitizers.supp).
reports=""
if grep -qx 'QUORVANE_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  sources="$(cd "$(dirname "$0")/.." && pwd)"
  reports="$(cd "$build" && pwd)/sanitizer-reports"
  rm -rf "$reports"
  mkdir -p "$reports"
  logs="log_path=$reports/report:log_exe_name=1"
  export ASAN_OPTIONS="$logs:detect_leaks=1:abort_on_error=0:exitcode=1:check_initialization_order=1"
  export UBSAN_OPTIONS="$logs:print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$sources/tests/sanitizers.supp:print_suppressions=0"
fi

status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@" || status=$?
if [ -n "$reports" ] && [ -n "$(ls -A "$reports")" ]; then
  for report in "$reports"/*; do
    echo "==== $(basename "$report")"
    cat "$report"
  done >&2
  echo "harness: sanitizer reports above, kept in $reports" >&2
  status=1
fi
exit "$status"
