#!/usr/bin/env bash
# Installs what is missing, builds Runpad and starts it. Without a display it
# starts the program under Xvfb, saves a screenshot of the main window, says
# where, and closes the program again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exe="$PWD/build/Runpad"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi

shot="$PWD/build/runpad-screenshot.png"
export SCREENSHOT="$shot" EXE="$exe"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  set -euo pipefail
  export QT_QPA_PLATFORM=xcb
  "$EXE" & pid=$!
  if ! wid=$(timeout 60 xdotool search --sync --onlyvisible --name "^Runpad$" | head -n 1); then
    echo "Runpad did not show its main window" >&2; kill "$pid" 2>/dev/null; exit 1
  fi
  sleep 1
  import -window root "$SCREENSHOT"
  kill -TERM "$pid"
  wait "$pid"
'
echo "Runpad started and showed its main window; screenshot saved to $shot"
echo "Rendering the main window in each visual style:"
bash scripts/screenshot-styles.sh build build/screenshots
