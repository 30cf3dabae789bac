#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian package on a clean Debian 12 and starts it as a desktop menu does.
#
# usage (as root, with network access to a Debian mirror):
#   scripts/check-package.sh build-deb/vardelin_3.1_amd64.deb [work-folder]
#
# debootstrap makes a minimal bookworm system in work-folder (default /tmp/vardelin-package),
# `apt install ./vardelin_3.1_amd64.deb` installs the package with what it depends on, and only
# then are the tools of the check added (Xvfb, gio, xdotool, xwd). An ordinary user starts the
# menu entry with `gio launch` on an X server of its own; the check passes when the main window
# appears and DB.xml has been written in the user's data folder. The screen is kept in
# work-folder/screen.xwd.
set -euo pipefail

package=$(realpath "$1")
work=${2:-/tmp/vardelin-package}
root="$work/root"

# The mirror this machine's own apt uses for bookworm's main archive, from its deb822 or one-line
# sources, so the check reaches whatever mirror the machine is set up to reach.
apt_mirror() {
    local uri
    uri=$(grep -hsE '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' |
        grep -vE 'security|updates' | head -n 1)
    [ -n "$uri" ] || uri=$(grep -hsE '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
        awk '{print $2}' | grep -v security | head -n 1)
    [ -n "$uri" ] || { echo "no Debian mirror in this machine's apt sources" >&2; exit 1; }
    echo "$uri"
}
mirror=$(apt_mirror)

command -v debootstrap >/dev/null || apt-get install -y debootstrap
if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase bookworm "$root" "$mirror"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
trap 'umount --lazy "$root/dev" "$root/proc"' EXIT

cp "$package" "$root/tmp/vardelin.deb"
chroot "$root" /bin/bash -c "apt-get update -q && \
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/vardelin.deb"
chroot "$root" /bin/bash -c "DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    xvfb libglib2.0-bin xdotool x11-apps"
chroot "$root" /bin/bash -c "id tester >/dev/null 2>&1 || useradd -m tester"

# What the user does, as a script of the user's own shell. The program and the X server write
# to files, so that they do not hold the session open.
cat >"$root/tmp/menu-start.sh" <<'USER'
export DISPLAY=:7 XDG_RUNTIME_DIR=/tmp/runtime-tester LANG=C.UTF-8
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
Xvfb :7 -screen 0 1280x800x24 >/tmp/xvfb.log 2>&1 </dev/null &
xvfb=$!
# Only what this script started is ended, by its id.
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
gio launch /usr/share/applications/org.vardelin.Vardelin.desktop >/tmp/vardelin.log 2>&1 </dev/null
window=
for attempt in $(seq 1 120); do
    window=$(xdotool search --name "瓦德林通讯录 V" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.25
done
if [ -z "$window" ]; then
    echo "no main window appeared; the program said:" >&2
    cat /tmp/vardelin.log >&2
    exit 1
fi
sleep 1
xwd -root -silent >/tmp/screen.xwd
echo "window: $(xdotool getwindowname "$window")"
test -s ~/.local/share/瓦德林通讯录/DB.xml || exit 1
echo "database: $(ls ~/.local/share/瓦德林通讯录/DB.xml)"
kill "$(xdotool getwindowpid "$window")"
USER
chroot "$root" su - tester -c "sh /tmp/menu-start.sh"
cp "$root/tmp/screen.xwd" "$work/screen.xwd"
echo "the package installs and starts from its menu entry"
