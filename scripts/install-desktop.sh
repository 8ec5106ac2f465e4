#!/usr/bin/env bash
# Installs LIRAFOK into the user's desktop: the starter and the AutoPlay watcher in
# ~/.local/bin, the desktop entry and icon under ~/.local/share, and an autostart entry that
# runs the watcher in every session.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bin_dir="$HOME/.local/bin"
data_dir="${XDG_DATA_HOME:-$HOME/.local/share}"
autostart_dir="${XDG_CONFIG_HOME:-$HOME/.config}/autostart"
mkdir -p "$bin_dir" "$data_dir/applications" "$data_dir/icons/hicolor/scalable/apps" \
  "$autostart_dir"
sed "s|@LIRAFOK_BIN@|$top/build/lirafok|" scripts/lirafok-start > "$bin_dir/lirafok-start"
install -m 755 scripts/lirafok-autoplay "$bin_dir/lirafok-autoplay"
chmod 755 "$bin_dir/lirafok-start"
# Desktops start entries with a minimal PATH: the entry names the starter by its full path.
sed "s|^Exec=lirafok-start|Exec=$bin_dir/lirafok-start|; s|^TryExec=lirafok-start|TryExec=$bin_dir/lirafok-start|" \
  data/lirafok.desktop > "$data_dir/applications/lirafok.desktop"
install -m 644 data/icons/lirafok.svg "$data_dir/icons/hicolor/scalable/apps/lirafok.svg"
sed "s|^Exec=lirafok-autoplay|Exec=$bin_dir/lirafok-autoplay|; s|^TryExec=lirafok-autoplay|TryExec=$bin_dir/lirafok-autoplay|" \
  data/lirafok-autoplay.desktop > "$autostart_dir/lirafok-autoplay.desktop"
command -v update-desktop-database >/dev/null && update-desktop-database -q "$data_dir/applications" || true
echo "Installed the desktop entry: $data_dir/applications/lirafok.desktop"
