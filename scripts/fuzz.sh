#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under ASan + UBSan and runs each for the given
# number of seconds (default 20) from the seed corpora in tests/fuzz/corpus. Anything
# found is left as crash-* in build-fuzz/findings and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

scripts/setup.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DPELMORA_FUZZ=ON -DPELMORA_BUILD_TESTS=OFF -DPELMORA_WERROR=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc 2>/dev/null || echo 2)" \
    --target header_fuzzer decoder_fuzzer convert_fuzzer syntax_fuzzer prepare_fuzzer \
    jpeg_fuzzer cut_short_fuzzer font_fuzzer png_fuzzer
cmake --build build-fuzz --target gif_fuzzer
cmake --build build-fuzz --target manifest_fuzzer manifest_names_fuzzer
cmake --build build-fuzz --target unpack_fuzzer asset_options_fuzzer

mkdir -p build-fuzz/findings
for target in header decoder convert syntax prepare jpeg cut_short font png gif manifest \
    manifest_names unpack asset_options; do
    work=$(mktemp -d)
    echo "== ${target}_fuzzer for ${seconds} s"
    # New inputs go to a scratch corpus, so the seeds in the repository stay as they are.
    if ! build-fuzz/fuzz/${target}_fuzzer -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/findings/ "$work" "tests/fuzz/corpus/$target" \
        >"build-fuzz/${target}.log" 2>&1; then
        tail -n 40 "build-fuzz/${target}.log"
        echo "${target}_fuzzer found a fault: see build-fuzz/findings"
        exit 1
    fi
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "build-fuzz/${target}.log"
    rm -rf "$work"
done
