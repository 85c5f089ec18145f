#!/usr/bin/env bash
# Builds the Debian package and tries it as a user would: installs it with apt, checks the
# installed pelmora-cli, manual page and desktop entry, converts an installed example, and
# removes the package again. The package is left in build-package/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DPELMORA_BUILD_TESTS=OFF -DPELMORA_WERROR=ON >/dev/null
cmake --build build-package --parallel "$(nproc 2>/dev/null || echo 2)"
(cd build-package && cpack -G DEB >/dev/null)
deb=build-package/pelmora_0.1_amd64.deb
echo "Built $deb"
dpkg-deb --field "$deb" Depends Recommends
# Qt reads TIFF and WebP through plugins that no linker records.
dpkg-deb --field "$deb" Depends | grep -q 'qt6-image-formats-plugins'

# Debian's own checks: any error or warning fails the build.
lintian --fail-on error,warning --tag-display-limit 0 "$deb"
echo "lintian: no errors, no warnings"
unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
appstreamcli validate --no-net --pedantic "$unpacked"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$unpacked/usr/share/applications/pelmora.desktop"
bash -n "$unpacked/usr/share/bash-completion/completions/pelmora-cli"
zsh -n "$unpacked/usr/share/zsh/vendor-completions/_pelmora-cli"
fish --no-execute "$unpacked/usr/share/fish/vendor_completions.d/pelmora-cli.fish"
rm -rf "$unpacked"

if dpkg-query -W -f='${Status}' pelmora 2>/dev/null | grep -q "install ok installed"; then
    echo "pelmora is installed already; leaving it alone and skipping the install check."
    exit 0
fi
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
trap '$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pelmora >/dev/null' EXIT

work=$(mktemp -d)
/usr/bin/pelmora-cli --version
/usr/bin/pelmora-cli convert --output-dir "$work" /usr/share/pelmora/examples/logo.bmp
build-package/cli/pelmora-cli convert --quiet --stdout examples/logo.bmp >"$work/expected.txt"
cmp "$work/lcd_logo.txt" "$work/expected.txt"
# The same dots from every format for a picture that all of them hold alike (a two-level
# one): a JPEG and a PNG decoded by pelmora-cli itself, a TIFF and a WebP by the installed
# Qt helper, with the image format plugins that the package pulls in.
convert -size 200x100 xc:white -fill black -draw 'rectangle 0,0 99,99' "$work/half.png"
convert "$work/half.png" -quality 100 "$work/half.jpg"
/usr/bin/pelmora-cli prepare --quiet --dither threshold "$work/half.png"
/usr/bin/pelmora-cli prepare --quiet --dither threshold -o "$work/jpeg.bmp" "$work/half.jpg"
cmp "$work/half_128x64.bmp" "$work/jpeg.bmp"
for format in tiff webp; do
    convert "$work/half.png" -define webp:lossless=true "$work/half.$format"
    /usr/bin/pelmora-cli prepare --quiet --dither threshold -o "$work/$format.bmp" \
        "$work/half.$format"
    cmp "$work/half_128x64.bmp" "$work/$format.bmp"
done
man -w pelmora-cli pelmora
bash -c 'source /usr/share/bash-completion/completions/pelmora-cli &&
    COMP_WORDS=(pelmora-cli convert --layout "") COMP_CWORD=3 && _pelmora_cli &&
    [ "${COMPREPLY[*]}" = "halves pages rows bitplanes" ]'
desktop-file-validate /usr/share/applications/pelmora.desktop
test -f /usr/share/icons/hicolor/48x48/apps/pelmora.png
test -x /usr/bin/pelmora
# A firmware project finds the installed package's CMake files by itself and builds its
# assets with the installed pelmora-cli.
cp -r examples/firmware "$work/firmware"
cmake -S "$work/firmware" -B "$work/firmware/build" -G Ninja >/dev/null
cmake --build "$work/firmware/build" >/dev/null
grep -q '/usr/bin/pelmora-cli' "$work/firmware/build/build.ninja"
"$work/firmware/build/firmware" >/dev/null
rm -rf "$work"
echo "Installed package checked: version, conversion, pictures prepared (JPEG, PNG, TIFF, WebP), manual pages, completion, desktop entry, icon, a firmware project built with find_package(Pelmora)."
