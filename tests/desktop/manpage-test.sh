#!/usr/bin/env bash
# The manual pages render without warnings and name every command and option that the programs'
# --help texts name.
#   manpage-test.sh TARNIX_CLI TARNIX MAN1_FOLDER
set -euo pipefail
cli=$1 app=$2 man1=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for page in "$man1"/tarnix.1* "$man1"/tarnix-cli.1*; do
  [ -f "$page" ] || { fail "no page $page"; continue; }
  # groff's own warnings (-ww) and man's (--warnings) must both be silent.
  warnings=$( { zcat -f "$page" | groff -man -Tutf8 -ww -z; } 2>&1)
  [ -z "$warnings" ] || fail "$page: groff warns: $warnings"
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: man warns: $warnings"
done

rendered() { zcat -f "$1" | MANWIDTH=200 man -l - 2>/dev/null | col -b; }
cli_page=$(rendered "$(ls "$man1"/tarnix-cli.1*)")
app_page=$(rendered "$(ls "$man1"/tarnix.1*)")

# Options are words starting with "-"; commands are the first word of each line under "commands".
options_of() { grep -oE '(^|[ \[|(])--?[a-z][a-z-]*' | sed -E 's/^[ \[|(]//' | sort -u; }
commands=$("$cli" --help | sed -n '/^commands/,/^$/p' | awk 'NF && !/^commands/ && /^  [a-z]/ {print $1}')
[ -n "$commands" ] || fail "tarnix-cli --help lists no commands"
for command in $commands; do
  grep -qE "^ +$command( |$)" <<<"$cli_page" || fail "tarnix-cli.1 does not describe the command $command"
  for option in $("$cli" "$command" --help | options_of); do
    grep -qF -- "$option" <<<"$cli_page" || fail "tarnix-cli.1 does not name $command's option $option"
  done
done
for option in $("$cli" --help | options_of); do
  grep -qF -- "$option" <<<"$cli_page" || fail "tarnix-cli.1 does not name $option"
done
for option in $("$app" --help | options_of); do
  grep -qF -- "$option" <<<"$app_page" || fail "tarnix.1 does not name $option"
done

[ "$failures" -eq 0 ] && echo "manual pages: rendered cleanly, every command and option named"
exit "$failures"
