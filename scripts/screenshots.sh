#!/usr/bin/env bash
# Renders the application's windows to PNG under docs/screenshots (or the folder given), on the
# offscreen platform, against a temporary library: nothing of yours is read or written.
# Add a picture by adding a scene to tools/screenshots/Screenshots.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${PRESET:-release}
out=${1:-docs/screenshots}

cmake --build --preset "$preset" --target vantrel-screenshots >/dev/null
home=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-screenshots.XXXXXX")
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen VANTREL_TIME_SCALE=0.05 \
    "build/$preset/tools/screenshots/vantrel-screenshots" "$out" "${@:2}"
