#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR). Extra arguments go to cmake.
# TARGETS="a b" builds only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@"
if [ -n "${TARGETS:-}" ]; then
    # shellcheck disable=SC2086
    cmake --build "$build_dir" --target $TARGETS
else
    cmake --build "$build_dir"
fi
