#!/usr/bin/env bash
# Times the calibration decoder against LittleCMS on the longest tables, natively and
# optimised (build/bench-host, Release), pinned to CPU 0 so that the two are timed on
# the same core (see bench/host/vcgt_bench.cpp). Extra arguments go to the benchmark
# (Google Benchmark's options). Exits non-zero when the build fails or the decoder
# takes more than 1.5 times as long as LittleCMS. The output is kept in
# build/logs/bench-vcgt.log. KESTRAVA_JOBS (default 2) sets build parallelism.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
jobs="${KESTRAVA_JOBS:-2}"
log="build/logs/bench-vcgt.log"

# At -O2 GCC 12 takes FormatBounded's buffer for one that may be a single byte and
# warns of truncation (report/text_format.inl); only the optimised build sees it.
cmake -S . -B build/bench-host -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Wno-error=format-truncation >/dev/null
cmake --build build/bench-host -j "$jobs" --target kestrava_vcgt_bench
mkdir -p "$(dirname "$log")"
taskset -c 0 build/bench-host/bench/host/kestrava_vcgt_bench --benchmark_color=false "$@" 2>&1 | tee "$log"
exit "${PIPESTATUS[0]}"
