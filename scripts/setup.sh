#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Pelmora need.
# Safe to run again: packages already present are skipped. Needs root (or sudo).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libjpeg62-turbo-dev
    libspng-dev zlib1g-dev # PNGs read and written without Qt
    libdeflate-dev # the plain PNGs' image data, inflated whole
    libtomlplusplus-dev # the manifest of pelmora-cli build, read header-only
    libgif-dev # animated GIFs read and written without Qt (convert --frames, show --gif)
    libjpeg-turbo-progs # jpegtran and djpeg, to make and check JPEGs in the tests
    libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    fonts-liberation fonts-dejavu-core
    xvfb xauth imagemagick python3
    dpkg-dev desktop-file-utils man-db file hyperfine valgrind librsvg2-bin
    qt6-image-formats-plugins strace lintian appstream
    zsh fish # to check the shell completions the package installs
    # the programs that read what Pelmora writes, so the tests can feed them
    pasmo z80asm binutils gcc-avr avr-libc
    simavr # the C outputs read back through pgm_read_byte on a simulated ATmega328P
    # fonts: FreeType to draw them; bitmap fonts whose own BDF text (pcf2bdf) the tests check
    libfreetype-dev xfonts-terminus fonts-terminus-otb xfonts-unifont pcf2bdf fonts-freefont-otf
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
