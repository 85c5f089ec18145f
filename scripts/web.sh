#!/usr/bin/env bash
# Builds the page: the core and the Qt-free readers compiled to WebAssembly with Debian's
# emscripten, into build-web/pelmora.html (one file, the modules inlined, that works opened
# from disk) and build-web/site/ (the same page as separate files, for hosting).
# The C libraries the readers need are built from Debian's own source packages, fetched
# through a source list and apt state of this script's own: the machine's are not changed.
# Safe to run again: what is installed or built already is skipped. Needs root (or sudo)
# for the packages.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${PELMORA_WEB_BUILD:-$root/build-web}
deps=$out/deps
prefix=$deps/prefix
jobs=$(nproc 2>/dev/null || echo 2)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
fi

# emscripten to compile; Chromium, its driver and Selenium for the page's tests.
packages=(emscripten dpkg-dev chromium chromium-driver python3-selenium libtomlplusplus-dev)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

mkdir -p "$deps/src" "$prefix/include" "$prefix/lib"

# The deb-src lines of the machine's own Debian archive (deb822 or one-line form).
apt_options=()
source_list() {
    local list=$deps/apt/sources.list
    mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial"
    {
        for file in /etc/apt/sources.list.d/*.sources; do
            [ -f "$file" ] || continue
            awk '
                function flush() {
                    if (types ~ /deb/ && uris ~ /debian/ && uris !~ /security/ && suites != "") {
                        n = split(suites, s, " ")
                        split(uris, u, " ")
                        for (i = 1; i <= n; i++) {
                            opt = keyring == "" ? "" : "[signed-by=" keyring "] "
                            print "deb-src " opt u[1] " " s[i] " " comps
                        }
                    }
                    types = uris = suites = comps = keyring = ""
                }
                /^[ \t]*$/ { flush(); next }
                /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
                /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
                /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
                /^Components:/ { sub(/^Components:[ \t]*/, ""); comps = $0 }
                /^Signed-By:/ { sub(/^Signed-By:[ \t]*/, ""); keyring = $0 }
                END { flush() }
            ' "$file"
        done
        for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [ -f "$file" ] || continue
            grep -E '^[[:space:]]*deb[[:space:]]' "$file" | grep debian | grep -v security |
                sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' || true
        done
    } | sort -u >"$list"
    if [ ! -s "$list" ]; then
        echo "web.sh: no Debian archive found in /etc/apt to fetch sources from" >&2
        exit 1
    fi
    apt_options=(-o "Dir::Etc::SourceList=$list" -o "Dir::Etc::SourceParts=-"
        -o "Dir::State::Lists=$deps/apt/lists" -o "Dir::Cache=$deps/apt/cache"
        -o "Dir::State::Status=/var/lib/dpkg/status")
}

