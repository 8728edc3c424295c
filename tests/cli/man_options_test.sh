#!/usr/bin/env bash
# Each man page against its program's options: every option the program's reader takes is in the
# page, and every option the page lists (the item lines of its .TP lists) is one the program takes.
# The options come from the programs' hidden listings, which read the readers' own tables, and
# from velmar-writer's help; the EXIT STATUS list of velmar-fw's page is checked the same way
# against its exit-code table.
# Usage: man_options_test.sh BIN_DIR MAN_DIR
set -euo pipefail
# check runs at the end of a pipe: in this shell, so that its failures reach the exit status.
shopt -s lastpipe
bin="$1" man="$2"
status=0
fail() { echo "man page test: $*" >&2; status=1; }

fw_options() {
    local command
    "$bin/velmar-fw" --completion-words | grep '^-'
    for command in $("$bin/velmar-fw" --completion-words | grep -v '^-'); do
        "$bin/velmar-fw" --completion-words "$command"
    done
}

# page, then the options the program takes
check() {
    local page="$1" options listed option
    options="$(sort -u)"
    # Items: the line after .TP; "\-" is a hyphen.
    listed="$(awk 'previous == ".TP" { print } { previous = $0 }' "$page" |
        grep -o '\\-\(\\-\)\?[a-zA-Z][a-z0-9]*\(\\-[a-z0-9]\+\)*' | sed 's/\\-/-/g' | sort -u)"
    for option in $options; do
        grep -q -- "$(sed 's/-/\\\\-/g' <<<"$option")\([^a-z0-9\\]\|\\\\f\|$\)" "$page" ||
            fail "$(basename "$page") does not mention $option"
    done
    for option in $listed; do
        grep -qx -- "$option" <<<"$options" || fail "$(basename "$page") lists $option, which is no option"
    done
}

# "CODE COMMANDS" for each item of the page's EXIT STATUS, as velmar-fw --exit-codes prints them:
# the item's first line names its commands as .RB ( write ", " pin ), or none for every command.
man_exit_codes() {
    awk '/^\.SH/ { inside = ($0 == ".SH EXIT STATUS") }
        inside && previous == ".TP" && /^\.B [0-9]+$/ {
            code = $2; commands = ""
            getline
            if ($0 ~ /^\.RB \( /) {
                commands = $0
                sub(/^\.RB \( /, "", commands); sub(/ \)$/, "", commands)
                gsub(/ ", " /, ", ", commands)
            }
            print code " " commands
        }
        { previous = $0 }' "$1"
}

fw_options | check "$man/velmar-fw.1"
diff <(man_exit_codes "$man/velmar-fw.1") <("$bin/velmar-fw" --exit-codes) >&2 ||
    fail "velmar-fw.1's EXIT STATUS differs from velmar-fw --exit-codes (< page, > program)"
"$bin/velmar-radio" --list-options | check "$man/velmar-radio.1"
# The window's own options, as its help lists them; Qt's (--help-all) are the page's prose.
"$bin/velmar-writer" --help | grep -o '^  \(-[a-zA-Z], \)\?--[a-z-]*' |
    grep -o -- '--\?[a-zA-Z][a-z-]*' | check "$man/velmar-writer.1"
exit "$status"
