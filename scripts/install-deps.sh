#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, if any are missing, and
# those named as arguments (scripts/run-benchmarks.sh adds what its runs need).
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev clang-format
          libc-dev-bin locales libspdlog-dev libmimalloc-dev valgrind binutils pkgconf
          groff-base man-db "$@")

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    "${as_root[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
