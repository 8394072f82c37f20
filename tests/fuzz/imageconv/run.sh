#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each in turn, one process at a time.
#   tests/fuzz/imageconv/run.sh [SECONDS_PER_TARGET] [TARGET...]
# Seeds come from the host build's imageconv_make_seeds; corpora grow in build/fuzz/corpus.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../../.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(jpeg bmp tiff png pcx photocd webp heif jxl raw orientation anyimage)
out=$repo/build/fuzz
cmake -S "$repo/tests/fuzz/imageconv" -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j2 >/dev/null
seeds=$out/seeds
if [ ! -d "$seeds" ]; then
    cmake --build "$repo/build/host" -j2 --target imageconv_make_seeds >/dev/null
    "$repo/build/host/tests/host/imageconv/imageconv_make_seeds" "$seeds"
fi
export LSAN_OPTIONS=suppressions=$repo/tests/fuzz/imageconv/lsan.supp
for target in "${targets[@]}"; do
    corpus=$out/corpus/$target
    mkdir -p "$corpus" "$out/findings/$target"
    echo "== fuzz_$target for ${seconds}s"
    "$out/fuzz_$target" "$corpus" "$seeds" -max_total_time="$seconds" \
        -max_len=65536 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$out/findings/$target/" 2>&1 | grep -E "^(stat::|==|#[0-9]+ +DONE|SUMMARY|ERROR|Test unit)" || true
done
