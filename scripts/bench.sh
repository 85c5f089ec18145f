#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them all, each figure beside its floor:
# the core benchmarks, the window offscreen and on a virtual display, and whole
# processes with hyperfine. The figures go to standard output and build-bench/results.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
command -v hyperfine >/dev/null || {
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y -qq hyperfine
}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELMORA_BUILD_TESTS=OFF \
    -DPELMORA_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-bench --parallel "$(nproc 2>/dev/null || echo 2)"

exec > >(tee build-bench/results.txt) 2>&1
echo "== Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"

for dir in "${TMPDIR:-/tmp}" /dev/shm; do
    echo "== Core (Google Benchmark), files on $(df --output=fstype "$dir" | tail -n 1) ($dir)"
    PELMORA_BENCH_DIR=$dir build-bench/bench/pelmora-core-bench --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_min_time=0.2 2>&1 |
        grep -E '^(Benchmark|BM_.*_median)'
done

echo "== Window, offscreen"
QT_QPA_PLATFORM=offscreen build-bench/bench/pelmora-window-bench examples 50
echo "== Window, on a virtual X display (xvfb-run)"
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" build-bench/bench/pelmora-window-bench examples 50

echo "== Whole processes (hyperfine)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out" "$work/copies"
for i in $(seq -w 1 1000); do cp examples/logo.bmp "$work/in/p$i.bmp"; done
cli=build-bench/cli/pelmora-cli
hyperfine --warmup 2 --runs 10 -N \
    "$cli convert --quiet --output-dir $work/out $work/in/p0001.bmp" \
    "cp $work/in/p0001.bmp $work/copies/"
hyperfine --warmup 1 --runs 5 \
    "$cli convert --quiet --output-dir $work/out $work/in/*.bmp" \
    "cp $work/in/*.bmp $work/copies/"
