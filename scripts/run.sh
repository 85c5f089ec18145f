#!/usr/bin/env bash
# Sets up, builds and opens Pelmora on the bundled example pictures. Without a display
# it converts them with pelmora-cli instead and shows where the files went.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc 2>/dev/null || echo 2)"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/ui/pelmora examples
fi

echo "No display here: converting examples/*.bmp with pelmora-cli instead."
build/cli/pelmora-cli convert examples/*.bmp
echo
echo "The panel as examples/lcd_logo.txt holds it:"
build/cli/pelmora-cli show --blocks examples/lcd_logo.txt
