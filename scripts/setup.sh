#!/usr/bin/env bash
# Sets up a Debian 12 machine for Vantrel: installs every package the build, the tests and the
# application need (only what is missing), configures and builds. Then, by the first argument:
#   build  stop after the build (default)
#   test   run every test
#   run    start Vantrel
# Run it as root, or as a user who may use sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
    # toolchain and libraries
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-connectivity-dev qcoro-qt6-dev libzxing-dev libicu-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # faces the label fonts map onto
    fonts-urw-base35 fonts-liberation2 fonts-dejavu-core fonts-lato
    # the desktop application's windows (Qt's platform plugins) and icons: Breeze as the fallback
    # theme, drawn by Qt's SVG plugin
    qt6-qpa-plugins libqt6svg6 breeze-icon-theme
    # test tools: real windows, an independent barcode reader, a BlueZ stand-in, Python's csv,
    # the locale sources localedef builds a comma locale from
    xvfb xauth dbus python3 python3-dbusmock locales
    # the desktop files as the desktop reads them
    desktop-file-utils shared-mime-info
)

missing=()
for package in "${PACKAGES[@]}"; do
    if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != installed ]; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake --preset release
cmake --build --preset release

case "${1:-build}" in
build) ;;
test)
    ctest --preset release
    ;;
run)
    exec scripts/run.sh
    ;;
*)
    echo "usage: scripts/setup.sh [build|test|run]" >&2
    exit 2
    ;;
esac
