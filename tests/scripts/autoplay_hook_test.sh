#!/usr/bin/env bash
# The AutoPlay hook and the starter: which udev events start LIRAFOK, and the command line the
# program gets for a CD drive, the desktop's cdda:// address and the virtual drive's folder.
set -euo pipefail
scripts="$(cd "$(dirname "$0")/../../scripts" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/home/disc"
log="$work/log"
# A stand-in program that records its folder and command line, one start a line.
cat > "$work/fake-lirafok" <<STUB
#!/usr/bin/env bash
echo "\$(pwd)|\$*" >> "$log"
STUB
chmod +x "$work/fake-lirafok"
export LIRAFOK_BIN="$work/fake-lirafok" LIRAFOK_HOME="$work/home"
fail() { echo "FAIL: $*"; echo "log:"; cat "$log" 2>/dev/null; exit 1; }

# --- The starter. ---
: > "$log"
"$scripts/lirafok-start"
"$scripts/lirafok-start" /dev/sr0
"$scripts/lirafok-start" cdda://sr1
"$scripts/lirafok-start" "$work/home/disc"
expected="$work/home|
$work/home|$work/home /dev/sr0
$work/home|$work/home /dev/sr1
$work/home|$work/home $work/home/disc"
[ "$(cat "$log")" = "$expected" ] || fail "starter command lines"

# --- The hook: only a new medium with audio tracks starts the program, for its drive. ---
: > "$log"
LIRAFOK_START="$scripts/lirafok-start" "$scripts/lirafok-autoplay" --events <<EVENTS
UDEV  [100.1] change   /devices/pci0000:00/ata2/host1/target1:0:0/1:0:0:0/block/sr0 (block)
ACTION=change
DEVNAME=/dev/sr0
ID_CDROM_MEDIA=1
ID_CDROM_MEDIA_TRACK_COUNT_AUDIO=12

UDEV  [101.0] change   /devices/.../block/sr1 (block)
ACTION=change
DEVNAME=/dev/sr1
ID_CDROM_MEDIA_TRACK_COUNT_DATA=1

UDEV  [102.0] add      /devices/.../block/sr2 (block)
ACTION=add
DEVNAME=/dev/sr2
ID_CDROM_MEDIA_TRACK_COUNT_AUDIO=3

UDEV  [103.0] change   /devices/.../block/sr3 (block)
ACTION=change
DEVNAME=/dev/sr3
ID_CDROM_MEDIA_TRACK_COUNT_AUDIO=0

EVENTS
[ "$(cat "$log")" = "$work/home|$work/home /dev/sr0" ] || fail "hook events"
echo PASS