# Unpacks Debian's source of package into deps/src/<package> once.
fetch() {
    local package=$1
    [ -d "$deps/src/$package" ] && return 0
    if [ ${#apt_options[@]} -eq 0 ]; then
        source_list
        apt-get "${apt_options[@]}" update
    fi
    local work=$deps/src/.fetch-$package
    rm -rf "$work"
    mkdir -p "$work"
    (cd "$work" && apt-get "${apt_options[@]}" source --only-source "$package")
    local unpacked
    unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    mv "$unpacked" "$deps/src/$package"
    rm -rf "$work"
}

# Compiles the C files given into prefix/lib/lib<name>.a.
compile_library() {
    local name=$1 dir=$2
    shift 2
    local objects=$deps/obj/$name
    mkdir -p "$objects"
    local objs=()
    for file in "$@"; do
        local obj
        obj=$objects/$(basename "$file" .c).o
        emcc -Oz -c "$dir/$file" -o "$obj" "${cflags[@]}"
        objs+=("$obj")
    done
    rm -f "$prefix/lib/lib$name.a"
    emar rcs "$prefix/lib/lib$name.a" "${objs[@]}"
}

# A pkg-config file for a library built here.
pc_file() {
    mkdir -p "$prefix/lib/pkgconfig"
    printf 'prefix=%s\nName: %s\nDescription: %s\nVersion: %s\nCflags: -I${prefix}/include\nLibs: -L${prefix}/lib %s\n' \
        "$prefix" "$1" "$1" "$2" "$3" >"$prefix/lib/pkgconfig/$1.pc"
}

if [ ! -f "$prefix/lib/libz.a" ]; then
    echo "== zlib"
    fetch zlib
    src=$deps/src/zlib
    cflags=(-DHAVE_UNISTD_H -DHAVE_STDARG_H)
    compile_library z "$src" adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c \
        gzwrite.c infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
    cp "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
    pc_file zlib 1.2.13 -lz
fi

if [ ! -f "$prefix/lib/libdeflate.a" ]; then
    echo "== libdeflate"
    fetch libdeflate
    src=$deps/src/libdeflate
    cflags=(-I"$src")
    files=()
    for file in "$src"/lib/*.c; do
        files+=("lib/$(basename "$file")")
    done
    compile_library deflate "$src" "${files[@]}"
    cp "$src/libdeflate.h" "$prefix/include/"
    pc_file libdeflate 1 -ldeflate
fi

if [ ! -f "$prefix/lib/libspng.a" ]; then
    echo "== libspng"
    fetch libspng
    src=$deps/src/libspng
    cflags=(-I"$prefix/include" -DSPNG_STATIC)
    compile_library spng "$src" spng/spng.c
    cp "$src/spng/spng.h" "$prefix/include/"
    pc_file spng 0.7 "-lspng -lz"
fi

if [ ! -f "$prefix/lib/libgif.a" ]; then
    echo "== giflib"
    fetch giflib
    src=$deps/src/giflib
    cflags=(-I"$src")
    compile_library gif "$src" dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_hash.c \
        openbsd-reallocarray.c quantize.c
    cp "$src/gif_lib.h" "$prefix/include/"
fi

# The stamp names the flags: a library built before them is built again.
if [ ! -f "$prefix/lib/libjpeg.no-getenv-arith-lean" ]; then
    echo "== libjpeg-turbo"
    fetch libjpeg-turbo
    # The reader decodes every pixel at full size with fancy upsampling and quantizes no
    # colours: scaled IDCTs, merged upsampling and colour quantizing are left out of the
    # page, which changes none of its pixels.
    sed -i -E 's@^#define (IDCT_SCALING|UPSAMPLE_MERGING|QUANT_1PASS|QUANT_2PASS)_SUPPORTED@/* & */@' \
        "$deps/src/libjpeg-turbo/jmorecfg.h"
    # NO_GETENV: JPEGMEM is read with sscanf, which would bring a whole scanner along
    # (and errno.h, which jinclude.h then forgets).
    emcmake cmake -S "$deps/src/libjpeg-turbo" -B "$deps/build/libjpeg-turbo" -G Ninja \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_C_FLAGS_MINSIZEREL="-Oz -DNDEBUG -DNO_GETENV -include errno.h" \
        -DWITH_ARITH_DEC=ON -DWITH_ARITH_ENC=OFF -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF \
        -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
        -DCMAKE_INSTALL_LIBDIR=lib -DHAVE_SIZE_T=TRUE -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=TRUE \
        -DUNSIGNED_LONG=4 # emscripten's CMake cannot run the test that finds these
    cmake --build "$deps/build/libjpeg-turbo" --parallel "$jobs" --target jpeg-static
    cp "$deps/build/libjpeg-turbo/libjpeg.a" "$prefix/lib/"
    cp "$deps/src/libjpeg-turbo/jpeglib.h" "$deps/src/libjpeg-turbo/jmorecfg.h" \
        "$deps/src/libjpeg-turbo/jerror.h" "$deps/build/libjpeg-turbo/jconfig.h" "$prefix/include/"
    touch "$prefix/lib/libjpeg.no-getenv-arith-lean"
fi

# The stamp names the modules left out: a library built with them is built again.
if [ ! -f "$prefix/lib/libfreetype.no-sdf" ]; then
    echo "== FreeType"
    fetch freetype
    # Glyphs are rendered in one bit (FT_RENDER_MODE_MONO): the signed-distance-field
    # renderers are never asked for, and left out of the page.
    sed -i -E 's@^FT_USE_MODULE\( FT_Renderer_Class, ft_(bitmap_)?sdf_renderer_class \)@/* & */@' \
        "$deps/src/freetype/include/freetype/config/ftmodule.h"
    emcmake cmake -S "$deps/src/freetype" -B "$deps/build/freetype" -G Ninja \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_C_FLAGS_MINSIZEREL="-Oz -DNDEBUG" -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
        -DFT_DISABLE_BROTLI=ON -DFT_REQUIRE_ZLIB=ON -DZLIB_LIBRARY="$prefix/lib/libz.a" \
        -DZLIB_INCLUDE_DIR="$prefix/include" -DCMAKE_INSTALL_LIBDIR=lib
    cmake --build "$deps/build/freetype" --parallel "$jobs"
    cmake --install "$deps/build/freetype" >/dev/null
    touch "$prefix/lib/libfreetype.no-sdf"
fi

# toml++ is header-only; a copy beside the libraries keeps the system's headers out.
if [ ! -d "$prefix/include/toml++" ]; then
    cp -r /usr/include/toml++ "$prefix/include/"
fi

echo "== The page"
# emscripten's JavaScript tools need Debian's node-acorn, which a Node.js from elsewhere
# does not look for.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S "$root/web" -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPELMORA_WEB_PREFIX="$prefix" -DPELMORA_WEB_OUT="$out" -DPELMORA_WERROR=ON
cmake --build "$out/cmake" --parallel "$jobs"
echo "web.sh: $out/pelmora.html and $out/site/"
