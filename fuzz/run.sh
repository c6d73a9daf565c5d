#!/usr/bin/env bash
# Runs every fuzzer of fuzz/corpus.list: once over its start inputs (a crash found before must
# stay fixed), then for SECONDS seconds (default 20) from them. New inputs and crash files go to
# WORK (default build-fuzz/work), never to the source tree or a shared temporary folder.
# Usage: fuzz/run.sh BUILD_DIR [SECONDS] [PARALLEL]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-20}
parallel=${3:-4}
work=${WORK:-$build/work}
mkdir -p "$work"
run_one() {
    local name=$1; shift
    local bin="$build/fuzz/$name"
    local dir="$work/$name"
    mkdir -p "$dir"
    local seeds=()
    for s in "$@"; do [ -d "$s" ] && seeds+=("$s"); done
    if ! "$bin" -runs=0 -rss_limit_mb=2048 -artifact_prefix="$dir/" "${seeds[@]}" > "$dir/corpus.log" 2>&1; then
        echo "FAILED: $name on its start inputs (see $dir/corpus.log)"; return 1
    fi
    if ! "$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 -artifact_prefix="$dir/" \
        "$dir" "${seeds[@]}" > "$dir/run.log" 2>&1; then
        echo "FAILED: $name found a crash (see $dir/run.log)"; return 1
    fi
    echo "ok: $name $(grep -o 'Done [0-9]* runs' "$dir/run.log" | tail -1)"
}
export -f run_one
export build work seconds
grep -v '^#' fuzz/corpus.list | grep -v '^$' |
    xargs -P "$parallel" -I{} bash -c 'run_one {}'
