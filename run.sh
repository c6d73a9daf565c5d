#!/usr/bin/env bash
# Sets up the machine, builds an optimised game and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF
cmake --build build-release -j"$(nproc)"
# The build assembles the game folder in build-release/home; the engine mounts it as "home".
export engineroot="$PWD/build-release/home"
exec ./build-release/quorvane "$@"
