#!/usr/bin/env bash
# Screenshots of the fax viewer window and the print options in a real X
# server (Xvfb) at 96 dots per inch:
#   tools/faximg/screenshots.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=${1:?build directory}
out=${2:?output directory}
display=:$((80 + RANDOM % 9))
Xvfb "$display" -screen 0 1100x720x24 -dpi 96 -nolisten tcp &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
mkdir -p "$out"
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/bin/telvane-viewer-screenshots" "$out"
echo "wrote $out/fax-viewer.png $out/print-options.png"
