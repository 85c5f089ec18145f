# fish completion for pelmora-cli

set -l commands convert show
complete -c pelmora-cli -f
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -a convert -d 'Convert pictures into panel data'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -a show -d 'Show a panel data file'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -l help -d 'Show the usage'
complete -c pelmora-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'

complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l format -x -a 'db asm gas c arduino xbm bin ihex' -d 'The syntax'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l layout -x -a 'halves pages rows' -d 'How the bytes walk the panel'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l bit-order -x -a 'lsb msb' -d 'Which bit holds the top or leftmost dot'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l size -x -a '128x64 128x32 192x64 84x48 250x122' -d 'The panel, WIDTHxHEIGHT'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l block-width -x -a 64 -d 'Columns of one block in halves'
complete -c pelmora-cli -n "__fish_seen_subcommand_from $commands" -l help -d 'Show the usage'

complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l inverse -d "Dots in the palette's second colour are on"
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l name -x -d 'The symbol of the data'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l output-dir -x -a '(__fish_complete_directories)' -d 'Write the files into DIR'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l stdout -d 'Write the bytes to standard output'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -l quiet -d 'Do not print the paths written'
complete -c pelmora-cli -n "__fish_seen_subcommand_from convert" -F -a '(__fish_complete_suffix .bmp)'

complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l png -r -F -d 'Write the panel as a PNG'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l bmp -r -F -d 'Write the panel as a 1-bit BMP'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l scale -x -a '1 2 4 8' -d 'Pixels per dot in the PNG'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -l blocks -d 'Print half blocks, two rows to a character'
complete -c pelmora-cli -n "__fish_seen_subcommand_from show" -F
