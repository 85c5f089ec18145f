#!/usr/bin/env bash
# Sets up, checks formatting, builds with warnings as errors and runs the whole test suite
# twice: once as built for use, once under AddressSanitizer and UndefinedBehaviorSanitizer.
# Then fuzzes each target for 20 s, builds the browser page and tests it in headless
# Chromium, and builds, installs, tries and removes the package.
# It ends by repeating ctest's summary lines.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
summaries=()

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMORA_WERROR=ON \
        -DPELMORA_BUILD_TESTS=ON "$@"
    cmake --build "$dir" --parallel "$jobs"
    (cd "$dir" && ctest --output-on-failure --no-tests=error --parallel "$jobs" --timeout 300) |
        tee "$dir/ctest.log"
    summaries+=("$dir: $(grep -E 'tests passed' "$dir/ctest.log" | tail -n 1)")
}

if git rev-parse --git-dir >/dev/null 2>&1; then
    echo "== Formatting"
    git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run -Werror
fi
echo "== Build and test"
run_suite build
echo "== Build and test under ASan + UBSan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite build-sanitize -DPELMORA_SANITIZE=ON
echo "== Fuzz each target for 20 s under ASan + UBSan"
scripts/fuzz.sh 20
echo "== The browser page: build it, then hold it to pelmora-cli in headless Chromium"
scripts/web.sh
/usr/bin/python3 tests/web/test_page.py --cli build/cli/pelmora-cli | tee build-web/test.log
summaries+=("build-web: $(tail -n 1 build-web/test.log)")
echo "== Package: build the .deb, install it with apt, try it, remove it"
scripts/package.sh

echo "== Summary"
printf '%s\n' "${summaries[@]}"
grep -E 'tests passed' build-sanitize/ctest.log | tail -n 1
