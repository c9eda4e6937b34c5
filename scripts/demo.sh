#!/usr/bin/env bash
# Builds and runs the main job against the built-in instrument simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build/bin/lumivanectl --simulate identify
