#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the benchmarks, the format
# check and make package (file, for dpkg-shlibdeps) need.
# Only packages that are missing are installed, so a prepared machine pays nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-l10n-tools libgl-dev
  qt6-translations-l10n adwaita-icon-theme
  xvfb xauth
  lua5.4 luajit python3 python3-numpy python3-scipy libfftw3-dev
  libgsl-dev
  locales
  libtirpc-dev rpcsvc-proto
  lxi-tools python3-pyvisa python3-pyvisa-py
  clang-format file
  # The URW base fonts (which ImageMagick and Ghostscript pull in) make
  # "Courier New" resolve to a font that is not fixed-pitch: the editor's
  # font must stay monospaced with them installed.
  fonts-urw-base35
)

# make fuzz also needs clang with its libFuzzer runtime.
if [ "${1:-}" = fuzz ]; then packages+=(clang libclang-rt-14-dev); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A locale with a decimal comma, so the tests can show that numbers in files
# and texts never follow the process locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $SUDO sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
