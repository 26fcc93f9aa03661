#!/usr/bin/env bash
# Reads the demo host and the holiday pay window through the real
# accessibility bridge, as a screen reader does: an X server of its own
# (Xvfb), a session bus with the accessibility bus on it, and a client on
# the system Python with its AT-SPI binding (a11y_probe.py). Fails with the
# reason when any of them cannot start.
# Usage: a11y_test.sh wagewise-demo wwcall libdir profiles
set -u
DEMO=${1:?usage: $0 wagewise-demo wwcall libdir profiles}
WWCALL=${2:?}
LIBDIR=${3:?}
PROFILES=${4:?}
HERE=$(cd "$(dirname "$0")" && pwd)

for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup installs it)"; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "FAIL: the system Python has no pyatspi (python3-pyatspi)"; exit 1; }

if [ -z "${A11Y_INSIDE_BUS:-}" ]; then
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
  export WORK
  # A display of its own: Xvfb names a free one.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  [ -s "$WORK/display" ] || { echo "FAIL: Xvfb did not start: $(cat "$WORK/xvfb.log")"; exit 1; }
  export DISPLAY=":$(cat "$WORK/display")"
  A11Y_INSIDE_BUS=1 dbus-run-session -- bash "$0" "$@" 2> >(grep -v "fd limit" >&2)
  rc=$?
  kill "$xvfb" 2>/dev/null
  exit $rc
fi

# Inside the session bus.
export WAGEWISE_REGISTRY="$WORK/registry.sqlite3"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset QT_QPA_PLATFORM
# The bridge's own libraries keep memory to the end; leaks are checked by
# the other tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$WORK/bus.log" 2>&1 &
bus=$!
sleep 1
kill -0 "$bus" 2>/dev/null || { echo "FAIL: the accessibility bus did not start: $(cat "$WORK/bus.log")"; exit 1; }

failures=0
"$DEMO" --profiles "$PROFILES" >"$WORK/demo.log" 2>&1 &
demo=$!
echo "== the demo host"
timeout 90 /usr/bin/python3 "$HERE/a11y_probe.py" demo || failures=$((failures + 1))
kill "$demo" 2>/dev/null; wait "$demo" 2>/dev/null

"$WWCALL" --register "$LIBDIR/libcoravel2.so.2" >/dev/null || { echo "FAIL: registering coravel2"; exit 1; }
"$WWCALL" Coravel.ZuzirarRegistry ShowHolidayfrm >"$WORK/holiday.log" 2>&1 &
holiday=$!
echo "== the holiday pay window"
timeout 90 /usr/bin/python3 "$HERE/a11y_probe.py" holiday || failures=$((failures + 1))
kill "$holiday" 2>/dev/null; wait "$holiday" 2>/dev/null
kill "$bus" 2>/dev/null

[ "$failures" -eq 0 ] || { echo "$failures application(s) failed"; exit 1; }
echo "both applications read right through the accessibility bridge"
