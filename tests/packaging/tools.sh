#!/bin/sh
# Every installed program explains itself: --help (usage, options, an example) and --version
# exit 0, a wrong argument exits 2 with the usage on standard error, and its manual page
# documents every option its --help lists.
# usage: tools.sh <version> <brivora> <tools folder> <brivora-launch> <manual pages folder>
set -eu
absolute() { echo "$(cd "$(dirname "$1")" && pwd -P)/$(basename "$1")"; }
version="$1" brivora="$(absolute "$2")" tools="$(absolute "$3")" launcher="$4" pages="$5"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# run <command...>: the status, standard output and standard error of one run.
run() {
    status=0
    "$@" >"$tmp/out" 2>"$tmp/err" </dev/null || status=$?
}
expect() { # expect <what> <status>
    [ "$status" -eq "$2" ] || fail "$1: exit $status instead of $2; stderr: $(cat "$tmp/err")"
}

check() { # check <program> <command...>
    program="$1"
    shift
    run "$@" --help
    expect "$program --help" 0
    head -n 1 "$tmp/out" | grep -q "^usage: $program\( \|\$\)" || fail "$program --help: no usage line"
    grep -q "^ *-h, --help  " "$tmp/out" || fail "$program --help: no line for --help"
    grep -q "^ *--version  " "$tmp/out" || fail "$program --help: no line for --version"
    grep -A1 "^Example:" "$tmp/out" | grep -q "^  .*$program" || fail "$program --help: no example"
    [ ! -s "$tmp/err" ] || fail "$program --help wrote to stderr: $(cat "$tmp/err")"
    # Every option the help lists is in the manual page, written as roff writes a dash.
    page="$pages/$program.1"
    if [ ! -f "$page" ]; then
        fail "$program: no manual page $page"
    else
        for option in $(grep -o -- '--[a-z][a-z-]*' "$tmp/out" | sort -u); do
            grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" "$page" ||
                fail "$program: $option is not in $page"
        done
        grep -q "^$program \\\\- " "$page" || fail "$page: its NAME line is not \"$program \\- ...\""
    fi

    run "$@" --version
    expect "$program --version" 0
    [ "$(cat "$tmp/out")" = "$program $version" ] || fail "$program --version said: $(cat "$tmp/out")"

    run "$@" --no-such-option
    expect "$program --no-such-option" 2
    grep -q "^usage: " "$tmp/err" || fail "$program --no-such-option: no usage on stderr: $(cat "$tmp/err")"
    [ ! -s "$tmp/out" ] || fail "$program --no-such-option wrote to stdout: $(cat "$tmp/out")"
}

# The window program answers without a display, and refuses a wrong argument without one;
# Qt's own options are Qt's.
check brivora env QT_QPA_PLATFORM=offscreen "$brivora"
for option in --help --version; do
    run env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$brivora" "$option"
    expect "brivora $option without a display" 0
done
run env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$brivora" --bogus
expect "brivora --bogus without a display" 2
grep -q "^usage: brivora$" "$tmp/err" || fail "brivora --bogus: no usage on stderr: $(cat "$tmp/err")"
run env QT_QPA_PLATFORM=offscreen "$brivora" -platform offscreen Dovrel.mdb
expect "brivora Dovrel.mdb" 2
grep -q "^usage: brivora$" "$tmp/err" || fail "brivora Dovrel.mdb: no usage on stderr: $(cat "$tmp/err")"

for tool in brivora-newdb brivora-modemsim brivora-pdu brivora-import brivora-export brivora-report brivora-copy; do
    check "$tool" "$tools/$tool"
done

# Arguments missing or wrong, each tool's own way.
for command in "brivora-newdb" "brivora-pdu +60123456789 0198765432" "brivora-import a.mdb b.xls" \
    "brivora-import a.mdb b.xls --merge" "brivora-export a.mdb" "brivora-report a.mdb one out.pdf" \
    "brivora-copy a.mdb" "brivora-modemsim stray"; do
    set -- $command
    tool="$1"
    shift
    run "$tools/$tool" "$@"
    expect "$command" 2
    grep -q "^usage: $tool " "$tmp/err" || fail "$command: no usage on stderr: $(cat "$tmp/err")"
done
# A message may start with a dash.
run "$tools/brivora-pdu" +60123456789 0198765432 "-50% today"
expect "brivora-pdu with a dashed text" 0

# An argument's description goes on under its first line, not at the margin.
for tool in brivora-export brivora-import brivora-newdb brivora-report; do
    run "$tools/$tool" --help
    if sed -n '/^Arguments:/,/^$/{/^Arguments:/d;p;}' "$tmp/out" | grep -q '^[^ ]'; then
        fail "$tool --help: a line of its arguments at the margin"
    fi
done

# A tool says only its own words, also where the session names no runtime folder.
"$tools/brivora-newdb" "$tmp/quiet.mdb" >/dev/null
run env -u XDG_RUNTIME_DIR QT_QPA_PLATFORM=offscreen "$tools/brivora-report" "$tmp/quiet.mdb" 1 "$tmp/quiet.pdf"
expect "brivora-report without XDG_RUNTIME_DIR" 0
[ ! -s "$tmp/err" ] || fail "brivora-report without XDG_RUNTIME_DIR wrote: $(cat "$tmp/err")"

# The launcher answers for itself, and hands anything else to the program, which refuses it
# before the working folder is used.
bin="$tmp/bin"
mkdir "$bin"
cp "$launcher" "$bin/brivora-launch"
ln -s "$brivora" "$bin/brivora"
ln -s "$tools/brivora-newdb" "$bin/brivora-newdb"
check brivora-launch env BRIVORA_HOME="$tmp/home" QT_QPA_PLATFORM=offscreen sh "$bin/brivora-launch"
grep -q "^usage: brivora$" "$tmp/err" || fail "brivora-launch --no-such-option: not refused by brivora"

[ "$failures" -eq 0 ] || exit 1
echo "tools: all good"
