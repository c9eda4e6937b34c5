#!/usr/bin/env bash
# Records again the line traces that the end-to-end tests replay
# (tests/data/traces/): sessions of lumivanectl with its built-in simulated
# instrument. Run after a build (scripts/build.sh); commit the new traces when
# a change of the protocol path is meant.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bin
traces=tests/data/traces
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home"/{DarkCurrents,EventLogs,StepCounts,Firmware,Templates}
ctl() { "$bin/lumivanectl" "$@" >/dev/null; }
sim=(--home "$home" --simulate --time-scale 50)

ctl new-workbook "$bin/Templates/2DimensionalFormat.xltx" "$home/book.xlsx"
ctl set-options "$home/book.xlsx" --runs 3 --wells B2,C5
ctl "${sim[@]}" --trace "$traces/measure-3-runs.txt" measure "$home/book.xlsx" --test "Assay 7" --operator Kim
ctl "${sim[@]}" --trace "$traces/light-plate-calibration.txt" calibrate-light-plate pallas
ctl "${sim[@]}" --trace "$traces/firmware-download.txt" download-firmware "$traces/small-image.hex" 2>/dev/null
wc -l "$traces"/*.txt
