#!/usr/bin/env bash
# Sets up (packages, build), installs the desktop entry for this user and starts LIRAFOK on its
# demo disc. The program prepares its per-user folder ~/.local/share/lirafok on its first start:
# settings, font list, help, the two sound cues and the demo disc (src/core/program_folder.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash scripts/setup.sh

# The desktop entry, icon and AutoPlay hook for this user (the package installs them for all).
bash scripts/install-desktop.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under xvfb-run"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$top/build/lirafok"
fi
exec "$top/build/lirafok"
