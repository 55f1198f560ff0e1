#!/usr/bin/env bash
# Installs what is missing, builds and starts Brevink.
#   --sandbox   start the local sandbox too and point Brevink at it (an offline demo)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
if [ "${1:-}" = "--sandbox" ]; then
    exec bash scripts/demo.sh
fi
exec ./build/brevink
