#!/usr/bin/env bash
# Ravelin through wwcall, as a scripted host calls it: the fields and every
# write-back of Splits and sSplit, the key that replaces a password, and the
# faults that reach the caller.
# Usage: ravelin_cli_test.sh path/to/wwcall path/to/libcoravel2.so
set -u
WWCALL=${1:?usage: $0 wwcall libcoravel2.so}
CORAVEL=${2:?}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export WAGEWISE_REGISTRY="$WORK/registry.sqlite3"
export QT_QPA_PLATFORM=offscreen
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect CODE ARGS...: runs wwcall; stdout in $out, stderr in $err.
expect() {
  local want=$1; shift
  out=$("$WWCALL" "$@" 2>"$WORK/err" </dev/null); local got=$?
  err=$(grep -v '^QStandardPaths' "$WORK/err")
  [ "$got" -eq "$want" ] || fail "wwcall $* exited $got, wanted $want (stderr: $err)"
}
same() { [ "$1" = "$2" ] || fail "got: $1 / wanted: $2"; }

expect 0 --register "$CORAVEL"

expect 0 Coravel.Ravelin Splits s:a,b,c s:, 'a:[]' i:0
same "$out" 'result: i:0
arg 1: s:"a,b,c,"
arg 2: s:","
arg 3: a:["a","b","c"]
arg 4: i:3'

expect 0 Coravel.Ravelin sSplit 's:a b' s: 'a:["old"]'
same "$out" 'result: i:1
arg 1: s:"a b"
arg 2: s:" ;\x00\t\n\r"
arg 3: a:["a","b"]'

expect 0 Coravel.Ravelin Encrypt s:abcdef s:secret
same "$out" 'result: s:"g^nao^"
arg 1: s:"abcdef"
arg 2: s:"10"'

expect 1 Coravel.Ravelin CleanFileName s:dat
same "$err" 'fault: 5 Invalid procedure call or argument'
expect 1 Coravel.Ravelin txtDcrypt s:AC s: i:-1
same "$err" 'fault: 5 Invalid procedure call or argument'

[ "$failures" -eq 0 ] && echo "all ravelin wwcall checks passed"
exit $((failures > 0))
