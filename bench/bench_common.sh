# Shared by the rewrite benchmarks (sourced): checks the programs, makes a work folder whose
# runs stay out of the user's service log, and stops a radio left running on any exit.
# Needs `bin` set; sets `work` and `radio_pid`; stop_radios ends the radio started last.

require_programs() {  # require_programs PROGRAM...
    for program in "$@"; do
        [ -x "$bin/$program" ] || { echo "no $bin/$program: build it first (cmake --build ... --target $program)" >&2; exit 1; }
    done
    [ -x /usr/bin/time ] || { echo "needs GNU time (/usr/bin/time)" >&2; exit 1; }
}

work=$(mktemp -d)
export XDG_STATE_HOME="$work/state"
radio_pid=""
cleanup() {
    [ -n "$radio_pid" ] && kill "$radio_pid" 2>/dev/null && wait "$radio_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

stop_radios() {
    kill "$radio_pid"
    wait "$radio_pid" || true
    radio_pid=""
}
