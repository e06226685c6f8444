#!/bin/sh
# Runs a test program that needs a screen (windows, the tray, screenshots) under Wine.
# Usage: with_screen.sh PREFIX EMULATOR PROGRAM [ARGS...]
# Without DISPLAY it brings up a private Xvfb for the run. The program gets a Wine prefix of
# its own whose wineserver ends with the run, so that Wine's desktop process never outlives
# the X server it was started on (a later run would find it talking to a dead display).
set -u
prefix=$1
shift
export WINEPREFIX="$prefix"
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x800x24" "$@"
else
  "$@"
fi
status=$?
wineserver -k >/dev/null 2>&1
exit $status
