#!/usr/bin/env bash
# Takes the README's screenshots of the windows on a private X server (Xvfb, with
# the openbox window manager), on a fresh station root with the Sound4 simulator:
#   docs/main-window-incident.png   the main window after an incident, "Incidents" open
#   docs/settings-sound4.png        the settings window, "Sound4" tab
#   docs/settings-peripherals.png   the settings window, "Périphériques divers" tab
#   docs/standby.png                the notification area (trayer) in standby, the
#                                   icon's menu open
#   docs/about.png                  the about box, opened from that menu
# Usage: scripts/screenshots.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/install-deps.sh --screenshots
[ -x "$build/src/KZ3_Trelvo" ] || { cmake -S . -B "$build" -G Ninja && cmake --build "$build"; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The X server picks a free display and says which.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
openbox >/dev/null 2>&1 &
pids+=($!)

"$build/tools/sound4-sim" --listen 127.0.0.1 --port 0 --units 1 --password ravin \
    >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q "listening on" "$work/sim.out" && break; sleep 0.1; done
sim_port=$(sed -n 's/.*listening on [^:]*:\([0-9]*\).*/\1/p' "$work/sim.out" | head -n1)

# Unit 0 on the simulator; unit 1 on a port where nothing listens: its failed
# connection is the incident shown.
settings="$work/root/c/Mirevox/Ondelia/Settings/KZ3_Trelvo"
mkdir -p "$settings"
printf '[Sound4]\r\nIP_0=127.0.0.1\r\nPort_0=%s\r\nPW_0=ravin\r\nConnected_0=1\r\nIP_1=127.0.0.1\r\nPort_1=9\r\nConnected_1=1\r\n[Peripheriques_Reseau_Reception_UDP_0]\r\nIP=127.0.0.1\r\nPort=0\r\nActif=1\r\n[Peripheriques_Reseau_Reception_UDP_1]\r\nIP=127.0.0.1\r\nPort=0\r\nActif=1\r\n[Peripheriques_Reseau_Emission_UDP_0]\r\nIP=127.0.0.1\r\nPort1=9999\r\nActif=1\r\n' \
    "$sim_port" >"$settings/KZ3_Trelvo.Ini"
# The suite's data file where the site says: no question at start.
mkdir -p "$work/root/c/KZ_Data"
head -c 512 /dev/zero >"$work/root/c/KZ_Data/FRAD000.bt6"

"$build/src/KZ3_Trelvo" --root "$work/root" >"$work/program.out" 2>&1 &
program=$!
pids+=($!)
for _ in $(seq 100); do grep -q "(windows)" "$work/program.out" && break; sleep 0.1; done
port_of() { sed -n "s/^UDP listener $1 on [^:]*:\([0-9]*\)\$/\1/p" "$work/program.out"; }
say() { printf '%s' "$2" | socat - "UDP:127.0.0.1:$(port_of "$1")"; sleep 0.2; }
say 1 '<RDS:PS><Msg:MORNING>'
say 0 '<SD4:preset.name=Jingle>'
say 1 '<RDS:RT><Msg:Now playing: Morning show>'
sleep 2

window_of() { xdotool search --sync --onlyvisible --name "$1" | head -n1; }
# With the window manager's frame, so that the caption shows.
shoot() { import -frame -window "$1" "docs/$2"; echo "docs/$2"; }
mkdir -p docs

main=$(window_of '^(Err: )?Ondelia: Trelvo - ')
xdotool windowactivate --sync "$main"
# The tab strip below the menu bar: Upload, Download, then Incidents.
xdotool mousemove --window "$main" 193 36 click 1
sleep 0.5
shoot "$main" main-window-incident.png

xdotool key --window "$main" ctrl+o
setup=$(window_of '^Options: Ondelia: Trelvo - ')
xdotool windowactivate --sync "$setup"
sleep 0.5
shoot "$setup" settings-sound4.png
# The second tab of the strip at the top: "Périphériques divers".
xdotool mousemove --window "$setup" 150 15 click 1
sleep 0.5
shoot "$setup" settings-peripherals.png

# The standby: the program again, started with "/Veille=True", beside a notification
# area at the top right of a plain desktop.
kill "$program"
wait "$program" 2>/dev/null || true
screen=$(xdotool getdisplaygeometry)
display -window root -size "${screen/ /x}" xc:'#3a6ea5' || true # its status is 1 even when it paints
trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false >/dev/null 2>&1 &
pids+=($!)
panel='"panel": ("panel" "trayer")'
for _ in $(seq 50); do xwininfo -root -tree | grep -F "$panel" >/dev/null && break; sleep 0.1; done
"$build/src/KZ3_Trelvo" --root "$work/root" /Veille=True >"$work/standby.out" 2>&1 &
pids+=($!)
# The program's icon is its window inside trayer's panel.
icon_of() {
    xwininfo -root -tree | sed -n "/$panel/,\$p" | grep -F '("KZ3_Trelvo" "KZ3_Trelvo")' |
        awk 'NR == 1 {print $1}'
}
for _ in $(seq 100); do [ -n "$(icon_of)" ] && break; sleep 0.1; done
# Then the windows go; the icon is embedded by then.
for _ in $(seq 100); do
    xdotool search --onlyvisible --name 'Ondelia: Trelvo - ' >/dev/null || break
    sleep 0.1
done
sleep 0.5
xdotool mousemove --window "$(icon_of)" 11 11 click 3
menu=$(window_of '^Flottant$')
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$menu")"
width=${screen% *}
left=$((X - 160))
import -window root -crop "$((width - left))x$((Y + HEIGHT + 60))+${left}+0" docs/standby.png
echo docs/standby.png
# "A propos...", the last entry of the menu.
xdotool mousemove --window "$menu" $((WIDTH / 2)) $((HEIGHT * 3 / 4)) click 1
about=$(window_of ' propos de Ondelia Trelvo$')
xdotool windowactivate --sync "$about"
sleep 0.5
shoot "$about" about.png
