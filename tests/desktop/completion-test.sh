#!/usr/bin/env bash
# Drives tarnix-cli's bash completion as bash does on Tab, against a stand-in tarnix-cli whose
# `sources` prints a known listing; checks the zsh and fish completions parse.
#   completion-test.sh COMPLETIONS_FOLDER   (holding tarnix-cli.bash or tarnix-cli, _tarnix-cli,
#                                            tarnix-cli.fish)
set -uo pipefail
folder=$1
bash_file=$folder/tarnix-cli.bash
[ -f "$bash_file" ] || bash_file=$folder/tarnix-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/tarnix-cli" <<'STUB'
#!/bin/sh
[ "$1" = sources ] || exit 2
cat <<'LIST'
displays:
  display-0  Screen 1  [[0, 0], [1920, 1080]]  (primary)
windows:
  window-4194311  "Notes — Editor"  editor  [[10, 10], [800, 600]]
applications:
  app-org.example.Editor  Editor  (pid 42)
cameras:
  /dev/video0  Integrated Camera
microphones:
  alsa_input.usb-mic  USB Microphone
LIST
STUB
chmod +x "$work/tarnix-cli"
mkdir -p "$work/docs/sub"
touch "$work/docs/rec.tarnix.json" "$work/docs/notes.txt" "$work/docs/shot.png"

# run_completion LINE: the sorted candidates for Tab at the end of LINE, with the stand-in first
# on PATH.
# shellcheck disable=SC2016
run_completion() {
  bash --norc --noprofile -c '
    PATH=$2:$PATH
    source /usr/share/bash-completion/bash_completion
    source "$1"
    cd "$2/docs"
    COMP_LINE=$3
    read -r -a COMP_WORDS <<<"$COMP_LINE"
    [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_POINT=${#COMP_LINE}
    _tarnix_cli tarnix-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
  ' _ "$bash_file" "$work" "$1"
}

failures=0
expect() { # LINE EXPECTED
  local got
  got=$(run_completion "$1")
  if [ "$got" != "$2" ]; then
    echo "FAIL: completing '$1': got '$got', expected '$2'"
    failures=$((failures + 1))
  fi
}

registered=$(bash --norc --noprofile -c 'source "$1"; complete -p tarnix-cli' _ "$bash_file")
[[ $registered == "complete -F _tarnix_cli tarnix-cli" ]] ||
  { echo "FAIL: complete -p tarnix-cli says '$registered'"; failures=$((failures + 1)); }

expect "tarnix-cli ex" "export "
expect "tarnix-cli --verbose th" "thumbnail "
expect "tarnix-cli export rec.tarnix.json --resolution " "1080p 4k 720p source "
expect "tarnix-cli export rec.tarnix.json --format g" "gif "
expect "tarnix-cli export rec.tarnix.json --fps " "30 60 "
expect "tarnix-cli export rec.tarnix.json --" "--format --fps --help --loudness --out --resolution "
expect "tarnix-cli record --source " "app-org.example.Editor display-0 window-4194311 "
expect "tarnix-cli record --source display-0 --camera " "/dev/video0 "
expect "tarnix-cli record --mic " "alsa_input.usb-mic "
expect "tarnix-cli validate " "rec.tarnix.json sub "
expect "tarnix-cli thumbnail rec.tarnix.json " "shot.png sub "
expect "tarnix-cli demo --out " "sub "
expect "tarnix-cli text rec.tarnix.json 1 2 Hello --" "--at --background --color --help --size "
expect "tarnix-cli text rec.tarnix.json 1 2 Hello --size " " "
expect "tarnix-cli thumbnail rec.tarnix.json x.png --size " "1024 128 256 512 "

zsh -n "$folder/_tarnix-cli" || { echo "FAIL: zsh completion"; failures=$((failures + 1)); }
fish -n "$folder/tarnix-cli.fish" || { echo "FAIL: fish completion"; failures=$((failures + 1)); }
got=$(fish --no-config -c "source '$folder/tarnix-cli.fish'; complete -C 'tarnix-cli export x.json --format '" | cut -f1 | sort | tr '\n' ' ')
[ "$got" = "gif mp4 " ] || { echo "FAIL: fish completes --format with '$got'"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "completions: all cases passed"
exit "$failures"
