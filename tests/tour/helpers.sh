# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # fail is the tour's; $out and tour_kvxctl come from it
# The tour's one set of helpers, sourced by kvxctl_tour.sh. Each runs kvxctl
# through tour_kvxctl (the native program, or kvxctl.exe under Wine), shows the
# command and what it wrote, leaves that in the file $out, and on a mismatch
# prints a line beginning "FAIL:" and sets fail=1; the tour goes on.
#   run WANT -- ARGS...             exit code one of WANT (a list: "0 1")
#   shows PATTERN                   the last output matches PATTERN
#   expect WANT PATTERN -- ARGS...  run, then shows
#   expect_once WANT PATTERN -- ARGS...   PATTERN matches exactly one line
#   expect_json WANT CONDITION -- ARGS... with --json, standard output is one JSON
#                                   document (python3's parser, ASCII) for which the
#                                   condition on `d` holds; with CONDITION '' (a
#                                   failure) standard output stays empty
#   json_holds CONDITION            the last JSON document meets another condition
#   expect_refused WANT PATTERN -- ARGS... with --json: nothing on standard output and
#                                   one message on standard error (one line that
#                                   begins "kvxctl:", any further ones indented under
#                                   it) matching PATTERN
#   fails MESSAGE                   records a failure the tour found itself
#   nothing_left DIR WHAT           DIR holds no file
fail=0 failures=0

fails() {
    echo "FAIL: $*"
    fail=1
    failures=$((failures + 1))
}

# kvxctl_to STDOUT STDERR ARGS...: runs kvxctl, each stream into its file (carriage
# returns dropped; STDERR may be /dev/null); its exit code in $last_exit.
kvxctl_to() {
    local stdout=$1 stderr=$2
    shift 2
    last_exit=0
    tour_kvxctl "$@" >"$out.stdout-raw" 2>"$out.stderr-raw" || last_exit=$?
    tr -d '\r' <"$out.stdout-raw" >"$stdout"
    [ "$stderr" = /dev/null ] || tr -d '\r' <"$out.stderr-raw" >"$stderr"
    rm -f "$out.stdout-raw" "$out.stderr-raw"
}

# exit_is WANT: the last exit code is one of WANT.
exit_is() { [[ " $1 " == *" $last_exit "* ]]; }

run() {
    local want=$1
    shift 2
    echo "\$ kvxctl $*"
    last_exit=0
    tour_kvxctl "$@" >"$out.raw" 2>&1 || last_exit=$?
    tr -d '\r' <"$out.raw" | tee "$out"
    rm -f "$out.raw"
    exit_is "$want" || fails "kvxctl $* exited $last_exit, expected $want"
}

shows() {
    grep -q -- "$1" "$out" || fails "expected output matching '$1'"
}

expect() {
    local want=$1 pattern=$2
    shift 3
    run "$want" -- "$@"
    shows "$pattern"
}

expect_once() {
    local want=$1 pattern=$2
    shift 3
    run "$want" -- "$@"
    [ "$(grep -c -- "$pattern" "$out")" = 1 ] || fails "expected '$pattern' on exactly one line"
}

json_holds() {
    python3 -c 'import json, sys
d = json.loads(open(sys.argv[2], "rb").read().decode("ascii"))
sys.exit(0 if eval(sys.argv[1]) else 1)' "$1" "$out" 2>/dev/null ||
        fails "expected a JSON document for which $1"
}

expect_json() {
    local want=$1 condition=$2
    shift 3
    echo "\$ kvxctl --json $*"
    kvxctl_to "$out" /dev/null --json "$@"
    cat "$out"
    exit_is "$want" || fails "kvxctl --json $* exited $last_exit, expected $want"
    if [ -z "$condition" ]; then
        [ ! -s "$out" ] || fails "kvxctl --json $* wrote on standard output"
    else
        json_holds "$condition"
    fi
}

expect_refused() {
    local want=$1 pattern=$2
    shift 3
    echo "\$ kvxctl --json $*"
    kvxctl_to "$out.stdout" "$out" --json "$@"
    cat "$out"
    exit_is "$want" && [ ! -s "$out.stdout" ] && [ "$(grep -c '^kvxctl:' "$out")" = 1 ] &&
        grep -q -- "$pattern" "$out" ||
        fails "kvxctl --json $* exited $last_exit (expected $want, no output, one message '$pattern')"
    rm -f "$out.stdout"
}

nothing_left() {
    local left
    left=$(find "$1" -type f)
    [ -z "$left" ] || fails "$2 left files behind: $left"
}
