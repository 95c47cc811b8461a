# bash completion for tarnix-cli

# The identifiers `tarnix-cli sources` lists under the given headings ("displays", "windows",
# "applications", "cameras", "microphones"), first word of each indented line.
_tarnix_cli_sources()
{
    local wanted=" $* " heading="" line
    while IFS= read -r line; do
        case $line in
            "  "*) [[ $wanted == *" $heading "* ]] && printf '%s\n' "${line#  }" | cut -d' ' -f1 ;;
            *:) heading=${line%:} ;;
        esac
    done < <(timeout 5 "${COMP_WORDS[0]}" sources 2>/dev/null)
}

_tarnix_cli()
{
    local cur prev words cword
    _init_completion || return

    local commands="validate autozoom zoom-at export frame thumbnail cut text speed speed-idle demo sources record recover help"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --verbose) ;;
            *) command=${words[i]}; break ;;
        esac
    done

    case $prev in
        --resolution) COMPREPLY=($(compgen -W "source 4k 1080p 720p" -- "$cur")); return ;;
        --format) COMPREPLY=($(compgen -W "mp4 gif" -- "$cur")); return ;;
        --fps) COMPREPLY=($(compgen -W "30 60" -- "$cur")); return ;;
        --loudness) COMPREPLY=($(compgen -W "-16 -14 -23" -- "$cur")); return ;;
        --size)
            [[ $command == text ]] || COMPREPLY=($(compgen -W "128 256 512 1024" -- "$cur"))
            return ;;
        --color) COMPREPLY=($(compgen -W "#FFFFFF #000000 #FFD400" -- "$cur")); return ;;
        --duration|--area|--at) return ;;
        --source)
            COMPREPLY=($(compgen -W "$(_tarnix_cli_sources displays windows applications)" -- "$cur"))
            return ;;
        --camera) COMPREPLY=($(compgen -W "$(_tarnix_cli_sources cameras)" -- "$cur")); return ;;
        --mic) COMPREPLY=($(compgen -W "$(_tarnix_cli_sources microphones)" -- "$cur")); return ;;
        --out)
            case $command in
                demo | record) _filedir -d ;;
                frame) _filedir '@(png|jpg|jpeg)' ;;
                export) _filedir '@(mp4|gif)' ;;
                *) _filedir ;;
            esac
            return ;;
    esac

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands --verbose --version --help" -- "$cur"))
        return
    fi

    local options=""
    case $command in
        export) options="--resolution --format --fps --out --loudness" ;;
        frame | demo) options="--out" ;;
        thumbnail) options="--size" ;;
        text) options="--at --size --color --background" ;;
        record) options="--source --camera --mic --system-audio --keys --all-keys --area --duration --out" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    case $command in
        validate | autozoom | zoom-at | export | frame | thumbnail | cut | text | speed | speed-idle)
            # The document comes first; thumbnail's second argument is the picture it writes.
            local positional=0
            for ((i = i + 1; i < cword; i++)); do
                [[ ${words[i]} == -* ]] && { ((i++)); continue; }
                ((positional++))
            done
            if ((positional == 0)); then
                _filedir json
            elif [[ $command == thumbnail && $positional == 1 ]]; then
                _filedir png
            fi
            ;;
        recover) _filedir -d ;;
    esac
}
complete -F _tarnix_cli tarnix-cli
