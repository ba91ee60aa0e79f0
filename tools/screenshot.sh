#!/usr/bin/env bash
# Takes a screenshot of the main window with sample rows, in a real X
# server (Xvfb) at 96 dots per inch: tools/screenshot.sh BUILD_DIR OUT.png
set -euo pipefail
build=${1:?build directory}
out=${2:?output PNG}
home=$(mktemp -d)
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT

"$build/bin/telvane-sample-logs" "$home" --outgoing 14 --received 6 >/dev/null
cat > "$home/TVN.INI" <<'INI'
[Modem]
ComPort=0
[TMainScreen_Placement]
Left=0
Top=0
Right=980
Bottom=540
Maximized=0
INI

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 980x540x24 -dpi 96 -nolisten tcp &
xvfb=$!
sleep 1
DISPLAY=$display TELVANE_HOME=$home QT_QPA_PLATFORM=xcb "$build/bin/telvane" &
app=$!
sleep 4
DISPLAY=$display import -window root "$out"
echo "wrote $out"
