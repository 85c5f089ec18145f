#!/usr/bin/env bash
# A benchmark, not a test: the bytes each --compress scheme makes of sixteen typical
# 128 x 64 pictures (the examples, text screens, dithered photos, all made here with
# ImageMagick), and the time of packing 400 pictures beside converting them plain.
# Usage: tests/compress/sizes.sh PELMORA_CLI
set -euo pipefail
cli=$(realpath "$1")
examples=$(cd "$(dirname "$0")/../../examples" && pwd)
# In memory where it can be: each file is synced as it is written, and a shared disk
# would time its syncs, not the work.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cp "$examples"/hello.bmp "$examples"/logo.bmp "$examples"/pattern.bmp "$examples"/text.bmp .
screens=("MENU\n> Start\n  Options\n  About" "Temp 21.5 C\nHum  48 pct\nCO2  612" \
    "12:45\nTue 8 Dec" "WiFi: home\nIP 192.168.1.20\nRSSI -61 dBm\nUp 3d 4h" \
    "Battery 87 pct\nCharging" "ERROR 42\nSensor lost")
for i in "${!screens[@]}"; do
    convert -size 128x64 xc:white -font DejaVu-Sans -pointsize 11 -fill black \
        -annotate +2+12 "$(printf '%b' "${screens[$i]}")" "screen$i.png"
done
photos=(rose: logo: wizard: netscape: granite: mandrill:)
for i in "${!photos[@]}"; do
    convert "${photos[$i]}" -resize 128x64! "photo$i.png" 2>/dev/null ||
        convert -seed "$i" -size 128x64 plasma:fractal "photo$i.png"
done

printf '%-10s %6s %9s %6s %6s %8s\n' picture raw packbits lzss auto arduboy
declare -A total
for picture in *.bmp *.png; do
    prep=()
    [[ $picture == *.png ]] && prep=(--dither floyd-steinberg)
    [[ $picture == screen* ]] && prep=(--dither threshold)
    line=$(printf '%-10s' "${picture%.*}")
    for scheme in none packbits lzss auto arduboy; do
        size=$("$cli" convert "${prep[@]}" --layout pages --format bin --compress "$scheme" \
            --stdout "$picture" | wc -c)
        [[ $scheme == none ]] && size=$((size))
        total[$scheme]=$((${total[$scheme]:-0} + size))
        line+=$(printf ' %8s' "$size")
    done
    echo "$line"
done
line=$(printf '%-10s' total)
for scheme in none packbits lzss auto arduboy; do
    line+=$(printf ' %8s' "${total[$scheme]}")
done
echo "$line"
for scheme in packbits lzss auto arduboy; do
    echo "$scheme: $((total[$scheme] * 1000 / total[none]))/1000 of raw"
done

# 400 pictures: the sixteen again and again under other names.
mkdir many
n=0
while ((n < 400)); do
    for picture in *.bmp; do
        cp "$picture" "many/p$n.bmp"
        n=$((n + 1))
    done
    for picture in *.png; do
        "$cli" prepare --dither floyd-steinberg -o "many/p$n.bmp" "$picture" >/dev/null 2>&1 ||
            cp hello.bmp "many/p$n.bmp"
        n=$((n + 1))
    done
done
mkdir out
ls many | wc -l
hyperfine --warmup 2 --runs 10 \
    "$cli convert --quiet --format c --layout pages --output-dir out many/*.bmp" \
    "$cli convert --quiet --format c --layout pages --compress auto --output-dir out many/*.bmp" \
    "$cli convert --quiet --format c --layout pages --compress lzss --output-dir out many/*.bmp"
