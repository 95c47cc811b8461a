# fish completion for tarnix-cli

# The identifiers `tarnix-cli sources` lists under the given headings.
function __tarnix_cli_sources
    set -l heading
    timeout 5 tarnix-cli sources 2>/dev/null | while read -l line
        if string match -q -- '  *' $line
            if contains -- $heading $argv
                string trim -- $line | string split -f1 ' '
            end
        else
            set heading (string trim -c ':' -- $line)
        end
    end
end

set -l commands validate autozoom zoom-at export frame thumbnail cut text speed speed-idle demo sources record recover help
complete -c tarnix-cli -f
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -l verbose -d "Show the media libraries' own log lines"
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version'
complete -c tarnix-cli -s h -l help -d 'Print the help'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a validate -d 'Check that a recording document decodes'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a autozoom -d 'Print the automatic zoom regions'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a zoom-at -d 'Print the zoom rectangle at a time'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a export -d 'Export the edited recording'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a frame -d 'Render the composed frame at a time'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a thumbnail -d 'Write a thumbnail of the recording'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a cut -d 'Cut a span out of the recording'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a text -d 'Show text over the picture'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a speed -d 'Play a span of the recording faster or slower'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a speed-idle -d 'Play the idle stretches of the recording fast'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a demo -d 'Make a synthetic recording and export it'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a sources -d 'List what can be recorded'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a record -d 'Record the screen'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a help -d 'List the commands'

# Documents, and the files that commands write.
complete -c tarnix-cli -n "__fish_seen_subcommand_from validate autozoom zoom-at export frame thumbnail cut text speed speed-idle" -k -a "(__fish_complete_suffix .json)"
complete -c tarnix-cli -n "__fish_seen_subcommand_from text" -l at -x -d 'Centre of the text (X,Y fractions)'
complete -c tarnix-cli -n "__fish_seen_subcommand_from text" -l size -x -a '0.04 0.06 0.1' -d 'Line height (fraction of the picture)'
complete -c tarnix-cli -n "__fish_seen_subcommand_from text" -l color -x -a '#FFFFFF #000000 #FFD400' -d 'Colour of the text'
complete -c tarnix-cli -n "__fish_seen_subcommand_from text" -l background -d 'A rounded pill behind the text'

complete -c tarnix-cli -n "__fish_seen_subcommand_from export" -l resolution -x -a 'source 4k 1080p 720p' -d 'Frame size'
complete -c tarnix-cli -n "__fish_seen_subcommand_from export" -l format -x -a 'mp4 gif' -d 'File format'
complete -c tarnix-cli -n "__fish_seen_subcommand_from export" -l fps -x -a '30 60' -d 'Frames a second'
complete -c tarnix-cli -n "__fish_seen_subcommand_from export" -l loudness -x -a '-16 -14 -23' -d 'Target loudness (LUFS)'
complete -c tarnix-cli -n "__fish_seen_subcommand_from export frame" -l out -r -F -d 'The file to write'
complete -c tarnix-cli -n "__fish_seen_subcommand_from thumbnail" -l size -x -a '128 256 512 1024' -d 'Largest side in pixels'
complete -c tarnix-cli -n "__fish_seen_subcommand_from demo record" -l out -x -a '(__fish_complete_directories)' -d 'Folder to write into'
complete -c tarnix-cli -n "__fish_seen_subcommand_from record" -l source -x -a '(__tarnix_cli_sources displays windows applications)' -d 'What to record'
complete -c tarnix-cli -n "__fish_seen_subcommand_from record" -l camera -x -a '(__tarnix_cli_sources cameras)' -d 'Camera to record'
complete -c tarnix-cli -n "__fish_seen_subcommand_from record" -l mic -x -a '(__tarnix_cli_sources microphones)' -d 'Microphone to record'
complete -c tarnix-cli -n "__fish_seen_subcommand_from record" -l system-audio -d "Record the desktop's sound"
complete -c tarnix-cli -n "__fish_seen_subcommand_from record" -l keys -d 'Record the shortcuts pressed'
complete -c tarnix-cli -n "__fish_seen_subcommand_from record" -l all-keys -d 'Record every key pressed'
complete -c tarnix-cli -n "not __fish_seen_subcommand_from $commands" -a recover -d 'Write the documents of recordings that ended without one'
complete -c tarnix-cli -n "__fish_seen_subcommand_from recover" -x -a "(__fish_complete_directories)"
complete -c tarnix-cli -n "__fish_seen_subcommand_from record" -l duration -x -d 'Stop after this many seconds'
complete -c tarnix-cli -n "__fish_seen_subcommand_from record" -l area -x -d 'Record only X,Y,W,H of the display'
