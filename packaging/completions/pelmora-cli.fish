# fish completion for pelmora-cli

set -l commands convert show prepare font
set -a commands build
complete -c pelmora-cli -f
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -a convert -d 'Convert pictures into panel data'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -a show -d 'Show a panel data file'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -a prepare -d 'Make any picture a 1-bit BMP of the panel'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -a font -d 'Make a font into font data'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -a build -d 'Make the assets of a manifest into one header'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -l list -x -a 'panels formats' -d 'List the panels or the formats'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -l help -d 'Show the usage'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'

complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l format -x -a 'db asm gas c arduino xbm xbmp bin ihex' -d 'The syntax'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l layout -x -a 'halves pages rows bitplanes' -d 'How the bytes walk the panel'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l bit-order -x -a 'lsb msb' -d 'Which bit holds the top or leftmost dot'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l size -x -a '128x64 128x32 192x64 84x48 250x122' -d 'The panel, WIDTHxHEIGHT'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l block-width -x -a 64 -d 'Columns of one block in halves'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show" -l panel -x -a 'ks0108 ssd1306 ssd1306-128x32 sh1106 st7565 pcd8544 st7920 gfx-bitmap u8g2-xbm sh1106-ram ssd1322 ssd1325 ssd1327 st7528 uc1610 gxepd2-3c adafruit-epd-3c' -d 'A known panel'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show" -l ram-width -x -a '132 480' -d "Columns of the controller's RAM"
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show" -l x-offset -x -d "The picture's first column in the RAM"
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show prepare" -l depth -x -a '1 2 4' -d 'Bits a dot'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show prepare" -l colours -x -a 'black-red black-yellow' -d 'Tri-colour e-paper planes'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show" -l ink -x -a '0 1' -d 'With --colours, the bit that marks ink'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show" -l mask -a 'plane interleaved' -d 'A plane of the opaque dots'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l help -d 'Show the usage'

complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l inverse -d "Dots in the palette's second colour are on"
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l name -x -d 'The symbol of the data'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l output-dir -x -a '(__fish_complete_directories)' -d 'Write the files into DIR'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l stdout -d 'Write the bytes to standard output'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l quiet -d 'Do not print the paths written'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -F
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l frames -d 'The frames of every picture into one output'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l sheet -x -d 'Cut each picture into frames of WIDTHxHEIGHT'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l delay -x -d "A still picture's delay in milliseconds"
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l merge-repeats -d 'Drop a frame equal to the one before it'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -s o -r -F -d 'With --frames, the file to write'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show" -l compress -x -a 'none packbits lzss arduboy auto' -d 'Pack the bytes'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert show" -l delta -d 'Frames packed XORed with the one before'

set -l preparing "__fish_seen_subcommand_from convert prepare"
complete -c pelmora-cli -n $preparing -l fit -x -a 'contain cover stretch none' -d 'How the picture fills the panel'
complete -c pelmora-cli -n $preparing -l background -x -a 'white black' -d 'Under transparency and margins'
complete -c pelmora-cli -n $preparing -l dither -x -a 'floyd-steinberg atkinson bayer threshold' -d 'How grey becomes dots'
complete -c pelmora-cli -n $preparing -l threshold -x -a 'auto 128' -d 'On where grey is below N'
complete -c pelmora-cli -n $preparing -l brightness -x -d '-100 to 100'
complete -c pelmora-cli -n $preparing -l contrast -x -d '-100 to 100'
complete -c pelmora-cli -n $preparing -l rotate -x -a '0 90 180 270' -d 'Clockwise, before fitting'
complete -c pelmora-cli -n $preparing -l mirror -x -a 'horizontal vertical' -d 'Before fitting'
complete -c pelmora-cli -n $preparing -l invert -d 'Flip every dot of the result'
complete -c pelmora-cli -n $preparing -l levels -x -d 'The grey of each level, level 0 first'
complete -c pelmora-cli -n "__fish_seen_subcommand_from prepare" -l size -x -a '128x64 128x32 192x64 84x48 250x122' -d 'The panel, WIDTHxHEIGHT'
complete -c pelmora-cli -n "__fish_seen_subcommand_from prepare" -s o -r -F -d 'The BMP to write'
complete -c pelmora-cli -n "__fish_seen_subcommand_from prepare" -l output-dir -x -a '(__fish_complete_directories)' -d 'Write the BMPs into DIR'
complete -c pelmora-cli -n "__fish_seen_subcommand_from prepare" -l quiet -d 'Do not print the paths written'
complete -c pelmora-cli -n "__fish_seen_subcommand_from prepare" -F

complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l png -r -F -d 'Write the panel as a PNG'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l bmp -r -F -d 'Write the panel as a 1-bit BMP'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l scale -x -a '1 2 4 8' -d 'Pixels per dot in the PNG'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l blocks -d 'Print half blocks, two rows to a character'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l frames -d 'Read the file as frames'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l frame -x -d 'Only frame N'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l gif -r -F -d 'Write the frames as an animated GIF'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -F
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l text -x -d 'Draw the text in a font file'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l cell -x -d "A font table's cell"

complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l size -x -a '8 12 16 24 32' -d 'The pixel size'
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l chars -x -d 'The characters, ranges or @FILE'
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l format -x -a 'gfxfont u8g2' -d 'The font data'
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l name -x -d 'The symbol of the data'
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l cell -x -a '5x8 8x8 8x16' -d "A table's cell"
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l hinting -x -a 'normal light none' -d "FreeType's hinting"
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -s o -r -F -d 'The file to write'
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l output-dir -x -a '(__fish_complete_directories)' -d 'Write the files into DIR'
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l stdout -d 'Write to standard output'
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -l quiet -d 'Do not print the paths written'
complete -c pelmora-cli -n "__fish_seen_subcommand_from font" -F
complete -c pelmora-cli -n "__fish_seen_subcommand_from build" -l check -d 'Write nothing; name each output a build would change'
complete -c pelmora-cli -n "__fish_seen_subcommand_from build" -l depfile -r -F -d 'Also write the dependencies for Make and Ninja'
complete -c pelmora-cli -n "__fish_seen_subcommand_from build" -l output-dir -x -a '(__fish_complete_directories)' -d 'Write the outputs into DIR'
complete -c pelmora-cli -n "__fish_seen_subcommand_from build" -l quiet -d 'Do not print the paths written'
complete -c pelmora-cli -n "__fish_seen_subcommand_from build" -l help -d 'Show the usage'
complete -c pelmora-cli -n "__fish_seen_subcommand_from build" -F
