#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and the
# workstation need (clang with its libFuzzer and sanitizer run-times for
# scripts/fuzz.sh; llvm for readable sanitizer stack traces). Idempotent: runs
# apt-get only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libasound2-dev alsa-utils
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-svg-dev libqt6svg6 qt6-translations-l10n libx11-dev
  desktop-file-utils appstream shared-mime-info
  fonts-ipafont-gothic fonts-liberation2
  xvfb xauth imagemagick x11-utils
  poppler-utils libcups2
  libfftw3-dev python3-numpy python3-scipy
  libsqlite3-dev sqlite3 libpq-dev postgresql
  locales
  clang libclang-rt-14-dev llvm
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A decimal-comma locale, so the tests can show that every file number is written
# and read with "." whatever the user's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "setup: could not generate de_DE.UTF-8; locale tests will skip"
fi

# The results-store tests start a throwaway PostgreSQL server, which refuses to
# run as root: when the tests run as root they run it as this unprivileged user.
if [ "$(id -u)" -eq 0 ] && ! id kr70pg >/dev/null 2>&1; then
  useradd --system --no-create-home --shell /usr/sbin/nologin kr70pg || echo "setup: could not create user kr70pg; the PostgreSQL tests will skip"
fi
