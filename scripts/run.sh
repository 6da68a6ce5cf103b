#!/usr/bin/env bash
# Starts Vantrel from the release build. Until the desktop application lands, this shows the
# core at work through vantrel-cli: a fresh label library seeded with the starter designs, each
# printed to a virtual CT221B that saves the bitmap it would burn as a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$PWD/build/release/tools/vantrel-cli/vantrel-cli"

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
