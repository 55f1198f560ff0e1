#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
#   BREVINK_SANITIZE=address  the same under AddressSanitizer + UBSan (build-asan/)
#   BREVINK_SANITIZE=thread   the threaded tests under ThreadSanitizer (build-tsan/)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
san=${BREVINK_SANITIZE:-}
build_dir=build${san:+-$san}
if [ "$san" = thread ]; then
    # ThreadSanitizer: only the threaded tests (Qt itself is not instrumented).
    BUILD_DIR=$build_dir TARGETS=brevink-sandbox bash scripts/build.sh -DBREVINK_SANITIZE="$san"
    threaded=$(ctest --test-dir "$build_dir" -N -L threads | awk '/Test +#/ {print $3}')
    # shellcheck disable=SC2086
    cmake --build "$build_dir" --target $threaded
else
    BUILD_DIR=$build_dir bash scripts/build.sh -DBREVINK_SANITIZE="$san"
fi
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
label=()
[ "$san" = thread ] && label=(-L threads)
ctest --test-dir "$build_dir" --output-on-failure -j 2 "${label[@]}"
