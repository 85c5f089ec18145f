# bash completion for pelmora-cli

_pelmora_cli() {
    local cur prev command i
    COMPREPLY=()
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    command=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            convert|show|prepare|font) command=${COMP_WORDS[i]}; break ;;
            build) command=build; break ;;
        esac
    done

    case $prev in
        --format) COMPREPLY=($(compgen -W "db asm gas c arduino xbm xbmp bin ihex" -- "$cur")); return ;;
        --layout) COMPREPLY=($(compgen -W "halves pages rows bitplanes" -- "$cur")); return ;;
        --bit-order) COMPREPLY=($(compgen -W "lsb msb" -- "$cur")); return ;;
        --size) COMPREPLY=($(compgen -W "128x64 128x32 192x64 84x48 250x122" -- "$cur")); return ;;
        --block-width) COMPREPLY=($(compgen -W "64" -- "$cur")); return ;;
        --panel) COMPREPLY=($(compgen -W "ks0108 ssd1306 ssd1306-128x32 sh1106 st7565 pcd8544 st7920 gfx-bitmap u8g2-xbm sh1106-ram ssd1322 ssd1325 ssd1327 st7528 uc1610 gxepd2-3c adafruit-epd-3c" -- "$cur")); return ;;
        --depth) COMPREPLY=($(compgen -W "1 2 4" -- "$cur")); return ;;
        --colours) COMPREPLY=($(compgen -W "black-red black-yellow" -- "$cur")); return ;;
        --mask) COMPREPLY=($(compgen -W "plane interleaved" -- "$cur") $(compgen -f -- "$cur")); return ;;
        --ink) COMPREPLY=($(compgen -W "0 1" -- "$cur")); return ;;
        --ram-width) COMPREPLY=($(compgen -W "132 480" -- "$cur")); return ;;
        --x-offset|--levels) return ;;
        --list) COMPREPLY=($(compgen -W "panels formats" -- "$cur")); return ;;
        --scale) COMPREPLY=($(compgen -W "1 2 4 8" -- "$cur")); return ;;
        --fit) COMPREPLY=($(compgen -W "contain cover stretch none" -- "$cur")); return ;;
        --background) COMPREPLY=($(compgen -W "white black" -- "$cur")); return ;;
        --dither) COMPREPLY=($(compgen -W "floyd-steinberg atkinson bayer threshold" -- "$cur")); return ;;
        --threshold) COMPREPLY=($(compgen -W "auto 128" -- "$cur")); return ;;
        --rotate) COMPREPLY=($(compgen -W "0 90 180 270" -- "$cur")); return ;;
        --mirror) COMPREPLY=($(compgen -W "horizontal vertical" -- "$cur")); return ;;
        --brightness|--contrast) COMPREPLY=($(compgen -W "-50 -20 0 20 50" -- "$cur")); return ;;
        -o) COMPREPLY=($(compgen -f -X '!*.[bB][mM][pP]' -- "$cur") $(compgen -d -- "$cur")); return ;;
        --name|--text|--chars|--cell) return ;;
        --hinting) COMPREPLY=($(compgen -W "normal light none" -- "$cur")); return ;;
        --compress) COMPREPLY=($(compgen -W "none packbits lzss arduboy auto" -- "$cur")); return ;;
        --output-dir) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --sheet|--delay|--frame) return ;;
        --depfile) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --gif) COMPREPLY=($(compgen -f -X '!*.gif' -- "$cur") $(compgen -d -- "$cur")); return ;;
        --png) COMPREPLY=($(compgen -f -X '!*.png' -- "$cur") $(compgen -d -- "$cur")); return ;;
        --bmp) COMPREPLY=($(compgen -f -X '!*.[bB][mM][pP]' -- "$cur") $(compgen -d -- "$cur")); return ;;
    esac

    local layout="--format --layout --bit-order --size --block-width --panel --ram-width --x-offset --depth --colours --ink --mask"
    local preparation="--fit --background --dither --threshold --brightness --contrast --rotate --mirror --invert --levels"
    case $command in
        "")
            COMPREPLY=($(compgen -W "convert prepare show font --list --help --version" -- "$cur"))
            COMPREPLY+=($(compgen -W "build" -- "$cur"))
            ;;
        convert)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--inverse $layout $preparation --name --output-dir --stdout --quiet --frames --sheet --delay --merge-repeats --compress --delta -o --help --" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -- "$cur"))
            fi
            ;;
        prepare)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--size --depth --colours $preparation -o --output-dir --quiet --help --" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -- "$cur"))
            fi
            ;;
        show)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$layout --png --bmp --scale --blocks --text --cell --frames --frame --gif --compress --delta --help --" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -- "$cur"))
            fi
            ;;
        font)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--size --chars --format --name --cell --layout --bit-order --hinting -o --output-dir --stdout --quiet --help --" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -- "$cur"))
            fi
            ;;
        build)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--check --depfile --output-dir --quiet --help --" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -X '!*.toml' -- "$cur") $(compgen -d -- "$cur"))
            fi
            ;;
    esac
}
complete -o filenames -F _pelmora_cli pelmora-cli
