#!/usr/bin/env bash
# The bash completion scripts as bash calls them: the words typed so far in COMP_WORDS, the one
# being completed in COMP_CWORD, the function registered with `complete`, its answer in COMPREPLY.
# Usage: completion_test.sh BIN_DIR COMPLETION_DIR
set -uo pipefail
bin="$1" scripts="$2"
exec bash --norc -c '
bin="$1" scripts="$2" status=0
source "$scripts/velmar-fw" && source "$scripts/velmar-radio" || exit 1
# program | words after it, the last one being completed ("" for a new word) | expected answer
while IFS="|" read -r program words expected; do
    function="$(complete -p "$program" | sed -n "s/.*-F \([^ ]*\) .*/\1/p")"
    eval "COMP_WORDS=(\"$bin/$program\" $words)"
    eval "expected=\"$expected\""
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    "$function"
    [ "${COMPREPLY[*]}" = "$expected" ] ||
        { echo "completion of \"$program $words\": got \"${COMPREPLY[*]}\", expected \"$expected\""; status=1; }
done <<"TABLE"
velmar-fw|""|info dump checksum write write-earlier pin log ports -h --help -V --version
velmar-fw|w|write write-earlier
velmar-fw|write --|--help --port --loader --trace --quiet --verbose --report
velmar-fw|write f.mot --loader ""|1.05 1.06
velmar-fw|pin --op ""|low high input read
velmar-fw|write-earlier f.mot --speed ""|9600 38400 4800
velmar-fw|pin -p 1|1 10 11 12 13 14 15 16
velmar-fw|dump f.mot -|-h --help -o --output
velmar-fw|write f.mot --port = 1|1 10 11 12 13 14 15 16
velmar-fw|info "$scripts/velmar-r"|$scripts/velmar-radio
velmar-radio|--l|--link --log --loader
velmar-radio|--loader ""|1.05 1.06
TABLE
exit $status
' completion_test "$bin" "$scripts"
