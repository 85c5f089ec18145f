#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them all, each figure beside its floor:
# the core benchmarks, the window offscreen and on a virtual display, and whole
# processes with hyperfine. The figures go to standard output and build-bench/results.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for package in hyperfine python3-pil; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || {
        sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get install -y -qq "$package"
    }
done
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELMORA_BUILD_TESTS=OFF \
    -DPELMORA_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-bench --parallel "$(nproc 2>/dev/null || echo 2)"

exec > >(tee build-bench/results.txt) 2>&1
echo "== Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"

for dir in "${TMPDIR:-/tmp}" /dev/shm; do
    echo "== Core (Google Benchmark), files on $(df --output=fstype "$dir" | tail -n 1) ($dir)"
    PELMORA_BENCH_DIR=$dir build-bench/bench/pelmora-core-bench --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_min_time=0.2 2>&1 |
        grep -E '^(Benchmark|BM_.*_median)'
done

echo "== Window, offscreen"
QT_QPA_PLATFORM=offscreen build-bench/bench/pelmora-window-bench examples 50
echo "== Window, on a virtual X display (xvfb-run)"
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" build-bench/bench/pelmora-window-bench examples 50

# Whole processes, side by side in one hyperfine run each, files on tmpfs: the project's
# disk is shared, and figures there move by a factor of several from day to day.
work=$(mktemp -d -p /dev/shm)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out" "$work/copies"
for i in $(seq -w 1 400); do cp examples/logo.bmp "$work/in/p$i.bmp"; done
cli=build-bench/cli/pelmora-cli
one=$work/in/p001.bmp
build-bench/cli/pelmora-cli convert --quiet --output-dir "$work" "$one"
text=$work/lcd_p001.txt
/usr/bin/python3 scripts/bench_reference.py "$work/copies" "$one"
cmp "$text" "$work/copies/lcd_p001.txt" # the yardstick writes the same bytes
summary=$work/summary.txt

# hyperfine with its JSON kept; ratio NAME A B prints the ratio of two commands' medians.
run() {
    local name=$1
    shift
    hyperfine --style basic --export-json "$work/$name.json" "$@" | grep -E '^ *(Time|Benchmark)'
}
ratio() {
    python3 - "$work/$1.json" "$2" "$3" "$4" >>"$summary" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
a, b = results[int(sys.argv[2])], results[int(sys.argv[3])]
print("%-58s %8.2f ms / %8.2f ms = %5.2fx" %
      (sys.argv[4], a["median"] * 1000, b["median"] * 1000, a["median"] / b["median"]))
PY
}

echo "== Whole processes (hyperfine), files on tmpfs ($work)"
run one -N --warmup 20 --runs 300 \
    "$cli convert --quiet --output-dir $work/out $one" "cp $one $work/copies/"
ratio one 0 1 "one bitmap per process / cp of it (goal 1.5x)"

batch_prepare="rm -rf $work/out && mkdir $work/out"
run batch --warmup 3 --runs 20 --prepare "$batch_prepare" \
    "$cli convert --quiet --output-dir $work/out $work/in/*.bmp" \
    "cp $work/in/*.bmp $work/out/" \
    "/usr/bin/python3 scripts/bench_reference.py $work/out $work/in/*.bmp"
ratio batch 0 1 "400 bitmaps, one process / cp of them (goal 2x)"
ratio batch 2 0 "Python script / pelmora-cli, 400 bitmaps (goal 10x)"

run show -N --warmup 20 --runs 300 --output=null "$cli show $text" "cat $text"
ratio show 0 1 "show FILE to the terminal / cat FILE (goal 1.5x)"

# Preparing a 640 x 480 photo, beside what users run instead: Pillow and ImageMagick (its
# own program, not whatever "convert" a PATH may put first).
magick=$(command -v convert-im6.q16 || command -v convert)
$magick -size 640x480 -seed 7 plasma:fractal "$work/photo.jpg"
py=/usr/bin/python3 # Debian's, with python3-pil
run prepare -N --warmup 3 --runs 30 \
    "$cli prepare -o $work/p.bmp $work/photo.jpg" \
    "$py scripts/bench_pillow.py $work/photo.jpg $work/q.bmp" \
    "$magick $work/photo.jpg -resize 128x64 -background white -gravity center -extent 128x64 -dither FloydSteinberg -monochrome $work/r.bmp"
ratio prepare 1 0 "Pillow / pelmora-cli prepare, 640 x 480 JPEG (goal 4x)"
ratio prepare 2 0 "ImageMagick / pelmora-cli prepare, 640 x 480 JPEG (goal 15x)"

