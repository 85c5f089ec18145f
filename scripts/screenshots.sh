#!/usr/bin/env bash
# Builds Pelmora and photographs its windows on a virtual display, after converting
# examples/logo.bmp and pressing Show, and preparing a picture made there, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc 2>/dev/null || echo 2)" --target pelmora-screenshots
mkdir -p docs
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" build/tools/pelmora-screenshots examples docs
