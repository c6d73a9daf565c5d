#!/usr/bin/env bash
# Sets up the machine, builds an optimised game and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF
cmake --build build-release -j"$(nproc)"
exec ./build-release/quorvane "$@"