# The same photo on a 4-bit grey panel beside the same panel at one bit.
run prepare_grey -N --warmup 3 --runs 30 \
    "$cli convert --quiet --panel ssd1322 --dither floyd-steinberg --format bin --output-dir $work/out $work/photo.jpg" \
    "$cli convert --quiet --size 256x64 --layout rows --bit-order msb --dither floyd-steinberg --format bin --output-dir $work/out $work/photo.jpg"
ratio prepare_grey 0 1 "convert --panel ssd1322 (4 bits) / one bit, 640 x 480 JPEG (goal 1.3x)"

# The same photo as a PNG: decoded in the process by libspng, beside the same two.
$magick "$work/photo.jpg" "$work/photo.png"
run prepare_png -N --warmup 3 --runs 30 \
    "$cli prepare -o $work/p.bmp $work/photo.png" \
    "$py scripts/bench_pillow.py $work/photo.png $work/q.bmp" \
    "$magick $work/photo.png -resize 128x64 -background white -gravity center -extent 128x64 -dither FloydSteinberg -monochrome $work/r.bmp"
ratio prepare_png 1 0 "Pillow / pelmora-cli prepare, 640 x 480 PNG (goal 4x)"
ratio prepare_png 2 0 "ImageMagick / pelmora-cli prepare, 640 x 480 PNG (goal 15x)"

# A 12-megapixel photo, every pixel decoded. PELMORA_BEFORE names another build's
# pelmora-cli to time beside it (say, one built before a change, in a git worktree).
$magick -size 4000x3000 -seed 9 plasma:fractal -quality 90 "$work/large.jpg"
# The least libjpeg can do with it: its smallest scale, grey alone. Its Huffman decoding is
# the same work at every scale, the floor under any reader built on it.
large=("$cli prepare -o $work/p.bmp $work/large.jpg"
    "$py scripts/bench_pillow.py $work/large.jpg $work/q.bmp"
    "djpeg -scale 1/8 -grayscale -outfile $work/large.pgm $work/large.jpg")
if [ -n "${PELMORA_BEFORE:-}" ]; then
    large+=("$PELMORA_BEFORE prepare -o $work/b.bmp $work/large.jpg")
fi
run large -N --warmup 3 --runs 20 "${large[@]}"
ratio large 1 0 "Pillow / pelmora-cli prepare, 4000 x 3000 JPEG"
ratio large 0 2 "pelmora-cli prepare / djpeg -scale 1/8 -grayscale (the floor), 4000 x 3000 JPEG"
if [ -n "${PELMORA_BEFORE:-}" ]; then
    ratio large 3 0 "\$PELMORA_BEFORE / pelmora-cli prepare, 4000 x 3000 JPEG"
    ratio large 3 2 "\$PELMORA_BEFORE / the floor: the most a libjpeg reader could gain (goal 3x)"
fi

formats=(db asm gas c arduino xbm bin ihex)
commands=()
for format in "${formats[@]}"; do
    commands+=("$cli convert --quiet --format $format --output-dir $work/out $work/in/*.bmp")
done
run formats --warmup 3 --runs 20 "${commands[@]}"
for i in "${!formats[@]}"; do
    ratio formats "$i" 0 "--format ${formats[$i]} / db, 400 bitmaps (goal 1.5x)"
done

# Frames: a 128 x 64 GIF of 100 frames to c, beside ImageMagick coalescing it into X
# bitmaps; and peak memory for 100 and 1,000 frames, which should not grow with the count.
frames_gif() {
    local count=$1 gif=$2 args=()
    $magick -size 128x64 xc:white -fill black -draw 'circle 24,32 24,10' \
        -draw 'rectangle 60,20 90,44' "$work/frame.png"
    for i in $(seq 0 $((count - 1))); do
        args+=("(" "$work/frame.png" -roll "+$((i % 128))+0" ")")
    done
    $magick -delay 4 "${args[@]}" -loop 0 "$gif"
}
bench_frames() {
    frames_gif 100 "$work/anim100.gif"
    frames_gif 1000 "$work/anim1000.gif"
    mkdir -p "$work/xbm"
    run frames --warmup 2 --runs 10 \
        "$cli convert --frames --quiet --format c --dither threshold -o $work/f.h $work/anim100.gif" \
        "$magick $work/anim100.gif -coalesce -monochrome $work/xbm/frame_%03d.xbm"
    ratio frames 1 0 "ImageMagick -coalesce to XBM / convert --frames, 100 frames (goal 10x)"
    local peak100 peak1000
    peak100=$(/usr/bin/time -f %M "$cli" convert --frames --quiet --format c --dither threshold \
        -o "$work/f.h" "$work/anim100.gif" 2>&1 >/dev/null)
    peak1000=$(/usr/bin/time -f %M "$cli" convert --frames --quiet --format c --dither threshold \
        -o "$work/f.h" "$work/anim1000.gif" 2>&1 >/dev/null)
    echo "convert --frames peak memory: $peak100 KB for 100 frames, $peak1000 KB for 1000 (goal within 10%)" >>"$summary"
}
echo "== Frames (hyperfine, /usr/bin/time)"
bench_frames

