#!/usr/bin/env bash
# Shows that the .deb installs on a clean Debian 12 and that the program starts from its
# menu entry: builds a minimal bookworm root with debootstrap, installs the .deb in it with
# apt-get (dependencies and recommendations from Debian's mirror), runs the entry's Exec
# line under Xvfb, and checks after 3 s that the program still runs and shows its login
# window. Needs root and Debian's mirror; takes some minutes; not part of CI.
#   bash tools/try-deb.sh [package.deb]     (default: what tools/package-deb.sh built)
#   KEEP=1 leaves the root in place; SCREENSHOT=<file.png> says where the picture goes.
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
deb=$(realpath "${1:-$(ls "$project"/build-deb/orvane-waybill_*.deb | head -n1)}")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
screenshot=${SCREENSHOT:-$project/build-deb/try-deb.png}

[ "$(id -u)" -eq 0 ] || { echo "try-deb.sh needs root (debootstrap, chroot)." >&2; exit 1; }
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null

target=$(mktemp -d /var/tmp/orvane-try-deb.XXXXXX)
log=$target.log
cleanup() {
  umount "$target/proc" 2>/dev/null || true
  if [ -z "${KEEP:-}" ]; then rm -rf --one-file-system "$target" "$log"; else echo "root and log kept: $target" >&2; fi
}
trap cleanup EXIT
step() { echo "== $*" >&2; }
failed() { echo "FAILED: $*" >&2; tail -n 30 "$log" >&2; exit 1; }

step "minimal Debian 12 root in $target (log: $log)"
debootstrap --variant=minbase bookworm "$target" "$mirror" >"$log" 2>&1 || failed "debootstrap"
# Packages must not start services inside the root.
printf '#!/bin/sh\nexit 101\n' >"$target/usr/sbin/policy-rc.d"
chmod +x "$target/usr/sbin/policy-rc.d"
mount -t proc proc "$target/proc"
in_root() {
  chroot "$target" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$target/tmp/"
in_root apt-get update -qq >>"$log" 2>&1 || failed "apt-get update"
in_root apt-get install -y -q "/tmp/$(basename "$deb")" >>"$log" 2>&1 || failed "installing the package"
in_root dpkg -L orvane-waybill | grep -E '^/usr/(bin/|share/(applications/|icons/.*/|orvane-waybill/help/index))' >&2
# Only for watching it start: a virtual screen, and a tool that finds a window by its title.
in_root apt-get install -y -q --no-install-recommends xvfb xauth xdotool >>"$log" 2>&1 || failed "installing Xvfb"

entry=$target/usr/share/applications/orvane-waybill.desktop
[ -f "$entry" ] || failed "no menu entry at ${entry#"$target"}"
# The Exec line without the entry's field codes (%f, %U, ...).
command_line=$(sed -n 's/^Exec=//p' "$entry" | head -n1 | sed 's/ *%[a-zA-Z]//g')
step "starting \"$command_line\" from the menu entry under Xvfb"
cat >"$target/tmp/start.sh" <<SCRIPT
$command_line &
pid=\$!
sleep 3
kill -0 "\$pid" 2>/dev/null || { echo "the program ended within 3 s"; exit 10; }
window=\$(xdotool search --name '软件登录' | head -n1)
[ -n "\$window" ] || { echo "no window titled 软件登录"; kill "\$pid"; exit 11; }
echo "login window: \$(xdotool getwindowname "\$window"), \$(xdotool getwindowgeometry "\$window" | tail -n +2 | xargs)"
cp /tmp/Xvfb_screen0 /tmp/screen.xwd
kill "\$pid"
wait "\$pid" 2>/dev/null || true
SCRIPT
in_root xvfb-run -a -s "-screen 0 1024x768x24 -fbdir /tmp" sh /tmp/start.sh || failed "starting the program"

home_data=$target/root/.local/share/orvane-waybill
[ -f "$home_data/Data/db.sqlite3" ] || failed "no database in the user's data folder"
[ ! -e "$target/usr/bin/Data" ] || failed "data was written beside the installed program"
echo "data folder: ${home_data#"$target"}: $(cd "$home_data" && find Data Image -maxdepth 2 | xargs)" >&2
if [ -x /usr/bin/convert ]; then
  mkdir -p "$(dirname "$screenshot")"
  /usr/bin/convert "xwd:$target/tmp/screen.xwd" "$screenshot" && echo "screenshot: $screenshot" >&2
fi
echo "OK: $(basename "$deb") installs on Debian 12 and starts from its menu entry"
