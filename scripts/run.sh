#!/usr/bin/env bash
# Starts Vantrel from the release build. With a display, the application itself, printing on a
# virtual CT221B in a temporary folder when this machine has no Bluetooth adapter. Without a
# display, the command-line demonstration of the core: a fresh label library seeded with the
# starter designs, each printed to a virtual CT221B that saves the bitmap it would burn as a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."
app="$PWD/build/release/app/vantrel"
cli="$PWD/build/release/tools/vantrel-cli/vantrel-cli"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    arguments=()
    if ! compgen -G '/sys/class/bluetooth/hci*' >/dev/null; then
        printer=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-printer.XXXXXX")
        echo "No Bluetooth adapter on this machine: Vantrel prints on a virtual CT221B, which"
        echo "saves what it receives (TSPL) and would burn (PNG) in $printer."
        arguments=(--virtual "$printer")
    fi
    exec "$app" "${arguments[@]}"
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so instead of the application,"
echo "here is the core at work through vantrel-cli."
echo
demo=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-demo.XXXXXX")
# A home of its own, so the demonstration never touches your library or settings.
run() { HOME="$demo/home" XDG_CONFIG_HOME="$demo/home/.config" "$cli" "$@"; }

echo "== A new label library, seeded with the starter designs:"
run labels
echo
echo "== Printing each starter design to a virtual CT221B:"
for name in "Bin tag" "SKU tag" "Dated label" "Big text"; do
    run print "$name" --virtual "$demo/printer"
done
echo
echo "== What the printer received (TSPL) and would burn (PNG), in $demo/printer:"
ls -l "$demo/printer"
echo
echo "== Placeholders, expanded:"
run expand 'Packed {date}, best before {date+30}, lot {serial}' --serial 42 --digits 5
