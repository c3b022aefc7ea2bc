#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the tests and the demo need — only the missing ones.
# (openssl: a test makes the certificate of a TLS server with it.)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev
  libmpg123-dev libtag1-dev mpg123 lame
  nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core
  clang-format
  qstat
  openssl
)
# `make package` and the check of what it installs: dpkg-shlibdeps finds the package's
# dependencies, desktop-file-validate and appstreamcli check the menu entry and AppStream data,
# lintian the package.
packages+=(dpkg-dev desktop-file-utils appstream lintian)

# `install-deps.sh fuzz` adds what the fuzz targets need (clang and its libFuzzer runtime).
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# `install-deps.sh windows` adds the Windows cross build of the model and Wine to run its tests
# (googletest: GoogleTest's sources, built for Windows alongside).
if [ "${1:-}" = "windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine64 googletest)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
