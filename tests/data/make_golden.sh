#!/usr/bin/env bash
# Writes the expected texts of the bundled examples, both modes, with a built pelmora-cli:
#   tests/data/make_golden.sh build/cli/pelmora-cli
# Run it only when the output is meant to change, and say why in the commit.
set -euo pipefail
cli=${1:?usage: make_golden.sh PELMORA_CLI}
here=$(cd "$(dirname "$0")" && pwd)
for picture in "$here"/../../examples/*.bmp; do
    name=$(basename "$picture" .bmp)
    "$cli" convert --stdout "$picture" >"$here/lcd_$name.normal.txt"
    "$cli" convert --stdout --inverse "$picture" >"$here/lcd_$name.inverse.txt"
done