# pelmora-cli build: 200 pictures made into one header beside convert of the same 200 in
# one process, and a build with nothing to do beside one stat of the 200 pictures and 200
# outputs.
bench_build() {
    local dir=$work/build
    mkdir -p "$dir/art" "$dir/out"
    $magick -size 128x64 xc:white -fill black -draw 'circle 40,32 40,10' "$dir/base.png"
    {
        printf '[output]\nheader = "assets.h"\nsource = "assets.c"\n'
        printf '[panel]\nlayout = "pages"\ndither = "threshold"\n'
        for i in $(seq -w 1 200); do
            cp "$dir/base.png" "$dir/art/p$i.png"
            printf '[[image]]\nname = "p%s"\nfile = "art/p%s.png"\n' "$i" "$i"
        done
    } >"$dir/pelmora.toml"
    run build_full --warmup 2 --runs 10 --prepare "rm -f $dir/assets.h $dir/assets.c $dir/.assets.h.pelmora-state" \
        "$cli build --quiet $dir/pelmora.toml" \
        "$cli convert --quiet --layout pages --dither threshold --format c --output-dir $dir/out $dir/art/p*.png"
    ratio build_full 0 1 "build of 200 pictures / convert of them, one process (goal 1.3x)"
    "$cli" build --quiet "$dir/pelmora.toml"
    run build_idle --warmup 20 --runs 200 \
        "$cli build --quiet $dir/pelmora.toml" "stat $dir/art/p*.png $dir/out/*"
    ratio build_idle 0 1 "build with nothing to do / stat of 200 pictures, 200 outputs (goal 3x)"
}
echo "== Build (hyperfine)"
bench_build

# pelmora-cli font beside its floor: a C program that only loads the font and renders the
# same glyphs with FreeType (bench/font_floor.c).
bench_font() {
    local font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
    gcc -O2 bench/font_floor.c -o "$work/font-floor" $(pkg-config --cflags --libs freetype2)
    run font_ascii --warmup 5 --runs 50 \
        "$cli font --quiet --size 16 --chars 32-126 -o $work/f.h $font" \
        "$work/font-floor $font 16 32 126"
    ratio font_ascii 0 1 "font, 16 px, 32-126 / FreeType alone (goal 2x)"
    run font_wide --warmup 5 --runs 50 \
        "$cli font --quiet --size 16 --chars 0x20-0x2FF -o $work/f.h $font" \
        "$work/font-floor $font 16 0x20 0x2FF"
    ratio font_wide 0 1 "font, 16 px, 0x20-0x2FF / FreeType alone (goal 2x)"
}
echo "== Font (hyperfine)"
bench_font

echo "== System calls (strace -c)"
calls() { strace -f -c -o "$work/strace.txt" "$@" >/dev/null && awk '/total/ {print $4}' "$work/strace.txt"; }
rm -rf "$work/out" && mkdir "$work/out"
single=$(calls "$cli" convert --quiet --output-dir "$work/out" "$one")
rm -rf "$work/out" && mkdir "$work/out"
many=$(calls "$cli" convert --quiet --output-dir "$work/out" "$work"/in/*.bmp)
rm -rf "$work/out" && mkdir "$work/out"
strace -f -o "$work/trace.txt" "$cli" convert --quiet --output-dir "$work/out" "$one"
echo "the calls for one bitmap, leaving out the loader's:"
sed -n '/p001.bmp/,$p' "$work/trace.txt" | sed 's/^/    /'
{
    echo "system calls: $single for one bitmap, $(((many - single) / 399)) for each more"
    echo "shared objects loaded: $(ldd "$cli" | wc -l) (ldd $cli)"
} >>"$summary"

echo "== Summary, $(date -u +%F), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
cat "$summary"
