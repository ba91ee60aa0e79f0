#!/usr/bin/env bash
# Screenshots of the main window with sample rows (both pages) and of the
# log maintenance window, in a real X server (Xvfb) at 96 dots per inch:
#   tools/screenshot.sh BUILD_DIR OUT_DIR
# writes OUT_DIR/main-window-sent.png, main-window-received.png and
# log-maintenance.png (and main-window.png, the sent page).
set -euo pipefail
build=${1:?build directory}
out=${2:?output directory}
mkdir -p "$out"
home=$(mktemp -d)
app= xvfb=
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT

"$build/bin/telvane-sample-logs" "$home" --outgoing 14 --received 6 >/dev/null
cat > "$home/TVN.INI" <<'INI'
[Modem]
ComPort=0
[TMainScreen_Placement]
Left=0
Top=0
Right=760
Bottom=460
Maximized=0
INI

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 760x460x24 -dpi 96 -nolisten tcp &
xvfb=$!
export DISPLAY=$display
sleep 1
TELVANE_HOME=$home QT_QPA_PLATFORM=xcb "$build/bin/telvane" &
app=$!
sleep 4
window=$(xdotool search --sync --name '^Telvane $' | head -1)
shot() { sleep 1; import -window root "$out/$1"; echo "wrote $out/$1"; }

shot main-window-sent.png
cp "$out/main-window-sent.png" "$out/main-window.png"

# The "Incoming" tab sits at the bottom left, above the status bar.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" 100 $((HEIGHT - 50)) click 1
shot main-window-received.png

# File > Fax Log Cleanup.
xdotool mousemove --window "$window" 60 $((HEIGHT - 50)) click 1  # back to "Outgoing"
xdotool mousemove --window "$window" 20 8 click 1
sleep 1
xdotool mousemove --window "$window" 80 117 click 1  # its sixth row, under "Delete Fax"
sleep 2
shot log-maintenance.png
