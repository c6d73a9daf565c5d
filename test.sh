#!/usr/bin/env bash
# Sets up the machine, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test under them.
# QV_OPTIMISED=1 builds and tests the optimised configuration players run instead (build-release).
# Warnings are errors here (QV_WERROR), so a build that warns fails in CI.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ "${QV_OPTIMISED:-0}" = 1 ]; then
  dir=build-release
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_SANITIZE=OFF -DQV_TESTS=ON -DQV_WERROR=ON "${launcher[@]}"
else
  dir=build-test
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_TESTS=ON -DQV_WERROR=ON "${launcher[@]}"
fi
cmake --build "$dir" -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" "$@"
