#!/usr/bin/env bash
# Starts Vantrel from the release build. Until the desktop application lands, this shows the
# command-line tool at work on a sample label.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/release/tools/vantrel-cli/vantrel-cli

echo "== The sample label, read and written back by vantrel-cli check:"
"$cli" check samples/bin-tag.vtllabel
echo
echo "== Placeholders, expanded by vantrel-cli expand:"
"$cli" expand 'Packed {date}, best before {date+30}, lot {serial}' --serial 42 --digits 5
