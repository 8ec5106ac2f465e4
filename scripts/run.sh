#!/usr/bin/env bash
# Sets up (packages, build), prepares the per-user program folder on first use, and starts
# LIRAFOK on its demo disc.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash scripts/setup.sh

home_dir="${XDG_DATA_HOME:-$HOME/.local/share}/lirafok"
if [ ! -f "$home_dir/LIRAFOK.INI" ]; then
  echo "Preparing $home_dir"
  mkdir -p "$home_dir"
  cp -n data/LIRAFOK.FOX data/LIRAFOK.HLP "$home_dir/"
  # The demo disc (virtual drive folder disc/), its catalogue and lyrics (lyrics/), and the
  # two sound cues, all generated here: no third-party media.
  "$top/build/tools/lirafok-make-demo" "$home_dir"
  # First settings: lyrics folder, lyrics on, automatic play, sound cues, karaoke colours
  # (white lines on black, the sung line yellow, sung lines grey), the lyrics font bold at
  # 12 points (the most a 240-twip lyric line holds unclipped), window positions and the
  # lyrics window kept from run to run (HOZON=1; the panel window below the main window and
  # as wide, its inner scale the same as its inner area), and faces that exist here (the
  # built-in defaults name a Windows face). Every one of them can be changed in SETUP.
  printf '%s\r\n' \
    "KASIH=1" "KASIF=12" "KASID=$home_dir/lyrics/" "AUTOX=1" "SOUND=1" "SCREN=1" \
    "CKAS1=0" "CKAS2=16777215" "CKAS3=65535" "CKAS4=8421504" \
    "HOZON=1" "KASIT=05220" "KASII=06885" "KASIL=01350" "KASIW=08520" \
    "SASIT=00000" "SASIH=06480" "SASIL=00000" "SASIW=08400" \
    "FONTN=Noto Sans CJK JP" "FBOLD=-1" "GPT1N=Noto Sans CJK JP" "GPT2N=Noto Sans CJK JP" \
    "GPASN=Noto Sans CJK JP" "GPBSN=Noto Sans CJK JP" "GPOTN=Noto Sans CJK JP" \
    | iconv -f UTF-8 -t CP932 > "$home_dir/LIRAFOK.INI"
  # The karaoke screen opens with the program, so that the demo's word-timed songs are seen
  # wiped syllable by syllable on the first run (its 表示 menu turns that off).
  printf '%s\r\n' "at_startup=1" "monitor=-1" "full_screen=0" "left=-1" "top=-1" "width=0" \
    "height=0" > "$home_dir/karaoke_window.ini"
fi

bash scripts/install-desktop.sh

cd "$home_dir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under xvfb-run"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$top/build/lirafok"
fi
exec "$top/build/lirafok"
