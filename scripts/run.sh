#!/usr/bin/env bash
# Sets up, builds and converts the bundled example pictures with pelmora-cli.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc 2>/dev/null || echo 2)"

out=build/examples-out
mkdir -p "$out"
echo "Converting examples/*.bmp into $out:"
build/cli/pelmora-cli convert --output-dir "$out" examples/*.bmp
echo
echo "The first lines of $out/lcd_logo.txt:"
head -n 4 "$out/lcd_logo.txt"
