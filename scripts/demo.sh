#!/usr/bin/env bash
# Builds, then runs the program against the built-in simulated instrument:
# the operator's window where there is a display; elsewhere a whole
# measurement headless (a new data workbook from the default template, three
# runs of the whole plate stored in it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bin=build/bin
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${LUMIVANE_HEADLESS:-0}" != 1 ]; then
  exec "$bin/LumivaneQX" --simulate --time-scale 10
fi
mkdir -p build/measurements
book="build/measurements/demo-$(date +%Y%m%d-%H%M%S).xlsx"
"$bin/lumivanectl" new-workbook "$bin/Templates/2DimensionalFormat.xltx" "$book"
"$bin/lumivanectl" set-options "$book" --runs 3 --delay 5 --wells all >/dev/null
"$bin/lumivanectl" --simulate identify
"$bin/lumivanectl" --simulate --time-scale 20 measure "$book" --test "Demonstration" --operator "${USER:-operator}"
echo "The measurement is in $book"
