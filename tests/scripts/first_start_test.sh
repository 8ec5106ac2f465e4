#!/usr/bin/env bash
# The program's first start on a fresh home, run from the build tree: started plainly in a
# folder that is no program folder, and through the desktop starter with a drive (the AutoPlay
# command line naming the user's folder), it prepares ~/.local/share/lirafok from the source
# tree's data and the built generator, then runs. Offscreen, with no sound server and no
# session bus, so nothing reaches the desktop of whoever runs it.
#   first_start_test.sh LIRAFOK-PROGRAM SCRIPTS-FOLDER
set -uo pipefail
program=$1
scripts=$2
work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen PULSE_SERVER="unix:$work/no-pulse"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
unset XDG_DATA_HOME XDG_CONFIG_HOME LIRAFOK_HOME DISPLAY WAYLAND_DISPLAY
failed=0
fail() { echo "FAIL: $*"; cat "$work/log" 2>/dev/null; failed=1; }

# start NAME COMMAND...: runs the command on a fresh home and checks the folder it prepares.
start() {
  local name=$1; shift
  export HOME="$work/$name/home" XDG_RUNTIME_DIR="$work/$name/run"
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/$name/elsewhere"
  chmod 700 "$XDG_RUNTIME_DIR"
  local folder="$HOME/.local/share/lirafok"
  (cd "$work/$name/elsewhere" && exec "$@") >"$work/log" 2>&1 &
  pid=$!
  for _ in $(seq 1 600); do
    [ -f "$folder/LIRAFOK.INI" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  [ -f "$folder/LIRAFOK.INI" ] || { fail "$name: no settings in $folder"; return; }
  for f in LIRAFOK.FOX LIRAFOK.HLP LIRAFOK1.WAV LIRAFOK2.WAV disc/demo.cue disc/01.wav \
           disc/01.cdg lyrics/LIRAFOK.TXT; do
    [ -s "$folder/$f" ] || fail "$name: no $f"
  done
  cmp -s "$folder/LIRAFOK.HLP" "$(dirname "$scripts")/data/LIRAFOK.HLP" ||
    fail "$name: the help is not the shipped one"
  grep -q "^KASID=$folder/lyrics/"$'\r'"$" "$folder/LIRAFOK.INI" ||
    fail "$name: the lyrics folder is not the prepared one"
  ls -A "$work/$name/elsewhere" | grep -q . && fail "$name: wrote into the folder it started in"
  grep -q "を準備しています" "$work/log" || fail "$name: did not tell what it prepares"
  # The program goes on running after the preparation.
  kill -0 "$pid" 2>/dev/null || fail "$name: the program ended"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  pid=""
}

start plain "$program"
LIRAFOK_BIN="$program" start starter "$scripts/lirafok-start" "$work/starter/home/.local/share/lirafok/disc"

[ "$failed" -eq 0 ] && echo PASS
exit "$failed"
