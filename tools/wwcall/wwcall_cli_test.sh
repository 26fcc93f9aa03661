#!/usr/bin/env bash
# Runs wwcall end to end, as a scripted host: registers both libraries into a
# store in a temporary folder, then checks what the command line promises
# (results, by-reference write-back, faults, message boxes and their answers,
# reading LastErrorMsg after a refused print job).
# Usage: wwcall_cli_test.sh path/to/wwcall path/to/libcoravel2.so path/to/librowcast.so
set -u
WWCALL=${1:?usage: $0 wwcall libcoravel2.so librowcast.so}
CORAVEL=${2:?}
ROWCAST=${3:?}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export WAGEWISE_REGISTRY="$WORK/registry.sqlite3"
export ROWCAST_PRINT_TO="$WORK/printed.pdf"
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
has() { grep -qxF -- "$2" <<<"$1" || fail "missing line: $2 (got: $1)"; }

expect 0 --register "$CORAVEL"
expect 0 --register "$ROWCAST"

# Results and by-reference write-back.
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' s:SickPay 's:9.5'
expect 0 Coravel.ZuzirarRegistry getstringp s: s:SickPay
has "$out" 'result: s:"9.5"'
has "$out" 'arg 1: s:"Software\\Vandr\\Registry"'
expect 0 Coravel.Declares ErrorMsg i:1014
has "$out" 'result: s:"Undefined Error Code:   1014"'

# Faults go to standard error with exit status 1.
expect 1 Coravel.ZuzirarRegistry RunExcelfrm
has "$err" 'fault: 424 Object required'
expect 1 Coravel.NoSuchClass Anything
expect 2 Coravel.Declares ErrorMsg 42
# By-reference arguments are written back and printed after a fault too.
expect 0 Coravel.Declares CreateKey 's:HKEY_CURRENT_USER\Software\X'
expect 1 Coravel.Declares SetBinaryValue 's:HKEY_CURRENT_USER\Software\X' s:v s:
has "$err" 'fault: 9 Subscript out of range'
has "$out" 'arg 1: s:"Software\\X"'

# A message box is printed and answered; the path stays as passed.
expect 0 Coravel.Declares CreateKey 's:hkey_current_user\Software'
has "$err" 'msgbox: Coravel: Incorrect Format:\n\nhkey_current_user\\Software'
has "$out" 'arg 1: s:"hkey_current_user\\Software"'

# A list too wide for any page: the rotate question (answered Yes), then the
# overflow box, and 1 with an empty LastErrorMsg.
python3 - "$WORK/wide.json" <<'PY'
import json, sys
cols = ["Column %d %s" % (i, "w" * 60) for i in range(13)]
json.dump({"name": "lvwWide", "columns": cols, "rows": [cols]}, open(sys.argv[1], "w"))
PY
expect 0 --answer yes Rowcast.CRowcast --set "lvwToPrint=list:$WORK/wide.json" --then LastErrorMsg Tabulon i:1
has "$err" 'msgbox: Output to Wide: The output that you have defined is currently wider than the page.  Would you like to rotate the output?'
has "$err" 'msgbox: Output Overflow: Unable to fit output to the page even after rotating.  Please Adjust'
has "$out" 'result: i:1'
has "$out" 'LastErrorMsg: s:""'

# Without a list: the message of the method.
expect 0 Rowcast.CRowcast --then LastErrorMsg ExportListView i:7
has "$out" 'LastErrorMsg: s:"List View Not Defined"'

expect 0 --unregister "$ROWCAST"
expect 1 Rowcast.CRowcast ExportListView i:1

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all wwcall checks passed"
