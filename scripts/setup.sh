#!/usr/bin/env bash
# Installs the Debian packages LIRAFOK needs (only those missing) and builds it into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config ccache
  qt6-base-dev qt6-multimedia-dev libxkbcommon-dev
  libcdio-dev libcdio-paranoia-dev libsndfile1-dev libdiscid-dev librubberband-dev libzip-dev zlib1g-dev libfreetype-dev ffmpeg
  libgtest-dev libgmock-dev libpulse-dev
  fonts-noto-cjk xvfb xauth pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber poppler-utils
  dbus libglib2.0-bin
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# ccache keeps rebuilds (and the sanitizer builds of scripts/test.sh) short.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j"$(nproc)"

# The desktop's view of the program for this user: AppStream metadata, icon and, when present,
# the desktop entry (what `cmake --install` puts under the system prefix).
data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
mkdir -p "$data_home/metainfo" "$data_home/icons/hicolor/scalable/apps"
cp data/lirafok.metainfo.xml "$data_home/metainfo/"
cp data/icons/lirafok.svg "$data_home/icons/hicolor/scalable/apps/"
if [ -f data/lirafok.desktop ]; then
  mkdir -p "$data_home/applications"
  cp data/lirafok.desktop "$data_home/applications/"
fi
