#!/usr/bin/env bash
# Installs what Brevink needs to build, test and show its windows (Debian 12, as root).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config
          qt6-base-dev libcurl4-openssl-dev libcpp-httplib-dev libssl-dev openssl
          libgtest-dev clang clang-format
          xvfb xauth imagemagick fonts-wqy-microhei)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
