#!/usr/bin/env bash
# Unpacks the Debian package into a scratch root and checks what an installed
# copy does: its files are in place, it reports its version without a
# display, and a real start keeps the table in the per-user folder (or in the
# file --settings names), never beside /usr/bin/runpad.
# Usage: check_package.sh BUILD_DIR VERSION APP_ID
set -euo pipefail
build=$1 version=$2 app_id=$3
deb=$(ls "$build"/runpad_"$version"_*.deb 2>/dev/null | head -n 1)

fail() { echo "FAIL: $*" >&2; exit 1; }

[ -f "$deb" ] || fail "no package at $deb"
work=$(mktemp -d)
pid=
server=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    [ -n "$server" ] && kill -KILL "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
root=$work/root
dpkg -x "$deb" "$root"

# What the package holds.
exe=$root/usr/bin/runpad
[ -x "$exe" ] || fail "usr/bin/runpad missing or not executable"
exe_real=$(readlink -f "$exe")
[ -f "$root/usr/share/applications/$app_id.desktop" ] || fail "desktop entry missing"
fetch=$root/usr/libexec/runpad/runpad-fetch
[ -x "$fetch" ] || fail "usr/libexec/runpad/runpad-fetch missing or not executable"
[ -f "$root/usr/share/metainfo/$app_id.metainfo.xml" ] || fail "metainfo missing"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "SVG icon missing"
for size in 16 22 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    [ -f "$png" ] || fail "icon $png missing"
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "icon $png is ${w}x${h}, not ${size}x${size}"
done
grep -qx "Exec=runpad" "$root/usr/share/applications/$app_id.desktop" || fail "Exec is not runpad"
grep -qx "Icon=$app_id" "$root/usr/share/applications/$app_id.desktop" || fail "Icon is not $app_id"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 xdg-utils qt6-image-formats-plugins qt6-qpa-plugins libqt6svg6 \
         fonts-open-sans fonts-inconsolata fonts-urw-base35; do
    [[ ", $depends," == *", $p"[\ ,]* ]] || fail "Depends lacks $p: $depends"
done

export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="qt.qpa.*=false" HOME=$work/home XDG_CONFIG_HOME=$work/config
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --version)
[ "$out" = "Runpad $version" ] || fail "--version printed '$out'"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --help)
[[ "$out" == "Usage: runpad [options]"* ]] || fail "--help printed '$out'"
status=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --no-such-option 2>&1 >/dev/null) || status=$?
[ $status -eq 2 ] || fail "an unknown option exited with status $status"
[[ "$err" == *"Usage: runpad [options]"* ]] || fail "an unknown option printed '$err'"

# Starts the installed program, waits until it handles SIGTERM (and, when
# $wait_for names a file, until that file exists), and closes it with
# SIGTERM; it must exit with status 0.
wait_for=
run_and_close() {
    "$exe" "$@" &
    pid=$!
    local tries=0
    # Ready to close once the process runs the program (not the shell that
    # forked it) and catches SIGTERM (bit 14 of the caught-signal mask).
    until [ "$(readlink /proc/$pid/exe)" = "$exe_real" ] &&
          (( 0x$(awk '/^SigCgt:/ {print $2}' /proc/$pid/status) >> 14 & 1 )) &&
          { [ -z "$wait_for" ] || [ -s "$wait_for" ]; }; do
        tries=$((tries + 1))
        [ $tries -lt 300 ] || fail "runpad $* did not start${wait_for:+, or its update check reached no server}"
        kill -0 "$pid" 2>/dev/null || fail "runpad $* ended early"
        sleep 0.05
    done
    kill -TERM "$pid"
    local status=0
    wait "$pid" || status=$?
    pid=
    [ $status -eq 0 ] || fail "runpad $* exited with status $status"
}

# A table from an earlier run is kept; the window placement is saved beside it.
ini=$XDG_CONFIG_HOME/Runpad/Runpad.ini
mkdir -p "$(dirname "$ini")"
printf '[Table]\r\n1-1=Editor\r\n2-1=gedit notes.txt\r\n' > "$ini"
run_and_close
grep -q "^2-1=gedit notes.txt" "$ini" || fail "the table in $ini was lost: $(cat "$ini")"
grep -q "^Form Width=" "$ini" || fail "the window placement was not saved in $ini"
[ "$(ls "$root/usr/bin")" = "runpad" ] || fail "files written beside the executable: $(ls "$root/usr/bin")"

# A first start creates the per-user folder.
rm -rf "$XDG_CONFIG_HOME"
run_and_close
[ -f "$ini" ] || fail "a first start did not create $ini"

# --settings uses another file and leaves the usual one alone.
before=$(cat "$ini")
second=$work/second.ini
run_and_close --settings "$second"
grep -q "^Form Width=" "$second" || fail "--settings did not write $second"
[ "$(cat "$ini")" = "$before" ] || fail "--settings changed $ini"

# The update check of start-up reaches the host through the installed
# download helper: a local server records what it is asked.
requests=$work/requests
/usr/bin/python3 - "$work/port" "$requests" <<'PY' &
import http.server, sys
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(sys.argv[2], "a") as log:
            log.write(self.path + "\n")
        self.send_response(404)
        self.end_headers()
    def log_message(self, *args):
        pass
httpd = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w") as f:
    f.write(str(httpd.server_address[1]))
httpd.serve_forever()
PY
server=$!
tries=0
until [ -s "$work/port" ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || fail "the test's HTTP server did not start"
    sleep 0.05
done
wait_for=$requests RUNPAD_UPDATE_HOST=127.0.0.1:$(cat "$work/port") run_and_close
grep -q "index.json" "$requests" || fail "the update check asked for: $(cat "$requests")"
kill "$server"
wait "$server" 2>/dev/null || true
server=

echo "package checks passed"
