#!/usr/bin/env bash
# Makes the pictures of glucosim shown in the README, on a virtual X display
# (Xvfb), from the bundled sample data: the main form, the results form, a
# glucose chart, the metrics table, the ROC curve and the open dialog, as PNG
# files.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT_DIR]   (defaults: build docs)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs}

if ! command -v xvfb-run >/dev/null 2>&1; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Xvfb is missing; install it with:" >&2
        echo "  sudo apt-get install -y --no-install-recommends xvfb xauth" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    if ! apt-get install -y -qq --no-install-recommends xvfb xauth >/dev/null; then
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends xvfb xauth >/dev/null
    fi
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    bash scripts/install-deps.sh
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target glucosim_screenshots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1600x1000x24" env QT_QPA_PLATFORM=xcb \
    "$build/bin/glucosim_screenshots" "$out" examples/glucosim
