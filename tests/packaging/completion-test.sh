#!/bin/bash
# Drives the vantor-cli completion the way bash does on Tab: through the function that
# `complete -p` names, with COMP_WORDS as typed.
# usage: completion-test.sh COMPLETION_SCRIPT VANTOR_CLI
set -u
script=$1 cli=$2
source /usr/share/bash-completion/bash_completion || { echo "bash-completion is not installed"; exit 1; }
source "$script"
fn=$(complete -p vantor-cli | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
[[ -n $fn ]] || { echo "no completion function registered for vantor-cli"; exit 1; }

failures=0
# complete LINE...: the words typed so far, the last one being completed.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$fn" vantor-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
}
expect() {  # expect WHAT WANTED [UNWANTED]
    local what=$1 wanted=$2 unwanted=${3:-} got=" ${COMPREPLY[*]} "
    if [[ $got != *" $wanted "* ]]; then
        echo "FAIL $what: '$wanted' not offered (got:${got})"; failures=$((failures + 1))
    elif [[ -n $unwanted && $got == *" $unwanted "* ]]; then
        echo "FAIL $what: '$unwanted' offered (got:${got})"; failures=$((failures + 1))
    else
        echo "ok   $what"
    fi
}

complete_words "$cli" wr
expect "a command" write-fuse program
complete_words "$cli" ga
expect "the gang command" gang
complete_words "$cli" --sim
expect "a global option" --simulate --json
complete_words "$cli" program --no
expect "an operation option" --no-id-check
complete_words "$cli" gang au
expect "an operation after gang" auto devices
complete_words "$cli" --model TR610 program -d AT89S5
expect "a device name prefix" AT89S52 AT89C51
complete_words "$cli" program -d ATMEL/AT89S5
expect "a vendor/device prefix" ATMEL/AT89S52
complete_words "$cli" serial-pool re
expect "a serial-pool action" reclaim report
complete_words "$cli" serial-pool create line --format a
expect "a pool's format" ascii-dec
complete_words "$cli" convert --from ""
expect "a data-file format" xtek

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/firmware.hex" "$scratch/other.bin"
complete_words "$cli" program -f "$scratch/firm"
expect "a file for -f" "$scratch/firmware.hex" "$scratch/other.bin"

exit $((failures > 0))
